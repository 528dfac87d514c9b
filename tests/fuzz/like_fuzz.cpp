// libFuzzer target for the GBK-aware LIKE, checked against a plain
// reference: both strings are first cut into characters by the code page's
// rules (a lead byte 0x81-0xFE takes the next byte with it, when there is
// one), then matched character by character with "%" and "_" by dynamic
// programming.  The input is split at its first zero byte into pattern and
// text; a second zero byte, when present, introduces an escape character.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "store/gbk_like.h"

namespace {

std::vector<std::string_view> characters(std::string_view s) {
    std::vector<std::string_view> out;
    for (std::size_t i = 0; i < s.size();) {
        const auto lead = static_cast<unsigned char>(s[i]);
        const std::size_t n = (lead >= 0x81 && lead <= 0xFE && i + 1 < s.size()) ? 2 : 1;
        out.push_back(s.substr(i, n));
        i += n;
    }
    return out;
}

bool sameCharacter(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    if (a.size() == 2) return a == b;
    auto fold = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; };
    return fold(a[0]) == fold(b[0]);
}

struct Token {
    enum Kind { Any, One, Exact } kind;
    std::string_view ch;
};

// Returns false when the pattern ends in a lone escape (it matches nothing).
bool tokens(std::string_view pattern, std::string_view escape, std::vector<Token>& out) {
    const auto chars = characters(pattern);
    for (std::size_t i = 0; i < chars.size(); ++i) {
        if (!escape.empty() && chars[i] == escape) {
            if (i + 1 == chars.size()) return false;
            out.push_back({Token::Exact, chars[++i]});
        } else if (chars[i] == "%") {
            out.push_back({Token::Any, chars[i]});
        } else if (chars[i] == "_") {
            out.push_back({Token::One, chars[i]});
        } else {
            out.push_back({Token::Exact, chars[i]});
        }
    }
    return true;
}

bool referenceLike(std::string_view pattern, std::string_view text, std::string_view escape) {
    std::vector<Token> p;
    if (!tokens(pattern, escape, p)) return false;
    const auto t = characters(text);
    // match[j]: the pattern's first i tokens match the text's first j characters.
    std::vector<char> match(t.size() + 1, 0), next(t.size() + 1, 0);
    match[0] = 1;
    for (const Token& token : p) {
        std::fill(next.begin(), next.end(), 0);
        for (std::size_t j = 0; j <= t.size(); ++j) {
            if (token.kind == Token::Any) {
                next[j] = match[j] || (j > 0 && next[j - 1]);
            } else if (j > 0 && match[j - 1]) {
                next[j] = token.kind == Token::One || sameCharacter(token.ch, t[j - 1]);
            }
        }
        match.swap(next);
    }
    return match[t.size()] != 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t cut = input.find('\0');
    if (cut == std::string_view::npos || size > 512) return 0;
    const std::string_view pattern = input.substr(0, cut);
    std::string_view text = input.substr(cut + 1);
    std::string_view escape;
    const std::size_t second = text.find('\0');
    if (second != std::string_view::npos) {
        escape = characters(text.substr(second + 1)).empty() ? std::string_view() : characters(text.substr(second + 1))[0];
        text = text.substr(0, second);
    }
    const bool ours = store::gbkLike(pattern, text, escape);
    const bool reference = referenceLike(pattern, text, escape);
    if (ours != reference) {
        std::fprintf(stderr, "like_fuzz: gbkLike says %d, the reference %d\n", ours, reference);
        std::abort();
    }
    return 0;
}
