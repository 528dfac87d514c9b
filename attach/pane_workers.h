// The pane's worker threads (store, extract, open).  A worker does its slow
// work off the interface thread and hands back a report: a function that
// the interface thread runs once the message the worker posts has reached
// the pane.  Only reports touch windows.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class PaneWorkers {
public:
    using Report = std::function<void()>;

    PaneWorkers();
    // Workers still running then (the wait at exit gave up on them) are let
    // go; they hold nothing of this object.
    ~PaneWorkers();
    PaneWorkers(const PaneWorkers&) = delete;
    PaneWorkers& operator=(const PaneWorkers&) = delete;

    // The window the workers' messages go to.
    void setReceiver(HWND receiver);
    // Runs `job` on a thread of its own; once it has returned its report,
    // `message` is posted to the receiver.
    void start(UINT message, std::function<Report()> job);
    // On the interface thread: runs the reports that have arrived, in the
    // order they came, and joins their threads.
    void deliver();
    // Workers started and not yet delivered.
    std::size_t running() const { return threads_.size(); }

    // Waits until every worker has been delivered, or `timeoutMs` have
    // passed, handling the thread's messages meanwhile; `onLongWait` is
    // called once if the wait lasts beyond `longAfterMs`.  True when none
    // is left.
    bool waitAll(DWORD timeoutMs, DWORD longAfterMs, const std::function<void()>& onLongWait);

private:
    struct Mailbox {
        std::mutex mutex;
        std::deque<std::pair<std::thread::id, Report>> reports;
        HWND receiver = nullptr;
    };
    std::shared_ptr<Mailbox> mailbox_;
    std::vector<std::thread> threads_;
};
