// The skin library's rules that need no window: what a skin file's values
// mean (fades, per-identifier sections), how image files are cut into strip
// frames and nine-grid pieces, and which skin a window class gets.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>

namespace skin {

// --- fades --------------------------------------------------------------------

// A HoverTime in milliseconds as timer steps of 25 ms: each step raises
// (or lowers) the opacity of the new (old) look by `opacityStep`.  Fewer
// than 25 ms means no fade: `steps` and `opacityStep` are 0.
struct Fade {
    int steps = 0;
    int opacityStep = 0;
    bool fades() const { return steps > 0; }
};
constexpr int kFadeTimerMs = 25;
Fade fadeFromHoverTime(int milliseconds);
// The opacity of the look a fade brings in after one more step.  The step
// that would leave less than a whole step to go lands on 255, so that a fade
// from 0 ends on the new look exactly, after `steps` ticks (up to 15 steps;
// beyond, the rounded step adds a tick or a few).  Without a fade: 255.
int nextFadeOpacity(const Fade& fade, int opacity);

// --- the skin file ------------------------------------------------------------

// A skin file's values as the profile functions read them: a missing
// section or key gives the default; strings are cut to 259 bytes.
class SkinFile {
public:
    virtual ~SkinFile() = default;
    virtual std::string getString(const std::string& section, const char* key) const = 0;
    virtual int getInt(const std::string& section, const char* key) const = 0;
};

// "Button.1001" and the like: the section of one control identifier.
std::string idSection(const char* general, int controlId);

// Buttons: the identifier's section serves all keys when its NormalImg is
// set; otherwise the general section "Button" serves all of them.
std::string buttonSection(const SkinFile& file, int controlId);
// Tab controls: an integer of the identifier's section, or the general
// section's when that gives 0.
int tabCtrlInt(const SkinFile& file, int controlId, const char* key);
// Toolbars: strings of the identifier's section, or the general section's
// when empty; integers likewise when 0.  HoverTime falls back when it gives
// no fade steps.
std::string toolBarString(const SkinFile& file, int controlId, const char* key);
int toolBarInt(const SkinFile& file, int controlId, const char* key);
int toolBarHoverTime(const SkinFile& file, int controlId);

// --- image layout ---------------------------------------------------------------

// A strip of `frames` looks side by side, separated by one-pixel gap
// columns: frame k starts at x = k * (frameWidth + 1).
struct Strip {
    int frameWidth = 0;
    int frameHeight = 0;
    int frameX(int k) const { return k * (frameWidth + 1); }
};
Strip stripLayout(int width, int height, int frames);

// The marker positions of a nine-grid file: the first two pixels of row 0
// (x1, x2) and of column 0 (y1, y2) in the marker colour; 0 when missing.
struct Markers {
    int first = 0;
    int second = 0;
};
// Scans `count` pixels and keeps the first two for which isMarker is true.
Markers findMarkers(int count, const std::function<bool(int)>& isMarker);

struct Rect {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const Rect& o) const { return x == o.x && y == o.y && width == o.width && height == o.height; }
};

// A nine-grid file of width x height with its markers, laid out at a
// requested size: the size it really gets (never less than twice a margin
// plus one; with `addBorders`, twice the margins larger), the margins (the
// thicker border of each axis) and the nine pieces, row by row from the top
// left, as source rectangles in the file and destination rectangles in the
// new image.  The marker row and column and the row and column before each
// marker are never drawn.
struct NineGrid {
    int width = 0;
    int height = 0;
    int marginX = 0;
    int marginY = 0;
    std::array<Rect, 9> source;
    std::array<Rect, 9> dest;
};
NineGrid nineGridLayout(int fileWidth, int fileHeight, Markers xs, Markers ys, int requestedWidth,
                        int requestedHeight, bool addBorders);

// --- which skin a window gets ---------------------------------------------------

enum class SkinKind {
    None,
    Button,
    Edit,
    Dialog,
    ComboBox,
    ToolBar,
    TabCtrl,
    SpinButton,
    HeaderCtrl,
    StatusBar,
    TreeView,
    SearchBox,
    NavCtrl,
    FrameWnd,
};

// The skin for a window of class `className` whose parent (if any) has
// class `parentClass` ("" without a parent).  Class names compare exactly.
SkinKind chooseSkin(std::string_view className, std::string_view parentClass);

}  // namespace skin
