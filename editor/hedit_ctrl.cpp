#include "editor/hedit_ctrl.h"

#include <commctrl.h>

#include <algorithm>

#include "editor/ole_text.h"
#include "editor/syntax_colorizer.h"
#include "fw/app.h"
#include "text/gbk.h"

namespace {

const char kClassName[] = "Afx:CHEditCtrl";
constexpr UINT_PTR kDragTimer = 1;
constexpr int kMarginCursor = 130;
constexpr COLORREF kMarginColour = 0xFAFAFA;
constexpr COLORREF kMarginLine = 0xC8C8C8;

COLORREF orSystem(COLORREF colour, int systemIndex) {
    return colour == CLR_INVALID ? GetSysColor(systemIndex) : colour;
}

// The last search, shared by every editor of the process.
struct LastSearch {
    std::string text;
    DWORD flags = FR_DOWN;
};
LastSearch& lastSearch() {
    static LastSearch last;
    return last;
}

UINT findMessage() {
    static const UINT message = RegisterWindowMessageA(FINDMSGSTRINGA);
    return message;
}

// Copy with Ctrl held, else move, as far as the source allows either.
DWORD chooseEffect(DWORD keys, DWORD allowed) {
    DWORD wanted = (keys & MK_CONTROL) ? DROPEFFECT_COPY : DROPEFFECT_MOVE;
    if (allowed & wanted) return wanted;
    if (allowed & DROPEFFECT_COPY) return DROPEFFECT_COPY;
    return allowed & DROPEFFECT_MOVE;
}

POINT toScreen(HWND hwnd, int x, int y) {
    POINT p = {x, y};
    ClientToScreen(hwnd, &p);
    return p;
}

}  // namespace

// The control's OLE drop target: hands every call to the control while its
// window lives.
class EditorDropTarget : public ComObject<IDropTarget> {
public:
    explicit EditorDropTarget(CHEditCtrl& editor) : editor_(&editor) {}
    void detach() { editor_ = nullptr; }
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override {
        *effect = editor_ ? editor_->OnDragEnter(data, keys, {point.x, point.y}, *effect) : DROPEFFECT_NONE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL point, DWORD* effect) override {
        *effect = editor_ ? editor_->OnDragOver(keys, {point.x, point.y}, *effect) : DROPEFFECT_NONE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragLeave() override {
        if (editor_) editor_->OnDragLeave();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override {
        DWORD wanted = chooseEffect(keys, *effect);
        *effect = editor_ ? editor_->OnDrop(data, wanted, {point.x, point.y}) : DROPEFFECT_NONE;
        return S_OK;
    }

private:
    CHEditCtrl* editor_;
};

UINT CHEditCtrl::editChangeMessage() {
    static const UINT message = RegisterWindowMessageA("CHM_ON_EDITCHANGE");
    return message;
}

CHEditCtrl::CHEditCtrl() : core_(*this, *this) {}

CHEditCtrl::~CHEditCtrl() = default;

bool CHEditCtrl::Create(DWORD style, const RECT& rect, HWND parent, int id) {
    registerClass(kClassName, CS_DBLCLKS, nullptr, nullptr, nullptr);
    return create(0, kClassName, "", style | WS_VSCROLL | WS_HSCROLL, rect.left, rect.top, rect.right - rect.left,
                  rect.bottom - rect.top, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
}

HFONT CHEditCtrl::font() const { return font_ ? font_ : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }

// --- measuring ----------------------------------------------------------------------------

void CHEditCtrl::computeMetrics() {
    HDC dc = GetDC(hwnd());
    HGDIOBJ old = SelectObject(dc, font());
    TEXTMETRICA tm = {};
    GetTextMetricsA(dc, &tm);
    lineHeight_ = tm.tmHeight + 1;  // one pixel of extra line spacing
    columnWidth_ = std::max<LONG>(1, tm.tmMaxCharWidth);
    SIZE blanks = {};
    GetTextExtentPoint32A(dc, "    ", 4, &blanks);
    tabStop_ = std::max<LONG>(1, blanks.cx);
    SelectObject(dc, old);
    ReleaseDC(hwnd(), dc);
}

// Widths are measured once per character and kept until the font changes.
int CHEditCtrl::charWidth(unsigned char lead, unsigned char trail) {
    auto& cache = trail ? doubleWidths_ : singleWidths_;
    unsigned key = trail ? lead * 256u + trail : lead;
    auto found = cache.find(key);
    if (found != cache.end()) return found->second;
    HDC dc = GetDC(hwnd());
    HGDIOBJ old = SelectObject(dc, font());
    char bytes[2] = {char(lead), char(trail)};
    SIZE size = {};
    GetTextExtentPoint32A(dc, bytes, trail ? 2 : 1, &size);
    SelectObject(dc, old);
    ReleaseDC(hwnd(), dc);
    int width = size.cx;
    if (lead == '\n' && width == 0) width = columnWidth_;
    cache.emplace(key, width);
    return width;
}

int CHEditCtrl::tabStopWidth() { return tabStop_; }

// --- host callbacks ------------------------------------------------------------------------

void CHEditCtrl::caretMoved() {
    if (!hwnd()) return;
    if (focused_ || dropCaret_) SetCaretPos(core_.caretX(), core_.caretY());
    NMHDR header = {hwnd(), 0, kCaretNotify};
    SendMessageA(GetParent(hwnd()), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header));
}

void CHEditCtrl::textChanged() {
    if (hwnd()) SendMessageA(GetParent(hwnd()), editChangeMessage(), 0, 0);
}

void CHEditCtrl::modifiedChanged(bool modified) {
    if (modified != starred_) setStar(modified);
}

void CHEditCtrl::invalidateAll() {
    if (hwnd()) InvalidateRect(hwnd(), nullptr, FALSE);
}

void CHEditCtrl::invalidateLines(std::size_t first, std::size_t last) {
    if (!hwnd()) return;
    RECT client;
    GetClientRect(hwnd(), &client);
    long top = (long(first) - long(core_.firstVisibleLine())) * lineHeight_ - 1;
    long bottom = last == EditorCore::kNone ? client.bottom
                                            : (long(last) - long(core_.firstVisibleLine()) + 1) * lineHeight_ + 1;
    RECT band = {client.left, int(std::max(0L, top)), client.right, int(std::min<long>(client.bottom, bottom))};
    InvalidateRect(hwnd(), &band, FALSE);
}

void CHEditCtrl::scrollRangesChanged() {
    if (!hwnd()) return;
    SCROLLINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    info.nMin = 0;
    info.nMax = int(core_.verticalRange());
    info.nPage = UINT(std::max(0, core_.pageLines()));
    info.nPos = int(core_.firstVisibleLine());
    SetScrollInfo(hwnd(), SB_VERT, &info, TRUE);
    info.nMax = 2048;
    info.nPage = UINT(std::max(0, core_.pageColumns()));
    info.nPos = core_.horizontalScroll();
    SetScrollInfo(hwnd(), SB_HORZ, &info, TRUE);
}

// The tab item's label ends with "*" while the text is modified.
void CHEditCtrl::setStar(bool starred) {
    starred_ = starred;
    if (!tabOwner_ || tabIndex_ < 0) return;
    char label[101] = {};
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = label;
    item.cchTextMax = 100;
    SendMessageA(tabOwner_, TCM_GETITEMA, WPARAM(tabIndex_), reinterpret_cast<LPARAM>(&item));
    std::string text = label;
    bool has = !text.empty() && text.back() == '*';
    if (starred && !has)
        text += '*';
    else if (!starred && has)
        text.pop_back();
    else
        return;
    item.pszText = const_cast<char*>(text.c_str());
    SendMessageA(tabOwner_, TCM_SETITEMA, WPARAM(tabIndex_), reinterpret_cast<LPARAM>(&item));
}

bool CHEditCtrl::LoadSyntax(const std::string& text) {
    scheme_.load(text);
    applyScheme();
    return true;
}

void CHEditCtrl::ClearSyntax() {
    scheme_.clear();
    applyScheme();
}

void CHEditCtrl::applyScheme() {
    textColour_ = scheme_.editText == kSystemColour ? CLR_INVALID : COLORREF(scheme_.editText);
    background_ = scheme_.editBack == kSystemColour ? CLR_INVALID : COLORREF(scheme_.editBack);
    if (scheme_.selectionText != kSystemColour) selectionText_ = COLORREF(scheme_.selectionText);
    if (scheme_.selectionBack != kSystemColour) selectionBack_ = COLORREF(scheme_.selectionBack);
    std::vector<std::string> delimiters;
    for (const BlockDefinition& b : scheme_.blocks) {
        delimiters.push_back(b.start);
        delimiters.push_back(b.end);
    }
    core_.setDelimiters(scheme_.wordDelimiters, scheme_.specialDelimiters, std::move(delimiters));
    if (hwnd()) InvalidateRect(hwnd(), nullptr, FALSE);
}

void CHEditCtrl::SetTabOwner(HWND tabControl, int index) {
    tabOwner_ = tabControl;
    tabIndex_ = index;
}

void CHEditCtrl::SetSavePoint() {
    core_.setSavePoint();
    setStar(false);
}

// --- input ---------------------------------------------------------------------------------

void CHEditCtrl::createCaret() {
    CreateCaret(hwnd(), nullptr, 2, lineHeight_);
    SetCaretPos(core_.caretX(), core_.caretY());
    ShowCaret(hwnd());
}

void CHEditCtrl::onKeyDown(WPARAM key) {
    bool ctrl = GetKeyState(VK_CONTROL) < 0;
    bool shift = GetKeyState(VK_SHIFT) < 0;
    if (ctrl) {
        switch (key) {
        case 'A':
            core_.selectAll();
            return;
        case 'Z':
            core_.undo();
            return;
        case 'R':
            core_.redo();
            return;
        case 'C':
            if (HasSelection()) Copy();
            return;
        case 'X':
            if (HasSelection()) Cut();
            return;
        case 'V':
            Paste();
            return;
        case 'F':
            OpenFind();
            return;
        default:
            break;
        }
    }
    if (key == VK_INSERT && focused_) {
        DestroyCaret();
        createCaret();
    }
    core_.keyDown(int(key), shift, ctrl);
}

// Characters: printable bytes one by one; a two-byte character arrives as
// its lead byte, kept until the trail byte comes.
void CHEditCtrl::onChar(unsigned char c) {
    if (pendingLead_) {
        unsigned char lead = pendingLead_;
        pendingLead_ = 0;
        core_.typeDoubleByte(lead, c);
        return;
    }
    if (gbk::isLeadByte(c))
        pendingLead_ = c;
    else if (gbk::isPrintableSingle(c))
        core_.typeChar(c);
    // Control characters (Ctrl+Backspace gives DEL, 0x7F) type nothing:
    // their keys act through WM_KEYDOWN.
}

void CHEditCtrl::onScroll(int bar, int code) {
    SCROLLINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = SIF_TRACKPOS | SIF_POS;
    GetScrollInfo(hwnd(), bar, &info);
    if (core_.scroll(bar == SB_VERT, code, code == SB_THUMBTRACK ? info.nTrackPos : info.nPos))
        scrollRangesChanged();
}

void CHEditCtrl::onMouseMove(int x, int y) {
    if (!core_.dragging() || GetCapture() != hwnd()) return;
    core_.mouseMove(x, y);
    scrollRangesChanged();
    // Outside the text the view scrolls on a timer while the button is held.
    RECT text = {core_.textLeft(), 0, core_.textLeft() + core_.textWidth(), core_.textHeight()};
    POINT p = {x, y};
    bool outside = !PtInRect(&text, p);
    if (outside && !dragTimer_) {
        SetTimer(hwnd(), kDragTimer, 100, nullptr);
        dragTimer_ = true;
    } else if (!outside && dragTimer_) {
        KillTimer(hwnd(), kDragTimer);
        dragTimer_ = false;
    }
}

// --- painting ------------------------------------------------------------------------------------

void CHEditCtrl::paintBackground(HDC dc) {
    RECT client;
    GetClientRect(hwnd(), &client);
    RECT text = {core_.textLeft(), client.top, client.right, client.bottom};
    HBRUSH brush = CreateSolidBrush(orSystem(background_, COLOR_WINDOW));
    FillRect(dc, &text, brush);
    DeleteObject(brush);
}

void CHEditCtrl::paintMargin(HDC dc, int left, int top, int right, int bottom) {
    RECT margin = {left, top, right, bottom};
    HBRUSH brush = CreateSolidBrush(kMarginColour);
    FillRect(dc, &margin, brush);
    DeleteObject(brush);
    HPEN pen = CreatePen(PS_DOT, 1, kMarginLine);
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, right - 1, top, nullptr);
    LineTo(dc, right - 1, bottom);
    SelectObject(dc, old);
    DeleteObject(pen);
}

int CHEditCtrl::drawRun(HDC dc, const std::string& run, int x, int y, int lineOrigin) {
    if (run.empty()) return 0;
    // The line's extra pixel takes the run's background too.
    DWORD extent = GetTabbedTextExtentA(dc, run.data(), int(run.size()), 1, &tabStop_);
    int width = LOWORD(extent);
    RECT cell = {x, y, x + width, y + lineHeight_};
    COLORREF back = GetBkColor(dc);
    if (back != orSystem(background_, COLOR_WINDOW)) {
        HBRUSH brush = CreateSolidBrush(back);
        FillRect(dc, &cell, brush);
        DeleteObject(brush);
    }
    LONG drawn = TabbedTextOutA(dc, x, y, run.data(), int(run.size()), 1, &tabStop_, lineOrigin);
    return LOWORD(drawn);
}

void CHEditCtrl::paintText(HDC dc, const RECT& area) {
    const TextBuffer& text = core_.buffer();
    if (text.length() == 0) return;
    SetBkMode(dc, OPAQUE);
    COLORREF normalText = orSystem(textColour_, COLOR_WINDOWTEXT);
    COLORREF normalBack = orSystem(background_, COLOR_WINDOW);
    std::size_t selA = core_.hasSelection() ? core_.selectionStart() : EditorCore::kNone;
    std::size_t selB = core_.hasSelection() ? core_.selectionEnd() : EditorCore::kNone;
    auto selected = [&](std::size_t p) { return selA != EditorCore::kNone && p >= selA && p < selB; };

    std::size_t first = core_.firstVisibleLine();
    std::size_t last = std::min(text.lineCount() - 1, first + std::size_t(area.bottom / lineHeight_) + 1);
    int origin = core_.textLeft() + 1 - core_.horizontalScroll() * columnWidth_;

    // Scheme colours of every painted byte; the selection goes over them.
    std::size_t paintFrom = text.lineStart(first);
    std::size_t paintTo = std::min(text.length(), text.lineEnd(last) + 1);
    std::vector<ByteColours> colours = SyntaxColorizer(scheme_, text).colour(paintFrom, paintTo);
    auto coloursAt = [&](std::size_t p, COLORREF& fore, COLORREF& back) {
        if (selected(p)) {
            fore = selectionText_;
            back = selectionBack_;
            return;
        }
        const ByteColours& c = colours[p - paintFrom];
        fore = c.text == kSystemColour ? normalText : COLORREF(c.text);
        back = c.back == kSystemColour ? normalBack : COLORREF(c.back);
    };
    std::string run;
    for (std::size_t line = first; line <= last; ++line) {
        int y = int(line - first) * lineHeight_;
        if (y + lineHeight_ < area.top) continue;
        int x = origin;
        std::size_t p = text.lineStart(line);
        std::size_t end = text.lineEnd(line);
        COLORREF runFore = normalText, runBack = normalBack;
        if (p < paintTo) coloursAt(p, runFore, runBack);
        run.clear();
        auto flush = [&] {
            SetTextColor(dc, runFore);
            SetBkColor(dc, runBack);
            x += drawRun(dc, run, x, y, origin);
            run.clear();
        };
        while (p < end) {
            COLORREF fore, back;
            coloursAt(p, fore, back);
            // A change of colours, or a full run buffer, draws what is pending.
            if (fore != runFore || back != runBack || run.size() + 2 > EditorCore::kMaxLine) {
                flush();
                runFore = fore;
                runBack = back;
            }
            std::size_t n = core_.charLength(p);
            run += text.at(p);
            if (n == 2) run += text.at(p + 1);
            p += n;
        }
        flush();
        // A selected line end shows as one selected blank.
        if (end < text.length() && selected(end)) {
            coloursAt(end, runFore, runBack);
            run = " ";
            flush();
        }
    }
}

void CHEditCtrl::paint(HDC target, const RECT& clip) {
    RECT client;
    GetClientRect(hwnd(), &client);
    HDC dc = CreateCompatibleDC(target);
    HBITMAP bitmap = dc ? CreateCompatibleBitmap(target, client.right, client.bottom) : nullptr;
    HGDIOBJ oldBitmap = nullptr;
    if (dc && bitmap) {
        oldBitmap = SelectObject(dc, bitmap);
    } else {
        if (dc) DeleteDC(dc);
        dc = target;  // paint directly
    }

    paintBackground(dc);
    int oldMode = SetBkMode(dc, TRANSPARENT);
    COLORREF oldColour = SetTextColor(dc, orSystem(textColour_, COLOR_WINDOWTEXT));
    HGDIOBJ oldFont = SelectObject(dc, font());
    if (clip.left < core_.textLeft()) paintMargin(dc, client.left, client.top, client.left + core_.textLeft(), client.bottom);

    DWORD exStyle = GetWindowLongA(hwnd(), GWL_EXSTYLE);
    if (exStyle & WS_EX_CLIENTEDGE)
        DrawEdge(dc, &client, BDR_SUNKENINNER, BF_RECT);
    else if (exStyle & WS_EX_WINDOWEDGE)
        DrawEdge(dc, &client, BDR_RAISEDINNER, BF_RECT);
    else if (GetWindowLongA(hwnd(), GWL_STYLE) & WS_BORDER)
        FrameRect(dc, &client, GetSysColorBrush(COLOR_WINDOWTEXT));

    RECT textArea = {core_.textLeft() + 1, client.top, client.right, client.bottom};
    RECT area;
    if (IntersectRect(&area, &clip, &textArea)) {
        HRGN region = CreateRectRgnIndirect(&area);
        SelectClipRgn(dc, region);
        paintText(dc, area);
        SelectClipRgn(dc, nullptr);
        DeleteObject(region);
    }

    SelectObject(dc, oldFont);
    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
    if (dc != target) {
        BitBlt(target, clip.left, clip.top, clip.right - clip.left, clip.bottom - clip.top, dc, clip.left, clip.top,
               SRCCOPY);
        SelectObject(dc, oldBitmap);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
}

// --- messages -------------------------------------------------------------------------------------

LRESULT CHEditCtrl::windowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == findMessage() && lParam) {
        onFindReport(*reinterpret_cast<const FINDREPLACEA*>(lParam));
        return 0;
    }
    switch (msg) {
    case WM_CREATE:
        computeMetrics();
        selectionText_ = GetSysColor(COLOR_HIGHLIGHTTEXT);
        selectionBack_ = GetSysColor(COLOR_HIGHLIGHT);
        columnFormat_ = RegisterClipboardFormatA("CH_TEXT");
        core_.setText("");
        scrollRangesChanged();
        // Without OLE in the thread nothing can be dropped here.
        dropTarget_ = new EditorDropTarget(*this);
        if (RegisterDragDrop(hwnd(), dropTarget_) != S_OK) {
            dropTarget_->detach();
            dropTarget_->Release();
            dropTarget_ = nullptr;
        }
        return 0;
    case WM_SIZE:
        core_.setViewSize(LOWORD(lParam), HIWORD(lParam));
        scrollRangesChanged();
        return 0;
    case WM_SETTEXT:
        core_.setText(lParam ? reinterpret_cast<const char*>(lParam) : "");
        scrollRangesChanged();
        return TRUE;
    case WM_GETTEXT: {
        if (wParam == 0) return 0;
        std::string text = core_.text();
        std::size_t n = std::min<std::size_t>(text.size(), wParam - 1);
        std::copy_n(text.data(), n, reinterpret_cast<char*>(lParam));
        reinterpret_cast<char*>(lParam)[n] = 0;
        return LRESULT(n);
    }
    case WM_GETTEXTLENGTH:
        return LRESULT(core_.buffer().length());
    case WM_SETFONT:
        font_ = reinterpret_cast<HFONT>(wParam);
        singleWidths_.clear();  // measured with the font before
        doubleWidths_.clear();
        computeMetrics();
        if (dropCaretBitmap_ && !dropCaret_) {
            DeleteObject(dropCaretBitmap_);  // made again in the new line height
            dropCaretBitmap_ = nullptr;
        }
        core_.fontChanged();
        if (focused_) {
            DestroyCaret();
            createCaret();
        }
        if (LOWORD(lParam)) InvalidateRect(hwnd(), nullptr, FALSE);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(font_);
    case WM_SYSCOLORCHANGE:
        selectionText_ = GetSysColor(COLOR_HIGHLIGHTTEXT);
        selectionBack_ = GetSysColor(COLOR_HIGHLIGHT);
        InvalidateRect(hwnd(), nullptr, FALSE);
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTALLKEYS | DLGC_WANTCHARS | DLGC_WANTARROWS | DLGC_WANTTAB;
    case WM_KEYDOWN:
        onKeyDown(wParam);
        scrollRangesChanged();
        return 0;
    case WM_CHAR:
        onChar(static_cast<unsigned char>(wParam));
        scrollRangesChanged();
        return 0;
    case WM_SETFOCUS:
        focused_ = true;
        if (!dropCaret_) createCaret();
        InvalidateRect(hwnd(), nullptr, FALSE);
        return 0;
    case WM_KILLFOCUS:
        focused_ = false;
        if (!dropCaret_) DestroyCaret();
        InvalidateRect(hwnd(), nullptr, FALSE);
        return 0;
    case WM_LBUTTONDOWN: {
        SetFocus(hwnd());
        arrowCursor_ = false;
        int x = short(LOWORD(lParam)), y = short(HIWORD(lParam));
        // A press inside the selection drags it (Ctrl+click selects a word).
        if (!(wParam & MK_CONTROL) && core_.insideSelection(x, y)) {
            dragOut(x, y);
            return 0;
        }
        SetCapture(hwnd());
        core_.mouseDown(x, y, (wParam & MK_SHIFT) != 0, (wParam & MK_CONTROL) != 0);
        return 0;
    }
    case WM_MOUSEMOVE:
        onMouseMove(short(LOWORD(lParam)), short(HIWORD(lParam)));
        return 0;
    case WM_TIMER:
        if (wParam == kDragTimer) {
            POINT p;
            GetCursorPos(&p);
            ScreenToClient(hwnd(), &p);
            onMouseMove(p.x, p.y);
        }
        return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
        if (dragTimer_) {
            KillTimer(hwnd(), kDragTimer);
            dragTimer_ = false;
        }
        if (core_.dragging()) core_.mouseUp();
        if (msg == WM_LBUTTONUP && GetCapture() == hwnd()) ReleaseCapture();
        return 0;
    case WM_LBUTTONDBLCLK:
        core_.doubleClick(short(LOWORD(lParam)), short(HIWORD(lParam)));
        return 0;
    case WM_MOUSEWHEEL:
        core_.wheel(GET_WHEEL_DELTA_WPARAM(wParam));
        scrollRangesChanged();
        return 0;
    case WM_RBUTTONDOWN:
        onRightButton(wParam, lParam);
        return 0;
    case WM_COMMAND:
        onCommand(LOWORD(wParam));
        return 0;
    case EM_GETSEL: {
        // The selection's start and end (the caret twice without one).
        DWORD start = DWORD(core_.selectionStart()), end = DWORD(core_.selectionEnd());
        if (wParam) *reinterpret_cast<DWORD*>(wParam) = start;
        if (lParam) *reinterpret_cast<DWORD*>(lParam) = end;
        return start > 0xFFFF || end > 0xFFFF ? LRESULT(-1) : MAKELRESULT(start, end);
    }
    case WM_VSCROLL:
        onScroll(SB_VERT, LOWORD(wParam));
        return 0;
    case WM_HSCROLL:
        onScroll(SB_HORZ, LOWORD(wParam));
        return 0;
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT) {
            POINT p;
            GetCursorPos(&p);
            ScreenToClient(hwnd(), &p);
            const char* cursor = IDC_IBEAM;
            HCURSOR margin = nullptr;
            if (p.x < core_.textLeft()) {
                margin = LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kMarginCursor));
                cursor = IDC_ARROW;
            } else if (arrowCursor_) {
                cursor = IDC_ARROW;
            } else if (core_.hasSelection()) {
                std::size_t pos = core_.positionFromPoint(p.x, p.y);
                if (pos >= core_.selectionStart() && pos < core_.selectionEnd()) cursor = IDC_ARROW;
            }
            SetCursor(margin ? margin : LoadCursorA(nullptr, cursor));
            return TRUE;
        }
        break;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd(), &ps);
        paint(dc, ps.rcPaint);
        EndPaint(hwnd(), &ps);
        return 0;
    }
    case WM_NCDESTROY:
        if (focused_ || dropCaret_) DestroyCaret();
        if (findDialog_) {
            HWND dialog = findDialog_;
            findDialog_ = nullptr;
            if (fw::App::current()) fw::App::current()->removeModeless(dialog);
            DestroyWindow(dialog);
        }
        if (dropTarget_) {
            RevokeDragDrop(hwnd());
            dropTarget_->detach();
            dropTarget_->Release();
            dropTarget_ = nullptr;
        }
        if (dropCaretBitmap_) DeleteObject(dropCaretBitmap_);
        dropCaretBitmap_ = nullptr;
        break;
    default:
        break;
    }
    return defaultProc(msg, wParam, lParam);
}

// --- find ------------------------------------------------------------------------------------

bool CHEditCtrl::Find(const std::string& text, bool down, bool matchCase, bool wholeWord) {
    bool found = core_.find(text, down, matchCase, wholeWord);
    scrollRangesChanged();
    return found;
}

void CHEditCtrl::OpenFind() {
    if (findDialog_) {
        SetFocus(findDialog_);
        return;
    }
    if (core_.hasSelection()) lastSearch().text = core_.selectedText();
    // The dialog's buffer holds whole characters of the search text.
    const std::string& what = lastSearch().text;
    std::size_t length = 0;
    while (length < what.size()) {
        std::size_t next = length + gbk::charLength(what, length);
        if (next >= sizeof findWhat_) break;
        length = next;
    }
    std::copy_n(what.data(), length, findWhat_);
    findWhat_[length] = '\0';
    findReplace_ = {};
    findReplace_.lStructSize = sizeof findReplace_;
    findReplace_.hwndOwner = hwnd();
    findReplace_.Flags = lastSearch().flags;
    findReplace_.lpstrFindWhat = findWhat_;
    findReplace_.wFindWhatLen = sizeof findWhat_;
    findDialog_ = FindTextA(&findReplace_);
    if (findDialog_ && fw::App::current()) fw::App::current()->addModeless(findDialog_);
}

void CHEditCtrl::onFindReport(const FINDREPLACEA& report) {
    if (report.Flags & FR_DIALOGTERM) {
        if (fw::App::current()) fw::App::current()->removeModeless(findDialog_);
        findDialog_ = nullptr;
        return;
    }
    lastSearch().text = report.lpstrFindWhat ? report.lpstrFindWhat : "";
    lastSearch().flags = report.Flags & (FR_DOWN | FR_WHOLEWORD | FR_MATCHCASE);
    DWORD flags = lastSearch().flags;
    if (!Find(lastSearch().text, flags & FR_DOWN, flags & FR_MATCHCASE, flags & FR_WHOLEWORD))
        MessageBoxA(hwnd(), "指定的文本没有找到！", fw::App::current() ? fw::App::current()->title() : "", MB_OK);
    if (findDialog_) SetFocus(findDialog_);
}

// --- context menu and commands ------------------------------------------------------------

void CHEditCtrl::onRightButton(WPARAM wParam, LPARAM lParam) {
    int x = short(LOWORD(lParam)), y = short(HIWORD(lParam));
    if (!core_.insideSelection(x, y)) {
        core_.clearSelection();
        core_.placeCaret(core_.positionFromPoint(x, y));
    }
    if (GetCapture() == hwnd()) ReleaseCapture();  // ends a mouse selection and its timer
    SendMessageA(GetParent(hwnd()), WM_RBUTTONDOWN, wParam, lParam);
    arrowCursor_ = true;
    if (HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kContextMenu))) {
        if (HMENU popup = GetSubMenu(menu, 1)) {
            updateMenu(popup);
            POINT at = toScreen(hwnd(), x, y);
            TrackPopupMenu(popup, TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd(), nullptr);
        }
        DestroyMenu(menu);
    }
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
}

void CHEditCtrl::updateMenu(HMENU popup) const {
    auto enable = [&](int id, bool enabled) {
        EnableMenuItem(popup, UINT(id), MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
    };
    enable(kUndo, core_.canUndo());
    enable(kRedo, core_.canRedo());
    enable(kCut, HasSelection());
    enable(kCopy, HasSelection());
    enable(kPaste, true);
    enable(kSelectAll, true);
    enable(kFind, true);
}

void CHEditCtrl::onCommand(int id) {
    switch (id) {
    case kUndo:
        core_.undo();
        break;
    case kRedo:
        core_.redo();
        break;
    case kCut:
        if (HasSelection()) Cut();
        break;
    case kCopy:
        if (HasSelection()) Copy();
        break;
    case kPaste:
        Paste();
        break;
    case kSelectAll:
        core_.selectAll();
        break;
    case kFind:
        OpenFind();
        break;
    default:
        return;
    }
    scrollRangesChanged();
}

void CHEditCtrl::SetSelection(long anchor, long end, bool keepView) {
    core_.setSelection(anchor == -1 ? EditorCore::kNone : std::size_t(std::max(0L, anchor)),
                       end < 0 ? EditorCore::kNone : std::size_t(end), keepView);
    scrollRangesChanged();
}

// --- clipboard -------------------------------------------------------------------------------

bool CHEditCtrl::putOnClipboard(const std::string& text) {
    if (!OpenClipboard(hwnd())) return false;
    bool placed = false;
    if (EmptyClipboard()) {
        HGLOBAL block = textBlock(text);
        if (block && SetClipboardData(CF_TEXT, block))
            placed = true;
        else if (block)
            GlobalFree(block);
    }
    CloseClipboard();
    return placed;
}

bool CHEditCtrl::Copy() {
    if (!HasSelection()) {
        OnError(kRefuseCopy);
        return false;
    }
    return putOnClipboard(core_.clipboardText());
}

bool CHEditCtrl::Cut() {
    if (!HasSelection()) {
        OnError(kRefuseCopy);
        return false;
    }
    if (!putOnClipboard(core_.clipboardText())) {
        OnError(kRefuseCutFailed);
        return false;
    }
    core_.deleteSelection(kActionCut, false);
    scrollRangesChanged();
    return true;
}

bool CHEditCtrl::CanPaste() const {
    return IsClipboardFormatAvailable(CF_TEXT) || (columnFormat_ && IsClipboardFormatAvailable(columnFormat_));
}

bool CHEditCtrl::Paste() {
    std::string text;
    bool columnWise = false, found = false;
    IDataObject* data = nullptr;
    if (OleGetClipboard(&data) == S_OK && data) {
        columnWise = readText(data, columnFormat_, text);
        found = columnWise || readText(data, CF_TEXT, text);
        data->Release();
    } else if (OpenClipboard(hwnd())) {  // a thread without OLE
        HANDLE block = columnFormat_ ? GetClipboardData(columnFormat_) : nullptr;
        columnWise = block != nullptr;
        if (!block) block = GetClipboardData(CF_TEXT);
        if (block) {
            text = blockText(block);
            found = true;
        }
        CloseClipboard();
    }
    if (!found) {
        OnError(kRefusePaste);
        return false;
    }
    core_.paste(text, columnWise);
    scrollRangesChanged();
    return true;
}

// --- drag and drop ---------------------------------------------------------------------------

void CHEditCtrl::dragOut(int x, int y) {
    TextDataObject* data = TextDataObject::create(core_.selectedText());
    LeftButtonDropSource* source = new LeftButtonDropSource;
    const POINT down = toScreen(hwnd(), x, y);
    core_.beginDragOut();
    dragSource_ = true;
    droppedHere_ = false;
    DWORD effect = DROPEFFECT_NONE;
    HRESULT result = data ? DoDragDrop(data, source, DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect) : E_OUTOFMEMORY;
    if (data) data->Release();
    source->Release();
    dragSource_ = false;
    showDropCaret(false);
    bool moved = result == DRAGDROP_S_DROP && (effect & DROPEFFECT_MOVE);
    core_.endDragOut(moved, droppedHere_);
    // A press and release in one place is a click: it clears the selection.
    POINT up;
    GetCursorPos(&up);
    if (!moved && !droppedHere_ && up.x == down.x && up.y == down.y) {
        core_.clearSelection();
        core_.placeCaret(core_.positionFromPoint(x, y));
    }
    droppedHere_ = false;
    scrollRangesChanged();
    InvalidateRect(hwnd(), nullptr, FALSE);
}

// While a drag is over the text its caret is grey: a bitmap caret is drawn
// inverted, so the grey shows on light and dark pixels alike.
void CHEditCtrl::showDropCaret(bool shown) {
    if (shown == dropCaret_) return;
    if (shown) {
        if (!dropCaretBitmap_) {
            HDC screen = GetDC(nullptr);
            HDC memory = CreateCompatibleDC(screen);
            dropCaretBitmap_ = CreateCompatibleBitmap(screen, 2, lineHeight_);
            HGDIOBJ old = SelectObject(memory, dropCaretBitmap_);
            RECT all = {0, 0, 2, lineHeight_};
            HBRUSH grey = CreateSolidBrush(RGB(128, 128, 128));
            FillRect(memory, &all, grey);
            DeleteObject(grey);
            SelectObject(memory, old);
            DeleteDC(memory);
            ReleaseDC(nullptr, screen);
        }
        if (focused_) DestroyCaret();
        CreateCaret(hwnd(), dropCaretBitmap_, 0, 0);
        SetCaretPos(core_.caretX(), core_.caretY());
        ShowCaret(hwnd());
        dropCaret_ = true;
    } else {
        DestroyCaret();
        dropCaret_ = false;
        if (focused_) createCaret();
    }
}

DWORD CHEditCtrl::OnDragEnter(IDataObject* data, DWORD keys, POINT point, DWORD allowed) {
    dropColumnWise_ = offersText(data, columnFormat_);
    dropAcceptable_ = dropColumnWise_ || offersText(data, CF_TEXT);
    if (!dropAcceptable_) return DROPEFFECT_NONE;
    showDropCaret(true);
    return OnDragOver(keys, point, allowed);
}

DWORD CHEditCtrl::OnDragOver(DWORD keys, POINT point, DWORD allowed) {
    if (!dropAcceptable_) return DROPEFFECT_NONE;
    ScreenToClient(hwnd(), &point);
    core_.dragOver(point.x, point.y);
    scrollRangesChanged();
    return chooseEffect(keys, allowed);
}

void CHEditCtrl::OnDragLeave() {
    showDropCaret(false);
    dropAcceptable_ = false;
}

DWORD CHEditCtrl::OnDrop(IDataObject* data, DWORD effect, POINT point) {
    showDropCaret(false);
    bool acceptable = dropAcceptable_;
    dropAcceptable_ = false;
    if (!acceptable || effect == DROPEFFECT_NONE) return DROPEFFECT_NONE;
    std::string text;
    bool columnWise = readText(data, columnFormat_, text);
    if (!columnWise && !readText(data, CF_TEXT, text)) return DROPEFFECT_NONE;
    ScreenToClient(hwnd(), &point);
    std::size_t pos = core_.dropPosition(point.x, point.y);
    // Moved within this control, the deletion of the dragged text follows
    // and undoes with the insertion.
    if (!core_.drop(pos, text, columnWise, dragSource_ && effect == DROPEFFECT_MOVE)) return DROPEFFECT_NONE;
    droppedHere_ = dragSource_;
    scrollRangesChanged();
    return effect;
}
