// Colours of one screen (60 lines) of a 10 MB C++ text under the shipped
// C++ scheme: at the start, the middle and the end; at the end with a block
// comment opened 5 MB earlier still open; and after typing next to a
// comment delimiter.
#include <benchmark/benchmark.h>

#include <string>

#include "editor/syntax_colorizer.h"
#include "editor/syntax_scheme.h"
#include "editor/text_buffer.h"

namespace {

const std::string& cppText() {
    static const std::string text = [] {
        const char* sample =
            "// a line comment with /* inside\n"
            "int compute(const char* name, int count) {\n"
            "    /* a short block comment */\n"
            "    std::string s = \"a \\\"quoted\\\" string\";\n"
            "    for (int i = 0; i < count; ++i) total += i * 2;\n"
            "    return total;\n"
            "}\n";
        std::string t;
        while (t.size() < 10u * 1024 * 1024) t += sample;
        return t;
    }();
    return text;
}

SyntaxScheme& cppScheme() {
    static SyntaxScheme scheme = [] {
        SyntaxScheme s;
        s.load(readSchemeFile(JEX_SYNTAX_DIR "/cpp.xml"));
        return s;
    }();
    return scheme;
}

// Colours of 60 lines starting at the line holding `at`.
void colourScreen(benchmark::State& state, const TextBuffer& buffer, std::size_t at) {
    std::size_t first = buffer.lineOf(at);
    std::size_t last = std::min(buffer.lineCount() - 1, first + 59);
    SyntaxColorizer colorizer(cppScheme(), buffer);
    for (auto _ : state)
        benchmark::DoNotOptimize(colorizer.colour(buffer.lineStart(first), buffer.lineEnd(last)));
}

void BM_ColourScreenStart(benchmark::State& state) {
    TextBuffer b;
    b.assign(cppText());
    colourScreen(state, b, 0);
}
void BM_ColourScreenMiddle(benchmark::State& state) {
    TextBuffer b;
    b.assign(cppText());
    colourScreen(state, b, b.length() / 2);
}
void BM_ColourScreenEnd(benchmark::State& state) {
    TextBuffer b;
    b.assign(cppText());
    colourScreen(state, b, b.length() - 2000);
}
void BM_ColourScreenEndInsideOpenComment(benchmark::State& state) {
    TextBuffer b;
    std::string text = cppText();
    std::string tail = text.substr(text.size() / 2);
    for (std::size_t p = 0; (p = tail.find("*/", p)) != std::string::npos;) tail.replace(p, 2, "*_");
    b.assign(text.substr(0, text.size() / 2) + "/* opened here\n" + tail);
    colourScreen(state, b, b.length() - 2000);
}
// No block comment anywhere: the scan for an opener walks to the text start.
void BM_ColourScreenEndNoBlockComment(benchmark::State& state) {
    TextBuffer b;
    std::string text = cppText();
    for (std::size_t p = 0; (p = text.find("/*", p)) != std::string::npos;) text.replace(p, 2, "//");
    b.assign(text);
    colourScreen(state, b, b.length() - 2000);
}

void BM_ColourScreenAfterTypingNearDelimiter(benchmark::State& state) {
    TextBuffer b;
    b.assign(cppText());
    std::size_t at = b.find("/* a short", b.length() / 2);
    b.insert(at + 2, "x");  // the gap now sits in the screen
    colourScreen(state, b, at);
}

BENCHMARK(BM_ColourScreenStart)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ColourScreenMiddle)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ColourScreenEnd)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ColourScreenEndInsideOpenComment)->Unit(benchmark::kMicrosecond);
// Scrolling down a screen at a time through a text without block comments:
// every paint looks back for an opener, and only the new lines are new.
void BM_ColourScrollingNoBlockComment(benchmark::State& state) {
    TextBuffer b;
    std::string text = cppText();
    for (std::size_t p = 0; (p = text.find("/*", p)) != std::string::npos;) text.replace(p, 2, "//");
    b.assign(text);
    SyntaxColorizer colorizer(cppScheme(), b);
    std::size_t line = 0;
    for (auto _ : state) {
        std::size_t last = std::min(b.lineCount() - 1, line + 59);
        benchmark::DoNotOptimize(colorizer.colour(b.lineStart(line), b.lineEnd(last)));
        line = last + 1 >= b.lineCount() ? 0 : line + 60;
    }
}

BENCHMARK(BM_ColourScrollingNoBlockComment)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ColourScreenEndNoBlockComment)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ColourScreenAfterTypingNearDelimiter)->Unit(benchmark::kMicrosecond);

}  // namespace
