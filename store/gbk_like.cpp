#include "store/gbk_like.h"

#include <sqlite3.h>

#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "text/gbk.h"

namespace store {

namespace {

unsigned char foldCase(unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; }

// foldCase of every byte, looked up.
struct FoldTable {
    unsigned char folded[256];
    constexpr FoldTable() : folded() {
        for (int c = 0; c < 256; ++c) folded[c] = c >= 'A' && c <= 'Z' ? (unsigned char)(c + ('a' - 'A')) : (unsigned char)c;
    }
};
constexpr FoldTable kFold;

// A pattern taken apart once into its elements, so that matching it against
// many titles walks only the titles' bytes.
class LikePattern {
public:
    LikePattern(std::string_view pattern, std::string_view escape) : escape_(escape) {
        for (std::size_t p = 0; p < pattern.size();) {
            std::size_t n = gbk::charLength(pattern, p);
            std::string_view c = pattern.substr(p, n);
            p += n;
            if (!escape.empty() && c == escape) {
                if (p == pattern.size()) {
                    tokens_.push_back({Token::Nothing, {}});  // an escape at the end matches nothing
                    break;
                }
                n = gbk::charLength(pattern, p);
                tokens_.push_back(literal(pattern.substr(p, n)));
                p += n;
            } else if (c == "%") {
                if (tokens_.empty() || tokens_.back().kind != Token::AnyRun) tokens_.push_back({Token::AnyRun, {}});
            } else if (c == "_") {
                tokens_.push_back({Token::AnyOne, {}});
            } else {
                tokens_.push_back(literal(c));
            }
        }
        requireLongestLiteralRun();
    }

    const std::string& escape() const { return escape_; }

    // Walks text and pattern together; at a mismatch after a "%", that "%"
    // takes one more character of the text and the rest of the pattern is
    // tried again from there.  Only the last "%" needs remembering, so the
    // time is at most the product of the lengths.  A "%" before a character
    // goes straight to the next place that character occurs.
    bool matches(std::string_view text) const {
        if (!mayContainRequired(text)) return false;
        const std::size_t end = tokens_.size();
        std::size_t p = 0;
        std::size_t t = 0;
        std::size_t retryP = end + 1;  // the pattern after the last "%" (none yet)
        std::size_t retryT = 0;        // where the text is tried from then
        while (t < text.size()) {
            if (p < end) {
                const Token& token = tokens_[p];
                if (token.kind == Token::AnyRun) {
                    retryP = ++p;
                    retryT = t = skipTo(p, text, t);
                    continue;
                }
                std::size_t n = gbk::charLength(text, t);
                if (token.kind == Token::AnyOne || token.matches(text.data() + t, n)) {
                    ++p;
                    t += n;
                    continue;
                }
            }
            if (retryP > end) return false;
            retryT = t = skipTo(retryP, text, retryT + gbk::charLength(text, retryT));
            p = retryP;
        }
        while (p < end && tokens_[p].kind == Token::AnyRun) ++p;
        return p == end;
    }

private:
    struct Token {
        enum Kind { AnyRun, AnyOne, Single, Double, Nothing } kind;
        unsigned char bytes[2];  // Single: the byte, case folded; Double: both

        bool matches(const char* c, std::size_t n) const {
            if (kind == Single) return n == 1 && foldCase(static_cast<unsigned char>(c[0])) == bytes[0];
            return kind == Double && n == 2 && static_cast<unsigned char>(c[0]) == bytes[0] &&
                   static_cast<unsigned char>(c[1]) == bytes[1];
        }
    };

    static Token literal(std::string_view c) {
        if (c.size() == 2)
            return {Token::Double, {static_cast<unsigned char>(c[0]), static_cast<unsigned char>(c[1])}};
        return {Token::Single, {foldCase(static_cast<unsigned char>(c[0])), 0}};
    }

    // The first character boundary from `t` on where token `p` can match:
    // `t` itself unless the token is a character, else where that character
    // is next, or the end of the text.
    std::size_t skipTo(std::size_t p, std::string_view text, std::size_t t) const {
        if (p == tokens_.size() || (tokens_[p].kind != Token::Single && tokens_[p].kind != Token::Double)) return t;
        const Token& token = tokens_[p];
        while (t < text.size()) {
            std::size_t n = gbk::charLength(text, t);
            if (token.matches(text.data() + t, n)) break;
            t += n;
        }
        return t;
    }

    // The bytes of the longest run of characters the pattern has between
    // its wildcards, case folded: every text it matches holds them in a row
    // (folded alike), which most titles of a search are seen not to do by a
    // plain byte scan, without walking their characters.
    void requireLongestLiteralRun() {
        std::string run;
        for (std::size_t i = 0; i <= tokens_.size(); ++i) {
            const Token* t = i < tokens_.size() ? &tokens_[i] : nullptr;
            if (t && t->kind == Token::Single) {
                run += char(t->bytes[0]);
            } else if (t && t->kind == Token::Double) {
                run += char(kFold.folded[t->bytes[0]]);
                run += char(kFold.folded[t->bytes[1]]);
            } else {
                if (run.size() > required_.size()) required_ = run;
                run.clear();
            }
        }
    }

    bool mayContainRequired(std::string_view text) const {
        const std::size_t n = required_.size();
        if (n == 0) return true;
        if (text.size() < n) return false;
        const auto* r = reinterpret_cast<const unsigned char*>(required_.data());
        const unsigned char lower = r[0];
        const unsigned char upper = lower >= 'a' && lower <= 'z' ? (unsigned char)(lower - ('a' - 'A')) : lower;
        const auto* p = reinterpret_cast<const unsigned char*>(text.data());
        const unsigned char* const end = p + (text.size() - n + 1);  // past the last place it can start
        while (p < end) {
            // The next place the first byte occurs in either case.
            const void* a = std::memchr(p, lower, std::size_t(end - p));
            const void* b = upper != lower ? std::memchr(p, upper, std::size_t(end - p)) : nullptr;
            const auto* at = static_cast<const unsigned char*>(!a ? b : !b ? a : a < b ? a : b);
            if (!at) return false;
            std::size_t k = 1;
            while (k < n && kFold.folded[at[k]] == r[k]) ++k;
            if (k == n) return true;
            p = at + 1;
        }
        return false;
    }

    std::vector<Token> tokens_;
    std::string escape_;
    std::string required_;
};

std::string_view textOf(sqlite3_value* value) {
    const char* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
    return text ? std::string_view(text, std::size_t(sqlite3_value_bytes(value))) : std::string_view();
}

void deletePattern(void* pattern) { delete static_cast<LikePattern*>(pattern); }

// like(pattern, text[, escape]).  The taken-apart pattern is kept with the
// pattern argument while that stays the same (a literal in the statement:
// every row of a search).  The engine may free it at any time once handed
// over, even at once, so it is handed over last.
void likeFunction(sqlite3_context* context, int argc, sqlite3_value** argv) {
    for (int i = 0; i < argc; ++i)
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL) return;  // the result stays NULL

    std::string_view escape = argc == 3 ? textOf(argv[2]) : std::string_view();
    if (argc == 3 && (escape.empty() || gbk::charLength(escape, 0) != escape.size())) {
        sqlite3_result_error(context, "ESCAPE expression must be a single character", -1);
        return;
    }
    auto* pattern = static_cast<const LikePattern*>(sqlite3_get_auxdata(context, 0));
    std::unique_ptr<LikePattern> made;
    if (!pattern || pattern->escape() != escape) {
        std::string_view text = textOf(argv[0]);
        sqlite3* db = sqlite3_context_db_handle(context);
        if (text.size() > std::size_t(sqlite3_limit(db, SQLITE_LIMIT_LIKE_PATTERN_LENGTH, -1))) {
            sqlite3_result_error(context, "LIKE or GLOB pattern too complex", -1);
            return;
        }
        try {
            made = std::make_unique<LikePattern>(text, escape);
        } catch (const std::bad_alloc&) {
            sqlite3_result_error_nomem(context);
            return;
        }
        pattern = made.get();
    }
    sqlite3_result_int(context, pattern->matches(textOf(argv[1])) ? 1 : 0);
    if (made) sqlite3_set_auxdata(context, 0, made.release(), deletePattern);
}

}  // namespace

bool gbkLike(std::string_view pattern, std::string_view text, std::string_view escape) {
    return LikePattern(pattern, escape).matches(text);
}

int registerGbkLike(sqlite3* db) {
    for (int argc : {2, 3}) {
        int rc = sqlite3_create_function(db, "like", argc, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, likeFunction,
                                         nullptr, nullptr);
        if (rc != SQLITE_OK) return rc;
    }
    return SQLITE_OK;
}

}  // namespace store
