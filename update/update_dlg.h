// The updater's dialog, "jexsoft在线更新程序": a picture on the left, and
// right of it one of two pages: the information page (what is offered and
// the release notes) and the progress page of the package download.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "fw/dialog.h"
#include "update/check_rules.h"
#include "update/download_worker.h"
#include "update/update_info.h"

namespace update {

// The caption of the updater's windows and message boxes.
extern const char kUpdaterTitle[];

class CUpdateDlg : public fw::Dialog {
public:
    // `args`: the program's file name and the offered version; `info`: the
    // update information; `packagePath`: where the package is saved.
    CUpdateDlg(const UpdaterArguments& args, const UpdateInfo& info, std::string packagePath);
    ~CUpdateDlg() override;

protected:
    bool onInitDialog() override;
    void onCommand(int id, int code, HWND control) override;
    bool onMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    void placePages();
    void startDownload();
    void showDisplay(const ProgressDisplay& display);
    void onDownloadEnded();
    void startPackage();
    void cancel();

    UpdaterArguments args_;
    UpdateInfo info_;
    std::string packageUrl_;
    std::string packagePath_;
    std::unique_ptr<fw::Dialog> infoPage_;
    std::unique_ptr<fw::Dialog> progressPage_;
    std::unique_ptr<DownloadWorker> worker_;
    bool cancelling_ = false;
};

}  // namespace update
