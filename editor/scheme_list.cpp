#include "editor/scheme_list.h"

#include <algorithm>
#include <utility>

namespace {

// Case folding of ASCII letters only: extensions are compared byte by byte
// and a GBK lead or trail byte must never be changed.
char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool sameIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (asciiLower(a[i]) != asciiLower(b[i])) return false;
    return true;
}

}  // namespace

bool SchemeList::add(SchemeEntry entry) {
    if (byId(entry.id)) return false;
    entries_.push_back(std::move(entry));
    return true;
}

const SchemeEntry* SchemeList::byId(int id) const {
    auto it = std::find_if(entries_.begin(), entries_.end(), [id](const SchemeEntry& e) { return e.id == id; });
    return it == entries_.end() ? nullptr : &*it;
}

const SchemeEntry* SchemeList::byName(const std::string& name) const {
    auto it = std::find_if(entries_.begin(), entries_.end(), [&name](const SchemeEntry& e) { return e.name == name; });
    return it == entries_.end() ? nullptr : &*it;
}

const SchemeEntry* SchemeList::byExtension(const std::string& extension) const {
    for (const SchemeEntry& e : entries_)
        for (const std::string& ext : e.extensions)
            if (sameIgnoringCase(ext, extension)) return &e;
    return nullptr;
}
