// backup: a consistent, checked copy of the encrypted file, with a time in
// its name and a limit on the copies kept.
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "jexlib/commands.h"
#include "jexlib/files.h"
#include "jexlib/library.h"
#include "store/schema.h"

namespace jexlib {

namespace {

constexpr int kPagesPerStep = 256;
constexpr char kPartEnding[] = ".part";

std::string timeStamp() {
    std::time_t now = std::time(nullptr);
    char text[32] = "00000000-000000";
    if (const std::tm* local = std::localtime(&now)) std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", local);
    return text;
}

bool allDigits(std::string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A copy of the library among the files of the backup folder: its time and
// its number within that second (1 for the first).
struct Copy {
    std::string stamp;
    long number;
    fs::path path;
};

// Whether `name` is "<stem>-YYYYMMDD-HHMMSS[-N]<ext>", a copy made by backup.
bool parseCopy(const std::string& name, const std::string& stem, const std::string& ext, Copy& copy) {
    if (name.size() <= stem.size() + ext.size() || name.compare(0, stem.size() + 1, stem + "-") != 0 ||
        name.compare(name.size() - ext.size(), ext.size(), ext) != 0)
        return false;
    std::string middle = name.substr(stem.size() + 1, name.size() - stem.size() - 1 - ext.size());
    if (middle.size() < 15 || middle[8] != '-' || !allDigits(middle.substr(0, 8)) || !allDigits(middle.substr(9, 6)))
        return false;
    copy.stamp = middle.substr(0, 15);
    copy.number = 1;
    if (middle.size() == 15) return true;
    if (middle[15] != '-' || !allDigits(middle.substr(16)) || middle.size() > 22) return false;
    copy.number = std::stol(middle.substr(16));
    return copy.number >= 2;
}

void removeDatabase(const fs::path& path) {
    std::error_code ec;
    fs::remove(path, ec);
    fs::path journal = path;
    journal += "-journal";
    fs::remove(journal, ec);
}

// Opens the copy as the program would and has the engine check every page.
void verifyCopy(const fs::path& copy) {
    store::DbConnection db;
    openForReading(db, copy);
    store::DbQuery q = db.query("PRAGMA quick_check;");
    std::string verdict = q.eof() ? "" : q.getStringField(0);
    if (verdict != "ok") throw Failure("the copy does not pass the engine's check: " + verdict);
}

}  // namespace

fs::path backupLibrary(const fs::path& library, const BackupOptions& options, Reporter& reporter) {
    if (options.keep < 1) throw Failure("--keep must be at least 1");
    store::DbConnection source;
    openForReading(source, library);

    fs::path folder = options.destination.empty() ? fullPath(library).parent_path() / "backup" : options.destination;
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (!fs::is_directory(folder, ec)) throw Failure("cannot make the backup folder " + utf8Path(folder));

    std::string stem = utf8Path(library.stem());
    std::string ext = utf8Path(library.extension());
    std::string stamp = timeStamp();
    fs::path copy;
    for (int n = 1;; ++n) {
        std::string name = stem + "-" + stamp + (n > 1 ? "-" + std::to_string(n) : "") + ext;
        copy = folder / pathFromUtf8(name);
        fs::path part = copy;
        part += kPartEnding;
        if (!fs::exists(copy, ec) && !fs::exists(part, ec)) break;
    }
    fs::path part = copy;
    part += kPartEnding;

    try {
        store::DbConnection target;
        target.openWithKey(utf8Path(part).c_str(), store::kPassPhrase);
        source.backupTo(target, kPagesPerStep, [&](int copied, int total) {
            reporter.progress("backup", std::uint64_t(copied), std::uint64_t(total));
        });
        reporter.endProgress();
        target.close();
        source.close();
        verifyCopy(part);
        fs::rename(part, copy, ec);
        if (ec) throw Failure("cannot name the copy " + utf8Path(copy) + ": " + ec.message());
    } catch (const store::CppSQLite3Exception& e) {
        reporter.endProgress();
        removeDatabase(part);
        throw Failure("the backup failed: " + std::string(e.errorMessage()));
    } catch (...) {
        reporter.endProgress();
        removeDatabase(part);
        throw;
    }

    // The oldest copies of this library beyond the limit go.
    std::vector<Copy> copies;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        Copy c;
        if (it->is_regular_file() && parseCopy(utf8Path(it->path().filename()), stem, ext, c)) {
            c.path = it->path();
            copies.push_back(c);
        }
    }
    std::sort(copies.begin(), copies.end(), [](const Copy& a, const Copy& b) {
        return a.stamp != b.stamp ? a.stamp < b.stamp : a.number < b.number;
    });
    for (std::size_t i = 0; i + std::size_t(options.keep) < copies.size(); ++i) {
        std::error_code removeError;
        if (fs::remove(copies[i].path, removeError))
            reporter.note("removed the old copy " + utf8Path(copies[i].path));
        else
            reporter.note("cannot remove the old copy " + utf8Path(copies[i].path) + ": " + removeError.message());
    }
    return copy;
}

}  // namespace jexlib
