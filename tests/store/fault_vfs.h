// A VFS for tests that sits under the codec and counts writes to database
// files, failing or ending the process at a chosen one, or opens database
// files read-only.
#pragma once

namespace testing_vfs {

struct FaultPlan {
    int failDatabaseWriteAt = 0;     // 1-based; 0 = never
    int failCode = 0;                // what the failing write returns; 0 = SQLITE_IOERR_WRITE (SQLITE_FULL: a full disk)
    bool keepFailing = false;        // every write after it fails too (a disk that stays full until the plan is reset)
    bool exitInstead = false;        // end the process there (a killed writer)
    int failDatabaseReadAt = 0;      // 1-based; 0 = never: that read returns SQLITE_IOERR_READ
    bool readOnlyDatabases = false;  // open them read-only, like a file that may not be written
    int databaseWrites = 0;          // writes to database files seen so far
    int databaseReads = 0;           // reads of database files seen so far
    int journalWrites = 0;           // writes to rollback journals seen so far

    // Whether the armed write fault has been met.
    bool writeFaultReached() const { return failDatabaseWriteAt > 0 && databaseWrites >= failDatabaseWriteAt; }
};

// The plan of the VFS named kFaultVfs; reset it before each use.
FaultPlan& faultPlan();

// Registers the VFS (once) and returns its name.
const char* faultVfs();

}  // namespace testing_vfs
