// The command line of jexlib: what the arguments ask for, and running it.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "jexlib/commands.h"
#include "jexlib/report.h"

namespace jexlib {

// Exit codes.
enum Exit {
    kDone = 0,       // done; check: no problem; search: lines found
    kFound = 1,      // check: problems found; search: no line found
    kUsage = 2,      // the command line is wrong
    kFailed = 3,     // the work could not be done; nothing was changed
};

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Invocation {
    std::string command;  // export, import, backup, check, search, help
    std::vector<std::string> operands;  // UTF-8
    std::string helpTopic;              // help: the command asked about, "" for all
    ExportOptions exportOptions;
    ImportOptions importOptions;
    BackupOptions backupOptions;
    bool progress = false;
    bool gbkOutput = false;  // the terminal takes GBK
};

// Reads the arguments after the program's name (UTF-8).  `programFolder`
// holds the scheme files (Syntax) the import uses unless told otherwise;
// `terminal`: the standard error is a terminal, where progress is shown
// unless told otherwise.  Throws UsageError.
Invocation parseCommandLine(const std::vector<std::string>& args, const std::filesystem::path& programFolder,
                            bool terminal);

// Runs it; returns the exit code.  Failures are told through `reporter`.
int runInvocation(const Invocation& invocation, Reporter& reporter);

// The help text for `topic` ("" for all commands).
std::string helpText(const std::string& topic);

}  // namespace jexlib
