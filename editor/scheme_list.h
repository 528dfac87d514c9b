// The syntax schemes found at start-up (one per Syntax\*.xml file), in the
// order the files were found.  Read by the tree, the code view and the
// options dialog.
#pragma once

#include <string>
#include <vector>

struct SchemeEntry {
    int id = 0;
    std::string name;                     // the scheme's NAME
    std::string path;                     // full path of its file
    std::vector<std::string> extensions;  // file extensions, without the dot
};

class SchemeList {
public:
    void clear() { entries_.clear(); }
    // Adds an entry; an entry whose id is already listed is skipped (false).
    bool add(SchemeEntry entry);

    const std::vector<SchemeEntry>& entries() const { return entries_; }
    bool empty() const { return entries_.empty(); }

    const SchemeEntry* byId(int id) const;
    const SchemeEntry* byName(const std::string& name) const;
    // The first entry, in list order, that lists `extension`, compared
    // without regard to case; null when none does.
    const SchemeEntry* byExtension(const std::string& extension) const;

private:
    std::vector<SchemeEntry> entries_;
};
