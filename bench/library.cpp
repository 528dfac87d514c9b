#include "bench/library.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "store/db_binary.h"
#include "store/db_sql_buffer.h"
#include "store/statements.h"

namespace bench {

namespace {

namespace sql = store::sql;

// Extensions of some shipped schemes with their ids (the files of the Syntax
// folder in name order).
struct Kind {
    const char* extension;
    int schemeId;
};
constexpr Kind kKinds[] = {{"cpp", 2}, {"c", 1},  {"py", 15}, {"js", 9}, {"sql", 19},
                           {"sh", 18}, {"java", 8}, {"txt", 20}, {"go", 5}, {"rs", 17}};

// The same numbers on every run, so that every library of one shape is the same.
class Random {
public:
    unsigned below(unsigned bound) {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return unsigned(state_ >> 33) % bound;
    }

private:
    std::uint64_t state_ = 42;
};

template <typename Body>
void inTransaction(store::DbConnection& db, Body body) {
    auto lock = db.lock();
    db.execute(sql::kBegin);
    try {
        body();
        db.execute(sql::kCommit);
    } catch (...) {
        try {
            db.execute(sql::kRollback);
        } catch (const store::CppSQLite3Exception&) {
            // Rolled back by the engine already.
        }
        throw;
    }
}

// Writes nodes with the program's statements, inside the caller's transaction.
class Writer {
public:
    Writer(store::DbConnection& db, Library& library) : db_(db), library_(library) {}

    int folder(int parentId, int turn, const std::string& title) { return insert(parentId, turn, 0, -1, title); }

    // A text with a few lines of code; one in four has a memo, one in twenty
    // was never saved, one in four hundred has an attachment and one in a
    // thousand a link to a file.
    int text(int parentId, int turn) {
        int n = library_.texts + 1;
        const Kind& kind = kKinds[random_.below(std::size(kKinds))];
        int id = insert(parentId, turn, 1, kind.schemeId, "片段 " + std::to_string(n) + "." + kind.extension);
        ++library_.texts;
        library_.textIds.push_back(id);
        if (n % 20 != 0) {
            std::string memo = n % 4 == 0 ? "说明：片段 " + std::to_string(n) + " 的用法" : "";
            db_.execute(b_.format(sql::kSaveContent, store::doubledQuotes(code(n).c_str()).c_str(),
                                  store::doubledQuotes(memo.c_str()).c_str(), id));
        }
        if (n % 400 == 7) attachData(id, 1024 + int(random_.below(31 * 1024)));
        if (n % 1000 == 500) attachLink(id);
        return id;
    }

private:
    int insert(int parentId, int turn, int type, int schemeId, const std::string& title) {
        std::string quoted = store::doubledQuotes(title.c_str());
        db_.execute(b_.format(sql::kInsertNode, parentId, turn, type, schemeId, quoted.c_str()));
        return int(db_.lastInsertId());
    }

    std::string code(int n) {
        std::string text = "// 片段 " + std::to_string(n) + "\n";
        for (int line = 0, lines = 3 + int(random_.below(40)); line < lines; ++line) {
            std::string k = std::to_string(random_.below(1000));
            switch (random_.below(4)) {
            case 0: text += "int value_" + k + " = compute(" + k + ", \"name's\");\n"; break;
            case 1: text += "for (int i = 0; i < " + k + "; ++i) total += i * " + k + ";\n"; break;
            case 2: text += "\tprintf(\"%d\\n\", total); /* 输出 */\n"; break;
            default: text += "\n"; break;
            }
        }
        return text;
    }

    void attachData(int textId, int size) {
        std::vector<unsigned char> bytes(static_cast<std::size_t>(size));
        for (auto& byte : bytes) byte = (unsigned char)random_.below(256);
        store::DbBinary data;
        data.setBinary(bytes.data(), size);
        db_.execute(b_.format(sql::kInsertAttachmentData, textId, "data.bin", size, data.getEncoded()));
        ++library_.attachments;
    }

    void attachLink(int textId) {
        unsigned char path[260] = {};
        std::string file = "C:\\资料\\附件 " + std::to_string(textId) + ".txt";
        std::copy(file.begin(), file.end(), path);
        store::DbBinary data;
        data.setBinary(path, int(sizeof path));
        db_.execute(b_.format(sql::kInsertAttachmentLink, textId, "附件.txt", 4096, data.getEncoded()));
        ++library_.attachments;
    }

    store::DbConnection& db_;
    Library& library_;
    store::DbSqlBuffer b_;
    Random random_;
};

}  // namespace

Library fillLibrary(store::DbConnection& db, const LibraryShape& shape) {
    // The default folder, a top-level folder and the big folder come first.
    if (shape.bigFolder < 0 || shape.nodes < shape.bigFolder + 3)
        throw std::invalid_argument("a library needs at least 3 nodes more than its big folder's texts");
    Library library;
    library.nodes = shape.nodes;
    inTransaction(db, [&] {
        Writer writer(db, library);
        Random random;
        int topTurn = 2;  // after the default folder
        int top = writer.folder(0, topTurn++, "资料");
        library.bigFolderId = writer.folder(top, 1, "常用片段");
        for (int turn = 1; turn <= shape.bigFolder; ++turn) writer.text(library.bigFolderId, turn);
        int remaining = shape.nodes - 3 - shape.bigFolder;

        // Breadth first: each folder gets 5 to 40 children, about one in
        // eight a folder, down to depth 6; folders at the end stay empty.
        struct Open {
            int id, depth, firstTurn;
        };
        std::deque<Open> open{{1, 1, 1}, {top, 1, 2}};
        while (remaining > 0) {
            if (open.empty()) {
                int turn = topTurn++;
                open.push_back({writer.folder(0, turn, "目录 " + std::to_string(turn)), 1, 1});
                --remaining;
                continue;
            }
            Open folder = open.front();
            open.pop_front();
            int children = std::min(remaining, 5 + int(random.below(36)));
            for (int turn = folder.firstTurn; turn < folder.firstTurn + children; ++turn) {
                if (folder.depth < 6 && random.below(100) < 12)
                    open.push_back({writer.folder(folder.id, turn, "目录 " + std::to_string(turn)), folder.depth + 1, 1});
                else
                    writer.text(folder.id, turn);
            }
            remaining -= children;
        }
    });
    return library;
}

int addSubtree(store::DbConnection& db, int parentId, int nodes) {
    if (nodes < 2) throw std::invalid_argument("a subtree needs a folder and a child");
    Library counts;
    int root = 0;
    inTransaction(db, [&] {
        Writer writer(db, counts);
        root = writer.folder(parentId, 0, "旧项目");
        for (int remaining = nodes - 1, folderTurn = 1; remaining > 0; ++folderTurn) {
            int folder = writer.folder(root, folderTurn, "目录 " + std::to_string(folderTurn));
            int texts = std::min(remaining - 1, 99);
            for (int turn = 1; turn <= texts; ++turn) writer.text(folder, turn);
            remaining -= 1 + texts;
        }
    });
    return root;
}

void dropIndexes(store::DbConnection& db) {
    const std::string marker = "IF NOT EXISTS ";
    for (std::string create : sql::kCreateIndexes) {
        std::size_t start = create.find(marker) + marker.size();
        db.execute(("DROP INDEX " + create.substr(start, create.find(' ', start) - start) + ";").c_str());
    }
    db.execute(sql::kCompact);
}

}  // namespace bench
