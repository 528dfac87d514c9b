#include "update/update_dlg.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>

#include "fw/paths.h"
#include "res/jexupdate_res.h"

namespace update {

const char kUpdaterTitle[] = "jexsoft在线更新程序";

namespace {

constexpr UINT kCmdAbout = 16;  // the system menu's about entry

// The information page: what is offered and the release notes.
class CInfoPage : public fw::Dialog {
public:
    CInfoPage(std::string description, std::string notes)
        : fw::Dialog(IDD_UPDATE_INFO), description_(std::move(description)), notes_(std::move(notes)) {}

protected:
    bool onInitDialog() override {
        SetDlgItemTextA(hwnd(), IDC_INFO_DESCRIPTION, description_.c_str());
        SetDlgItemTextA(hwnd(), IDC_INFO_NOTES, notes_.c_str());
        return true;
    }
    void onCommand(int, int, HWND) override {}  // Enter and Esc belong to the dialog around

private:
    std::string description_, notes_;
};

// The progress page; its texts are set by the dialog.
class CProgressPage : public fw::Dialog {
public:
    CProgressPage() : fw::Dialog(IDD_UPDATE_PROGRESS) {}

protected:
    bool onInitDialog() override {
        SendDlgItemMessageA(hwnd(), IDC_PROGRESS_BAR, PBM_SETRANGE32, 0, 100);
        return true;
    }
    void onCommand(int, int, HWND) override {}
};

}  // namespace

CUpdateDlg::CUpdateDlg(const UpdaterArguments& args, const UpdateInfo& info, std::string packagePath)
    : fw::Dialog(IDD_UPDATE), args_(args), info_(info), packagePath_(std::move(packagePath)) {}

CUpdateDlg::~CUpdateDlg() = default;

bool CUpdateDlg::onInitDialog() {
    if (HMENU menu = GetSystemMenu(hwnd(), FALSE)) {
        AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(menu, MF_STRING, kCmdAbout, "关于 jexUpdate(&A)...");
    }
    HINSTANCE instance = GetModuleHandleA(nullptr);
    SendMessageA(hwnd(), WM_SETICON, ICON_BIG,
                 reinterpret_cast<LPARAM>(LoadImageA(instance, MAKEINTRESOURCEA(IDR_UPDATE_ICON), IMAGE_ICON,
                                                     GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0)));
    SendMessageA(hwnd(), WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(LoadImageA(instance, MAKEINTRESOURCEA(IDR_UPDATE_ICON), IMAGE_ICON,
                                                     GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0)));

    char description[1600];
    std::snprintf(description, sizeof description, "%s %s (%s)", args_.programFile.c_str(), args_.version.c_str(),
                  info_.size.c_str());
    infoPage_ = std::make_unique<CInfoPage>(description, expandEscapes(info_.notes));
    progressPage_ = std::make_unique<CProgressPage>();
    infoPage_->createModelessDialog(hwnd());
    progressPage_->createModelessDialog(hwnd());
    placePages();
    showDisplay(initialDisplay());
    ShowWindow(infoPage_->hwnd(), SW_SHOW);
    packageUrl_ = info_.url;
    return true;
}

// Both pages fill the area from the left end of the etched line to the
// dialog's right edge, and from the top to just above the line.
void CUpdateDlg::placePages() {
    RECT line, client;
    GetWindowRect(item(IDC_UPDATE_LINE), &line);
    MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&line), 2);
    GetClientRect(hwnd(), &client);
    for (fw::Dialog* page : {infoPage_.get(), progressPage_.get()})
        SetWindowPos(page->hwnd(), nullptr, line.left, 0, client.right - line.left, line.top - 1,
                     SWP_NOZORDER | SWP_NOACTIVATE);
}

void CUpdateDlg::onCommand(int id, int, HWND) {
    if (id == IDOK) {
        if (IsWindowVisible(infoPage_->hwnd()))
            startDownload();
        else
            endDialog(IDOK);
    } else if (id == IDCANCEL) {
        cancel();
    }
}

bool CUpdateDlg::onMessage(UINT msg, WPARAM wParam, LPARAM, INT_PTR& result) {
    switch (msg) {
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) != kCmdAbout) return false;
        fw::Dialog(IDD_UPDATE_ABOUT).doModal(hwnd());
        result = TRUE;
        return true;
    case DownloadWorker::kMsgProgress:
        if (worker_ && !cancelling_) showDisplay(worker_->display());
        return true;
    case DownloadWorker::kMsgEnded:
        if (!cancelling_) onDownloadEnded();
        return true;
    default:
        return false;
    }
}

void CUpdateDlg::startDownload() {
    ShowWindow(infoPage_->hwnd(), SW_HIDE);
    ShowWindow(progressPage_->hwnd(), SW_SHOW);
    EnableWindow(item(IDOK), FALSE);
    SetFocus(item(IDCANCEL));
    worker_ = std::make_unique<DownloadWorker>(hwnd(), packageUrl_, packagePath_, info_.sha256);
    if (!worker_->start()) {
        worker_.reset();
        MessageBoxA(hwnd(), "无法开始下载！", kUpdaterTitle, MB_OK | MB_ICONERROR);
    }
}

void CUpdateDlg::showDisplay(const ProgressDisplay& display) {
    HWND page = progressPage_->hwnd();
    SendDlgItemMessageA(page, IDC_PROGRESS_BAR, PBM_SETPOS, WPARAM(display.percent), 0);
    SetDlgItemTextA(page, IDC_PROGRESS_PERCENT, display.percentText.c_str());
    SetDlgItemTextA(page, IDC_PROGRESS_SPEED, display.speed.c_str());
    SetDlgItemTextA(page, IDC_PROGRESS_RECEIVED, display.received.c_str());
    SetDlgItemTextA(page, IDC_PROGRESS_REMAINING, display.remaining.c_str());
}

void CUpdateDlg::onDownloadEnded() {
    WaitForSingleObject(worker_->thread(), INFINITE);  // its end message is its last act
    showDisplay(worker_->display());
    if (!worker_->complete()) {
        // Only Cancel remains; what arrived stays on disk.
        if (!worker_->problem().empty())
            MessageBoxA(hwnd(), worker_->problem().c_str(), kUpdaterTitle, MB_OK | MB_ICONERROR);
        return;
    }
    SetDlgItemTextA(hwnd(), IDOK, "完成(&O)");
    EnableWindow(item(IDOK), TRUE);
    startPackage();
    endDialog(IDOK);
}

// The package is the installer: "/update" has it wait for the program to
// be gone and replace the program's files in its own folder, unseen.
void CUpdateDlg::startPackage() {
    std::string folder = folderOf(packagePath_);
    HINSTANCE started =
        ShellExecuteA(hwnd(), "open", packagePath_.c_str(), "/update", folder.c_str(), SW_HIDE);
    if (reinterpret_cast<INT_PTR>(started) <= 32)
        MessageBoxA(hwnd(), "无法打开升级包，程序将退出！", kUpdaterTitle, MB_OK | MB_ICONERROR);
}

// Stops the download and closes the dialog.  The dialog goes from the
// screen at once; the worker ends before its next read (or when a read
// that waits for a silent server times out), the interface thread handling
// messages meanwhile.
void CUpdateDlg::cancel() {
    if (cancelling_) return;
    cancelling_ = true;
    if (worker_ && worker_->running()) {
        ShowWindow(hwnd(), SW_HIDE);
        worker_->requestStop();
        HANDLE thread = worker_->thread();
        while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
        }
    }
    endDialog(IDCANCEL);
}

}  // namespace update
