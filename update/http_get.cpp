#include "update/http_get.h"

#include <cstdio>
#include <cstdlib>

namespace update {

namespace {

void setOption(HINTERNET handle, DWORD option, DWORD value) {
    if (value) InternetSetOptionA(handle, option, &value, sizeof value);
}

}  // namespace

bool HttpGet::fail() {
    error_ = GetLastError();
    close();
    return false;
}

bool HttpGet::open(const std::string& url, const Timeouts& timeouts) {
    close();
    char host[256] = {}, path[2048] = {}, extra[2048] = {};
    URL_COMPONENTSA parts = {};
    parts.dwStructSize = sizeof parts;
    parts.lpszHostName = host;
    parts.dwHostNameLength = sizeof host;
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = sizeof path;
    parts.lpszExtraInfo = extra;
    parts.dwExtraInfoLength = sizeof extra;
    if (!InternetCrackUrlA(url.c_str(), 0, 0, &parts)) return fail();
    if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) {
        SetLastError(ERROR_INTERNET_UNRECOGNIZED_SCHEME);
        return fail();
    }
    std::string object = std::string(*path ? path : "/") + extra;

    session_ = InternetOpenA("jexUpdate", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (!session_) return fail();
    setOption(session_, INTERNET_OPTION_CONNECT_TIMEOUT, timeouts.connectMs);
    setOption(session_, INTERNET_OPTION_CONNECT_BACKOFF, timeouts.connectBackoffMs);
    connection_ = InternetConnectA(session_, host, parts.nPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    if (!connection_) return fail();
    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE |
                  INTERNET_FLAG_NO_UI | INTERNET_FLAG_TRANSFER_BINARY;
    if (parts.nScheme == INTERNET_SCHEME_HTTPS) flags |= INTERNET_FLAG_SECURE;
    request_ = HttpOpenRequestA(connection_, "GET", object.c_str(), nullptr, nullptr, nullptr, flags, 0);
    if (!request_) return fail();
    setOption(request_, INTERNET_OPTION_CONNECT_TIMEOUT, timeouts.connectMs);
    setOption(request_, INTERNET_OPTION_RECEIVE_TIMEOUT, timeouts.receiveMs);
    setOption(request_, INTERNET_OPTION_SEND_TIMEOUT, timeouts.receiveMs);
    if (!HttpSendRequestA(request_, nullptr, 0, nullptr, 0)) return fail();

    DWORD status = 0, size = sizeof status;
    if (!HttpQueryInfoA(request_, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr))
        return fail();
    status_ = int(status);
    char length[32] = {};
    size = sizeof length - 1;
    if (HttpQueryInfoA(request_, HTTP_QUERY_CONTENT_LENGTH, length, &size, nullptr)) {
        char* end = nullptr;
        long long value = std::strtoll(length, &end, 10);
        if (end != length && value >= 0) contentLength_ = value;
    }
    return true;
}

long HttpGet::read(void* buffer, DWORD size) {
    DWORD got = 0;
    if (!request_ || !InternetReadFile(request_, buffer, size, &got)) {
        error_ = request_ ? GetLastError() : ERROR_INVALID_HANDLE;
        return -1;
    }
    return long(got);
}

void HttpGet::close() {
    for (HINTERNET* handle : {&request_, &connection_, &session_}) {
        if (*handle) InternetCloseHandle(*handle);
        *handle = nullptr;
    }
    status_ = 0;
    contentLength_ = -1;
}

std::string HttpGet::errorText() const {
    char text[512] = {};
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  GetModuleHandleA("wininet.dll"), error_, 0, text, sizeof text, nullptr);
    if (!length)
        length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error_, 0, text,
                                sizeof text, nullptr);
    while (length && (text[length - 1] == '\r' || text[length - 1] == '\n' || text[length - 1] == ' '))
        text[--length] = '\0';
    if (length) return text;
    std::snprintf(text, sizeof text, "下载失败：网络错误 %lu！", error_);
    return text;
}

}  // namespace update
