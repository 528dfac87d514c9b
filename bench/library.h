// Big snippet libraries for measurements: nested folders of texts with code
// and memos, a few attachments, and one folder holding many texts, written
// with the program's own statements into a real snippet database.
#pragma once

#include <vector>

#include "store/db_connection.h"

namespace bench {

struct LibraryShape {
    int nodes = 100000;    // rows of tree_tbl, the default folder included
    int bigFolder = 1000;  // texts in the one big folder
};

struct Library {
    int bigFolderId = 0;
    int nodes = 0;
    int texts = 0;
    int attachments = 0;
    std::vector<int> textIds;  // every text, in the order written
};

// Fills a new snippet database (holding only its default folder) in one
// transaction; on failure nothing is written and the exception passed on.
// Throws std::invalid_argument when the shape leaves no room for the big
// folder.
Library fillLibrary(store::DbConnection& db, const LibraryShape& shape);

// Adds a folder under `parentId` holding subfolders of texts, `nodes` nodes
// in all (at least 2), in one transaction; returns the folder's id.
int addSubtree(store::DbConnection& db, int parentId, int nodes);

// Drops the indexes of store::sql::kCreateIndexes and compacts the file: the
// database as versions without them left it.
void dropIndexes(store::DbConnection& db);

}  // namespace bench
