#include "attach/pane_store.h"

#include <algorithm>
#include <cstring>

#include "store/db_binary.h"
#include "store/db_sql_buffer.h"
#include "store/statements.h"
#include "store/transaction.h"

namespace attach {

namespace sql = store::sql;
using store::DbSqlBuffer;

std::string AttachmentContent::linkedPath() const {
    auto end = std::find(data.begin(), data.end(), 0);
    return std::string(data.begin(), end);
}

std::vector<AttachmentRow> PaneStore::attachments(int itemId) {
    DbSqlBuffer b;
    std::vector<AttachmentRow> rows;
    for (store::DbQuery q = db_.query(b.format(sql::kListAttachments, itemId)); !q.eof(); q.nextRow()) {
        AttachmentRow row;
        row.id = q.getIntField(0);
        row.title = q.getStringField(1);
        row.size = q.getIntField(2);
        row.created = q.getStringField(3);
        row.linked = q.getIntField(4) == 1;
        rows.push_back(std::move(row));
    }
    return rows;
}

// The row just inserted on this connection; the caller holds the lock since
// the insert, so that the id is its own.
AttachmentRow PaneStore::inserted(const std::string& title, int size, bool linked) {
    AttachmentRow row;
    std::int64_t id = db_.lastInsertId();
    row.id = int(id);
    row.title = title;
    row.size = size;
    row.linked = linked;
    DbSqlBuffer b;
    store::DbQuery q = db_.query(b.format(sql::kAttachmentDate, static_cast<long long>(id)));
    if (!q.eof()) row.created = q.getStringField(0);
    return row;
}

AttachmentRow PaneStore::link(int itemId, const std::string& title, const std::string& path, int size) {
    // The path field: the path, then zero bytes up to its full size.
    unsigned char field[kPathField] = {};
    std::memcpy(field, path.data(), std::min(path.size(), kPathField - 1));
    store::DbBinary data;
    data.setBinary(field, int(kPathField));
    DbSqlBuffer b;
    auto lock = db_.lock();
    db_.execute(b.format(sql::kInsertAttachmentLink, itemId, store::doubledQuotes(title.c_str()).c_str(), size,
                         data.getEncoded()));
    return inserted(title, size, true);
}

std::optional<AttachmentRow> PaneStore::store(int itemId, const std::string& title,
                                              const std::vector<unsigned char>& bytes,
                                              const std::atomic<bool>& cancel) {
    store::DbBinary data;
    data.setBinary(bytes.data(), int(bytes.size()));
    DbSqlBuffer b;
    const char* insert = b.format(sql::kInsertAttachmentData, itemId, store::doubledQuotes(title.c_str()).c_str(),
                                  int(bytes.size()), data.getEncoded());
    data.clear();
    auto lock = db_.lock();
    store::Transaction tx(db_);
    db_.execute(insert);
    if (cancel.load()) return std::nullopt;  // the transaction rolls back
    tx.commit();
    return inserted(title, int(bytes.size()), false);
}

void PaneStore::rename(int attachId, const std::string& title) {
    DbSqlBuffer b;
    db_.execute(b.format(sql::kRenameAttachment, store::doubledQuotes(title.c_str()).c_str(), attachId));
}

void PaneStore::remove(int attachId) {
    DbSqlBuffer b;
    db_.execute(b.format(sql::kDeleteAttachment, attachId));
}

AttachmentContent PaneStore::content(int attachId) {
    DbSqlBuffer b;
    AttachmentContent content;
    store::DbBinary data;
    {
        auto lock = db_.lock();
        store::DbQuery kind = db_.query(b.format(sql::kAttachmentSizeAndKind, attachId));
        if (kind.eof()) throw store::CppSQLite3Exception(store::kLayerError, "The attachment no longer exists");
        content.size = kind.getIntField(0);
        content.linked = kind.getIntField(1) == 1;
        kind.finalize();
        store::DbQuery q = db_.query(b.format(sql::kAttachmentData, attachId));
        if (q.eof()) throw store::CppSQLite3Exception(store::kLayerError, "The attachment no longer exists");
        data.setEncoded(q.getStringField(0));
    }
    // Decoded outside the lock: the other threads need not wait for it.
    const unsigned char* bytes = data.getBinary();
    content.data.assign(bytes, bytes + data.getBinaryLength());
    return content;
}

bool PaneStore::isLinked(int attachId) {
    DbSqlBuffer b;
    store::DbQuery q = db_.query(b.format(sql::kAttachmentKind, attachId));
    if (q.eof()) throw store::CppSQLite3Exception(store::kLayerError, "The attachment no longer exists");
    return q.getIntField(0) == 1;
}

int PaneStore::recordedSize(int attachId) {
    try {
        DbSqlBuffer b;
        store::DbQuery q = db_.query(b.format(sql::kAttachmentSize, attachId));
        return q.eof() ? -1 : q.getIntField(0);
    } catch (const store::CppSQLite3Exception&) {
        return -1;
    }
}

std::optional<std::string> PaneStore::memo(int itemId) {
    DbSqlBuffer b;
    store::DbQuery q = db_.query(b.format(sql::kLoadMemo, itemId));
    if (q.eof()) return std::nullopt;
    return std::string(q.getStringField(0, ""));
}

int PaneStore::saveMemo(int itemId, const std::string& memo) {
    DbSqlBuffer b;
    return db_.execute(b.format(sql::kSaveMemo, store::doubledQuotes(memo.c_str()).c_str(), itemId));
}

std::vector<TitleMatch> PaneStore::searchTitles(const std::string& word) {
    std::string quoted = store::doubledQuotes(word.c_str());
    DbSqlBuffer b;
    std::vector<TitleMatch> found;
    for (store::DbQuery q = db_.query(b.format(sql::kSearchTitles, quoted.c_str(), quoted.c_str())); !q.eof();
         q.nextRow())
        found.push_back({q.getIntField(0), q.getStringField(2), q.getStringField(1)});
    return found;
}

}  // namespace attach
