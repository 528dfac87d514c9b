// The main program's side of an update check, as far as it needs no
// window: the updater's command line and how the updater splits it, the
// version text, and whether a check is due at start-up.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace update {

// The path in double quotes when it contains a blank, else as it is.
std::string quotedPath(const std::string& path);

// A URL as one command-line field: blanks become "%20".
std::string urlField(const std::string& url);

// The updater's command line: its (quoted) path, then the main program's
// file name, its version text and the URL of the update information, each
// after a single space.
std::string updaterCommandLine(const std::string& updaterPath, const std::string& programFile,
                               const std::string& version, const std::string& infoUrl);

// What follows the program's own path in a full command line: the path is
// the first field (in double quotes when it starts with one); the blanks
// after it are skipped.
std::string_view argumentsAfterProgram(std::string_view commandLine);

// The three fields the main program passes to the updater.
struct UpdaterArguments {
    std::string programFile;  // the main program's file name, to find its process
    std::string version;      // its version text
    std::string infoUrl;      // where the update information is
};

// The first three blank-separated fields of `arguments`; nothing when
// there are fewer.  Anything after the third field is ignored.
std::optional<UpdaterArguments> splitUpdaterArguments(std::string_view arguments);

// "%d.%d.%d.%d" from the two 32-bit halves of a file version (major and
// minor in the high and low 16 bits of the first, build and revision in
// those of the second).
std::string versionText(std::uint32_t versionMs, std::uint32_t versionLs);

// Whether the start-up starts an automatic check, and writes today's date
// as the last check ("LastUpdate") when it does.
struct CheckDecision {
    bool check = false;
    bool writeToday = false;
};

// `checkDay`: days between automatic checks, 0 (or less) = off.
// `lastCheck`: the date of the last check as a day count (the system's
// date conversion of "LastUpdate"); nothing when it is empty or cannot be
// read as a date, which counts as never checked, as does a date after
// `now`.  `now`: the present on the
// same scale, fractions of a day included.  A check is due when the whole
// days since the last one (truncated) reach `checkDay`.
CheckDecision decideAutomaticCheck(int checkDay, std::optional<double> lastCheck, double now);

}  // namespace update
