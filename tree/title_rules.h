// Rules about node titles: extensions, trimming, generated labels and the
// scheme a text takes from its title.  Titles are GBK bytes; "." and blanks
// never occur inside a double-byte character, so bytes are searched directly.
#pragma once

#include <string>

class SchemeList;

// The text after the title's last ".", "" when it has none.
std::string titleExtension(const std::string& title);

// The title up to its last ".", when that "." is not the first character;
// otherwise the whole title.
std::string titleWithoutExtension(const std::string& title);

// The title without blanks (spaces and tabs) at either end.
std::string trimBlanks(const std::string& title);

// The label a new node starts with: "新建文本" (text, type 1) or "新建目录"
// (folder, type 0) followed by its turn in decimal.
std::string newNodeLabel(int type, int turn);

// The scheme of a text titled `title`: with an extension, the first scheme
// listing it (case-insensitive) or -1; without one, `currentSchemeId`.
int schemeForTitle(const SchemeList& schemes, const std::string& title, int currentSchemeId);

// The extension whose system icon shows a text: its own extension, else the
// first extension of its scheme, else "" (a file without extension).
// `hasOwnIcon` is false when the text shows the plain text bitmap instead
// (no extension and scheme -1).
std::string iconExtension(const SchemeList& schemes, const std::string& title, int schemeId, bool& hasOwnIcon);
