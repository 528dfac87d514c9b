// The online update against a real server on the loopback address (Debian's
// Python, tests/update/update_server.py): the check in jexmarlo.exe with the
// real updater, and the updater's dialog, download and package, down to an
// installer made by scripts/release installing a newer version for real.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "res/jexupdate_res.h"
#include "res/resource.h"
#include "tests/e2e/driver.h"
#include "tests/e2e/update_server.h"
#include "tests/e2e/wait.h"
#include "update/check_rules.h"
#include "update/download_rules.h"
#include "update/sha256.h"
#include "update/update_check.h"
#include "update/update_info.h"

namespace {

using e2e::kDialogClass;
using e2e::kFrameClass;
using e2e::kTitle;
using e2e::Program;
using e2e::ProgramFolder;
using e2e::UpdateServer;

const char kUpdaterTitle[] = "jexsoft在线更新程序";
const int kCmdCheckUpdate = 32830;
const int kCmdOptions = 32778;
const char kRunning[] = "1.0.0.0";  // the version the program is built with

// --- processes and windows of any program ---------------------------------------------

std::vector<DWORD> processesNamed(const char* name) {
    std::vector<DWORD> ids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return ids;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        std::string exe = entry.szExeFile;
        exe = exe.substr(exe.rfind('\\') + 1);
        if (lstrcmpiA(exe.c_str(), name) == 0) ids.push_back(entry.th32ProcessID);
    }
    CloseHandle(snapshot);
    return ids;
}

::testing::AssertionResult waitForNoUpdater(int timeoutMs = e2e::kWaitMs) {
    return e2e::waitFor("the updaters running", [] { return processesNamed("jexUpdate.exe").size(); }, 0u,
                        timeoutMs);
}

// Ends every updater and package left behind by a failed test.
void endStrays() {
    for (const char* name : {"jexUpdate.exe", "jexupdate_pack_tmp.exe"})
        for (DWORD id : processesNamed(name))
            if (HANDLE p = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id)) {
                TerminateProcess(p, 1);
                WaitForSingleObject(p, 5000);
                CloseHandle(p);
            }
}

struct TopQuery {
    const char* caption;
    std::string text;  // a message box's text, or "" for any window
    HWND found;
};

BOOL CALLBACK matchTop(HWND hwnd, LPARAM lParam) {
    auto* q = reinterpret_cast<TopQuery*>(lParam);
    if (!IsWindowVisible(hwnd) || e2e::className(hwnd) != kDialogClass || e2e::windowText(hwnd) != q->caption)
        return TRUE;
    if (q->text.empty() ? GetDlgItem(hwnd, IDC_UPDATE_LINE) == nullptr : e2e::messageBoxText(hwnd) != q->text)
        return TRUE;
    q->found = hwnd;
    return FALSE;
}

// A visible dialog of any process with this caption: with `text` a message
// box saying it, without the update dialog.
HWND findTop(const char* caption, const std::string& text) {
    TopQuery q = {caption, text, nullptr};
    EnumWindows(matchTop, reinterpret_cast<LPARAM>(&q));
    return q.found;
}

HWND waitForTop(const char* caption, const std::string& text, int timeoutMs = e2e::kWaitMs) {
    return e2e::poll([&] { return findTop(caption, text); }, [](HWND h) { return h != nullptr; }, timeoutMs).value;
}

HWND waitForUpdaterBox(const std::string& text) { return waitForTop(kUpdaterTitle, text); }
HWND waitForUpdateDialog() { return waitForTop(kUpdaterTitle, ""); }

BOOL CALLBACK matchProgramBox(HWND hwnd, LPARAM lParam) {
    if (!IsWindowVisible(hwnd) || e2e::className(hwnd) != kDialogClass || e2e::windowText(hwnd) != kTitle ||
        !GetDlgItem(hwnd, 0xFFFF))
        return TRUE;
    *reinterpret_cast<HWND*>(lParam) = hwnd;
    return FALSE;
}

// What a message box of the program (caption "墨舟") says, "" when none.
std::string programBoxText() {
    HWND found = nullptr;
    EnumWindows(matchProgramBox, reinterpret_cast<LPARAM>(&found));
    return found ? e2e::messageBoxText(found) : "";
}

std::string fileVersion(const std::string& path) {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    std::string data(size, '\0');
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!size || !GetFileVersionInfoA(path.c_str(), 0, size, &data[0]) ||
        !VerQueryValueA(&data[0], "\\", reinterpret_cast<void**>(&fixed), &length))
        return "";
    return update::versionText(fixed->dwFileVersionMS, fixed->dwFileVersionLS);
}

std::string sha256Of(const std::vector<unsigned char>& bytes) {
    update::Sha256 sha;
    sha.add(bytes.data(), bytes.size());
    return sha.hexDigest();
}

std::string text(const std::vector<unsigned char>& bytes) { return std::string(bytes.begin(), bytes.end()); }

// --- the suites ----------------------------------------------------------------------------

class UpdateTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server = new UpdateServer; }
    static void TearDownTestSuite() {
        delete server;
        server = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(server->ready()) << "the update server did not start";
        endStrays();
    }
    void TearDown() override {
        if (program && program->running()) e2e::closeProgram(*program, frame);
        endStrays();
    }

    // An information file of this run, served at its address.
    std::string offer(const std::string& name, const std::string& version, const std::string& packageUrl = "",
                      const std::string& sha256 = "", const std::string& notes = "新版本。") {
        return server->url("/files/" + server->put(name, e2e::updateInfo(version, "1.2MB", notes, packageUrl, sha256)));
    }
    // The information requests the server has had for `url`.
    int requestsFor(const std::string& url) {
        std::string path = url.substr(url.find('/', 7));
        int count = 0;
        for (const std::string& r : server->requests()) count += r == path;
        return count;
    }

    static UpdateServer* server;
    std::unique_ptr<Program> program;
    HWND frame = nullptr;
};

UpdateServer* UpdateTest::server = nullptr;

// The program with the real updater: config.ini points its check at the
// test server.
class UpdateCheck : public UpdateTest {
protected:
    void prepare(ProgramFolder& where) {
        ASSERT_TRUE(e2e::firstRun(where));
        ini = where.file("config.ini");
    }
    void SetUp() override {
        UpdateTest::SetUp();
        prepare(folder);
    }
    void configure(const std::string& url, int checkDay, const char* lastUpdate) {
        WritePrivateProfileStringA("UPDATE", "UpdateUrl", url.c_str(), ini.c_str());
        WritePrivateProfileStringA("UPDATE", "CheckDay", std::to_string(checkDay).c_str(), ini.c_str());
        WritePrivateProfileStringA("UPDATE", "LastUpdate", lastUpdate, ini.c_str());
    }
    void start(const ProgramFolder& where) {
        program = std::make_unique<Program>(where);
        ASSERT_TRUE(program->start());
        frame = program->waitForWindow(kTitle, kFrameClass);
        ASSERT_TRUE(frame);
    }
    void start() { start(folder); }
    void stop() {
        ASSERT_EQ(e2e::closeProgram(*program, frame), 0u);
        program.reset();
    }
    void manualCheck() { PostMessageA(frame, WM_COMMAND, kCmdCheckUpdate, 0); }
    // The program's message box saying `text`, answered with `button`.
    void expectBox(const std::string& expected, int button = IDOK, int timeoutMs = e2e::kWaitMs) {
        HWND box = waitForTop(kTitle, expected, timeoutMs);
        ASSERT_TRUE(box) << "no message \"" << expected << "\"; showing: \"" << programBoxText() << "\"";
        e2e::clickButton(box, button);
        ASSERT_TRUE(e2e::waitForGone(box));
    }
    // A check that needs no answer has ended: no updater runs, and the
    // program's thread is idle with no message shown.
    void expectSilence() {
        ASSERT_TRUE(waitForNoUpdater());
        ASSERT_TRUE(e2e::waitForIdle(frame));
        EXPECT_EQ(programBoxText(), "");
    }
    std::string lastUpdate() { return e2e::iniString(ini, "UPDATE", "LastUpdate"); }

    ProgramFolder folder;
    std::string ini;
};

TEST_F(UpdateCheck, NoAutomaticCheckWhenTheDaysAreZeroYetTheManualOneWorks) {
    std::string url = offer("same-0.ini", kRunning);
    configure(url, 0, nullptr);
    ASSERT_NO_FATAL_FAILURE(start());
    // An automatic check would have been started before the window was
    // made: the manual one would find it running, or the server two
    // requests.
    manualCheck();
    expectBox("已经是最新版本！");
    EXPECT_EQ(requestsFor(url), 1);
    EXPECT_EQ(lastUpdate(), "<missing>");
    expectSilence();
}

// The options dialog's "立即检查" checks at once, with the settings as saved:
// a period typed into the dialog but not applied is neither used nor
// written.
TEST_F(UpdateCheck, TheOptionsDialogsCheckNowChecksAtOnceWithoutSaving) {
    std::string url = offer("same-options.ini", kRunning);
    configure(url, 0, nullptr);
    ASSERT_NO_FATAL_FAILURE(start());
    PostMessageA(frame, WM_COMMAND, kCmdOptions, 0);
    HWND dialog = program->waitForWindow("选项设置", e2e::kDialogClass);
    ASSERT_TRUE(dialog);
    HWND checkNow = nullptr;
    ASSERT_TRUE(e2e::waitFor(
        "the check-now button", [&] { return (checkNow = e2e::findDescendant(dialog, "Button", IDC_OPT_CHECK_NOW)) != nullptr; },
        true));
    PostMessageA(checkNow, BM_CLICK, 0, 0);
    expectBox("已经是最新版本！");
    EXPECT_EQ(requestsFor(url), 1);
    PostMessageA(dialog, WM_CLOSE, 0, 0);
    ASSERT_TRUE(e2e::waitForGone(dialog));
    EXPECT_EQ(e2e::iniString(ini, "UPDATE", "CheckDay"), "0");
    EXPECT_EQ(lastUpdate(), "<missing>");
    expectSilence();
}

TEST_F(UpdateCheck, ThreeDaysBetweenChecksCountFromTheLastCheck) {
    std::string url = offer("same-3.ini", kRunning);
    std::string twoDaysAgo = e2e::shortDate(2);
    configure(url, 3, twoDaysAgo.c_str());
    ASSERT_NO_FATAL_FAILURE(start());
    manualCheck();
    expectBox("已经是最新版本！");
    EXPECT_EQ(requestsFor(url), 1) << "an automatic check two days after the last one";
    EXPECT_EQ(lastUpdate(), twoDaysAgo);
    stop();

    // Three days after: a check, silent about the same version, and today
    // is the last check now.
    configure(url, 3, e2e::shortDate(3).c_str());
    ASSERT_NO_FATAL_FAILURE(start());
    ASSERT_TRUE(e2e::waitFor("the requests for the information", [&] { return requestsFor(url); }, 2));
    expectSilence();
    EXPECT_EQ(lastUpdate(), e2e::shortDate());
}

// Never checked, or a last check that is no date: a check at once, which
// tells of a failure in the automatic mode too.
TEST_F(UpdateCheck, AStartWithoutAReadableLastCheckChecks) {
    std::string down = "http://127.0.0.1:" + std::to_string(e2e::closedPort()) + "/update/jexmarlo.ini";
    configure(down, 1, nullptr);
    ASSERT_NO_FATAL_FAILURE(start());
    expectBox("连接失败！请检查网络通信是否畅通！");
    EXPECT_EQ(lastUpdate(), e2e::shortDate());
    stop();

    std::string url = offer("same-1.ini", kRunning);
    configure(url, 1, "not a date");
    ASSERT_NO_FATAL_FAILURE(start());
    ASSERT_TRUE(e2e::waitFor("the requests for the information", [&] { return requestsFor(url); }, 1));
    expectSilence();
    EXPECT_EQ(lastUpdate(), e2e::shortDate());
}

// One program run, one manual check after another: every way the
// information can fail to come says so within seconds (a server that
// accepts and never answers too), an error page is no new version, a
// second check while one runs is refused, and "No" ends the updater.
TEST_F(UpdateCheck, ManualChecksTellWhatTheServerAnswered) {
    configure(server->url("/status/404/update/jexmarlo.ini"), 0, nullptr);
    ASSERT_NO_FATAL_FAILURE(start());
    const char kFailed[] = "连接失败！请检查网络通信是否畅通！";
    const std::string failing[] = {
        "http://127.0.0.1:" + std::to_string(e2e::closedPort()) + "/update/jexmarlo.ini",
        server->url("/status/404/update/jexmarlo.ini"),
        server->url("/status/500/update/jexmarlo.ini"),
        server->url("/html/update/jexmarlo.ini"),  // a portal's page, with 200
        server->url("/files/" + server->put("no-version.ini", "[info]\r\nsize=1MB\r\n")),
    };
    for (const std::string& url : failing) {
        SCOPED_TRACE(url);
        WritePrivateProfileStringA("UPDATE", "UpdateUrl", url.c_str(), ini.c_str());
        manualCheck();
        expectBox(kFailed);
        ASSERT_TRUE(waitForNoUpdater());
    }

    WritePrivateProfileStringA("UPDATE", "UpdateUrl", server->url("/stall/update/jexmarlo.ini").c_str(), ini.c_str());
    const DWORD start = GetTickCount();
    manualCheck();
    ASSERT_TRUE(e2e::waitFor("the updaters running", [] { return processesNamed("jexUpdate.exe").size(); }, 1u));
    manualCheck();
    expectBox("正在检查更新，请稍候！");
    expectBox(kFailed);
    EXPECT_LT(GetTickCount() - start, 15000u) << "the stalled server held the check";
    ASSERT_TRUE(waitForNoUpdater());

    WritePrivateProfileStringA("UPDATE", "UpdateUrl", offer("newer-no.ini", "1.0.0.9").c_str(), ini.c_str());
    manualCheck();
    expectBox("有新版本了，是否立即更新？", IDNO);
    expectSilence();
}

TEST_F(UpdateCheck, AMissingOrBrokenUpdaterIsToldApart) {
    configure(offer("same-m.ini", kRunning), 0, nullptr);
    DeleteFileA(folder.file("jexUpdate.exe").c_str());
    ASSERT_NO_FATAL_FAILURE(start());
    manualCheck();
    expectBox("打开更新程序失败，请确认更新程序是否被病毒破坏");
    stop();

    // An updater that ends without a word.
    ASSERT_TRUE(CopyFileA(server->siteFile("jexpack.exe").c_str(), folder.file("jexUpdate.exe").c_str(), FALSE));
    ASSERT_NO_FATAL_FAILURE(start());
    manualCheck();
    expectBox("与更新程序通信异常！");
}

TEST_F(UpdateCheck, AProgramFolderWithBlanksHandsTheUpdaterItsFields) {
    ProgramFolder spaced("my jex tools");
    ASSERT_NO_FATAL_FAILURE(prepare(spaced));
    std::string url = offer("same-b.ini", kRunning);
    configure(url, 0, nullptr);
    start(spaced);
    manualCheck();
    // The same version: the updater got the version and the address whole.
    expectBox("已经是最新版本！");
    EXPECT_EQ(requestsFor(url), 1);
    EXPECT_TRUE(e2e::fileExists(spaced.file("same-b.ini"))) << "the information's copy beside the updater";
}

// The whole way of an update: told of the new version, the user says yes,
// closes the program when asked, watches the download (throttled, so that
// the displays change), and the installer from scripts/release replaces the
// program's files, keeping the settings, the data and the user's schemes.
TEST_F(UpdateCheck, ANewVersionIsDownloadedAndInstalledOnceTheProgramIsClosed) {
    std::string releaseIni = server->siteFile("jexmarlo.ini");
    update::UpdateInfo release = update::parseUpdateInfo(text(e2e::readFile(releaseIni)));
    ASSERT_FALSE(release.version.empty()) << "no release in " << releaseIni;
    ASSERT_NE(release.version, kRunning);
    std::string installer = update::fileNameOfUrl(release.url, "");
    std::string notes = "修正了若干问题。\\r\\n新增了在线更新。";
    std::string url = server->url("/files/" + server->put("release.ini", e2e::updateInfo(release.version, release.size,
                                  notes, server->url("/throttle/150000/" + installer), release.sha256)));
    configure(url, 0, nullptr);
    e2e::writeFile(folder.file("Syntax\\mine.xml"), "<Syntax><NAME>mine</NAME></Syntax>");
    ASSERT_NO_FATAL_FAILURE(start());

    manualCheck();
    expectBox("有新版本了，是否立即更新？", IDYES);
    for (int retry = 0; retry < 2; ++retry) {
        HWND warning = waitForUpdaterBox("警告：软件正在运行！请先退出程序后，再点重试");
        ASSERT_TRUE(warning) << "no warning while the program runs (try " << retry << ")";
        if (retry == 0) {
            EXPECT_FALSE(e2e::screenshot("update-program-still-running").empty());
        } else {
            stop();
        }
        e2e::clickButton(warning, IDRETRY);
        ASSERT_TRUE(e2e::waitForGone(warning));
    }
    auto configBefore = e2e::readFile(ini);
    auto databaseBefore = e2e::readFile(e2e::databasePath(folder));

    HWND dialog = waitForUpdateDialog();
    ASSERT_TRUE(dialog) << "no update dialog after the program was closed";
    HWND description = e2e::findDescendant(dialog, "Static", IDC_INFO_DESCRIPTION);
    HWND notesEdit = e2e::findDescendant(dialog, "Edit", IDC_INFO_NOTES);
    ASSERT_TRUE(description && notesEdit);
    EXPECT_EQ(e2e::windowText(description), "jexmarlo.exe " + release.version + " (" + release.size + ")");
    EXPECT_EQ(e2e::windowText(notesEdit), "修正了若干问题。\r\n新增了在线更新。");
    EXPECT_EQ(SendMessageA(notesEdit, EM_GETLINECOUNT, 0, 0), 2);
    EXPECT_EQ(e2e::controlText(dialog, IDOK), "立即更新(&O)");
    EXPECT_EQ(e2e::controlText(dialog, IDCANCEL), "取消(&C)");

    e2e::clickButton(dialog, IDOK);
    HWND remaining = e2e::findDescendant(dialog, "Static", IDC_PROGRESS_REMAINING);
    HWND speed = e2e::findDescendant(dialog, "Static", IDC_PROGRESS_SPEED);
    HWND received = e2e::findDescendant(dialog, "Static", IDC_PROGRESS_RECEIVED);
    ASSERT_TRUE(remaining && speed && received);
    ASSERT_TRUE(e2e::waitFor("the progress page shown", [&] { return IsWindowVisible(GetParent(speed)) != FALSE; },
                             true));
    EXPECT_TRUE(e2e::waitFor("OK enabled while the download runs",
                             [&] { return IsWindowEnabled(GetDlgItem(dialog, IDOK)) != FALSE; }, false));
    // Every display while the download runs.
    std::vector<std::string> remainingSeen, speedSeen;
    bool shot = false;
    auto seen = e2e::poll(
        [&] {
            if (!IsWindow(dialog)) return false;
            std::string r = e2e::windowText(remaining), s = e2e::windowText(speed);
            if (r.empty() || s.empty()) return IsWindow(dialog) != FALSE;  // going
            if (remainingSeen.empty() || remainingSeen.back() != r) remainingSeen.push_back(r);
            if (speedSeen.empty() || speedSeen.back() != s) speedSeen.push_back(s);
            if (!shot && remainingSeen.size() >= 2) {
                EXPECT_FALSE(e2e::screenshot("update-progress-page", true).empty());
                shot = true;
            }
            return IsWindow(dialog) != FALSE;
        },
        [](bool open) { return !open; }, 60000);
    ASSERT_TRUE(seen.met) << "the update dialog stayed open";
    // "--分--秒" first, then seconds counting down at the average speed.
    ASSERT_GE(remainingSeen.size(), 3u) << ::testing::PrintToString(remainingSeen);
    EXPECT_EQ(remainingSeen.front(), "--分--秒");
    std::vector<int> seconds;
    for (std::size_t i = 1; i < remainingSeen.size(); ++i) seconds.push_back(std::atoi(remainingSeen[i].c_str()));
    // The estimate follows the average speed: a stall of the machine under
    // load lowers the average and may put it up a second or two.
    for (std::size_t i = 1; i < seconds.size(); ++i) EXPECT_LE(seconds[i], seconds[i - 1] + 2) << remainingSeen[i];
    EXPECT_LT(seconds.back(), seconds.front()) << ::testing::PrintToString(remainingSeen);
    for (std::size_t i = 1; i < speedSeen.size(); ++i) {
        // About 146 KB/S: the average over the whole time since the start
        // (whole seconds: the last one, over the total time, comes out higher).
        int kb = std::atoi(speedSeen[i].c_str());
        EXPECT_TRUE(speedSeen[i].find(" KB/S") != std::string::npos && kb > 70 && kb < 250)
            << ::testing::PrintToString(speedSeen);
    }

    // The installer replaces the program once the updater has gone.  Its
    // files are looked at only after it has ended: reading a program's
    // version maps the file, which would keep the installer from writing it.
    ASSERT_TRUE(e2e::waitFor("the installers running", [] { return processesNamed("jexupdate_pack_tmp.exe").size(); },
                             0u, 60000));
    EXPECT_TRUE(e2e::fileExists(folder.file("uninstall.exe")));
    EXPECT_EQ(fileVersion(folder.file("jexmarlo.exe")), release.version);
    EXPECT_TRUE(e2e::fileExists(folder.file("jexUpdate.exe")) && e2e::fileExists(folder.file("jexUI.dll")));
    EXPECT_EQ(sha256Of(e2e::readFile(folder.file("jexupdate_pack_tmp.exe"))), release.sha256);
    EXPECT_EQ(e2e::readFile(ini), configBefore);
    EXPECT_EQ(e2e::readFile(e2e::databasePath(folder)), databaseBefore);
    EXPECT_TRUE(e2e::fileExists(folder.file("Syntax\\mine.xml")));
    EXPECT_TRUE(e2e::fileExists(folder.file("Syntax\\cpp.xml")));
    EXPECT_TRUE(e2e::fileExists(folder.file("skins\\default\\skin.ini")));

    // The new version starts, with the settings and data it had.
    WritePrivateProfileStringA("UPDATE", "UpdateUrl", nullptr, ini.c_str());
    ASSERT_NO_FATAL_FAILURE(start());
    stop();
}

// The updater with the test driver in the main program's place (the real
// conversation, a package probe that records its start instead of an
// installer).
class Updater : public UpdateTest {
protected:
    // Starts the updater for the information at `infoUrl`, answers its
    // result 2 with "update now", and waits for the update dialog.
    HWND openDialog(const std::string& infoUrl) {
        std::string updater = folder.file("jexUpdate.exe");
        EXPECT_EQ(talk.start(updater, update::updaterCommandLine(updater, "jexmarlo.exe", kRunning, infoUrl)),
                  update::UpdaterConversation::Started::ok);
        auto result = std::async(std::launch::async, [this] { return talk.waitForResult(); });
        if (result.wait_for(std::chrono::seconds(30)) != std::future_status::ready) endStrays();
        EXPECT_EQ(result.get(), 2);
        EXPECT_TRUE(talk.answer(true));
        return waitForUpdateDialog();
    }
    // The package probe's bytes and address; `how`: "/files", "/nolength",
    // "/throttle/RATE", "/drop/COUNT".
    std::vector<unsigned char> probe() { return e2e::readFile(server->siteFile("jexpack.exe")); }
    std::string probeUrl(const std::string& how) { return server->url(how + "/jexpack.exe"); }
    std::string package() { return folder.file("jexupdate_pack_tmp.exe"); }
    std::string startedMarker() { return folder.file("package-started.txt"); }
    // The download of the progress page has begun.
    HWND download(HWND dialog) {
        e2e::clickButton(dialog, IDOK);
        return e2e::findDescendant(dialog, "Static", IDC_PROGRESS_RECEIVED);
    }

    ProgramFolder folder;
    update::UpdaterConversation talk;
};

TEST_F(Updater, TheDialogShowsTheOfferWithItsNotesAndAnAboutBox) {
    HWND dialog = openDialog(offer("offer.ini", "2.0.0.0", probeUrl("/files"), "", "第一行。\\r\\n第二行：\\t缩进。"));
    ASSERT_TRUE(dialog);
    EXPECT_EQ(e2e::windowText(e2e::findDescendant(dialog, "Static", IDC_INFO_DESCRIPTION)),
              "jexmarlo.exe 2.0.0.0 (1.2MB)");
    EXPECT_EQ(e2e::windowText(e2e::findDescendant(dialog, "Edit", IDC_INFO_NOTES)), "第一行。\r\n第二行：\t缩进。");
    EXPECT_FALSE(e2e::screenshot("update-information-page").empty());

    // The system menu's about entry (command 16).
    PostMessageA(dialog, WM_SYSCOMMAND, 16, 0);
    HWND about = e2e::poll([] { return FindWindowA(kDialogClass, "关于 jexUpdate"); }, [](HWND h) { return h; }).value;
    ASSERT_TRUE(about) << "no about box";
    EXPECT_FALSE(e2e::screenshot("update-about").empty());
    e2e::clickButton(about, IDOK);
    ASSERT_TRUE(e2e::waitForGone(about));

    // Cancel on the information page: nothing is downloaded.
    e2e::clickButton(dialog, IDCANCEL);
    ASSERT_TRUE(waitForNoUpdater());
    EXPECT_FALSE(e2e::fileExists(package()));
}

// Whole packages start hidden with "/update": one that arrives within the
// first second, one whose answer has no Content-Length.
TEST_F(Updater, APackageThatArrivedWholeIsStarted) {
    for (const char* how : {"/files", "/nolength"}) {
        SCOPED_TRACE(how);
        DeleteFileA(startedMarker().c_str());
        std::string sha = std::string(how) == "/files" ? sha256Of(probe()) : "";
        HWND dialog = openDialog(offer(std::string(how + 1) + ".ini", "2.0.0.0", probeUrl(how), sha));
        ASSERT_TRUE(dialog);
        download(dialog);
        ASSERT_TRUE(e2e::waitFor("the package's command line", [&] { return text(e2e::readFile(startedMarker())); },
                                 [](const std::string& line) { return line.find("/update") != std::string::npos; }));
        ASSERT_TRUE(waitForNoUpdater());
        EXPECT_EQ(e2e::readFile(package()), probe());
    }
}

// What did not arrive whole, or is not what the information promised, is
// not started: the updater says why and only Cancel remains.
TEST_F(Updater, APackageThatIsNotWholeIsNotStarted) {
    const std::string wrongSha = std::string(64, '0');
    struct Case {
        std::string url, sha, message;
        bool partial;
    } cases[] = {
        {server->url("/status/404/jexpack.exe"), "", "下载链接无效！", false},
        {server->url("/status/500/jexpack.exe"), "", "下载升级包失败：服务器返回错误 500！", false},
        {probeUrl("/files"), wrongSha, "升级包校验失败，文件已损坏，请稍后重试！", true},
        {probeUrl("/drop/20000"), "", update::bodyProblem(std::int64_t(probe().size()), 20000, "", ""), true},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        DeleteFileA(package().c_str());
        HWND dialog = openDialog(offer("broken-" + std::to_string(++n) + ".ini", "2.0.0.0", c.url, c.sha));
        ASSERT_TRUE(dialog);
        download(dialog);
        HWND box = e2e::poll(
                       [&] {
                           HWND b = FindWindowA(kDialogClass, kUpdaterTitle);
                           for (; b; b = FindWindowExA(nullptr, b, kDialogClass, kUpdaterTitle))
                               if (IsWindowVisible(b) && GetDlgItem(b, 0xFFFF)) return b;
                           return HWND(nullptr);
                       },
                       [](HWND h) { return h; })
                       .value;
        ASSERT_TRUE(box) << "no message";
        EXPECT_EQ(e2e::messageBoxText(box), c.message);
        if (n == 4) {
            EXPECT_FALSE(e2e::screenshot("update-truncated-package").empty());
        }
        e2e::clickButton(box, IDOK);
        ASSERT_TRUE(e2e::waitForGone(box));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDOK)));
        e2e::clickButton(dialog, IDCANCEL);
        ASSERT_TRUE(waitForNoUpdater());
        EXPECT_FALSE(e2e::fileExists(startedMarker())) << "the package was started";
        EXPECT_EQ(e2e::fileExists(package()), c.partial);
        if (n == 4) {
            EXPECT_EQ(e2e::readFile(package()).size(), 20000u);
        }
    }
}

TEST_F(Updater, CancelDuringTheDownloadKeepsThePartialPackageAndStartsNothing) {
    HWND dialog = openDialog(offer("slow.ini", "2.0.0.0", probeUrl("/throttle/50000"), sha256Of(probe())));
    ASSERT_TRUE(dialog);
    HWND received = download(dialog);
    ASSERT_TRUE(e2e::waitFor("the received size", [&] { return e2e::windowText(received); },
                             [](const std::string& t) { return !t.empty(); }));
    e2e::clickButton(dialog, IDCANCEL);
    ASSERT_TRUE(e2e::waitForGone(dialog));
    // The worker ends after the read under way (64 KB at most).
    ASSERT_TRUE(waitForNoUpdater(10000)) << "the download went on after Cancel";
    std::size_t partial = e2e::readFile(package()).size();
    EXPECT_GT(partial, 0u);
    EXPECT_LT(partial, probe().size());
    EXPECT_FALSE(e2e::fileExists(startedMarker()));
}

// The installer of scripts/release started by a user: Chinese pages, a
// folder of the user's choice, the program installed there and working;
// its uninstaller takes the program and leaves the settings and the data.
TEST(Installer, AUserInstallsThroughItsPagesAndUninstallsKeepingTheData) {
    endStrays();
    update::UpdateInfo release =
        update::parseUpdateInfo(text(e2e::readFile(UpdateServer::siteFileOf("jexmarlo.ini"))));
    ProgramFolder scratch;  // holds the installer and the folder it installs to
    std::string setup = scratch.file("setup.exe");
    ASSERT_TRUE(CopyFileA(UpdateServer::siteFileOf(update::fileNameOfUrl(release.url, "")).c_str(), setup.c_str(),
                          FALSE));
    std::string target = scratch.file("我的程序\\jexmarlo");
    Program installer(setup, scratch.path());
    ASSERT_TRUE(installer.start());

    const std::string caption = "墨舟 " + release.version + " 安装";
    HWND window = installer.waitForWindow(caption.c_str(), kDialogClass);
    ASSERT_TRUE(window) << "no installer window \"" << caption << "\"";
    auto pageShows = [&](const char* what) {
        return e2e::waitFor(std::string("a page showing ") + what, [&] {
            for (const char* cls : {"Static", "Button"})
                for (HWND page = GetWindow(window, GW_CHILD); page; page = GetWindow(page, GW_HWNDNEXT))
                    if (e2e::className(page) == kDialogClass && IsWindowVisible(page))
                        for (const std::string& t : e2e::childTexts(page, cls))
                            if (t.find(what) != std::string::npos) return true;
            return false;
        }, true);
    };
    ASSERT_TRUE(pageShows("欢迎"));
    EXPECT_FALSE(e2e::screenshot("installer-welcome").empty());
    e2e::clickButton(window, IDOK);

    HWND folderEdit = e2e::waitForDescendant(window, "Edit", 1019);
    ASSERT_TRUE(folderEdit) << "no folder page";
    SendMessageA(folderEdit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(target.c_str()));
    ASSERT_TRUE(e2e::waitForText(folderEdit, target));
    EXPECT_FALSE(e2e::screenshot("installer-folder", true).empty());
    e2e::clickButton(window, IDOK);

    ASSERT_TRUE(pageShows("运行 墨舟"));
    for (HWND page = GetWindow(window, GW_CHILD); page; page = GetWindow(page, GW_HWNDNEXT))
        if (HWND run = FindWindowExA(page, nullptr, "Button", "运行 墨舟")) SendMessageA(run, BM_SETCHECK, BST_UNCHECKED, 0);
    EXPECT_FALSE(e2e::screenshot("installer-finish").empty());
    e2e::clickButton(window, IDOK);
    ASSERT_TRUE(installer.waitForExit(e2e::kWaitMs));

    std::string installed = target + "\\";
    EXPECT_EQ(fileVersion(installed + "jexmarlo.exe"), release.version);
    for (const char* file : {"jexUI.dll", "jexUpdate.exe", "uninstall.exe", "Syntax\\cpp.xml", "skins\\default\\skin.ini"})
        EXPECT_TRUE(e2e::fileExists(installed + file)) << file;

    // The installed program starts as on a first run.
    e2e::writeFile(installed + "config.ini", "[UPDATE]\r\nCheckDay=0\r\n");
    Program program(installed + "jexmarlo.exe", installed);
    ASSERT_TRUE(program.start());
    HWND frame = e2e::acceptFolderDialog(program);
    ASSERT_TRUE(frame);
    EXPECT_EQ(e2e::closeProgram(program, frame), 0u);
    ASSERT_TRUE(e2e::fileExists(installed + "data\\srcdata.db"));
    e2e::writeFile(installed + "Syntax\\mine.xml", "<Syntax/>");

    // "_?=" keeps the uninstaller in place, so that its end can be waited for.
    Program uninstaller(installed + "uninstall.exe", installed, "/S _?=" + target);
    ASSERT_TRUE(uninstaller.start());
    ASSERT_TRUE(uninstaller.waitForExit(e2e::kWaitMs));
    for (const char* file : {"jexmarlo.exe", "jexUI.dll", "jexUpdate.exe", "Syntax\\cpp.xml", "skins\\default\\skin.ini"})
        EXPECT_FALSE(e2e::fileExists(installed + file)) << file;
    for (const char* file : {"config.ini", "data\\srcdata.db", "Syntax\\mine.xml"})
        EXPECT_TRUE(e2e::fileExists(installed + file)) << file;
}

}  // namespace
