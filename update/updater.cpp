#include "update/updater.h"

#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>

#include <cstdint>

#include "fw/paths.h"
#include "update/handle.h"
#include "update/http_get.h"
#include "update/process_list.h"
#include "update/update_dlg.h"

namespace update {

namespace {

const char kMainAppEvent[] = "jexMainAppEvent";
const char kUpdateEvent[] = "jexUpdateEvent";

// The information download: connect time-outs as the system is asked for,
// every wait for data bounded, and the whole download too.
constexpr HttpGet::Timeouts kInfoTimeouts = {2000, 1000, 4000};
constexpr DWORD kInfoTotalMs = 8000;
constexpr std::size_t kInfoMaxBytes = 1 << 20;

// The updater has no window of its own before its dialog: its messages
// come to the front.
int say(const char* text, UINT type) {
    return MessageBoxA(nullptr, text, kUpdaterTitle, type | MB_SETFOREGROUND | MB_TOPMOST);
}

bool writeCode(HANDLE out, std::int32_t code) {
    DWORD written = 0;
    return WriteFile(out, &code, sizeof code, &written, nullptr) && written == sizeof code;
}

// The answer, once the main program has signalled; it is in the pipe by
// then.  A pipe holding less would block for ever (this process holds its
// write end too), so the count is looked at first.
bool readCode(HANDLE in, std::int32_t& code) {
    DWORD available = 0, read = 0;
    return PeekNamedPipe(in, nullptr, 0, nullptr, &available, nullptr) && available >= sizeof code &&
           ReadFile(in, &code, sizeof code, &read, nullptr) && read == sizeof code;
}

// Waits for the main program's signal; false when the main program ended
// first (it will never answer).
bool waitForAnswer(HANDLE updateEvent) {
    Handle parent;
    if (DWORD id = parentProcessId()) parent.reset(OpenProcess(SYNCHRONIZE, FALSE, id));
    HANDLE both[2] = {updateEvent, parent.get()};
    return WaitForMultipleObjects(parent ? 2 : 1, both, FALSE, INFINITE) == WAIT_OBJECT_0;
}

void saveCopy(const std::string& path, const std::string& body) {
    Handle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (file) WriteFile(file.get(), body.data(), DWORD(body.size()), &written, nullptr);
}

}  // namespace

ResultCode checkForUpdate(const UpdaterArguments& args, const std::string& copyPath, UpdateInfo& info) {
    HttpGet get;
    if (!get.open(args.infoUrl, kInfoTimeouts)) return kResultFailed;
    std::string body;
    char block[4096];
    const DWORD start = GetTickCount();
    for (;;) {
        long got = get.read(block, sizeof block);
        if (got < 0 || GetTickCount() - start > kInfoTotalMs) return kResultFailed;
        if (got == 0) break;
        body.append(block, std::size_t(got));
        if (body.size() > kInfoMaxBytes) return kResultFailed;
    }
    if (get.contentLength() >= 0 && std::int64_t(body.size()) != get.contentLength()) return kResultFailed;
    int status = get.status();
    get.close();
    // The copy on disk is for the user to look at; a folder that cannot be
    // written to does not stop the check.
    if (status == 200) saveCopy(copyPath, body);
    info = parseUpdateInfo(body);
    return checkResult(true, status, info.version, args.version);
}

int runUpdater(const std::string& arguments) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    WSADATA sockets;
    if (WSAStartup(MAKEWORD(1, 1), &sockets) != 0) {
        say("套接字加载失败！", MB_OK | MB_ICONERROR);
        return 1;
    }
    struct Cleanup {
        ~Cleanup() { WSACleanup(); }
    } cleanup;

    std::optional<UpdaterArguments> args = splitUpdaterArguments(arguments);
    if (!args) {
        say("更新程序命令参数错误！", MB_OK | MB_ICONERROR);
        return 1;
    }
    Handle mainEvent(OpenEventA(EVENT_MODIFY_STATE, FALSE, kMainAppEvent));
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);

    UpdateInfo info;
    std::string folder = programFolder();
    ResultCode result = checkForUpdate(*args, folder + fileNameOfUrl(args->infoUrl, "jexmarlo.ini"), info);
    // The answer's event exists before the result is told, so that an
    // answer given at once finds it.
    Handle updateEvent;
    if (result == kResultDifferent) updateEvent.reset(CreateEventA(nullptr, FALSE, FALSE, kUpdateEvent));
    if (!writeCode(out, result)) {
        say("与主程序通信失败！", MB_OK | MB_ICONERROR);
        return 1;
    }
    if (mainEvent) SetEvent(mainEvent.get());
    if (result != kResultDifferent) return 0;

    std::int32_t answer = 0;
    if (!updateEvent || !waitForAnswer(updateEvent.get()) || !readCode(in, answer)) {
        say("与主程序通信失败！", MB_OK | MB_ICONERROR);
        return 1;
    }
    if (answer != 1) return 0;

    while (isProgramRunning(args->programFile))
        if (say("警告：软件正在运行！请先退出程序后，再点重试", MB_RETRYCANCEL | MB_ICONWARNING) != IDRETRY) return 0;

    args->version = info.version;
    CUpdateDlg dialog(*args, info, folder + "jexupdate_pack_tmp.exe");
    dialog.doModal(nullptr);
    return 0;
}

}  // namespace update
