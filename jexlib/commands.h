// The commands of jexlib.  Each one takes its files as paths and tells its
// user through a Reporter; a failure throws Failure with the reason, after
// which the library and the files it was given are as they were.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "jexlib/report.h"
#include "store/db_connection.h"

namespace jexlib {

namespace fs = std::filesystem;

// --- export ------------------------------------------------------------------

struct ExportOptions {
    // Texts, memos and link files in UTF-8 rather than as stored (GBK).  A
    // text that does not convert whole is written as stored and named in a
    // note; the manifest says which files are UTF-8.
    bool utf8 = false;
};

struct ExportSummary {
    int folders = 0;
    int texts = 0;
    int attachments = 0;
    std::uint64_t bytes = 0;  // of the files written
    int notes = 0;            // things the user was told about
};

// Writes the library `library` as a folder tree into `folder`, which must
// not exist or be empty: folders as directories, each text as a file named
// by its title, its memo as "<name>.memo.txt" and its attachments in
// "<name>.files" (stored ones with their bytes, links as "<title>.link.txt"
// holding the path), and the manifest.  Opens the library for reading only.
ExportSummary exportLibrary(const fs::path& library, const fs::path& folder, const ExportOptions& options,
                            Reporter& reporter);

// --- import ------------------------------------------------------------------

struct ImportOptions {
    // Where the imported nodes go in an existing library: a folder's id, or
    // 0 for the top level.
    std::optional<std::int64_t> into;
    // The scheme files (Syntax\*.xml) that give a text of a plain folder tree
    // its scheme from its extension; none found: every text gets -1.
    fs::path syntaxFolder;
    // The scheme of a text whose name has no extension.
    int schemeWithoutExtension = -1;
    // Put "?" for characters GBK cannot hold instead of refusing the import.
    bool substitute = false;
    // How the library is opened (tests put a faulty VFS under it).
    store::DbConnection::Options connection;
};

struct ImportSummary {
    bool newLibrary = false;
    bool fromManifest = false;
    int folders = 0;
    int texts = 0;
    int attachments = 0;
    std::int64_t topId = 0;  // the folder made for a plain tree
};

// Imports `folder` into `library` in one transaction.  With a manifest the
// records come back as they were: into a library that does not exist yet
// exactly (ids, times and all), into an existing one with new ids under
// `into`.  Without one the folder is a plain tree of source files: it
// becomes a folder of that name under `into`, each directory a folder, each
// file a text.  Text in UTF-8 is converted to GBK; characters GBK cannot
// hold are listed and refuse the import (or become "?" with `substitute`).
ImportSummary importFolder(const fs::path& folder, const fs::path& library, const ImportOptions& options,
                           Reporter& reporter);

// --- backup ------------------------------------------------------------------

struct BackupOptions {
    fs::path destination;  // a folder; empty: "backup" beside the library
    int keep = 10;         // copies of this library kept there, the newest
};

// Copies the library with SQLite's online backup through the codec (the
// program may be using it meanwhile) to "<name>-YYYYMMDD-HHMMSS<ext>" in the
// destination, checks the copy, then removes the oldest copies beyond
// `keep`.  Returns the copy's path.
fs::path backupLibrary(const fs::path& library, const BackupOptions& options, Reporter& reporter);

// --- check -------------------------------------------------------------------

struct CheckSummary {
    int problems = 0;
    int notes = 0;
};

// Checks that the key opens the file, PRAGMA integrity_check (naming the
// damaged pages), the schema and triggers, that every attachment decodes to
// its filesize, that every text has its content row, and that every node
// can be reached.  Opens the library for reading only.
CheckSummary checkLibrary(const fs::path& library, Reporter& reporter);

// --- search ------------------------------------------------------------------

// Prints every line of the texts and memos that holds `words` (GBK):
// "<folder path>/<title>:<line>:<the line>", memo lines with "(memo)" after
// the title.  Matches begin and end at character boundaries; A-Z and a-z are
// alike.  Returns the number of lines printed.
std::uint64_t searchLibrary(const fs::path& library, const std::string& words, Reporter& reporter);

}  // namespace jexlib
