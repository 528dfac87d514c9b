// check: whether a library file is sound, part by part.
#include <cctype>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "jexlib/commands.h"
#include "jexlib/files.h"
#include "jexlib/library.h"
#include "jexlib/unicode.h"
#include "store/binary_text.h"
#include "store/schema.h"
#include "store/statements.h"
#include "store/transaction.h"

namespace jexlib {

namespace {

constexpr int kIntegrityLines = 100;  // integrity_check stops after this many findings
constexpr std::size_t kLinkBuffer = 260;
constexpr std::size_t kListed = 20;  // findings of one kind listed one by one

struct SchemaObject {
    std::string type;
    std::string name;
    std::string sql;
};

// "CREATE TABLE x(...)" → its type and name.
SchemaObject describe(const std::string& statement) {
    SchemaObject o;
    std::string sql = statement;
    while (!sql.empty() && (sql.back() == ';' || sql.back() == ' ')) sql.pop_back();
    o.sql = sql;
    std::size_t typeStart = std::strlen("CREATE ");
    std::size_t typeEnd = sql.find(' ', typeStart);
    o.type = sql.substr(typeStart, typeEnd - typeStart);
    for (char& c : o.type) c = char(std::tolower(static_cast<unsigned char>(c)));
    std::size_t nameStart = typeEnd + 1;
    if (sql.compare(nameStart, 14, "IF NOT EXISTS ") == 0) nameStart += 14;
    std::size_t nameEnd = sql.find_first_of(" (", nameStart);
    o.name = sql.substr(nameStart, nameEnd - nameStart);
    return o;
}

// Blanks collapsed: the engine keeps a statement's text as it was given,
// but an index made with IF NOT EXISTS is kept without those words.
std::string normalised(std::string sql) {
    std::size_t at = sql.find(" IF NOT EXISTS");
    if (at != std::string::npos) sql.erase(at, 14);
    std::string out;
    for (char c : sql) {
        if (std::isspace(static_cast<unsigned char>(c))) {
            if (!out.empty() && out.back() != ' ') out += ' ';
        } else {
            out += c;
        }
    }
    while (!out.empty() && (out.back() == ' ' || out.back() == ';')) out.pop_back();
    return out;
}

class Checker {
public:
    explicit Checker(Reporter& reporter) : reporter_(reporter) {}

    void problem(const std::string& line) {
        reporter_.print("PROBLEM " + line);
        ++summary_.problems;
    }
    void note(const std::string& line) {
        reporter_.print("note    " + line);
        ++summary_.notes;
    }
    void ok(const std::string& line) { reporter_.print("ok      " + line); }

    bool key(const fs::path& library) {
        FileKind kind = fileKindOf(library);
        if (kind == FileKind::Missing || kind == FileKind::Folder || kind == FileKind::Unreadable)
            throw Failure(utf8Path(library) + ": " + kindProblem(kind));
        if (kind != FileKind::Library) {
            problem("key: " + kindProblem(kind));
            return false;
        }
        ok("key: the library's key opens the file");
        return true;
    }

    void integrity(store::DbConnection& db) {
        std::vector<std::string> findings;
        try {
            store::DbQuery q = db.query(("PRAGMA integrity_check(" + std::to_string(kIntegrityLines) + ");").c_str());
            for (; !q.eof(); q.nextRow()) findings.push_back(q.getStringField(0));
        } catch (const store::CppSQLite3Exception& e) {
            findings.push_back(std::string("the check itself failed: ") + e.errorMessage());
        }
        if (findings.size() == 1 && findings[0] == "ok") {
            int pages = db.scalar("PRAGMA page_count;");
            ok("integrity: every page is sound (" + std::to_string(pages) + " pages of " +
               std::to_string(db.scalar("PRAGMA page_size;")) + " bytes)");
            return;
        }
        std::set<long> pages;
        for (const std::string& f : findings) {
            problem("integrity: " + f);
            collectPages(f, pages);
        }
        if (!pages.empty()) {
            std::string list;
            for (long p : pages) list += (list.empty() ? "" : ", ") + std::to_string(p);
            problem("integrity: damaged page" + std::string(pages.size() > 1 ? "s " : " ") + list);
        }
    }

    void schema(store::DbConnection& db) {
        std::map<std::string, SchemaObject> found;  // by name
        store::DbQuery q = db.query("SELECT type, name, sql FROM sqlite_master;");
        for (; !q.eof(); q.nextRow()) {
            SchemaObject o{q.getStringField(0), q.getStringField(1), q.getStringField(2)};
            found[o.name] = o;
        }
        q.finalize();
        int expected = 0;
        int missing = 0;
        auto compare = [&](const char* statement, bool optional) {
            SchemaObject want = describe(statement);
            auto it = found.find(want.name);
            if (it == found.end()) {
                if (optional) {
                    note("schema: the index " + want.name + " is missing (the program adds it when it opens the file)");
                } else {
                    problem("schema: the " + want.type + " " + want.name + " is missing");
                    ++missing;
                }
                return;
            }
            if (it->second.type != want.type || normalised(it->second.sql) != normalised(want.sql))
                problem("schema: the " + want.type + " " + want.name + " is not the one the program makes: " +
                        readableUtf8(it->second.sql));
            found.erase(it);
            ++expected;
        };
        for (const char* statement : store::sql::kCreateSchema)
            if (std::strncmp(statement, "CREATE", 6) == 0) compare(statement, false);
        for (const char* statement : store::sql::kCreateIndexes) compare(statement, true);
        for (const auto& entry : found) {
            const std::string& name = entry.first;
            if (name == "sqlite_sequence" || name.rfind("sqlite_autoindex_", 0) == 0) continue;
            note("schema: the " + entry.second.type + " " + name + " is not one the program makes");
        }
        if (!missing) ok("schema: the tables, triggers and view are the program's");
    }

    void contents(store::DbConnection& db, const LibraryTree& tree) {
        std::map<std::int64_t, int> rows;
        store::DbQuery q = db.query("SELECT ItemId FROM content_tbl;");
        for (; !q.eof(); q.nextRow()) ++rows[intColumn(q, 0).value_or(0)];
        q.finalize();
        int texts = 0;
        std::vector<std::string> without, doubled;
        for (std::size_t i = 0; i < tree.nodes.size(); ++i) {
            if (!tree.nodes[i].isText()) continue;
            ++texts;
            auto it = rows.find(tree.nodes[i].id);
            if (it == rows.end())
                without.push_back(shown(tree, i));
            else if (it->second > 1)
                doubled.push_back(shown(tree, i) + " has " + std::to_string(it->second));
            if (it != rows.end()) rows.erase(it);
        }
        listProblems(without, "texts without their content row");
        listProblems(doubled, "texts with more than one content row");
        for (const auto& orphan : rows)
            note("texts: a content row for " + std::string(tree.find(orphan.first) ? "a folder" : "no node") + " (id " +
                 std::to_string(orphan.first) + ")");
        if (without.empty() && doubled.empty())
            ok("texts: " + std::to_string(texts) + ", each with its content row");
    }

    void attachments(store::DbConnection& db, const LibraryTree& tree) {
        int count = 0;
        std::vector<std::string> bad;
        std::vector<std::uint8_t> data;
        store::DbQuery q = db.query("SELECT AttachId, ItemId, filesize, bStorePath, filedata FROM attach_tbl;");
        for (; !q.eof(); q.nextRow()) {
            ++count;
            std::int64_t id = intColumn(q, 0).value_or(0);
            OptInt owner = intColumn(q, 1);
            OptInt size = intColumn(q, 2);
            bool link = intColumn(q, 3).value_or(0) != 0;
            std::string name = "attachment " + std::to_string(id);
            const NodeRecord* text = owner ? tree.find(*owner) : nullptr;
            if (!text || !text->isText())
                note("attachments: " + name + " belongs to no text: the program never shows it");
            const char* encoded = q.fieldValue(4);
            std::size_t length = encoded ? std::strlen(encoded) : 0;
            data.assign(encoded, encoded + length);
            data.push_back(0);
            std::ptrdiff_t decoded = length ? store::decodeBinary(data.data(), data.data()) : -1;
            if (decoded < 0) {
                bad.push_back(name + ": its data does not decode");
            } else if (link) {
                if (std::size_t(decoded) != kLinkBuffer || data[0] == 0 ||
                    std::find(data.begin(), data.begin() + decoded, 0) == data.begin() + decoded)
                    bad.push_back(name + ": a link without a path of fewer than 260 bytes");
            } else if (!size || *size != decoded) {
                bad.push_back(name + ": decodes to " + std::to_string(decoded) + " bytes, its filesize is " +
                              (size ? std::to_string(*size) : std::string("NULL")));
            }
            reporter_.progress("attachments", std::uint64_t(count), total_);
        }
        reporter_.endProgress();
        listProblems(bad, "attachments that do not decode to their size");
        if (bad.empty()) ok("attachments: " + std::to_string(count) + ", each decodes to its size");
    }

    void shape(const LibraryTree& tree) {
        std::vector<std::string> lost;
        std::map<std::pair<std::int64_t, std::int64_t>, int> turns;
        for (std::size_t i = 0; i < tree.nodes.size(); ++i) {
            const NodeRecord& n = tree.nodes[i];
            if (!tree.reachable[i] && tree.depth[i] == 0) lost.push_back(shown(tree, i));
            if (n.parent && n.turn) ++turns[{*n.parent, *n.turn}];
        }
        listProblems(lost, "nodes the program cannot reach from the top level (with what lies below them)");
        int shared = 0;
        for (const auto& t : turns) shared += t.second > 1;
        if (shared)
            note("tree: " + std::to_string(shared) + " turns shared by siblings (the order among them is not fixed)");
        if (lost.empty()) ok("tree: " + std::to_string(tree.nodes.size()) + " nodes, all reachable from the top level");
    }

    void setAttachmentCount(std::uint64_t n) { total_ = n; }
    CheckSummary summary() const { return summary_; }

private:
    static std::string shown(const LibraryTree& tree, std::size_t i) {
        std::string folder = tree.folderPath(i);
        std::string title = tree.nodes[i].title.value_or("");
        return readableUtf8(folder.empty() ? title : folder + "/" + title) + " (id " + std::to_string(tree.nodes[i].id) + ")";
    }

    void listProblems(const std::vector<std::string>& items, const std::string& what) {
        if (items.empty()) return;
        problem(what + ": " + std::to_string(items.size()));
        for (std::size_t i = 0; i < items.size() && i < kListed; ++i) reporter_.print("          " + items[i]);
        if (items.size() > kListed) reporter_.print("          ... and " + std::to_string(items.size() - kListed) + " more");
    }

    // The page numbers a finding of integrity_check names ("page 5", "Page 5").
    static void collectPages(const std::string& finding, std::set<long>& pages) {
        for (std::size_t at = 0; (at = finding.find("age ", at)) != std::string::npos;) {
            at += 4;
            if (at >= 5 && (finding[at - 5] == 'p' || finding[at - 5] == 'P') && at < finding.size() &&
                std::isdigit(static_cast<unsigned char>(finding[at])))
                pages.insert(std::strtol(finding.c_str() + at, nullptr, 10));
        }
    }

    Reporter& reporter_;
    CheckSummary summary_;
    std::uint64_t total_ = 0;
};

}  // namespace

CheckSummary checkLibrary(const fs::path& library, Reporter& reporter) {
    Checker checker(reporter);
    if (!checker.key(library)) return checker.summary();
    store::DbConnection db;
    try {
        store::openSnippetDatabaseReadOnly(db, utf8Path(library).c_str());
        auto lock = db.lock();
        store::Transaction snapshot(db);
        checker.integrity(db);
        checker.schema(db);
        LibraryTree tree = readTree(db);
        checker.contents(db, tree);
        checker.setAttachmentCount(std::uint64_t(db.scalar("SELECT count(*) FROM attach_tbl;")));
        checker.attachments(db, tree);
        checker.shape(tree);
        snapshot.commit();
    } catch (const store::CppSQLite3Exception& e) {
        reporter.endProgress();
        checker.problem(std::string("the library cannot be read on: ") + e.errorMessage());
    }
    CheckSummary s = checker.summary();
    reporter.print(s.problems ? std::to_string(s.problems) + (s.problems == 1 ? " problem" : " problems") + " found"
                              : "no problems found");
    return s;
}

}  // namespace jexlib
