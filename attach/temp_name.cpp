#include "attach/temp_name.h"

#include <algorithm>

#include "text/gbk.h"

namespace attach {

namespace {

constexpr char kEmptyName[] = "附件";

// The bytes GBK allows after a lead byte.
bool isTrailByte(unsigned char c) { return c >= 0x40 && c <= 0xFE && c != 0x7F; }

bool isForbiddenSingle(unsigned char c) {
    return c < 0x20 || std::string_view("<>:\"/\\|?*").find(char(c)) != std::string_view::npos;
}

// The characters of `title` with every forbidden one replaced.
std::string replaceForbidden(std::string_view title) {
    std::string name;
    name.reserve(title.size());
    for (std::size_t i = 0; i < title.size();) {
        if (gbk::charLength(title, i) == 2 && isTrailByte(static_cast<unsigned char>(title[i + 1]))) {
            name.append(title.substr(i, 2));
            i += 2;
            continue;
        }
        unsigned char c = static_cast<unsigned char>(title[i++]);
        name += gbk::isLeadByte(c) || isForbiddenSingle(c) ? '_' : char(c);
    }
    return name;
}

// The longest start of `name` that has at most `limit` bytes and ends at a
// character boundary, as a length.
std::size_t cutPoint(std::string_view name, std::size_t limit) {
    std::size_t end = 0;
    for (std::size_t i = 0; i < name.size();) {
        std::size_t next = i + gbk::charLength(name, i);
        if (next > limit) break;
        end = i = next;
    }
    return end;
}

bool isDeviceName(std::string_view name) {
    std::string base(name.substr(0, name.find('.')));
    base.erase(base.find_last_not_of(' ') + 1);
    for (char& c : base)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
        if (base == device) return true;
    return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
           base[3] >= '0' && base[3] <= '9';
}

// Cuts `name` to at most `room` bytes at a character boundary, keeping its
// extension when that leaves at least one character before it.
std::string shorten(const std::string& name, std::size_t room) {
    if (name.size() <= room) return name;
    std::size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0 && name.size() - dot < room) {
        std::size_t stem = cutPoint(name, room - (name.size() - dot));
        if (stem > 0) return name.substr(0, stem) + name.substr(dot);
    }
    return name.substr(0, cutPoint(name, room));
}

void dropTrailingDotsAndBlanks(std::string& name) { name.erase(name.find_last_not_of(". ") + 1); }

// A name without forbidden characters made plain within `room` bytes (at
// least 1): without trailing dots and blanks, shortened, not empty, not a
// device.  The "_" put before a device name may need one more cut.
std::string finish(std::string name, std::size_t room) {
    for (;;) {
        dropTrailingDotsAndBlanks(name);
        name = shorten(name, room);
        dropTrailingDotsAndBlanks(name);
        if (name.empty()) name = sizeof kEmptyName - 1 <= room ? kEmptyName : "_";
        if (isDeviceName(name)) name.insert(0, 1, '_');
        if (name.size() <= room) return name;
    }
}

}  // namespace

std::string plainFileName(std::string_view title) {
    return finish(replaceForbidden(title), kMaxName);
}

std::string fileNameOf(std::string_view path) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < path.size(); i += gbk::charLength(path, i))
        if (path[i] == '\\' || path[i] == '/') start = i + 1;
    return std::string(path.substr(start));
}

std::string folderPrefix(std::string_view folder) {
    std::size_t last = 0;
    for (std::size_t i = 0; i < folder.size(); i += gbk::charLength(folder, i)) last = i;
    bool endsWithSeparator = !folder.empty() && (folder.substr(last) == "\\" || folder.substr(last) == "/");
    return std::string(folder) + (endsWithSeparator ? "" : "\\");
}

std::string openingPath(std::string_view folder, std::string_view title) {
    std::string prefix = folderPrefix(folder);
    if (prefix.size() + 1 >= kMaxPath) return "";
    return prefix + finish(replaceForbidden(title), std::min(kMaxName, kMaxPath - 1 - prefix.size()));
}

bool liesInFolder(std::string_view folder, std::string_view path) {
    std::string prefix = folderPrefix(folder);
    if (path.size() >= kMaxPath || path.size() <= prefix.size() || path.substr(0, prefix.size()) != prefix)
        return false;
    std::string_view name = path.substr(prefix.size());
    return plainFileName(name) == name;
}

}  // namespace attach
