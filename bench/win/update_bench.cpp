// Measurements of the update under Wine (scripts/bench-update), printed as
// figures, not checked:
//   jexupdatebench download URL FILE RUNS   the updater's package download
//                                           (its worker: WinInet, 4096-byte
//                                           reads, the file, SHA-256)
//   jexupdatebench check FOLDER URL RUNS    the check: the updater in FOLDER
//                                           started until its result is read
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "update/check_rules.h"
#include "update/download_worker.h"
#include "update/update_check.h"

namespace {

double now() {
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return double(count.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

void report(const char* what, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    std::printf("%s: median %.1f ms, best %.1f ms, worst %.1f ms over %zu runs\n", what, ms[ms.size() / 2], ms.front(),
                ms.back(), ms.size());
}

int download(const std::string& url, const std::string& file, int runs) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        update::DownloadWorker worker(nullptr, url, file, "");
        double start = now();
        if (!worker.start()) return 1;
        WaitForSingleObject(worker.thread(), INFINITE);
        times.push_back(now() - start);
        if (!worker.complete()) {
            std::printf("download failed: %s\n", worker.problem().c_str());
            return 1;
        }
    }
    report("updater download", times);
    return 0;
}

int check(const std::string& folder, const std::string& url, int runs) {
    std::string updater = folder + "jexUpdate.exe";
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        update::UpdaterConversation talk;
        double start = now();
        if (talk.start(updater, update::updaterCommandLine(updater, "jexmarlo.exe", "1.0.0.0", url)) !=
            update::UpdaterConversation::Started::ok)
            return 1;
        int code = talk.waitForResult();
        times.push_back(now() - start);
        if (code != 1) {
            std::printf("check answered %d, not 1 (the same version)\n", code);
            return 1;
        }
    }
    report("check (updater started to result read)", times);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string what = argc > 1 ? argv[1] : "";
    int runs = argc > 4 ? std::max(1, std::atoi(argv[4])) : 5;
    if (what == "download" && argc > 3) return download(argv[2], argv[3], runs);
    if (what == "check" && argc > 3) return check(argv[2], argv[3], runs);
    std::fprintf(stderr, "usage: jexupdatebench download URL FILE [RUNS] | check FOLDER URL [RUNS]\n");
    return 2;
}
