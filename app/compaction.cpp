#include "app/compaction.h"

#include "skin/jexui.h"
#include "store/db_connection.h"
#include "store/statements.h"

namespace {
std::atomic<int> busyJobs{0};
}

bool databaseBusy() { return busyJobs.load() > 0; }

Compaction::~Compaction() { finish(); }

bool Compaction::start(store::DbConnection& db, HWND notify) {
    if (running()) return false;
    error_.clear();
    ++busyJobs;
    worker_ = std::thread([this, &db, notify] {
        try {
            auto lock = db.lock();
            db.execute(store::sql::kCompact);
        } catch (const store::CppSQLite3Exception& e) {
            error_ = e.errorMessage();
        }
        --busyJobs;
        // Posted, not sent: the interface thread may be waiting for this
        // worker (at exit) and must not be needed to let it finish.
        PostMessageA(notify, WM_WORK_DONE, 0, 0);
    });
    return true;
}

std::string Compaction::finish() {
    if (worker_.joinable()) worker_.join();
    return error_;
}
