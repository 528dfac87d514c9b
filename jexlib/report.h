// What a command tells its user: results on the standard output, messages
// and progress on the standard error.  Everything passed here is UTF-8; the
// console form converts it for the terminal.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace jexlib {

// A command that cannot do its work: the message says why, in UTF-8.  The
// library and the files it was given are as they were.
class Failure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Reporter {
public:
    virtual ~Reporter() = default;
    // One line of the command's result.
    virtual void print(std::string_view line) = 0;
    // One line of a note or a warning.
    virtual void note(std::string_view line) = 0;
    // Long work: `done` of `total` units of `what` so far.  A command calls
    // it often; the reporter decides how often to show it.
    virtual void progress(std::string_view what, std::uint64_t done, std::uint64_t total) {
        (void)what, (void)done, (void)total;
    }
    // The long work is over.
    virtual void endProgress() {}
};

}  // namespace jexlib
