// Libraries for the tool's tests, written with the program's own code: the
// schema, the tree's statements, the code view's save and the pane's
// attachment inserts.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "jexlib/report.h"
#include "store/db_connection.h"

namespace sample {

namespace fs = std::filesystem;

// Writes library rows the way the program does.
class LibraryWriter {
public:
    explicit LibraryWriter(store::DbConnection& db) : db_(db) {}
    int folder(int parent, int turn, const std::string& title);
    // A text of the tree; `content` and `memo` saved with the code view's
    // statement unless `saved` is false (a text never saved: NULL, NULL).
    int text(int parent, int turn, const std::string& title, int scheme, const std::string& content,
             const std::string& memo, bool saved = true);
    // A text whose content was saved but whose memo never was (NULL memo).
    int textWithoutMemo(int parent, int turn, const std::string& title, const std::string& content);
    int storedAttachment(int text, const std::string& title, const std::vector<std::uint8_t>& bytes);
    int linkedAttachment(int text, const std::string& title, const std::string& path, int size);

private:
    store::DbConnection& db_;
};

// Deterministic pseudo-random bytes.
std::vector<std::uint8_t> bytes(std::size_t n, std::uint32_t seed);

// A library holding what the tests need (titles in GBK, as the program
// keeps them):
//   默认/                    the default folder, id 1
//     main.cpp               content with CRLF line ends, memo "入口函数"
//     it's "quoted".txt      a quote and double quotes
//     a/b\c.h                slashes
//     CON, nul.txt, aux.c    reserved names
//     中文标题.py            Chinese, Chinese content
//     dup.txt, dup.txt, DUP.TXT   clashing titles
//     x, x.memo.txt          a memo file name clashing with a title
//     昞\ (0x95 0x5C...)     a double-byte character whose trail is "\"
//     未保存                 never saved: NULL content and memo
//     无备注.sql             a NULL memo
//     空目录/                an empty folder
//     深/层/次/leaf.js       nested folders
//   顶层.txt                 a text at the top level
// Attachments of main.cpp: big.bin (`bigSize` bytes: 5 MB, the most the
// program stores, where a test is about attachments), a link, one titled
// with a quote and holding zero bytes and quotes; 中文标题.py has a small one.
constexpr std::size_t kFiveMegabytes = 5 * 1024 * 1024;
struct Sample {
    std::map<std::string, int> ids;  // by a short ASCII key
    std::vector<std::uint8_t> big;   // big.bin's bytes
};
Sample makeSample(const fs::path& file, std::size_t bigSize = 64 * 1024);

// The program's creation of a new library file, with its default folder.
void createLibrary(store::DbConnection& db, const fs::path& file);

// The path named by UTF-8 text (a narrow string is read in the system's
// code page on Windows).
fs::path u8(std::string_view utf8);

// Every file of a folder tree with its bytes, by path relative to it.
std::map<std::string, std::string> treeFiles(const fs::path& folder);

// The rows of `sql`, columns joined by "|", NULL as "<null>".
std::vector<std::string> rows(const fs::path& library, const char* sql);

std::string readBytes(const fs::path& file);

// Collects what a command reports.
class Capture : public jexlib::Reporter {
public:
    void print(std::string_view line) override { printed.emplace_back(line); }
    void note(std::string_view line) override { notes.emplace_back(line); }
    void progress(std::string_view, std::uint64_t, std::uint64_t) override { ++progressCalls; }
    std::string all() const;

    std::vector<std::string> printed;
    std::vector<std::string> notes;
    int progressCalls = 0;
};

// A fresh folder, removed afterwards.
class TempDir {
public:
    TempDir();
    ~TempDir();
    fs::path operator/(const std::string& name) const { return dir_ / u8(name); }
    const fs::path& path() const { return dir_; }

private:
    fs::path dir_;
};

}  // namespace sample
