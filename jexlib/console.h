// The reporter of the command line: results to the standard output,
// notes and progress to the standard error, in the terminal's encoding.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

#include "jexlib/report.h"

namespace jexlib {

class ConsoleReporter : public Reporter {
public:
    // `gbk`: the terminal takes GBK (a Chinese Windows console), else UTF-8.
    // `progress`: show progress lines (on a terminal, as a rule).
    ConsoleReporter(bool gbk, bool progress) : gbk_(gbk), progress_(progress) {}
    ~ConsoleReporter() override { endProgress(); }

    void print(std::string_view line) override;
    void note(std::string_view line) override;
    void progress(std::string_view what, std::uint64_t done, std::uint64_t total) override;
    void endProgress() override;

    // Whether the standard error is a terminal.
    static bool errorIsTerminal();

private:
    void write(std::FILE* to, std::string_view line);

    bool gbk_;
    bool progress_;
    bool showing_ = false;
    std::chrono::steady_clock::time_point last_{};
    std::size_t width_ = 0;
};

}  // namespace jexlib
