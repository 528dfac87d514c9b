// What the store benchmarks share: a 5 MB attachment of pseudo-random bytes
// (the same bytes in every run) and a fresh database file in the temporary
// folder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace bench {

constexpr int kAttachmentSize = 5 * 1024 * 1024;

inline std::vector<unsigned char> attachmentBytes() {
    std::vector<unsigned char> bytes(kAttachmentSize);
    std::uint32_t x = 12345;
    for (auto& b : bytes) b = (unsigned char)((x = x * 1103515245 + 12345) >> 16);
    return bytes;
}

// The path of `name` in the temporary folder, with no file (or journal) there.
inline std::string freshFile(const std::string& name) {
    std::filesystem::path p = std::filesystem::temp_directory_path() / name;
    std::filesystem::remove(p);
    std::filesystem::remove(p.string() + "-journal");
    return p.string();
}

}  // namespace bench
