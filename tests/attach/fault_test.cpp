// The pane's database work when the disk fails under it: every write of a
// store or a memo save failing in turn (once, or from there on as a disk
// that stays full), reads failing under an extraction, and extractions to
// places that cannot take the file.  Each failure is reported, the library
// reopens intact with what it held before, and the same connection goes on.
#include <gtest/gtest.h>

#include <sqlite3.h>

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#endif

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "attach/attachment_files.h"
#include "attach/attachment_rules.h"
#include "attach/pane_store.h"
#include "store/db_sql_buffer.h"
#include "store/schema.h"
#include "store/statements.h"
#include "tests/store/fault_vfs.h"
#include "tests/store/test_db.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;
using testing_vfs::FaultPlan;
using testing_vfs::faultPlan;

Bytes sample(std::size_t size, std::uint32_t seed = 12345) {
    Bytes b(size);
    std::uint32_t x = seed;
    for (auto& c : b) c = static_cast<unsigned char>((x = x * 1103515245 + 12345) >> 16);
    return b;
}

std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

FaultPlan failingOnce() { return {}; }
FaultPlan diskFull() {
    FaultPlan plan;
    plan.failCode = SQLITE_FULL;
    plan.keepFailing = true;
    return plan;
}

// The connection of one round: a fresh copy of the library, opened through
// the fault VFS as the program opens it.
struct Round {
    explicit Round(const std::string& path) {
        store::DbConnection::Options options;
        options.baseVfs = testing_vfs::faultVfs();
        db = std::make_unique<store::DbConnection>(options);
        store::openSnippetDatabase(*db, path.c_str(), true);
        pane = std::make_unique<attach::PaneStore>(*db);
    }
    std::unique_ptr<store::DbConnection> db;
    std::unique_ptr<attach::PaneStore> pane;
};

// An operation on the pane: true when it reported success.
using Operation = std::function<bool(attach::PaneStore&)>;

class PaneFaults : public ::testing::Test {
protected:
    void SetUp() override {
        faultPlan() = {};
        store::DbConnection db;
        store::openSnippetDatabase(db, pristine.c_str(), false);
        store::DbSqlBuffer b;
        db.execute(b.format(store::sql::kInsertNode, 1, 1, 1, 40, "a.cpp"));
        text = int(db.lastInsertId());
        db.execute(b.format(store::sql::kSaveContent, "int main() {}", "first memo", text));
        attach::PaneStore pane(db);
        std::atomic<bool> no{false};
        stored = pane.store(text, "old.bin", sample(3000), no)->id;
        before = testdb::snippetRows(db);
        fs::create_directories(dir.path("files"));
        fs::create_directories(dir.path("out"));
    }
    void TearDown() override { faultPlan() = {}; }

    // A fresh copy of the library to work on.
    std::unique_ptr<Round> fresh() {
        // Removed first: the Windows runtime's copy_file refuses to overwrite
        // even when told to.
        fs::remove(work);
        fs::copy_file(pristine, work);
        fs::remove(work + "-journal");
        return std::make_unique<Round>(work);
    }

    // Runs `operation` on a fresh copy with its `at`th database write
    // failing as `kind` says, for at = 1, 2, ... until a run no longer meets
    // the fault (past the first eight and up to the last four, only every
    // `step`th).  After each failed run the disk is mended, the library must
    // reopen intact holding what it held before, and the same connection
    // must then run the operation through to what a run without faults
    // leaves.  Returns how many runs met the fault.
    int failEachWrite(const Operation& operation, const FaultPlan& kind, int step = 1) {
        std::vector<std::string> after;
        int writes = 0;
        {
            auto r = fresh();
            faultPlan() = {};
            EXPECT_TRUE(operation(*r->pane));
            writes = faultPlan().databaseWrites;
            after = testdb::snippetRows(*r->db);
        }
        EXPECT_NE(after, before);
        int failed = 0;
        for (int at = 1;; at = (at < 8 || at >= writes - 4) ? at + 1 : std::min(at + step, writes - 4)) {
            SCOPED_TRACE("failing at write " + std::to_string(at) + " of " + std::to_string(writes));
            auto r = fresh();
            faultPlan() = kind;
            faultPlan().failDatabaseWriteAt = at;
            bool ok = operation(*r->pane);
            bool reached = faultPlan().writeFaultReached();
            faultPlan() = {};
            if (!reached) {
                EXPECT_TRUE(ok);
                EXPECT_TRUE(testdb::reopen(work).rows == after);
                break;
            }
            ++failed;
            EXPECT_FALSE(ok) << "a failed write reported as success";
            testdb::Reopened again = testdb::reopen(work);
            EXPECT_TRUE(again.intact);
            EXPECT_TRUE(again.rows == before) << "the library changed";
            EXPECT_TRUE(operation(*r->pane)) << "the connection is not usable after the failure";
            EXPECT_TRUE(testdb::snippetRows(*r->db) == after);
            if (::testing::Test::HasFailure()) break;
        }
        EXPECT_GE(failed, 1);
        return failed;
    }

    std::string file(const std::string& name) { return dir.path("files") + "/" + name; }
    std::string out(const std::string& name) { return dir.path("out") + "/" + name; }

    testdb::TempDir dir;
    std::string pristine = dir.path("pristine.db");
    std::string work = dir.path("work.db");
    std::vector<std::string> before;
    std::atomic<bool> cancel{false};
    int text = 0;
    int stored = 0;
};

TEST_F(PaneFaults, AStoredFileFailingAtAnyWriteIsReportedAndAddsNothing) {
    testdb::writeFile(file("notes.txt"), sample(40000, 7));
    Operation storeFile = [&](attach::PaneStore& pane) {
        attach::StoreOutcome outcome = attach::storeFile(pane, text, file("notes.txt"), cancel);
        EXPECT_EQ(outcome.row.has_value(), outcome.message.empty()) << outcome.message;
        return outcome.row.has_value();
    };
    for (const FaultPlan& kind : {failingOnce(), diskFull()}) {
        SCOPED_TRACE(kind.keepFailing ? "full disk" : "one failing write");
        EXPECT_GE(failEachWrite(storeFile, kind), 5);
    }
}

TEST_F(PaneFaults, AFiveMegabyteAttachmentOnAFullDiskIsRolledBack) {
    const Bytes big = sample(std::size_t(attach::kStoreLimit), 99);
    Operation storeBig = [&](attach::PaneStore& pane) {
        try {
            return pane.store(text, "big.bin", big, cancel).has_value();
        } catch (const store::CppSQLite3Exception&) {
            return false;
        }
    };
    EXPECT_GE(failEachWrite(storeBig, diskFull(), 211), 15);
    EXPECT_GE(failEachWrite(storeBig, failingOnce(), 499), 10);
}

TEST_F(PaneFaults, AMemoSaveFailingAtAnyWriteKeepsTheOldMemo) {
    // Long enough for overflow pages: the save writes several pages.
    std::string memo = "it's the new memo\r\n";
    while (memo.size() < 30000) memo += memo;
    Operation save = [&](attach::PaneStore& pane) {
        try {
            return pane.saveMemo(text, memo) == 1;
        } catch (const store::CppSQLite3Exception&) {
            return false;
        }
    };
    for (const FaultPlan& kind : {failingOnce(), diskFull()}) {
        SCOPED_TRACE(kind.keepFailing ? "full disk" : "one failing write");
        EXPECT_GE(failEachWrite(save, kind), 3);
    }
}

// The extraction reads the attachment on a connection whose cache is cold:
// a read failing anywhere is reported, nothing appears at the target (a
// file there before stays as it was), and the next extraction works.
TEST_F(PaneFaults, AReadFailingUnderAnExtractionWritesNothing) {
    const Bytes big = sample(250000, 3);
    int id = 0;
    {
        store::DbConnection db;
        store::openSnippetDatabase(db, pristine.c_str(), true);
        attach::PaneStore pane(db);
        id = pane.store(text, "big.bin", big, cancel)->id;
    }
    testdb::writeFile(out("old.bin"), Bytes(5, 'o'));
    int failed = 0;
    for (int at = 1;; ++at) {
        SCOPED_TRACE("failing at read " + std::to_string(at));
        auto r = fresh();
        faultPlan() = {};
        faultPlan().failDatabaseReadAt = at;
        std::string message = attach::extractAttachment(*r->pane, id, out("old.bin"));
        bool reached = faultPlan().databaseReads >= at;
        faultPlan() = {};
        if (!reached) {
            EXPECT_EQ(message, "");
            EXPECT_TRUE(testdb::readFile(out("old.bin")) == big);
            break;
        }
        ++failed;
        EXPECT_NE(message, "");
        EXPECT_TRUE(testdb::readFile(out("old.bin")) == Bytes(5, 'o'));
        EXPECT_EQ(namesIn(dir.path("out")), std::vector<std::string>{"old.bin"});
        EXPECT_EQ(attach::extractAttachment(*r->pane, id, out("again.bin")), "");
        EXPECT_TRUE(testdb::readFile(out("again.bin")) == big);
        fs::remove(out("again.bin"));
        if (::testing::Test::HasFailure()) break;
    }
    EXPECT_GE(failed, 50);  // the data spans many pages
}

#ifndef _WIN32
// Holds the process's file size limit for a while: writes beyond it fail
// as on a full disk (with EFBIG, the signal ignored).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        oldSignal_ = signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        signal(SIGXFSZ, oldSignal_);
    }

private:
    rlimit old_{};
    void (*oldSignal_)(int) = nullptr;
};

TEST_F(PaneFaults, TargetsThatCannotTakeTheFileGetNothingAndKeepWhatTheyHad) {
    const Bytes big = sample(std::size_t(attach::kStoreLimit), 5);
    auto r = fresh();
    std::optional<attach::AttachmentRow> row = r->pane->store(text, "big.bin", big, cancel);
    ASSERT_TRUE(row);

    // A full disk half-way through the file: the old file stays, no part
    // of the new one is left beside it.
    testdb::writeFile(out("kept.bin"), Bytes(7, 'k'));
    {
        FileSizeLimit limit(1 << 20);
        EXPECT_EQ(attach::extractAttachment(*r->pane, row->id, out("kept.bin")), attach::unwritableMessage(out("kept.bin")));
        EXPECT_EQ(attach::extractAttachment(*r->pane, row->id, out("new.bin")), attach::unwritableMessage(out("new.bin")));
    }
    EXPECT_TRUE(testdb::readFile(out("kept.bin")) == Bytes(7, 'k'));
    EXPECT_EQ(namesIn(dir.path("out")), std::vector<std::string>{"kept.bin"});

#ifdef __linux__
    // A folder the file system takes no new file in (root may write any
    // folder its permissions forbid, so the test uses /proc).
    EXPECT_EQ(attach::extractAttachment(*r->pane, stored, "/proc/jexmarlo-old.bin"),
              attach::unwritableMessage("/proc/jexmarlo-old.bin"));
    EXPECT_FALSE(fs::exists("/proc/jexmarlo-old.bin"));
#endif

    // A folder two levels missing, and a folder where the file should go.
    const std::string deep = dir.path("no") + "/such/old.bin";
    EXPECT_EQ(attach::extractAttachment(*r->pane, stored, deep), attach::unwritableMessage(deep));
    fs::create_directories(out("folder"));
    EXPECT_EQ(attach::extractAttachment(*r->pane, stored, out("folder")), attach::unwritableMessage(out("folder")));
    EXPECT_TRUE(fs::is_directory(out("folder")));

    // None of it troubled the connection.
    EXPECT_EQ(attach::extractAttachment(*r->pane, row->id, out("new.bin")), "");
    EXPECT_TRUE(testdb::readFile(out("new.bin")) == big);
    EXPECT_EQ(namesIn(dir.path("out")), (std::vector<std::string>{"folder", "kept.bin", "new.bin"}));
    EXPECT_TRUE(testdb::reopen(work).intact);
}
#endif

}  // namespace
