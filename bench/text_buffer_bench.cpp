// The editor's text buffer on a 10 MB text of 80-byte lines: loading it
// (against a plain copy of the same bytes), single-byte edits with the gap
// moving short and long distances, and finding the line of a position.
//
//   build/bench/bench/text_buffer_bench --benchmark_filter=Insert
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "editor/text_buffer.h"

namespace {

constexpr std::size_t kLineLength = 80;  // LF included
constexpr std::size_t kSize = 10 * 1024 * 1024;

const std::string& tenMegabytes() {
    static const std::string text = [] {
        std::string s;
        s.reserve(kSize);
        while (s.size() < kSize) {
            for (std::size_t i = 0; i + 1 < kLineLength; ++i) s += char('a' + (s.size() + i) % 26);
            s += '\n';
        }
        return s;
    }();
    return text;
}

void BM_Memcpy10MB(benchmark::State& state) {
    const std::string& text = tenMegabytes();
    std::vector<char> out(text.size());
    for (auto _ : state) {
        std::memcpy(out.data(), text.data(), text.size());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(text.size()));
}
BENCHMARK(BM_Memcpy10MB)->Unit(benchmark::kMillisecond);

void BM_Assign10MB(benchmark::State& state) {
    const std::string& text = tenMegabytes();
    TextBuffer b;
    for (auto _ : state) {
        b.assign(text);
        benchmark::DoNotOptimize(b.lineCount());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(text.size()));
}
BENCHMARK(BM_Assign10MB)->Unit(benchmark::kMillisecond);

// A loaded buffer whose gap has already grown, so that growth is not timed.
TextBuffer loaded() {
    TextBuffer b;
    b.assign(tenMegabytes());
    b.insert(0, "x");
    b.erase(0, 1);
    return b;
}

// One byte typed and deleted again per iteration, alternately at the middle
// and `jump` bytes after it: 0 keeps the gap in place, small jumps are
// moving around a screenful, and kSize / 2 alternates with the end of text.
void BM_InsertCharMiddle(benchmark::State& state) {
    TextBuffer b = loaded();
    const std::size_t places[2] = {kSize / 2, std::min(kSize / 2 + std::size_t(state.range(0)), b.length())};
    std::size_t i = 0;
    for (auto _ : state) {
        const std::size_t pos = places[i++ & 1];
        b.insert(pos, "x");
        b.erase(pos, 1);
    }
    benchmark::DoNotOptimize(b.length());
}
BENCHMARK(BM_InsertCharMiddle)->ArgName("jump")->Arg(0)->Arg(800)->Arg(80 * 1000)->Arg(kSize / 2);

void BM_InsertCharEnd(benchmark::State& state) {
    TextBuffer b = loaded();
    for (auto _ : state) {
        b.insert(b.length(), "x");
        b.erase(b.length() - 1, 1);
    }
    benchmark::DoNotOptimize(b.length());
}
BENCHMARK(BM_InsertCharEnd);

// A byte typed on each of two lines `lines` apart, then both deleted: the
// pending shift of the line index has to be carried between the two lines.
void BM_EditTwoLines(benchmark::State& state) {
    TextBuffer b = loaded();
    const std::size_t upper = b.lineCount() / 4;
    const std::size_t lower = upper + std::size_t(state.range(0));
    for (auto _ : state) {
        b.insert(b.lineStart(upper) + 10, "x");
        b.insert(b.lineStart(lower) + 10, "y");
        b.erase(b.lineStart(upper) + 10, 1);
        b.erase(b.lineStart(lower) + 10, 1);
    }
    benchmark::DoNotOptimize(b.length());
}
BENCHMARK(BM_EditTwoLines)->ArgName("lines")->Arg(1)->Arg(100)->Arg(65536);

void BM_LineOfMiddle(benchmark::State& state) {
    TextBuffer b = loaded();
    b.insert(kSize / 4, "x");  // leaves a pending shift over the lower half
    std::size_t i = 0;
    for (auto _ : state) benchmark::DoNotOptimize(b.lineOf(kSize / 2 + (i++ & 4095)));
}
BENCHMARK(BM_LineOfMiddle);

}  // namespace
