#include "update/process_list.h"

#include <tlhelp32.h>

#include "fw/paths.h"
#include "update/handle.h"

namespace update {

namespace {

// Calls `visit` for each process until it returns true; whether one did.
template <class Visit>
bool anyProcess(Visit visit) {
    Handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return false;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot.get(), &entry); more; more = Process32Next(snapshot.get(), &entry))
        if (visit(entry)) return true;
    return false;
}

}  // namespace

bool isProgramRunning(const std::string& fileName) {
    return anyProcess([&](const PROCESSENTRY32& entry) {
        std::string exe = entry.szExeFile;
        exe = exe.substr(folderOf(exe).size());
        return lstrcmpiA(exe.c_str(), fileName.c_str()) == 0;
    });
}

DWORD parentProcessId() {
    DWORD self = GetCurrentProcessId(), parent = 0;
    anyProcess([&](const PROCESSENTRY32& entry) {
        if (entry.th32ProcessID != self) return false;
        parent = entry.th32ParentProcessID;
        return true;
    });
    return parent;
}

}  // namespace update
