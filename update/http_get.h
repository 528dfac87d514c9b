// One HTTP GET with WinInet: the system's internet settings (direct or
// proxy), always from the server (no cache read or write), binary.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <cstdint>
#include <string>

namespace update {

class HttpGet {
public:
    struct Timeouts {
        DWORD connectMs = 0;         // 0: the system's
        DWORD connectBackoffMs = 0;  // 0: the system's
        // Each wait for the server's answer or for more data; 0: the
        // system's.  Set on the request, where WinInet honours it even
        // against a server that accepts and never answers.
        DWORD receiveMs = 0;
    };

    HttpGet() = default;
    ~HttpGet() { close(); }
    HttpGet(const HttpGet&) = delete;
    HttpGet& operator=(const HttpGet&) = delete;

    // Connects and sends the request; false (see error()) when no answer
    // came.  Any HTTP status is an answer.
    bool open(const std::string& url, const Timeouts& timeouts);
    int status() const { return status_; }
    // The Content-Length, or -1 when the answer gave none.
    std::int64_t contentLength() const { return contentLength_; }
    // Up to `size` bytes of the body into `buffer`: the count read, 0 at
    // the end, -1 on an error.
    long read(void* buffer, DWORD size);
    void close();

    DWORD error() const { return error_; }
    // The system's description of the last error.
    std::string errorText() const;

private:
    bool fail();

    HINTERNET session_ = nullptr;
    HINTERNET connection_ = nullptr;
    HINTERNET request_ = nullptr;
    int status_ = 0;
    std::int64_t contentLength_ = -1;
    DWORD error_ = 0;
};

}  // namespace update
