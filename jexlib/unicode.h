// Between the library's GBK text and Unicode: UTF-8 for files and terminals
// on other systems, UTF-16 for Windows file names and command lines.
//
// A GBK character converts when the code page gives it a code point: the
// ASCII bytes, the euro sign 0x80 and the two-byte codes of the table.
// Lone lead bytes, codes without a character, 0xFF and user-defined codes do
// not; each conversion says what it does with them.  Converting a character
// to Unicode and back gives its bytes again.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace jexlib {

// The code point of the GBK character of `length` (1 or 2) bytes at `c`, or
// -1 when it has none.
long gbkCodePoint(const unsigned char* c, std::size_t length);

// The GBK bytes of `codePoint` (1 or 2 appended to `out`); false when GBK
// cannot hold it.
bool appendGbk(std::string& out, long codePoint);

void appendUtf8(std::string& out, long codePoint);

// Reads one UTF-8 sequence at `i`: its length, with the code point in
// `codePoint`; 0 when the bytes there are not well-formed UTF-8 (overlong
// forms, surrogates and values above U+10FFFF included).
std::size_t readUtf8(std::string_view text, std::size_t i, long& codePoint);

bool isUtf8(std::string_view text);

// The whole of `gbk` in UTF-8; false (with `out` incomplete) when some
// character has no code point.
bool gbkToUtf8(std::string_view gbk, std::string& out);

// `gbk` in UTF-8 for people to read: a character without a code point shows
// as U+FFFD.
std::string readableUtf8(std::string_view gbk);

// A character of UTF-8 input that GBK cannot hold.
struct Unheld {
    std::size_t line;  // from 1
    long codePoint;
};

// `utf8` (well-formed) in GBK.  Characters GBK cannot hold become "?" and
// are listed in `unheld`; the result is true when there were none.
bool utf8ToGbk(std::string_view utf8, std::string& out, std::vector<Unheld>& unheld);

// "U+1F600" and the character itself, for messages.
std::string describeCodePoint(long codePoint);

// Between UTF-8 and the platform's wide strings (UTF-16 on Windows, UTF-32
// elsewhere).  Ill-formed input becomes U+FFFD.
std::string wideToUtf8(std::wstring_view wide);
std::wstring utf8ToWide(std::string_view utf8);

}  // namespace jexlib
