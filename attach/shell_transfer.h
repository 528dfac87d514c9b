// The portable half of exchanging attachments with the shell by dragging:
// the block a linked file is offered in, the names stored attachments are
// offered under, and producing an attachment's bytes when a receiver asks
// for them.  The OLE objects that carry all this are in attachment_drag.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "attach/pane_store.h"

namespace attach {

// A linked file is copied to the receiver in blocks of 512 KB when it has at
// most 2 MB, of 1 MB when it is larger.
constexpr std::size_t kSmallCopyBlock = 524288;
constexpr std::size_t kLargeCopyBlock = 1048576;
constexpr std::int64_t kSmallCopyUpTo = 2097152;
inline std::size_t linkedCopyBlock(std::int64_t size) {
    return size <= kSmallCopyUpTo ? kSmallCopyBlock : kLargeCopyBlock;
}

// The drop-files block that offers one file: a 20-byte DROPFILES header
// (files at offset 20, drop point (0, 0), not in the non-client area, ANSI
// names), the path and two terminating zero bytes.
std::vector<unsigned char> dropFilesBlock(std::string_view path);

// The name a stored attachment is offered under to the receiver, which
// creates the file by it in the folder the user dropped on.  The title is
// user text: it becomes one plain file name of at most 255 bytes (the
// descriptor's field holds 260), so that a title with separators, ".." or
// a device name can neither reach another folder nor be refused, and a long
// title is cut at a character boundary with its extension kept.
std::string descriptorName(std::string_view title);

// Where the bytes of an attachment go as they are produced; false stops
// the rendering (the medium could not take them).
using RenderSink = std::function<bool(const unsigned char* data, std::size_t size)>;

struct RenderOutcome {
    bool ok = false;
    std::string message;  // to be shown before the failure is reported; may be empty
};

// Produces the bytes of attachment `attachId` into `sink`: a stored one from
// its data, exactly its recorded size (data of another length is a damaged
// row and is refused), a linked one from its file in linkedCopyBlock
// blocks.  A failure (a database error, a file that cannot be opened or
// read, a sink that refuses) is reported, never a short result as if it
// were whole.
RenderOutcome renderAttachment(PaneStore& store, int attachId, const RenderSink& sink);

}  // namespace attach
