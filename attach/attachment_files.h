// The slow halves of storing and extracting attachments, run by the pane's
// workers: a file read into the database, an attachment written to a file.
// Paths are the program's GBK bytes.  Each returns what the interface
// thread is to show; nothing here touches a window.
#pragma once

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "attach/pane_store.h"

namespace attach {

inline constexpr char kExtractFailedMessage[] = "未知错误，提取失败！";
inline constexpr char kDamagedMessage[] = "附件数据与记录的大小不符，提取失败！";
// "无法读取文件“path”，附件没有添加！"
std::string unreadableMessage(const std::string& path);
// "无法写入文件“path”，提取失败！"
std::string unwritableMessage(const std::string& path);

// The whole file; nothing when it cannot be opened or read to its end.
std::optional<std::vector<unsigned char>> readWholeFile(const std::string& path);

// Writes `size` bytes to the file `path`, replacing it.  The bytes go to a
// temporary file beside it first, which takes its place once complete: on
// failure (false) `path` is as it was and nothing half-written remains.
bool writeWholeFile(const std::string& path, const unsigned char* data, std::size_t size);

// Copies the file `from` to `to` in blocks, replacing `to` as
// writeWholeFile does (so `to` may even be `from`).
bool copyWholeFile(const std::string& from, const std::string& to);

// Creates the folder `path` lies in when it is missing (that one level).
void ensureFolderOf(const std::string& path);

struct StoreOutcome {
    std::optional<AttachmentRow> row;  // the stored attachment; none when cancelled or failed
    std::string message;               // what went wrong; "" when stored or cancelled
};

// The store worker's work: reads the file at `path` and stores it as an
// attachment of text `itemId` titled with its file name, unless `cancel` is
// set once the row is in (the insert is rolled back then).  An empty file
// is refused.  Database failures come back as their message.
StoreOutcome storeFile(PaneStore& store, int itemId, const std::string& path, const std::atomic<bool>& cancel);

// The extract worker's work: writes attachment `attachId` to `target`
// (a stored one from its data, a linked one copied from its file).  Returns
// "" when done, else the message; nothing is left at `target` then.  Data
// whose length differs from the recorded size (a damaged row) is refused.
std::string extractAttachment(PaneStore& store, int attachId, const std::string& target);

}  // namespace attach
