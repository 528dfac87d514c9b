// The lower pane's work against its targets, each measured beside its
// baseline in the same run (the two alternate, so that a busy machine slows
// both alike):
//  - a 5 MB attachment stored (encode, kInsertAttachmentData, commit) and read
//    back (kAttachmentData, decode) through the encrypted store, against
//    stock SQLite with the same statements: at most 1.15 times;
//  - encoding and decoding 5 MB against memcpy of 5 MB: at least 1/10;
//  - the title search (kSearchTitles) over 100 000 titles with the GBK-aware
//    LIKE: at most 20 ms, and at most 1.5 times the engine's LIKE;
//  - listing a text with 200 attachments (kListAttachments): at most 10 ms.
//
//   build/bench/bench/pane_bench --benchmark_filter=Search
// The files go to the system's temporary folder (TMPDIR).
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <chrono>
#include <cstring>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/bench_files.h"
#include "store/binary_text.h"
#include "store/db_binary.h"
#include "store/db_connection.h"
#include "store/db_sql_buffer.h"
#include "store/schema.h"
#include "store/statements.h"
#include "text/size_text.h"

namespace {

using bench::attachmentBytes;
using bench::freshFile;
using bench::kAttachmentSize;
namespace sql = store::sql;
using Clock = std::chrono::steady_clock;

double millisecondsOf(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Runs `measured` and `baseline` in turn once per iteration, after `prepare`
// (not measured); the iteration's time is the measured one, and the counters
// give both in milliseconds and their ratio.
template <typename Measured, typename Baseline, typename Prepare = void (*)()>
void alternate(benchmark::State& state, Measured measured, Baseline baseline, Prepare prepare = [] {}) {
    Clock::duration ours{}, theirs{};
    for (auto _ : state) {
        prepare();
        auto t0 = Clock::now();
        baseline();
        auto t1 = Clock::now();
        measured();
        auto t2 = Clock::now();
        theirs += t1 - t0;
        ours += t2 - t1;
        state.SetIterationTime(std::chrono::duration<double>(t2 - t1).count());
    }
    double n = double(state.iterations());
    state.counters["ms"] = millisecondsOf(ours) / n;
    state.counters["baseline_ms"] = millisecondsOf(theirs) / n;
    state.counters["ratio"] = millisecondsOf(ours) / millisecondsOf(theirs);
}

// --- statements on stock SQLite and on the store -------------------------------

// Stock SQLite on a plain file: the baseline.
class PlainDb {
public:
    explicit PlainDb(const std::string& file) {
        sqlite3_open(file.c_str(), &db_);
        for (const char* s : sql::kCreateSchema) execute(s);
        for (const char* s : sql::kCreateIndexes) execute(s);
    }
    ~PlainDb() { sqlite3_close(db_); }
    PlainDb(const PlainDb&) = delete;
    PlainDb& operator=(const PlainDb&) = delete;

    void execute(const char* statement) {
        char* error = nullptr;
        if (sqlite3_exec(db_, statement, nullptr, nullptr, &error) != SQLITE_OK) {
            std::string message = error ? error : "?";
            sqlite3_free(error);
            throw std::runtime_error(message);
        }
    }
    std::int64_t lastInsertId() { return sqlite3_last_insert_rowid(db_); }
    // Steps through the rows of `statement`, handing each to `row(column)`,
    // where column(i) is the text of column i.
    template <typename Row>
    void query(const char* statement, Row row) {
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db_, statement, -1, &stmt, nullptr);
        while (sqlite3_step(stmt) == SQLITE_ROW)
            row([stmt](int i) { return reinterpret_cast<const char*>(sqlite3_column_text(stmt, i)); });
        sqlite3_finalize(stmt);
    }

private:
    sqlite3* db_ = nullptr;
};

// The program's store: the encrypted file through DbConnection, opened as
// the program opens it, or else keyed only (with the same page cache) and
// so with the engine's LIKE.
struct EngineLike {};

class StoreDb {
public:
    StoreDb(const std::string& file, bool exists) { store::openSnippetDatabase(db_, file.c_str(), exists); }
    StoreDb(const std::string& file, EngineLike) {
        db_.openWithKey(file.c_str(), store::kPassPhrase);
        db_.execute(sql::kCacheSize);
    }

    void execute(const char* statement) { db_.execute(statement); }
    std::int64_t lastInsertId() { return db_.lastInsertId(); }
    template <typename Row>
    void query(const char* statement, Row row) {
        for (store::DbQuery q = db_.query(statement); !q.eof(); q.nextRow())
            row([&q](int i) { return q.getStringField(i); });
    }

private:
    store::DbConnection db_;
};

// --- storing and reading a 5 MB attachment ----------------------------------

template <typename Db>
std::int64_t storeAttachment(Db& db, const std::vector<unsigned char>& bytes) {
    store::DbBinary data;
    data.setBinary(bytes.data(), int(bytes.size()));
    store::DbSqlBuffer b;
    db.execute(sql::kBegin);
    db.execute(b.format(sql::kInsertAttachmentData, 2, "file.bin", int(bytes.size()), data.getEncoded()));
    db.execute(sql::kCommit);
    return db.lastInsertId();
}

template <typename Db>
std::size_t readAttachment(Db& db, std::int64_t id) {
    store::DbSqlBuffer b;
    store::DbBinary data;
    db.query(b.format(sql::kAttachmentData, int(id)), [&](auto column) { data.setEncoded(column(0)); });
    return std::size_t(data.getBinaryLength());
}

template <typename Db>
void deleteAttachment(Db& db, std::int64_t id) {
    store::DbSqlBuffer b;
    db.execute(b.format(sql::kDeleteAttachment, int(id)));
}

// Each iteration stores the attachment and reads it back on both databases;
// the row is then deleted (untimed), so that every store reuses the pages the
// last one freed.
void BM_Attachment5MB_StoreAndRead(benchmark::State& state) {
    const auto bytes = attachmentBytes();
    PlainDb plain(freshFile("jex_pane_plain.db"));
    StoreDb ours(freshFile("jex_pane_store.db"), false);
    std::int64_t plainId = 0, ourId = 0;
    alternate(
        state,
        [&] {
            ourId = storeAttachment(ours, bytes);
            if (readAttachment(ours, ourId) != bytes.size()) state.SkipWithError("read back wrong");
        },
        [&] {
            plainId = storeAttachment(plain, bytes);
            if (readAttachment(plain, plainId) != bytes.size()) state.SkipWithError("read back wrong");
        },
        [&] {
            if (plainId) deleteAttachment(plain, plainId);
            if (ourId) deleteAttachment(ours, ourId);
        });
}
BENCHMARK(BM_Attachment5MB_StoreAndRead)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

// --- the encoding against memcpy ---------------------------------------------

void BM_Attachment5MB_Encode(benchmark::State& state) {
    const auto bytes = attachmentBytes();
    std::vector<std::uint8_t> out(std::size_t(store::encodedCapacity(bytes.size())));
    std::vector<std::uint8_t> copy(bytes.size());
    alternate(
        state, [&] { benchmark::DoNotOptimize(store::encodeBinary(bytes.data(), bytes.size(), out.data())); },
        [&] {
            std::memcpy(copy.data(), bytes.data(), bytes.size());
            benchmark::ClobberMemory();
        });
    state.SetBytesProcessed(std::int64_t(state.iterations()) * kAttachmentSize);
}
BENCHMARK(BM_Attachment5MB_Encode)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_Attachment5MB_Decode(benchmark::State& state) {
    const auto bytes = attachmentBytes();
    std::vector<std::uint8_t> encoded(std::size_t(store::encodedCapacity(bytes.size())));
    store::encodeBinary(bytes.data(), bytes.size(), encoded.data());
    std::vector<std::uint8_t> out(encoded.size());
    std::vector<std::uint8_t> copy(bytes.size());
    alternate(
        state, [&] { benchmark::DoNotOptimize(store::decodeBinary(encoded.data(), out.data())); },
        [&] {
            std::memcpy(copy.data(), bytes.data(), bytes.size());
            benchmark::ClobberMemory();
        });
    state.SetBytesProcessed(std::int64_t(state.iterations()) * kAttachmentSize);
}
BENCHMARK(BM_Attachment5MB_Decode)->UseManualTime()->Unit(benchmark::kMillisecond);

// --- title search over 100 000 titles ---------------------------------------

// Titles as users give them: Chinese, ASCII and mixed, with extensions.
std::string titleFor(int n) {
    static const char* const kChinese[] = {"快速排序", "数据结构笔记", "读取配置文件", "的代码片段", "网络请求封装",
                                           "字符串处理", "日志输出", "界面布局"};
    static const char* const kAscii[] = {"quick_sort", "BinaryTree", "read_config", "http_client", "StringUtils",
                                         "logger", "layout", "main"};
    static const char* const kExtensions[] = {".cpp", ".py", ".txt", ".js", ".sql", ""};
    std::string number = std::to_string(n);
    std::string base;
    switch (n % 3) {
    case 0: base = kChinese[n / 3 % 8] + (" " + number); break;
    case 1: base = kAscii[n / 3 % 8] + ("_" + number); break;
    default: base = std::string(kChinese[n / 3 % 8]) + kAscii[n / 7 % 8] + number; break;
    }
    return base + kExtensions[n % 6];
}

// 100 000 nodes: 2 000 folders of 49 texts each, written with the program's
// statement in one transaction.  Made once per run.
const std::string& searchLibrary() {
    static const std::string file = [] {
        std::string path = freshFile("jex_pane_search.db");
        StoreDb db(path, false);
        store::DbSqlBuffer b;
        db.execute(sql::kBegin);
        int turn = 1;
        for (int folder = 0, title = 0; folder < 2000; ++folder) {
            db.execute(b.format(sql::kInsertNode, 0, ++turn, 0, -1, ("目录 " + std::to_string(folder)).c_str()));
            int folderId = int(db.lastInsertId());
            for (int text = 1; text <= 49; ++text)
                db.execute(b.format(sql::kInsertNode, folderId, text, 1, 3,
                                    store::doubledQuotes(titleFor(title++).c_str()).c_str()));
        }
        db.execute(sql::kCommit);
        return path;
    }();
    return file;
}

template <typename Db>
std::size_t searchTitles(Db& db, const std::string& word) {
    std::string quoted = store::doubledQuotes(word.c_str());
    store::DbSqlBuffer b;
    std::size_t found = 0;
    db.query(b.format(sql::kSearchTitles, quoted.c_str(), quoted.c_str()), [&](auto column) {
        // The pane's row: node id, folder title, text title.
        found += std::strlen(column(0)) + std::strlen(column(1)) + std::strlen(column(2)) > 0;
    });
    return found;
}

// Search words, and what the label says of them.
struct SearchWord {
    const char* word;
    const char* label;
};
const SearchWord kSearchWords[] = {{"代码", "Chinese, 8 166 titles"},
                                   {"sort", "ASCII, 8 167 titles"},
                                   {"Tree_4", "ASCII, 882 titles"},
                                   {"不存在", "Chinese, none"},
                                   {"zzz", "ASCII, none"}};

void BM_SearchTitles(benchmark::State& state) {
    const SearchWord& search = kSearchWords[state.range(0)];
    const std::string word = search.word;
    StoreDb gbk(searchLibrary(), true);
    StoreDb engine(searchLibrary(), EngineLike{});
    std::size_t ours = 0, theirs = 0;
    alternate(state, [&] { ours = searchTitles(gbk, word); }, [&] { theirs = searchTitles(engine, word); });
    state.counters["found"] = double(ours);
    state.counters["engine_found"] = double(theirs);
    state.SetLabel(search.label);
}
BENCHMARK(BM_SearchTitles)->DenseRange(0, 4)->UseManualTime()->Unit(benchmark::kMillisecond);

// --- listing a text with 200 attachments ------------------------------------

// Ten texts with 200 stored attachments each (1 to 64 KB), added in turn so
// that the rows of one text lie spread over the file.
const std::string& attachmentLibrary() {
    static const std::string file = [] {
        std::string path = freshFile("jex_pane_list.db");
        StoreDb db(path, false);
        store::DbSqlBuffer b;
        std::vector<unsigned char> bytes(64 * 1024);
        std::uint32_t x = 7;
        for (auto& c : bytes) c = (unsigned char)((x = x * 1103515245 + 12345) >> 16);
        db.execute(sql::kBegin);
        for (int text = 0; text < 10; ++text)
            db.execute(b.format(sql::kInsertNode, 1, text + 1, 1, 3, ("text " + std::to_string(text)).c_str()));
        for (int n = 0; n < 2000; ++n) {
            int size = 1024 + int((x = x * 1103515245 + 12345) >> 16) % (63 * 1024);
            store::DbBinary data;
            data.setBinary(bytes.data(), size);
            db.execute(b.format(sql::kInsertAttachmentData, 2 + n % 10, "附件.bin", size, data.getEncoded()));
        }
        db.execute(sql::kCommit);
        return path;
    }();
    return file;
}

void BM_ListAttachments200(benchmark::State& state) {
    StoreDb db(attachmentLibrary(), true);
    store::DbSqlBuffer b;
    const char* statement = b.format(sql::kListAttachments, 2);
    for (auto _ : state) {
        // What the pane shows per row: number, title, size text, date, image.
        int rows = 0;
        std::size_t shown = 0;
        db.query(statement, [&](auto column) {
            shown += std::strlen(column(1)) + text::sizeText(std::atoi(column(2))).size() + std::strlen(column(3)) +
                     (column(4)[0] == '1') + std::size_t(std::atoi(column(0)) > 0);
            ++rows;
        });
        benchmark::DoNotOptimize(shown);
        if (rows != 200) state.SkipWithError("not 200 rows");
    }
}
BENCHMARK(BM_ListAttachments200)->Unit(benchmark::kMillisecond);

}  // namespace
