#include "jexlib/library.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "jexlib/files.h"
#include "jexlib/report.h"
#include "store/page_key.h"
#include "store/schema.h"

namespace jexlib {

namespace fs = std::filesystem;

OptInt intColumn(const store::DbQuery& q, int index) {
    if (q.fieldType(index) == SQLITE_NULL) return std::nullopt;
    return std::int64_t(std::strtoll(q.fieldValue(index), nullptr, 10));
}

OptText textColumn(const store::DbQuery& q, int index) {
    const char* value = q.fieldValue(index);
    if (!value) return std::nullopt;
    return std::string(value);
}

namespace {

constexpr std::size_t npos = std::size_t(-1);

// Siblings in the order the program lists them: by turn, a NULL turn last
// (the listing's ORDER BY puts it first, but no program-made row has one),
// then by id.
bool listedBefore(const NodeRecord& a, const NodeRecord& b) {
    if (a.turn.has_value() != b.turn.has_value()) return a.turn.has_value();
    if (a.turn && *a.turn != *b.turn) return *a.turn < *b.turn;
    return a.id < b.id;
}

}  // namespace

LibraryTree readTree(store::DbConnection& db) {
    std::vector<NodeRecord> rows;
    store::DbQuery q =
        db.query("SELECT ItemId, pId, turn, type, SynId, title, CreateTime, ModifyTime FROM tree_tbl ORDER BY ItemId;");
    for (; !q.eof(); q.nextRow()) {
        NodeRecord r;
        r.id = intColumn(q, 0).value_or(0);
        r.parent = intColumn(q, 1);
        r.turn = intColumn(q, 2);
        r.type = intColumn(q, 3);
        r.scheme = intColumn(q, 4);
        r.title = textColumn(q, 5);
        r.created = textColumn(q, 6);
        r.modified = textColumn(q, 7);
        rows.push_back(std::move(r));
    }
    q.finalize();

    std::unordered_map<std::int64_t, std::size_t> rowOf;
    for (std::size_t i = 0; i < rows.size(); ++i) rowOf.emplace(rows[i].id, i);
    std::unordered_map<std::int64_t, std::vector<std::size_t>> children;
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (rows[i].parent) children[*rows[i].parent].push_back(i);
    for (auto& entry : children)
        std::sort(entry.second.begin(), entry.second.end(),
                  [&](std::size_t a, std::size_t b) { return listedBefore(rows[a], rows[b]); });

    LibraryTree tree;
    tree.nodes.reserve(rows.size());
    std::vector<bool> placed(rows.size(), false);

    // Places the rows `top` (siblings under the node at `parentAt`) and
    // everything below them, depth first, without recursion.
    auto place = [&](const std::vector<std::size_t>& top, std::size_t parentAt, int depth, bool reachable) {
        struct Level {
            const std::vector<std::size_t>* rows;
            std::size_t next;
            std::size_t parentAt;
            int depth;
        };
        std::vector<Level> stack{{&top, 0, parentAt, depth}};
        while (!stack.empty()) {
            Level& level = stack.back();
            if (level.next == level.rows->size()) {
                stack.pop_back();
                continue;
            }
            std::size_t row = (*level.rows)[level.next++];
            if (placed[row]) continue;
            placed[row] = true;
            std::size_t at = tree.nodes.size();
            tree.nodes.push_back(rows[row]);
            tree.depth.push_back(level.depth);
            tree.reachable.push_back(reachable);
            tree.parentIndex.push_back(level.parentAt);
            tree.indexOf.emplace(rows[row].id, at);
            int below = level.depth + 1;
            if (rows[row].isText()) continue;  // the program lists no children of a text
            auto it = children.find(rows[row].id);
            if (it != children.end()) stack.push_back({&it->second, 0, at, below});
        }
    };

    auto top = children.find(0);
    if (top != children.end()) place(top->second, npos, 0, true);

    // Unreachable subtrees: first those hanging from a parent that is missing
    // or a text, then the loops of parents, each from its smallest id.
    std::vector<std::size_t> roots;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (placed[i]) continue;
        const NodeRecord& r = rows[i];
        auto parent = r.parent ? rowOf.find(*r.parent) : rowOf.end();
        if (!r.parent || parent == rowOf.end() || rows[parent->second].isText()) roots.push_back(i);
    }
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (!placed[i]) roots.push_back(i);
    for (std::size_t root : roots) {
        if (placed[root]) continue;
        std::vector<std::size_t> one{root};
        place(one, npos, 0, false);
    }
    return tree;
}

std::string LibraryTree::folderPath(std::size_t index) const {
    std::vector<const std::string*> titles;
    static const std::string none;
    for (std::size_t up = parentIndex[index]; up != npos; up = parentIndex[up])
        titles.push_back(nodes[up].title ? &*nodes[up].title : &none);
    std::string path;
    for (auto it = titles.rbegin(); it != titles.rend(); ++it) {
        if (!path.empty()) path += '/';
        path += **it;
    }
    return path;
}

std::vector<AttachmentRecord> readAttachments(store::DbConnection& db) {
    std::vector<AttachmentRecord> out;
    store::DbQuery q = db.query(
        "SELECT AttachId, ItemId, title, filesize, CreateTime, bStorePath FROM attach_tbl ORDER BY AttachId;");
    for (; !q.eof(); q.nextRow()) {
        AttachmentRecord a;
        a.id = intColumn(q, 0).value_or(0);
        a.owner = intColumn(q, 1);
        a.title = textColumn(q, 2);
        a.size = intColumn(q, 3);
        a.created = textColumn(q, 4);
        a.storePath = intColumn(q, 5);
        out.push_back(std::move(a));
    }
    return out;
}

FileKind fileKindOf(const fs::path& file) {
    std::error_code ec;
    if (!fs::exists(file, ec)) return ec ? FileKind::Unreadable : FileKind::Missing;
    if (fs::is_directory(file, ec)) return FileKind::Folder;
    std::ifstream in(file, std::ios::binary);
    if (!in) return FileKind::Unreadable;
    unsigned char header[16] = {};
    in.read(reinterpret_cast<char*>(header), sizeof header);
    if (in.gcount() == 0) return FileKind::Empty;
    if (in.gcount() < std::streamsize(sizeof header)) return FileKind::Unknown;
    static const char kMagic[16] = "SQLite format 3";
    if (std::memcmp(header, kMagic, sizeof header) == 0) return FileKind::PlainDatabase;
    store::KeyResult key = store::derivePageKey(store::kPassPhrase, int(std::strlen(store::kPassPhrase)));
    if (key.rc != SQLITE_OK || !key.key) return FileKind::Unknown;
    key.key->apply(header, sizeof header, 0);
    return std::memcmp(header, kMagic, sizeof header) == 0 ? FileKind::Library : FileKind::Unknown;
}

std::string kindProblem(FileKind kind) {
    switch (kind) {
    case FileKind::Missing: return "no such file";
    case FileKind::Folder: return "a folder, not a library file";
    case FileKind::Unreadable: return "cannot be read";
    case FileKind::Empty: return "the file is empty, not a library";
    case FileKind::PlainDatabase: return "a plain SQLite database, not a library (its pages are not encrypted)";
    case FileKind::Unknown: return "not a library: the library's key does not open it (or its first page is damaged)";
    case FileKind::Library: break;
    }
    return "";
}

void openForReading(store::DbConnection& db, const fs::path& file) {
    std::string name = file.u8string();
    FileKind kind = fileKindOf(file);
    if (kind != FileKind::Library) throw Failure(name + ": " + kindProblem(kind));
    try {
        store::openSnippetDatabaseReadOnly(db, utf8Path(file).c_str());
        db.scalar("SELECT count(*) FROM tree_tbl;");
    } catch (const store::CppSQLite3Exception& e) {
        db.close();
        throw Failure(name + ": cannot be read as a library: " + e.errorMessage());
    }
}

}  // namespace jexlib
