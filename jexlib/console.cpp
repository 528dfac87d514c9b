#include "jexlib/console.h"

#include <vector>

#include "jexlib/unicode.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace jexlib {

namespace {

constexpr auto kProgressPeriod = std::chrono::milliseconds(100);

}  // namespace

bool ConsoleReporter::errorIsTerminal() {
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(fileno(stderr)) != 0;
#endif
}

void ConsoleReporter::write(std::FILE* to, std::string_view line) {
    if (gbk_) {
        std::string gbk;
        std::vector<Unheld> unheld;
        utf8ToGbk(line, gbk, unheld);
        std::fwrite(gbk.data(), 1, gbk.size(), to);
    } else {
        std::fwrite(line.data(), 1, line.size(), to);
    }
    std::fputc('\n', to);
}

void ConsoleReporter::print(std::string_view line) {
    endProgress();
    write(stdout, line);
}

void ConsoleReporter::note(std::string_view line) {
    endProgress();
    std::fflush(stdout);
    write(stderr, std::string("jexlib: ") + std::string(line));
}

void ConsoleReporter::progress(std::string_view what, std::uint64_t done, std::uint64_t total) {
    if (!progress_) return;
    auto now = std::chrono::steady_clock::now();
    if (showing_ && now - last_ < kProgressPeriod && done != total) return;
    last_ = now;
    std::string line = std::string(what) + ": " + std::to_string(done);
    if (total) line += "/" + std::to_string(total) + " (" + std::to_string(done * 100 / total) + "%)";
    std::size_t width = line.size();
    if (width < width_) line.append(width_ - width, ' ');
    width_ = width;
    std::fputc('\r', stderr);
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    showing_ = true;
}

void ConsoleReporter::endProgress() {
    if (!showing_) return;
    std::fputc('\n', stderr);
    std::fflush(stderr);
    showing_ = false;
    width_ = 0;
}

}  // namespace jexlib
