// The editing core on a 10 MB text of 80-byte lines: loading it, single
// keystrokes (with their undo record and caret placement) in the middle and
// at the end, Delete, a 300-record undo/redo walk, and a mouse hit.
//
//   scripts/bench --benchmark_filter=Editor
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "editor/editor_core.h"
#include "tests/editor/fixed_measurer.h"

namespace {

const std::string& tenMegabytes() {
    static const std::string text = [] {
        std::string line(79, 'x');
        for (std::size_t i = 0; i < line.size(); i += 8) line[i] = ' ';
        line += '\n';
        std::string t;
        t.reserve(10u * 1024 * 1024);
        while (t.size() + line.size() <= 10u * 1024 * 1024) t += line;
        return t;
    }();
    return text;
}

struct Fixture {
    FixedMeasurer measurer;
    EditorHost host;
    EditorCore core{measurer, host};
    Fixture() {
        core.setViewSize(17 + 800, 600);
        core.setText(tenMegabytes());
    }
};

void BM_EditorMemcpy10MB(benchmark::State& state) {
    const std::string& text = tenMegabytes();
    std::vector<char> target(text.size());
    for (auto _ : state) {
        std::memcpy(target.data(), text.data(), text.size());
        benchmark::DoNotOptimize(target.data());
    }
}
BENCHMARK(BM_EditorMemcpy10MB)->Unit(benchmark::kMillisecond);

void BM_EditorSetText10MB(benchmark::State& state) {
    FixedMeasurer measurer;
    EditorHost host;
    EditorCore core(measurer, host);
    for (auto _ : state) core.setText(tenMegabytes());
}
BENCHMARK(BM_EditorSetText10MB)->Unit(benchmark::kMillisecond);

// Two keystrokes per iteration: a character, then Backspace.
void typeAndErase(benchmark::State& state, bool atEnd) {
    Fixture f;
    f.core.placeCaret(atEnd ? tenMegabytes().size() : tenMegabytes().size() / 2 + 40);
    for (auto _ : state) {
        f.core.keyDown('A', false, false);
        f.core.typeChar('a');
        f.core.keyDown(kKeyBack, false, false);
    }
    state.SetItemsProcessed(state.iterations() * 2);
}
void BM_EditorKeystrokeMiddle(benchmark::State& state) { typeAndErase(state, false); }
void BM_EditorKeystrokeEnd(benchmark::State& state) { typeAndErase(state, true); }
BENCHMARK(BM_EditorKeystrokeMiddle)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EditorKeystrokeEnd)->Unit(benchmark::kMicrosecond);

// Delete at the middle, then Undo to put the byte back.
void BM_EditorDeleteMiddleAndUndo(benchmark::State& state) {
    Fixture f;
    std::size_t middle = tenMegabytes().size() / 2 + 40;
    for (auto _ : state) {
        f.core.placeCaret(middle);
        f.core.keyDown(kKeyDelete, false, false);
        f.core.undo();
    }
}
BENCHMARK(BM_EditorDeleteMiddleAndUndo)->Unit(benchmark::kMicrosecond);

// A full history of 300 records, all undone and redone.
void BM_EditorUndoRedo300(benchmark::State& state) {
    Fixture f;
    f.core.placeCaret(tenMegabytes().size() / 2);
    for (int i = 0; i < 300; ++i) f.core.keyDown(kKeyReturn, false, false);
    for (auto _ : state) {
        while (f.core.undo()) {
        }
        while (f.core.redo()) {
        }
    }
    state.SetItemsProcessed(state.iterations() * 600);
}
BENCHMARK(BM_EditorUndoRedo300)->Unit(benchmark::kMillisecond);

// The caret placed from a mouse point on the last visible line, with the
// view in the middle of the text.
void BM_EditorCaretFromPoint(benchmark::State& state) {
    Fixture f;
    f.core.scroll(true, 4, int(f.core.verticalRange() / 2));
    int lastRow = (f.core.pageLines() - 1) * 16 + 4;
    for (auto _ : state) {
        f.core.mouseDown(17 + 300, lastRow, false, false);
        f.core.mouseUp();
    }
}
BENCHMARK(BM_EditorCaretFromPoint)->Unit(benchmark::kMicrosecond);

}  // namespace
