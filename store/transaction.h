// One transaction on a connection: begun on construction, rolled back on
// destruction unless committed.  The caller holds the connection's lock for
// the transaction's whole life.
#pragma once

#include "store/db_connection.h"
#include "store/statements.h"

namespace store {

class Transaction {
public:
    explicit Transaction(DbConnection& db) : db_(db) { db_.execute(sql::kBegin); }
    ~Transaction() {
        if (committed_) return;
        try {
            db_.execute(sql::kRollback);
        } catch (const CppSQLite3Exception&) {
            // The engine may have rolled back already (a failed COMMIT, an
            // aborting constraint); the original error is what matters.
        }
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit() {
        db_.execute(sql::kCommit);
        committed_ = true;
    }

private:
    DbConnection& db_;
    bool committed_ = false;
};

}  // namespace store
