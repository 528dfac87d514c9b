#include "jexlib/unicode.h"

#include <cstdio>

#include "text/gbk.h"

namespace jexlib {

namespace {

#include "gbk_table.inc"

constexpr unsigned char kFirstLead = 0x81;
constexpr unsigned char kFirstTrail = 0x40;
constexpr long kEuro = 0x20AC;
constexpr long kReplacement = 0xFFFD;

// Code point → GBK code (lead << 8 | trail), built once from the table.
const std::vector<unsigned short>& reverseTable() {
    static const std::vector<unsigned short> table = [] {
        std::vector<unsigned short> t(0x10000, 0);
        for (std::size_t i = 0; i < sizeof kGbkTable / sizeof kGbkTable[0]; ++i) {
            if (!kGbkTable[i]) continue;
            unsigned lead = unsigned(kFirstLead + i / kGbkTrails);
            unsigned trail = unsigned(kFirstTrail + i % kGbkTrails);
            t[kGbkTable[i]] = static_cast<unsigned short>(lead << 8 | trail);
        }
        return t;
    }();
    return table;
}

}  // namespace

long gbkCodePoint(const unsigned char* c, std::size_t length) {
    if (length == 1) {
        if (c[0] < 0x80) return c[0];
        return c[0] == 0x80 ? kEuro : -1;
    }
    if (length != 2 || !gbk::isLeadByte(c[0]) || c[1] < kFirstTrail || c[1] == 0xFF) return -1;
    unsigned short point = kGbkTable[(c[0] - kFirstLead) * kGbkTrails + (c[1] - kFirstTrail)];
    return point ? long(point) : -1;
}

bool appendGbk(std::string& out, long codePoint) {
    if (codePoint >= 0 && codePoint < 0x80) {
        out += char(codePoint);
        return true;
    }
    if (codePoint == kEuro) {
        out += char(0x80);
        return true;
    }
    if (codePoint < 0 || codePoint > 0xFFFF) return false;
    unsigned short code = reverseTable()[std::size_t(codePoint)];
    if (!code) return false;
    out += char(code >> 8);
    out += char(code & 0xFF);
    return true;
}

void appendUtf8(std::string& out, long cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

std::size_t readUtf8(std::string_view text, std::size_t i, long& codePoint) {
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char b = byte(i);
    if (b < 0x80) {
        codePoint = b;
        return 1;
    }
    std::size_t length;
    long cp;
    long smallest;
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2, cp = b & 0x1F, smallest = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3, cp = b & 0x0F, smallest = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4, cp = b & 0x07, smallest = 0x10000;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        unsigned char c = byte(i + k);
        if ((c & 0xC0) != 0x80) return 0;
        cp = cp << 6 | (c & 0x3F);
    }
    if (cp < smallest || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    codePoint = cp;
    return length;
}

bool isUtf8(std::string_view text) {
    long cp;
    for (std::size_t i = 0; i < text.size();) {
        // Runs of ASCII are the common case: skip them a byte at a time.
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            ++i;
            continue;
        }
        std::size_t n = readUtf8(text, i, cp);
        if (!n) return false;
        i += n;
    }
    return true;
}

bool gbkToUtf8(std::string_view gbk, std::string& out) {
    out.clear();
    out.reserve(gbk.size() + gbk.size() / 2);
    const auto* bytes = reinterpret_cast<const unsigned char*>(gbk.data());
    for (std::size_t i = 0; i < gbk.size();) {
        if (bytes[i] < 0x80) {
            out += char(bytes[i++]);
            continue;
        }
        std::size_t n = gbk::charLength(gbk, i);
        long cp = gbkCodePoint(bytes + i, n);
        if (cp < 0) return false;
        appendUtf8(out, cp);
        i += n;
    }
    return true;
}

std::string readableUtf8(std::string_view gbk) {
    std::string out;
    out.reserve(gbk.size() + gbk.size() / 2);
    const auto* bytes = reinterpret_cast<const unsigned char*>(gbk.data());
    for (std::size_t i = 0; i < gbk.size();) {
        std::size_t n = gbk::charLength(gbk, i);
        long cp = gbkCodePoint(bytes + i, n);
        appendUtf8(out, cp < 0 ? kReplacement : cp);
        i += n;
    }
    return out;
}

bool utf8ToGbk(std::string_view utf8, std::string& out, std::vector<Unheld>& unheld) {
    out.clear();
    out.reserve(utf8.size());
    std::size_t line = 1;
    bool all = true;
    for (std::size_t i = 0; i < utf8.size();) {
        unsigned char b = static_cast<unsigned char>(utf8[i]);
        if (b < 0x80) {
            if (b == '\n') ++line;
            out += char(b);
            ++i;
            continue;
        }
        long cp = kReplacement;
        std::size_t n = readUtf8(utf8, i, cp);
        if (!n) n = 1;  // callers pass well-formed text; a stray byte counts as one character
        if (!appendGbk(out, cp)) {
            out += '?';
            unheld.push_back({line, cp});
            all = false;
        }
        i += n;
    }
    return all;
}

std::string describeCodePoint(long codePoint) {
    char number[16];
    std::snprintf(number, sizeof number, "U+%04lX", codePoint);
    std::string text = number;
    if (codePoint >= 0x20 && codePoint != 0x7F) {
        text += " (";
        appendUtf8(text, codePoint);
        text += ")";
    }
    return text;
}

std::string wideToUtf8(std::wstring_view wide) {
    std::string out;
    for (std::size_t i = 0; i < wide.size(); ++i) {
        long cp = long(static_cast<unsigned long>(wide[i]));
        if (sizeof(wchar_t) == 2 && cp >= 0xD800 && cp <= 0xDBFF && i + 1 < wide.size()) {
            long low = long(static_cast<unsigned long>(wide[i + 1]));
            if (low >= 0xDC00 && low <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) cp = kReplacement;
        appendUtf8(out, cp);
    }
    return out;
}

std::wstring utf8ToWide(std::string_view utf8) {
    std::wstring out;
    for (std::size_t i = 0; i < utf8.size();) {
        long cp = kReplacement;
        std::size_t n = readUtf8(utf8, i, cp);
        if (!n) {
            n = 1;
            cp = kReplacement;
        }
        if (sizeof(wchar_t) == 2 && cp >= 0x10000) {
            out += wchar_t(0xD800 + ((cp - 0x10000) >> 10));
            out += wchar_t(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            out += wchar_t(cp);
        }
        i += n;
    }
    return out;
}

}  // namespace jexlib
