// What a drag of attachments out of the pane hands the shell: the drop list
// of a linked file, the names stored ones are offered under, and their
// bytes produced on request, whole or not at all.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "attach/shell_transfer.h"
#include "store/db_sql_buffer.h"
#include "store/schema.h"
#include "store/statements.h"
#include "tests/store/test_db.h"

namespace {

using Bytes = std::vector<unsigned char>;

TEST(DropFilesBlock, HoldsTheHeaderThePathAndTwoZeros) {
    const std::string path = "C:\\\xB4\xFA\xC2\xEB\\a.txt";  // C:\代码\a.txt
    Bytes block = attach::dropFilesBlock(path);
    ASSERT_EQ(block.size(), path.size() + 22);
    EXPECT_EQ(Bytes(block.begin(), block.begin() + 20), (Bytes{20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}))
        << "files at offset 20; point (0, 0); fNC and fWide off";
    EXPECT_EQ(std::string(block.begin() + 20, block.end() - 2), path);
    EXPECT_EQ(block[block.size() - 2], 0);
    EXPECT_EQ(block.back(), 0);
}

TEST(DescriptorName, IsOnePlainNameThatFitsTheFieldWithItsExtension) {
    EXPECT_EQ(attach::descriptorName("notes.txt"), "notes.txt");
    // A title is user text: it must not lead the receiver out of its folder.
    EXPECT_EQ(attach::descriptorName("..\\..\\evil.bat"), ".._.._evil.bat");
    EXPECT_EQ(attach::descriptorName("a/b:c.txt"), "a_b_c.txt");
    // 200 characters of 代 and an extension: cut to whole characters, the
    // extension kept, short enough for the 260-byte field and its zero.
    std::string title;
    for (int i = 0; i < 200; ++i) title += "\xB4\xFA";
    title += ".cpp";
    std::string name = attach::descriptorName(title);
    EXPECT_LT(name.size(), 260u);
    ASSERT_GE(name.size(), 4u);
    EXPECT_EQ(name.substr(name.size() - 4), ".cpp");
    EXPECT_EQ((name.size() - 4) % 2, 0u) << "no half character before the extension";
    for (std::size_t i = 0; i + 4 < name.size(); i += 2) EXPECT_EQ(name.substr(i, 2), "\xB4\xFA") << i;
}

TEST(LinkedCopyBlock, IsHalfAMegabyteUpToTwoMegabytesAndOneAbove) {
    EXPECT_EQ(attach::linkedCopyBlock(0), 524288u);
    EXPECT_EQ(attach::linkedCopyBlock(2097152), 524288u);
    EXPECT_EQ(attach::linkedCopyBlock(2097153), 1048576u);
    EXPECT_EQ(attach::linkedCopyBlock(-1), 524288u);
}

class Rendering : public ::testing::Test {
protected:
    void SetUp() override {
        store::openSnippetDatabase(db, dir.path("pane.db").c_str(), false);
        store::DbSqlBuffer b;
        db.execute(b.format(store::sql::kInsertNode, 1, 2, 1, -1, "a.cpp"));
        text = int(db.lastInsertId());
    }
    // Renders into `out`, recording the size of each piece.
    attach::RenderOutcome render(int id, std::size_t refuseAfter = SIZE_MAX) {
        out.clear();
        pieces.clear();
        return attach::renderAttachment(pane, id, [&](const unsigned char* data, std::size_t size) {
            if (pieces.size() >= refuseAfter) return false;
            pieces.push_back(size);
            out.insert(out.end(), data, data + size);
            return true;
        });
    }
    static Bytes pattern(std::size_t size) {
        Bytes b(size);
        for (std::size_t i = 0; i < size; ++i) b[i] = static_cast<unsigned char>(i * 7 + i / 251);
        return b;
    }
    std::string writeFile(const std::string& name, const Bytes& bytes) {
        std::string path = dir.path(name);
        std::FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        return path;
    }

    testdb::TempDir dir;
    store::DbConnection db;
    attach::PaneStore pane{db};
    std::atomic<bool> cancel{false};
    int text = 0;
    Bytes out;
    std::vector<std::size_t> pieces;
};

TEST_F(Rendering, AStoredAttachmentGivesItsExactBytesInOnePiece) {
    Bytes bytes = pattern(300000);
    bytes[10] = 0;
    auto row = pane.store(text, "a.bin", bytes, cancel);
    ASSERT_TRUE(row);
    attach::RenderOutcome outcome = render(row->id);
    EXPECT_TRUE(outcome.ok);
    EXPECT_EQ(out, bytes);
    EXPECT_EQ(pieces.size(), 1u);
}

TEST_F(Rendering, ALinkedFileIsCopiedInBlocksOfTheSizeItsRecordedSizeChooses) {
    Bytes small = pattern(1100000), large = pattern(3 * 1048576 + 5);
    auto smallLink = pane.link(text, "small.bin", writeFile("small.bin", small), int(small.size()));
    auto largeLink = pane.link(text, "large.bin", writeFile("large.bin", large), int(large.size()));
    EXPECT_TRUE(render(smallLink.id).ok);
    EXPECT_EQ(out, small);
    EXPECT_EQ(pieces, (std::vector<std::size_t>{524288, 524288, 1100000 - 2 * 524288}));
    EXPECT_TRUE(render(largeLink.id).ok);
    EXPECT_EQ(out, large);
    EXPECT_EQ(pieces, (std::vector<std::size_t>{1048576, 1048576, 1048576, 5}));
}

TEST_F(Rendering, FailuresAreReportedNeverAShortResultAsIfWhole) {
    Bytes bytes = pattern(2000000);
    // A linked file that is gone, or the receiver's medium running out.
    std::string path = writeFile("gone.bin", bytes);
    auto gone = pane.link(text, "gone.bin", path, int(bytes.size()));
    EXPECT_FALSE(render(gone.id, 1).ok) << "the sink refused the second block";
    std::remove(path.c_str());
    attach::RenderOutcome outcome = render(gone.id);
    EXPECT_FALSE(outcome.ok);
    EXPECT_TRUE(out.empty());

    // A stored row whose data no longer has its recorded size.
    auto stored = pane.store(text, "a.bin", pattern(1000), cancel);
    ASSERT_TRUE(stored);
    store::DbSqlBuffer b;
    db.execute(b.format("UPDATE attach_tbl SET filesize = 1001 WHERE AttachId = %d;", stored->id));
    outcome = render(stored->id);
    EXPECT_FALSE(outcome.ok);
    EXPECT_FALSE(outcome.message.empty());
    EXPECT_TRUE(out.empty());

    // A database error (the row deleted meanwhile) is said, for the pane to show.
    pane.remove(stored->id);
    outcome = render(stored->id);
    EXPECT_FALSE(outcome.ok);
    EXPECT_FALSE(outcome.message.empty());
}

TEST_F(Rendering, TheKindAndTheRecordedSizeAreReadForTheDragsStart) {
    auto stored = pane.store(text, "a.bin", pattern(10), cancel);
    auto linked = pane.link(text, "b.bin", "C:\\b.bin", 77);
    ASSERT_TRUE(stored);
    EXPECT_FALSE(pane.isLinked(stored->id));
    EXPECT_TRUE(pane.isLinked(linked.id));
    EXPECT_EQ(pane.recordedSize(stored->id), 10);
    EXPECT_EQ(pane.recordedSize(linked.id), 77);
    EXPECT_EQ(pane.recordedSize(9999), -1);
    EXPECT_THROW(pane.isLinked(9999), store::CppSQLite3Exception);
}

}  // namespace
