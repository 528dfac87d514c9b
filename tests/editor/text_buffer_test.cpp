// The gap buffer and its line index, checked against a plain string.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "editor/text_buffer.h"

namespace {

// Compares every observable of the buffer with values recomputed from the
// model string.  lineOf is checked at every position, LFs included.
void expectMatches(const TextBuffer& b, const std::string& model) {
    ASSERT_EQ(b.length(), model.size());
    ASSERT_EQ(b.text(), model);
    std::size_t line = 0, start = 0;
    for (std::size_t pos = 0; pos <= model.size(); ++pos) {
        ASSERT_EQ(b.lineOf(pos), line) << "pos " << pos;
        if (pos == model.size() || model[pos] == '\n') {
            ASSERT_EQ(b.lineStart(line), start) << "line " << line;
            ASSERT_EQ(b.lineEnd(line), pos) << "line " << line;
            ++line;
            start = pos + 1;
        }
    }
    ASSERT_EQ(b.lineCount(), line);
}

std::string randomBytes(std::mt19937& rng, std::size_t n, int lfPercent) {
    std::string s(n, '\0');
    for (char& c : s) c = int(rng() % 100) < lfPercent ? '\n' : char(0x20 + rng() % 0xE0);
    return s;
}

// Random edits, mostly near the previous one (as typing is) and sometimes
// anywhere, so that edits land before, inside and after the pending shift
// of the line index, and the gap moves both short and long distances.
TEST(TextBufferRandomized, MatchesAStringModel) {
    std::mt19937 rng(20240611);
    TextBuffer b;
    std::string model;
    std::size_t cursor = 0;
    for (int op = 0; op < 4000; ++op) {
        std::size_t len = model.size();
        std::size_t pos = rng() % 4 ? std::min(len, cursor + rng() % 40 - std::min<std::size_t>(cursor, 20))
                                    : rng() % (len + 1);
        const int lfPercent = int(rng() % 3) * 15;  // none, some, many LFs
        if (op % 500 == 499) {
            model = randomBytes(rng, rng() % 3000, 5);
            b.assign(model);
            pos = 0;
        } else if (len < 200 || rng() % 2) {
            std::string bytes = randomBytes(rng, rng() % 8 ? 1 + rng() % 8 : rng() % 600, lfPercent);
            b.insert(pos, bytes);
            model.insert(pos, bytes);
            pos += bytes.size();
        } else {
            std::size_t count = rng() % 8 ? rng() % 8 : rng() % 400;
            b.erase(pos, count);
            model.erase(pos, count);
        }
        cursor = pos;
        ASSERT_NO_FATAL_FAILURE(expectMatches(b, model)) << "after op " << op;
        std::size_t from = rng() % (model.size() + 2), count = rng() % 300;
        ASSERT_EQ(b.substr(from, count), from < model.size() ? model.substr(from, count) : "");
    }
}

TEST(TextBufferLines, EmptyTextHasOneEmptyLine) {
    TextBuffer b;
    EXPECT_EQ(b.lineCount(), 1u);
    EXPECT_EQ(b.lineEnd(0), 0u);
    EXPECT_EQ(b.lineOf(0), 0u);
    b.assign("x\ny");
    b.erase(0, 10);
    expectMatches(b, "");
}

TEST(TextBufferLines, TrailingLfStartsAnEmptyLastLine) {
    TextBuffer b;
    b.assign("ab\n");
    EXPECT_EQ(b.lineCount(), 2u);
    EXPECT_EQ(b.lineOf(2), 0u);  // the LF belongs to the line it ends
    EXPECT_EQ(b.lineOf(3), 1u);
    EXPECT_EQ(b.lineStart(1), 3u);
    EXPECT_EQ(b.lineEnd(1), 3u);
}

TEST(TextBufferEdits, EraseAcrossSeveralLfsJoinsTheLines) {
    TextBuffer b;
    b.assign("one\ntwo\nthree\nfour\nfive");
    b.erase(2, 13);  // "e\ntwo\nthree\nf"
    expectMatches(b, "onour\nfive");
}

TEST(TextBufferEdits, InsertAtTheEndsAndAtALineStart) {
    TextBuffer b;
    b.assign("b\nc");
    b.insert(0, "a\n");
    b.insert(b.length(), "\nd");
    b.insert(b.lineStart(2), "x");  // joins line 2, its start stays
    expectMatches(b, "a\nb\nxc\nd");
}

TEST(TextBufferEdits, AssignDropsThePendingShiftOfEarlierEdits) {
    TextBuffer b;
    b.assign(std::string(50, 'a') + "\n" + std::string(50, 'b') + "\nc\nd");
    b.insert(3, "xyz");
    b.erase(60, 2);
    b.assign("p\nq\nr");
    expectMatches(b, "p\nq\nr");
    b.insert(2, "\n");
    expectMatches(b, "p\n\nq\nr");
}

TEST(TextBufferEdits, GbkAndCrBytesAreOrdinaryBytes) {
    TextBuffer b;
    const std::string zhongwen = "\xD6\xD0\xCE\xC4";
    b.assign(zhongwen + "\r\n" + zhongwen);
    EXPECT_EQ(b.lineCount(), 2u);
    EXPECT_EQ(b.lineEnd(0), 5u);
    EXPECT_EQ(b.at(7), '\xD0');
    b.erase(1, 2);  // half characters are the caller's concern
    b.insert(1, "\x81\x40");
    expectMatches(b, "\xD6\x81\x40\xC4\r\n" + zhongwen);
}

}  // namespace

// Searches must see occurrences on either side of the gap and across it,
// and respect their bounds, exactly as a search of the plain string does.
TEST(TextBufferSearch, FindAndRfindAgreeWithAPlainStringWhereverTheGapIs) {
    std::mt19937 rng(11);
    const char alphabet[] = "ab/*\n";
    for (int round = 0; round < 300; ++round) {
        std::string model;
        for (int i = 0; i < 60; ++i) model += alphabet[rng() % 5];
        TextBuffer b;
        b.assign(model);
        // Move the gap somewhere by an edit that is undone at once.
        std::size_t at = rng() % (model.size() + 1);
        b.insert(at, "#");
        b.erase(at, 1);
        std::string pattern;
        for (std::size_t n = 1 + rng() % 3; n; --n) pattern += alphabet[rng() % 5];
        std::size_t from = rng() % (model.size() + 1);
        std::size_t limit = from + rng() % (model.size() + 1 - from + 1);
        std::size_t expected = model.find(pattern, from);
        if (expected != std::string::npos && expected + pattern.size() > limit) expected = std::string::npos;
        EXPECT_EQ(b.find(pattern, from, limit), expected) << model << " / " << pattern << " from " << from;
        std::size_t before = rng() % (model.size() + 1);
        std::size_t last = before == 0 ? std::string::npos : model.rfind(pattern, before - 1);
        EXPECT_EQ(b.rfind(pattern, before), last) << model << " / " << pattern << " before " << before;
    }
}

// What a backward search remembers must not outlive an edit that creates
// an occurrence in the stretch it found empty.
TEST(TextBufferSearch, RememberedEmptyStretchesAreForgottenByEdits) {
    TextBuffer b;
    b.assign(std::string(1000, 'x'));
    EXPECT_EQ(b.rfind("/*", 1000), std::string::npos);  // learned: none below 1000
    b.insert(500, "/");
    b.insert(501, "*");
    EXPECT_EQ(b.rfind("/*", 1002), 500u);
    b.insert(0, "/*");
    EXPECT_EQ(b.rfind("/*", 500), 0u);
    b.erase(502, 2);
    EXPECT_EQ(b.rfind("/*", 1002), 0u);
    // An occurrence made across the edit point: "/" before it, "*" inserted.
    b.assign("ab/cd");
    EXPECT_EQ(b.rfind("/*", 5), std::string::npos);
    b.insert(3, "*");
    EXPECT_EQ(b.rfind("/*", 6), 2u);
}
