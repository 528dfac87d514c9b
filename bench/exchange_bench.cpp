// The editor's find and clipboard text on a 10 MB text of code lines, each
// beside its baseline:
//   find down (match case)      vs memchr / std::search over the same bytes
//   find without match case     vs find with it
//   find up                     vs find down (the same distance, backwards)
//   copy of a 10 MB selection, and paste of 1 MB of CR LF text vs the text
//   buffer's plain insert of the same bytes.
//
//   scripts/bench --benchmark_filter=Exchange
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>

#include "editor/editor_core.h"
#include "tests/editor/fixed_measurer.h"

namespace {

constexpr std::size_t kTen = 10u * 1024 * 1024;
const char kNeedle[] = "findMe";

// Lines of code; the needle once, a tenth of the text from one end.
std::string codeText(bool nearEnd) {
    const std::string lines[] = {
        "    int value = compute(index, 42); // running total\n",
        "    if (value > limit) { return Status::kFull; }\n",
        "    for (std::size_t i = 0; i < items.size(); ++i) sum += items[i].weight;\n",
        "}\n",
    };
    std::string t;
    t.reserve(kTen + 128);
    std::size_t mark = nearEnd ? kTen - kTen / 10 : kTen / 10;
    for (std::size_t i = 0; t.size() < kTen; ++i) {
        if (t.size() >= mark && mark) {
            t += std::string("    ") + kNeedle + "();\n";
            mark = 0;
        }
        t += lines[i % 4];
    }
    return t;
}

const std::string& needleNearEnd() {
    static const std::string text = codeText(true);
    return text;
}
const std::string& needleNearStart() {
    static const std::string text = codeText(false);
    return text;
}

struct Fixture {
    FixedMeasurer measurer;
    EditorHost host;
    EditorCore core{measurer, host};
    explicit Fixture(const std::string& text) {
        core.setViewSize(17 + 800, 600);
        core.setText(text);
    }
};

// --- find ----------------------------------------------------------------------------

void BM_ExchangeMemchr(benchmark::State& state) {
    const std::string& text = needleNearEnd();
    for (auto _ : state) benchmark::DoNotOptimize(std::memchr(text.data(), 'M', text.size()));
}
BENCHMARK(BM_ExchangeMemchr)->Unit(benchmark::kMillisecond);

void BM_ExchangeStdSearch(benchmark::State& state) {
    const std::string& text = needleNearEnd();
    std::boyer_moore_horspool_searcher<const char*> searcher(kNeedle, kNeedle + std::strlen(kNeedle));
    for (auto _ : state) benchmark::DoNotOptimize(std::search(text.data(), text.data() + text.size(), searcher));
}
BENCHMARK(BM_ExchangeStdSearch)->Unit(benchmark::kMillisecond);

void BM_ExchangeStdSearchPlain(benchmark::State& state) {
    const std::string& text = needleNearEnd();
    for (auto _ : state)
        benchmark::DoNotOptimize(
            std::search(text.data(), text.data() + text.size(), kNeedle, kNeedle + std::strlen(kNeedle)));
}
BENCHMARK(BM_ExchangeStdSearchPlain)->Unit(benchmark::kMillisecond);

void findFrom(benchmark::State& state, const std::string& text, std::size_t caret, bool down, bool matchCase,
              const char* pattern) {
    Fixture f(text);
    for (auto _ : state) {
        f.core.clearSelection();
        f.core.placeCaret(caret);
        if (!f.core.find(pattern, down, matchCase, false)) state.SkipWithError("not found");
    }
}

void BM_ExchangeFindDownMatchCase(benchmark::State& state) {
    findFrom(state, needleNearEnd(), 0, true, true, kNeedle);
}
BENCHMARK(BM_ExchangeFindDownMatchCase)->Unit(benchmark::kMillisecond);

void BM_ExchangeFindDownAnyCase(benchmark::State& state) {
    findFrom(state, needleNearEnd(), 0, true, false, "FINDME");
}
BENCHMARK(BM_ExchangeFindDownAnyCase)->Unit(benchmark::kMillisecond);

void BM_ExchangeFindUpMatchCase(benchmark::State& state) {
    findFrom(state, needleNearStart(), needleNearStart().size(), false, true, kNeedle);
}
BENCHMARK(BM_ExchangeFindUpMatchCase)->Unit(benchmark::kMillisecond);

void BM_ExchangeFindUpAnyCase(benchmark::State& state) {
    findFrom(state, needleNearStart(), needleNearStart().size(), false, false, "FINDME");
}
BENCHMARK(BM_ExchangeFindUpAnyCase)->Unit(benchmark::kMillisecond);

// --- clipboard ---------------------------------------------------------------------------

void BM_ExchangeCopy10MB(benchmark::State& state) {
    Fixture f(needleNearEnd());
    f.core.selectAll();
    for (auto _ : state) benchmark::DoNotOptimize(f.core.clipboardText());
}
BENCHMARK(BM_ExchangeCopy10MB)->Unit(benchmark::kMillisecond);

const std::string& oneMegabyteCrLf() {
    static const std::string text = [] {
        std::string t;
        while (t.size() < 1024 * 1024) t += "    int value = compute(index, 42); // running total\r\n";
        return t;
    }();
    return text;
}

void BM_ExchangePaste1MBCrLf(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        Fixture f("");
        state.ResumeTiming();
        f.core.paste(oneMegabyteCrLf(), false);
        benchmark::DoNotOptimize(f.core.buffer().length());
    }
}
BENCHMARK(BM_ExchangePaste1MBCrLf)->Unit(benchmark::kMillisecond);

void BM_ExchangeBufferInsert1MB(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        TextBuffer buffer;
        state.ResumeTiming();
        buffer.insert(0, oneMegabyteCrLf());
        benchmark::DoNotOptimize(buffer.length());
    }
}
BENCHMARK(BM_ExchangeBufferInsert1MB)->Unit(benchmark::kMillisecond);

}  // namespace
