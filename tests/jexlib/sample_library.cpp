#include "tests/jexlib/sample_library.h"

#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>

#include "jexlib/files.h"
#include "store/db_binary.h"
#include "store/db_sql_buffer.h"
#include "store/schema.h"
#include "store/statements.h"
#include "tree/tree_store.h"

namespace sample {

namespace sql = store::sql;

int LibraryWriter::folder(int parent, int turn, const std::string& title) {
    return TreeStore(db_).insertNode(parent, turn, 0, -1, title);
}

int LibraryWriter::text(int parent, int turn, const std::string& title, int scheme, const std::string& content,
                        const std::string& memo, bool saved) {
    int id = TreeStore(db_).insertNode(parent, turn, 1, scheme, title);
    if (saved) {
        store::DbSqlBuffer b;
        db_.execute(b.format(sql::kSaveContent, store::doubledQuotes(content.c_str()).c_str(),
                             store::doubledQuotes(memo.c_str()).c_str(), id));
    }
    return id;
}

int LibraryWriter::textWithoutMemo(int parent, int turn, const std::string& title, const std::string& content) {
    int id = TreeStore(db_).insertNode(parent, turn, 1, -1, title);
    store::DbSqlBuffer b;
    db_.execute(b.format(sql::kSaveContentOnly, store::doubledQuotes(content.c_str()).c_str(), id));
    return id;
}

int LibraryWriter::storedAttachment(int text, const std::string& title, const std::vector<std::uint8_t>& data) {
    store::DbBinary binary;
    binary.setBinary(data.data(), int(data.size()));
    store::DbSqlBuffer b;
    db_.execute(b.format(sql::kInsertAttachmentData, text, store::doubledQuotes(title.c_str()).c_str(),
                         int(data.size()), binary.getEncoded()));
    return int(db_.lastInsertId());
}

int LibraryWriter::linkedAttachment(int text, const std::string& title, const std::string& path, int size) {
    std::vector<std::uint8_t> buffer(260, 0);
    std::copy(path.begin(), path.end(), buffer.begin());
    store::DbBinary binary;
    binary.setBinary(buffer.data(), int(buffer.size()));
    store::DbSqlBuffer b;
    db_.execute(b.format(sql::kInsertAttachmentLink, text, store::doubledQuotes(title.c_str()).c_str(), size,
                         binary.getEncoded()));
    return int(db_.lastInsertId());
}

std::vector<std::uint8_t> bytes(std::size_t n, std::uint32_t seed) {
    std::vector<std::uint8_t> out(n);
    std::uint32_t x = seed;
    for (auto& b : out) b = std::uint8_t((x = x * 1103515245u + 12345u) >> 16);
    return out;
}

void createLibrary(store::DbConnection& db, const fs::path& file) {
    store::openSnippetDatabase(db, jexlib::utf8Path(file).c_str(), false);
}

Sample makeSample(const fs::path& file, std::size_t bigSize) {
    store::DbConnection db;
    createLibrary(db, file);
    LibraryWriter w(db);
    Sample s;
    int top = 1;  // 默认
    int turn = 0;
    s.ids["main"] = w.text(top, ++turn, "main.cpp", 2, "int main() {\r\n    return 0;\r\n}\r\n", "入口函数");
    s.ids["quoted"] = w.text(top, ++turn, "it's \"quoted\".txt", 20, "say 'hi'\n", "memo with 'quotes'");
    s.ids["slashes"] = w.text(top, ++turn, "a/b\\c.h", 1, "#pragma once\n", "");
    s.ids["con"] = w.text(top, ++turn, "CON", -1, "device\n", "");
    s.ids["nul"] = w.text(top, ++turn, "nul.txt", 20, "device too\n", "");
    s.ids["aux"] = w.text(top, ++turn, "aux.c", 1, "int aux;\n", "");
    s.ids["chinese"] = w.text(top, ++turn, "中文标题.py", 15, "# 中文注释\nprint('你好，世界')\n", "说明：打印问候");
    s.ids["dup1"] = w.text(top, ++turn, "dup.txt", 20, "first\n", "");
    s.ids["dup2"] = w.text(top, ++turn, "dup.txt", 20, "second\n", "");
    s.ids["dup3"] = w.text(top, ++turn, "DUP.TXT", 20, "third\n", "");
    s.ids["x"] = w.text(top, ++turn, "x", -1, "x itself\n", "x's memo");
    s.ids["xmemo"] = w.text(top, ++turn, "x.memo.txt", 20, "a text named like a memo\n", "");
    s.ids["trail"] = w.text(top, ++turn, "\x95\x5c\x95\x41.txt", 20, "trail bytes \x95\x5c and \x95\x41\n", "");
    s.ids["unsaved"] = w.text(top, ++turn, "未保存", -1, "", "", false);
    s.ids["nomemo"] = w.textWithoutMemo(top, ++turn, "无备注.sql", "SELECT 1;\n");
    s.ids["empty"] = w.folder(top, ++turn, "空目录");
    int deep = w.folder(top, ++turn, "深");
    int level = w.folder(deep, 1, "层");
    int sub = w.folder(level, 1, "次");
    s.ids["deep"] = deep;
    s.ids["leaf"] = w.text(sub, 1, "leaf.js", 9, "console.log('leaf');\n", "叶子");
    s.ids["toplevel"] = w.text(0, 2, "顶层.txt", 20, "at the top\n", "");

    s.big = bytes(bigSize, 7);
    s.ids["big"] = w.storedAttachment(s.ids["main"], "big.bin", s.big);
    s.ids["link"] = w.linkedAttachment(s.ids["main"], "big.iso", "C:\\数据\\big.iso", 104857600);
    s.ids["quotedAttachment"] = w.storedAttachment(s.ids["main"], "it's.txt", {'h', 'i', 0, '\'', 0x27});
    s.ids["small"] = w.storedAttachment(s.ids["chinese"], "图.png", bytes(3000, 9));
    return s;
}

fs::path u8(std::string_view utf8) { return jexlib::pathFromUtf8(utf8); }

std::map<std::string, std::string> treeFiles(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (auto it = fs::recursive_directory_iterator(folder); it != fs::recursive_directory_iterator(); ++it) {
        std::string rel = it->path().lexically_relative(folder).generic_u8string();
        if (it->is_directory())
            files[rel + "/"] = "";
        else
            files[rel] = readBytes(it->path());
    }
    return files;
}

std::vector<std::string> rows(const fs::path& library, const char* statement) {
    store::DbConnection db;
    store::openSnippetDatabaseReadOnly(db, jexlib::utf8Path(library).c_str());
    std::vector<std::string> out;
    for (store::DbQuery q = db.query(statement); !q.eof(); q.nextRow()) {
        std::string row;
        for (int i = 0; i < q.numFields(); ++i) {
            if (i) row += "|";
            const char* v = q.fieldValue(i);
            row += v ? v : "<null>";
        }
        out.push_back(row);
    }
    return out;
}

std::string readBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Capture::all() const {
    std::string text;
    for (const auto& l : printed) text += l + "\n";
    for (const auto& l : notes) text += "note: " + l + "\n";
    return text;
}

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    dir_ = fs::temp_directory_path() / ("jexlib-" + std::to_string(stamp) + "-" + std::to_string(++counter));
    fs::create_directories(dir_);
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(dir_, ec);
}

}  // namespace sample
