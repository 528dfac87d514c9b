#include "options/options_core.h"

#include <algorithm>

#include "text/gbk.h"

namespace options {

namespace {

char foldAscii(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

// <0, 0 or >0 as `a` sorts before, with or after `b`, ASCII letters
// folded to lower case outside double-byte characters.
int compareNoCase(std::string_view a, std::string_view b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        std::size_t la = gbk::charLength(a, i), lb = gbk::charLength(b, j);
        for (std::size_t k = 0; k < std::min(la, lb); ++k) {
            unsigned char ca = static_cast<unsigned char>(la == 1 ? foldAscii(a[i + k]) : a[i + k]);
            unsigned char cb = static_cast<unsigned char>(lb == 1 ? foldAscii(b[j + k]) : b[j + k]);
            if (ca != cb) return ca < cb ? -1 : 1;
        }
        if (la != lb) return la < lb ? -1 : 1;  // same first byte: the single sorts first
        i += la;
        j += lb;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}

bool endsWithBackslash(const std::string& path) {
    bool last = false;
    for (std::size_t i = 0; i < path.size(); i += gbk::charLength(path, i)) last = path[i] == '\\' && gbk::charLength(path, i) == 1;
    return last;
}

}  // namespace

Settings settingsInRange(Settings s) {
    s.autoSaveTime = std::clamp(s.autoSaveTime, 0, 60);
    if (s.fontSize < 0 || s.fontSize > kMaxFontSize) s.fontSize = 0;
    if (s.checkDay < 0) s.checkDay = 0;
    return s;
}

std::optional<int> numberInRange(std::string_view text, int lo, int hi) {
    if (text.empty()) return std::nullopt;
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > hi) return std::nullopt;  // also keeps a long text from overflowing
    }
    if (value < lo) return std::nullopt;
    return int(value);
}

bool equalsNoCase(std::string_view a, std::string_view b) { return a.size() == b.size() && compareNoCase(a, b) == 0; }

int findExact(const std::vector<std::string>& list, std::string_view name) {
    if (name.empty()) return -1;
    for (std::size_t i = 0; i < list.size(); ++i)
        if (equalsNoCase(list[i], name)) return int(i);
    return -1;
}

std::vector<std::string> sortedNames(std::vector<std::string> names) {
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        int order = compareNoCase(a, b);
        return order != 0 ? order < 0 : a < b;
    });
    names.erase(std::unique(names.begin(), names.end(), equalsNoCase), names.end());
    return names;
}

std::vector<std::string> faceList(std::vector<std::string> families) {
    families.erase(std::remove_if(families.begin(), families.end(),
                                  [](const std::string& f) { return f.empty() || f[0] == '@'; }),
                   families.end());
    return sortedNames(std::move(families));
}

std::optional<std::string> databaseFile(const std::string& text, const PathProbe& probe) {
    if (text.empty()) return std::nullopt;
    switch (probe(text)) {
    case PathKind::File:
        return text;
    case PathKind::Folder: {
        std::string file = text + (endsWithBackslash(text) ? "" : "\\") + "srcdata.db";
        if (probe(file) == PathKind::File) return file;
        return std::nullopt;
    }
    case PathKind::Missing:
        break;
    }
    return std::nullopt;
}

Review review(const Form& form, const Settings& current, const PathProbe& probe) {
    Review r;
    auto fail = [&r](int page, const char* message) {
        r.failedPage = page;
        r.message = message;
        return r;
    };
    Settings& s = r.settings;
    s = current;

    std::optional<int> minutes = numberInRange(form.minutes, 1, 60);
    if (form.autoSave && !minutes) return fail(kBasicPage, kMinutesInvalid);
    if (form.face.empty()) return fail(kBasicPage, kNoFace);
    std::optional<int> size = numberInRange(form.size, 1, kMaxFontSize);
    if (!size) return fail(kBasicPage, kNoSize);
    s.codeTab = form.singleTab ? 1 : 0;
    s.autoSaveTime = form.autoSave ? *minutes : 0;
    s.faceName = form.face;
    s.fontSize = *size;

    if (form.scheme.empty()) return fail(kSyntaxPage, kNoScheme);
    s.defSyntex = form.scheme;

    std::optional<std::string> database = databaseFile(form.databasePath, probe);
    if (!database) return fail(kDataPage, kBadDatabasePath);
    s.databasePath = *database;

    std::optional<int> days = numberInRange(form.days, 1, 30);
    if (form.checkUpdates && !days) return fail(kUpdatePage, kDaysInvalid);
    s.checkDay = form.checkUpdates ? *days : 0;
    return r;
}

bool writeSettings(const Settings& next, const Settings& previous, const ValueWriter& write) {
    struct Value {
        const char* section;
        const char* key;
        std::string next;
        std::string previous;
    };
    const Value values[] = {
        {cfg::kBasic, cfg::kCodeTab, std::to_string(next.codeTab), std::to_string(previous.codeTab)},
        {cfg::kBasic, cfg::kAutoSaveTime, std::to_string(next.autoSaveTime), std::to_string(previous.autoSaveTime)},
        {cfg::kBasic, cfg::kFaceName, next.faceName, previous.faceName},
        {cfg::kBasic, cfg::kFontSize, std::to_string(next.fontSize), std::to_string(previous.fontSize)},
        {cfg::kSyntex, cfg::kDefSyntex, next.defSyntex, previous.defSyntex},
        {cfg::kDbm, cfg::kWorkPath, next.databasePath, previous.databasePath},
        {cfg::kUpdate, cfg::kCheckDay, std::to_string(next.checkDay), std::to_string(previous.checkDay)},
    };
    for (std::size_t i = 0; i < std::size(values); ++i) {
        if (write(values[i].section, values[i].key, values[i].next)) continue;
        for (std::size_t k = 0; k < i; ++k) write(values[k].section, values[k].key, values[k].previous);
        return false;
    }
    return true;
}

}  // namespace options
