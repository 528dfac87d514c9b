#include "store/db_exception.h"

namespace store {

CppSQLite3Exception::CppSQLite3Exception(int code, const std::string& detail) : code_(code) {
    message_ = std::string(codeName(code)) + "[" + std::to_string(code) + "]: " + detail;
}

const char* CppSQLite3Exception::codeName(int code) {
    static const char* const kNames[] = {
        "SQLITE_OK",       "SQLITE_ERROR",    "SQLITE_INTERNAL", "SQLITE_PERM",     "SQLITE_ABORT",
        "SQLITE_BUSY",     "SQLITE_LOCKED",   "SQLITE_NOMEM",    "SQLITE_READONLY", "SQLITE_INTERRUPT",
        "SQLITE_IOERR",    "SQLITE_CORRUPT",  "SQLITE_NOTFOUND", "SQLITE_FULL",     "SQLITE_CANTOPEN",
        "SQLITE_PROTOCOL", "SQLITE_EMPTY",    "SQLITE_SCHEMA",   "SQLITE_TOOBIG",   "SQLITE_CONSTRAINT",
        "SQLITE_MISMATCH", "SQLITE_MISUSE",   "SQLITE_NOLFS",    "SQLITE_AUTH",     "SQLITE_FORMAT",
        "SQLITE_RANGE",
    };
    if (code >= 0 && code < int(sizeof kNames / sizeof kNames[0])) return kNames[code];
    switch (code) {
    case 100: return "SQLITE_ROW";
    case 101: return "SQLITE_DONE";
    case kLayerError: return "CPPSQLITE_ERROR";
    default: return "UNKNOWN_ERROR";
    }
}

}  // namespace store
