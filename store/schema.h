// Creating and opening the snippet database.
#pragma once

namespace store {

class DbConnection;

// The fixed pass phrase every snippet database is encrypted with.
extern const char kPassPhrase[];

// Turns encryption on for a new, empty database and creates its tables,
// triggers, view, indexes and first rows in one transaction.  On failure the
// transaction is rolled back and the exception passed on.
void createSchema(DbConnection& db);

// Opens the database `fileName` with the pass phrase when `exists` and adds
// the indexes of sql::kCreateIndexes that it lacks (a file that cannot take
// them now, being read-only or locked, opens without them), else creates it
// with its schema.  Either way the connection's LIKE is the GBK-aware one of
// store/gbk_like.h and its page cache is sql::kCacheSize.  When creation fails the connection is closed and the new
// file removed, so that the next start offers a fresh one; the exception is
// passed on.
void openSnippetDatabase(DbConnection& db, const char* fileName, bool exists);

// Opens the existing database `fileName` with the pass phrase for reading
// only, with the GBK-aware LIKE: nothing is written to the file, not even the
// indexes.  A missing file is an error.
void openSnippetDatabaseReadOnly(DbConnection& db, const char* fileName);

}  // namespace store
