#include "jexlib/file_names.h"

#include "attach/temp_name.h"
#include "jexlib/unicode.h"
#include "text/gbk.h"

namespace jexlib {

namespace {

// The length of the longest start of `name` with at most `limit` bytes that
// ends at a character boundary.
std::size_t cutPoint(std::string_view name, std::size_t limit) {
    std::size_t end = 0;
    for (std::size_t i = 0; i < name.size();) {
        std::size_t next = i + gbk::charLength(name, i);
        if (next > limit) break;
        end = i = next;
    }
    return end;
}

// `name` cut to kNameBytes, keeping an extension of up to 16 bytes.
std::string shortened(const std::string& name) {
    if (name.size() <= kNameBytes) return name;
    std::size_t dot = name.rfind('.');
    std::string extension;
    if (dot != std::string::npos && dot > 0 && name.size() - dot <= 16) extension = name.substr(dot);
    std::string_view stem(name.data(), name.size() - extension.size());
    return std::string(stem.substr(0, cutPoint(stem, kNameBytes - extension.size()))) + extension;
}

bool onlyDotsAndBlanks(std::string_view title) {
    return title.find_first_not_of(". ") == std::string_view::npos;
}

long foldedCodePoint(long c) {
    if (c >= 'A' && c <= 'Z') return c + 0x20;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
    if (c >= 0x391 && c <= 0x3A9) return c + 0x20;
    if (c >= 0x410 && c <= 0x42F) return c + 0x20;
    if (c >= 0x400 && c <= 0x40F) return c + 0x50;
    if (c >= 0x2160 && c <= 0x216F) return c + 0x10;
    if (c >= 0xFF21 && c <= 0xFF3A) return c + 0x20;
    return c;
}

}  // namespace

std::string fileNameFor(std::string_view title) {
    if (onlyDotsAndBlanks(title)) return "_";
    std::string name = shortened(attach::plainFileName(title));
    std::string utf8;
    const auto* bytes = reinterpret_cast<const unsigned char*>(name.data());
    for (std::size_t i = 0; i < name.size();) {
        std::size_t n = gbk::charLength(name, i);
        long cp = gbkCodePoint(bytes + i, n);
        if (cp < 0x20 || cp == 0x7F)
            utf8 += '_';
        else
            appendUtf8(utf8, cp);
        i += n;
    }
    return utf8;
}

std::string numberedName(const std::string& name, int n, bool beforeExtension) {
    std::string suffix = " (" + std::to_string(n) + ")";
    std::size_t dot = beforeExtension ? name.rfind('.') : std::string::npos;
    if (dot == std::string::npos || dot == 0) return name + suffix;
    return name.substr(0, dot) + suffix + name.substr(dot);
}

std::string foldedName(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        long cp = 0;
        std::size_t n = readUtf8(utf8, i, cp);
        if (!n) {
            out += utf8[i++];
            continue;
        }
        appendUtf8(out, foldedCodePoint(cp));
        i += n;
    }
    return out;
}

bool NameSpace::take(const std::vector<std::string>& names) {
    std::vector<std::string> folded;
    folded.reserve(names.size());
    for (const std::string& name : names) {
        folded.push_back(foldedName(name));
        if (taken_.count(folded.back())) return false;
    }
    for (std::string& f : folded) taken_.insert(std::move(f));
    return true;
}

}  // namespace jexlib
