// File names for opening stored attachments: the attachment is written to
// the temporary folder under its title, and the title is user text that may
// hold separators, device names or characters Windows refuses.  Paths are
// GBK bytes, as the program's file calls take them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace attach {

// MAX_PATH: bytes of a path with its terminating zero; and the longest name
// of one file (255 characters) in bytes, as if each were a single byte.
constexpr std::size_t kMaxPath = 260;
constexpr std::size_t kMaxName = 255;

// `title` as one plain file name of at most kMaxName bytes, never empty:
//  - the characters Windows forbids (control characters, < > : " / \ | ? *)
//    become "_"; a double-byte character stays whole even when its trail
//    byte is "\" or "|"; a lead byte without a valid trail becomes "_";
//  - dots and blanks at the end are dropped (Windows would drop them and
//    could reach another file), and an empty result becomes "附件";
//  - a device name (CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM0-COM9,
//    LPT0-LPT9, in any case, alone or before an extension) gets a "_" in
//    front;
//  - a longer name is shortened as openingPath does.
std::string plainFileName(std::string_view title);

// The file name of `path`: what follows its last separator ("\\" or "/", a
// character of its own, never the trail byte of a double-byte character),
// the whole path when it has none.
std::string fileNameOf(std::string_view path);

// `folder` with a backslash after it unless it ends with a separator.
std::string folderPrefix(std::string_view folder);

// Where an attachment titled `title` is opened in `folder`: the folder and
// plainFileName(title), the name shortened so that the whole path fits in
// kMaxPath bytes.  Shortening keeps the extension (it chooses the program
// that opens the file) and whole double-byte characters.  Empty when the
// folder leaves no room for a name.
std::string openingPath(std::string_view folder, std::string_view title);

// Whether `path` names a plain file (a name plainFileName leaves as it is)
// directly inside `folder`, and fits in kMaxPath bytes.
bool liesInFolder(std::string_view folder, std::string_view path);

}  // namespace attach
