// A snippet library as the tool reads it: every row of tree_tbl and
// attach_tbl (without the attachment data), with NULL kept apart from any
// value, and the tree's order.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "store/db_connection.h"

namespace jexlib {

using OptInt = std::optional<std::int64_t>;
using OptText = std::optional<std::string>;

// A row of tree_tbl; texts are GBK.
struct NodeRecord {
    std::int64_t id = 0;
    OptInt parent;
    OptInt turn;
    OptInt type;
    OptInt scheme;
    OptText title;
    OptText created;
    OptText modified;

    bool isText() const { return type && *type == 1; }
};

// A row of attach_tbl without its data.
struct AttachmentRecord {
    std::int64_t id = 0;
    OptInt owner;  // ItemId
    OptText title;
    OptInt size;
    OptText created;
    OptInt storePath;  // bStorePath: 0 stored, 1 linked

    bool isLink() const { return storePath && *storePath != 0; }
};

// The tree of a library in the order the program shows it: depth first,
// siblings by turn (then id).  Nodes the program cannot reach from the top
// level (a parent that is missing or a text, or a loop of parents) follow,
// each such subtree after the others, so that every row has its place.
struct LibraryTree {
    std::vector<NodeRecord> nodes;  // in that order
    std::vector<int> depth;         // 0 for top-level nodes and the roots of unreachable subtrees
    std::vector<bool> reachable;
    std::vector<std::size_t> parentIndex;  // in `nodes`; npos at depth 0
    std::unordered_map<std::int64_t, std::size_t> indexOf;  // by id

    const NodeRecord* find(std::int64_t id) const {
        auto it = indexOf.find(id);
        return it == indexOf.end() ? nullptr : &nodes[it->second];
    }
    // The titles of the folders above node `index`, joined by "/" (GBK).
    std::string folderPath(std::size_t index) const;
};

// Reads every row of tree_tbl into its order.
LibraryTree readTree(store::DbConnection& db);

// The rows of attach_tbl in id order.
std::vector<AttachmentRecord> readAttachments(store::DbConnection& db);

// The text of an integer or text column of the current row, NULL kept.
OptInt intColumn(const store::DbQuery& q, int index);
OptText textColumn(const store::DbQuery& q, int index);

// What the first bytes of `file` say it is: a library (they read as an
// SQLite header once decrypted with the library's key), a plain SQLite
// database, or something else.
enum class FileKind { Missing, Folder, Unreadable, Empty, Library, PlainDatabase, Unknown };
FileKind fileKindOf(const std::filesystem::path& file);
// Why a file of `kind` is no library to open ("" for a library).
std::string kindProblem(FileKind kind);

// Opens an existing library for reading only.  A missing file, or one the
// key does not open, fails with a message that says which.
void openForReading(store::DbConnection& db, const std::filesystem::path& file);

}  // namespace jexlib
