// The rules of the options dialog that need no window: what its pages
// accept, which list entry a setting selects, the order of its lists, the
// database file a path names, and writing the settings to config.ini so
// that a failed write leaves the old settings in force.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "views/settings.h"

namespace options {

// The pages in navigation order.
enum Page { kBasicPage, kSyntaxPage, kDataPage, kUpdatePage, kAboutPage, kPageCount };

// The sizes the basic page offers, in points, in this order.
inline constexpr int kFontSizes[] = {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48};

inline const char kMinutesInvalid[] = "输入数字不合法，只能输入1~60以内的数字！";
inline const char kDaysInvalid[] = "输入数字不合法，只能输入1~30以内的数字！";
inline const char kNoFace[] = "请设置字体！";
inline const char kNoSize[] = "请设置字体大小！";
inline const char kNoScheme[] = "请设置默认语法！";
inline const char kBadDatabasePath[] = "数据库文件路径不合法，请重新设置！";
inline const char kConfigNotWritten[] = "无法写入配置文件config.ini，设置未保存！";

// The largest font size the basic page accepts, in points.
inline constexpr int kMaxFontSize = 1000;

// Settings as config.ini gave them, brought within what the program can
// use (the file is edited by hand too): AutoSaveTime over 60 minutes is
// taken as 60 (its milliseconds would overflow the timer's interval) and
// below 0 as off; a FontSize outside 1..kMaxFontSize as not set; CheckDay
// below 0 as off.  Nothing is written back: the file changes only when the
// user saves the options.
Settings settingsInRange(Settings loaded);

// The decimal number `text` holds when it lies in lo..hi; none for an empty
// text, any other character, or a number out of range (however long).
std::optional<int> numberInRange(std::string_view text, int lo, int hi);

// Equal without regard to the case of ASCII letters.  Text is walked by
// GBK characters, so the trail byte of a Chinese character (which may look
// like a letter) is compared exactly.
bool equalsNoCase(std::string_view a, std::string_view b);

// The entry equal to `name` (without regard to case), the first such in
// list order; -1 when there is none or `name` is empty.
int findExact(const std::vector<std::string>& list, std::string_view name);

// A combo box's list: sorted without regard to case (ties by their bytes),
// one entry per name (names differing only in case count as one).
std::vector<std::string> sortedNames(std::vector<std::string> names);

// The basic page's face list from the families a screen reports: empty
// names and the vertical "@" variants left out, then sorted as above.
std::vector<std::string> faceList(std::vector<std::string> families);

// What a path names on disk.
enum class PathKind { Missing, File, Folder };
using PathProbe = std::function<PathKind(const std::string& path)>;

// The database file the data page's text names: an existing file as it
// stands; a folder only when it holds "srcdata.db", which is then the
// file; none for anything else.
std::optional<std::string> databaseFile(const std::string& text, const PathProbe& probe);

// What the pages hold when Apply or OK is pressed.
struct Form {
    // basic
    bool singleTab = false;
    bool autoSave = false;
    std::string minutes;
    std::string face;  // the selected face, "" when none
    std::string size;  // the selected size, "" when none
    // syntax
    std::string scheme;  // the selected scheme name, "" when none
    // data
    std::string databasePath;
    // update
    bool checkUpdates = false;
    std::string days;
};

// The outcome of checking every page in navigation order: the first page
// that fails with its message, or the settings the form gives.
struct Review {
    int failedPage = -1;
    const char* message = nullptr;
    Settings settings;
    bool ok() const { return failedPage < 0; }
};
// `current` supplies what the form does not change.
Review review(const Form& form, const Settings& current, const PathProbe& probe);

// config.ini as the dialog writes it: one value at a time, false on failure.
using ValueWriter = std::function<bool(const char* section, const char* key, const std::string& value)>;

// Writes every value the dialog edits, page by page.  When a write fails
// the values already written are put back as `previous` had them (as far as
// the file lets) and the result is false: the caller keeps `previous`.
bool writeSettings(const Settings& next, const Settings& previous, const ValueWriter& write);

}  // namespace options
