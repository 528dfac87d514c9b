#include "editor/syntax_scheme.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <optional>

#include "editor/scheme_list.h"

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string trim(std::string_view s) {
    std::size_t a = 0, b = s.size();
    while (a < b && isSpace(s[a])) ++a;
    while (b > a && isSpace(s[b - 1])) --b;
    return std::string(s.substr(a, b - a));
}

std::string upper(std::string s) {
    for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string lower(std::string s) {
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Where an element lies in a text: its opening tag, content and the end of
// its closing tag.
struct Element {
    std::size_t open;
    std::size_t contentBegin;
    std::size_t contentEnd;
    std::size_t close;  // just after the closing tag
};

// The first element `tag` at or after `from`, nested elements of the same
// name counted; none when it is not closed.  Linear in the text searched.
std::optional<Element> findElement(std::string_view text, std::string_view tag, std::size_t from) {
    std::string open = "<" + std::string(tag) + ">";
    std::string close = "</" + std::string(tag) + ">";
    std::size_t first = text.find(open, from);
    if (first == std::string_view::npos) return std::nullopt;
    std::size_t p = first + open.size();
    std::size_t nextOpen = text.find(open, p);
    int depth = 1;
    for (;;) {
        std::size_t nextClose = text.find(close, p);
        if (nextClose == std::string_view::npos) return std::nullopt;
        while (nextOpen != std::string_view::npos && nextOpen < nextClose) {
            ++depth;
            nextOpen = text.find(open, nextOpen + open.size());
        }
        if (--depth == 0) return Element{first, first + open.size(), nextClose, nextClose + close.size()};
        p = nextClose + close.size();
    }
}

// Takes the first element `tag` out of `text` and returns its trimmed
// content; none when it is absent.
std::optional<std::string> take(std::string& text, std::string_view tag) {
    std::optional<Element> e = findElement(text, tag, 0);
    if (!e) return std::nullopt;
    std::string content = trim(std::string_view(text).substr(e->contentBegin, e->contentEnd - e->contentBegin));
    text.erase(e->open, e->close - e->open);
    return content;
}

// Walks a list of elements of one name: each element taken leaves the next
// one first, so the walk resumes where the last element ended.
class ElementList {
public:
    ElementList(const std::string& text, std::string tag) : text_(text), tag_(std::move(tag)) {}
    std::optional<std::string> next() {
        std::optional<Element> e = findElement(text_, tag_, cursor_);
        if (!e) return std::nullopt;
        cursor_ = e->close;
        return trim(std::string_view(text_).substr(e->contentBegin, e->contentEnd - e->contentBegin));
    }

private:
    const std::string& text_;
    std::string tag_;
    std::size_t cursor_ = 0;
};

void replaceAll(std::string& s, std::string_view from, std::string_view to) {
    std::string out;
    std::size_t p = 0;
    for (std::size_t hit; (hit = s.find(from, p)) != std::string::npos; p = hit + from.size()) {
        out.append(s, p, hit - p);
        out.append(to);
    }
    out.append(s, p, std::string::npos);
    s.swap(out);
}

// Delimiter strings: optional quotes, backslash escapes, then the letter
// pairs LT, GT and AMP for the characters that cannot stand in a tag's content.
std::string unescapeDelimiters(std::string s) {
    if (s.size() > 1 && s.front() == '"') s = s.substr(1, s.size() - 2);
    replaceAll(s, "\\t", "\t");
    replaceAll(s, "\\n", "\n");
    replaceAll(s, "\\r", "\r");
    replaceAll(s, "\\b", "\b");
    replaceAll(s, "LT", "<");
    replaceAll(s, "GT", ">");
    replaceAll(s, "AMP", "&");
    return s;
}

bool caseSensitiveValue(const std::optional<std::string>& value) { return !value || upper(*value) == "TRUE"; }

}  // namespace

Colour parseColour(std::string_view value) {
    static const struct {
        const char* name;
        Colour colour;
    } kNames[] = {
        {"black", 0x000000},    {"darkred", 0x000080},  {"darkgreen", 0x008000}, {"brown", 0x008080},
        {"darkblue", 0x800000}, {"darkmagenta", 0x800080}, {"darkcyan", 0x808000}, {"gray", 0xC0C0C0},
        {"darkgray", 0x808080}, {"red", 0x0000FF},      {"green", 0x00FF00},     {"yellow", 0x00FFFF},
        {"blue", 0xFF0000},     {"magenta", 0xFF00FF},  {"cyan", 0xFFFF00},      {"white", 0xFFFFFF},
    };
    if (!value.empty() && value.front() == '"') {
        std::string name = value.size() >= 2 ? lower(std::string(value.substr(1, value.size() - 2))) : std::string();
        for (const auto& n : kNames)
            if (name == n.name) return n.colour;
        return 0;
    }
    if (value.size() != 6) return 0;
    Colour rgb = 0;
    for (char c : value) {
        int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                    : (c >= 'a' && c <= 'f')                     ? c - 'a' + 10
                    : (c >= 'A' && c <= 'F')                     ? c - 'A' + 10
                                                                 : -1;
        if (digit < 0) return 0;
        rgb = rgb * 16 + digit;
    }
    // RRGGBB → 0x00BBGGRR
    return ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
}

// --- SyntaxScheme --------------------------------------------------------------------

void SyntaxScheme::clear() {
    keywords.clear();
    blocks.clear();
}

void SyntaxScheme::addKeyword(const std::string& word, const KeywordStyle& style) {
    keywords[style.caseSensitive ? word : upper(word)] = style;
}

bool SyntaxScheme::addBlock(const BlockDefinition& block) {
    if (block.start.size() > kMaxDelimiter || block.end.size() > kMaxDelimiter) return false;
    if (block.multiLine && (block.start.empty() || block.end.empty())) return false;
    auto at = std::find_if(blocks.begin(), blocks.end(),
                           [&](const BlockDefinition& b) { return b.start.size() <= block.start.size(); });
    blocks.insert(at, block);
    return true;
}

const KeywordStyle* SyntaxScheme::findKeyword(const std::string& word) const {
    auto exact = keywords.find(word);
    if (exact != keywords.end()) return &exact->second;
    auto folded = keywords.find(upper(word));
    if (folded != keywords.end() && !folded->second.caseSensitive) return &folded->second;
    return nullptr;
}

void SyntaxScheme::load(std::string_view text) {
    clear();
    std::string t(text);

    if (std::optional<std::string> options = take(t, "OPTIONS")) {
        if (auto words = take(*options, "WordDelimeters")) wordDelimiters = unescapeDelimiters(*words);
        if (auto special = take(*options, "SpecialDelimiters")) specialDelimiters = unescapeDelimiters(*special);
    }

    std::optional<std::string> colours = take(t, "COLOR_DATA");
    if (!colours) return;
    std::string& c = *colours;
    if (auto v = take(c, "EditTextColor")) editText = parseColour(*v);
    editBack = 0xFFFFFF;
    if (auto v = take(c, "EditBackColor")) editBack = parseColour(*v);
    if (auto v = take(c, "SelTextColor")) selectionText = parseColour(*v);
    if (auto v = take(c, "SelBackColor")) selectionBack = parseColour(*v);

    if (std::optional<std::string> group = take(c, "KEYWORDS")) {
        KeywordStyle style;
        style.caseSensitive = caseSensitiveValue(take(*group, "CaseSensitive"));
        std::optional<std::string> colour = take(*group, "Color");
        if (auto back = take(*group, "BackColor")) style.back = parseColour(*back);
        if (colour) {
            style.text = parseColour(*colour);
            ElementList words(*group, "Keyword");
            while (auto word = words.next()) addKeyword(*word, style);
        }
    }

    if (std::optional<std::string> list = take(c, "WORDS")) {
        ElementList entries(*list, "WORD");
        while (auto entry = entries.next()) {
            std::string w = *entry;
            std::optional<std::string> value = take(w, "Val");
            std::optional<std::string> colour = take(w, "Color");
            if (!value || !colour) break;
            KeywordStyle style;
            style.text = parseColour(*colour);
            if (auto back = take(w, "BackColor")) style.back = parseColour(*back);
            style.caseSensitive = caseSensitiveValue(take(w, "CaseSensitive"));
            addKeyword(*value, style);
        }
    }

    if (std::optional<std::string> list = take(c, "BLOCKS")) {
        ElementList entries(*list, "BLOCK");
        while (auto entry = entries.next()) {
            std::string b = *entry;
            std::optional<std::string> start = take(b, "Start");
            if (!start) break;
            BlockDefinition block;
            block.start = *start;
            if (auto end = take(b, "End")) block.end = *end;
            if (auto colour = take(b, "Color")) block.text = parseColour(*colour);
            if (auto back = take(b, "BackColor")) block.back = parseColour(*back);
            if (auto whole = take(b, "WholeText")) block.multiLine = lower(*whole) == "true";
            addBlock(block);
        }
    }
}

// --- the header ---------------------------------------------------------------------------

bool readSchemeHeader(SchemeList& list, const std::string& path, std::string_view content) {
    auto between = [&](const char* open, const char* close, std::size_t from) -> std::optional<std::string> {
        std::size_t a = content.find(open, from);
        if (a == std::string_view::npos) return std::nullopt;
        a += std::char_traits<char>::length(open);
        std::size_t b = content.find(close, a);
        if (b == std::string_view::npos) return std::nullopt;
        return std::string(content.substr(a, b - a));
    };

    std::optional<std::string> id = between("<ID>", "</ID>", 0);
    std::optional<std::string> name = between("<NAME>", "</NAME>", 0);
    std::optional<std::string> extensions = between("<EXTENTION>", "</EXTENTION>", 0);
    if (!id || !name || !extensions) return false;

    SchemeEntry entry;
    const char* digits = id->c_str();
    while (*digits && std::isspace(static_cast<unsigned char>(*digits))) ++digits;
    bool negative = *digits == '-';
    if (*digits == '-' || *digits == '+') ++digits;
    long long value = 0;
    for (; *digits >= '0' && *digits <= '9'; ++digits)
        if (value < 10000000000LL) value = value * 10 + (*digits - '0');
    entry.id = int(negative ? -value : value);

    std::size_t a = name->find_first_not_of(' ');
    std::size_t b = name->find_last_not_of(' ');
    entry.name = a == std::string::npos ? std::string() : name->substr(a, b - a + 1);
    entry.path = path;

    std::string list_ = *extensions;
    list_.erase(std::remove_if(list_.begin(), list_.end(), [](char ch) { return ch == ' ' || ch == '\n' || ch == '\r'; }),
                list_.end());
    for (std::size_t p = 0;;) {
        std::size_t open = list_.find("<Ext>", p);
        if (open == std::string::npos) break;
        std::size_t close = list_.find("</Ext>", open + 5);
        if (close == std::string::npos) break;
        entry.extensions.push_back(list_.substr(open + 5, close - open - 5));
        p = close + 6;
    }
    return list.add(std::move(entry));
}

std::string readSchemeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::string();
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
