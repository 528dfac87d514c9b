// libFuzzer target for what the updater makes of a downloaded information
// file: the INI reading, the escapes of the release notes, the file name
// taken from a URL, and the progress texts and package checks fed with the
// numbers a server's answer can bring.  The first input byte chooses a
// Content-Length and the steps of a download (taken from the input's end);
// the rest is the file.
//
// Checked: values fit the updater's buffers and hold no line break; an
// expanded escape replaces exactly one backslash sequence that starts a
// character, and every other character comes through whole (a trail byte
// 0x5C never starts an escape); a name taken from a URL can never leave the
// program folder; the percentage stays within 0-100 and no text shows a
// negative number.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <string_view>

#include "text/gbk.h"
#include "update/download_rules.h"
#include "update/update_info.h"

namespace {

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "update_info_fuzz: broken invariant: %s\n", what);
        std::abort();
    }
}

void checkValue(const std::string& value, std::size_t limit) {
    check(value.size() <= limit, "a value longer than its buffer");
    check(value.find('\n') == std::string::npos, "a line feed inside a value");
}

// Walks the notes and their expansion side by side, character by character.
void checkExpansion(std::string_view notes, std::string_view out) {
    std::size_t i = 0, o = 0;
    while (i < notes.size()) {
        std::size_t n = gbk::charLength(notes, i);
        check(o < out.size(), "the expansion ends early");
        if (n == 1 && notes[i] == '\\' && i + 1 < notes.size() &&
            (notes[i + 1] == 'r' || notes[i + 1] == 'n' || notes[i + 1] == 't')) {
            char expected = notes[i + 1] == 'r' ? '\r' : notes[i + 1] == 'n' ? '\n' : '\t';
            check(out[o] == expected, "an escape expanded to the wrong character");
            i += 2;
            o += 1;
            continue;
        }
        check(out.substr(o, n) == notes.substr(i, n), "a character changed by the expansion");
        i += n;
        o += n;
    }
    check(o == out.size(), "the expansion has bytes of its own");
}

void checkFileName(const std::string& url) {
    const std::string fallback = "jexmarlo.ini";
    std::string name = update::fileNameOfUrl(url, fallback);
    check(!name.empty(), "an empty file name");
    check(name != "." && name != "..", "a file name that names a folder");
    check(name.find_first_of("/\\:") == std::string::npos, "a file name with a path in it");
    for (char c : name) check(static_cast<unsigned char>(c) >= 0x20, "a control character in a file name");
}

bool showsNegative(const std::string& text) {
    for (std::size_t i = 0; i + 1 < text.size(); ++i)
        if (text[i] == '-' && text[i + 1] >= '0' && text[i + 1] <= '9') return true;
    return false;
}

void checkDisplay(const update::ProgressDisplay& d) {
    if (d.percent < 0 || d.percent > 100 || showsNegative(d.percentText) || showsNegative(d.received) ||
        showsNegative(d.speed) || showsNegative(d.remaining))
        std::fprintf(stderr, "update_info_fuzz: shown %d \"%s\" \"%s\" \"%s\" \"%s\"\n", d.percent,
                     d.percentText.c_str(), d.received.c_str(), d.speed.c_str(), d.remaining.c_str());
    check(d.percent >= 0 && d.percent <= 100, "a percentage outside 0-100");
    check(!showsNegative(d.percentText) && !showsNegative(d.received) && !showsNegative(d.speed) &&
              !showsNegative(d.remaining),
          "a negative number shown");
}

// A download as the worker follows it: blocks arrive, the seconds go on,
// then the data ends.  A Content-Length is any value the header can carry
// (-1: none); what arrives is at most a terabyte.
void followDownload(FuzzedDataProvider& in, const std::string& sha256) {
    const std::int64_t kMaxReceived = std::int64_t(1) << 40;
    std::int64_t total;
    switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0: total = -1; break;
    case 1: total = in.ConsumeIntegralInRange<std::int64_t>(0, 1 << 24); break;
    case 2: total = in.ConsumeIntegralInRange<std::int64_t>(0, kMaxReceived); break;
    default: total = in.ConsumeIntegralInRange<std::int64_t>(0, std::numeric_limits<std::int64_t>::max()); break;
    }
    update::DownloadProgress progress(total);
    std::int64_t received = 0, seconds = 0;
    int blocks = in.ConsumeIntegralInRange<int>(0, 16);
    for (int b = 0; b < blocks; ++b) {
        received += in.ConsumeIntegralInRange<std::int64_t>(0, kMaxReceived / 16);
        seconds += in.ConsumeIntegralInRange<std::int64_t>(0, 100000);
        if (auto d = progress.onBlock(received, seconds)) checkDisplay(*d);
    }
    update::ProgressDisplay last = progress.finished(received, seconds);
    checkDisplay(last);
    std::int64_t whole = total < 0 ? received : total;
    if (received == whole && whole > 0) check(last.percent == 100, "a complete download below 100 %");
    std::string problem = update::bodyProblem(total, received, sha256, "0123456789abcdef");
    check(total < 0 || received == total || !problem.empty(), "an incomplete package accepted");
    check(!showsNegative(update::remainingText(in.ConsumeIntegral<std::int64_t>() & 0x7FFFFFFFFFFFFFFF,
                                               in.ConsumeIntegral<std::int64_t>())),
          "a negative remaining time");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // The download's numbers come from the end, so that the file keeps its
    // front when the fuzzer trims the input.
    std::size_t numbers = std::min<std::size_t>(size - 1, data[0] & 0x7F);
    FuzzedDataProvider in(data + size - numbers, numbers);
    std::string_view file(reinterpret_cast<const char*>(data + 1), size - 1 - numbers);

    update::UpdateInfo info = update::parseUpdateInfo(file);
    checkValue(info.version, 511);
    checkValue(info.size, 511);
    checkValue(info.notes, 2047);
    checkValue(info.url, 511);
    checkValue(info.sha256, 511);
    checkExpansion(info.notes, update::expandEscapes(info.notes));
    checkExpansion(file, update::expandEscapes(file));
    checkFileName(info.url);
    checkFileName(std::string(file));

    followDownload(in, info.sha256);
    return 0;
}
