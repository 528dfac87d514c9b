// The update information file the updater downloads, and what the check
// answers the main program.
//
// The file is in INI form, section "info":
//   version  the offered release's version text
//   size     the package size as text to show (free form, "3.0MB")
//   update   the release notes on one line; "\r", "\n" and "\t" stand for
//            carriage return, line feed and tab
//   url      where the package is
//   sha256   (optional) the package's SHA-256 in hexadecimal
#pragma once

#include <string>
#include <string_view>

namespace update {

struct UpdateInfo {
    std::string version;
    std::string size;
    std::string notes;   // "update", escapes still in place
    std::string url;
    std::string sha256;
};

// Reads section "info" of an INI text as the Windows profile functions do:
// section and key names ignore case, the first of equal keys counts, blanks
// around names and values are dropped, as are one pair of quotes around a
// value; a missing key reads as "".  Values are cut to the buffers the
// updater reads them into (511 bytes, 2047 for the notes), never inside a
// two-byte character.
UpdateInfo parseUpdateInfo(std::string_view file);

// The notes with "\r", "\n" and "\t" replaced by their characters.  Text
// is walked by character, so the trail byte 0x5C of a two-byte character
// never starts a sequence.
std::string expandEscapes(std::string_view notes);

// The last component of a URL's path (query and fragment left out), the
// name the updater stores the download under; `fallback` when it is empty
// or no plain file name.
std::string fileNameOfUrl(std::string_view url, const std::string& fallback);

// The check's result for the main program.
enum ResultCode : int {
    kResultFailed = 0,     // the information could not be had
    kResultSame = 1,       // the offered version is the running one
    kResultDifferent = 2,  // another version is offered
};

// A download that failed, an answer other than 200 (an error page) or a
// file without a version is a failure; otherwise the versions are compared
// byte by byte, so an older or differently written version counts as
// different.
ResultCode checkResult(bool downloaded, int httpStatus, const std::string& offered, const std::string& running);

}  // namespace update
