#include "app/native_page.h"

#include <shellapi.h>

#include <algorithm>

#include "text/gbk.h"

namespace {

const char kClassName[] = "Afx:jexmarlo:Page";

// The page's style sheet in pixels and colours.
constexpr int kMarginTop = 16, kMarginSide = 20;
constexpr int kHeadingGap = 10;     // below the heading
constexpr int kLineGap = 6;         // below each contact line
constexpr int kLogoGap = 40;        // between the contact lines and the logo
constexpr int kListHeadingGap = 14; // above the feature heading
constexpr int kListGap = 6;         // between the feature heading and the list
constexpr int kListPadding = 6, kListIndent = 17 + 12, kItemHeight = 22;
const COLORREF kLinkColour = RGB(0, 0, 255), kHoverColour = RGB(0xFF, 0xCC, 0x00);
const COLORREF kVersionColour = RGB(0x66, 0x66, 0x66), kListBackground = RGB(0xD1, 0xE9, 0xE9);
const COLORREF kListBorder = RGB(0x99, 0x99, 0x99);

// A font of the page: `pixels` high, GDI object released with the object.
class Font {
public:
    Font(int pixels, bool bold, bool underline)
        : font_(CreateFontA(-pixels, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, underline, FALSE, DEFAULT_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "MS Shell Dlg")) {}
    ~Font() { DeleteObject(font_); }
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;
    operator HFONT() const { return font_; }

private:
    HFONT font_;
};

SIZE textSize(HDC dc, const std::string& text) {
    SIZE size = {0, 0};
    GetTextExtentPoint32A(dc, text.c_str(), int(text.size()), &size);
    return size;
}

int drawText(HDC dc, int x, int y, const std::string& text) {
    TextOutA(dc, x, y, text.c_str(), int(text.size()));
    return x + textSize(dc, text).cx;
}

Microsoft::WRL::ComPtr<IPicture> loadPicture(const std::string& bytes) {
    Microsoft::WRL::ComPtr<IPicture> picture;
    if (bytes.empty()) return picture;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!memory) return picture;
    if (void* p = GlobalLock(memory)) {
        CopyMemory(p, bytes.data(), bytes.size());
        GlobalUnlock(memory);
    }
    Microsoft::WRL::ComPtr<IStream> stream;
    if (FAILED(CreateStreamOnHGlobal(memory, TRUE, &stream))) {
        GlobalFree(memory);
        return picture;
    }
    OleLoadPicture(stream.Get(), LONG(bytes.size()), FALSE, IID_PPV_ARGS(&picture));
    return picture;
}

}  // namespace

std::vector<std::string> wrapText(HDC dc, const std::string& text, int width) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        INT fit = 0;
        SIZE size;
        std::string rest = text.substr(start);
        GetTextExtentExPointA(dc, rest.c_str(), int(rest.size()), std::max(width, 1), &fit, nullptr, &size);
        if (std::size_t(fit) >= rest.size()) {
            lines.push_back(rest);
            break;
        }
        // The last character boundary within the fitting bytes, and the
        // last place there a line may end.
        std::size_t boundary = 0, breakAt = 0;
        for (std::size_t i = 0; i < rest.size();) {
            std::size_t next = i + gbk::charLength(rest, i);
            if (next > std::size_t(fit)) break;
            bool wide = next - i == 2;
            bool nextWide = next < rest.size() && gbk::isLeadByte(rest[next]);
            if (wide || nextWide || rest[i] == ' ' || next == rest.size()) breakAt = next;
            boundary = next;
            i = next;
        }
        if (boundary == 0)  // not even one character fits: it takes the line alone
            boundary = gbk::charLength(rest, 0);
        std::size_t take = breakAt ? breakAt : boundary;
        std::string line = rest.substr(0, take);
        while (!line.empty() && line.back() == ' ') line.pop_back();
        lines.push_back(line);
        start += take;
        while (start < text.size() && text[start] == ' ') ++start;
    }
    return lines;
}

bool CNativePage::create(HWND parent, int id, const RECT& area, PageContent content, const std::string& logo) {
    content_ = std::move(content);
    logo_ = loadPicture(logo);
    registerClass(kClassName, 0, nullptr, nullptr, nullptr);
    return fw::Wnd::create(0, kClassName, "", WS_CHILD | WS_VISIBLE, area.left, area.top, area.right - area.left,
                           area.bottom - area.top, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
}

void CNativePage::paint(HDC dc) {
    RECT client;
    GetClientRect(hwnd(), &client);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SetBkMode(dc, TRANSPARENT);
    links_.clear();

    Font heading(15, true, false), text(13, false, false), bold(13, true, false), hoverLink(13, false, true);
    HGDIOBJ oldFont = SelectObject(dc, heading);
    const int x = kMarginSide;
    int y = kMarginTop;

    // Heading: the title, then the version in the text size.
    SetTextColor(dc, RGB(0, 0, 0));
    int versionX = drawText(dc, x, y, content_.title + " ");
    int headingHeight = textSize(dc, content_.title).cy;
    SelectObject(dc, text);
    SetTextColor(dc, kVersionColour);
    drawText(dc, versionX, y + headingHeight - textSize(dc, content_.version).cy, content_.version);
    y += headingHeight + kHeadingGap;

    // Contact lines, each a label and a link; the logo to their right.
    const int contactTop = y;
    int contactRight = x;
    for (const PageLink& contact : content_.contacts) {
        SelectObject(dc, text);
        SetTextColor(dc, RGB(0, 0, 0));
        int linkX = drawText(dc, x, y, contact.label);
        bool hovered = hover_ == int(links_.size());
        SelectObject(dc, hovered ? static_cast<HFONT>(hoverLink) : static_cast<HFONT>(text));
        SetTextColor(dc, hovered ? kHoverColour : kLinkColour);
        SIZE size = textSize(dc, contact.text);
        drawText(dc, linkX, y, contact.text);
        links_.push_back({{linkX, y, linkX + size.cx, y + size.cy}, contact.href});
        contactRight = std::max(contactRight, int(linkX + size.cx));
        y += size.cy + kLineGap;
    }
    if (logo_) {
        OLE_XSIZE_HIMETRIC width = 0;
        OLE_YSIZE_HIMETRIC height = 0;
        logo_->get_Width(&width);
        logo_->get_Height(&height);
        int pixelsX = MulDiv(width, GetDeviceCaps(dc, LOGPIXELSX), 2540);
        int pixelsY = MulDiv(height, GetDeviceCaps(dc, LOGPIXELSY), 2540);
        logo_->Render(dc, contactRight + kLogoGap, contactTop, pixelsX, pixelsY, 0, height, width, -height, nullptr);
        y = std::max(y, contactTop + pixelsY);
    }

    // The feature heading and list: square bullets on a pale band in a dashed frame.
    if (!content_.features.empty()) {
        y += kListHeadingGap;
        SelectObject(dc, bold);
        SetTextColor(dc, RGB(0, 0, 0));
        drawText(dc, x, y, content_.featuresHeading);
        y += textSize(dc, content_.featuresHeading).cy + kListGap;

        SelectObject(dc, text);
        const int right = std::max(LONG(x + 200), client.right - kMarginSide);
        const int textX = x + 1 + kListIndent;
        std::vector<std::vector<std::string>> items;
        int lineCount = 0;
        for (const std::string& feature : content_.features) {
            items.push_back(wrapText(dc, feature, right - 1 - kListPadding - textX));
            lineCount += int(items.back().size());
        }
        RECT band = {x, y, right, y + 2 * kListPadding + kItemHeight * lineCount + 2};
        HBRUSH background = CreateSolidBrush(kListBackground);
        FillRect(dc, &band, background);
        DeleteObject(background);
        HPEN dashed = CreatePen(PS_DASH, 1, kListBorder);
        HGDIOBJ oldPen = SelectObject(dc, dashed);
        HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
        Rectangle(dc, band.left, band.top, band.right, band.bottom);
        SelectObject(dc, oldBrush);
        SelectObject(dc, oldPen);
        DeleteObject(dashed);

        int itemY = band.top + 1 + kListPadding;
        for (const auto& lines : items) {
            RECT bullet = {textX - 11, itemY + kItemHeight / 2 - 2, textX - 6, itemY + kItemHeight / 2 + 3};
            FillRect(dc, &bullet, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
            for (const std::string& line : lines) {
                drawText(dc, textX, itemY + (kItemHeight - textSize(dc, line).cy) / 2, line);
                itemY += kItemHeight;
            }
        }
    }
    SelectObject(dc, oldFont);
}

int CNativePage::linkAt(POINT p) const {
    for (std::size_t i = 0; i < links_.size(); ++i)
        if (PtInRect(&links_[i].area, p)) return int(i);
    return -1;
}

void CNativePage::setHover(int link) {
    if (link == hover_) return;
    hover_ = link;
    InvalidateRect(hwnd(), nullptr, FALSE);
}

LRESULT CNativePage::windowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        // Drawn off screen and copied in one piece, so hovering does not flicker.
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd(), &ps);
        RECT client;
        GetClientRect(hwnd(), &client);
        HDC memory = CreateCompatibleDC(dc);
        HBITMAP bitmap = CreateCompatibleBitmap(dc, std::max(1L, client.right), std::max(1L, client.bottom));
        HGDIOBJ old = SelectObject(memory, bitmap);
        paint(memory);
        BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
        SelectObject(memory, old);
        DeleteObject(bitmap);
        DeleteDC(memory);
        EndPaint(hwnd(), &ps);
        return 0;
    }
    case WM_SIZE:
        InvalidateRect(hwnd(), nullptr, FALSE);
        return 0;
    case WM_MOUSEMOVE: {
        TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, hwnd(), 0};
        TrackMouseEvent(&track);
        setHover(linkAt({short(LOWORD(lParam)), short(HIWORD(lParam))}));
        return 0;
    }
    case WM_MOUSELEAVE:
        setHover(-1);
        return 0;
    case WM_SETCURSOR:
        SetCursor(LoadCursor(nullptr, hover_ >= 0 ? IDC_HAND : IDC_ARROW));
        return TRUE;
    case WM_LBUTTONUP: {
        // Links open in a new window: the shell's browser or mail program.
        int link = linkAt({short(LOWORD(lParam)), short(HIWORD(lParam))});
        if (link >= 0)
            ShellExecuteA(hwnd(), "open", links_[std::size_t(link)].target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        return 0;
    }
    default:
        break;
    }
    return defaultProc(msg, wParam, lParam);
}
