#include "update/download_rules.h"

#include <cctype>
#include <cstdio>

#include "text/size_text.h"

namespace update {

std::string remainingText(std::int64_t remainingBytes, std::int64_t bytesPerSecond) {
    if (bytesPerSecond <= 0 || remainingBytes < 0) return "--分--秒";
    std::int64_t seconds = remainingBytes / bytesPerSecond;
    // The minutes as a 64-bit count: a Content-Length of many terabytes at a
    // slow speed is more minutes than an int holds.
    char text[64];
    if (seconds <= 60)
        std::snprintf(text, sizeof text, "%d秒", int(seconds));
    else
        std::snprintf(text, sizeof text, "%lld分%d秒", static_cast<long long>(seconds / 60), int(seconds % 60));
    return text;
}

ProgressDisplay initialDisplay() { return {0, "0%", "", "0KB/S", "--分--秒"}; }

ProgressDisplay DownloadProgress::display(std::int64_t received, std::int64_t total, std::int64_t speed) const {
    ProgressDisplay d;
    if (total > 0) {
        std::int64_t percent = received >= total ? 100 : received * 100 / total;
        d.percent = int(percent);
        char text[16];
        std::snprintf(text, sizeof text, "%3d%%", d.percent);
        d.percentText = text;
        d.received = text::sizeText(received) + " / " + text::sizeText(total);
    } else {
        d.received = text::sizeText(received);
    }
    d.speed = speed >= 0 ? text::sizeText(speed) + "/S" : initialDisplay().speed;
    d.remaining = remainingText(total >= 0 ? total - received : -1, speed);
    return d;
}

std::optional<ProgressDisplay> DownloadProgress::onBlock(std::int64_t received, std::int64_t elapsedSeconds) {
    if (elapsedSeconds <= 0 || elapsedSeconds <= shownSecond_) return std::nullopt;
    shownSecond_ = elapsedSeconds;
    speed_ = received / elapsedSeconds;
    return display(received, total_, speed_);
}

ProgressDisplay DownloadProgress::finished(std::int64_t received, std::int64_t elapsedSeconds) {
    std::int64_t total = total_ < 0 ? received : total_;
    if (received == total && elapsedSeconds > 0) speed_ = total / elapsedSeconds;
    ProgressDisplay d = display(received, total, speed_);
    if (received == total) d.remaining = remainingText(0, 1);
    return d;
}

std::string statusProblem(int httpStatus) {
    if (httpStatus == 200) return "";
    if (httpStatus == 404) return "下载链接无效！";
    char text[96];
    std::snprintf(text, sizeof text, "下载升级包失败：服务器返回错误 %d！", httpStatus);
    return text;
}

std::string bodyProblem(std::int64_t contentLength, std::int64_t received, const std::string& expectedSha256,
                        const std::string& actualSha256) {
    if (contentLength >= 0 && received != contentLength)
        return "升级包下载不完整（" + text::sizeText(received) + " / " + text::sizeText(contentLength) +
               "），请稍后重试！";
    if (!expectedSha256.empty()) {
        bool same = expectedSha256.size() == actualSha256.size();
        for (std::size_t i = 0; same && i < expectedSha256.size(); ++i)
            same = std::tolower(static_cast<unsigned char>(expectedSha256[i])) ==
                   std::tolower(static_cast<unsigned char>(actualSha256[i]));
        if (!same) return "升级包校验失败，文件已损坏，请稍后重试！";
    }
    return "";
}

}  // namespace update
