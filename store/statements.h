// Every statement the program sends to the snippet database, as templates
// for DbSqlBuffer::format.  Integers go in with %d; a text between single
// quotes goes in with %s after doubledQuotes(); encoded binary data with %Q.
#pragma once

#include <string>

namespace store {
namespace sql {

// --- schema of a new database, issued one by one inside a transaction --------

inline const char* const kCreateSchema[] = {
    "CREATE TABLE softInfo_tbl(name VARCHAR(50),version VARCHAR(20));",
    "CREATE TABLE tree_tbl(ItemId INTEGER NOT NULL PRIMARY KEY AUTOINCREMENT,pId INTEGER,turn INTEGER,"
    "type INTEGER,SynId SMALLINT,title VARCHAR(50),CreateTime DATETIME,ModifyTime DATETIME);",
    "CREATE TABLE content_tbl(ItemId INTEGER,content TEXT,memo TEXT,"
    "CONSTRAINT fk FOREIGN KEY(ItemId) REFERENCES tree_tbl(ItemId));",
    "CREATE TABLE attach_tbl(AttachId INTEGER NOT NULL PRIMARY KEY AUTOINCREMENT,ItemId INTEGER,"
    "title VARCHAR(50),filesize INTEGER,CreateTime DATETIME,bStorePath SMALLINT,filedata BOLB,"
    "CONSTRAINT fk FOREIGN KEY(ItemId) REFERENCES tree_tbl(ItemId));",
    "CREATE TRIGGER tree_ins_trig AFTER INSERT ON tree_tbl WHEN NEW.type = 1 "
    "BEGIN INSERT INTO content_tbl VALUES(NEW.ItemId, NULL, NULL); END;",
    "CREATE TRIGGER tree_del_trig AFTER DELETE ON tree_tbl BEGIN DELETE FROM content_tbl WHERE "
    "content_tbl.ItemId = OLD.ItemId; DELETE FROM attach_tbl WHERE attach_tbl.ItemId = OLD.ItemId; END;",
    "CREATE TRIGGER content_upd_trig AFTER UPDATE OF content ON content_tbl BEGIN UPDATE tree_tbl SET "
    "ModifyTime = datetime('now', 'localtime') WHERE tree_tbl.ItemId = NEW.ItemId; END;",
    "CREATE VIEW nodesel_view AS SELECT t1.ItemId ItemId, t1.type type, t1.SynId SynId, t1.title title, "
    "t1.turn turn, t1.pId pId, (SELECT EXISTS( SELECT * FROM tree_tbl t2 WHERE t2.pId = t1.ItemId)) "
    "HasChildren FROM tree_tbl t1;",
    "INSERT INTO softInfo_tbl VALUES('jexMarlo', '1.0.0');INSERT INTO tree_tbl VALUES(NULL, 0, 1, 0, -1, "
    "'默认', datetime('now', 'localtime'), NULL);",
};

// Indexes for the per-node lookups: the children of a folder (the listing and
// its HasChildren column, the subtree delete) and the content and attachments
// of a node.  Created with a new database's schema and added to older files
// when they are opened; nothing that reads the file depends on them.
inline const char* const kCreateIndexes[] = {
    "CREATE INDEX IF NOT EXISTS tree_pId_idx ON tree_tbl(pId);",
    "CREATE INDEX IF NOT EXISTS content_ItemId_idx ON content_tbl(ItemId);",
    "CREATE INDEX IF NOT EXISTS attach_ItemId_idx ON attach_tbl(ItemId);",
};

// The page cache of a snippet connection, in KiB: large enough that the
// tree of a 100 000-node library stays decrypted in memory between
// searches, which read every title.
inline const char kCacheSize[] = "PRAGMA cache_size = -16384;";

inline const char kBegin[] = "BEGIN TRANSACTION;";
inline const char kCommit[] = "COMMIT TRANSACTION;";
inline const char kRollback[] = "ROLLBACK TRANSACTION;";

// --- tree_tbl / nodesel_view: the snippet tree --------------------------------

// pId
inline const char kListChildren[] =
    "SELECT ItemId, type, SynId, title, turn, HasChildren FROM nodesel_view WHERE pId = %d ORDER BY turn;";
// pId, turn, type, SynId, title.  Inserts name their columns, so that a
// library of a later version with columns of its own takes new rows too.
inline const char kInsertNode[] =
    "INSERT INTO tree_tbl(ItemId, pId, turn, type, SynId, title, CreateTime, ModifyTime) "
    "VALUES(NULL, %d, %d, %d, %d, '%s',datetime('now', 'localtime'), NULL);";
// SynId, title, ItemId
inline const char kRenameNode[] = "UPDATE tree_tbl SET SynId = %d, title = '%s' WHERE ItemId = %d;";
// SynId, ItemId
inline const char kSetScheme[] = "UPDATE tree_tbl SET SynId = %d WHERE ItemId = %d;";
// turn, ItemId
inline const char kSetTurn[] = "UPDATE tree_tbl SET turn = %d WHERE ItemId = %d;";
// pId, turn, ItemId
inline const char kMoveNode[] = "UPDATE tree_tbl SET pId = %d, turn = %d WHERE ItemId = %d;";
// ItemId
inline const char kDeleteNode[] = "DELETE FROM tree_tbl WHERE ItemId = %d;";
// pId; scalar, 1 when the node has no children
inline const char kHasNoChildren[] = "SELECT NOT EXISTS(SELECT ItemId FROM tree_tbl WHERE pId = %d);";
// pId
inline const char kChildIds[] = "SELECT ItemId FROM tree_tbl WHERE pId = %d;";
// ItemId
inline const char kNodeTimes[] = "SELECT CreateTime, ModifyTime FROM tree_tbl WHERE ItemId = %d;";

// --- content_tbl: code and memo ------------------------------------------------

// ItemId
inline const char kLoadContent[] = "SELECT content FROM content_tbl WHERE ItemId = %d;";
// content, memo, ItemId
inline const char kSaveContent[] = "UPDATE content_tbl SET content = '%s', memo = '%s' WHERE ItemId = %d;";
// content, ItemId: a text whose memo is not the one shown (still fires the
// trigger that stamps ModifyTime)
inline const char kSaveContentOnly[] = "UPDATE content_tbl SET content = '%s' WHERE ItemId = %d;";
// ItemId
inline const char kLoadMemo[] = "SELECT memo FROM content_tbl WHERE ItemId = %d;";
// memo, ItemId
inline const char kSaveMemo[] = "UPDATE content_tbl SET memo = '%s' WHERE ItemId = %d;";

// --- attach_tbl: attachments ---------------------------------------------------

// ItemId
inline const char kListAttachments[] =
    "SELECT AttachId, title, filesize, CreateTime, bStorePath FROM attach_tbl WHERE ItemId = %d ORDER BY AttachId;";
// ItemId, title, filesize, encoded bytes
inline const char kInsertAttachmentData[] =
    "INSERT INTO attach_tbl(AttachId, ItemId, title, filesize, CreateTime, bStorePath, filedata) "
    "VALUES(NULL, %d, '%s', %d, datetime('now', 'localtime'), 0, %Q);";
// ItemId, title, filesize, encoded 260-byte path buffer
inline const char kInsertAttachmentLink[] =
    "INSERT INTO attach_tbl(AttachId, ItemId, title, filesize, CreateTime, bStorePath, filedata) "
    "VALUES(NULL, %d, '%s', %d, datetime('now', 'localtime'), 1, %Q);";
// AttachId as a 64-bit integer (the last inserted row id)
inline const char kAttachmentDate[] = "SELECT CreateTime FROM attach_tbl WHERE AttachId = %lld;";
// AttachId
inline const char kAttachmentData[] = "SELECT filedata FROM attach_tbl WHERE AttachId = %d;";
inline const char kAttachmentSizeAndKind[] = "SELECT filesize, bStorePath FROM attach_tbl WHERE AttachId = %d;";
inline const char kAttachmentKind[] = "SELECT bStorePath FROM attach_tbl WHERE AttachId = %d;";
inline const char kAttachmentSize[] = "SELECT filesize FROM attach_tbl WHERE AttachId = %d;";
// title, AttachId
inline const char kRenameAttachment[] = "UPDATE attach_tbl SET title = '%s' WHERE AttachId = %d;";
// AttachId
inline const char kDeleteAttachment[] = "DELETE FROM attach_tbl WHERE AttachId = %d;";

// --- search by title -------------------------------------------------------------

// the search text twice
inline const char kSearchTitles[] =
    "SELECT child.ItemId NodeId, child.title TextTitle, parent.title FolderTitle FROM tree_tbl child, \t  "
    "tree_tbl parent WHERE child.title LIKE '%%%s%%' AND child.pId = parent.ItemId AND child.type = 1 "
    "UNION SELECT ItemId NodeId, title TextTitle, '根目录' FolderTitle FROM tree_tbl WHERE title LIKE "
    "'%%%s%%' AND type = 1 AND pId = 0;";

// --- the whole database ------------------------------------------------------------

// Compaction: VACUUM of the main database (a schema or table name after
// VACUUM is taken as a schema by the engine and fails).
inline const char kCompact[] = "VACUUM;";

}  // namespace sql

// `text` with every single quote doubled, for a '%s' in a template.
std::string doubledQuotes(const char* text);

}  // namespace store
