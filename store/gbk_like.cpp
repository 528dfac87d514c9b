#include "store/gbk_like.h"

#include <sqlite3.h>

#include "text/gbk.h"

namespace store {

namespace {

unsigned char foldCase(unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; }

// One element of a pattern: a wildcard or a character to match.
struct Token {
    enum Kind { AnyRun, AnyOne, Literal } kind;
    std::string_view literal;  // the character, for Literal
    std::size_t length;        // bytes of the pattern it takes, escape included
};

class Pattern {
public:
    Pattern(std::string_view text, std::string_view escape) : text_(text), escape_(escape) {}

    std::size_t size() const { return text_.size(); }

    // The token at `p`, a character boundary.  An escape at the end gives a
    // token no character matches.
    Token at(std::size_t p) const {
        std::size_t n = gbk::charLength(text_, p);
        std::string_view c = text_.substr(p, n);
        if (!escape_.empty() && c == escape_) {
            if (p + n == text_.size()) return {Token::Literal, {}, n};
            std::size_t m = gbk::charLength(text_, p + n);
            return {Token::Literal, text_.substr(p + n, m), n + m};
        }
        if (c == "%") return {Token::AnyRun, {}, 1};
        if (c == "_") return {Token::AnyOne, {}, 1};
        return {Token::Literal, c, n};
    }

private:
    std::string_view text_;
    std::string_view escape_;
};

bool sameCharacter(std::string_view literal, std::string_view c) {
    if (literal.size() != c.size()) return false;
    if (c.size() == 2) return literal == c;
    return foldCase(static_cast<unsigned char>(literal[0])) == foldCase(static_cast<unsigned char>(c[0]));
}

std::string_view textArgument(sqlite3_value* value) {
    const char* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
    return text ? std::string_view(text, std::size_t(sqlite3_value_bytes(value))) : std::string_view();
}

void likeFunction(sqlite3_context* context, int argc, sqlite3_value** argv) {
    for (int i = 0; i < argc; ++i)
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL) return;  // the result stays NULL

    std::string_view pattern = textArgument(argv[0]);
    std::string_view text = textArgument(argv[1]);
    std::string_view escape = argc == 3 ? textArgument(argv[2]) : std::string_view();
    if (argc == 3 && (escape.empty() || gbk::charLength(escape, 0) != escape.size())) {
        sqlite3_result_error(context, "ESCAPE expression must be a single character", -1);
        return;
    }
    sqlite3* db = sqlite3_context_db_handle(context);
    if (pattern.size() > std::size_t(sqlite3_limit(db, SQLITE_LIMIT_LIKE_PATTERN_LENGTH, -1))) {
        sqlite3_result_error(context, "LIKE or GLOB pattern too complex", -1);
        return;
    }
    sqlite3_result_int(context, gbkLike(pattern, text, escape) ? 1 : 0);
}

}  // namespace

// Walks text and pattern together; at a mismatch after a "%", that "%" takes
// one more character of the text and the rest of the pattern is tried again
// from there.  Only the last "%" needs remembering, so the time is at most
// the product of the lengths.
bool gbkLike(std::string_view pattern, std::string_view text, std::string_view escape) {
    Pattern pat(pattern, escape);
    std::size_t p = 0;
    std::size_t t = 0;
    std::size_t retryP = std::string_view::npos;  // the pattern after the last "%"
    std::size_t retryT = 0;                       // where the text is tried from then
    while (t < text.size()) {
        if (p < pat.size()) {
            Token token = pat.at(p);
            std::size_t n = gbk::charLength(text, t);
            if (token.kind == Token::AnyRun) {
                p += token.length;
                retryP = p;
                retryT = t;
                continue;
            }
            if (token.kind == Token::AnyOne || sameCharacter(token.literal, text.substr(t, n))) {
                p += token.length;
                t += n;
                continue;
            }
        }
        if (retryP == std::string_view::npos) return false;
        retryT += gbk::charLength(text, retryT);
        t = retryT;
        p = retryP;
    }
    while (p < pat.size() && pat.at(p).kind == Token::AnyRun) ++p;
    return p == pat.size();
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
