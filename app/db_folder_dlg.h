// The dialog that asks for the folder of a new database on first run.
#pragma once

#include <string>

#include "fw/dialog.h"

class CDbFolderDlg : public fw::Dialog {
public:
    CDbFolderDlg();
    // The folder proposed (program folder + "data") or the last one browsed
    // to; text typed into the box is not taken.
    const std::string& folder() const { return folder_; }

protected:
    bool onInitDialog() override;
    void onCommand(int id, int code, HWND control) override;

private:
    void browse();
    std::string folder_;
};
