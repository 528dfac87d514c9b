// The snippet tree's statements on the database: listing, creating,
// renaming, deleting whole subtrees and moving nodes.  Every multi-statement
// change runs in one transaction holding the connection's lock; a failure
// rolls it back and passes the exception on.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "store/db_connection.h"
#include "tree/numbering.h"

struct NodeRow {
    int id = 0;
    int type = 0;        // 0 folder, 1 text
    int schemeId = -1;
    std::string title;
    int turn = 0;
    bool hasChildren = false;
};

class TreeStore {
public:
    explicit TreeStore(store::DbConnection& db) : db_(db) {}

    // Calls `onRow` for each child of `parentId` (0 = top level) in turn
    // order.  A failure throws after the rows delivered so far.
    void listChildren(int parentId, const std::function<void(const NodeRow&)>& onRow);

    // Inserts a node; returns its new id.
    int insertNode(int parentId, int turn, int type, int schemeId, const std::string& title);
    void rename(int id, int schemeId, const std::string& title);
    void setScheme(int id, int schemeId);

    // Applies turn changes (the sibling shift of a new node) in one transaction.
    void applyTurns(const std::vector<TurnUpdate>& updates);

    // Deletes a node and everything below it, depth first, in one
    // transaction.  All or nothing: a failure at any level rolls the whole
    // delete back and passes the exception on, so that no row is left
    // behind whose parent is gone.
    void deleteSubtree(int id);

    // Moves a node under `parentId` with the plan's turn and shifts, in one
    // transaction.
    void moveNode(int id, int parentId, const MovePlan& plan);

    struct Times {
        std::string created;
        std::string modified;  // "" while NULL
    };
    Times times(int id);

private:
    void deleteLevel(int id);
    store::DbConnection& db_;
};
