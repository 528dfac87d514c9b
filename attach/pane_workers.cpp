#include "attach/pane_workers.h"

#include <algorithm>

PaneWorkers::PaneWorkers() : mailbox_(std::make_shared<Mailbox>()) {}

PaneWorkers::~PaneWorkers() {
    for (std::thread& t : threads_) t.detach();
}

void PaneWorkers::setReceiver(HWND receiver) {
    std::lock_guard<std::mutex> lock(mailbox_->mutex);
    mailbox_->receiver = receiver;
}

void PaneWorkers::start(UINT message, std::function<Report()> job) {
    std::shared_ptr<Mailbox> mailbox = mailbox_;
    threads_.emplace_back([mailbox, message, job = std::move(job)] {
        Report report = job();
        HWND receiver;
        {
            std::lock_guard<std::mutex> lock(mailbox->mutex);
            mailbox->reports.emplace_back(std::this_thread::get_id(), std::move(report));
            receiver = mailbox->receiver;
        }
        // Posted: the interface thread may be waiting for this worker and
        // must not be needed to let it end.
        if (receiver) PostMessageA(receiver, message, 0, 0);
    });
}

void PaneWorkers::deliver() {
    std::deque<std::pair<std::thread::id, Report>> arrived;
    {
        std::lock_guard<std::mutex> lock(mailbox_->mutex);
        arrived.swap(mailbox_->reports);
    }
    for (auto& [id, report] : arrived) {
        auto t = std::find_if(threads_.begin(), threads_.end(), [&](const std::thread& w) { return w.get_id() == id; });
        if (t != threads_.end()) {
            t->join();  // it has handed over its report: it is ending
            threads_.erase(t);
        }
    }
    for (auto& entry : arrived)
        if (entry.second) entry.second();
}

bool PaneWorkers::waitAll(DWORD timeoutMs, DWORD longAfterMs, const std::function<void()>& onLongWait) {
    const DWORD start = GetTickCount();
    bool told = false;
    bool quit = false;
    int quitCode = 0;
    bool done;
    for (;;) {
        deliver();
        done = threads_.empty();
        DWORD waited = GetTickCount() - start;
        if (done || waited >= timeoutMs) break;
        if (!told && waited >= longAfterMs) {
            told = true;
            if (onLongWait) onLongWait();
        }
        if (quit) {
            Sleep(20);  // the queue is no longer read once the thread is to quit
            continue;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = true;
                quitCode = int(msg.wParam);
                break;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    if (quit) PostQuitMessage(quitCode);  // for the loop that waits for it
    return done;
}
