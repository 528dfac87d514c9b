#include <gtest/gtest.h>

#include "update/download_rules.h"

namespace {

using update::DownloadProgress;
using update::remainingText;

TEST(RemainingTime, SecondsUpToAMinuteThenMinutesAndSeconds) {
    EXPECT_EQ(remainingText(0, 100), "0秒");
    EXPECT_EQ(remainingText(6000, 100), "60秒");
    EXPECT_EQ(remainingText(6100, 100), "1分1秒");
    EXPECT_EQ(remainingText(6099, 100), "60秒");  // truncated
    EXPECT_EQ(remainingText(36000, 10), "60分0秒");
}

// A server that announces a Content-Length of exabytes: the minutes are
// more than an int holds and must not wrap round to a negative count.
TEST(RemainingTime, MinutesBeyondAnIntStayPositive) {
    EXPECT_EQ(remainingText(7727841969110780000, 857 * 1024), "146766251905分5秒");
    DownloadProgress progress(INT64_MAX);
    auto d = progress.onBlock(35906000000, 40);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->remaining.find('-'), std::string::npos) << d->remaining;
}

TEST(RemainingTime, UnknownWithoutSpeedOrTotal) {
    EXPECT_EQ(remainingText(5000, 0), "--分--秒");
    EXPECT_EQ(remainingText(-1, 100), "--分--秒");
}

TEST(DownloadProgress, StartsWithThePageTexts) {
    auto d = update::initialDisplay();
    EXPECT_EQ(d.percentText, "0%");
    EXPECT_EQ(d.speed, "0KB/S");
    EXPECT_EQ(d.received, "");
    EXPECT_EQ(d.remaining, "--分--秒");
}

// 5 MB arriving at 100 KB a second: the display changes once a second;
// the speed is the average since the start, the remaining time counts down.
TEST(DownloadProgress, OnceASecondWithTheRunningAverage) {
    const std::int64_t total = 5 * 1048576;
    DownloadProgress progress(total);
    EXPECT_FALSE(progress.onBlock(4096, 0));  // the first second shows nothing
    auto first = progress.onBlock(102400, 1);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->percent, 1);
    EXPECT_EQ(first->percentText, "  1%");
    EXPECT_EQ(first->received, "100 KB / 5.00 MB");
    EXPECT_EQ(first->speed, "100 KB/S");
    EXPECT_EQ(first->remaining, "50秒");
    EXPECT_FALSE(progress.onBlock(110000, 1));  // same second
    // A stall in the third second pulls the average down.
    auto third = progress.onBlock(204800, 3);
    ASSERT_TRUE(third);
    EXPECT_EQ(third->speed, "66 KB/S");
    EXPECT_EQ(third->remaining, "1分13秒");  // 5038080 B at 68266 B/S
    auto late = progress.onBlock(total - 1, 60);
    ASSERT_TRUE(late);
    EXPECT_EQ(late->percent, 99);  // truncated, not rounded
    EXPECT_EQ(late->remaining, "0秒");

    auto done = progress.finished(total, 61);
    EXPECT_EQ(done.percent, 100);
    EXPECT_EQ(done.percentText, "100%");
    EXPECT_EQ(done.received, "5.00 MB / 5.00 MB");
    EXPECT_EQ(done.speed, "83 KB/S");
    EXPECT_EQ(done.remaining, "0秒");
}

TEST(DownloadProgress, FinishedWithinTheFirstSecondComputesNoSpeed) {
    DownloadProgress progress(2048);
    EXPECT_FALSE(progress.onBlock(2048, 0));
    auto done = progress.finished(2048, 0);
    EXPECT_EQ(done.percentText, "100%");
    EXPECT_EQ(done.received, "2 KB / 2 KB");
    EXPECT_EQ(done.speed, "0KB/S");
    EXPECT_EQ(done.remaining, "0秒");
}

TEST(DownloadProgress, WithoutContentLengthOnlyTheReceivedSize) {
    DownloadProgress progress(-1);
    auto d = progress.onBlock(3 * 1048576, 2);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->percent, 0);
    EXPECT_EQ(d->percentText, "");
    EXPECT_EQ(d->received, "3.00 MB");
    EXPECT_EQ(d->speed, "1.50 MB/S");
    EXPECT_EQ(d->remaining, "--分--秒");
    auto done = progress.finished(3 * 1048576 + 10, 2);
    EXPECT_EQ(done.percentText, "100%");
    EXPECT_EQ(done.received, "3.00 MB / 3.00 MB");
}

// A stall: a second later, still nothing received.
TEST(DownloadProgress, NothingYetIsSpeedZero) {
    DownloadProgress progress(1000);
    auto d = progress.onBlock(0, 1);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->speed, "0 B/S");
    EXPECT_EQ(d->remaining, "--分--秒");
}

TEST(DownloadProgress, ATruncatedEndShowsWhatArrived) {
    DownloadProgress progress(10240);
    progress.onBlock(4096, 1);
    auto end = progress.finished(5120, 2);
    EXPECT_EQ(end.percent, 50);
    EXPECT_EQ(end.received, "5 KB / 10 KB");
    EXPECT_EQ(end.speed, "4 KB/S");  // the last average shown stays
}

TEST(PackageChecks, OnlyA200MayBeStarted) {
    EXPECT_EQ(update::statusProblem(200), "");
    EXPECT_EQ(update::statusProblem(404), "下载链接无效！");
    EXPECT_EQ(update::statusProblem(500), "下载升级包失败：服务器返回错误 500！");
}

TEST(PackageChecks, LengthAndDigestMustMatch) {
    const std::string sha = "9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08";
    EXPECT_EQ(update::bodyProblem(4, 4, sha, sha), "");
    EXPECT_EQ(update::bodyProblem(-1, 4, "", "anything"), "");  // nothing to compare
    EXPECT_EQ(update::bodyProblem(4, 4, "9F86D081884C7D659A2FEAA0C55AD015A3BF4F1B2B0B822CD15D6C15B0F00A08", sha), "");
    EXPECT_EQ(update::bodyProblem(2097152, 1048576, "", ""), "升级包下载不完整（1.00 MB / 2.00 MB），请稍后重试！");
    EXPECT_NE(update::bodyProblem(4, 5, "", ""), "");
    EXPECT_EQ(update::bodyProblem(4, 4, sha.substr(1) + "0", sha), "升级包校验失败，文件已损坏，请稍后重试！");
    EXPECT_NE(update::bodyProblem(4, 4, sha.substr(0, 10), sha), "");
}

}  // namespace
