// The cost of page encryption: the same workload on a stock SQLite file and
// on a keyed database, plus the binary-to-text encoding of a 5 MB file.
//
//   build/native/bench/store_bench --benchmark_filter=Workload
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstring>
#include <string>
#include <vector>

#include "store/binary_text.h"
#include "store/db_binary.h"
#include "bench/bench_files.h"
#include "store/db_connection.h"
#include "store/db_sql_buffer.h"
#include "store/schema.h"
#include "store/statements.h"

namespace {

using bench::attachmentBytes;
using bench::freshFile;
using bench::kAttachmentSize;
// Minimal statement runner over a raw handle, for the stock-SQLite baseline.
struct Raw {
    sqlite3* db = nullptr;
    explicit Raw(const std::string& file) { sqlite3_open(file.c_str(), &db); }
    ~Raw() { sqlite3_close(db); }
    void execute(const char* sql) { sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }
    std::int64_t lastInsertId() { return sqlite3_last_insert_rowid(db); }
    int readTitleLength(int id) {
        store::DbSqlBuffer b;
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, b.format("SELECT title FROM tree_tbl WHERE ItemId = %d;", id), -1, &stmt, nullptr);
        int n = sqlite3_step(stmt) == SQLITE_ROW ? sqlite3_column_bytes(stmt, 0) : 0;
        sqlite3_finalize(stmt);
        return n;
    }
    std::size_t readAttachment(std::int64_t id) {
        store::DbSqlBuffer b;
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, b.format(store::sql::kAttachmentData, int(id)), -1, &stmt, nullptr);
        store::DbBinary data;
        if (sqlite3_step(stmt) == SQLITE_ROW)
            data.setEncoded(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
        sqlite3_finalize(stmt);
        return std::size_t(data.getBinaryLength());
    }
};

struct Keyed {
    store::DbConnection db;
    explicit Keyed(const std::string& file) { store::openSnippetDatabase(db, file.c_str(), false); }
    void execute(const char* sql) { db.execute(sql); }
    std::int64_t lastInsertId() { return db.lastInsertId(); }
    int readTitleLength(int id) {
        store::DbSqlBuffer b;
        store::DbQuery q = db.query(b.format("SELECT title FROM tree_tbl WHERE ItemId = %d;", id));
        return q.eof() ? 0 : int(std::strlen(q.getStringField(0)));
    }
    std::size_t readAttachment(std::int64_t id) {
        store::DbSqlBuffer b;
        store::DbQuery q = db.query(b.format(store::sql::kAttachmentData, int(id)));
        store::DbBinary data;
        data.setEncoded(q.getStringField(0));
        return std::size_t(data.getBinaryLength());
    }
};

// 10 000 node inserts in one transaction, 100 000 reads by id, one 5 MB
// attachment inserted through the encoding and read back.
template <typename Db>
void workload(Db& db, const std::vector<unsigned char>& attachment) {
    store::DbSqlBuffer b;
    db.execute("BEGIN TRANSACTION;");
    for (int i = 0; i < 10000; ++i)
        db.execute(b.format(store::sql::kInsertNode, 1 + i / 100, i % 100 + 1, i % 2, i % 2 ? 3 : -1, "snippet title"));
    db.execute("COMMIT TRANSACTION;");
    std::size_t total = 0;
    for (int i = 0; i < 100000; ++i) total += std::size_t(db.readTitleLength(1 + i % 10000));
    store::DbBinary data;
    data.setBinary(attachment.data(), int(attachment.size()));
    db.execute(b.format(store::sql::kInsertAttachmentData, 2, "file.bin", kAttachmentSize, data.getEncoded()));
    total += db.readAttachment(db.lastInsertId());
    benchmark::DoNotOptimize(total);
}

void BM_WorkloadPlainSqlite(benchmark::State& state) {
    auto attachment = attachmentBytes();
    for (auto _ : state) {
        state.PauseTiming();
        std::string file = freshFile("jex_bench_plain.db");
        {
            Raw db(file);
            for (const char* s : store::sql::kCreateSchema) db.execute(s);
            state.ResumeTiming();
            workload(db, attachment);
            state.PauseTiming();
        }
        state.ResumeTiming();
    }
}
BENCHMARK(BM_WorkloadPlainSqlite)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_WorkloadEncrypted(benchmark::State& state) {
    auto attachment = attachmentBytes();
    for (auto _ : state) {
        state.PauseTiming();
        std::string file = freshFile("jex_bench_keyed.db");
        {
            Keyed db(file);
            state.ResumeTiming();
            workload(db, attachment);
            state.PauseTiming();
        }
        state.ResumeTiming();
    }
}
BENCHMARK(BM_WorkloadEncrypted)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
