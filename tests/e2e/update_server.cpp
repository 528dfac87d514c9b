#include "tests/e2e/update_server.h"

#include <winsock2.h>
#include <wininet.h>

#include <cstdlib>

#include "tests/e2e/driver.h"

namespace e2e {

namespace {

std::string env(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

// The site as Wine sees it, with a trailing backslash.
std::string siteFolder() {
    std::string site = hostPath(env("JEX_UPDATE_SITE", "update-site"));
    if (!site.empty() && site.back() != '\\') site += '\\';
    return site;
}

}  // namespace

UpdateServer::UpdateServer() {
    // The site and the server script are unix paths (given by the build);
    // the server is started as a unix program, which Wine runs directly.
    std::string siteUnix = env("JEX_UPDATE_SITE", "update-site");
    std::string script = env("JEX_UPDATE_SERVER", "update_server.py");
    const std::string site = siteFolder();
    run_ = "run-" + std::to_string(GetCurrentProcessId());
    removeFolderTree(site + run_);
    CreateDirectoryA((site + run_).c_str(), nullptr);
    portFile_ = site + run_ + "\\port";
    std::string python = env("JEX_PYTHON", "/usr/bin/python3");
    std::string commandLine = hostPath(python) + " " + script + " " + siteUnix + " --port-file " + siteUnix + "/" +
                              run_ + "/port --lifetime 1800";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(hostPath(python).c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
        return;
    if (info.hProcess) CloseHandle(info.hProcess);
    if (info.hThread) CloseHandle(info.hThread);
    auto seen = poll([&] { return readFile(portFile_); }, [](const std::vector<unsigned char>& v) { return !v.empty(); });
    if (seen.met) port_ = std::atoi(std::string(seen.value.begin(), seen.value.end()).c_str());
}

UpdateServer::~UpdateServer() {
    if (port_) httpGet(url("/quit"));
    // Without its port file the server stops by itself as well.
    removeFolderTree(siteFolder() + run_);
}

std::string UpdateServer::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::string UpdateServer::put(const std::string& name, const std::string& content) {
    writeFile(siteFolder() + run_ + "\\" + name, content);
    return run_ + "/" + name;
}

std::string UpdateServer::siteFileOf(const std::string& name) { return siteFolder() + name; }

std::vector<std::string> UpdateServer::requests() const {
    std::vector<std::string> lines;
    std::string log = httpGet(url("/log"));
    for (std::size_t at = 0; at < log.size();) {
        std::size_t end = log.find('\n', at);
        if (end == std::string::npos) end = log.size();
        lines.push_back(log.substr(at, end - at));
        at = end + 1;
    }
    return lines;
}

std::string httpGet(const std::string& url) {
    std::string body;
    HINTERNET session = InternetOpenA("jexdriver", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    if (!session) return body;
    DWORD timeout = 10000;
    InternetSetOptionA(session, INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof timeout);
    HINTERNET request = InternetOpenUrlA(session, url.c_str(), nullptr, 0,
                                         INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0);
    if (request) {
        char block[4096];
        DWORD got = 0;
        while (InternetReadFile(request, block, sizeof block, &got) && got) body.append(block, got);
        InternetCloseHandle(request);
    }
    InternetCloseHandle(session);
    return body;
}

std::string updateInfo(const std::string& version, const std::string& size, const std::string& notes,
                       const std::string& url, const std::string& sha256) {
    std::string text = "[info]\r\nversion=" + version + "\r\nsize=" + size + "\r\nupdate=" + notes + "\r\nurl=" + url +
                       "\r\n";
    if (!sha256.empty()) text += "sha256=" + sha256 + "\r\n";
    return text;
}

int closedPort() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    int port = 0;
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    closesocket(s);
    WSACleanup();
    return port;
}

}  // namespace e2e
