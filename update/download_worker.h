// The package download on a worker thread of its own.  The worker tells the
// dialog by posted messages only, so that a dialog waiting for it to end
// (Cancel) never blocks it.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>

#include "update/download_rules.h"

namespace update {

class DownloadWorker {
public:
    // Posted to the window: a new display (read it with display()); the
    // worker has ended (its last act).
    static constexpr UINT kMsgProgress = WM_APP + 1;
    static constexpr UINT kMsgEnded = WM_APP + 2;

    // `expectedSha256`: hexadecimal, "" when the information gave none.
    DownloadWorker(HWND notify, std::string url, std::string path, std::string expectedSha256);
    ~DownloadWorker();
    DownloadWorker(const DownloadWorker&) = delete;
    DownloadWorker& operator=(const DownloadWorker&) = delete;

    bool start();
    // Asks the worker to stop before its next read.
    void requestStop() { stop_ = true; }
    bool running() const;
    // Signalled when the worker has ended.
    HANDLE thread() const { return thread_; }

    ProgressDisplay display() const;
    // Once ended: the package arrived whole and may be started; or why not
    // ("" after a cancel).
    bool complete() const { return complete_; }
    const std::string& problem() const { return problem_; }

private:
    static DWORD WINAPI threadProc(void* self);
    void run();
    void publish(const ProgressDisplay& display);

    HWND notify_;
    std::string url_, path_, expectedSha256_;
    HANDLE thread_ = nullptr;
    std::atomic<bool> stop_{false};
    mutable std::mutex lock_;
    ProgressDisplay display_;
    // Written by the worker before its end message, read after it.
    bool complete_ = false;
    std::string problem_;
};

}  // namespace update
