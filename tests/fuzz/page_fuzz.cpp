// libFuzzer target for reading a damaged library: the input is the plain
// image of a database file (a library made by page_seed is the seed), which
// is encrypted page by page with the library's key, written to a file and
// opened the way the program opens it.  Then everything the program reads
// is read: the tree level by level, every text's content and memo, every
// attachment's list row and data (decoded), a title search, and the
// integrity check.  Errors are expected and caught; a crash, a leak, a hang
// or unbounded memory is a finding.
#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "store/db_binary.h"
#include "store/db_connection.h"
#include "store/page_key.h"
#include "store/schema.h"
#include "store/statements.h"

namespace {

std::size_t pageSizeOf(const std::uint8_t* data, std::size_t size) {
    if (size < 100) return 1024;
    std::size_t p = (std::size_t(data[16]) << 8) | data[17];
    if (p == 1) p = 65536;
    if (p < 512 || p > 65536 || (p & (p - 1)) != 0) return 1024;
    return p;
}

std::string writeEncrypted(const std::uint8_t* data, std::size_t size) {
    static const store::PageKeyRef key =
        store::portablePageKey(store::kPassPhrase, static_cast<int>(std::strlen(store::kPassPhrase)));
    std::vector<std::uint8_t> image(data, data + size);
    const std::size_t page = pageSizeOf(data, size);
    for (std::size_t at = 0; at < image.size(); at += page)
        key->apply(image.data() + at, std::min(page, image.size() - at), 0);
    const std::string name = "/dev/shm/jex_page_fuzz_" + std::to_string(getpid()) + ".db";
    std::remove((name + "-journal").c_str());
    if (FILE* f = std::fopen(name.c_str(), "wb")) {
        std::fwrite(image.data(), 1, image.size(), f);
        std::fclose(f);
    }
    return name;
}

std::string format(const char* statement, long long a) {
    char* sql = sqlite3_mprintf(statement, static_cast<int>(a));
    std::string out = sql ? sql : "";
    sqlite3_free(sql);
    return out;
}

// Reads every row a user could reach, the way the windows read them.
void readEverything(store::DbConnection& db) {
    std::vector<int> folders{0};
    int visited = 0;
    while (!folders.empty() && visited < 2000) {
        const int folder = folders.back();
        folders.pop_back();
        store::DbQuery q = db.query(format(store::sql::kListChildren, folder).c_str());
        for (; !q.eof() && visited < 2000; q.nextRow(), ++visited) {
            const int id = q.getIntField(0);
            (void)q.getStringField(3);
            if (q.getIntField(1) == 0) {
                if (id != folder && id > 0) folders.push_back(id);
                continue;
            }
            store::DbQuery content = db.query(format(store::sql::kLoadContent, id).c_str());
            if (!content.eof()) (void)content.getStringField(0);
            store::DbQuery memo = db.query(format(store::sql::kLoadMemo, id).c_str());
            if (!memo.eof()) (void)memo.getStringField(0);
            store::DbQuery list = db.query(format(store::sql::kListAttachments, id).c_str());
            for (; !list.eof(); list.nextRow()) {
                store::DbQuery data = db.query(format(store::sql::kAttachmentData, list.getIntField(0)).c_str());
                if (data.eof()) continue;
                store::DbBinary binary;
                binary.setEncoded(data.getStringField(0));
                try {
                    (void)binary.getBinary();
                    (void)binary.getBinaryLength();
                } catch (const store::CppSQLite3Exception&) {
                }
            }
        }
    }
    char* formatted = sqlite3_mprintf(store::sql::kSearchTitles, "a", "a");
    const std::string search = formatted ? formatted : "";
    sqlite3_free(formatted);  // before the query, which may throw
    store::DbQuery found = db.query(search.c_str());
    for (int n = 0; !found.eof() && n < 2000; found.nextRow(), ++n) (void)found.getStringField(1);
    store::DbQuery check = db.query("PRAGMA integrity_check;");
    for (int n = 0; !check.eof() && n < 100; check.nextRow(), ++n) (void)check.getStringField(0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > (1u << 20)) return 0;
    const std::string name = writeEncrypted(data, size);
    {
        store::DbConnection db;
        try {
            store::openSnippetDatabase(db, name.c_str(), true);
            db.setBusyTimeout(0);
            readEverything(db);
        } catch (const store::CppSQLite3Exception&) {
        }
    }
    std::remove(name.c_str());
    std::remove((name + "-journal").c_str());
    return 0;
}
