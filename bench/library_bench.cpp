// Listing a folder, deleting a subtree and opening a text in a library of
// 100 000 nodes, with the indexes and in the same library without them (as
// versions before them left it), and what opening such a library costs:
//
//   build/bench/bench/library_bench --benchmark_filter=Listing
//
// The library is written once per run (a few seconds), then copied, and the
// copy stripped of its indexes.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>

#include "bench/library.h"
#include "store/db_connection.h"
#include "store/db_sql_buffer.h"
#include "store/schema.h"
#include "store/statements.h"
#include "tree/tree_store.h"

namespace {

namespace fs = std::filesystem;

constexpr int kNodes = 100000;
constexpr int kFolderSize = 1000;
constexpr int kSubtree = 1000;

fs::path freshFolder() {
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    return fs::temp_directory_path() / ("jex-library-bench-" + std::to_string(stamp));
}

// The two libraries, open for the whole run.
class Libraries {
public:
    static Libraries& get() {
        static Libraries libraries;
        return libraries;
    }
    ~Libraries() {
        indexed_.close();
        unindexed_.close();
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    store::DbConnection& db(bool indexed) { return indexed ? indexed_ : unindexed_; }
    const bench::Library& library() const { return library_; }
    std::string path(const char* name) const { return (dir_ / name).string(); }

private:
    Libraries() {
        fs::create_directories(dir_);
        store::openSnippetDatabase(indexed_, path("indexed.db").c_str(), false);
        library_ = bench::fillLibrary(indexed_, {kNodes, kFolderSize});
        indexed_.close();
        fs::copy_file(path("indexed.db"), path("unindexed.db"));
        store::openSnippetDatabase(indexed_, path("indexed.db").c_str(), true);
        // Opened without store::openSnippetDatabase, which would add them again.
        unindexed_.openWithKey(path("unindexed.db").c_str(), store::kPassPhrase);
        bench::dropIndexes(unindexed_);
    }

    fs::path dir_ = freshFolder();
    store::DbConnection indexed_;
    store::DbConnection unindexed_;
    bench::Library library_;
};

// The folder of 1 000 texts, through the tree's listing (kListChildren).
void BM_Listing1000ChildrenAmong100000(benchmark::State& state, bool indexed) {
    Libraries& libraries = Libraries::get();
    TreeStore tree(libraries.db(indexed));
    for (auto _ : state) {
        int rows = 0, withChildren = 0;
        tree.listChildren(libraries.library().bigFolderId, [&](const NodeRow& row) {
            ++rows;
            withChildren += row.hasChildren;
        });
        if (rows != kFolderSize || withChildren != 0) {
            state.SkipWithError("the listing is not the folder's 1000 texts");
            break;
        }
    }
}
BENCHMARK_CAPTURE(BM_Listing1000ChildrenAmong100000, indexed, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Listing1000ChildrenAmong100000, unindexed, false)->Unit(benchmark::kMillisecond)->Iterations(3);

// A folder of 1 000 nodes (subfolders of texts with code, memos and a few
// attachments) through TreeStore::deleteSubtree; written again, untimed,
// before each delete.
void BM_DeleteSubtree1000Among100000(benchmark::State& state) {
    Libraries& libraries = Libraries::get();
    store::DbConnection& db = libraries.db(true);
    TreeStore tree(db);
    for (auto _ : state) {
        state.PauseTiming();
        int root = bench::addSubtree(db, 1, kSubtree);
        state.ResumeTiming();
        tree.deleteSubtree(root);
    }
    if (db.scalar("SELECT COUNT(*) FROM tree_tbl;") != kNodes) state.SkipWithError("the delete left rows behind");
}
BENCHMARK(BM_DeleteSubtree1000Among100000)->Unit(benchmark::kMillisecond);

// The code of one text by its id (kLoadContent), a different text each time.
void BM_OpenTextByIdAmong100000(benchmark::State& state, bool indexed) {
    Libraries& libraries = Libraries::get();
    store::DbConnection& db = libraries.db(indexed);
    const std::vector<int>& ids = libraries.library().textIds;
    store::DbSqlBuffer b;
    std::size_t next = 0, bytes = 0;
    for (auto _ : state) {
        next = (next + 7919) % ids.size();
        store::DbQuery q = db.query(b.format(store::sql::kLoadContent, ids[next]));
        if (q.eof()) {
            state.SkipWithError("a text without its content row");
            break;
        }
        bytes += std::strlen(q.getStringField(0));
    }
    benchmark::DoNotOptimize(bytes);
}
BENCHMARK_CAPTURE(BM_OpenTextByIdAmong100000, indexed, true)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_OpenTextByIdAmong100000, unindexed, false)->Unit(benchmark::kMillisecond);

// store::openSnippetDatabase on a library of 100 000 nodes that has the
// indexes: they are found and nothing is written.
void BM_OpenLibrary100000(benchmark::State& state) {
    std::string path = Libraries::get().path("indexed.db");
    for (auto _ : state) {
        store::DbConnection db;
        store::openSnippetDatabase(db, path.c_str(), true);
    }
}
BENCHMARK(BM_OpenLibrary100000)->Unit(benchmark::kMillisecond);

// The first opening of an older library of 100 000 nodes, which adds the
// indexes; a fresh copy each time.
void BM_FirstOpenOfOldLibrary100000(benchmark::State& state) {
    Libraries& libraries = Libraries::get();
    std::string copy = libraries.path("copy.db");
    for (auto _ : state) {
        state.PauseTiming();
        fs::copy_file(libraries.path("unindexed.db"), copy, fs::copy_options::overwrite_existing);
        state.ResumeTiming();
        store::DbConnection db;
        store::openSnippetDatabase(db, copy.c_str(), true);
    }
}
BENCHMARK(BM_FirstOpenOfOldLibrary100000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
