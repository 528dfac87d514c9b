#include "jexlib/manifest.h"

#include <cstdio>

#include "jexlib/unicode.h"
#include "text/gbk.h"

namespace jexlib {

namespace {

void appendEscapedByte(std::string& out, unsigned char c) {
    switch (c) {
    case '\\': out += "\\\\"; return;
    case '\t': out += "\\t"; return;
    case '\n': out += "\\n"; return;
    case '\r': out += "\\r"; return;
    default: break;
    }
    if (c < 0x20 || c == 0x7F || c >= 0x80) {
        char hex[5];
        std::snprintf(hex, sizeof hex, "\\x%02X", c);
        out += hex;
    } else {
        out += char(c);
    }
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Reads the escape at text[i] (a backslash): its byte in `byte`, the length
// in `length`; false when it is not one.
bool readEscape(std::string_view text, std::size_t i, unsigned char& byte, std::size_t& length) {
    if (i + 1 >= text.size()) return false;
    switch (text[i + 1]) {
    case '\\': byte = '\\'; length = 2; return true;
    case 't': byte = '\t'; length = 2; return true;
    case 'n': byte = '\n'; length = 2; return true;
    case 'r': byte = '\r'; length = 2; return true;
    case 'x': {
        if (i + 4 > text.size()) return false;
        int high = hexValue(text[i + 2]);
        int low = hexValue(text[i + 3]);
        if (high < 0 || low < 0) return false;
        byte = static_cast<unsigned char>(high << 4 | low);
        length = 4;
        return true;
    }
    default:
        return false;
    }
}

}  // namespace

std::string escapeGbk(std::string_view gbk) {
    std::string out;
    out.reserve(gbk.size() + gbk.size() / 2);
    const auto* bytes = reinterpret_cast<const unsigned char*>(gbk.data());
    for (std::size_t i = 0; i < gbk.size();) {
        if (bytes[i] < 0x80) {
            appendEscapedByte(out, bytes[i++]);
            continue;
        }
        std::size_t n = gbk::charLength(gbk, i);
        long cp = n == 2 ? gbkCodePoint(bytes + i, n) : -1;  // the euro byte is escaped: one form only
        if (cp < 0) {
            for (std::size_t k = 0; k < n; ++k) appendEscapedByte(out, bytes[i + k]);
        } else {
            appendUtf8(out, cp);
        }
        i += n;
    }
    return out;
}

bool unescapeGbk(std::string_view text, std::string& gbk, std::string& error) {
    gbk.clear();
    for (std::size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\\') {
            unsigned char byte;
            std::size_t n;
            if (!readEscape(text, i, byte, n)) {
                error = "bad escape \"" + std::string(text.substr(i, 4)) + "\"";
                return false;
            }
            gbk += char(byte);
            i += n;
            continue;
        }
        if (c < 0x80) {
            gbk += char(c);
            ++i;
            continue;
        }
        long cp;
        std::size_t n = readUtf8(text, i, cp);
        if (!n) {
            error = "text that is not UTF-8";
            return false;
        }
        if (!appendGbk(gbk, cp)) {
            error = "the character " + describeCodePoint(cp) + ", which GBK cannot hold";
            return false;
        }
        i += n;
    }
    return true;
}

std::string escapeUtf8(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (char c : utf8) {
        unsigned char b = static_cast<unsigned char>(c);
        if (b >= 0x80)
            out += c;
        else
            appendEscapedByte(out, b);
    }
    return out;
}

bool unescapeUtf8(std::string_view text, std::string& utf8, std::string& error) {
    utf8.clear();
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] != '\\') {
            utf8 += text[i++];
            continue;
        }
        unsigned char byte;
        std::size_t n;
        if (!readEscape(text, i, byte, n)) {
            error = "bad escape \"" + std::string(text.substr(i, 4)) + "\"";
            return false;
        }
        utf8 += char(byte);
        i += n;
    }
    if (!isUtf8(utf8)) {
        error = "a path that is not UTF-8";
        return false;
    }
    return true;
}

const std::string* ManifestRecord::find(std::string_view key) const {
    for (const auto& field : fields)
        if (field.first == key) return &field.second;
    return nullptr;
}

std::string formatRecord(const ManifestRecord& record) {
    std::string line = record.kind;
    for (const auto& field : record.fields) {
        line += '\t';
        line += field.first;
        line += '=';
        line += field.second;
    }
    line += '\n';
    return line;
}

bool parseManifest(std::string_view text, std::vector<ManifestRecord>& records, std::string& error) {
    records.clear();
    int number = 0;
    bool first = true;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (first) {
            if (line != kManifestFirstLine) {
                error = "line 1: not a jexlib manifest (it must begin with \"" + std::string(kManifestFirstLine) + "\")";
                return false;
            }
            first = false;
            continue;
        }
        if (line.empty() || line[0] == '#') continue;
        ManifestRecord record;
        record.line = number;
        std::size_t tab = line.find('\t');
        record.kind = std::string(line.substr(0, tab));
        while (tab != std::string_view::npos) {
            std::size_t from = tab + 1;
            tab = line.find('\t', from);
            std::string_view field = line.substr(from, tab == std::string_view::npos ? std::string_view::npos : tab - from);
            std::size_t equals = field.find('=');
            if (equals == std::string_view::npos || equals == 0) {
                error = "line " + std::to_string(number) + ": \"" + std::string(field) + "\" is not key=value";
                return false;
            }
            record.add(std::string(field.substr(0, equals)), std::string(field.substr(equals + 1)));
        }
        records.push_back(std::move(record));
    }
    if (first) {
        error = "line 1: the manifest is empty";
        return false;
    }
    return true;
}

}  // namespace jexlib
