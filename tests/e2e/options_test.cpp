// The options dialog as a user meets it: opened from the toolbar, its pages
// chosen in the navigation list, values typed and clicked with the real
// mouse and keyboard, refused with their messages, saved to config.ini and
// taken up at once by the running program.
#include "tests/e2e/main_window_fixture.h"

#include <algorithm>

#include "options/options_core.h"
#include "res/resource.h"
#include "tests/e2e/timer_probe.h"

namespace {

using e2e::Rows;

constexpr int kCmdOptions = 32778;
const char kCaption[] = "选项设置";

// jexprobe.dll in the program (see timer_probe.h): the code view's timers
// as the program arms them.
class TimerProbe {
public:
    explicit TimerProbe(HWND programWindow) {
        mapping_ = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(e2e::TimerLog),
                                      e2e::kTimerLogName);
        if (mapping_) log_ = static_cast<e2e::TimerLog*>(MapViewOfFile(mapping_, FILE_MAP_ALL_ACCESS, 0, 0, 0));
        if (log_) ZeroMemory(log_, sizeof *log_);
        module_ = LoadLibraryA(e2e::testProgram("jexprobe.dll").c_str());
        auto proc = module_ ? reinterpret_cast<HOOKPROC>(
                                  reinterpret_cast<void*>(GetProcAddress(module_, e2e::kTimerProbeHook)))
                            : nullptr;
        if (proc) hook_ = SetWindowsHookExA(WH_GETMESSAGE, proc, module_, GetWindowThreadProcessId(programWindow, nullptr));
        PostMessageA(programWindow, WM_NULL, 0, 0);  // the hook runs, and with it the probe
    }
    ~TimerProbe() {
        if (hook_) UnhookWindowsHookEx(hook_);
        if (log_) UnmapViewOfFile(log_);
        if (mapping_) CloseHandle(mapping_);
        if (module_) FreeLibrary(module_);
    }
    ::testing::AssertionResult waitReady() {
        if (!log_ || !hook_) return ::testing::AssertionFailure() << "the timer probe could not be hooked in";
        return e2e::waitFor("the timer probe in the program", [this] { return log_->ready; }, 1L);
    }
    // "1:120000", "1:stop": the code view's timers in the order armed.
    Rows entries() const {
        Rows out;
        LONG n = std::min<LONG>(log_->count, LONG(std::size(log_->entries)));
        for (LONG i = 0; i < n; ++i) {
            const auto& e = log_->entries[i];
            out.push_back(std::to_string(e.id) + ":" + (e.stopped ? std::string("stop") : std::to_string(e.elapse)));
        }
        return out;
    }

private:
    HANDLE mapping_ = nullptr;
    e2e::TimerLog* log_ = nullptr;
    HMODULE module_ = nullptr;
    HHOOK hook_ = nullptr;
};

// A visible dialog of process `pid` other than `known` and the message boxes.
struct OtherDialog {
    DWORD pid;
    HWND known;
    HWND found;
};
BOOL CALLBACK findOtherDialog(HWND window, LPARAM query) {
    auto* q = reinterpret_cast<OtherDialog*>(query);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == q->pid && window != q->known && IsWindowVisible(window) &&
        e2e::className(window) == e2e::kDialogClass && e2e::windowText(window) != e2e::kTitle)
        q->found = window;
    return TRUE;
}

class Options : public e2e::MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        // A font and a default scheme (a first run has neither, and the
        // dialog saves nothing without them), so that only what a test
        // changes can be refused.
        setIni("BASIC", "FaceName", "Tahoma");
        setIni("BASIC", "FontSize", "12");
        setIni("SYNTEX", "DefSyntex", "C++");
    }
    void TearDown() override {
        SetFileAttributesA(ini().c_str(), FILE_ATTRIBUTE_NORMAL);
        MainWindowTest::TearDown();
    }

    std::string ini() const { return folder.file("config.ini"); }
    void setIni(const char* section, const char* key, const char* value) {
        WritePrivateProfileStringA(section, key, value, ini().c_str());
    }
    std::string iniValue(const char* section, const char* key) { return e2e::iniString(ini(), section, key); }
    std::vector<unsigned char> iniBytes() { return e2e::readFile(ini()); }

    // Opens the dialog with a click on the toolbar's options button and
    // finds its pages.
    void open() {
        HWND toolBar = e2e::findDescendant(frame, TOOLBARCLASSNAMEA);
        RECT button = e2e::toolbarButtonRect(pid(), toolBar, kCmdOptions);
        POINT at = {(button.left + button.right) / 2, (button.top + button.bottom) / 2};
        ASSERT_TRUE(e2e::repeatUntil(
            frame, [=] { e2e::click(at.x, at.y); }, "the options dialog",
            [&] { return program->findWindow(kCaption, e2e::kDialogClass) != nullptr; }, true));
        dialog = program->waitForWindow(kCaption, e2e::kDialogClass);
        ASSERT_TRUE(dialog);
        nav = e2e::findDescendant(dialog, "jexNavCtrl", IDC_OPTIONS_NAV);
        ASSERT_TRUE(nav);
        const int marks[] = {IDC_OPT_MINUTES, IDC_OPT_SCHEME, IDC_OPT_DBPATH, IDC_OPT_DAYS, IDC_OPT_ABOUT_PAGE};
        for (int i = 0; i < 5; ++i) {
            for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
                if (e2e::className(child) == e2e::kDialogClass && GetDlgItem(child, marks[i])) pages[i] = child;
            ASSERT_TRUE(pages[i]) << "page " << i;
        }
        ASSERT_TRUE(e2e::waitForIdle(dialog));
    }
    int visiblePage() const {
        for (int i = 0; i < 5; ++i)
            if (IsWindowVisible(pages[i])) return i;
        return -1;
    }
    HWND control(int page, int id) const { return GetDlgItem(pages[page], id); }
    HWND minutes() const { return control(0, IDC_OPT_MINUTES); }
    HWND days() const { return control(3, IDC_OPT_DAYS); }
    HWND button(int id) const { return GetDlgItem(dialog, id); }
    static POINT centre(HWND window) {
        RECT r;
        GetWindowRect(window, &r);
        return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    static void clickOn(HWND window) {
        POINT p = centre(window);
        e2e::click(p.x, p.y);
    }

    // Clicks navigation item `index` until its page shows.
    void choose(int index) {
        RECT r;
        GetWindowRect(nav, &r);
        POINT at = {r.left + 40, r.top + index * 26 + 13};
        ASSERT_TRUE(e2e::repeatUntil(
            dialog, [=] { e2e::click(at.x, at.y); }, "the visible page", [this] { return visiblePage(); }, index));
    }
    void setCheck(HWND box, bool on) {
        auto isOn = [box] { return SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED; };
        if (isOn() == on) return;
        ASSERT_TRUE(e2e::repeatUntil(dialog, [box] { clickOn(box); }, "the check of " + e2e::describe(box), isOn, on));
    }
    // Clicks into an edit, clears it by keys and types `text`.
    void typeIn(HWND edit, const char* text) {
        ASSERT_TRUE(e2e::repeatUntil(
            dialog, [edit] { clickOn(edit); }, "the keyboard in " + e2e::describe(edit),
            [edit] { return e2e::hasKeyboard(edit); }, true));
        // Keys that did not arrive are given again, after bringing the
        // dialog to the front and clicking into the edit once more: once in
        // a while, after a message box, Wine routes the keyboard elsewhere
        // although the dialog is active.
        int tries = 0;
        ASSERT_TRUE(e2e::repeatUntil(
            dialog,
            [&] {
                if (tries++ > 0) {
                    SetForegroundWindow(GetAncestor(edit, GA_ROOT));
                    clickOn(edit);
                }
                e2e::pressKey(VK_END);
                e2e::chord(VK_SHIFT, VK_HOME);
                e2e::pressKey(VK_DELETE);
            },
            "the text of " + e2e::describe(edit), [edit] { return e2e::windowText(edit); }, std::string()));
        ASSERT_TRUE(e2e::typeInto(edit, text));
        ASSERT_TRUE(e2e::waitForText(edit, text));
    }
    // The entries of a drop-down list, read as its selection shows them
    // (the selection is put back; setting it notifies nobody).  Under Wine
    // CB_GETLBTEXT sent from another process returns the text garbled.
    static Rows entries(HWND box) {
        Rows out;
        LRESULT selected = SendMessageA(box, CB_GETCURSEL, 0, 0);
        int count = int(SendMessageA(box, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            SendMessageA(box, CB_SETCURSEL, WPARAM(i), 0);
            out.push_back(e2e::windowText(box));
        }
        SendMessageA(box, CB_SETCURSEL, WPARAM(selected), 0);
        return out;
    }
    // Picks `entry` of a drop-down list with the keyboard: a click drops
    // the list, Home, Down and Enter choose.
    void pick(HWND box, const std::string& entry) {
        Rows all = entries(box);
        auto found = std::find(all.begin(), all.end(), entry);
        ASSERT_NE(found, all.end()) << entry << " is not listed";
        int downs = int(found - all.begin());
        ASSERT_TRUE(e2e::repeatUntil(
            dialog, [box] { clickOn(box); }, "the list of " + e2e::describe(box),
            [box] { return SendMessageA(box, CB_GETDROPPEDSTATE, 0, 0) != 0; }, true));
        ASSERT_TRUE(e2e::repeatUntil(
            dialog,
            [downs] {
                e2e::pressKey(VK_HOME);
                for (int i = 0; i < downs; ++i) e2e::pressKey(VK_DOWN);
                e2e::pressKey(VK_RETURN);
            },
            "the choice in " + e2e::describe(box), [box] { return e2e::windowText(box); }, entry));
    }

    HWND messageBox() const { return program->findWindow(e2e::kTitle, e2e::kDialogClass); }
    // Clicks a button of the dialog until a message box shows; returns its
    // text once it has been answered (after a screenshot `shotName`, when
    // given, of the box over the dialog).
    std::string pressForMessage(int id, const char* shotName = nullptr) {
        HWND b = button(id);
        auto shown = e2e::repeatUntil(
            dialog, [b] { clickOn(b); }, "a message box", [this] { return messageBox() != nullptr; }, true);
        if (!shown) return "<no message: " + std::string(shown.message()) + ">";
        return answerMessage(shotName);
    }
    std::string answerMessage(const char* shotName = nullptr) {
        HWND box = program->waitForWindow(e2e::kTitle, e2e::kDialogClass);
        if (!box) return "<no message box>";
        std::string text = e2e::messageBoxText(box);
        if (shotName) {
            EXPECT_FALSE(shot(shotName).empty());
        }
        EXPECT_TRUE(e2e::answerBox(box, IDOK, dialog));
        return text;
    }
    // Applies with a click; returns once config.ini has changed.
    void applyChanging() {
        auto before = iniBytes();
        HWND b = button(IDC_OPTIONS_APPLY);
        ASSERT_TRUE(e2e::repeatUntil(
            dialog, [b] { clickOn(b); }, "config.ini changed", [&] { return iniBytes() != before; }, true));
        EXPECT_FALSE(messageBox());
    }
    // Clicks OK or Cancel until the dialog has closed.
    void close(int id) {
        HWND b = button(id);
        HWND d = dialog;
        auto closed = e2e::repeatUntil(
            frame, [b] { clickOn(b); }, "the options dialog open", [d] { return IsWindow(d) != FALSE; }, false);
        if (!closed) shot("still-open");
        ASSERT_TRUE(closed);
    }
    // `caret`: a caret blinks on the screen.
    std::string shot(const std::string& name, bool caret = false) { return e2e::screenshot("options-" + name, caret); }

    HWND dialog = nullptr;
    HWND nav = nullptr;
    HWND pages[5] = {};
};

TEST_F(Options, FivePagesInTheirPlacesChosenInTheNavigationList) {
    setIni("BASIC", "CodeTab", "1");
    setIni("BASIC", "AutoSaveTime", "5");
    setIni("UPDATE", "CheckDay", "0");
    ASSERT_NO_FATAL_FAILURE(start());
    open();

    RECT window;
    GetWindowRect(dialog, &window);
    EXPECT_EQ(window.right - window.left, 379);
    EXPECT_EQ(window.bottom - window.top, 335);
    auto clientRect = [this](HWND child) {
        RECT r;
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
        return std::vector<LONG>{r.left, r.top, r.right, r.bottom};
    };
    EXPECT_EQ(clientRect(nav), (std::vector<LONG>{5, 2, 85, 262}));
    for (HWND page : pages) EXPECT_EQ(clientRect(page), (std::vector<LONG>{91, 28, 368, 260}));
    const int ids[3] = {IDOK, IDCANCEL, IDC_OPTIONS_APPLY};
    RECT buttons[3];
    for (int i = 0; i < 3; ++i) GetWindowRect(button(ids[i]), &buttons[i]);
    EXPECT_LT(buttons[0].right, buttons[1].left);
    EXPECT_LT(buttons[1].right, buttons[2].left);
    EXPECT_EQ(e2e::windowText(button(IDOK)), "确定");
    EXPECT_EQ(e2e::windowText(button(IDCANCEL)), "取消");
    EXPECT_EQ(e2e::windowText(button(IDC_OPTIONS_APPLY)), "应用");
    EXPECT_EQ(visiblePage(), 0);

    // The basic page shows the settings.
    EXPECT_EQ(SendMessageA(control(0, IDC_OPT_SINGLE_TAB), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageA(control(0, IDC_OPT_MULTI_TAB), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(SendMessageA(control(0, IDC_OPT_AUTOSAVE), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(e2e::windowText(minutes()), "5");
    EXPECT_EQ(e2e::windowText(control(0, IDC_OPT_FACE)), "Tahoma");
    EXPECT_EQ(e2e::windowText(control(0, IDC_OPT_SIZE)), "12");
    EXPECT_EQ(entries(control(0, IDC_OPT_SIZE)),
              (Rows{"8", "9", "10", "11", "12", "14", "16", "18", "20", "22", "24", "26", "28", "36", "48"}));
    Rows faces = entries(control(0, IDC_OPT_FACE));
    EXPECT_GT(faces.size(), 3u);
    EXPECT_EQ(faces, options::sortedNames(faces)) << "one entry per family, sorted";
    EXPECT_EQ(std::count_if(faces.begin(), faces.end(), [](const std::string& f) { return f[0] == '@'; }), 0);

    // The header band: the gradient from top to bottom, the separator.
    ASSERT_TRUE(e2e::waitForIdle(dialog));
    POINT origin = {0, 0};
    ClientToScreen(dialog, &origin);
    e2e::ScreenImage screen = e2e::captureScreen();
    EXPECT_EQ(screen.at(origin.x + 300, origin.y + 4), RGB(245, 248, 246));
    EXPECT_EQ(screen.at(origin.x + 300, origin.y + 27), RGB(225, 234, 244));
    EXPECT_EQ(screen.at(origin.x + 89, origin.y + 100), RGB(160, 160, 160));
    EXPECT_EQ(screen.at(origin.x + 90, origin.y + 100), RGB(255, 255, 255));
    EXPECT_EQ(screen.at(origin.x + 200, origin.y + 266), RGB(160, 160, 160));
    EXPECT_EQ(screen.at(origin.x + 200, origin.y + 267), RGB(255, 255, 255));
    EXPECT_FALSE(shot("basic").empty());

    choose(1);
    Rows schemes = entries(control(1, IDC_OPT_SCHEME));
    EXPECT_EQ(schemes.front(), "Batch");
    EXPECT_EQ(schemes.size(), 23u);
    EXPECT_EQ(e2e::windowText(control(1, IDC_OPT_SCHEME)), "C++");
    EXPECT_FALSE(shot("syntax").empty());

    choose(2);
    EXPECT_EQ(e2e::windowText(control(2, IDC_OPT_DBPATH)), e2e::databasePath(folder));
    EXPECT_FALSE(shot("data").empty());

    choose(3);
    EXPECT_EQ(SendMessageA(control(3, IDC_OPT_CHECK_UPDATES), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_FALSE(IsWindowEnabled(days()));
    setCheck(control(3, IDC_OPT_CHECK_UPDATES), true);
    EXPECT_TRUE(IsWindowEnabled(days()));
    EXPECT_FALSE(shot("update").empty());

    choose(4);
    EXPECT_TRUE(IsWindowVisible(control(4, IDC_OPT_ABOUT_PAGE)));
    EXPECT_FALSE(shot("about").empty());

    // Cancel: nothing is saved.
    auto before = iniBytes();
    close(IDCANCEL);
    EXPECT_EQ(iniBytes(), before);
}

TEST_F(Options, MinutesOutOfRangeAreRefusedOnTheBasicPageAndNothingIsSaved) {
    ASSERT_NO_FATAL_FAILURE(start());
    open();
    // A change on another page first: it is not saved either.
    choose(3);
    setCheck(control(3, IDC_OPT_CHECK_UPDATES), true);
    typeIn(days(), "9");
    choose(0);
    setCheck(control(0, IDC_OPT_AUTOSAVE), true);
    auto before = iniBytes();
    for (const char* refused : {"0", "61"}) {
        typeIn(minutes(), refused);
        EXPECT_EQ(pressForMessage(IDC_OPTIONS_APPLY, refused[0] == '0' ? "minutes-refused-box" : nullptr),
                  options::kMinutesInvalid)
            << refused;
        EXPECT_EQ(visiblePage(), 0) << refused;
        EXPECT_TRUE(e2e::hasKeyboard(minutes())) << "the focus is on the value refused";
        EXPECT_EQ(iniBytes(), before) << refused;
    }
    EXPECT_FALSE(shot("minutes-refused", true).empty());

    // Leaving the edit with a refused value says so at once; Apply on
    // another page shows the basic page again.
    typeIn(minutes(), "0");
    choose(3);
    EXPECT_EQ(answerMessage(), options::kMinutesInvalid);
    EXPECT_EQ(pressForMessage(IDC_OPTIONS_APPLY), options::kMinutesInvalid);
    EXPECT_EQ(visiblePage(), 0);
    EXPECT_EQ(iniBytes(), before);

    typeIn(minutes(), "60");
    applyChanging();
    EXPECT_EQ(iniValue("BASIC", "AutoSaveTime"), "60");
    EXPECT_EQ(iniValue("UPDATE", "CheckDay"), "9");
    close(IDOK);
}

TEST_F(Options, AutoSaveSwitchedOffSavesZeroAndStopsTheTimer) {
    setIni("BASIC", "AutoSaveTime", "5");
    ASSERT_NO_FATAL_FAILURE(start());
    TimerProbe timers(frame);
    ASSERT_TRUE(timers.waitReady());
    open();
    EXPECT_TRUE(IsWindowEnabled(minutes()));
    setCheck(control(0, IDC_OPT_AUTOSAVE), false);
    EXPECT_FALSE(IsWindowEnabled(minutes()));
    EXPECT_EQ(e2e::windowText(minutes()), "5");
    close(IDOK);
    EXPECT_EQ(iniValue("BASIC", "AutoSaveTime"), "0");
    EXPECT_EQ(timers.entries(), Rows{"1:stop"});
}

TEST_F(Options, AMissingDatabaseFileShowsTheDataPageWithItsMessage) {
    ASSERT_NO_FATAL_FAILURE(start());
    open();
    choose(2);
    typeIn(control(2, IDC_OPT_DBPATH), "C:\\nowhere\\srcdata.db");
    choose(0);
    auto before = iniBytes();
    EXPECT_EQ(pressForMessage(IDC_OPTIONS_APPLY, "data-refused"), options::kBadDatabasePath);
    EXPECT_EQ(visiblePage(), 2);
    EXPECT_EQ(iniBytes(), before);
    close(IDCANCEL);
    EXPECT_EQ(iniBytes(), before);
}

TEST_F(Options, AFolderIsTakenOnlyWhenItHoldsTheDatabaseFile) {
    const std::string empty = folder.file("empty");
    CreateDirectoryA(empty.c_str(), nullptr);
    ASSERT_NO_FATAL_FAILURE(start());
    open();
    choose(2);
    HWND path = control(2, IDC_OPT_DBPATH);
    typeIn(path, e2e::hostPath(empty).c_str());
    auto before = iniBytes();
    EXPECT_EQ(pressForMessage(IDC_OPTIONS_APPLY), options::kBadDatabasePath);
    EXPECT_EQ(iniBytes(), before);

    const std::string data = folder.file("data");
    typeIn(path, data.c_str());
    applyChanging();
    EXPECT_EQ(iniValue("DBM", "WorkPath"), data + "\\srcdata.db");
    EXPECT_EQ(e2e::windowText(path), data + "\\srcdata.db") << "the page shows the file saved";
    close(IDOK);
}

TEST_F(Options, TheBrowseButtonPutsTheChosenFileIntoThePath) {
    ASSERT_NO_FATAL_FAILURE(start());
    open();
    choose(2);
    HWND path = control(2, IDC_OPT_DBPATH);
    HWND browse = control(2, IDC_OPT_DBBROWSE);
    // The open-file dialog: another dialog of the program, not a message box.
    auto fileDialog = [this] {
        OtherDialog query = {pid(), dialog, nullptr};
        EnumWindows(findOtherDialog, reinterpret_cast<LPARAM>(&query));
        return query.found;
    };
    ASSERT_TRUE(e2e::repeatUntil(
        dialog, [browse] { clickOn(browse); }, "the open-file dialog", [&] { return fileDialog() != nullptr; }, true));
    HWND files = fileDialog();
    EXPECT_FALSE(shot("data-browse", true).empty());
    // Its file name box has the keyboard: the path is typed and taken.
    ASSERT_TRUE(e2e::waitFor("the open-file dialog in front", [files] { return GetForegroundWindow() == files; }, true));
    HWND name = e2e::focusOf(files);
    ASSERT_EQ(e2e::className(name), "Edit");
    const std::string chosen = e2e::databasePath(folder);
    ASSERT_TRUE(e2e::typeInto(name, chosen));
    e2e::pressKey(VK_RETURN);
    ASSERT_TRUE(e2e::waitForGone(files));
    EXPECT_TRUE(e2e::waitForText(path, chosen));
    close(IDCANCEL);
}

TEST_F(Options, ADefaultSchemeNoLongerLoadedLeavesTheListWithoutSelection) {
    setIni("SYNTEX", "DefSyntex", "Fortran");
    ASSERT_NO_FATAL_FAILURE(start());
    open();
    choose(1);
    HWND schemes = control(1, IDC_OPT_SCHEME);
    EXPECT_EQ(SendMessageA(schemes, CB_GETCURSEL, 0, 0), CB_ERR);
    choose(0);
    auto before = iniBytes();
    EXPECT_EQ(pressForMessage(IDOK), options::kNoScheme);
    EXPECT_EQ(visiblePage(), 1);
    EXPECT_TRUE(IsWindow(dialog));
    EXPECT_EQ(iniBytes(), before);
    pick(schemes, "Go");
    close(IDOK);
    EXPECT_EQ(iniValue("SYNTEX", "DefSyntex"), "Go");
    // The tree's scheme list follows.
    EXPECT_TRUE(e2e::waitForText(GetDlgItem(strip, IDC_TREE_SCHEME), "Go"));
}

// With "C" the first name of the list, a search that merely compares the
// beginning from the second entry on would land on "C#".
TEST_F(Options, TheSchemeCIsSelectedNotTheFirstNameStartingWithC) {
    DeleteFileA(folder.file("Syntax\\batch.xml").c_str());
    setIni("SYNTEX", "DefSyntex", "C");
    ASSERT_NO_FATAL_FAILURE(start());
    open();
    choose(1);
    HWND schemes = control(1, IDC_OPT_SCHEME);
    EXPECT_EQ(entries(schemes).front(), "C");
    EXPECT_EQ(e2e::windowText(schemes), "C");
    close(IDCANCEL);

    ASSERT_EQ(e2e::closeProgram(*program, frame), 0u);
    setIni("SYNTEX", "DefSyntex", "c++");
    ASSERT_NO_FATAL_FAILURE(start());
    open();
    choose(1);
    EXPECT_EQ(e2e::windowText(control(1, IDC_OPT_SCHEME)), "C++");
    close(IDCANCEL);
}

TEST_F(Options, DaysUpToThirtyAreAcceptedThirtyOneIsRefused) {
    ASSERT_NO_FATAL_FAILURE(start());
    open();
    choose(3);
    setCheck(control(3, IDC_OPT_CHECK_UPDATES), true);
    typeIn(days(), "31");
    choose(0);
    EXPECT_EQ(answerMessage(), options::kDaysInvalid) << "the edit lost the focus";
    auto before = iniBytes();
    EXPECT_EQ(pressForMessage(IDC_OPTIONS_APPLY), options::kDaysInvalid);
    EXPECT_EQ(visiblePage(), 3);
    EXPECT_EQ(iniBytes(), before);
    typeIn(days(), "30");
    close(IDOK);
    EXPECT_EQ(iniValue("UPDATE", "CheckDay"), "30");
}

TEST_F(Options, EnterAndEscapeInAPageNeitherCloseThePageNorTheDialog) {
    ASSERT_NO_FATAL_FAILURE(start());
    open();
    setCheck(control(0, IDC_OPT_AUTOSAVE), true);
    typeIn(minutes(), "12");
    auto before = iniBytes();
    for (WORD key : {VK_RETURN, VK_ESCAPE}) {
        ASSERT_TRUE(e2e::waitForKeyboard(minutes()));
        e2e::pressKey(key);
        ASSERT_TRUE(e2e::waitForIdle(dialog));
        EXPECT_TRUE(IsWindowVisible(dialog)) << key;
        EXPECT_TRUE(IsWindowVisible(pages[0])) << key;
        EXPECT_FALSE(messageBox()) << key;
    }
    EXPECT_EQ(iniBytes(), before);
    close(IDCANCEL);
    EXPECT_EQ(iniBytes(), before);
}

TEST_F(Options, AConfigFileThatCannotBeWrittenIsReportedAndTheSettingsStayAsTheyWere) {
    setIni("BASIC", "AutoSaveTime", "5");
    ASSERT_NO_FATAL_FAILURE(start());
    TimerProbe timers(frame);
    ASSERT_TRUE(timers.waitReady());
    ASSERT_TRUE(SetFileAttributesA(ini().c_str(), FILE_ATTRIBUTE_READONLY));
    auto before = iniBytes();
    open();
    typeIn(minutes(), "7");
    EXPECT_EQ(pressForMessage(IDOK, "config-read-only"), options::kConfigNotWritten);
    EXPECT_TRUE(IsWindowVisible(dialog)) << "the dialog stays open";
    EXPECT_EQ(iniBytes(), before);
    close(IDCANCEL);
    EXPECT_EQ(timers.entries(), Rows{}) << "the running program keeps its settings";

    open();
    EXPECT_EQ(e2e::windowText(minutes()), "5") << "the settings in memory are those of before";
    close(IDCANCEL);
}

// Faces registered for the test: "Arial" and "Arial Black", the first two
// names of the sorted list.
class OptionsWithArial : public Options {
protected:
    void SetUp() override {
        RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\Fonts\\Replacements", 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &replacements_, nullptr);
        for (auto [name, face] : {std::pair{"Arial", "DejaVu Sans"}, std::pair{"Arial Black", "DejaVu Serif"}})
            RegSetValueExA(replacements_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(face), DWORD(strlen(face) + 1));
        Options::SetUp();
    }
    void TearDown() override {
        Options::TearDown();
        for (const char* name : {"Arial", "Arial Black"}) RegDeleteValueA(replacements_, name);
        RegCloseKey(replacements_);
    }
    HKEY replacements_ = nullptr;
};

TEST_F(OptionsWithArial, TheFaceArialIsSelectedNotArialBlack) {
    setIni("BASIC", "FaceName", "Arial");
    setIni("BASIC", "FontSize", "2");  // "20", "22" ... merely start with it
    ASSERT_NO_FATAL_FAILURE(start());
    open();
    HWND faces = control(0, IDC_OPT_FACE);
    Rows all = entries(faces);
    ASSERT_GE(all.size(), 2u);
    EXPECT_EQ(Rows(all.begin(), all.begin() + 2), (Rows{"Arial", "Arial Black"}));
    EXPECT_EQ(e2e::windowText(faces), "Arial");
    EXPECT_EQ(SendMessageA(control(0, IDC_OPT_SIZE), CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_EQ(pressForMessage(IDC_OPTIONS_APPLY), options::kNoSize);
    close(IDCANCEL);

    ASSERT_EQ(e2e::closeProgram(*program, frame), 0u);
    setIni("BASIC", "FaceName", "arial black");
    ASSERT_NO_FATAL_FAILURE(start());
    open();
    EXPECT_EQ(e2e::windowText(control(0, IDC_OPT_FACE)), "Arial Black");
    close(IDCANCEL);
}

// The font an editor draws with, as its caret shows it: the caret is a
// line high, and the end of a line lies the text's width from its start.
struct Metrics {
    LONG lineHeight;
    LONG textWidth;
    bool operator==(const Metrics& o) const { return lineHeight == o.lineHeight && textWidth == o.textWidth; }
};
void PrintTo(const Metrics& m, std::ostream* out) { *out << "line " << m.lineHeight << ", text " << m.textWidth; }

Metrics fontMetrics(const char* face, int points, const std::string& text) {
    HDC dc = GetDC(nullptr);
    HFONT font = CreateFontA(-MulDiv(points, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                             DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, face);
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICA tm = {};
    GetTextMetricsA(dc, &tm);
    LONG width = 0;
    for (char c : text) {
        SIZE size = {};
        GetTextExtentPoint32A(dc, &c, 1, &size);
        width += size.cx;
    }
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(nullptr, dc);
    return {tm.tmHeight + 1, width};
}

TEST_F(Options, AfterOkOpenEditorsShowTheNewFontAndTheAutoSaveRunsAtTheNewInterval) {
    addNode(1, 1, 1, "a.c");
    addNode(1, 2, 1, "b.c");
    ASSERT_NO_FATAL_FAILURE(start());
    expand(top);
    select(find(top, "a.c"));
    openSelected();
    focusEditor();
    const std::string typed = "iiiiWWWW";
    typeText(typed.c_str());
    EXPECT_TRUE(codeTabsAre({"a.c*"}));
    TimerProbe timers(frame);
    ASSERT_TRUE(timers.waitReady());
    HWND editorA = visibleEditor();
    auto shown = [&](HWND editor) {
        return [=] {
            e2e::pressKey(VK_HOME);
            e2e::poll([=] { return e2e::caretRect(editor).left; }, [](LONG x) { return x < 40; }, 2000);
            LONG start = e2e::caretRect(editor).left;
            e2e::pressKey(VK_END);
            auto end = e2e::poll([=] { return e2e::caretRect(editor).left; }, [=](LONG x) { return x > start; }, 2000);
            RECT caret = e2e::caretRect(editor);
            return Metrics{caret.bottom - caret.top, end.value - start};
        };
    };

    open();
    setCheck(control(0, IDC_OPT_AUTOSAVE), true);
    typeIn(minutes(), "2");
    pick(control(0, IDC_OPT_FACE), "DejaVu Sans Mono");
    pick(control(0, IDC_OPT_SIZE), "20");
    choose(3);
    setCheck(control(3, IDC_OPT_CHECK_UPDATES), true);
    typeIn(days(), "14");
    close(IDOK);

    // config.ini holds exactly the new values.
    Rows keys = e2e::iniKeys(ini(), "BASIC");
    std::sort(keys.begin(), keys.end());
    EXPECT_EQ(keys, (Rows{"AutoSaveTime", "CodeTab", "FaceName", "FontSize"}));
    EXPECT_EQ(e2e::iniSections(ini()).size(), 4u);
    EXPECT_EQ(iniValue("BASIC", "CodeTab"), "0");
    EXPECT_EQ(iniValue("BASIC", "AutoSaveTime"), "2");
    EXPECT_EQ(iniValue("BASIC", "FaceName"), "DejaVu Sans Mono");
    EXPECT_EQ(iniValue("BASIC", "FontSize"), "20");
    EXPECT_EQ(iniValue("SYNTEX", "DefSyntex"), "C++");
    EXPECT_EQ(iniValue("DBM", "WorkPath"), e2e::databasePath(folder));
    EXPECT_EQ(iniValue("UPDATE", "CheckDay"), "14");

    // The timer is armed for two minutes; at the probe's pace it soon fires
    // and saves the text.
    EXPECT_EQ(timers.entries(), Rows{"1:120000"});
    EXPECT_TRUE(codeTabsAre({"a.c"}));
    EXPECT_EQ(query("SELECT c.content FROM content_tbl c, tree_tbl t WHERE c.ItemId = t.ItemId AND t.title = 'a.c';"),
              Rows{typed});

    const Metrics expected = fontMetrics("DejaVu Sans Mono", 20, typed);
    focusEditor();
    EXPECT_TRUE(e2e::waitFor("the font of the open editor", shown(editorA), expected));
    EXPECT_FALSE(shot("editor-new-font", true).empty());

    // The next text opened gets it too.
    select(find(top, "b.c"));
    openSelected();
    focusEditor();
    typeText(typed.c_str());
    EXPECT_TRUE(e2e::waitFor("the font of the next editor", shown(visibleEditor()), expected));
    // The re-armed timer saves this one too, so the program closes unasked.
    EXPECT_TRUE(codeTabsAre({"a.c", "b.c"}));
}

}  // namespace
