// LIKE for titles in GBK.  The engine's own LIKE reads text as UTF-8: the
// trail byte of a double-byte character can match an ASCII letter, and a
// lead byte from 0xC0 swallows the next character's bytes, so that some
// Chinese words are not found.  This one walks characters by the code
// page's rules.
#pragma once

#include <string_view>

struct sqlite3;

namespace store {

// Whether `text` matches `pattern` as SQL's LIKE: "%" stands for any run of
// characters, "_" for one character of one or two bytes, every other
// character for itself, with A-Z and a-z alike as single bytes (never as the
// trail of a double-byte character, which is compared exactly).  Both are
// walked from their start, so matches begin and end at character
// boundaries.  `escape`, when not empty, is one character that makes the
// character after it stand for itself; an escape at the pattern's end
// matches nothing.
bool gbkLike(std::string_view pattern, std::string_view text, std::string_view escape = {});

// Registers like(pattern, text) and like(pattern, text, escape) on `db` in
// place of the engine's, for the LIKE operator (the engine passes the
// pattern first).  A NULL argument gives NULL; an escape that is not one
// character, or a pattern longer than the connection's limit for LIKE
// patterns, is an error as with the engine's LIKE.  Returns an SQLite
// result code.
int registerGbkLike(sqlite3* db);

}  // namespace store
