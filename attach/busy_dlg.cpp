#include "attach/busy_dlg.h"

#include "skin/jexui.h"
#include "attach/busy_bar.h"
#include "res/resource.h"

namespace {
constexpr UINT_PTR kTimer = 1;
constexpr int kBarLeft = 15;
constexpr int kBarTop = 130;
constexpr int kBlockGap = 2;
}  // namespace

CBusyDlg::CBusyDlg() : fw::Dialog(IDD_BUSY) {}

CBusyDlg::~CBusyDlg() {
    if (block_) DeleteObject(block_);
}

bool CBusyDlg::createModeless(HWND owner, HWND cancelReceiver) {
    cancelReceiver_ = cancelReceiver;
    return createModelessDialog(owner);
}

void CBusyDlg::setText(const char* text) { SetDlgItemTextA(hwnd(), IDC_BUSY_TEXT, text); }

bool CBusyDlg::onInitDialog() {
    block_ = static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_BUSY_BLOCK), IMAGE_BITMAP,
                                             0, 0, LR_CREATEDIBSECTION));
    SetWindowPos(item(IDC_BUSY_TEXT), nullptr, 15, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ShowWindow(item(IDCANCEL), SW_HIDE);
    SetTimer(hwnd(), kTimer, 100, nullptr);
    return true;
}

void CBusyDlg::onCommand(int id, int, HWND) {
    // Escape arrives as IDCANCEL (the button itself is hidden).
    if (id == IDCANCEL && cancelReceiver_) {
        SendMessageA(cancelReceiver_, WM_BUSY_CANCEL, 0, 0);
        DestroyWindow(hwnd());
    }
}

void CBusyDlg::paintBar(HDC dc) {
    BITMAP info = {};
    if (!block_ || !GetObject(block_, sizeof info, &info)) return;
    const BusyBar& bar = sharedBusyBar();
    int width = BusyBar::kBlocks * info.bmWidth + 32;
    int height = info.bmHeight + 4;

    RECT frame = {kBarLeft, kBarTop, kBarLeft + width, kBarTop + height};
    FillRect(dc, &frame, GetSysColorBrush(COLOR_BTNFACE));
    FrameRect(dc, &frame, GetSysColorBrush(COLOR_BTNSHADOW));

    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(memory, block_);
    for (int i = bar.firstBlock(); i < bar.firstBlock() + bar.count; ++i) {
        int x = kBarLeft + kBlockGap + i * (info.bmWidth + kBlockGap);
        BitBlt(dc, x, kBarTop + kBlockGap, info.bmWidth, info.bmHeight, memory, 0, 0, SRCCOPY);
    }
    SelectObject(memory, old);
    DeleteDC(memory);
}

bool CBusyDlg::onMessage(UINT msg, WPARAM wParam, LPARAM, INT_PTR& result) {
    switch (msg) {
    case WM_TIMER:
        if (wParam != kTimer) return false;
        sharedBusyBar().advance();
        {
            HDC dc = GetDC(hwnd());
            paintBar(dc);
            ReleaseDC(hwnd(), dc);
        }
        result = TRUE;
        return true;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd(), &ps);
        paintBar(dc);
        EndPaint(hwnd(), &ps);
        result = TRUE;
        return true;
    }
    case WM_DESTROY:
        KillTimer(hwnd(), kTimer);
        return false;
    default:
        return false;
    }
}
