#include "jexlib/cli.h"

#include <cstdlib>
#include <map>

#include "jexlib/files.h"
#include "jexlib/unicode.h"
#include "text/size_text.h"

namespace jexlib {

namespace {

const char kOverview[] =
    u8"jexlib: the 墨舟 snippet library as portable data.\n"
    "\n"
    "Usage:\n"
    "  jexlib export LIBRARY FOLDER [--utf8]\n"
    "  jexlib import FOLDER LIBRARY [--into FOLDER-ID] [--syntax DIR] [--scheme ID] [--substitute]\n"
    "  jexlib backup LIBRARY [DEST] [--keep N]\n"
    "  jexlib check LIBRARY\n"
    "  jexlib search LIBRARY WORDS... [--gbk | --utf8]\n"
    "  jexlib help [COMMAND]\n"
    "\n"
    "LIBRARY is a library file (srcdata.db).  export, check and search open it\n"
    "for reading only; import changes it in one transaction or not at all.\n"
    "\n"
    "Every command: --progress / --no-progress (progress is shown on a terminal),\n"
    "-h / --help; -- ends the options.\n"
    "\n"
    "Exit codes: 0 done; 1 check found problems, or search found no line;\n"
    "2 the command line is wrong; 3 the work failed (nothing was changed).\n";

const std::map<std::string, const char*> kCommandHelp = {
    {"export",
     "jexlib export LIBRARY FOLDER [--utf8]\n"
     "\n"
     "Writes the whole library into FOLDER (new, or empty): each folder as a\n"
     "directory, each text as a file named by its title (made safe for every\n"
     "file system; clashes numbered \"name (2).ext\"), beside it NAME.memo.txt\n"
     "(its memo, when it has one) and NAME.files/ (its attachments: stored ones\n"
     "with their exact bytes, links as TITLE.link.txt holding the path), and\n"
     "jexlib-manifest.txt with the ids, turns, scheme ids, times, exact titles\n"
     "and link paths, so that nothing of the database is lost.  Nodes the\n"
     "program cannot reach go into _lost/.\n"
     "\n"
     "Texts are written byte for byte as stored (GBK).  --utf8 writes texts,\n"
     "memos and link files in UTF-8 for editors on other systems; a text that\n"
     "does not convert whole stays GBK (a note says which).\n"},
    {"import",
     "jexlib import FOLDER LIBRARY [--into FOLDER-ID] [--syntax DIR] [--scheme ID] [--substitute]\n"
     "\n"
     "Brings FOLDER into LIBRARY in one transaction: all of it, or nothing.\n"
     "\n"
     "With a jexlib-manifest.txt (an export): into a LIBRARY that does not exist\n"
     "yet, the library comes back exactly (ids, turns, times); into an existing\n"
     "one the records get new ids and go under --into (default 0, the top\n"
     "level), after what is there.  The files hold the data: edits made to the\n"
     "exported files are imported.\n"
     "\n"
     "Without one, FOLDER is a plain tree of source files: it becomes a folder\n"
     "of its name under --into, each directory a folder (hidden ones skipped),\n"
     "each file a text whose scheme comes from its extension as the program's\n"
     "tree gives it (the scheme files in --syntax DIR, by default the Syntax\n"
     "folder beside jexlib; --scheme ID for names without extension, default\n"
     "-1).  Files holding zero bytes are binary and skipped.\n"
     "\n"
     "Text in UTF-8 is found and converted to GBK.  Characters GBK cannot hold\n"
     "are listed (file:line) and refuse the import; --substitute puts \"?\" in\n"
     "their place instead.  Close the program before importing into the\n"
     "library it has open.\n"},
    {"backup",
     "jexlib backup LIBRARY [DEST] [--keep N]\n"
     "\n"
     "Copies the encrypted file with SQLite's online backup, so the program may\n"
     "go on using it, into the folder DEST (default: backup/ beside the\n"
     "library) as NAME-YYYYMMDD-HHMMSS.db, checks the copy, and keeps the\n"
     "newest N copies of that library there (default 10), removing older ones.\n"},
    {"check",
     "jexlib check LIBRARY\n"
     "\n"
     "Checks that the library's key opens the file, PRAGMA integrity_check\n"
     "(naming the damaged pages), that the tables, triggers and view are the\n"
     "program's, that every attachment decodes to its filesize, that every text\n"
     "has its content row and that every node can be reached.  Each line says\n"
     "ok, note or PROBLEM; the exit code is 1 when there was a problem.\n"},
    {"search",
     "jexlib search LIBRARY WORDS... [--gbk | --utf8]\n"
     "\n"
     "Prints every line of the texts and memos holding WORDS (joined by single\n"
     "blanks, taken literally): FOLDER/PATH/TITLE:LINE:TEXT, memo lines with\n"
     "\"(memo)\" after the title.  Letters A-Z match either case; a match begins\n"
     "and ends at whole characters.  Output is UTF-8 (GBK on Windows);\n"
     "--gbk / --utf8 choose.\n"},
};

struct Parser {
    const std::vector<std::string>& args;
    std::size_t next = 0;

    bool more() const { return next < args.size(); }
    const std::string& value(const std::string& option) {
        if (!more()) throw UsageError(option + " needs a value");
        return args[next++];
    }
};

std::int64_t number(const std::string& option, const std::string& text) {
    char* end = nullptr;
    long long v = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end) throw UsageError(option + " needs a number, not \"" + text + "\"");
    return v;
}

void expectOperands(const Invocation& in, std::size_t least, std::size_t most) {
    std::size_t n = in.operands.size();
    if (n < least) throw UsageError(in.command + ": too few arguments (see jexlib help " + in.command + ")");
    if (n > most) throw UsageError(in.command + ": too many arguments: \"" + in.operands[most] + "\"");
}

std::string plural(int n, const char* one, const char* many) { return std::to_string(n) + " " + (n == 1 ? one : many); }

std::string summaryOf(int folders, int texts, int attachments) {
    return plural(folders, "folder", "folders") + ", " + plural(texts, "text", "texts") + " and " +
           plural(attachments, "attachment", "attachments");
}

// The search words as the library holds text.
std::string searchPhrase(const Invocation& in, Reporter& reporter, bool& holdable) {
    std::string words;
    for (std::size_t i = 1; i < in.operands.size(); ++i) words += (i > 1 ? " " : "") + in.operands[i];
    holdable = true;
    if (!isUtf8(words)) return words;  // not UTF-8: taken as GBK as it is
    std::string gbk;
    std::vector<Unheld> unheld;
    if (!utf8ToGbk(words, gbk, unheld)) {
        for (const Unheld& u : unheld)
            reporter.note("search: " + describeCodePoint(u.codePoint) + " cannot be held by GBK, so no text holds it");
        holdable = false;
    }
    return gbk;
}

}  // namespace

std::string helpText(const std::string& topic) {
    auto it = kCommandHelp.find(topic);
    return it == kCommandHelp.end() ? kOverview : it->second;
}

Invocation parseCommandLine(const std::vector<std::string>& args, const std::filesystem::path& programFolder,
                            bool terminal) {
    Invocation in;
    in.progress = terminal;
#ifdef _WIN32
    in.gbkOutput = true;
#endif
    in.importOptions.syntaxFolder = programFolder / "Syntax";
    if (args.empty()) throw UsageError("no command given (see jexlib --help)");
    Parser p{args};
    in.command = args[p.next++];
    if (in.command == "-h" || in.command == "--help") in.command = "help";
    if (in.command != "help" && !kCommandHelp.count(in.command))
        throw UsageError("unknown command \"" + in.command + "\" (see jexlib --help)");

    bool options = true;
    bool wantsHelp = false;
    while (p.more()) {
        const std::string& a = args[p.next++];
        if (!options || a.size() < 2 || a[0] != '-') {
            in.operands.push_back(a);
            continue;
        }
        const std::string& c = in.command;
        if (a == "--") {
            options = false;
        } else if (a == "-h" || a == "--help") {
            wantsHelp = true;
        } else if (a == "--progress") {
            in.progress = true;
        } else if (a == "--no-progress") {
            in.progress = false;
        } else if (a == "--utf8" && c == "export") {
            in.exportOptions.utf8 = true;
        } else if (a == "--utf8" && c == "search") {
            in.gbkOutput = false;
        } else if (a == "--gbk" && c == "search") {
            in.gbkOutput = true;
        } else if (a == "--into" && c == "import") {
            in.importOptions.into = number(a, p.value(a));
        } else if (a == "--syntax" && c == "import") {
            in.importOptions.syntaxFolder = pathFromUtf8(p.value(a));
        } else if (a == "--scheme" && c == "import") {
            in.importOptions.schemeWithoutExtension = int(number(a, p.value(a)));
        } else if (a == "--substitute" && c == "import") {
            in.importOptions.substitute = true;
        } else if (a == "--keep" && c == "backup") {
            std::int64_t keep = number(a, p.value(a));
            if (keep < 1 || keep > 100000) throw UsageError("--keep needs a number from 1 on");
            in.backupOptions.keep = int(keep);
        } else {
            throw UsageError("unknown option \"" + a + "\"" + (c == "help" ? "" : " for " + c) + " (see jexlib help " +
                             (c == "help" ? std::string() : c) + ")");
        }
    }
    if (wantsHelp && in.command != "help") {
        in.helpTopic = in.command;
        in.command = "help";
        in.operands.clear();
        return in;
    }
    if (in.command == "help") {
        expectOperands(in, 0, 1);
        in.helpTopic = in.operands.empty() ? "" : in.operands[0];
        if (!in.helpTopic.empty() && !kCommandHelp.count(in.helpTopic))
            throw UsageError("no help on \"" + in.helpTopic + "\": commands are export, import, backup, check, search");
    } else if (in.command == "export" || in.command == "import") {
        expectOperands(in, 2, 2);
    } else if (in.command == "backup") {
        expectOperands(in, 1, 2);
        if (in.operands.size() == 2) in.backupOptions.destination = pathFromUtf8(in.operands[1]);
    } else if (in.command == "check") {
        expectOperands(in, 1, 1);
    } else if (in.command == "search") {
        expectOperands(in, 2, std::size_t(-1));
    }
    return in;
}

int runInvocation(const Invocation& in, Reporter& reporter) {
    try {
        const std::vector<std::string>& o = in.operands;
        if (in.command == "help") {
            std::string text = helpText(in.helpTopic);
            for (std::size_t start = 0; start < text.size();) {
                std::size_t end = text.find('\n', start);
                reporter.print(text.substr(start, end - start));
                start = end + 1;
            }
            return kDone;
        }
        if (in.command == "export") {
            ExportSummary s = exportLibrary(pathFromUtf8(o[0]), pathFromUtf8(o[1]), in.exportOptions, reporter);
            reporter.print("exported " + summaryOf(s.folders, s.texts, s.attachments) + " (" +
                           text::sizeText(std::int64_t(s.bytes)) + ") to " + o[1]);
            return kDone;
        }
        if (in.command == "import") {
            ImportSummary s = importFolder(pathFromUtf8(o[0]), pathFromUtf8(o[1]), in.importOptions, reporter);
            std::string where = s.newLibrary ? "the new library " + o[1]
                                             : o[1] + (in.importOptions.into.value_or(0)
                                                           ? " under folder " + std::to_string(*in.importOptions.into)
                                                           : std::string(" at the top level"));
            reporter.print("imported " + summaryOf(s.folders, s.texts, s.attachments) + " into " + where +
                           (s.fromManifest ? "" : " (a plain folder tree; its folder has id " + std::to_string(s.topId) + ")"));
            return kDone;
        }
        if (in.command == "backup") {
            fs::path copy = backupLibrary(pathFromUtf8(o[0]), in.backupOptions, reporter);
            std::error_code ec;
            reporter.print("backup: " + utf8Path(copy) + " (" + text::sizeText(std::int64_t(fs::file_size(copy, ec))) + ")");
            return kDone;
        }
        if (in.command == "check") {
            CheckSummary s = checkLibrary(pathFromUtf8(o[0]), reporter);
            return s.problems ? kFound : kDone;
        }
        if (in.command == "search") {
            bool holdable = true;
            std::string phrase = searchPhrase(in, reporter, holdable);
            if (!holdable) return kFound;
            std::uint64_t lines = searchLibrary(pathFromUtf8(o[0]), phrase, reporter);
            return lines ? kDone : kFound;
        }
        throw UsageError("unknown command \"" + in.command + "\"");
    } catch (const UsageError& e) {
        reporter.note(e.what());
        return kUsage;
    } catch (const Failure& e) {
        reporter.note(e.what());
        return kFailed;
    } catch (const store::CppSQLite3Exception& e) {
        reporter.note(e.errorMessage());
        return kFailed;
    } catch (const std::exception& e) {
        reporter.note(std::string("failed: ") + e.what());
        return kFailed;
    }
}

}  // namespace jexlib
