// The lower pane's statements on the database: the attachments of a text,
// its memo, and the search of texts by title.  Every call may throw
// CppSQLite3Exception; a call of several statements holds the connection's
// lock throughout, so that the interface thread and the workers never
// interleave on it.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "store/db_connection.h"

namespace attach {

// One row of the attachments list.
struct AttachmentRow {
    int id = 0;           // AttachId
    std::string title;
    int size = 0;         // bytes; -1 for a file that could not be measured
    std::string created;  // CreateTime as stored
    bool linked = false;  // only the path is kept
};

// What an attachment holds: its recorded size, its kind and its decoded
// data (the file's bytes, or for a link the path field).
struct AttachmentContent {
    int size = 0;
    bool linked = false;
    std::vector<unsigned char> data;
    // A link's path: the field's text up to its first zero byte.
    std::string linkedPath() const;
};

// One text found by its title.
struct TitleMatch {
    int nodeId = 0;
    std::string folder;  // the folder's title, "根目录" at the top level
    std::string title;
};

// The size of the path field of a link, terminator included (MAX_PATH).
constexpr std::size_t kPathField = 260;

class PaneStore {
public:
    explicit PaneStore(store::DbConnection& db) : db_(db) {}

    // The attachments of text `itemId`, in the order they were added.
    std::vector<AttachmentRow> attachments(int itemId);

    // Adds a link to `path` (a full path of fewer than kPathField bytes)
    // titled `title`, of `size` bytes, to text `itemId`.
    AttachmentRow link(int itemId, const std::string& title, const std::string& path, int size);

    // Stores `bytes` titled `title` with text `itemId` in one transaction,
    // rolled back instead of committed when `cancel` is set by the time the
    // row has been inserted.  Nothing (no row) when rolled back.
    std::optional<AttachmentRow> store(int itemId, const std::string& title, const std::vector<unsigned char>& bytes,
                                       const std::atomic<bool>& cancel);

    void rename(int attachId, const std::string& title);
    void remove(int attachId);
    // Throws when there is no such attachment or its data does not decode.
    AttachmentContent content(int attachId);
    // Whether the attachment keeps only a path; throws when it is gone.
    bool isLinked(int attachId);
    // The size the attachment was recorded with; -1 when it cannot be read.
    int recordedSize(int attachId);

    // The memo of text `itemId` ("" for NULL); nothing when the text has no
    // content row.
    std::optional<std::string> memo(int itemId);
    // Writes the memo; returns the rows changed (0: the text is gone).
    int saveMemo(int itemId, const std::string& memo);

    // The texts (never folders) whose titles contain `word`, with "%" and
    // "_" in it keeping their LIKE meaning, A-Z matching either case.
    std::vector<TitleMatch> searchTitles(const std::string& word);

private:
    AttachmentRow inserted(const std::string& title, int size, bool linked);
    store::DbConnection& db_;
};

}  // namespace attach
