// The workers' file work: files read into the store, attachments written
// out, and what is left on disk when that fails.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

#include "attach/attachment_files.h"
#include "attach/attachment_rules.h"
#include "store/db_sql_buffer.h"
#include "store/schema.h"
#include "store/statements.h"
#include "tests/store/test_db.h"

namespace {

namespace fs = std::filesystem;
using attach::extractAttachment;
using attach::storeFile;
using Bytes = std::vector<std::uint8_t>;

Bytes sample(std::size_t size) {
    Bytes b(size);
    std::uint32_t x = 12345;
    for (auto& c : b) c = std::uint8_t((x = x * 1103515245 + 12345) >> 16);
    return b;
}

// The names in a folder.
std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class AttachmentFiles : public ::testing::Test {
protected:
    void SetUp() override {
        store::openSnippetDatabase(db, dir.path("pane.db").c_str(), false);
        fs::create_directories(dir.path("files"));
        fs::create_directories(dir.path("out"));
    }
    std::string file(const std::string& name) { return dir.path("files") + "/" + name; }
    std::string out(const std::string& name) { return dir.path("out") + "/" + name; }
    int stored(const Bytes& bytes, const std::string& name = "data.bin") {
        testdb::writeFile(file(name), bytes);
        attach::StoreOutcome outcome = storeFile(pane, 2, file(name), cancel);
        EXPECT_EQ(outcome.message, "");
        return outcome.row ? outcome.row->id : 0;
    }
    int count() { return db.scalar("SELECT COUNT(*) FROM attach_tbl;"); }

    testdb::TempDir dir;
    store::DbConnection db;
    attach::PaneStore pane{db};
    std::atomic<bool> cancel{false};
};

TEST_F(AttachmentFiles, AStoredFileIsTitledWithItsNameAndComesBackByteForByte) {
    const Bytes bytes = sample(300000);
    int id = stored(bytes, "it's a file.bin");
    ASSERT_GT(id, 0);
    EXPECT_EQ(testdb::rows(db, "SELECT ItemId, title, filesize, bStorePath FROM attach_tbl;"),
              std::vector<std::string>{"2|it's a file.bin|300000|0"});
    EXPECT_EQ(extractAttachment(pane, id, out("back.bin")), "");
    EXPECT_EQ(testdb::readFile(out("back.bin")), bytes);
    // Extracting again replaces the file.
    testdb::writeFile(out("old.bin"), Bytes(10, 'x'));
    EXPECT_EQ(extractAttachment(pane, id, out("old.bin")), "");
    EXPECT_EQ(testdb::readFile(out("old.bin")), bytes);
    EXPECT_EQ(namesIn(dir.path("out")), (std::vector<std::string>{"back.bin", "old.bin"}));
}

TEST_F(AttachmentFiles, EmptyMissingAndCancelledFilesAddNothing) {
    testdb::writeFile(file("empty"), {});
    attach::StoreOutcome empty = storeFile(pane, 2, file("empty"), cancel);
    EXPECT_FALSE(empty.row);
    EXPECT_EQ(empty.message, attach::kEmptyFileMessage);

    attach::StoreOutcome missing = storeFile(pane, 2, file("gone"), cancel);
    EXPECT_FALSE(missing.row);
    EXPECT_EQ(missing.message, attach::unreadableMessage(file("gone")));

    testdb::writeFile(file("c.bin"), sample(10));
    cancel = true;
    attach::StoreOutcome cancelled = storeFile(pane, 2, file("c.bin"), cancel);
    EXPECT_FALSE(cancelled.row);
    EXPECT_EQ(cancelled.message, "");
    EXPECT_EQ(count(), 0);
}

TEST_F(AttachmentFiles, ADatabaseFailureComesBackAsItsMessage) {
    testdb::writeFile(file("x.bin"), sample(10));
    db.execute("CREATE TRIGGER refuse BEFORE INSERT ON attach_tbl BEGIN SELECT RAISE(ABORT, 'refused'); END;");
    attach::StoreOutcome outcome = storeFile(pane, 2, file("x.bin"), cancel);
    EXPECT_FALSE(outcome.row);
    EXPECT_NE(outcome.message.find("refused"), std::string::npos) << outcome.message;
}

// A row whose recorded size is larger than its data (damaged, or edited by
// hand) is not written with bytes from beyond the data.
TEST_F(AttachmentFiles, DataShorterOrLongerThanItsSizeIsAFailedExtraction) {
    int id = stored(sample(1000));
    for (int size : {5000, 10, -1}) {
        SCOPED_TRACE(size);
        db.execute(("UPDATE attach_tbl SET filesize = " + std::to_string(size) + ";").c_str());
        EXPECT_EQ(extractAttachment(pane, id, out("damaged.bin")), attach::kDamagedMessage);
        EXPECT_FALSE(testdb::fileExists(out("damaged.bin")));
    }
    db.execute("UPDATE attach_tbl SET filedata = 'bad\x01\x09';");  // an escape followed by 9
    EXPECT_NE(extractAttachment(pane, id, out("bad.bin")), "");
    EXPECT_FALSE(testdb::fileExists(out("bad.bin")));
    EXPECT_NE(extractAttachment(pane, id + 1, out("none.bin")), "");
    EXPECT_TRUE(namesIn(dir.path("out")).empty());
}

TEST_F(AttachmentFiles, AnUnwritableTargetKeepsWhatWasThereAndLeavesNothingElse) {
    int id = stored(sample(2000));
    const std::string missingFolder = dir.path("no") + "/such/x.bin";
    EXPECT_EQ(extractAttachment(pane, id, missingFolder), attach::unwritableMessage(missingFolder));
    // A folder where the file should go, with something in it: it stays.
    fs::create_directories(out("taken"));
    testdb::writeFile(out("taken") + "/inside", Bytes(3, 'i'));
    EXPECT_EQ(extractAttachment(pane, id, out("taken")), attach::unwritableMessage(out("taken")));
    EXPECT_EQ(testdb::readFile(out("taken") + "/inside"), Bytes(3, 'i'));
    EXPECT_EQ(namesIn(dir.path("out")), std::vector<std::string>{"taken"});
}

TEST_F(AttachmentFiles, TheTargetsFolderIsCreatedOneLevelDeep) {
    int id = stored(sample(100));
    const std::string target = dir.path("jexMarlo") + "/a.bin";
    EXPECT_EQ(extractAttachment(pane, id, target), "");
    EXPECT_EQ(testdb::readFile(target), sample(100));
}

TEST_F(AttachmentFiles, ALinkedFileIsCopiedEvenOntoItselfAndAMissingOneFails) {
    const Bytes bytes = sample(2500000);  // more than one copy block
    testdb::writeFile(file("linked.bin"), bytes);
    int id = pane.link(2, "linked.bin", file("linked.bin"), int(bytes.size())).id;
    EXPECT_EQ(extractAttachment(pane, id, out("copy.bin")), "");
    EXPECT_EQ(testdb::readFile(out("copy.bin")), bytes);
    EXPECT_EQ(extractAttachment(pane, id, file("linked.bin")), "");
    EXPECT_EQ(testdb::readFile(file("linked.bin")), bytes);
    EXPECT_EQ(namesIn(dir.path("files")), std::vector<std::string>{"linked.bin"});

    fs::remove(file("linked.bin"));
    EXPECT_EQ(extractAttachment(pane, id, out("copy.bin")), attach::kExtractFailedMessage);
    EXPECT_EQ(testdb::readFile(out("copy.bin")), bytes) << "the old copy stays";
}

}  // namespace
