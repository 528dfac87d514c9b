// Writes the seed of page_fuzz: the plain image of a small library with
// folders, texts with content and memos, a stored and a linked attachment,
// made with the program's own schema and statements and then decrypted, so
// that the fuzzer starts from a well-formed file and damages its pages.
#include <sqlite3.h>

#include <cstdio>
#include <string>

#include "store/binary_text.h"
#include "store/db_connection.h"
#include "store/schema.h"
#include "store/statements.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: page_seed OUTPUT\n");
        return 2;
    }
    const std::string work = std::string(argv[1]) + ".work";
    std::remove(work.c_str());
    try {
        store::DbConnection db;
        store::openSnippetDatabase(db, work.c_str(), false);
        auto insert = [&](int parent, int turn, int type, const char* title) {
            char* sql = sqlite3_mprintf(store::sql::kInsertNode, parent, turn, type, 1, title);
            db.execute(sql);
            sqlite3_free(sql);
            return static_cast<int>(db.lastInsertId());
        };
        const int folder = insert(0, 0, 0, "folder");
        const int inner = insert(folder, 0, 0, "inner");
        const int text = insert(folder, 1, 1, "a text");
        insert(inner, 0, 1, "\xD6\xD0\xCE\xC4");
        insert(0, 1, 1, "top");
        char* sql = sqlite3_mprintf(store::sql::kSaveContent, "int main() { return 0; }", "memo", text);
        db.execute(sql);
        sqlite3_free(sql);
        const unsigned char bytes[] = {0, 1, 2, 39, 255, 254, 0, 9};
        char encoded[64];
        store::encodeBinary(bytes, sizeof bytes, reinterpret_cast<unsigned char*>(encoded));
        sql = sqlite3_mprintf(store::sql::kInsertAttachmentData, text, "data.bin", int(sizeof bytes), encoded);
        db.execute(sql);
        sqlite3_free(sql);
        sql = sqlite3_mprintf(store::sql::kInsertAttachmentLink, text, "link.txt", 5, "C:\\link.txt");
        db.execute(sql);
        sqlite3_free(sql);
        db.rekey("");  // decrypts every page
        db.close();
    } catch (const store::CppSQLite3Exception& e) {
        std::fprintf(stderr, "page_seed: %s\n", e.what());
        return 1;
    }
    if (std::rename(work.c_str(), argv[1]) != 0) return 1;
    return 0;
}
