#include "jexlib/files.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace jexlib {

namespace {

#ifdef _WIN32
int openExclusive(const fs::path& path) {
    return _wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
}
long writeSome(int fd, const char* data, std::size_t n) {
    return _write(fd, data, unsigned(n > 0x40000000 ? 0x40000000 : n));
}
int closeFile(int fd) { return _close(fd); }
#else
int openExclusive(const fs::path& path) { return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666); }
long writeSome(int fd, const char* data, std::size_t n) { return long(::write(fd, data, n)); }
int closeFile(int fd) { return ::close(fd); }
#endif

}  // namespace

fs::path pathFromUtf8(std::string_view utf8) { return fs::u8path(utf8.begin(), utf8.end()); }

fs::path withoutLongPrefix(const fs::path& path) {
#ifdef _WIN32
    const std::wstring text = path.wstring();
    if (text.rfind(L"\\\\?\\UNC\\", 0) == 0) return fs::path(L"\\\\" + text.substr(8));
    if (text.rfind(L"\\\\?\\", 0) == 0) return fs::path(text.substr(4));
#endif
    return path;
}

std::string utf8Path(const fs::path& path) { return withoutLongPrefix(path).u8string(); }

fs::path fullPath(const fs::path& path) {
    std::error_code ec;
    fs::path full = fs::absolute(path, ec);
    if (ec) full = path;
    full = full.lexically_normal();
#ifdef _WIN32
    std::wstring text = full.make_preferred().wstring();
    if (text.rfind(L"\\\\", 0) == 0) {
        if (text.rfind(L"\\\\?\\", 0) != 0) text = L"\\\\?\\UNC\\" + text.substr(2);
    } else {
        text = L"\\\\?\\" + text;
    }
    full = fs::path(text);
#endif
    return full;
}

std::string systemError() { return std::strerror(errno); }

Created createFile(const fs::path& path, std::string_view bytes, std::string& error) {
    int fd = openExclusive(path);
    if (fd < 0) {
        if (errno == EEXIST) return Created::Exists;
        error = systemError();
        return Created::Failed;
    }
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        long n = writeSome(fd, data, left);
        if (n <= 0) {
            if (n < 0 && errno == EINTR) continue;
            error = n < 0 ? systemError() : "nothing could be written";
            closeFile(fd);
            std::error_code ec;
            fs::remove(path, ec);
            return Created::Failed;
        }
        data += n;
        left -= std::size_t(n);
    }
    if (closeFile(fd) != 0) {
        error = systemError();
        std::error_code ec;
        fs::remove(path, ec);
        return Created::Failed;
    }
    return Created::Yes;
}

bool readFile(const fs::path& path, std::string& bytes, std::string& error) {
    bytes.clear();
#ifdef _WIN32
    std::FILE* f = _wfopen(path.c_str(), L"rb");
#else
    std::FILE* f = std::fopen(path.c_str(), "rb");
#endif
    if (!f) {
        error = systemError();
        return false;
    }
    std::error_code ec;
    auto size = fs::file_size(path, ec);
    if (!ec) bytes.reserve(std::size_t(size));
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
    bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) {
        error = "a read failed";
        return false;
    }
    return true;
}

}  // namespace jexlib
