// search: lines of the texts and memos that hold a phrase.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "jexlib/commands.h"
#include "jexlib/files.h"
#include "jexlib/library.h"
#include "jexlib/phrase_finder.h"
#include "jexlib/unicode.h"
#include "store/transaction.h"
#include "text/gbk.h"

namespace jexlib {

namespace {

constexpr std::size_t kLongLine = 400;     // longer lines are shown around the match
constexpr std::size_t kShownBefore = 120;  // bytes of such a line shown before the match
constexpr std::size_t kShownAfter = 200;   // ... and after it

struct Hit {
    std::size_t node;  // in the tree's order
    bool memo;
    std::size_t line;
    std::string text;  // UTF-8
};

// The last character boundary at or before `limit`, walking from `start`
// (a boundary).
std::size_t boundaryBefore(std::string_view text, std::size_t start, std::size_t limit) {
    std::size_t at = start;
    while (at < limit) {
        std::size_t next = at + gbk::charLength(text, at);
        if (next > limit) break;
        at = next;
    }
    return at;
}

// The line from `start` to `end` (a line feed or the text's end) as shown:
// without its carriage return, a long one cut around the match at `match`.
std::string shownLine(std::string_view text, std::size_t start, std::size_t end, std::size_t match,
                      std::size_t length) {
    if (end > start && text[end - 1] == '\r') --end;
    if (end - start <= kLongLine) return readableUtf8(text.substr(start, end - start));
    std::size_t from = match > start + kShownBefore ? boundaryBefore(text, start, match - kShownBefore) : start;
    std::size_t to = std::min(end, boundaryBefore(text, match, std::min(end, match + length + kShownAfter)));
    std::string shown = from > start ? "..." : "";
    shown += readableUtf8(text.substr(from, to - from));
    if (to < end) shown += "...";
    return shown;
}

// Every line of `text` holding the phrase, once each.
void findLines(const PhraseFinder& finder, std::string_view text, std::size_t node, bool memo,
               std::vector<Hit>& hits) {
    std::size_t line = 1;
    std::size_t counted = 0;  // line numbers are counted up to here
    std::size_t from = 0;     // a line start: a character boundary
    while (from < text.size()) {
        std::size_t match = finder.find(text, from);
        if (match == PhraseFinder::npos) return;
        line += std::size_t(std::count(text.begin() + std::ptrdiff_t(counted), text.begin() + std::ptrdiff_t(match), '\n'));
        counted = match;
        std::size_t start = from;
        if (match > from) {
            std::size_t feed = text.rfind('\n', match - 1);
            if (feed != std::string_view::npos && feed >= from) start = feed + 1;
        }
        std::size_t end = text.find('\n', match);
        if (end == std::string_view::npos) end = text.size();
        hits.push_back({node, memo, line, shownLine(text, start, end, match, finder.size())});
        from = end + 1;
        ++line;
        counted = from;
    }
}

}  // namespace

std::uint64_t searchLibrary(const fs::path& library, const std::string& words, Reporter& reporter) {
    if (words.empty()) throw Failure("nothing to search for");
    store::DbConnection db;
    openForReading(db, library);
    PhraseFinder finder(words);
    std::vector<Hit> hits;
    LibraryTree tree;
    try {
        auto lock = db.lock();
        store::Transaction snapshot(db);
        tree = readTree(db);
        std::uint64_t texts = std::uint64_t(db.scalar("SELECT count(*) FROM content_tbl;"));
        std::uint64_t done = 0;
        store::DbQuery q = db.query("SELECT ItemId, content, memo FROM content_tbl;");
        for (; !q.eof(); q.nextRow()) {
            reporter.progress("search", ++done, texts);
            auto it = tree.indexOf.find(intColumn(q, 0).value_or(0));
            if (it == tree.indexOf.end() || !tree.nodes[it->second].isText()) continue;
            for (int column : {1, 2}) {
                const char* text = q.fieldValue(column);
                if (text) findLines(finder, text, it->second, column == 2, hits);
            }
        }
        q.finalize();
        snapshot.commit();
    } catch (const store::CppSQLite3Exception& e) {
        reporter.endProgress();
        throw Failure(utf8Path(library) + ": cannot be read: " + e.errorMessage());
    }
    reporter.endProgress();

    std::stable_sort(hits.begin(), hits.end(), [](const Hit& a, const Hit& b) {
        if (a.node != b.node) return a.node < b.node;
        if (a.memo != b.memo) return !a.memo;
        return a.line < b.line;
    });
    for (const Hit& h : hits) {
        const NodeRecord& n = tree.nodes[h.node];
        std::string folder = tree.folderPath(h.node);
        std::string name = readableUtf8((folder.empty() ? "" : folder + "/") + n.title.value_or(""));
        reporter.print(name + (h.memo ? " (memo)" : "") + ":" + std::to_string(h.line) + ":" + h.text);
    }
    return hits.size();
}

}  // namespace jexlib
