// Waiting for the program in the end-to-end tests, as gtest assertions: a
// condition polled until it holds, whose failure after the time-out names
// what was checked and shows the last value seen; the program's thread seen
// through its queue; real mouse gestures repeated until they take effect.
//   EXPECT_TRUE(e2e::waitForText(editor, "return 0;"));
//   ASSERT_TRUE(e2e::waitFor("the code view's tabs", [&] { return codeTabLabels(); }, Rows{"a.c*"}));
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <ostream>
#include <string>
#include <type_traits>
#include <vector>

#include "tests/e2e/driver.h"

namespace e2e {

// A condition on a text: it starts with `prefix`.
struct StartsWith {
    std::string prefix;
    bool operator()(const std::string& text) const { return text.rfind(prefix, 0) == 0; }
};
inline void PrintTo(const StartsWith& condition, std::ostream* out) {
    *out << "a text starting with " << ::testing::PrintToString(condition.prefix);
}

// A window as a failure names it: class and handle.
inline std::string describe(HWND window) {
    if (!window) return "no window";
    char handle[16];
    std::snprintf(handle, sizeof handle, "%p", static_cast<void*>(window));
    return className(window) + " " + handle;
}

namespace detail {

// `expected` is a value to equal or a condition (something callable) to meet.
template <class T, class Expected>
bool matches(const T& value, const Expected& expected) {
    if constexpr (std::is_invocable_r_v<bool, const Expected&, const T&>)
        return expected(value);
    else
        return value == expected;
}

template <class T, class Expected>
::testing::AssertionResult verdict(const std::string& what, const T& last, bool met, int ms,
                                   const Expected& expected) {
    if (met) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << what << " is " << ::testing::PrintToString(last) << " after " << ms
                                         << " ms, expected " << ::testing::PrintToString(expected);
}

}  // namespace detail

// Waits until `probe()` matches `expected`.
template <class Probe, class Expected>
::testing::AssertionResult waitFor(const std::string& what, Probe probe, const Expected& expected,
                                   int timeoutMs = kWaitMs) {
    auto seen = poll(probe, [&](const auto& value) { return detail::matches(value, expected); }, timeoutMs);
    return detail::verdict(what, seen.value, seen.met, seen.ms, expected);
}

inline ::testing::AssertionResult waitForText(HWND window, const std::string& expected) {
    return waitFor("the text of " + describe(window), [=] { return windowText(window); }, expected);
}

template <class Expected>
::testing::AssertionResult waitForStatus(DWORD pid, HWND statusBar, int pane, const Expected& expected) {
    return waitFor("status pane " + std::to_string(pane), [=] { return statusText(pid, statusBar, pane); },
                   expected);
}

inline ::testing::AssertionResult waitForTabLabels(DWORD pid, HWND tabs, const std::vector<std::string>& expected) {
    return waitFor("the labels of " + describe(tabs), [=] { return tabLabels(pid, tabs); }, expected);
}

// Waits until `window` is no longer shown (closed or hidden).
inline ::testing::AssertionResult waitForGone(HWND window) {
    return waitFor(describe(window) + " shown", [=] { return IsWindowVisible(window) != FALSE; }, false);
}

// Waits until keys typed go to `target` (see hasKeyboard): to be called
// before typing.
inline ::testing::AssertionResult waitForKeyboard(HWND target) {
    auto seen = poll([=] { return hasKeyboard(target); }, [](bool has) { return has; });
    if (seen.met) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the focus is in " << describe(focusOf(target)) << ", "
                                         << describe(GetForegroundWindow()) << " in front after " << seen.ms
                                         << " ms, expected the focus in " << describe(target);
}

// Waits until the thread of `window` has handled every message posted and
// all input sent to it before the call.  A thread repaints a window only
// when nothing else is queued for it: the window is invalidated and its
// repaint waited for.  Hence `window` must be visible and not empty.
inline ::testing::AssertionResult waitForIdle(HWND window) {
    SIZE size = clientSize(window);
    if (!IsWindowVisible(window) || size.cx <= 0 || size.cy <= 0)
        return ::testing::AssertionFailure() << describe(window) << " cannot show its thread idle: not shown";
    InvalidateRect(window, nullptr, FALSE);
    return waitFor(describe(window) + " awaiting its repaint",
                   [=] { return GetUpdateRect(window, nullptr, FALSE) != FALSE; }, false);
}

// Answers a message box as a click on its button would, and waits until the
// program has gone on from it: the box is gone and `window`, another window
// of its thread, shows the thread idle.
inline ::testing::AssertionResult answerBox(HWND box, int button, HWND window) {
    clickButton(box, button);
    ::testing::AssertionResult gone = waitForGone(box);
    return gone ? waitForIdle(window) : gone;
}

// Repeats a real-input gesture until `probe()` matches `expected`: a click
// into a window that was not active may only activate it.  A try without
// effect after a second (more than the double-click time, so that tries
// never pair up) is repeated once `target`'s thread has handled the input.
// Returns once the whole gesture has been handled: its effect may show
// before its last input (a button's release) is, which messages posted
// afterwards would overtake.
template <class Gesture, class Probe, class Expected>
::testing::AssertionResult repeatUntil(HWND target, Gesture gesture, const std::string& what, Probe probe,
                                       const Expected& expected) {
    const DWORD start = GetTickCount();
    auto met = [&](const auto& value) { return detail::matches(value, expected); };
    for (;;) {
        gesture();
        auto seen = poll(probe, met, 1000);
        ::testing::AssertionResult idle = waitForIdle(target);
        if (!seen.met && idle) seen = poll(probe, met, 0);
        int ms = int(GetTickCount() - start);
        if (seen.met) return idle;
        if (ms >= kWaitMs) return detail::verdict(what, seen.value, seen.met, ms, expected);
    }
}

// Types ASCII text into an editor where its caret is, a character at a
// time, each once the one before has arrived (the text has grown by it).
// Under a heavy load a key can be lost on its way: one that has not arrived
// once the editor's thread has handled all its input is typed again.
inline ::testing::AssertionResult typeInto(HWND editor, const std::string& ascii) {
    ::testing::AssertionResult ready = waitForKeyboard(editor);
    if (ready) ready = waitForIdle(editor);  // keys sent before have all been handled
    if (!ready) return ready;
    std::size_t length = windowText(editor).size();
    for (char c : ascii) {
        const char one[2] = {c, '\0'};
        ::testing::AssertionResult typed = repeatUntil(
            editor, [&] { typeAscii(one); }, "the length of the text of " + describe(editor),
            [=] { return windowText(editor).size(); }, ++length);
        if (!typed) return typed;
    }
    return ::testing::AssertionSuccess();
}

// Whether an editor has the keyboard, and where its caret is.
struct Caret {
    bool focused;
    RECT rect;  // client coordinates; empty when the editor shows none
};
inline Caret caretOf(HWND editor) { return {hasKeyboard(editor), caretRect(editor)}; }
inline void PrintTo(const Caret& caret, std::ostream* out) {
    *out << (caret.focused ? "focused, " : "not focused, ") << "caret at y " << caret.rect.top << ".."
         << caret.rect.bottom;
}
// A caret, with the focus, on the text line at height `y`.
struct OnLineAt {
    LONG y;
    bool operator()(const Caret& caret) const {
        return caret.focused && caret.rect.top <= y && y < caret.rect.bottom;
    }
};
inline void PrintTo(const OnLineAt& line, std::ostream* out) {
    *out << "focused, the caret on the line at y " << line.y;
}

// Clicks into an editor at a point of its client area until it has the
// keyboard and its caret is on the line clicked.
inline ::testing::AssertionResult clickIntoText(HWND editor, POINT client) {
    POINT screen = client;
    ClientToScreen(editor, &screen);
    return repeatUntil(
        editor, [=] { click(screen.x, screen.y); }, "the editor " + describe(editor), [=] { return caretOf(editor); },
        OnLineAt{client.y});
}

}  // namespace e2e
