#include "attach/attachment_files.h"

#include <cstdio>
#include <memory>

#ifdef _WIN32
#include <direct.h>
#include <io.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "attach/attachment_rules.h"
#include "attach/temp_name.h"

namespace attach {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

constexpr std::size_t kCopyBlock = 1048576;

// Removes the file `path`; a folder there is left alone (std::remove would
// take an empty one away on POSIX systems).
void removeFile(const std::string& path) {
#ifdef _WIN32
    _unlink(path.c_str());
#else
    unlink(path.c_str());
#endif
}

// A file written under a temporary name beside its target and put in the
// target's place only once all of it is written: a failure leaves the
// target as it was and nothing else behind, and a source read while its
// own path is the target is never cut short.
class ReplacingFile {
public:
    explicit ReplacingFile(const std::string& target) : target_(target) {
        static std::atomic<unsigned> serial{0};
        std::string name = fileNameOf(target);
        std::string folder = target.substr(0, target.size() - name.size());
        for (int tries = 0; tries < 100 && !file_; ++tries) {
            temp_ = folder + "~jex" + std::to_string(++serial) + ".tmp";
            if (File(std::fopen(temp_.c_str(), "rb"))) continue;  // someone else's file
            file_.reset(std::fopen(temp_.c_str(), "wb"));
        }
    }
    ~ReplacingFile() {
        if (file_) {
            file_.reset();
            std::remove(temp_.c_str());
        }
    }
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    std::FILE* get() const { return file_.get(); }
    bool write(const unsigned char* data, std::size_t size) {
        return size == 0 || std::fwrite(data, 1, size, file_.get()) == size;
    }
    // Puts the written file in the target's place.
    bool commit() {
        bool ok = std::fflush(file_.get()) == 0;
        ok = std::fclose(file_.release()) == 0 && ok;
        if (ok) {
            removeFile(target_);
            ok = std::rename(temp_.c_str(), target_.c_str()) == 0;
        }
        if (!ok) std::remove(temp_.c_str());
        return ok;
    }

private:
    std::string target_;
    std::string temp_;
    File file_;
};

}  // namespace

std::string unreadableMessage(const std::string& path) { return "无法读取文件“" + path + "”，附件没有添加！"; }

std::string unwritableMessage(const std::string& path) { return "无法写入文件“" + path + "”，提取失败！"; }

std::optional<std::vector<unsigned char>> readWholeFile(const std::string& path, std::size_t limit) {
    File file(std::fopen(path.c_str(), "rb"));
    if (!file) return std::nullopt;
    std::vector<unsigned char> bytes;
    unsigned char block[65536];
    while (bytes.size() <= limit) {
        std::size_t n = std::fread(block, 1, sizeof block, file.get());
        bytes.insert(bytes.end(), block, block + n);
        if (n < sizeof block) break;
    }
    if (std::ferror(file.get())) return std::nullopt;
    return bytes;
}

bool writeWholeFile(const std::string& path, const unsigned char* data, std::size_t size) {
    ReplacingFile out(path);
    return out.get() && out.write(data, size) && out.commit();
}

bool copyWholeFile(const std::string& from, const std::string& to) {
    File in(std::fopen(from.c_str(), "rb"));
    if (!in) return false;
    ReplacingFile out(to);
    if (!out.get()) return false;
    std::vector<unsigned char> block(kCopyBlock);
    for (;;) {
        std::size_t n = std::fread(block.data(), 1, block.size(), in.get());
        if (!out.write(block.data(), n)) return false;
        if (n < block.size()) break;
    }
    if (std::ferror(in.get())) return false;
    in.reset();
    return out.commit();
}

void ensureFolderOf(const std::string& path) {
    std::string name = fileNameOf(path);
    if (name.size() == path.size()) return;
    std::string folder = path.substr(0, path.size() - name.size() - 1);
    if (folder.empty() || folder.back() == ':') return;
#ifdef _WIN32
    _mkdir(folder.c_str());
#else
    mkdir(folder.c_str(), 0777);
#endif
}

StoreOutcome storeFile(PaneStore& store, int itemId, const std::string& path, const std::atomic<bool>& cancel) {
    std::optional<std::vector<unsigned char>> bytes = readWholeFile(path, std::size_t(kStoreLimit));
    if (!bytes) return {std::nullopt, unreadableMessage(path)};
    if (bytes->size() > std::size_t(kStoreLimit)) return {std::nullopt, kGrownMessage};
    AddDecision decision = decideStore(std::int64_t(bytes->size()));
    if (decision.action != AddAction::Store) return {std::nullopt, decision.message};
    try {
        return {store.store(itemId, fileNameOf(path), *bytes, cancel), ""};
    } catch (const store::CppSQLite3Exception& e) {
        return {std::nullopt, e.errorMessage()};
    }
}

std::string extractAttachment(PaneStore& store, int attachId, const std::string& target) {
    AttachmentContent content;
    try {
        content = store.content(attachId);
    } catch (const store::CppSQLite3Exception& e) {
        return e.errorMessage();
    }
    if (content.linked) return copyWholeFile(content.linkedPath(), target) ? "" : kExtractFailedMessage;
    if (content.size < 0 || std::size_t(content.size) != content.data.size()) return kDamagedMessage;
    ensureFolderOf(target);
    return writeWholeFile(target, content.data.data(), content.data.size()) ? "" : unwritableMessage(target);
}

}  // namespace attach
