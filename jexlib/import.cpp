// import: a folder tree (with or without a manifest) into a library, all or
// nothing.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "editor/scheme_list.h"
#include "editor/syntax_scheme.h"
#include "jexlib/commands.h"
#include "jexlib/files.h"
#include "jexlib/library.h"
#include "jexlib/manifest.h"
#include "jexlib/unicode.h"
#include "store/binary_text.h"
#include "store/db_sql_buffer.h"
#include "store/schema.h"
#include "store/transaction.h"
#include "tree/title_rules.h"

namespace jexlib {

namespace {

// Statements of the import: every column given, NULL where the manifest has
// none, so that rows come back as they were.
// ItemId (or NULL), pId, turn, type, SynId (each a number or NULL), title,
// CreateTime, ModifyTime
constexpr char kInsertNode[] =
    "INSERT INTO tree_tbl(ItemId, pId, turn, type, SynId, title, CreateTime, ModifyTime) "
    "VALUES(%s, %s, %s, %s, %s, %Q, %Q, %Q);";
// content, memo, ItemId (fires the trigger that stamps ModifyTime)
constexpr char kSetContent[] = "UPDATE content_tbl SET content = %Q, memo = %Q WHERE ItemId = %lld;";
// ModifyTime, ItemId
constexpr char kSetModified[] = "UPDATE tree_tbl SET ModifyTime = %Q WHERE ItemId = %lld;";
// AttachId (or NULL), ItemId, title, filesize, CreateTime, bStorePath, filedata
constexpr char kInsertAttachment[] =
    "INSERT INTO attach_tbl(AttachId, ItemId, title, filesize, CreateTime, bStorePath, filedata) "
    "VALUES(%s, %lld, %Q, %s, %Q, %s, %Q);";
// pId: the last turn among its children (0 without children)
constexpr char kLastTurn[] = "SELECT coalesce(max(turn), 0) FROM tree_tbl WHERE pId = %lld;";
constexpr char kNodeType[] = "SELECT type FROM tree_tbl WHERE ItemId = %lld;";
constexpr char kEmptyLibrary[] =
    "DELETE FROM tree_tbl; DELETE FROM content_tbl; DELETE FROM attach_tbl; DELETE FROM softInfo_tbl; "
    "DELETE FROM sqlite_sequence;";
// name, version
constexpr char kInsertInfo[] = "INSERT INTO softInfo_tbl(name, version) VALUES(%Q, %Q);";
// table, value
constexpr char kSetSequence[] =
    "DELETE FROM sqlite_sequence WHERE name = %Q; INSERT INTO sqlite_sequence VALUES(%Q, %lld);";
constexpr char kSequence[] = "SELECT coalesce(max(seq), 0) FROM sqlite_sequence WHERE name = %Q;";

constexpr std::size_t kLinkBuffer = 260;  // MAX_PATH: the path and its terminating zero
constexpr std::size_t kProblemsShown = 100;

std::string literal(const OptInt& value) { return value ? std::to_string(*value) : "NULL"; }
const char* orNull(const OptText& value) { return value ? value->c_str() : nullptr; }

bool parseInt(const std::string& text, std::int64_t& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    long long v = std::strtoll(text.c_str(), &end, 10);
    if (errno || *end) return false;
    value = v;
    return true;
}

bool startsWith(std::string_view text, std::string_view start) { return text.substr(0, start.size()) == start; }

// The problems found on the way; the import goes on reading to list them
// all, then rolls back.
class Problems {
public:
    explicit Problems(Reporter& reporter) : reporter_(reporter) {}
    void add(const std::string& line) {
        if (std::size_t(count_++) < kProblemsShown) reporter_.note(line);
    }
    int count() const { return count_; }
    void finish() const {
        if (!count_) return;
        if (count_ > int(kProblemsShown)) reporter_.note("... and " + std::to_string(count_ - int(kProblemsShown)) + " more");
        throw Failure("nothing was imported: " + std::to_string(count_) + (count_ == 1 ? " problem" : " problems"));
    }

private:
    Reporter& reporter_;
    int count_ = 0;
};

// Text read from a file, as the library keeps it (GBK).
class TextReader {
public:
    TextReader(const ImportOptions& options, Problems& problems, Reporter& reporter)
        : options_(options), problems_(problems), reporter_(reporter) {}

    // `bytes` as GBK: UTF-8 when `utf8` (or, when `detect`, when the bytes
    // are well-formed UTF-8 with something beyond ASCII) is converted.
    // Returns false after listing what does not go.
    bool toGbk(const std::string& bytes, bool utf8, bool detect, const std::string& what, std::string& out) {
        if (bytes.find('\0') != std::string::npos) {
            problems_.add(what + ": holds a zero byte, which a text cannot");
            return false;
        }
        std::string_view text(bytes);
        if (detect) {
            bool beyondAscii = std::any_of(text.begin(), text.end(), [](char c) { return (unsigned char)c >= 0x80; });
            utf8 = beyondAscii && isUtf8(text);
        }
        if (!utf8) {
            out = bytes;
            return true;
        }
        if (!isUtf8(text)) {
            problems_.add(what + ": is marked UTF-8 but is not");
            return false;
        }
        if (startsWith(text, "\xEF\xBB\xBF")) text.remove_prefix(3);
        std::vector<Unheld> unheld;
        if (utf8ToGbk(text, out, unheld) || options_.substitute) {
            for (const Unheld& u : unheld)
                reporter_.note(what + ":" + std::to_string(u.line) + ": " + describeCodePoint(u.codePoint) +
                              " cannot be held by GBK; \"?\" put in its place");
            return true;
        }
        for (const Unheld& u : unheld)
            problems_.add(what + ":" + std::to_string(u.line) + ": " + describeCodePoint(u.codePoint) +
                          " cannot be held by GBK");
        return false;
    }

private:
    const ImportOptions& options_;
    Problems& problems_;
    Reporter& reporter_;
};

// What the import writes; ids are those the library gave.
class Writer {
public:
    explicit Writer(store::DbConnection& db) : db_(db) {}

    std::int64_t node(const OptInt& id, const OptInt& parent, const OptInt& turn, const OptInt& type,
                      const OptInt& scheme, const OptText& title, const OptText& created) {
        db_.execute(sql_.format(kInsertNode, literal(id).c_str(), literal(parent).c_str(), literal(turn).c_str(),
                                literal(type).c_str(), literal(scheme).c_str(), orNull(title), orNull(created),
                                nullptr));
        return id ? *id : db_.lastInsertId();
    }
    void content(std::int64_t id, const OptText& content, const OptText& memo) {
        if (!content && !memo) return;  // the insert trigger's row holds NULL, NULL already
        db_.execute(sql_.format(kSetContent, orNull(content), orNull(memo), (long long)id));
    }
    void modified(std::int64_t id, const OptText& modified) {
        db_.execute(sql_.format(kSetModified, orNull(modified), (long long)id));
    }
    void attachment(const OptInt& id, std::int64_t owner, const OptText& title, const OptInt& size,
                    const OptText& created, const OptInt& storePath, const char* encoded) {
        db_.execute(sql_.format(kInsertAttachment, literal(id).c_str(), (long long)owner, orNull(title),
                                literal(size).c_str(), orNull(created), literal(storePath).c_str(), encoded));
    }
    std::int64_t lastTurn(std::int64_t parent) { return db_.scalar(sql_.format(kLastTurn, (long long)parent)); }
    std::string now() {
        store::DbQuery q = db_.query("SELECT datetime('now', 'localtime');");
        return q.getStringField(0);
    }

    store::DbConnection& db() { return db_; }
    store::DbSqlBuffer& sql() { return sql_; }

private:
    store::DbConnection& db_;
    store::DbSqlBuffer sql_;
};

std::string encode(const std::string& bytes) {
    if (bytes.empty()) return "x";
    std::string out(std::size_t(store::encodedCapacity(bytes.size())), '\0');
    std::size_t n = store::encodeBinary(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(),
                                        reinterpret_cast<std::uint8_t*>(&out[0]));
    out.resize(n);
    return out;
}

// --- with a manifest -------------------------------------------------------------

class ManifestImport {
public:
    ManifestImport(const fs::path& folder, std::vector<ManifestRecord> records, bool exact, std::int64_t into,
                   const ImportOptions& options, Reporter& reporter, ImportSummary& summary)
        : folder_(folder),
          records_(std::move(records)),
          exact_(exact),
          into_(into),
          reporter_(reporter),
          summary_(summary),
          problems_(reporter),
          reader_(options, problems_, reporter) {}

    void run(Writer& w) {
        validate();
        problems_.finish();
        if (exact_) w.db().execute(kEmptyLibrary);
        std::int64_t turn = exact_ ? 0 : w.lastTurn(into_);
        std::uint64_t done = 0;
        for (const ManifestRecord& r : records_) {
            reporter_.progress("import", ++done, records_.size());
            if (r.kind == "folder" || r.kind == "text")
                importNode(w, r, turn);
            else if (r.kind == "attachment")
                importAttachment(w, r);
            else if (r.kind == "info" && exact_)
                w.db().execute(w.sql().format(kInsertInfo, orNull(text(r, "name")), orNull(text(r, "version"))));
        }
        if (exact_) restoreSequences(w);
        reporter_.endProgress();
        problems_.finish();
    }

private:
    std::string where(const ManifestRecord& r) const { return std::string(kManifestName) + ":" + std::to_string(r.line); }

    OptInt integer(const ManifestRecord& r, const char* key) {
        const std::string* v = r.find(key);
        if (!v) return std::nullopt;
        std::int64_t n;
        if (!parseInt(*v, n)) {
            problems_.add(where(r) + ": " + key + "=" + *v + " is not a number");
            return std::nullopt;
        }
        return n;
    }
    OptText text(const ManifestRecord& r, const char* key) {
        const std::string* v = r.find(key);
        if (!v) return std::nullopt;
        std::string gbk, error;
        if (!unescapeGbk(*v, gbk, error)) {
            problems_.add(where(r) + ": " + key + ": " + error);
            return std::nullopt;
        }
        return gbk;
    }
    // A file named by the record, inside the folder.
    std::optional<fs::path> file(const ManifestRecord& r, const char* key) {
        const std::string* v = r.find(key);
        if (!v) return std::nullopt;
        std::string utf8, error;
        if (!unescapeUtf8(*v, utf8, error)) {
            problems_.add(where(r) + ": " + key + ": " + error);
            return std::nullopt;
        }
        fs::path rel = pathFromUtf8(utf8).lexically_normal();
        if (rel.empty() || rel.is_absolute() || rel.has_root_name() || *rel.begin() == "..") {
            problems_.add(where(r) + ": " + key + "=" + utf8 + " lies outside the folder");
            return std::nullopt;
        }
        return folder_ / rel;
    }
    std::string shown(const fs::path& path) const {
        return withoutLongPrefix(path).lexically_relative(withoutLongPrefix(folder_)).generic_u8string();
    }

    bool read(const fs::path& path, std::string& bytes) {
        std::string error;
        if (readFile(path, bytes, error)) return true;
        problems_.add(shown(path) + ": cannot be read: " + error);
        return false;
    }

    void validate() {
        std::set<std::int64_t> nodes, attachments;
        for (const ManifestRecord& r : records_) {
            bool node = r.kind == "folder" || r.kind == "text";
            if (!node && r.kind != "attachment" && r.kind != "info" && r.kind != "sequence") {
                problems_.add(where(r) + ": unknown record \"" + r.kind + "\"");
                continue;
            }
            if (!node && r.kind != "attachment") continue;
            OptInt id = integer(r, "id");
            if (!id) {
                if (!r.find("id")) problems_.add(where(r) + ": has no id");
                continue;
            }
            if (!(node ? nodes : attachments).insert(*id).second)
                problems_.add(where(r) + ": id " + std::to_string(*id) + " is listed twice");
            if (r.kind == "text") {
                OptInt type = integer(r, "type");
                if (!type || *type != 1) problems_.add(where(r) + ": a text must have type=1");
                texts_.insert(*id);
            }
            if ((r.kind == "text" || r.kind == "attachment") && !r.find("file"))
                problems_.add(where(r) + ": names no file");
            if (r.kind == "attachment") {
                OptInt owner = integer(r, "text");
                if (!owner || !texts_.count(*owner))
                    problems_.add(where(r) + ": belongs to no text listed before it");
            }
        }
    }

    void importNode(Writer& w, const ManifestRecord& r, std::int64_t& turn) {
        NodeRecord n;
        n.id = integer(r, "id").value_or(0);
        n.parent = integer(r, "parent");
        n.turn = integer(r, "turn");
        n.type = integer(r, "type");
        n.scheme = integer(r, "scheme");
        n.title = text(r, "title");
        n.created = text(r, "created");
        n.modified = text(r, "modified");

        OptText content, memo;
        if (r.kind == "text") {
            readText(r, "file", "encoding", content);
            if (const std::string* c = r.find("content"); c && *c == "null" && content && content->empty())
                content.reset();
            if (r.find("memo")) {
                readText(r, "memo", "memo-encoding", memo);
                if (!memo) memo = std::string();
            }
        }
        if (problems_.count()) return;  // reading on, to list every problem

        OptInt id = n.id, parent = n.parent, nodeTurn = n.turn;
        if (!exact_) {
            id.reset();
            auto mapped = n.parent ? newIds_.find(*n.parent) : newIds_.end();
            if (mapped != newIds_.end() && !texts_.count(*n.parent)) {
                parent = mapped->second;
            } else {
                parent = into_;
                nodeTurn = ++turn;
            }
        }
        std::int64_t newId = w.node(id, parent, nodeTurn, n.type, n.scheme, n.title, n.created);
        newIds_[n.id] = newId;
        if (n.isText()) {
            w.content(newId, content, memo);
            ++summary_.texts;
        } else {
            ++summary_.folders;
        }
        w.modified(newId, n.modified);
    }

    void readText(const ManifestRecord& r, const char* key, const char* encodingKey, OptText& out) {
        std::optional<fs::path> path = file(r, key);
        std::string bytes, gbk;
        if (!path || !read(*path, bytes)) return;
        const std::string* encoding = r.find(encodingKey);
        if (reader_.toGbk(bytes, encoding && *encoding == "utf-8", false, shown(*path), gbk)) out = std::move(gbk);
    }

    void importAttachment(Writer& w, const ManifestRecord& r) {
        OptInt id = integer(r, "id");
        std::int64_t owner = integer(r, "text").value_or(0);
        OptText title = text(r, "title");
        OptInt size = integer(r, "size");
        OptText created = text(r, "created");
        OptInt storePath;
        if (const std::string* kind = r.find("kind")) {
            std::int64_t n;
            if (*kind == "stored")
                storePath = 0;
            else if (*kind == "link")
                storePath = 1;
            else if (parseInt(*kind, n))
                storePath = n;
            else
                problems_.add(where(r) + ": kind=" + *kind + " is neither stored nor link");
        }
        std::optional<fs::path> path = file(r, "file");
        std::string bytes;
        if (!path || !read(*path, bytes)) return;

        std::string encoded;
        const std::string* raw = r.find("encoded");
        if (raw && *raw == "1") {
            if (bytes.find('\0') != std::string::npos) problems_.add(shown(*path) + ": holds a zero byte");
            encoded = bytes;
        } else if (storePath && *storePath != 0) {
            std::string target;
            std::string line = bytes.substr(0, bytes.find('\n'));
            if (!line.empty() && line.back() == '\r') line.pop_back();
            const std::string* encoding = r.find("encoding");
            if (!reader_.toGbk(line, encoding && *encoding == "utf-8", false, shown(*path), target)) return;
            if (target.size() >= kLinkBuffer) {
                problems_.add(shown(*path) + ": the path is longer than " + std::to_string(kLinkBuffer - 1) + " bytes");
                return;
            }
            std::string buffer(kLinkBuffer, '\0');
            buffer.replace(0, target.size(), target);
            encoded = encode(buffer);
        } else {
            if (size && *size != std::int64_t(bytes.size())) {
                reporter_.note(shown(*path) + ": " + std::to_string(bytes.size()) + " bytes; its size is set to that");
            }
            size = std::int64_t(bytes.size());
            encoded = encode(bytes);
        }
        if (problems_.count()) return;
        auto mapped = newIds_.find(owner);
        if (!exact_) id.reset();
        w.attachment(id, mapped == newIds_.end() ? owner : mapped->second, title, size, created, storePath,
                     encoded.c_str());
        ++summary_.attachments;
    }

    void restoreSequences(Writer& w) {
        for (const ManifestRecord& r : records_) {
            if (r.kind != "sequence") continue;
            OptText table = text(r, "table");
            OptInt value = integer(r, "value");
            if (!table || !value) continue;
            std::int64_t now = w.db().scalar(w.sql().format(kSequence, table->c_str()));
            w.db().execute(w.sql().format(kSetSequence, table->c_str(), table->c_str(),
                                          (long long)std::max(now, *value)));
        }
    }

    fs::path folder_;
    std::vector<ManifestRecord> records_;
    bool exact_;
    std::int64_t into_;
    Reporter& reporter_;
    ImportSummary& summary_;
    Problems problems_;
    TextReader reader_;
    std::set<std::int64_t> texts_;
    std::unordered_map<std::int64_t, std::int64_t> newIds_;
};

// --- a plain folder tree ---------------------------------------------------------

SchemeList loadSchemes(const fs::path& folder, Reporter& reporter) {
    SchemeList schemes;
    std::vector<fs::path> files;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_regular_file(ec) && it->path().extension() == ".xml") files.push_back(it->path());
    // In the order Windows lists a folder's files (by name, letters of
    // either case alike), the order the program reads them in.
    auto key = [](const fs::path& p) {
        std::string name = utf8Path(p.filename());
        for (char& c : name)
            if (c >= 'a' && c <= 'z') c = char(c - 32);
        return name;
    };
    std::sort(files.begin(), files.end(), [&](const fs::path& a, const fs::path& b) { return key(a) < key(b); });
    for (const fs::path& file : files) {
        std::string bytes, error;
        if (readFile(file, bytes, error)) readSchemeHeader(schemes, utf8Path(file), bytes);
    }
    if (schemes.empty())
        reporter.note("no scheme files in " + utf8Path(folder) + ": every text gets no scheme (-1); --syntax names the folder");
    return schemes;
}

class PlainImport {
public:
    PlainImport(const fs::path& folder, std::int64_t into, const ImportOptions& options, Reporter& reporter,
                ImportSummary& summary)
        : folder_(folder),
          into_(into),
          options_(options),
          reporter_(reporter),
          summary_(summary),
          problems_(reporter),
          reader_(options, problems_, reporter),
          schemes_(loadSchemes(options.syntaxFolder, reporter)) {}

    void run(Writer& w) {
        now_ = w.now();
        fs::path top = folder_;
        std::string name = utf8Path(top.filename());
        if (name.empty()) name = "import";
        std::string title = titleOf(name, utf8Path(top));
        summary_.topId = w.node(std::nullopt, into_, w.lastTurn(into_) + 1, 0, -1, title, now_);
        ++summary_.folders;
        importDirectory(w, top, summary_.topId);
        reporter_.endProgress();
        problems_.finish();
    }

private:
    std::string shown(const fs::path& path) const {
        std::string rel = utf8Path(path.lexically_relative(folder_.parent_path()));
        return rel.empty() ? utf8Path(path) : rel;
    }

    std::string titleOf(const std::string& utf8Name, const std::string& what) {
        std::string gbk;
        if (!isUtf8(utf8Name)) return utf8Name;  // a name that is not UTF-8 is taken as GBK as it is
        std::vector<Unheld> unheld;
        if (utf8ToGbk(utf8Name, gbk, unheld)) return gbk;
        for (const Unheld& u : unheld) {
            std::string line = what + ": the name's " + describeCodePoint(u.codePoint) + " cannot be held by GBK";
            if (options_.substitute)
                reporter_.note(line + "; \"?\" put in its place");
            else
                problems_.add(line);
        }
        return gbk;
    }

    void importDirectory(Writer& w, const fs::path& dir, std::int64_t parentId) {
        std::vector<fs::path> folders, files;
        std::error_code ec;
        for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
            const fs::path& path = it->path();
            std::error_code kindError;
            if (it->is_symlink(kindError) && it->is_directory(kindError)) {
                reporter_.note(shown(path) + ": a link to a folder, not followed");
            } else if (it->is_directory(kindError)) {
                if (utf8Path(path.filename()).rfind('.', 0) == 0)
                    reporter_.note(shown(path) + ": a hidden folder, not imported");
                else
                    folders.push_back(path);
            } else if (it->is_regular_file(kindError)) {
                files.push_back(path);
            } else {
                reporter_.note(shown(path) + ": not a plain file, not imported");
            }
        }
        if (ec) problems_.add(shown(dir) + ": cannot be listed: " + ec.message());
        std::sort(folders.begin(), folders.end());
        std::sort(files.begin(), files.end());
        std::int64_t turn = 0;
        for (const fs::path& sub : folders) {
            std::string title = titleOf(utf8Path(sub.filename()), shown(sub));
            std::int64_t id = problems_.count() ? 0 : w.node(std::nullopt, parentId, ++turn, 0, -1, title, now_);
            ++summary_.folders;
            importDirectory(w, sub, id);
        }
        for (const fs::path& file : files) {
            std::string title = titleOf(utf8Path(file.filename()), shown(file));
            std::string bytes, error, content;
            reporter_.progress("import", ++done_, 0);
            if (!readFile(file, bytes, error)) {
                problems_.add(shown(file) + ": cannot be read: " + error);
                continue;
            }
            if (bytes.find('\0') != std::string::npos) {
                reporter_.note(shown(file) + ": a binary file (it holds zero bytes), not imported");
                continue;
            }
            if (!reader_.toGbk(bytes, false, true, shown(file), content) || problems_.count()) continue;
            int scheme = schemeForTitle(schemes_, title, options_.schemeWithoutExtension);
            std::int64_t id = w.node(std::nullopt, parentId, ++turn, 1, scheme, title, now_);
            w.content(id, content, std::nullopt);
            ++summary_.texts;
        }
    }

    fs::path folder_;
    std::int64_t into_;
    const ImportOptions& options_;
    Reporter& reporter_;
    ImportSummary& summary_;
    Problems problems_;
    TextReader reader_;
    SchemeList schemes_;
    std::string now_;
    std::uint64_t done_ = 0;
};

// --- the library -------------------------------------------------------------------

void checkInto(store::DbConnection& db, std::int64_t into) {
    if (into == 0) return;
    store::DbSqlBuffer sql;
    store::DbQuery q = db.query(sql.format(kNodeType, (long long)into));
    if (q.eof()) throw Failure("--into " + std::to_string(into) + ": the library has no node with that id");
    if (q.getIntField(0, 0) == 1) throw Failure("--into " + std::to_string(into) + ": is a text, not a folder");
}

// Removes a database file and its journal.
void removeFile(const fs::path& path) {
    std::error_code ec;
    fs::remove(path, ec);
    fs::path journal = path;
    journal += "-journal";
    fs::remove(journal, ec);
}

// After a failed import: a new library goes; an existing one is brought
// back to what it was.  When a write failed while committing, the engine
// leaves the rollback journal for the next reader to play back; reading once
// here, with the right to write, plays it back now, so that the file is as
// before the import and opens for reading only.
void restore(store::DbConnection& db, bool newLibrary, const fs::path& target) {
    if (!newLibrary && db.isOpen()) {
        try {
            db.scalar("SELECT count(*) FROM sqlite_master;");
        } catch (const store::CppSQLite3Exception&) {
            // The journal stays for the next opening to play back.
        }
    }
    db.close();
    if (newLibrary) removeFile(target);
}

}  // namespace

ImportSummary importFolder(const fs::path& folderArg, const fs::path& library, const ImportOptions& options,
                           Reporter& reporter) {
    fs::path folder = fullPath(folderArg);
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) throw Failure(utf8Path(folderArg) + ": no such folder");

    ImportSummary summary;
    std::vector<ManifestRecord> records;
    fs::path manifest = folder / kManifestName;
    summary.fromManifest = fs::exists(manifest, ec);
    if (summary.fromManifest) {
        std::string text, error;
        if (!readFile(manifest, text, error)) throw Failure(utf8Path(manifest) + ": cannot be read: " + error);
        if (!parseManifest(text, records, error)) throw Failure(std::string(kManifestName) + ": " + error);
    }

    summary.newLibrary = !fs::exists(library, ec);
    std::int64_t into = options.into.value_or(0);
    if (summary.newLibrary && into != 0)
        throw Failure("--into needs an existing library; " + utf8Path(library) + " does not exist");

    // A new library is made under another name and takes its own only when
    // the import is complete.
    fs::path target = library;
    if (summary.newLibrary) {
        target += ".jexlib-new";
        removeFile(target);
    } else if (FileKind kind = fileKindOf(library); kind != FileKind::Library) {
        throw Failure(utf8Path(library) + ": " + kindProblem(kind));
    }

    store::DbConnection db(options.connection);
    try {
        if (summary.newLibrary) {
            db.open(utf8Path(target).c_str());
            store::createSchema(db);
        } else {
            db.openWithKey(utf8Path(target).c_str(), store::kPassPhrase);
            db.scalar("SELECT count(*) FROM tree_tbl;");
            checkInto(db, into);
        }
        auto lock = db.lock();
        Writer writer(db);
        {
            store::Transaction tx(db);
            if (summary.fromManifest) {
                ManifestImport(folder, std::move(records), summary.newLibrary, into, options, reporter, summary)
                    .run(writer);
            } else {
                PlainImport(folder, into, options, reporter, summary).run(writer);
            }
            tx.commit();
        }
        db.close();
    } catch (const store::CppSQLite3Exception& e) {
        restore(db, summary.newLibrary, target);
        throw Failure(utf8Path(library) + ": nothing was imported: " + e.errorMessage());
    } catch (...) {
        restore(db, summary.newLibrary, target);
        throw;
    }

    if (summary.newLibrary) {
        if (fs::exists(library, ec)) {
            removeFile(target);
            throw Failure(utf8Path(library) + ": was made by someone else meanwhile; nothing was imported");
        }
        fs::rename(target, library, ec);
        if (ec) {
            removeFile(target);
            throw Failure("cannot name the new library " + utf8Path(library) + ": " + ec.message());
        }
    }
    return summary;
}

}  // namespace jexlib
