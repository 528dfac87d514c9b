#include "update/update_check.h"

#include <oleauto.h>

#include <atomic>
#include <cstdint>
#include <optional>
#include <system_error>
#include <thread>

#include "fw/config.h"
#include "fw/paths.h"
#include "update/check_rules.h"
#include "views/settings.h"

namespace update {

namespace {

const char kTitle[] = "墨舟";
const char kMainAppEvent[] = "jexMainAppEvent";
const char kUpdateEvent[] = "jexUpdateEvent";
// How long the answer waits for the updater to create its event.
constexpr DWORD kUpdateEventWaitMs = 10000;

// Process-wide: the two event names are shared by every check.
std::atomic<bool> checkRunning{false};

std::string ownPath() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

std::string fileVersionText(const std::string& path) {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    std::string data(size, '\0');
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!size || !GetFileVersionInfoA(path.c_str(), 0, size, &data[0]) ||
        !VerQueryValueA(&data[0], "\\", reinterpret_cast<void**>(&fixed), &length) || length < sizeof *fixed)
        return versionText(0, 0);
    return versionText(fixed->dwFileVersionMS, fixed->dwFileVersionLS);
}

double nowDays() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    double days = 0;
    SystemTimeToVariantTime(&now, &days);
    return days;
}

struct CheckJob {
    CheckMode mode;
    std::string updaterPath;
    std::string commandLine;
};

int say(const char* text, UINT type, bool systemModal = true) {
    return MessageBoxA(nullptr, text, kTitle, type | (systemModal ? MB_SYSTEMMODAL : MB_TASKMODAL));
}

void runCheck(const CheckJob& job) {
    UpdaterConversation talk;
    switch (talk.start(job.updaterPath, job.commandLine)) {
    case UpdaterConversation::Started::noPipe:
        say("创建匿名管道失败！", MB_OK | MB_ICONERROR);
        return;
    case UpdaterConversation::Started::noUpdater:
        say("打开更新程序失败，请确认更新程序是否被病毒破坏", MB_OK | MB_ICONERROR);
        return;
    case UpdaterConversation::Started::ok:
        break;
    }
    switch (talk.waitForResult()) {
    case -1:
        say("与更新程序通信异常！", MB_OK | MB_ICONERROR);
        break;
    case 0:
        say("连接失败！请检查网络通信是否畅通！", MB_OK | MB_ICONWARNING);
        break;
    case 1:
        if (job.mode == CheckMode::manual) say("已经是最新版本！", MB_OK | MB_ICONINFORMATION);
        break;
    case 2: {
        bool yes = say("有新版本了，是否立即更新？", MB_YESNO | MB_ICONQUESTION) == IDYES;
        if (!talk.answer(yes)) say("与更新程序通信异常！", MB_OK | MB_ICONERROR, yes);
        break;
    }
    default:  // not a code of the conversation
        break;
    }
}

}  // namespace

std::string todayText() {
    char text[64] = {};
    GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, text, sizeof text);
    return text;
}

bool readDate(const std::string& text, double& days) {
    if (text.empty()) return false;
    int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(std::size_t(length > 0 ? length : 1), L'\0');
    if (length <= 0 || !MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], length)) return false;
    DATE date = 0;
    if (FAILED(VarDateFromStr(&wide[0], LOCALE_USER_DEFAULT, 0, &date))) return false;
    days = date;
    return true;
}

std::string updateInfoUrl(const Config& config) {
    std::string url = config.getString(cfg::kUpdate, cfg::kUpdateUrl, "");
    return url.empty() ? JEX_UPDATE_URL : url;
}

bool startUpdateCheck(CheckMode mode, HWND owner) {
    if (checkRunning.exchange(true)) {
        if (mode == CheckMode::manual)
            MessageBoxA(owner, "正在检查更新，请稍候！", kTitle, MB_OK | MB_ICONINFORMATION);
        return false;
    }
    Config config;
    config.setPath(programFolder() + "config.ini");
    std::string self = ownPath();
    std::string fileName = self.substr(folderOf(self).size());
    if (fileName.empty() || fileName.find(' ') != std::string::npos) fileName = "jexmarlo.exe";
    CheckJob job{mode, programFolder() + "jexUpdate.exe", ""};
    job.commandLine = updaterCommandLine(job.updaterPath, fileName, fileVersionText(self), updateInfoUrl(config));
    try {
        std::thread([job] {
            runCheck(job);
            checkRunning = false;
        }).detach();
    } catch (const std::system_error&) {
        checkRunning = false;
        return false;
    }
    return true;
}

void runAutomaticCheckDecision(const Config& config, int checkDay) {
    if (checkDay == 0) return;
    std::string last = config.getString(cfg::kUpdate, cfg::kLastUpdate, "");
    std::optional<double> lastDays;
    double days = 0;
    if (readDate(last, days)) lastDays = days;
    CheckDecision decision = decideAutomaticCheck(checkDay, lastDays, nowDays());
    if (decision.writeToday) config.writeString(cfg::kUpdate, cfg::kLastUpdate, todayText().c_str());
    if (decision.check) startUpdateCheck(CheckMode::automatic);
}

// --- the conversation ------------------------------------------------------------

UpdaterConversation::Started UpdaterConversation::start(const std::string& updaterPath,
                                                        const std::string& commandLine) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    if (!CreatePipe(&read, &write, &inherit, 4)) return Started::noPipe;
    readEnd_.reset(read);
    writeEnd_.reset(write);
    mainEvent_.reset(CreateEventA(nullptr, FALSE, FALSE, kMainAppEvent));

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = read;
    startup.hStdOutput = write;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION info = {};
    std::string line = commandLine;
    if (!CreateProcessA(updaterPath.c_str(), &line[0], nullptr, nullptr, TRUE, 0, nullptr,
                        folderOf(updaterPath).c_str(), &startup, &info)) {
        readEnd_.reset();
        writeEnd_.reset();
        return Started::noUpdater;
    }
    CloseHandle(info.hThread);
    process_.reset(info.hProcess);
    return Started::ok;
}

int UpdaterConversation::waitForResult() {
    if (!mainEvent_ || !process_) return -1;
    // The event first: an updater that signalled and ended at once still
    // counts as having signalled.
    HANDLE both[2] = {mainEvent_.get(), process_.get()};
    if (WaitForMultipleObjects(2, both, FALSE, INFINITE) != WAIT_OBJECT_0) return -1;
    // Both ends stay open here, so a read of a pipe holding less would
    // never return.
    DWORD available = 0;
    std::int32_t code = 0;
    DWORD read = 0;
    if (!PeekNamedPipe(readEnd_.get(), nullptr, 0, nullptr, &available, nullptr) || available < sizeof code ||
        !ReadFile(readEnd_.get(), &code, sizeof code, &read, nullptr) || read != sizeof code)
        return -1;
    return code;
}

bool UpdaterConversation::answer(bool updateNow) {
    // The updater creates its event before it reports; waiting for it here
    // as well keeps an answer from being lost to an updater that is late.
    Handle updateEvent(OpenEventA(EVENT_MODIFY_STATE, FALSE, kUpdateEvent));
    const DWORD start = GetTickCount();
    while (!updateEvent) {
        if (WaitForSingleObject(process_.get(), 50) != WAIT_TIMEOUT || GetTickCount() - start > kUpdateEventWaitMs)
            return false;
        updateEvent.reset(OpenEventA(EVENT_MODIFY_STATE, FALSE, kUpdateEvent));
    }
    std::int32_t code = updateNow ? 1 : 0;
    DWORD written = 0;
    if (!WriteFile(writeEnd_.get(), &code, sizeof code, &written, nullptr) || written != sizeof code) {
        writeEnd_.reset();
        return false;
    }
    return SetEvent(updateEvent.get()) != FALSE;
}

}  // namespace update
