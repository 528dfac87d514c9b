// The package download as far as it needs no window: what the progress
// page shows as bytes arrive, and whether what arrived may be started.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace update {

// The texts of the progress page.
struct ProgressDisplay {
    int percent = 0;          // the bar's position; 0 while the total is unknown
    std::string percentText;  // "%3d%%"; "" while the total is unknown
    std::string received;     // "<received> / <total>", or only the received size
    std::string speed;        // "<size>/S"
    std::string remaining;    // "%d秒", "%d分%d秒", or "--分--秒" while it cannot be told
};

// The remaining time at `bytesPerSecond`: up to 60 seconds "%d秒", above
// "%d分%d秒" (the minutes however many); "--分--秒" at a speed of 0 or an
// unknown total (negative).
std::string remainingText(std::int64_t remainingBytes, std::int64_t bytesPerSecond);

// Follows one download.  The speed is the average over the whole time
// since the start, in whole seconds; the displays change once a second.
class DownloadProgress {
public:
    // `total`: the Content-Length, or -1 when the answer had none.
    explicit DownloadProgress(std::int64_t total) : total_(total) {}

    // A block arrived; `received` bytes so far after `elapsedSeconds`
    // whole seconds.  A new display when the seconds are above 0 and more
    // than at the display before.
    std::optional<ProgressDisplay> onBlock(std::int64_t received, std::int64_t elapsedSeconds);

    // The end of the data.  A complete download shows its total at 100 %
    // (a download without a Content-Length counts what arrived as its
    // total) and, once at least a second has passed, the average speed;
    // otherwise the last speed shown stays.
    ProgressDisplay finished(std::int64_t received, std::int64_t elapsedSeconds);

private:
    ProgressDisplay display(std::int64_t received, std::int64_t total, std::int64_t speed) const;

    std::int64_t total_;
    std::int64_t shownSecond_ = 0;
    std::int64_t speed_ = -1;  // none shown yet
};

// The initial texts of the progress page.
ProgressDisplay initialDisplay();

// Why a package answer is not started, or "" when it may be: anything but
// 200 (404 is "下载链接无效！").
std::string statusProblem(int httpStatus);

// Why a downloaded package is not started, or "" when it may be: fewer (or
// more) bytes than the Content-Length (-1 = none given), or a SHA-256 other
// than the one the information file gave (compared ignoring case; an empty
// `expectedSha256` checks nothing).
std::string bodyProblem(std::int64_t contentLength, std::int64_t received, const std::string& expectedSha256,
                        const std::string& actualSha256);

}  // namespace update
