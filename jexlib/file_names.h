// Names of the files and folders an exported library is written as.  Node
// and attachment titles are GBK and may hold anything; the names on disk are
// UTF-8 (the form std::filesystem takes on every system), acceptable to
// Windows and to POSIX systems, short enough for both, and unique within
// their folder even where the file system ignores case.
#pragma once

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace jexlib {

// The longest name, in GBK bytes, given to a title before numbering and the
// derived names' endings: room for those within every system's limit of 255
// bytes (a GBK character takes three in UTF-8).
constexpr std::size_t kNameBytes = 80;

// A name for `title` on disk, in UTF-8: the characters Windows forbids as
// "_", device names and dots or blanks at the end dealt with as for an
// attachment opened from the temporary folder, shortened to kNameBytes
// (whole characters, extension kept), characters without a code point as
// "_".  A title that leaves nothing (empty, only dots or blanks) is "_".
std::string fileNameFor(std::string_view title);

// `name` with " (n)" added, before its extension when `beforeExtension`
// (a file: "main (2).cpp"), else at the end (a folder: "v1.2 (2)").
std::string numberedName(const std::string& name, int n, bool beforeExtension);

// The key two names share when a file system that ignores case would take
// them for one: letters folded (ASCII, Latin-1, Greek, Cyrillic, full-width
// forms, Roman numerals).
std::string foldedName(std::string_view utf8);

// The names taken in one folder.
class NameSpace {
public:
    // Reserves every name of `names` when none of them is taken yet (as
    // folded names); false, reserving nothing, otherwise.
    bool take(const std::vector<std::string>& names);
    bool taken(const std::string& name) const { return taken_.count(foldedName(name)) != 0; }

private:
    std::unordered_set<std::string> taken_;
};

}  // namespace jexlib
