// export: the library as a folder tree and a manifest.
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "jexlib/commands.h"
#include "jexlib/file_names.h"
#include "jexlib/files.h"
#include "jexlib/library.h"
#include "jexlib/manifest.h"
#include "jexlib/unicode.h"
#include "store/binary_text.h"
#include "store/transaction.h"

namespace jexlib {

namespace {

constexpr char kMemoEnding[] = ".memo.txt";
constexpr char kFilesEnding[] = ".files";
constexpr char kLinkEnding[] = ".link.txt";
constexpr char kEncodedEnding[] = ".encoded";
constexpr char kLostFolder[] = "_lost";
constexpr std::size_t npos = std::size_t(-1);

std::string number(std::int64_t n) { return std::to_string(n); }

void addInt(ManifestRecord& r, const char* key, const OptInt& value) {
    if (value) r.add(key, number(*value));
}
void addText(ManifestRecord& r, const char* key, const OptText& value) {
    if (value) r.add(key, escapeGbk(*value));
}

// A folder of the export: where it is and the names taken in it.
struct Directory {
    fs::path path;    // full path on disk
    std::string rel;  // relative to the export's top, "/" between names; "" for the top
    NameSpace names;
};

std::string joined(const std::string& rel, const std::string& name) { return rel.empty() ? name : rel + "/" + name; }

class Exporter {
public:
    Exporter(const fs::path& top, const ExportOptions& options, Reporter& reporter)
        : options_(options), reporter_(reporter) {
        dirs_.push_back({top, "", {}});
        dirs_[0].names.take({kManifestName});
    }

    ExportSummary run(store::DbConnection& db) {
        tree_ = readTree(db);
        countWork(db);
        planNames();
        writeContent(db);
        writeAttachments(db);
        writeManifest(db);
        reporter_.endProgress();
        return summary_;
    }

private:
    // What became of each node on disk.
    struct Placed {
        std::size_t dir = npos;    // a folder: its own Directory
        std::string file;          // a text: its file's name, then its path relative to the top
        std::size_t filesDir = npos;  // a text: the Directory of its attachments, once made
        std::string filesName;     // ... and its planned name
        std::size_t inDir = npos;  // the Directory the node lies in
        std::string memo;          // relative path of the memo file; "" when NULL
        bool written = false;
        bool contentNull = false;
        bool utf8 = false;
        bool memoUtf8 = false;
        std::vector<ManifestRecord> attachments;
    };

    void countWork(store::DbConnection& db) {
        for (const NodeRecord& n : tree_.nodes) n.isText() ? ++summary_.texts : ++summary_.folders;
        work_ = std::uint64_t(summary_.texts) + std::uint64_t(db.scalar("SELECT count(*) FROM attach_tbl;"));
    }

    void tick() { reporter_.progress("export", ++done_, work_); }

    void warn(const std::string& line) {
        reporter_.note(line);
        ++summary_.notes;
    }

    std::string shown(std::size_t index) const {
        const NodeRecord& n = tree_.nodes[index];
        std::string path = tree_.folderPath(index);
        return readableUtf8(path.empty() ? n.title.value_or("") : path + "/" + n.title.value_or("")) + " (id " +
               number(n.id) + ")";
    }

    // Takes the first free name for a group: `base` itself or numbered, and
    // each ending added to it.
    static std::string takeName(NameSpace& names, const std::string& base, bool isFile,
                                const std::vector<const char*>& endings) {
        for (int k = 1;; ++k) {
            std::string name = k == 1 ? base : numberedName(base, k, isFile);
            std::vector<std::string> group{name};
            for (const char* ending : endings) group.push_back(name + ending);
            if (names.take(group)) return name;
        }
    }

    std::size_t directoryOf(std::size_t index) {
        std::size_t parent = tree_.parentIndex[index];
        if (parent != npos) return placed_[parent].dir;
        if (tree_.reachable[index]) return 0;
        if (lostDir_ == npos) {
            std::string name = takeName(dirs_[0].names, kLostFolder, false, {});
            lostDir_ = makeDirectory(0, name);
            warn("some nodes cannot be reached from the top level (their parent is missing or a text); "
                 "they are exported in " + name);
        }
        return lostDir_;
    }

    // Makes the folder `planned` in Directory `parent`.  Where the file
    // system takes the name for one already there (it folds more letters
    // than foldedName), the name is numbered.
    std::size_t makeDirectory(std::size_t parent, const std::string& planned) {
        for (int k = 1;; ++k) {
            std::string name = k == 1 ? planned : numberedName(planned, k, false);
            if (k > 1 && !dirs_[parent].names.take({name})) continue;
            fs::path path = dirs_[parent].path / pathFromUtf8(name);
            std::error_code ec;
            if (fs::create_directory(path, ec)) {
                dirs_.push_back({path, joined(dirs_[parent].rel, name), {}});
                return dirs_.size() - 1;
            }
            if (ec) throw Failure("cannot create the folder " + utf8Path(path) + ": " + ec.message());
        }
    }

    // Names every node in tree order (so that the names depend on the tree
    // alone) and makes the folders.
    void planNames() {
        placed_.resize(tree_.nodes.size());
        for (std::size_t i = 0; i < tree_.nodes.size(); ++i) {
            const NodeRecord& n = tree_.nodes[i];
            Placed& p = placed_[i];
            p.inDir = directoryOf(i);
            Directory& dir = dirs_[p.inDir];
            std::string base = fileNameFor(n.title.value_or(""));
            if (n.isText()) {
                std::string name = takeName(dir.names, base, true, {kMemoEnding, kFilesEnding});
                p.file = name;
                p.filesName = name + kFilesEnding;
            } else {
                std::string name = takeName(dir.names, base, false, {});
                p.dir = makeDirectory(p.inDir, name);
            }
        }
    }

    // Writes the new file `planned` in Directory `dirIndex`, numbering the
    // name as makeDirectory does.  Returns its path relative to the top.
    std::string write(std::size_t dirIndex, const std::string& planned, std::string_view bytes) {
        Directory& dir = dirs_[dirIndex];
        for (int k = 1;; ++k) {
            std::string name = k == 1 ? planned : numberedName(planned, k, true);
            if (k > 1 && !dir.names.take({name})) continue;
            fs::path path = dir.path / pathFromUtf8(name);
            std::string error;
            switch (createFile(path, bytes, error)) {
            case Created::Yes:
                summary_.bytes += bytes.size();
                return joined(dir.rel, name);
            case Created::Failed:
                throw Failure("cannot write " + utf8Path(path) + ": " + error);
            case Created::Exists:
                break;
            }
        }
    }

    // `gbk` as it goes into a file: converted when UTF-8 is asked for and
    // the whole text converts.
    std::string_view encoded(std::string_view gbk, bool& utf8, const std::string& what) {
        utf8 = false;
        if (!options_.utf8) return gbk;
        if (gbkToUtf8(gbk, converted_)) {
            utf8 = converted_.size() != gbk.size();  // ASCII is the same either way
            return converted_;
        }
        warn(what + ": holds bytes that are no GBK characters; written as stored (GBK)");
        return gbk;
    }

    void writeText(std::size_t index, const char* content, const char* memo) {
        Placed& p = placed_[index];
        p.written = true;
        p.contentNull = content == nullptr;
        std::string_view text = content ? std::string_view(content) : std::string_view();
        std::string name = p.file;
        p.file = write(p.inDir, name, encoded(text, p.utf8, shown(index)));
        if (memo) {
            std::string_view body = encoded(memo, p.memoUtf8, shown(index) + " memo");
            p.memo = write(p.inDir, name + kMemoEnding, body);
        }
        tick();
    }

    void writeContent(store::DbConnection& db) {
        store::DbQuery q = db.query("SELECT ItemId, content, memo FROM content_tbl ORDER BY rowid;");
        for (; !q.eof(); q.nextRow()) {
            std::int64_t id = intColumn(q, 0).value_or(0);
            auto it = tree_.indexOf.find(id);
            if (it == tree_.indexOf.end() || !tree_.nodes[it->second].isText()) {
                warn("a content row for " + std::string(it == tree_.indexOf.end() ? "no node" : "a folder") + " (id " +
                     number(id) + ") is not exported: the program never shows it");
                continue;
            }
            if (placed_[it->second].written) {
                warn(shown(it->second) + ": has more than one content row; the first is exported");
                continue;
            }
            writeText(it->second, q.fieldValue(1), q.fieldValue(2));
        }
        q.finalize();
        for (std::size_t i = 0; i < tree_.nodes.size(); ++i) {
            if (!tree_.nodes[i].isText() || placed_[i].written) continue;
            warn(shown(i) + ": has no content row; exported as an empty text");
            writeText(i, nullptr, nullptr);
        }
    }

    void writeAttachments(store::DbConnection& db) {
        store::DbQuery q = db.query(
            "SELECT AttachId, ItemId, title, filesize, CreateTime, bStorePath, filedata FROM attach_tbl "
            "ORDER BY AttachId;");
        std::vector<std::uint8_t> data;
        for (; !q.eof(); q.nextRow()) {
            AttachmentRecord a;
            a.id = intColumn(q, 0).value_or(0);
            a.owner = intColumn(q, 1);
            a.title = textColumn(q, 2);
            a.size = intColumn(q, 3);
            a.created = textColumn(q, 4);
            a.storePath = intColumn(q, 5);
            auto it = a.owner ? tree_.indexOf.find(*a.owner) : tree_.indexOf.end();
            if (it == tree_.indexOf.end() || !tree_.nodes[it->second].isText()) {
                warn("attachment " + number(a.id) + " belongs to no text and is not exported: the program never shows it");
                tick();
                continue;
            }
            const char* encodedData = q.fieldValue(6);
            writeAttachment(it->second, a, encodedData ? encodedData : "", data);
            tick();
        }
    }

    void writeAttachment(std::size_t index, const AttachmentRecord& a, const char* encodedData,
                         std::vector<std::uint8_t>& data) {
        Placed& p = placed_[index];
        if (p.filesDir == npos) p.filesDir = makeDirectory(p.inDir, p.filesName);
        Directory& dir = dirs_[p.filesDir];

        ManifestRecord r;
        r.kind = "attachment";
        r.add("id", number(a.id));
        r.add("text", number(tree_.nodes[index].id));
        addText(r, "title", a.title);
        addInt(r, "size", a.size);
        addText(r, "created", a.created);
        if (a.storePath) r.add("kind", *a.storePath == 0 ? "stored" : *a.storePath == 1 ? "link" : number(*a.storePath));

        std::size_t length = std::strlen(encodedData);
        data.assign(encodedData, encodedData + length + 1);
        std::ptrdiff_t decoded = length ? store::decodeBinary(data.data(), data.data()) : -1;
        std::string base = fileNameFor(a.title.value_or(""));
        std::string what = shown(index) + " attachment " + number(a.id);
        if (decoded < 0) {
            // Kept as stored so that nothing is lost; check reports it.
            warn(what + ": its data does not decode; written as stored in the database (" + kEncodedEnding + ")");
            std::string name = takeName(dir.names, base + kEncodedEnding, false, {});
            r.add("encoded", "1");
            r.add("file", escapeUtf8(write(p.filesDir, name, std::string_view(encodedData, length))));
        } else if (a.isLink()) {
            std::string_view buffer(reinterpret_cast<const char*>(data.data()), std::size_t(decoded));
            std::string target(buffer.substr(0, buffer.find('\0')));
            r.add("target", escapeGbk(target));
            bool utf8 = false;
            std::string body(encoded(target, utf8, what));
            body += '\n';
            std::string name = takeName(dir.names, base + kLinkEnding, true, {});
            r.add("file", escapeUtf8(write(p.filesDir, name, body)));
            if (utf8) r.add("encoding", "utf-8");
        } else {
            if (a.size && *a.size != decoded)
                warn(what + ": holds " + number(decoded) + " bytes, not the " + number(*a.size) + " its size says");
            std::string name = takeName(dir.names, base, true, {});
            std::string_view bytes(reinterpret_cast<const char*>(data.data()), std::size_t(decoded));
            r.add("file", escapeUtf8(write(p.filesDir, name, bytes)));
        }
        p.attachments.push_back(std::move(r));
        ++summary_.attachments;
    }

    ManifestRecord nodeRecord(std::size_t index) const {
        const NodeRecord& n = tree_.nodes[index];
        const Placed& p = placed_[index];
        ManifestRecord r;
        r.kind = n.isText() ? "text" : "folder";
        r.add("id", number(n.id));
        addInt(r, "parent", n.parent);
        addInt(r, "turn", n.turn);
        addInt(r, "type", n.type);
        addInt(r, "scheme", n.scheme);
        addText(r, "title", n.title);
        addText(r, "created", n.created);
        addText(r, "modified", n.modified);
        if (n.isText()) {
            r.add("file", escapeUtf8(p.file));
            if (p.contentNull) r.add("content", "null");
            if (p.utf8) r.add("encoding", "utf-8");
            if (!p.memo.empty()) r.add("memo", escapeUtf8(p.memo));
            if (p.memoUtf8) r.add("memo-encoding", "utf-8");
        } else {
            r.add("dir", escapeUtf8(dirs_[p.dir].rel));
        }
        return r;
    }

    void writeManifest(store::DbConnection& db) {
        std::string text = std::string(kManifestFirstLine) + "\n";
        text += "# A library exported by jexlib: one line per folder, text and attachment; see jexlib --help.\n";
        store::DbQuery info = db.query("SELECT name, version FROM softInfo_tbl ORDER BY rowid;");
        for (; !info.eof(); info.nextRow()) {
            ManifestRecord r;
            r.kind = "info";
            addText(r, "name", textColumn(info, 0));
            addText(r, "version", textColumn(info, 1));
            text += formatRecord(r);
        }
        info.finalize();
        store::DbQuery sequence = db.query("SELECT name, seq FROM sqlite_sequence ORDER BY name;");
        for (; !sequence.eof(); sequence.nextRow()) {
            ManifestRecord r;
            r.kind = "sequence";
            addText(r, "table", textColumn(sequence, 0));
            addInt(r, "value", intColumn(sequence, 1));
            text += formatRecord(r);
        }
        sequence.finalize();
        for (std::size_t i = 0; i < tree_.nodes.size(); ++i) {
            text += formatRecord(nodeRecord(i));
            for (const ManifestRecord& a : placed_[i].attachments) text += formatRecord(a);
        }
        std::string error;
        fs::path path = dirs_[0].path / kManifestName;
        if (createFile(path, text, error) != Created::Yes)
            throw Failure("cannot write " + utf8Path(path) + ": " + (error.empty() ? "it exists" : error));
    }

    const ExportOptions& options_;
    Reporter& reporter_;
    LibraryTree tree_;
    std::deque<Directory> dirs_;  // references stay valid as folders are added
    std::vector<Placed> placed_;
    std::size_t lostDir_ = npos;
    std::string converted_;
    ExportSummary summary_;
    std::uint64_t work_ = 0;
    std::uint64_t done_ = 0;
};

// The folder an export goes into: made when missing; an existing one must be
// an empty folder.  Returns whether it was made.
bool prepareFolder(const fs::path& folder) {
    std::error_code ec;
    std::string name = utf8Path(folder);
    if (fs::exists(folder, ec)) {
        if (!fs::is_directory(folder, ec)) throw Failure(name + ": exists and is not a folder");
        if (!fs::is_empty(folder, ec)) throw Failure(name + ": is not empty; export writes into a new or empty folder");
        return false;
    }
    if (!fs::create_directories(folder, ec) || ec)
        throw Failure("cannot create the folder " + name + ": " + ec.message());
    return true;
}

// Takes back a failed export: the folder as it was before.
void removeExport(const fs::path& folder, bool made) {
    std::error_code ec;
    if (made) {
        fs::remove_all(folder, ec);
        return;
    }
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code ignored;
        fs::remove_all(it->path(), ignored);
    }
}

}  // namespace

ExportSummary exportLibrary(const fs::path& library, const fs::path& folder, const ExportOptions& options,
                            Reporter& reporter) {
    store::DbConnection db;
    openForReading(db, library);
    fs::path top = fullPath(folder);
    bool made = prepareFolder(top);
    try {
        auto lock = db.lock();
        store::Transaction snapshot(db);  // one consistent view of the file while the program may write
        Exporter exporter(top, options, reporter);
        ExportSummary summary = exporter.run(db);
        snapshot.commit();
        return summary;
    } catch (const store::CppSQLite3Exception& e) {
        removeExport(top, made);
        throw Failure(utf8Path(library) + ": cannot be read: " + e.errorMessage());
    } catch (...) {
        removeExport(top, made);
        throw;
    }
}

}  // namespace jexlib
