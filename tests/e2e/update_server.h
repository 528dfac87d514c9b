// The test update server (tests/update/update_server.py, Debian's Python)
// seen from the end-to-end tests: started on a free port of 127.0.0.1
// serving the update site (the build's folder with the release made by
// scripts/release and the package probe), stopped when the object goes.
// Files a test writes go into a folder of this run inside the site.
#pragma once

#include <string>
#include <vector>

namespace e2e {

class UpdateServer {
public:
    UpdateServer();
    ~UpdateServer();
    UpdateServer(const UpdateServer&) = delete;
    UpdateServer& operator=(const UpdateServer&) = delete;

    // Whether it listens; the port (0 until then).
    bool ready() const { return port_ != 0; }
    int port() const { return port_; }
    // "http://127.0.0.1:<port>" + path.
    std::string url(const std::string& path) const;

    // Writes a file of this run; the path the server serves it under
    // (after "/files/" and the like).
    std::string put(const std::string& name, const std::string& content);
    // A file of the site, as the Windows side reads it.
    std::string siteFile(const std::string& name) const { return siteFileOf(name); }
    static std::string siteFileOf(const std::string& name);
    // The request paths the server has had, in order.
    std::vector<std::string> requests() const;

private:
    std::string run_;      // this run's folder name inside the site
    std::string portFile_;
    int port_ = 0;
};

// The body of a GET of `url`, "" when it failed.
std::string httpGet(const std::string& url);

// An update information file (section "info"); `sha256` may be empty.
std::string updateInfo(const std::string& version, const std::string& size, const std::string& notes,
                       const std::string& url, const std::string& sha256 = "");

// A TCP port of 127.0.0.1 on which nothing listens.
int closedPort();

}  // namespace e2e
