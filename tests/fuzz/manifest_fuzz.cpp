// libFuzzer target for the companion tool's manifest reader and its value
// escapes.
//
// The input is read as a manifest.  Each record must come from a line of
// its own, in order, with keys that are not empty; the records written out
// again must read back the same.  Each value that unescapes as GBK must
// escape to a text that unescapes to the same bytes, and so must each UTF-8
// one.  Then the input itself, taken as GBK bytes and as a path, must come
// back byte for byte through its escaped form, which holds no tab or line
// break (it stays one field of one line).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "jexlib/manifest.h"
#include "jexlib/unicode.h"

namespace {

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "manifest_fuzz: broken invariant: %s\n", what);
        std::abort();
    }
}

bool oneField(const std::string& escaped) { return escaped.find_first_of("\t\n\r") == std::string::npos; }

void checkGbkRoundTrip(std::string_view gbk) {
    std::string escaped = jexlib::escapeGbk(gbk);
    check(oneField(escaped), "an escaped GBK value with a tab or line break");
    check(jexlib::isUtf8(escaped), "an escaped GBK value that is not UTF-8");
    std::string back, error;
    check(jexlib::unescapeGbk(escaped, back, error), "an escaped GBK value that does not unescape");
    check(back == gbk, "a GBK value changed by its escapes");
}

void checkUtf8RoundTrip(std::string_view utf8) {
    std::string escaped = jexlib::escapeUtf8(utf8);
    check(oneField(escaped), "an escaped path with a tab or line break");
    std::string back, error;
    bool ok = jexlib::unescapeUtf8(escaped, back, error);
    check(ok == jexlib::isUtf8(utf8), "a path refused or accepted against its UTF-8");
    if (ok) check(back == utf8, "a path changed by its escapes");
}

bool sameRecords(const std::vector<jexlib::ManifestRecord>& a, const std::vector<jexlib::ManifestRecord>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].kind != b[i].kind || a[i].fields != b[i].fields) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<jexlib::ManifestRecord> records;
    std::string error;
    if (jexlib::parseManifest(input, records, error)) {
        int line = 1;
        // A value that ends in a carriage return is the one thing the written
        // form cannot hold (the reader drops it as a CRLF line end); the
        // tool's own values never have one, they are escaped.
        bool writable = true;
        std::string written = std::string(jexlib::kManifestFirstLine) + "\n";
        for (const jexlib::ManifestRecord& record : records) {
            check(record.line > line, "records out of line order");
            line = record.line;
            check(record.kind.find_first_of("\t\n") == std::string::npos, "a kind with a tab or line feed");
            for (const auto& [key, value] : record.fields) {
                check(!key.empty() && key.find_first_of("=\t\n") == std::string::npos, "a bad key");
                check(value.find_first_of("\t\n") == std::string::npos, "a value with a tab or line feed");
                check(record.find(key) != nullptr, "a key that cannot be found");
                std::string gbk, utf8;
                if (jexlib::unescapeGbk(value, gbk, error)) checkGbkRoundTrip(gbk);
                if (jexlib::unescapeUtf8(value, utf8, error)) checkUtf8RoundTrip(utf8);
            }
            std::string text = jexlib::formatRecord(record);
            if (text.size() >= 2 && text[text.size() - 2] == '\r') writable = false;
            written += text;
        }
        std::vector<jexlib::ManifestRecord> again;
        if (writable) {
            check(jexlib::parseManifest(written, again, error), "written records that do not read back");
            check(sameRecords(records, again), "written records that read back otherwise");
        }
    } else {
        check(error.compare(0, 5, "line ") == 0, "a refusal without its line");
    }
    checkGbkRoundTrip(input);
    checkUtf8RoundTrip(input);
    return 0;
}
