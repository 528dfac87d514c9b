// Compaction of the database on a worker thread, and the process-wide
// "database busy" state that other database work (the auto-save timer)
// consults before it starts.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

namespace store {
class DbConnection;
}

// True while a compaction runs.
bool databaseBusy();

class Compaction {
public:
    ~Compaction();

    // Starts the VACUUM on a worker; `notify` receives WM_WORK_DONE when it
    // has finished.  Returns false when one is already running.
    bool start(store::DbConnection& db, HWND notify);
    bool running() const { return worker_.joinable(); }
    // Waits for the worker; returns the failure's message, "" on success.
    std::string finish();

private:
    std::thread worker_;
    std::string error_;
};
