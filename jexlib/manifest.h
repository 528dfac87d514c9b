// The manifest of an exported library: one line of text per record, in
// UTF-8, holding what the files cannot: ids, parents, turns, scheme ids,
// times, the exact titles and link paths, which value is NULL.
//
//   jexlib manifest 1
//   info<TAB>name=jexMarlo<TAB>version=1.0.0
//   folder<TAB>id=1<TAB>parent=0<TAB>turn=1<TAB>type=0<TAB>scheme=-1<TAB>title=默认<TAB>...
//
// A record is a word and fields "key=value" separated by tabs; a key that is
// absent stands for NULL.  Values escape the backslash, tab, line feed and
// carriage return (\\ \t \n \r); other bytes that are not text, and GBK
// bytes without a Unicode character, are written \xHH, so every GBK value
// comes back byte for byte.  Lines starting with "#" are comments.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace jexlib {

inline constexpr char kManifestName[] = "jexlib-manifest.txt";
inline constexpr char kManifestFirstLine[] = "jexlib manifest 1";

// A GBK value as manifest text, and back.  Unescaping fails (with `error`
// set) on a bad escape, ill-formed UTF-8 or a character GBK cannot hold.
std::string escapeGbk(std::string_view gbk);
bool unescapeGbk(std::string_view text, std::string& gbk, std::string& error);

// A UTF-8 value (a path on disk) as manifest text, and back.
std::string escapeUtf8(std::string_view utf8);
bool unescapeUtf8(std::string_view text, std::string& utf8, std::string& error);

struct ManifestRecord {
    std::string kind;
    std::vector<std::pair<std::string, std::string>> fields;  // escaped values
    int line = 0;

    // The escaped value of `key`, or null when absent.
    const std::string* find(std::string_view key) const;
    void add(std::string key, std::string escapedValue) { fields.emplace_back(std::move(key), std::move(escapedValue)); }
};

std::string formatRecord(const ManifestRecord& record);

// Parses the records of a manifest; false with `error` ("line N: ...") on
// the first line that is not a record, or a missing first line.
bool parseManifest(std::string_view text, std::vector<ManifestRecord>& records, std::string& error);

}  // namespace jexlib
