#include "update/update_info.h"

#include <cctype>

#include "text/gbk.h"

namespace update {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// At most `limit` bytes, ending on a character boundary.
std::string cut(std::string_view value, std::size_t limit) {
    std::size_t end = 0;
    while (end < value.size()) {
        std::size_t next = end + gbk::charLength(value, end);
        if (next > limit) break;
        end = next;
    }
    return std::string(value.substr(0, end));
}

std::string_view unquoted(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

}  // namespace

UpdateInfo parseUpdateInfo(std::string_view file) {
    if (file.substr(0, 3) == "\xEF\xBB\xBF") file.remove_prefix(3);
    struct Key {
        const char* name;
        std::string UpdateInfo::*field;
        std::size_t limit;
        bool seen;
    } keys[] = {
        {"version", &UpdateInfo::version, 511, false}, {"size", &UpdateInfo::size, 511, false},
        {"update", &UpdateInfo::notes, 2047, false},   {"url", &UpdateInfo::url, 511, false},
        {"sha256", &UpdateInfo::sha256, 511, false},
    };
    UpdateInfo info;
    enum { before, inside, after } state = before;
    while (!file.empty() && state != after) {
        std::size_t end = file.find('\n');
        std::string_view line = trimmed(file.substr(0, end));
        file.remove_prefix(end == std::string_view::npos ? file.size() : end + 1);
        if (!line.empty() && line.front() == '[') {
            std::size_t close = line.find(']');
            std::string_view name = trimmed(line.substr(1, close == std::string_view::npos ? line.size() - 1 : close - 1));
            bool ours = equalsIgnoringCase(name, "info");
            if (state == inside && !ours) state = after;
            else if (ours) state = inside;
            continue;
        }
        std::size_t equals = line.find('=');
        if (state != inside || equals == std::string_view::npos) continue;
        std::string_view name = trimmed(line.substr(0, equals));
        for (Key& key : keys) {
            if (key.seen || !equalsIgnoringCase(name, key.name)) continue;
            key.seen = true;
            info.*key.field = cut(unquoted(trimmed(line.substr(equals + 1))), key.limit);
        }
    }
    return info;
}

std::string expandEscapes(std::string_view notes) {
    std::string out;
    out.reserve(notes.size());
    for (std::size_t i = 0; i < notes.size();) {
        std::size_t length = gbk::charLength(notes, i);
        if (length == 1 && notes[i] == '\\' && i + 1 < notes.size()) {
            char c = notes[i + 1];
            if (c == 'r' || c == 'n' || c == 't') {
                out += c == 'r' ? '\r' : c == 'n' ? '\n' : '\t';
                i += 2;
                continue;
            }
        }
        out.append(notes.substr(i, length));
        i += length;
    }
    return out;
}

std::string fileNameOfUrl(std::string_view url, const std::string& fallback) {
    std::size_t stop = url.find_first_of("?#");
    if (stop != std::string_view::npos) url = url.substr(0, stop);
    std::size_t scheme = url.find("://");
    if (scheme != std::string_view::npos) {
        url.remove_prefix(scheme + 3);
        std::size_t path = url.find('/');
        url = path == std::string_view::npos ? std::string_view() : url.substr(path);
    }
    std::size_t slash = url.rfind('/');
    std::string_view name = slash == std::string_view::npos ? url : url.substr(slash + 1);
    if (name.empty() || name == "." || name == ".." || name.find_first_of("\\:*\"<>|%") != std::string_view::npos)
        return fallback;
    for (char c : name)
        if (static_cast<unsigned char>(c) < 0x20) return fallback;
    return std::string(name);
}

ResultCode checkResult(bool downloaded, int httpStatus, const std::string& offered, const std::string& running) {
    if (!downloaded || httpStatus != 200 || offered.empty()) return kResultFailed;
    return offered == running ? kResultSame : kResultDifferent;
}

}  // namespace update
