#include "tests/store/fault_vfs.h"

#include <sqlite3.h>

#include <cstdlib>
#include <cstring>

namespace testing_vfs {

namespace {

struct FaultFile {
    sqlite3_file base;
    int flags;
    sqlite3_file* real() { return reinterpret_cast<sqlite3_file*>(this + 1); }
};

sqlite3_vfs* baseVfs = nullptr;
sqlite3_vfs faultVfsObject;

FaultFile* self(sqlite3_file* f) { return reinterpret_cast<FaultFile*>(f); }

int fClose(sqlite3_file* f) { return self(f)->real()->pMethods->xClose(self(f)->real()); }
int fRead(sqlite3_file* f, void* b, int n, sqlite3_int64 o) {
    FaultPlan& plan = faultPlan();
    if ((self(f)->flags & SQLITE_OPEN_MAIN_DB) && ++plan.databaseReads == plan.failDatabaseReadAt)
        return SQLITE_IOERR_READ;
    return self(f)->real()->pMethods->xRead(self(f)->real(), b, n, o);
}
int fWrite(sqlite3_file* f, const void* b, int n, sqlite3_int64 o) {
    FaultPlan& plan = faultPlan();
    if (self(f)->flags & SQLITE_OPEN_MAIN_DB) {
        ++plan.databaseWrites;
        if (plan.databaseWrites == plan.failDatabaseWriteAt ||
            (plan.keepFailing && plan.writeFaultReached())) {
            if (plan.exitInstead) std::_Exit(77);
            return plan.failCode ? plan.failCode : SQLITE_IOERR_WRITE;
        }
    } else if (self(f)->flags & SQLITE_OPEN_MAIN_JOURNAL) {
        ++plan.journalWrites;
    }
    return self(f)->real()->pMethods->xWrite(self(f)->real(), b, n, o);
}
int fTruncate(sqlite3_file* f, sqlite3_int64 s) { return self(f)->real()->pMethods->xTruncate(self(f)->real(), s); }
int fSync(sqlite3_file* f, int fl) { return self(f)->real()->pMethods->xSync(self(f)->real(), fl); }
int fFileSize(sqlite3_file* f, sqlite3_int64* s) { return self(f)->real()->pMethods->xFileSize(self(f)->real(), s); }
int fLock(sqlite3_file* f, int l) { return self(f)->real()->pMethods->xLock(self(f)->real(), l); }
int fUnlock(sqlite3_file* f, int l) { return self(f)->real()->pMethods->xUnlock(self(f)->real(), l); }
int fCheck(sqlite3_file* f, int* r) { return self(f)->real()->pMethods->xCheckReservedLock(self(f)->real(), r); }
int fControl(sqlite3_file* f, int op, void* a) { return self(f)->real()->pMethods->xFileControl(self(f)->real(), op, a); }
int fSector(sqlite3_file* f) { return self(f)->real()->pMethods->xSectorSize(self(f)->real()); }
int fDevice(sqlite3_file* f) { return self(f)->real()->pMethods->xDeviceCharacteristics(self(f)->real()); }

const sqlite3_io_methods kMethods = {1, fClose, fRead, fWrite, fTruncate, fSync, fFileSize, fLock,
                                     fUnlock, fCheck, fControl, fSector, fDevice,
                                     nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};

int vOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* out) {
    FaultFile* file = self(f);
    file->base.pMethods = nullptr;
    file->flags = flags;
    std::memset(file->real(), 0, std::size_t(baseVfs->szOsFile));
    if (faultPlan().readOnlyDatabases && (flags & SQLITE_OPEN_MAIN_DB))
        flags = (flags & ~(SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE)) | SQLITE_OPEN_READONLY;
    int rc = baseVfs->xOpen(baseVfs, name, file->real(), flags, out);
    if (rc != SQLITE_OK) {
        if (file->real()->pMethods) file->real()->pMethods->xClose(file->real());
        return rc;
    }
    file->base.pMethods = &kMethods;
    return SQLITE_OK;
}
int vDelete(sqlite3_vfs*, const char* n, int s) { return baseVfs->xDelete(baseVfs, n, s); }
int vAccess(sqlite3_vfs*, const char* n, int f, int* o) { return baseVfs->xAccess(baseVfs, n, f, o); }
int vFull(sqlite3_vfs*, const char* n, int c, char* o) { return baseVfs->xFullPathname(baseVfs, n, c, o); }
int vRandom(sqlite3_vfs*, int n, char* o) { return baseVfs->xRandomness(baseVfs, n, o); }
int vSleep(sqlite3_vfs*, int us) { return baseVfs->xSleep(baseVfs, us); }
int vTime(sqlite3_vfs*, double* o) { return baseVfs->xCurrentTime(baseVfs, o); }
int vTime64(sqlite3_vfs*, sqlite3_int64* o) { return baseVfs->xCurrentTimeInt64(baseVfs, o); }
int vLastError(sqlite3_vfs*, int n, char* o) { return baseVfs->xGetLastError ? baseVfs->xGetLastError(baseVfs, n, o) : 0; }

}  // namespace

FaultPlan& faultPlan() {
    static FaultPlan plan;
    return plan;
}

const char* faultVfs() {
    if (!baseVfs) {
        baseVfs = sqlite3_vfs_find(nullptr);
        faultVfsObject = sqlite3_vfs{};
        faultVfsObject.iVersion = 2;
        faultVfsObject.szOsFile = int(sizeof(FaultFile)) + baseVfs->szOsFile;
        faultVfsObject.mxPathname = baseVfs->mxPathname;
        faultVfsObject.zName = "fault";
        faultVfsObject.xOpen = vOpen;
        faultVfsObject.xDelete = vDelete;
        faultVfsObject.xAccess = vAccess;
        faultVfsObject.xFullPathname = vFull;
        faultVfsObject.xRandomness = vRandom;
        faultVfsObject.xSleep = vSleep;
        faultVfsObject.xCurrentTime = vTime;
        faultVfsObject.xCurrentTimeInt64 = vTime64;
        faultVfsObject.xGetLastError = vLastError;
        sqlite3_vfs_register(&faultVfsObject, 0);
    }
    return faultVfsObject.zName;
}

}  // namespace testing_vfs
