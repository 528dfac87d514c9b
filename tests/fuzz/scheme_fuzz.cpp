// libFuzzer target for the syntax scheme readers: the header reader, the
// whole-scheme reader and the colouring of text under the scheme read.
//
// One input is used three ways: as a scheme file for readSchemeHeader and
// SyntaxScheme::load; the loaded scheme then colours a fixed sample text
// (from the start of every line, so that blocks opened above are carried
// in) and the input itself taken as text, in a buffer whose gap lies in the
// middle so that searches run across it.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "editor/scheme_list.h"
#include "editor/syntax_colorizer.h"
#include "editor/syntax_scheme.h"
#include "editor/text_buffer.h"

namespace {

// Comments, strings with escapes, keywords in several letter cases and
// GBK double-byte characters.
constexpr std::string_view kSample =
    "/* a comment\n"
    "   over two lines */ int main(void) {\n"
    "    char* s = \"a \\\"quoted\\\" string\\\\\"; // line comment\n"
    "    Select select SELECT sElEcT if else while\n"
    "    '\\'' <!-- markup --> <tag attr=\"v\">&amp;</tag>\n"
    "\t# hash comment \xD6\xD0\xCE\xC4 \xB4\xFA\xC2\xEB\n"
    "    x = a+b-c*d/e; { [ ( ) ] } ~ ` % ^ & ! =\n"
    "    /* unclosed at the end\n"
    "return 0;\n"
    "}";

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "scheme_fuzz: broken invariant: %s\n", what);
        std::abort();
    }
}

// Colours [from, to) and checks the shape of the results.
void colourStretch(const SyntaxColorizer& colorizer, std::size_t from, std::size_t to) {
    std::vector<ByteColours> colours = colorizer.colour(from, to);
    check(colours.size() == (to > from ? to - from : 0), "colour() size");

    std::vector<BlockRange> ranges = colorizer.blockRanges(from, to);
    std::size_t next = from;
    for (const BlockRange& r : ranges) {
        check(r.block != nullptr, "block range without block");
        check(r.first >= next, "block ranges out of order");
        check(r.first <= r.last && r.last < to, "block range outside the stretch");
        next = r.last + 1;
    }
}

void colourText(const SyntaxScheme& scheme, const TextBuffer& text, bool everyLine) {
    SyntaxColorizer colorizer(scheme, text);
    const std::size_t length = text.length();
    colourStretch(colorizer, 0, length);

    // Painting from a line below the first: the carry-in scan looks back.
    const std::size_t lines = text.lineCount();
    std::vector<std::size_t> picks;
    if (everyLine) {
        for (std::size_t i = 1; i < lines; ++i) picks.push_back(i);
    } else if (lines > 1) {
        picks = {1, lines / 2, lines - 1};
    }
    for (std::size_t line : picks) {
        const std::size_t start = text.lineStart(line);
        colourStretch(colorizer, start, length);
        colourStretch(colorizer, start, text.lineEnd(line));
        BlockRange carried = colorizer.carryIn(start);
        if (carried.block) check(carried.first < start && carried.last < length, "carry-in range");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    // The header reader; the same file again is a duplicate id.
    SchemeList list;
    const bool added = readSchemeHeader(list, "Syntax/fuzz.xml", input);
    check(added == (list.entries().size() == 1), "header entry count");
    if (added) {
        check(!readSchemeHeader(list, "Syntax/again.xml", input), "duplicate id accepted");
        const SchemeEntry& entry = list.entries().front();
        check(list.byId(entry.id) == &entry, "entry not found by id");
        for (const std::string& extension : entry.extensions) check(list.byExtension(extension) != nullptr, "extension lost");
    }

    // The whole scheme, twice: a second load starts from the first's
    // delimiters and colours.
    SyntaxScheme scheme;
    scheme.load(input);
    scheme.load(input);
    for (std::size_t i = 1; i < scheme.blocks.size(); ++i)
        check(scheme.blocks[i - 1].start.size() >= scheme.blocks[i].start.size(), "blocks not longest first");
    for (const BlockDefinition& block : scheme.blocks) {
        check(block.start.size() <= SyntaxScheme::kMaxDelimiter && block.end.size() <= SyntaxScheme::kMaxDelimiter,
              "overlong block delimiter kept");
        check(!block.multiLine || (!block.start.empty() && !block.end.empty()), "multi-line block without delimiters");
    }
    for (const auto& entry : scheme.keywords) check(scheme.findKeyword(entry.first) != nullptr, "keyword not found");

    // The fixed sample, from every line start.
    TextBuffer sample;
    sample.assign(kSample);
    colourText(scheme, sample, true);

    // The input itself as text, the gap in the middle of it.
    TextBuffer text;
    const std::size_t half = size / 2;
    text.assign(input.substr(half));
    text.insert(0, input.substr(0, half));
    check(text.length() == size && text.text() == input, "text buffer contents");
    colourText(scheme, text, false);
    return 0;
}
