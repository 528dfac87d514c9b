#include "text/size_text.h"

#include <cstdio>

namespace text {

std::string sizeText(std::int64_t bytes) {
    if (bytes < 1024) return std::to_string(bytes) + " B";
    if (bytes < 1048576) return std::to_string(bytes / 1024) + " KB";
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.2f MB", double(bytes) / 1048576.0);
    return buffer;
}

}  // namespace text
