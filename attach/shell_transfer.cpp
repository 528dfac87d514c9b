#include "attach/shell_transfer.h"

#include <cstdio>
#include <memory>

#include "attach/attachment_files.h"
#include "attach/temp_name.h"

namespace attach {

namespace {

void putDword(std::vector<unsigned char>& out, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out[at + std::size_t(i)] = static_cast<unsigned char>(value >> (8 * i));
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

std::vector<unsigned char> dropFilesBlock(std::string_view path) {
    constexpr std::size_t kHeader = 20;
    std::vector<unsigned char> block(kHeader + path.size() + 2, 0);
    putDword(block, 0, kHeader);  // pFiles; pt, fNC and fWide stay zero
    std::copy(path.begin(), path.end(), block.begin() + kHeader);
    return block;
}

std::string descriptorName(std::string_view title) { return plainFileName(title); }

RenderOutcome renderAttachment(PaneStore& store, int attachId, const RenderSink& sink) {
    AttachmentContent content;
    try {
        content = store.content(attachId);
    } catch (const store::CppSQLite3Exception& e) {
        return {false, e.errorMessage()};
    }
    if (!content.linked) {
        if (content.size < 0 || content.data.size() != std::size_t(content.size)) return {false, kDamagedMessage};
        return {sink(content.data.data(), content.data.size()), ""};
    }
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(content.linkedPath().c_str(), "rb"));
    if (!file) return {false, ""};
    std::vector<unsigned char> block(linkedCopyBlock(content.size));
    for (;;) {
        std::size_t got = std::fread(block.data(), 1, block.size(), file.get());
        if (got == 0) break;
        if (!sink(block.data(), got)) return {false, ""};
    }
    return {std::ferror(file.get()) == 0, ""};
}

}  // namespace attach
