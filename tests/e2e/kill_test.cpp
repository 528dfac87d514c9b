// The library survives the program being killed in the middle of a write:
// a save of a large text, the store of a 5 MB attachment, a rename, the
// delete of a large folder and a compaction.  Each operation runs once to the end to learn how long it
// takes, then again and again with the process terminated (no clean-up of
// any kind) at a random moment within that time.  After every kill the file
// opens with the pass phrase, the integrity check passes, the operation
// happened wholly or not at all, and every row written before it began is
// still there.
//
// JEX_KILLS sets the kills per operation (default 3; scripts/kill-soak runs
// 20 and more).  The seed of the random moments is printed, and
// JEX_KILL_SEED repeats a run.
#include <cstdlib>
#include <random>

#include "store/db_binary.h"
#include "tests/e2e/pane_fixture.h"

namespace {

using e2e::Rows;

constexpr int kCmdSave = 32776;
constexpr int kCmdCompact = 32801;

int killsPerOperation() {
    const char* n = std::getenv("JEX_KILLS");
    return n && std::atoi(n) > 0 ? std::atoi(n) : 3;
}

unsigned seed() {
    const char* s = std::getenv("JEX_KILL_SEED");
    return s ? unsigned(std::strtoul(s, nullptr, 10)) : unsigned(GetTickCount());
}

class Kill : public e2e::pane::PaneTest {
protected:
    void SetUp() override {
        PaneTest::SetUp();
        const unsigned s = seed();
        std::printf("[ kill seed %u ]\n", s);
        random_.seed(s);
    }

    void open(store::DbConnection& db) { db.openWithKey(e2e::databasePath(folder).c_str(), store::kPassPhrase); }
    // Rows set up before the program starts, in one transaction.
    void prepare(const std::string& sql) {
        store::DbConnection db;
        open(db);
        db.execute(("BEGIN;" + sql + "COMMIT;").c_str());
    }

    // Everything of the library a kill must leave alone: the rows of every
    // table outside the operation's own, as one text.
    std::string untouched(const std::string& where) {
        Rows tree = query("SELECT ItemId || ',' || pId || ',' || turn || ',' || type || ',' || title FROM tree_tbl WHERE " +
                          where + " ORDER BY ItemId;");
        Rows content = query("SELECT ItemId || ',' || LENGTH(content) || ',' || IFNULL(memo, '-') FROM content_tbl WHERE "
                             "ItemId IN (SELECT ItemId FROM tree_tbl WHERE " + where + ") ORDER BY ItemId;");
        std::string out;
        for (const auto& r : tree) out += r + "\n";
        for (const auto& r : content) out += r + "\n";
        return out;
    }

    // The moment of a kill: anywhere within the operation's own time, a
    // little beyond it, or before it began to write.
    int killDelay(int operationMs) {
        std::uniform_int_distribution<int> d(0, std::max(1, operationMs * 5 / 4));
        return d(random_);
    }

    // Terminates the program `delayMs` after the operation was started and
    // waits until it is gone.
    void killAfter(int delayMs) {
        Sleep(DWORD(delayMs));  // the random moment itself, not a wait for a condition
        program->terminate();
        program.reset();
    }

    // The file opens with the pass phrase and is sound.
    void expectSound() {
        store::DbConnection db;
        open(db);
        Rows check = testdb::rows(db, "PRAGMA integrity_check;");
        EXPECT_EQ(check, Rows{"ok"});
        EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM tree_tbl t WHERE t.type = 1 AND NOT EXISTS "
                            "(SELECT 1 FROM content_tbl c WHERE c.ItemId = t.ItemId);"),
                  0)
            << "a text without its content row";
    }

    int elapsedSince(DWORD start) { return int(GetTickCount() - start); }

    std::mt19937 random_;
};

// A text of 1 MB is saved after a change at its start: afterwards it holds
// the old or the new content, never a mixture.
TEST_F(Kill, SavingALargeText) {
    std::string body;
    for (int i = 0; body.size() < 1024 * 1024; ++i) body += "line " + std::to_string(i) + " of the old text\n";
    const int id = addNode(1, 0, 1, "big.txt");
    addNode(1, 1, 1, "other.txt");
    prepare("UPDATE content_tbl SET content = '" + body + "' WHERE ItemId = " + std::to_string(id) +
            "; UPDATE content_tbl SET content = 'kept', memo = 'kept memo' WHERE ItemId <> " + std::to_string(id) + ";");
    const std::string before = untouched("ItemId <> " + std::to_string(id));

    int operationMs = 0;
    for (int round = 0; round <= killsPerOperation(); ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        ASSERT_NO_FATAL_FAILURE(start());
        expand(top);
        select(find(top, "big.txt"));
        openSelected();
        ASSERT_TRUE(visibleEditor());
        focusEditor();
        // One key: the text is too long to be read back through the window.
        ASSERT_TRUE(e2e::waitForKeyboard(visibleEditor()));
        e2e::pressKey('X');
        ASSERT_TRUE(codeTabsAre({"big.txt*"}));
        Rows was = query("SELECT LENGTH(content) FROM content_tbl WHERE ItemId = " + std::to_string(id) + ";");
        const DWORD began = GetTickCount();
        PostMessageA(frame, WM_COMMAND, kCmdSave, 0);
        if (round == 0) {
            // The run that learns the time: the save ends, the mark goes.
            ASSERT_TRUE(codeTabsAre({"big.txt"}));
            operationMs = elapsedSince(began);
            std::printf("[ saving 1 MB took %d ms ]\n", operationMs);
            ASSERT_EQ(e2e::closeProgram(*program, frame), 0u);
        } else {
            killAfter(killDelay(operationMs));
        }
        expectSound();
        Rows now = query("SELECT LENGTH(content) FROM content_tbl WHERE ItemId = " + std::to_string(id) + ";");
        ASSERT_EQ(now.size(), 1u);
        // One byte more per saved round; a kill leaves the length before or after.
        const int length = std::stoi(now[0]), old = std::stoi(was[0]);
        EXPECT_TRUE(length == old || length == old + 1) << length << " after " << old;
        Rows tail = query("SELECT SUBSTR(content, -20) = SUBSTR('" + body.substr(body.size() - 20) + "', -20) FROM content_tbl WHERE ItemId = " +
                          std::to_string(id) + ";");
        EXPECT_EQ(tail, Rows{"1"}) << "the end of the text is its own";
        EXPECT_EQ(untouched("ItemId <> " + std::to_string(id)), before);
        if (HasFatalFailure()) return;
    }
}

// A 5 MB attachment is stored in one transaction: after a kill it is there
// whole, with its exact bytes, or not at all.
TEST_F(Kill, StoringAFiveMegabyteAttachment) {
    const int id = addNode(1, 0, 1, "a.cpp");
    addNode(1, 1, 1, "other.txt");
    prepare("UPDATE content_tbl SET content = 'kept', memo = 'kept memo';");
    const std::string bytes = e2e::pane::pattern(5242880, 11);
    e2e::writeFile(file("five.bin"), bytes);
    const std::string before = untouched("1");
    const std::string rowsOf = "SELECT COUNT(*) FROM attach_tbl WHERE ItemId = " + std::to_string(id) + ";";

    int operationMs = 0;
    for (int round = 0; round <= killsPerOperation(); ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const int was = std::stoi(query(rowsOf)[0]);
        ASSERT_NO_FATAL_FAILURE(start());
        openText("a.cpp");
        addThroughDialog(file("five.bin"), false);
        const DWORD began = GetTickCount();
        if (round == 0) {
            waitUntilUsable();
            ASSERT_TRUE(attachmentsAre({"0|five.bin|5.00 MB"}));
            operationMs = std::max(1, elapsedSince(began));
            std::printf("[ storing 5 MB took %d ms ]\n", operationMs);
            ASSERT_EQ(e2e::closeProgram(*program, frame), 0u);
        } else {
            killAfter(killDelay(operationMs));
        }
        expectSound();
        const int now = std::stoi(query(rowsOf)[0]);
        EXPECT_TRUE(now == was || now == was + 1) << now << " attachments after " << was;
        EXPECT_EQ(query("SELECT COUNT(*) FROM attach_tbl WHERE filesize <> 5242880 OR title <> 'five.bin';"), Rows{"0"});
        if (now > was) {
            Rows data = query("SELECT filedata FROM attach_tbl ORDER BY AttachId DESC LIMIT 1;");
            store::DbBinary binary;
            binary.setEncoded(data[0].c_str());
            EXPECT_TRUE(binary.getBinaryLength() == int(bytes.size()) &&
                        std::equal(bytes.begin(), bytes.end(), reinterpret_cast<const char*>(binary.getBinary())))
                << "the stored bytes are the file's";
        }
        EXPECT_EQ(untouched("1"), before);
        if (HasFatalFailure()) return;
    }
}

// A rename is one statement: the old title or the new, and nothing else changes.
TEST_F(Kill, RenamingAText) {
    for (int i = 0; i < 50; ++i) addNode(1, i, 1, "t" + std::to_string(i) + ".c");
    const int id = addNode(1, 50, 1, "name0.c");
    const std::string before = untouched("ItemId <> " + std::to_string(id));

    int operationMs = 0;
    for (int round = 0; round <= killsPerOperation(); ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        Rows was = query("SELECT title FROM tree_tbl WHERE ItemId = " + std::to_string(id) + ";");
        ASSERT_EQ(was.size(), 1u);
        const std::string next = "name" + std::to_string(round + 1) + ".c";
        ASSERT_NO_FATAL_FAILURE(start());
        expand(top);
        select(find(top, was[0]));
        key(VK_F2);
        const DWORD began = GetTickCount();
        finishEdit(next.c_str());
        if (round == 0) {
            ASSERT_TRUE(e2e::waitFor("the new title in the tree", [&] { return find(top, next) != nullptr; }, true));
            operationMs = std::max(1, elapsedSince(began));
            ASSERT_EQ(e2e::closeProgram(*program, frame), 0u);
        } else {
            killAfter(killDelay(operationMs));
        }
        expectSound();
        Rows now = query("SELECT title FROM tree_tbl WHERE ItemId = " + std::to_string(id) + ";");
        ASSERT_EQ(now.size(), 1u);
        EXPECT_TRUE(now[0] == was[0] || now[0] == next) << now[0];
        EXPECT_EQ(untouched("ItemId <> " + std::to_string(id)), before);
        if (HasFatalFailure()) return;
    }
}

// Deleting a folder of 2 000 texts is all or nothing.
TEST_F(Kill, DeletingALargeFolder) {
    const int keep = addNode(1, 0, 1, "keep.c");
    int operationMs = 0;
    for (int round = 0; round <= killsPerOperation(); ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const int folderId = addNode(1, 1, 0, "doomed");
        std::string rows;
        for (int i = 0; i < 2000; ++i)
            rows += "INSERT INTO tree_tbl VALUES(NULL, " + std::to_string(folderId) + ", " + std::to_string(i) +
                    ", 1, 0, 'd" + std::to_string(i) + "', datetime('now', 'localtime'), NULL);";
        prepare(rows + "UPDATE content_tbl SET content = '" + std::string(500, 'd') +
                "' WHERE ItemId IN (SELECT ItemId FROM tree_tbl WHERE pId = " + std::to_string(folderId) + ");");
        const std::string before = untouched("ItemId <> " + std::to_string(folderId) + " AND pId <> " +
                                             std::to_string(folderId));
        ASSERT_NO_FATAL_FAILURE(start());
        expand(top);
        select(find(top, "doomed"));
        PostMessageA(tree, WM_KEYDOWN, VK_DELETE, 0);
        HWND box = messageBox();
        ASSERT_TRUE(box) << "no question before the delete";
        const DWORD began = GetTickCount();
        e2e::clickButton(box, IDYES);
        if (round == 0) {
            ASSERT_TRUE(e2e::waitFor("the folder gone from the tree", [&] { return find(top, "doomed") == nullptr; }, true));
            operationMs = std::max(1, elapsedSince(began));
            std::printf("[ deleting 2001 rows took %d ms ]\n", operationMs);
            ASSERT_EQ(e2e::closeProgram(*program, frame), 0u);
        } else {
            killAfter(killDelay(operationMs));
        }
        expectSound();
        const int left = std::stoi(query("SELECT COUNT(*) FROM tree_tbl WHERE ItemId = " + std::to_string(folderId) +
                                         " OR pId = " + std::to_string(folderId) + ";")[0]);
        EXPECT_TRUE(left == 0 || left == 2001) << left << " rows of the folder left";
        const int contents = std::stoi(query("SELECT COUNT(*) FROM content_tbl WHERE ItemId NOT IN (SELECT ItemId FROM tree_tbl);")[0]);
        EXPECT_EQ(contents, 0) << "content rows without their text";
        EXPECT_EQ(untouched("ItemId <> " + std::to_string(folderId) + " AND pId <> " + std::to_string(folderId)), before);
        EXPECT_EQ(query("SELECT title FROM tree_tbl WHERE ItemId = " + std::to_string(keep) + ";"), Rows{"keep.c"});
        if (left) prepare("DELETE FROM tree_tbl WHERE ItemId = " + std::to_string(folderId) + " OR pId = " +
                          std::to_string(folderId) + ";");
        if (HasFatalFailure()) return;
    }
}

// A compaction rewrites the whole file: every row survives a kill at any
// point of it.
TEST_F(Kill, CompactingTheLibrary) {
    int operationMs = 0;
    for (int round = 0; round <= killsPerOperation(); ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        // 3 MB of rows written and deleted again: free pages to give back.
        std::string rows;
        for (int i = 0; i < 600; ++i)
            rows += "INSERT INTO tree_tbl VALUES(NULL, 1, " + std::to_string(i + 10) + ", 1, 0, 'gone" +
                    std::to_string(i) + "', datetime('now', 'localtime'), NULL);";
        prepare(rows + "UPDATE content_tbl SET content = '" + std::string(6000, 'c') + "' WHERE ItemId IN (SELECT ItemId FROM tree_tbl WHERE title LIKE 'gone%');");
        prepare("DELETE FROM tree_tbl WHERE title LIKE 'gone%';");
        if (round == 0)
            for (int i = 0; i < 100; ++i) addNode(1, i, 1, "kept" + std::to_string(i));
        const std::string before = untouched("1");
        ASSERT_NO_FATAL_FAILURE(start());
        const DWORD began = GetTickCount();
        PostMessageA(frame, WM_COMMAND, kCmdCompact, 0);
        if (round == 0) {
            ASSERT_TRUE(e2e::waitForIdle(frame));
            ASSERT_TRUE(e2e::waitFor("the compaction over", [&] {
                return IsWindowEnabled(frame) && !program->findWindow(e2e::kTitle, e2e::kDialogClass);
            }, true));
            operationMs = std::max(1, elapsedSince(began));
            std::printf("[ compacting took %d ms ]\n", operationMs);
            ASSERT_EQ(e2e::closeProgram(*program, frame), 0u);
        } else {
            killAfter(killDelay(operationMs));
        }
        expectSound();
        EXPECT_EQ(untouched("1"), before);
        if (HasFatalFailure()) return;
    }
}

}  // namespace
