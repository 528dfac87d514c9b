#include "tree/tree_store.h"

#include <vector>

#include "store/db_sql_buffer.h"
#include "store/statements.h"
#include "store/transaction.h"

namespace sql = store::sql;
using store::DbSqlBuffer;

using store::Transaction;

void TreeStore::listChildren(int parentId, const std::function<void(const NodeRow&)>& onRow) {
    DbSqlBuffer b;
    for (store::DbQuery q = db_.query(b.format(sql::kListChildren, parentId)); !q.eof(); q.nextRow()) {
        NodeRow row;
        row.id = q.getIntField(0);
        row.type = q.getIntField(1);
        row.schemeId = q.getIntField(2, -1);
        row.title = q.getStringField(3);
        row.turn = q.getIntField(4);
        row.hasChildren = q.getIntField(5) != 0;
        onRow(row);
    }
}

int TreeStore::insertNode(int parentId, int turn, int type, int schemeId, const std::string& title) {
    auto lock = db_.lock();  // the new id must be this statement's
    DbSqlBuffer b;
    db_.execute(b.format(sql::kInsertNode, parentId, turn, type, schemeId, store::doubledQuotes(title.c_str()).c_str()));
    return int(db_.lastInsertId());
}

void TreeStore::rename(int id, int schemeId, const std::string& title) {
    DbSqlBuffer b;
    db_.execute(b.format(sql::kRenameNode, schemeId, store::doubledQuotes(title.c_str()).c_str(), id));
}

void TreeStore::setScheme(int id, int schemeId) {
    DbSqlBuffer b;
    db_.execute(b.format(sql::kSetScheme, schemeId, id));
}

void TreeStore::applyTurns(const std::vector<TurnUpdate>& updates) {
    auto lock = db_.lock();
    Transaction tx(db_);
    DbSqlBuffer b;
    for (const TurnUpdate& u : updates) db_.execute(b.format(sql::kSetTurn, u.turn, u.id));
    tx.commit();
}

void TreeStore::deleteSubtree(int id) {
    auto lock = db_.lock();
    Transaction tx(db_);
    deleteLevel(id);
    tx.commit();
}

void TreeStore::deleteLevel(int id) {
    DbSqlBuffer b;
    db_.execute(b.format(sql::kDeleteNode, id));
    if (db_.scalar(b.format(sql::kHasNoChildren, id)) != 0) return;
    // The ids are read to the end before descending, so that no query stays
    // open while the deletes below run.
    std::vector<int> children;
    for (store::DbQuery q = db_.query(b.format(sql::kChildIds, id)); !q.eof(); q.nextRow())
        children.push_back(q.getIntField(0));
    for (int child : children) deleteLevel(child);
}

void TreeStore::moveNode(int id, int parentId, const MovePlan& plan) {
    auto lock = db_.lock();
    Transaction tx(db_);
    DbSqlBuffer b;
    db_.execute(b.format(sql::kMoveNode, parentId, plan.turn, id));
    for (const TurnUpdate& u : plan.shifts) db_.execute(b.format(sql::kSetTurn, u.turn, u.id));
    tx.commit();
}

TreeStore::Times TreeStore::times(int id) {
    Times t;
    DbSqlBuffer b;
    store::DbQuery q = db_.query(b.format(sql::kNodeTimes, id));
    if (!q.eof()) {
        t.created = q.getStringField(0);
        t.modified = q.getStringField(1, "");
    }
    return t;
}
