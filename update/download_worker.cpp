#include "update/download_worker.h"

#include <vector>

#include "update/handle.h"
#include "update/http_get.h"
#include "update/sha256.h"

namespace update {

namespace {

// The package download keeps the system's connect time-outs; a server that
// stops sending fails it after this long without data.
constexpr HttpGet::Timeouts kPackageTimeouts = {0, 0, 20000};
// Reads of 64 KB: under Wine each read costs about as much as 4 KB of data
// on the loopback, so 4096-byte reads took the download to three times
// curl's time for the same file.
constexpr DWORD kBlock = 65536;

}  // namespace

DownloadWorker::DownloadWorker(HWND notify, std::string url, std::string path, std::string expectedSha256)
    : notify_(notify), url_(std::move(url)), path_(std::move(path)), expectedSha256_(std::move(expectedSha256)),
      display_(initialDisplay()) {}

DownloadWorker::~DownloadWorker() {
    if (!thread_) return;
    requestStop();
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
}

bool DownloadWorker::start() {
    thread_ = CreateThread(nullptr, 0, threadProc, this, 0, nullptr);
    return thread_ != nullptr;
}

bool DownloadWorker::running() const { return thread_ && WaitForSingleObject(thread_, 0) == WAIT_TIMEOUT; }

ProgressDisplay DownloadWorker::display() const {
    std::lock_guard<std::mutex> hold(lock_);
    return display_;
}

void DownloadWorker::publish(const ProgressDisplay& display) {
    {
        std::lock_guard<std::mutex> hold(lock_);
        display_ = display;
    }
    PostMessageA(notify_, kMsgProgress, 0, 0);
}

DWORD WINAPI DownloadWorker::threadProc(void* self) {
    auto* worker = static_cast<DownloadWorker*>(self);
    worker->run();
    PostMessageA(worker->notify_, kMsgEnded, 0, 0);
    return 0;
}

void DownloadWorker::run() {
    HttpGet get;
    if (!get.open(url_, kPackageTimeouts)) {
        problem_ = get.errorText();
        return;
    }
    problem_ = statusProblem(get.status());
    if (!problem_.empty()) return;
    const std::int64_t total = get.contentLength();
    DownloadProgress progress(total);
    const ULONGLONG start = GetTickCount64();
    auto elapsedSeconds = [start] { return std::int64_t((GetTickCount64() - start) / 1000); };

    Handle file(CreateFileA(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        problem_ = "无法保存升级包：" + path_;
        return;
    }
    // The digest is computed only when the information file gave one to
    // compare with.
    const bool hashing = !expectedSha256_.empty();
    Sha256 sha;
    std::int64_t received = 0;
    std::vector<char> buffer(kBlock);
    char* block = buffer.data();
    for (;;) {
        if (stop_) return;
        long got = get.read(block, kBlock);
        if (got < 0) {
            problem_ = get.errorText();
            return;
        }
        if (got == 0) break;
        DWORD written = 0;
        if (!WriteFile(file.get(), block, DWORD(got), &written, nullptr) || written != DWORD(got)) {
            problem_ = "无法保存升级包：" + path_;
            return;
        }
        if (hashing) sha.add(block, std::size_t(got));
        received += got;
        if (auto display = progress.onBlock(received, elapsedSeconds())) publish(*display);
    }
    file.reset();
    get.close();
    publish(progress.finished(received, elapsedSeconds()));
    problem_ = bodyProblem(total, received, expectedSha256_, hashing ? sha.hexDigest() : std::string());
    complete_ = problem_.empty();
}

}  // namespace update
