// The page codec: what reaches the disk, keys and rekeys, attached and
// temporary files, and files the codec cannot read.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "store/db_connection.h"
#include "store/schema.h"
#include "tests/store/fault_vfs.h"
#include "tests/store/test_db.h"

namespace {

using store::CppSQLite3Exception;
using store::DbConnection;
using testdb::rows;

const char kMagic[] = "SQLite format 3";

bool hasPlainHeader(const std::vector<std::uint8_t>& image) {
    return image.size() >= 16 && std::memcmp(image.data(), kMagic, 16) == 0;
}

int errorCodeOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const CppSQLite3Exception& e) {
        return e.errorCode();
    }
    return 0;
}

// Fills a keyed database with enough rows to span many pages.
void fill(DbConnection& db, int rowsWanted) {
    db.execute("CREATE TABLE IF NOT EXISTS big(id INTEGER PRIMARY KEY, body TEXT);");
    db.execute("BEGIN;");
    for (int i = 0; i < rowsWanted; ++i)
        db.execute(("INSERT INTO big(body) VALUES('row " + std::to_string(i) + " " + std::string(300, 'x') + "');").c_str());
    db.execute("COMMIT;");
}

class Codec : public ::testing::Test {
protected:
    std::string path(const char* name = "c.db") { return dir.path(name); }
    testdb::TempDir dir;
};

TEST_F(Codec, NewDatabaseDecryptsToExactlyTheSchemaAndFirstRows) {
    {
        DbConnection db;
        store::openSnippetDatabase(db, path().c_str(), false);
    }
    std::vector<std::uint8_t> image = testdb::readFile(path());
    ASSERT_GE(image.size(), 4096u);
    EXPECT_FALSE(hasPlainHeader(image));
    EXPECT_EQ(image.size() % 4096, 0u);

    std::vector<std::uint8_t> plain = testdb::decryptImage(image, store::kPassPhrase);
    ASSERT_TRUE(hasPlainHeader(plain));
    testdb::writeFile(path("plain.db"), plain);
    EXPECT_EQ(testdb::plainRows(path("plain.db"), "PRAGMA integrity_check;"), std::vector<std::string>{"ok"});
    EXPECT_EQ(testdb::plainRows(path("plain.db"), "SELECT type, name FROM sqlite_master WHERE name NOT LIKE 'sqlite_%' ORDER BY type, name;"),
              (std::vector<std::string>{"index|attach_ItemId_idx", "index|content_ItemId_idx", "index|tree_pId_idx",
                                        "table|attach_tbl", "table|content_tbl", "table|softInfo_tbl", "table|tree_tbl",
                                        "trigger|content_upd_trig", "trigger|tree_del_trig", "trigger|tree_ins_trig",
                                        "view|nodesel_view"}));
    EXPECT_EQ(testdb::plainRows(path("plain.db"), "SELECT * FROM softInfo_tbl;"), std::vector<std::string>{"jexMarlo|1.0.0"});
    auto tree = testdb::plainRows(path("plain.db"), "SELECT ItemId, pId, turn, type, SynId, title, ModifyTime FROM tree_tbl;");
    ASSERT_EQ(tree.size(), 1u);
    EXPECT_EQ(tree[0], "1|0|1|0|-1|\xC4\xAC\xC8\xCF|<null>");  // "默认" in GBK
}

TEST_F(Codec, EveryPageOfALargerDatabaseIsEncrypted) {
    {
        DbConnection db;
        store::openSnippetDatabase(db, path().c_str(), false);
        db.execute("PRAGMA cache_size = 10;");  // force spills through the codec
        fill(db, 2000);
        db.execute("DELETE FROM big WHERE id % 3 = 0;");
    }
    std::vector<std::uint8_t> image = testdb::readFile(path());
    ASSERT_GT(image.size(), 100u * 4096);
    // No page carries readable row text.
    std::string text(image.begin(), image.end());
    EXPECT_EQ(text.find("row 1"), std::string::npos);
    EXPECT_EQ(text.find(std::string(32, 'x')), std::string::npos);

    testdb::writeFile(path("plain.db"), testdb::decryptImage(image, store::kPassPhrase));
    EXPECT_EQ(testdb::plainRows(path("plain.db"), "PRAGMA integrity_check;"), std::vector<std::string>{"ok"});
    EXPECT_EQ(testdb::plainRows(path("plain.db"), "SELECT COUNT(*) FROM big;"), std::vector<std::string>{"1334"});
}

TEST_F(Codec, ReopenWithThePassPhraseReadsEverything) {
    {
        DbConnection db;
        store::openSnippetDatabase(db, path().c_str(), false);
        fill(db, 500);
    }
    DbConnection db;
    store::openSnippetDatabase(db, path().c_str(), true);
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM big;"), 500);
    EXPECT_EQ(rows(db, "PRAGMA integrity_check;"), std::vector<std::string>{"ok"});
}

TEST_F(Codec, VacuumGoesThroughEncryptedScratchFilesAndKeepsTheData) {
    DbConnection db;
    store::openSnippetDatabase(db, path().c_str(), false);
    fill(db, 3000);
    db.execute("DELETE FROM big WHERE id > 1000;");
    auto before = testdb::readFile(path()).size();
    db.execute("VACUUM;");
    EXPECT_LT(testdb::readFile(path()).size(), before);
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM big;"), 1000);
    db.close();
    DbConnection again;
    again.openWithKey(path().c_str(), store::kPassPhrase);
    EXPECT_EQ(rows(again, "PRAGMA integrity_check;"), std::vector<std::string>{"ok"});
    EXPECT_EQ(again.scalar("SELECT COUNT(*) FROM big;"), 1000);
}

TEST_F(Codec, FilesTheKeyCannotReadFailWithTheEngineCode) {
    {
        DbConnection db;
        store::openSnippetDatabase(db, path().c_str(), false);
        fill(db, 300);
    }
    const char* listing = "SELECT COUNT(*) FROM tree_tbl;";
    auto attempt = [&](const std::string& file, const char* pass) {
        return errorCodeOf([&] {
            DbConnection db;
            db.openWithKey(file.c_str(), pass);
            db.scalar(listing);
        });
    };
    EXPECT_EQ(attempt(path(), "another pass"), 26);  // SQLITE_NOTADB
    EXPECT_EQ(attempt(path(), nullptr), 26);

    testdb::writeFile(path("text.db"), std::vector<std::uint8_t>(5000, 'a'));
    EXPECT_EQ(attempt(path("text.db"), store::kPassPhrase), 26);

    testdb::writeFile(path("empty.db"), {});
    EXPECT_EQ(attempt(path("empty.db"), store::kPassPhrase), 1);  // an empty database: no such table

    auto image = testdb::readFile(path());
    testdb::writeFile(path("half.db"), std::vector<std::uint8_t>(image.begin(), image.begin() + 2000));
    EXPECT_NE(attempt(path("half.db"), store::kPassPhrase), 0);
    testdb::writeFile(path("cut.db"), std::vector<std::uint8_t>(image.begin(), image.begin() + image.size() / 2));
    EXPECT_NE(errorCodeOf([&] {
                  DbConnection db;
                  db.openWithKey(path("cut.db").c_str(), store::kPassPhrase);
                  db.scalar("SELECT COUNT(*) FROM big;");
                  db.query("PRAGMA integrity_check;");
                  db.scalar("SELECT SUM(LENGTH(body)) FROM big;");
              }),
              0);

    // A plain database opened with the key reads as garbage too.
    {
        DbConnection plain;
        plain.open(path("plain.db").c_str());
        plain.execute("CREATE TABLE tree_tbl(x);");
    }
    EXPECT_EQ(attempt(path("plain.db"), store::kPassPhrase), 26);
}

TEST_F(Codec, RekeyEncryptsDecryptsAndChangesKeys) {
    {
        DbConnection db;
        db.open(path().c_str());
        fill(db, 400);
        EXPECT_TRUE(hasPlainHeader(testdb::readFile(path())));
        db.rekey("first");
        EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM big;"), 400);
    }
    EXPECT_FALSE(hasPlainHeader(testdb::readFile(path())));
    testdb::writeFile(path("p1.db"), testdb::decryptImage(testdb::readFile(path()), "first"));
    EXPECT_EQ(testdb::plainRows(path("p1.db"), "PRAGMA integrity_check;"), std::vector<std::string>{"ok"});
    {
        DbConnection db;
        db.openWithKey(path().c_str(), "first");
        db.rekey("second");
        EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM big;"), 400);
    }
    EXPECT_EQ(errorCodeOf([&] {
                  DbConnection db;
                  db.openWithKey(path().c_str(), "first");
                  db.scalar("SELECT COUNT(*) FROM big;");
              }),
              26);
    {
        DbConnection db;
        db.openWithKey(path().c_str(), "second");
        EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM big;"), 400);
        db.rekey("");
    }
    EXPECT_TRUE(hasPlainHeader(testdb::readFile(path())));
    EXPECT_EQ(testdb::plainRows(path(), "SELECT COUNT(*) FROM big;"), std::vector<std::string>{"400"});
}

TEST_F(Codec, RekeyOfPlainDatabaseWithoutPassPhraseDoesNothing) {
    DbConnection db;
    db.open(path().c_str());
    fill(db, 10);
    auto before = testdb::readFile(path());
    db.rekey("");
    db.rekey(nullptr);
    EXPECT_EQ(testdb::readFile(path()), before);
}

// A rekey that fails part-way (here: an I/O error on the Nth write to the
// database file) rolls back: the old key stays in force on the connection
// and on disk.
TEST_F(Codec, FailedRekeyLeavesTheOldKeyInForce) {
    {
        DbConnection db;
        store::openSnippetDatabase(db, path().c_str(), false);
        fill(db, 600);
    }
    DbConnection::Options faulty;
    faulty.baseVfs = testing_vfs::faultVfs();
    auto rekeyWithFaultAt = [&](const std::string& file, int failAt) {
        DbConnection db(faulty);
        db.openWithKey(file.c_str(), store::kPassPhrase);
        db.execute("PRAGMA cache_size = 5;");
        testing_vfs::faultPlan() = {};
        testing_vfs::faultPlan().failDatabaseWriteAt = failAt;
        int rc = errorCodeOf([&] { db.rekey("new pass"); });
        int writes = testing_vfs::faultPlan().databaseWrites;
        testing_vfs::faultPlan() = {};
        if (rc != 0) {
            EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM big;"), 600);
            EXPECT_EQ(rows(db, "PRAGMA integrity_check;"), std::vector<std::string>{"ok"});
        }
        return std::make_pair(rc, writes);
    };

    // How many database writes a whole rekey makes, on a copy.
    testdb::writeFile(path("copy.db"), testdb::readFile(path()));
    auto [rc, total] = rekeyWithFaultAt(path("copy.db"), 0);
    ASSERT_EQ(rc, 0);
    ASSERT_GT(total, 10);

    for (int failAt : {1, 2, total / 2, total}) {
        SCOPED_TRACE(failAt);
        EXPECT_NE(rekeyWithFaultAt(path(), failAt).first, 0);
        DbConnection db;
        db.openWithKey(path().c_str(), store::kPassPhrase);
        EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM big;"), 600);
        EXPECT_EQ(rows(db, "PRAGMA integrity_check;"), std::vector<std::string>{"ok"});
    }
}

TEST_F(Codec, AttachedDatabaseInheritsTheMainKeyUnlessGivenItsOwn) {
    DbConnection db;
    store::openSnippetDatabase(db, path().c_str(), false);
    db.execute(("ATTACH '" + path("inherit.db") + "' AS aux;").c_str());
    db.execute("CREATE TABLE aux.x(v TEXT); INSERT INTO aux.x VALUES('attached text');");
    db.execute("DETACH aux;");
    db.execute(("ATTACH 'file:" + path("own.db") + "?key=other' AS own;").c_str());
    db.execute("CREATE TABLE own.y(v TEXT); INSERT INTO own.y VALUES('own text');");
    db.execute("DETACH own;");
    db.close();

    EXPECT_FALSE(hasPlainHeader(testdb::readFile(path("inherit.db"))));
    DbConnection inherit;
    inherit.openWithKey(path("inherit.db").c_str(), store::kPassPhrase);
    EXPECT_EQ(rows(inherit, "SELECT v FROM x;"), std::vector<std::string>{"attached text"});

    DbConnection own;
    own.openWithKey(path("own.db").c_str(), "other");
    EXPECT_EQ(rows(own, "SELECT v FROM y;"), std::vector<std::string>{"own text"});
}

TEST_F(Codec, WalIsRefusedSoNoFrameReachesTheDiskInPlainText) {
    DbConnection db;
    store::openSnippetDatabase(db, path().c_str(), false);
    EXPECT_EQ(rows(db, "PRAGMA journal_mode = WAL;"), std::vector<std::string>{"delete"});
}

TEST_F(Codec, UnavailableProviderIsAnErrorAndCreationLeavesNoFile) {
    DbConnection::Options options;
    options.deriver = [](const void*, int) {
        store::KeyResult r;
        r.rc = 1;
        r.error = "Cryptographic provider not available";
        return r;
    };
    {
        DbConnection db(options);
        try {
            store::openSnippetDatabase(db, path().c_str(), false);
            FAIL() << "creation succeeded without a key";
        } catch (const CppSQLite3Exception& e) {
            EXPECT_STREQ(e.errorMessage(), "SQLITE_ERROR[1]: Cryptographic provider not available");
        }
        EXPECT_FALSE(db.isOpen());
    }
    EXPECT_FALSE(testdb::fileExists(path()));

    testdb::writeFile(path("existing.db"), {});
    DbConnection db(options);
    EXPECT_EQ(errorCodeOf([&] { db.openWithKey(path("existing.db").c_str(), store::kPassPhrase); }), 1);
}

// A derivation that yields no key for a non-empty pass phrase once meant
// "success" and a database written in plain text.
TEST_F(Codec, PassPhraseWithoutKeyIsAnError) {
    DbConnection::Options options;
    options.deriver = [](const void*, int) { return store::KeyResult{}; };
    DbConnection db(options);
    EXPECT_EQ(errorCodeOf([&] { store::openSnippetDatabase(db, path().c_str(), false); }), 1);
    EXPECT_FALSE(testdb::fileExists(path()));

    db.open(path("plain.db").c_str());
    EXPECT_EQ(errorCodeOf([&] { db.rekey("pass"); }), 1);
    EXPECT_EQ(errorCodeOf([&] { db.openWithKey(path("plain.db").c_str(), "pass"); }), 1);
}

TEST_F(Codec, FailedSchemaCreationRemovesTheNewFile) {
    DbConnection::Options options;
    options.baseVfs = testing_vfs::faultVfs();
    DbConnection db(options);
    testing_vfs::faultPlan() = {};
    testing_vfs::faultPlan().failDatabaseWriteAt = 1;
    try {
        store::openSnippetDatabase(db, path().c_str(), false);
        FAIL() << "creation succeeded despite the write error";
    } catch (const CppSQLite3Exception& e) {
        EXPECT_EQ(e.errorCode() & 0xff, 10);  // SQLITE_IOERR
    }
    testing_vfs::faultPlan() = {};
    EXPECT_FALSE(db.isOpen());
    EXPECT_FALSE(testdb::fileExists(path()));
    EXPECT_FALSE(testdb::fileExists(path() + "-journal"));

    // The next start finds no file and creates a good one.
    DbConnection next;
    store::openSnippetDatabase(next, path().c_str(), false);
    EXPECT_EQ(next.scalar("SELECT COUNT(*) FROM tree_tbl;"), 1);
}

}  // namespace
