// How a size in bytes is shown to the user: in the attachment list and by
// the updater's progress.
#pragma once

#include <cstdint>
#include <string>

namespace text {

// "%d B" below 1024 bytes (negative sizes too: an unknown size is -1 and
// shows as "-1 B"), "%d KB" below 1048576 (the size divided by 1024,
// truncated), else "%.2lf MB" (the size divided by 1048576.0).
std::string sizeText(std::int64_t bytes);

}  // namespace text
