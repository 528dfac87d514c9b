#include "skin/skin_rules.h"

#include <algorithm>
#include <cstdio>
#include <unordered_map>

namespace skin {

Fade fadeFromHoverTime(int milliseconds) {
    Fade fade;
    fade.steps = milliseconds > 0 ? milliseconds / kFadeTimerMs : 0;
    // At least one step of opacity, so that a very long HoverTime still ends.
    fade.opacityStep = fade.steps > 0 ? std::max(1, 255 / fade.steps) : 0;
    return fade;
}

int nextFadeOpacity(const Fade& fade, int opacity) {
    if (!fade.fades()) return 255;
    int next = opacity + fade.opacityStep;
    return 255 - next < fade.opacityStep ? 255 : next;
}

std::string idSection(const char* general, int controlId) {
    char name[64];
    std::snprintf(name, sizeof name, "%s.%d", general, controlId);
    return name;
}

std::string buttonSection(const SkinFile& file, int controlId) {
    std::string own = idSection("Button", controlId);
    return file.getString(own, "NormalImg").empty() ? "Button" : own;
}

int tabCtrlInt(const SkinFile& file, int controlId, const char* key) {
    int own = file.getInt(idSection("TabCtrl", controlId), key);
    return own != 0 ? own : file.getInt("TabCtrl", key);
}

std::string toolBarString(const SkinFile& file, int controlId, const char* key) {
    std::string own = file.getString(idSection("ToolBar", controlId), key);
    return own.empty() ? file.getString("ToolBar", key) : own;
}

int toolBarInt(const SkinFile& file, int controlId, const char* key) {
    int own = file.getInt(idSection("ToolBar", controlId), key);
    return own != 0 ? own : file.getInt("ToolBar", key);
}

int toolBarHoverTime(const SkinFile& file, int controlId) {
    int own = file.getInt(idSection("ToolBar", controlId), "HoverTime");
    return fadeFromHoverTime(own).fades() ? own : file.getInt("ToolBar", "HoverTime");
}

Strip stripLayout(int width, int height, int frames) {
    Strip strip;
    if (frames <= 0 || width <= 0 || height <= 0) return strip;
    strip.frameWidth = std::max(0, (width - frames + 1) / frames);
    strip.frameHeight = height;
    return strip;
}

Markers findMarkers(int count, const std::function<bool(int)>& isMarker) {
    Markers m;
    int found = 0;
    for (int i = 0; i < count && found < 2; ++i) {
        if (!isMarker(i)) continue;
        (found == 0 ? m.first : m.second) = i;
        ++found;
    }
    return m;
}

namespace {

// One axis of the grid: the three source spans and the three destination
// spans of a file of `size` pixels with markers at a and b, laid out over
// `length` pixels.  Spans of files without proper markers are clamped to
// the file and the image, so that nothing outside either is ever touched.
struct Axis {
    int srcStart[3], srcLength[3], dstStart[3], dstLength[3];
};

Axis layoutAxis(int size, Markers m, int length) {
    Axis a{};
    int s0 = std::clamp(m.first - 1, 0, size);
    int s1 = std::clamp(m.second - m.first - 2, 0, size);
    int s2 = std::clamp(size - m.second - 1, 0, size);
    a.srcStart[0] = 0;
    a.srcStart[1] = std::clamp(m.first + 1, 0, size);
    a.srcStart[2] = std::clamp(m.second + 1, 0, size);
    a.srcLength[0] = s0;
    a.srcLength[1] = std::min(s1, size - a.srcStart[1]);
    a.srcLength[2] = std::min(s2, size - a.srcStart[2]);
    int first = std::min(s0, length);
    int last = std::min(s2, length - first);
    a.dstStart[0] = 0;
    a.dstLength[0] = first;
    a.dstStart[2] = length - last;
    a.dstLength[2] = last;
    a.dstStart[1] = first;
    a.dstLength[1] = std::max(0, length - first - last);
    return a;
}

}  // namespace

NineGrid nineGridLayout(int fileWidth, int fileHeight, Markers xs, Markers ys, int requestedWidth,
                        int requestedHeight, bool addBorders) {
    NineGrid g;
    g.marginX = std::max(xs.first, fileWidth - xs.second);
    g.marginY = std::max(ys.first, fileHeight - ys.second);
    int width = requestedWidth, height = requestedHeight;
    if (addBorders) {
        width += 2 * g.marginX;
        height += 2 * g.marginY;
    }
    if (width < 2 * g.marginX) width = 2 * g.marginX + 1;
    if (height < 2 * g.marginY) height = 2 * g.marginY + 1;
    g.width = width;
    g.height = height;

    Axis ax = layoutAxis(fileWidth, xs, width);
    Axis ay = layoutAxis(fileHeight, ys, height);
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            int i = row * 3 + col;
            g.source[i] = {ax.srcStart[col], ay.srcStart[row], ax.srcLength[col], ay.srcLength[row]};
            g.dest[i] = {ax.dstStart[col], ay.dstStart[row], ax.dstLength[col], ay.dstLength[row]};
        }
    }
    return g;
}

SkinKind chooseSkin(std::string_view className, std::string_view parentClass) {
    // The edit and list parts of combo boxes and the search box's edit
    // field keep their own look.
    if (parentClass == "ComboBox" || parentClass == "jexSearchBox") return SkinKind::None;
    static const std::unordered_map<std::string_view, SkinKind> byClass = {
        {"Button", SkinKind::Button},
        {"Edit", SkinKind::Edit},
        {"#32770", SkinKind::Dialog},
        {"#32768", SkinKind::None},  // menus
        {"ComboBox", SkinKind::ComboBox},
        {"ToolbarWindow32", SkinKind::ToolBar},
        {"SysTabControl32", SkinKind::TabCtrl},
        {"msctls_updown32", SkinKind::SpinButton},
        {"SysListView32", SkinKind::None},
        {"SysHeader32", SkinKind::HeaderCtrl},
        {"msctls_statusbar32", SkinKind::StatusBar},
        {"SysTreeView32", SkinKind::TreeView},
        {"jexSearchBox", SkinKind::SearchBox},
        {"jexNavCtrl", SkinKind::NavCtrl},
        {"AfxMDIFrame42d", SkinKind::FrameWnd},
        {"AfxMDIFrame42", SkinKind::FrameWnd},
    };
    auto it = byClass.find(className);
    if (it != byClass.end()) return it->second;
    // The program's frame windows and views: their classes begin with "Afx:".
    if (className.substr(0, 4) == "Afx:") return SkinKind::FrameWnd;
    return SkinKind::None;
}

}  // namespace skin
