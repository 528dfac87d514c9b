// The rules of adding an attachment and of renaming one in place.  The pane
// shows the messages, asks the question and runs the workers; these
// functions decide, so the limits and the link-only flag's life can be
// tested without a window.
//
// An add goes like this (sizes in bytes, -1 when the file could not be
// opened or measured):
//
//   decideAdd(size, linkOnly)
//     Refuse   show the message, add nothing
//     AskLink  ask the message with Yes/No, then answerLinkQuestion
//     Store    the store worker reads the file and checks decideStore
//     Link     the full path is taken, the file measured again: decideLink
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace attach {

constexpr std::int64_t kStoreLimit = 5 * 1048576;  // stored: up to this many bytes
constexpr std::int64_t kLinkLimit = 100 * 1048576;  // linked: files up to this size
constexpr std::int64_t kBusyDialogAbove = 512 * 1024;  // stores above this show the busy dialog

inline constexpr char kTooLargeMessage[] = "附件大小不能超过100MB！";
inline constexpr char kLinkQuestion[] = "附件大小超过5M大小限制，只存入文件路径吗？";
inline constexpr char kLinkTooLargeMessage[] = "链接附件超过100MB，添加任务将会自动取消！";
inline constexpr char kEmptyFileMessage[] = "不能添加0字节文件！";

enum class AddAction {
    Refuse,   // show `message` (OK button); nothing is added
    AskLink,  // ask `message` (Yes/No) and pass the answer to answerLinkQuestion
    Store,    // copy the file's bytes into the database
    Link,     // keep only the file's full path
    Nothing,  // nothing is added and nothing shown
};

struct AddDecision {
    AddAction action;
    const char* message = nullptr;  // for Refuse and AskLink
};

// The process-wide link-only flag (owned by the caller, off at start) takes
// the state of the add dialog's check box "不存入数据库，只是存入文件路径"
// each time that dialog is confirmed.  A dropped file leaves it as it is.
inline void confirmAddDialog(bool pathOnlyChecked, bool& linkOnly) { linkOnly = pathOnlyChecked; }

// The first decision on a file of `size` bytes.  Above kLinkLimit it is
// refused (-1 passes); with the flag on it is linked; otherwise it is stored
// when it has at most kStoreLimit bytes (-1, an unknown size, counts as
// larger), and the 5 MB question is asked when it has more.  An empty file
// cannot be stored.
AddDecision decideAdd(std::int64_t size, bool linkOnly);

// The answer to the 5 MB question.  Yes links the file and switches the flag
// on, where it stays: later files, dropped ones too, are linked until the add
// dialog is next confirmed with its box unchecked.  No adds nothing.
AddDecision answerLinkQuestion(bool yes, bool& linkOnly);

// Linking measures the file again (it may have grown since): above
// kLinkLimit the add is cancelled with its own message.
AddDecision decideLink(std::int64_t size);

// The store worker's check of the `length` bytes it read from the file.
AddDecision decideStore(std::int64_t length);

// How many bytes of `title`, from its start, are preselected when the title
// is renamed in place: everything before its last "." (a "." is never part
// of a double-byte character), the whole title when it has none.
// "report.final.doc" preselects "report.final".
std::size_t renamePreselection(std::string_view title);

}  // namespace attach
