// The pane below the code view as a user meets it: attachments added
// through the real add dialog (stored or linked), numbered, deleted,
// renamed in place, extracted and opened; the memo kept with each text; the
// texts found by title through the search box.  Every result is checked in
// the database file too.
#include <windows.h>

#include <tlhelp32.h>

#include "tests/e2e/pane_fixture.h"

namespace {

using namespace e2e::pane;

// --- attachments ---------------------------------------------------------------------------

class Attachments : public PaneTest {};

TEST_F(Attachments, StoredUpToFiveMegabytesAndAboveThatLinkedAfterTheQuestion) {
    addNode(1, 1, 1, "a.cpp");
    sizedFile(file("five.bin"), 5242880);
    sizedFile(file("more.bin"), 5242881);
    e2e::writeFile(file("small.txt"), "small");
    ASSERT_NO_FATAL_FAILURE(start());
    openText("a.cpp");
    EXPECT_EQ(attachments(), Rows{});

    screenshotAddDialog = true;
    addThroughDialog(file("five.bin"), false);
    waitUntilUsable();
    EXPECT_TRUE(attachmentsAre({"0|five.bin|5.00 MB"}));
    EXPECT_EQ(attachRows(), Rows{"five.bin|5242880|0"});
    EXPECT_EQ(query("SELECT LENGTH(filedata) > 5242880 FROM attach_tbl;"), Rows{"1"});

    // One byte more: the question; No adds nothing, Yes links.
    addThroughDialog(file("more.bin"), false);
    EXPECT_EQ(answerNextBox(IDNO), "附件大小超过5M大小限制，只存入文件路径吗？");
    addThroughDialog(file("more.bin"), false);
    EXPECT_EQ(answerNextBox(IDYES), "附件大小超过5M大小限制，只存入文件路径吗？");
    EXPECT_TRUE(attachmentsAre({"0|five.bin|5.00 MB", "1|more.bin|5.00 MB"}));
    EXPECT_EQ(imageOf(attachList(), 0), 0);
    EXPECT_EQ(imageOf(attachList(), 1), 1);
    EXPECT_FALSE(e2e::screenshot("pane-attachments").empty());

    // Linked with the box ticked; stored again once it is unticked.
    addThroughDialog(file("small.txt"), true);
    waitUntilUsable();
    addThroughDialog(file("small.txt"), false);
    waitUntilUsable();
    EXPECT_TRUE(attachmentsAre({"0|five.bin|5.00 MB", "1|more.bin|5.00 MB", "2|small.txt|5 B", "3|small.txt|5 B"}));
    EXPECT_EQ(attachRows(), (Rows{"five.bin|5242880|0", "more.bin|5242881|1", "small.txt|5|1", "small.txt|5|0"}));
    EXPECT_EQ(query("SELECT ItemId FROM attach_tbl WHERE title = 'more.bin';"),
              Rows{std::to_string(textId("a.cpp"))});
}

TEST_F(Attachments, OneHundredMegabytesCanBeLinkedAndOneByteMoreIsRefused) {
    addNode(1, 1, 1, "a.cpp");
    sizedFile(file("hundred.bin"), 104857600);
    sizedFile(file("over.bin"), 104857601);
    ASSERT_NO_FATAL_FAILURE(start());
    openText("a.cpp");
    addThroughDialog(file("over.bin"), true);
    EXPECT_EQ(answerNextBox(IDOK), "附件大小不能超过100MB！");
    addThroughDialog(file("hundred.bin"), true);
    waitUntilUsable();
    EXPECT_TRUE(attachmentsAre({"0|hundred.bin|100.00 MB"}));
    EXPECT_EQ(attachRows(), Rows{"hundred.bin|104857600|1"});
}

TEST_F(Attachments, AnEmptyFileCannotBeStoredButCanBeLinkedAndQuotesStay) {
    addNode(1, 1, 1, "a.cpp");
    e2e::writeFile(file("empty.txt"), "");
    e2e::writeFile(file("it's here.txt"), "quoted");
    ASSERT_NO_FATAL_FAILURE(start());
    openText("a.cpp");
    addThroughDialog(file("empty.txt"), false);
    EXPECT_EQ(answerNextBox(IDOK), "不能添加0字节文件！");
    waitUntilUsable();
    EXPECT_EQ(attachRows(), Rows{});
    addThroughDialog(file("empty.txt"), true);
    waitUntilUsable();
    addThroughDialog(file("it's here.txt"), false);
    waitUntilUsable();
    EXPECT_TRUE(attachmentsAre({"0|empty.txt|0 B", "1|it's here.txt|6 B"}));
    EXPECT_EQ(attachRows(), (Rows{"empty.txt|0|1", "it's here.txt|6|0"}));
}

// The test holds the database file locked, so that the store waits with
// its busy dialog up until Escape has cancelled it.
TEST_F(Attachments, EscapeInTheBusyDialogRollsTheStoreBack) {
    addNode(1, 1, 1, "a.cpp");
    e2e::writeFile(file("big.bin"), pattern(600 * 1024));
    ASSERT_NO_FATAL_FAILURE(start());
    openText("a.cpp");
    store::DbConnection locker;
    locker.openWithKey(e2e::databasePath(folder).c_str(), store::kPassPhrase);
    locker.execute("BEGIN EXCLUSIVE;");
    addThroughDialog(file("big.bin"), false);
    HWND busy = program->waitForWindow(e2e::kTitle, e2e::kDialogClass);
    ASSERT_TRUE(busy) << "no busy dialog";
    EXPECT_EQ(e2e::windowText(GetDlgItem(busy, 1000)), file("big.bin"));
    EXPECT_FALSE(IsWindowEnabled(frame));
    EXPECT_FALSE(e2e::screenshot("pane-storing", true).empty());
    // The dialog's keys go to it (or to its text, the only child it shows).
    ASSERT_TRUE(e2e::waitFor("the busy dialog in front", [&] { return GetForegroundWindow(); }, busy));
    e2e::pressKey(VK_ESCAPE);
    EXPECT_TRUE(e2e::waitForGone(busy));
    EXPECT_FALSE(IsWindowEnabled(frame)) << "the store still runs";
    locker.execute("COMMIT;");
    locker.close();
    waitUntilUsable();
    EXPECT_EQ(attachments(), Rows{});
    EXPECT_EQ(attachRows(), Rows{});
    // The window works again, and the next store goes through.
    addThroughDialog(file("big.bin"), false);
    waitUntilUsable();
    EXPECT_TRUE(attachmentsAre({"0|big.bin|600 KB"}));
    EXPECT_EQ(attachRows(), Rows{"big.bin|614400|0"});
}

TEST_F(Attachments, RowsAreNumberedInOrderAndADeleteLeavesTheOthersNumbers) {
    int text = addNode(1, 1, 1, "a.cpp");
    {
        store::DbConnection db;
        db.openWithKey(e2e::databasePath(folder).c_str(), store::kPassPhrase);
        for (const char* title : {"one.txt", "two.txt", "three.txt"})
            db.execute(("INSERT INTO attach_tbl VALUES(NULL, " + std::to_string(text) + ", '" + title +
                        "', 1023, datetime('now', 'localtime'), 0, 'x');").c_str());
    }
    ASSERT_NO_FATAL_FAILURE(start());
    openText("a.cpp");
    EXPECT_EQ(attachments(), (Rows{"0|one.txt|1023 B", "1|two.txt|1023 B", "2|three.txt|1023 B"}));
    clickRow(attachList(), 1);
    e2e::pressKey(VK_DELETE);
    HWND box = messageBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(e2e::messageBoxText(box), "警告：删除之后不能恢复！");
    EXPECT_EQ(e2e::windowText(box), "确定删除？");
    answer(box, IDYES);
    EXPECT_TRUE(attachmentsAre({"0|one.txt|1023 B", "2|three.txt|1023 B"}));
    EXPECT_EQ(attachRows("title"), (Rows{"one.txt", "three.txt"}));

    // Nothing selected: the message, nothing deleted.
    e2e::RemoteBuffer remote(pid(), sizeof(LVITEMA));
    LVITEMA none = {};
    none.stateMask = LVIS_SELECTED;
    remote.write(&none, sizeof none);
    SendMessageA(attachList(), LVM_SETITEMSTATE, WPARAM(-1), remote.address());
    e2e::pressKey(VK_DELETE);
    EXPECT_EQ(answerNextBox(IDOK), "未选择任何项！");
    EXPECT_EQ(attachRows("title"), (Rows{"one.txt", "three.txt"}));
}

TEST_F(Attachments, RenamingInPlacePreselectsUpToTheLastDot) {
    addNode(1, 1, 1, "a.cpp");
    e2e::writeFile(file("report.final.doc"), "report");
    ASSERT_NO_FATAL_FAILURE(start());
    openText("a.cpp");
    addThroughDialog(file("report.final.doc"), false);
    waitUntilUsable();
    ASSERT_TRUE(attachmentsAre({"0|report.final.doc|6 B"}));
    clickRow(attachList(), 0);
    e2e::pressKey(VK_F2);
    HWND edit = shownRenameEdit();
    ASSERT_TRUE(edit);
    EXPECT_EQ(e2e::windowText(edit), "report.final.doc");
    LRESULT selection = SendMessageA(edit, EM_GETSEL, 0, 0);
    EXPECT_EQ(LOWORD(selection), 0);
    EXPECT_EQ(HIWORD(selection), 12) << "report.final";
    EXPECT_FALSE(e2e::screenshot("pane-rename", true).empty());
    ASSERT_TRUE(e2e::waitForKeyboard(edit));
    e2e::typeAscii("it's");  // replaces the selection
    ASSERT_TRUE(e2e::waitForText(edit, "it's.doc"));
    e2e::pressKey(VK_RETURN);
    EXPECT_TRUE(e2e::waitForGone(edit));
    EXPECT_TRUE(attachmentsAre({"0|it's.doc|6 B"}));
    EXPECT_EQ(attachRows("title"), Rows{"it's.doc"});

    // Escape leaves the title as it was.
    e2e::pressKey(VK_F2);
    ASSERT_TRUE(e2e::waitFor("the rename edit shown", [&] { return IsWindowVisible(edit) != FALSE; }, true));
    ASSERT_TRUE(e2e::waitForKeyboard(edit));
    e2e::typeAscii("x");
    ASSERT_TRUE(e2e::waitForText(edit, "x.doc"));
    e2e::pressKey(VK_ESCAPE);
    EXPECT_TRUE(e2e::waitForGone(edit));
    EXPECT_EQ(attachRows("title"), Rows{"it's.doc"});
    EXPECT_EQ(attachments(), Rows{"0|it's.doc|6 B"});
}

TEST_F(Attachments, ExtractWritesTheExactBytesWhereTheUserChose) {
    addNode(1, 1, 1, "a.cpp");
    const std::string bytes = pattern(700 * 1024, 7);
    e2e::writeFile(file("data.bin"), bytes);
    ASSERT_NO_FATAL_FAILURE(start());
    openText("a.cpp");
    addThroughDialog(file("data.bin"), false);
    waitUntilUsable();
    ASSERT_TRUE(attachmentsAre({"0|data.bin|700 KB"}));
    DeleteFileA(file("data.bin").c_str());  // only the database holds it now
    clickRow(attachList(), 0);
    listMenu(kAttachExtract);
    HWND dialog = program->waitForWindow(nullptr, e2e::kDialogClass);
    ASSERT_TRUE(dialog) << "no save dialog";
    EXPECT_EQ(e2e::windowText(fileNameField(dialog)), "data.bin");
    EXPECT_FALSE(e2e::screenshot("pane-extract-dialog", true).empty());
    typePathAndConfirm(dialog, file("out.bin"));
    EXPECT_TRUE(e2e::waitFor("the extracted file's size", [&] { return e2e::readFile(file("out.bin")).size(); },
                             bytes.size()));
    EXPECT_EQ(asText(e2e::readFile(file("out.bin"))), bytes);
}

// The shell opens files of the type ".jexopen" with a test program that
// writes down the path it was given.
class Opening : public PaneTest {
protected:
    void SetUp() override {
        PaneTest::SetUp();
        opener = e2e::testProgram("jexopener");
        DeleteFileA(opened().c_str());
        setKey(".jexopen", "jexmarlo.testfile");
        setKey("jexmarlo.testfile\\shell\\open\\command", "\"" + opener + "\" \"%1\"");
    }
    void TearDown() override {
        PaneTest::TearDown();
        RegDeleteTreeA(HKEY_CLASSES_ROOT, ".jexopen");
        RegDeleteTreeA(HKEY_CLASSES_ROOT, "jexmarlo.testfile");
    }
    static void setKey(const std::string& key, const std::string& value) {
        HKEY k;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(k, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), DWORD(value.size() + 1));
        RegCloseKey(k);
    }
    std::string opened() { return folderOf(opener) + "opened.txt"; }
    // Whether a process of this name runs.
    static bool running(const char* exe) {
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        PROCESSENTRY32 entry = {};
        entry.dwSize = sizeof entry;
        bool found = false;
        for (BOOL more = Process32First(snapshot, &entry); more && !found; more = Process32Next(snapshot, &entry))
            found = lstrcmpiA(entry.szExeFile, exe) == 0;
        CloseHandle(snapshot);
        return found;
    }
    // The opener has ended (its start and end move the activation around).
    ::testing::AssertionResult openerGone() {
        return e2e::waitFor("the opener running", [] { return running("jexopener.exe"); }, false);
    }
    // The path the opener wrote down; the file is created before the path
    // is written into it, so an empty file is not yet the answer.
    std::string openedPath() {
        auto written = [&] { return e2e::fileExists(opened()) && !e2e::readFile(opened()).empty(); };
        return e2e::waitFor("the opened file", written, true) ? asText(e2e::readFile(opened())) : "<nothing opened>";
    }
    std::string opener;
};

TEST_F(Opening, AStoredAttachmentOpensFromTheTemporaryFolderEvenUnderAHostileTitle) {
    addNode(1, 1, 1, "a.cpp");
    const std::string bytes = pattern(3000, 3), other = pattern(1500, 4);
    e2e::writeFile(file("notes.jexopen"), bytes);
    e2e::writeFile(file("evil.jexopen"), other);
    ASSERT_NO_FATAL_FAILURE(start());
    openText("a.cpp");
    addThroughDialog(file("notes.jexopen"), false);
    waitUntilUsable();
    addThroughDialog(file("evil.jexopen"), false);
    waitUntilUsable();
    ASSERT_TRUE(attachmentsAre({"0|notes.jexopen|2 KB", "1|evil.jexopen|1 KB"}));

    // A title that climbs out of the folder, given in place.
    clickRow(attachList(), 1);
    e2e::pressKey(VK_F2);
    HWND edit = shownRenameEdit();
    ASSERT_TRUE(edit);
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
    ASSERT_TRUE(e2e::typeInto(edit, "..\\..\\evil.jexopen"));
    e2e::pressKey(VK_RETURN);
    ASSERT_TRUE(e2e::waitForGone(edit));
    EXPECT_TRUE(attachmentsAre({"0|notes.jexopen|2 KB", "1|..\\..\\evil.jexopen|1 KB"}));
    EXPECT_EQ(attachRows("title"), (Rows{"notes.jexopen", "..\\..\\evil.jexopen"}));

    clickRow(attachList(), 0);
    e2e::pressKey(VK_RETURN);
    const std::string temp = e2e::attachmentTempFolder();
    std::string path = openedPath();
    EXPECT_EQ(path, temp + "notes.jexopen");
    EXPECT_EQ(asText(e2e::readFile(path)), bytes);
    ASSERT_TRUE(openerGone());

    // It stays inside the temporary folder.
    DeleteFileA(opened().c_str());
    clickRow(attachList(), 1);
    listMenu(kAttachOpen);
    path = openedPath();
    EXPECT_EQ(path, temp + ".._.._evil.jexopen");
    EXPECT_EQ(asText(e2e::readFile(path)), other);
    EXPECT_FALSE(e2e::fileExists(temp + "..\\..\\evil.jexopen"));
    EXPECT_FALSE(e2e::fileExists(temp + "..\\evil.jexopen"));
    ASSERT_TRUE(openerGone());

    // The temporary folder goes with the program.
    ASSERT_EQ(e2e::closeProgram(*program, frame), 0u);
    EXPECT_FALSE(e2e::folderExists(temp));
}

TEST_F(Opening, ALinkOpensItsFileAndAMissingOneTellsSo) {
    addNode(1, 1, 1, "a.cpp");
    e2e::writeFile(file("linked.jexopen"), "linked");
    ASSERT_NO_FATAL_FAILURE(start());
    openText("a.cpp");
    addThroughDialog(file("linked.jexopen"), true);
    waitUntilUsable();
    ASSERT_TRUE(attachmentsAre({"0|linked.jexopen|6 B"}));
    // A double click opens it.
    RECT r = rowRect(attachList(), 0);
    e2e::click(r.left + 80, (r.top + r.bottom) / 2, false, 2);
    EXPECT_EQ(openedPath(), file("linked.jexopen"));
    ASSERT_TRUE(openerGone());

    DeleteFileA(file("linked.jexopen").c_str());
    clickRow(attachList(), 0);
    e2e::pressKey(VK_RETURN);
    EXPECT_EQ(answerNextBox(IDOK), "错误,可能是系统未关联此类文件，或者附件链接路径已失效！");
    EXPECT_EQ(attachRows("title, bStorePath"), Rows{"linked.jexopen|1"});
}

// The program closes only once a running extraction has finished, with the
// busy dialog meanwhile; the test's lock on the file holds the worker.
TEST_F(Opening, ClosingWaitsForARunningExtraction) {
    addNode(1, 1, 1, "a.cpp");
    const std::string bytes = pattern(2 * 1048576, 9);
    e2e::writeFile(file("late.bin"), bytes);
    ASSERT_NO_FATAL_FAILURE(start());
    openText("a.cpp");
    addThroughDialog(file("late.bin"), false);
    waitUntilUsable();
    ASSERT_TRUE(attachmentsAre({"0|late.bin|2.00 MB"}));
    clickRow(attachList(), 0);
    listMenu(kAttachExtract);
    HWND dialog = program->waitForWindow(nullptr, e2e::kDialogClass);
    ASSERT_TRUE(dialog);
    store::DbConnection locker;
    locker.openWithKey(e2e::databasePath(folder).c_str(), store::kPassPhrase);
    locker.execute("BEGIN EXCLUSIVE;");
    typePathAndConfirm(dialog, file("late copy.bin"));
    PostMessageA(frame, WM_CLOSE, 0, 0);
    HWND busy = program->waitForWindow(e2e::kTitle, e2e::kDialogClass);
    ASSERT_TRUE(busy) << "no busy dialog while the extraction runs";
    EXPECT_EQ(e2e::windowText(GetDlgItem(busy, 1000)), "正在完成附件的提取和打开……");
    EXPECT_TRUE(program->running());
    EXPECT_FALSE(e2e::screenshot("pane-closing-waits", true).empty());
    locker.execute("COMMIT;");
    locker.close();
    DWORD code = 99;
    ASSERT_TRUE(program->waitForExit(60000, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(asText(e2e::readFile(file("late copy.bin"))), bytes);
}

// --- memo --------------------------------------------------------------------------------

class Memo : public PaneTest {
protected:
    std::string memoOf(const std::string& title) {
        Rows r = query("SELECT memo FROM content_tbl WHERE ItemId = " + std::to_string(textId(title)) + ";");
        return r.empty() ? "<no row>" : r[0];
    }
    void focusMemo() {
        RECT r;
        GetWindowRect(memo(), &r);
        ASSERT_TRUE(e2e::repeatUntil(
            memo(), [&] { e2e::click(r.left + 30, r.top + 10); }, "the memo's keyboard",
            [&] { return e2e::hasKeyboard(memo()); }, true));
    }
    // Clicks the code view's tab header `index`.
    void clickCodeTab(int index) {
        e2e::RemoteBuffer remote(pid(), sizeof(RECT));
        SendMessageA(codeTabs, TCM_GETITEMRECT, WPARAM(index), remote.address());
        RECT r;
        remote.read(&r, sizeof r);
        MapWindowPoints(codeTabs, nullptr, reinterpret_cast<POINT*>(&r), 2);
        ASSERT_TRUE(e2e::repeatUntil(
            codeTabs, [&] { e2e::click((r.left + r.right) / 2 - 8, (r.top + r.bottom) / 2); }, "the code tab",
            [&] { return int(SendMessageA(codeTabs, TCM_GETCURSEL, 0, 0)); }, index));
    }
};

TEST_F(Memo, AMemoWithAQuoteIsSavedWhenTheFocusLeavesAndComesBackAfterARestart) {
    addNode(1, 1, 1, "a.cpp");
    ASSERT_NO_FATAL_FAILURE(start());
    openText("a.cpp", false);
    EXPECT_EQ(paneTab(), 0);
    EXPECT_TRUE(IsWindowVisible(memo()));
    focusMemo();
    ASSERT_TRUE(e2e::typeInto(memo(), "don't forget"));
    EXPECT_EQ(memoOf("a.cpp"), "<null>");
    // The pane's own keys: Ctrl+A selects the memo, Ctrl+C copies it.
    e2e::chord(VK_CONTROL, 'A');
    EXPECT_TRUE(e2e::waitFor("the memo's selection", [&] { return SendMessageA(memo(), EM_GETSEL, 0, 0); },
                             LRESULT(MAKELONG(0, 12))));
    e2e::chord(VK_CONTROL, 'C');
    EXPECT_TRUE(e2e::waitFor("the clipboard", [] { return clipboardText(); }, std::string("don't forget")));
    focusEditor();  // the memo loses the focus: saved at once
    EXPECT_TRUE(e2e::waitFor("the stored memo", [&] { return memoOf("a.cpp"); }, std::string("don't forget")));
    EXPECT_EQ(codeTabLabels(), Rows{"a.cpp"});
    EXPECT_FALSE(e2e::screenshot("pane-memo", true).empty());
    ASSERT_EQ(e2e::closeProgram(*program, frame), 0u);  // nothing unsaved: no question

    ASSERT_NO_FATAL_FAILURE(start());
    openText("a.cpp", false);
    EXPECT_EQ(e2e::windowText(memo()), "don't forget");
    EXPECT_EQ(SendMessageA(memo(), EM_GETMODIFY, 0, 0), 0);
}

// Clicking another text's tab never takes the focus from the memo: the
// memo typed is saved under its own text before the other's is shown.
TEST_F(Memo, AMemoTypedBeforeSwitchingTextsIsKeptWithItsText) {
    addNode(1, 1, 1, "a.cpp");
    addNode(1, 2, 1, "b.cpp");
    ASSERT_NO_FATAL_FAILURE(start());
    openText("b.cpp", false);
    openText("a.cpp", false);
    focusMemo();
    ASSERT_TRUE(e2e::typeInto(memo(), "for a"));
    clickCodeTab(0);  // b.cpp
    EXPECT_TRUE(e2e::waitFor("the memo shown", [&] { return e2e::windowText(memo()); }, std::string("")));
    EXPECT_EQ(memoOf("a.cpp"), "for a");
    EXPECT_EQ(memoOf("b.cpp"), "<null>");
    clickCodeTab(1);
    EXPECT_TRUE(e2e::waitFor("the memo shown", [&] { return e2e::windowText(memo()); }, std::string("for a")));
}

TEST_F(Memo, AMemoStopsAt400BytesOr200ChineseCharacters) {
    addNode(1, 1, 1, "a.cpp");
    addNode(1, 2, 1, "b.cpp");
    ASSERT_NO_FATAL_FAILURE(start());
    openText("a.cpp", false);
    focusMemo();
    SendMessageA(memo(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(std::string(398, 'm').c_str()));
    SendMessageA(memo(), EM_SETSEL, 398, 398);
    ASSERT_TRUE(e2e::typeInto(memo(), "xy"));
    e2e::typeAscii("z");  // one too many
    ASSERT_TRUE(e2e::waitForIdle(frame));
    EXPECT_EQ(e2e::windowText(memo()), std::string(398, 'm') + "xy");
    focusEditor();
    EXPECT_TRUE(e2e::waitFor("the stored memo's length", [&] { return memoOf("a.cpp").size(); }, std::size_t(400)));

    openText("b.cpp", false);
    focusMemo();
    std::string chinese;
    for (int i = 0; i < 199; ++i) chinese += "\xD6\xD0";  // 中
    SendMessageA(memo(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(chinese.c_str()));
    SendMessageA(memo(), EM_SETSEL, 199, 199);
    // 文 twice, as an input method or a paste puts text in.
    for (int i = 0; i < 2; ++i) SendMessageA(memo(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("\xCE\xC4"));
    EXPECT_EQ(e2e::windowText(memo()), chinese + "\xCE\xC4");
    EXPECT_FALSE(e2e::screenshot("pane-memo-full", true).empty());
    focusEditor();
    EXPECT_TRUE(e2e::waitFor("the stored memo", [&] { return memoOf("b.cpp"); }, chinese + "\xCE\xC4"));
}

// --- search --------------------------------------------------------------------------------

class Search : public PaneTest {
protected:
    HWND searchField() { return e2e::findDescendant(e2e::findDescendant(frame, "jexSearchBox"), "Edit"); }
    // Types `word` into the search box and presses Enter there.
    void searchFor(const std::string& word) {
        HWND field = searchField();
        ASSERT_TRUE(field);
        RECT r;
        GetWindowRect(field, &r);
        ASSERT_TRUE(e2e::repeatUntil(
            field, [&] { e2e::click(r.left + 10, (r.top + r.bottom) / 2); }, "the search field's keyboard",
            [&] { return e2e::hasKeyboard(field); }, true));
        SendMessageA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
        bool ascii = std::all_of(word.begin(), word.end(), [](char c) { return c > 0 && c < 0x7F; });
        if (ascii) {
            ASSERT_TRUE(e2e::typeInto(field, word));
        } else {
            SendMessageA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(word.c_str()));
        }
        e2e::pressKey(VK_RETURN);
        ASSERT_TRUE(e2e::waitForIdle(frame));
    }
    Rows results() { return listRows(resultList(), 3); }
    ::testing::AssertionResult resultsAre(const Rows& expected) {
        return e2e::waitFor("the search results", [&] { return results(); }, expected);
    }
};

TEST_F(Search, TextsAreListedWithTheirFoldersAndFoldersNever) {
    int lib = addNode(1, 1, 0, "sort lib");
    addNode(lib, 1, 1, "quick_sort.cpp");
    addNode(1, 2, 1, "sorted.txt");
    addNode(0, 2, 1, "sort at the top.c");
    addNode(0, 3, 0, "sort folder");
    addNode(1, 3, 1, "it''s.txt");
    ASSERT_NO_FATAL_FAILURE(start());
    EXPECT_EQ(paneTab(), 0);
    searchFor("SORT");
    ASSERT_TRUE(e2e::waitFor("the pane's page", [&] { return paneTab(); }, 2));
    Rows found = results();
    EXPECT_EQ(found, (Rows{"1|sort lib|quick_sort.cpp", "2|默认|sorted.txt", "3|根目录|sort at the top.c"}));
    EXPECT_TRUE(IsWindowVisible(resultList()));
    EXPECT_FALSE(IsWindowVisible(memo()));
    EXPECT_FALSE(e2e::screenshot("pane-search", true).empty());
    // The same rows as the query on the file gives.
    EXPECT_EQ(query("SELECT COUNT(*) FROM tree_tbl WHERE type = 1 AND title LIKE '%sort%';"), Rows{"3"});

    // A second search holds only its own rows, numbered from 1.
    searchFor("it's");
    EXPECT_TRUE(resultsAre({"1|默认|it's.txt"}));

    // A click on a row opens its text.
    clickRow(resultList(), 0);
    EXPECT_TRUE(codeTabsAre({"it's.txt"}));
    EXPECT_TRUE(IsWindowEnabled(memo()));
}

TEST_F(Search, NothingFoundLeavesThePageShownAndChineseWordsAreFound) {
    addNode(1, 1, 1, "\xB5\xC4\xB4\xFA\xC2\xEB.txt");  // 的代码.txt: the engine's LIKE misses 代码 in it
    addNode(1, 2, 1, "\x81\x61.py");                   // 乤.py: its trail byte is 'a'
    ASSERT_NO_FATAL_FAILURE(start());
    openText("的代码.txt", false);
    clickPaneTab(1);
    searchFor("zzz");
    EXPECT_EQ(answerNextBox(IDOK), kNothingFound);
    EXPECT_EQ(paneTab(), 1);
    EXPECT_TRUE(IsWindowVisible(attachList()));
    searchFor("代码");
    EXPECT_TRUE(resultsAre({"1|默认|的代码.txt"}));
    EXPECT_EQ(paneTab(), 2);
    searchFor("a");
    EXPECT_EQ(answerNextBox(IDOK), kNothingFound);
    EXPECT_EQ(paneTab(), 2);
    EXPECT_EQ(results(), Rows{}) << "the list is emptied first";
}

}  // namespace
