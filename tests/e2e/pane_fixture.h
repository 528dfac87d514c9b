// The lower pane's test fixture: the program started with a window large
// enough for the pane to show rows, the pane's windows found, its lists
// read across the process boundary, attachments added through the real
// add dialog, and the database read back.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdint>

#include "tests/e2e/main_window_fixture.h"

namespace e2e {
namespace pane {

using e2e::Rows;

constexpr int kAttachAdd = 32810;  // the attachment list's context menu
constexpr int kAttachExtract = 32814;
constexpr int kAttachOpen = 32812;

const char kNothingFound[] = "搜索不到任何结果！";

// A file of `size` bytes; its bytes follow from the seed.  Large files are
// only sized (their contents do not matter).
inline std::string pattern(std::size_t size, unsigned seed = 1) {
    std::string bytes(size, '\0');
    std::uint32_t x = seed;
    for (char& c : bytes) c = char((x = x * 1103515245 + 12345) >> 16);
    return bytes;
}

inline void sizedFile(const std::string& path, LONGLONG size) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    LARGE_INTEGER at;
    at.QuadPart = size;
    SetFilePointerEx(file, at, nullptr, FILE_BEGIN);
    SetEndOfFile(file);
    CloseHandle(file);
}

inline std::string asText(const std::vector<unsigned char>& bytes) { return std::string(bytes.begin(), bytes.end()); }

// The clipboard's text, read while the program that put it there runs.
inline std::string clipboardText() {
    if (!OpenClipboard(nullptr)) return "<clipboard busy>";
    std::string text;
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const char* p = static_cast<const char*>(GlobalLock(data))) text = p;
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

class PaneTest : public e2e::MainWindowTest {
protected:
    void SetUp() override {
        e2e::MainWindowTest::SetUp();
        CreateDirectoryA(files().c_str(), nullptr);
    }

    // The program, its window made large enough for the pane to show rows
    // (the code view keeps its 400 pixels).
    void start() {
        ASSERT_NO_FATAL_FAILURE(e2e::MainWindowTest::start());
        SetWindowPos(frame, nullptr, 0, 0, 1000, 760, SWP_NOZORDER);
        ASSERT_TRUE(e2e::waitForIdle(frame));
    }

    std::string files() { return folder.file("files\\"); }
    std::string file(const std::string& name) { return files() + name; }

    HWND paneView() { return e2e::findDescendant(frame, "Afx:jexmarlo:ListTabView"); }
    HWND paneTabs() { return e2e::findDescendant(paneView(), WC_TABCONTROLA, 1002); }
    HWND attachList() { return e2e::findDescendant(paneTabs(), WC_LISTVIEWA, 1003); }
    HWND resultList() { return e2e::findDescendant(paneTabs(), WC_LISTVIEWA, 1004); }
    HWND memo() { return e2e::findDescendant(paneTabs(), "Edit", 1005); }
    HWND renameEdit() { return e2e::findDescendant(paneView(), "Edit", 1006); }
    // The rename edit once it shows (after F2), or null.
    HWND shownRenameEdit() {
        HWND edit = nullptr;
        auto shown = e2e::waitFor("the rename edit shown", [&] {
            edit = renameEdit();
            return edit != nullptr && IsWindowVisible(edit) != FALSE;
        }, true);
        return shown ? edit : nullptr;
    }
    int paneTab() { return int(SendMessageA(paneTabs(), TCM_GETCURSEL, 0, 0)); }

    // The rows of a list view, columns joined by "|".
    Rows listRows(HWND list, int columns) {
        Rows rows;
        int count = int(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
        e2e::RemoteBuffer remote(pid(), sizeof(LVITEMA) + 512);
        for (int row = 0; row < count; ++row) {
            std::string line;
            for (int column = 0; column < columns; ++column) {
                LVITEMA item = {};
                item.iSubItem = column;
                item.pszText = reinterpret_cast<char*>(remote.address(sizeof(LVITEMA)));
                item.cchTextMax = 512;
                remote.write(&item, sizeof item);
                SendMessageA(list, LVM_GETITEMTEXTA, WPARAM(row), remote.address());
                line += (column ? "|" : "") + remote.readString(sizeof(LVITEMA));
            }
            rows.push_back(line);
        }
        return rows;
    }
    Rows attachments() { return listRows(attachList(), 3); }  // number, title, size
    ::testing::AssertionResult attachmentsAre(const Rows& expected) {
        return e2e::waitFor("the attachment list", [&] { return attachments(); }, expected);
    }
    int imageOf(HWND list, int row) {
        e2e::RemoteBuffer remote(pid(), sizeof(LVITEMA));
        LVITEMA item = {};
        item.mask = LVIF_IMAGE;
        item.iItem = row;
        remote.write(&item, sizeof item);
        SendMessageA(list, LVM_GETITEMA, 0, remote.address());
        remote.read(&item, sizeof item);
        return item.iImage;
    }
    RECT rowRect(HWND list, int row) {
        e2e::RemoteBuffer remote(pid(), sizeof(RECT));
        RECT r = {LVIR_BOUNDS, 0, 0, 0};
        remote.write(&r, sizeof r);
        SendMessageA(list, LVM_GETITEMRECT, WPARAM(row), remote.address());
        remote.read(&r, sizeof r);
        MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    int selectedRow(HWND list) { return int(SendMessageA(list, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED)); }
    // Clicks a row (in its second column) until it is selected and the list
    // has the keyboard, so that a key pressed next reaches the list.
    // A repeated click lands 12 pixels from the last one, so that two of
    // them never make a double click (which opens the attachment).
    void clickRow(HWND list, int row) {
        RECT r = rowRect(list, row);
        int attempt = 0;
        ASSERT_TRUE(e2e::repeatUntil(
            list, [&] { e2e::click(r.left + 80 + 12 * (attempt++ % 2), (r.top + r.bottom) / 2); }, "the selected row",
            [&] { return selectedRow(list); }, row));
        ASSERT_TRUE(e2e::waitForKeyboard(list));
    }

    // Clicks the pane's tab header `index`.
    void clickPaneTab(int index) {
        e2e::RemoteBuffer remote(pid(), sizeof(RECT));
        SendMessageA(paneTabs(), TCM_GETITEMRECT, WPARAM(index), remote.address());
        RECT r;
        remote.read(&r, sizeof r);
        MapWindowPoints(paneTabs(), nullptr, reinterpret_cast<POINT*>(&r), 2);
        ASSERT_TRUE(e2e::repeatUntil(
            paneTabs(), [&] { e2e::click((r.left + r.right) / 2, (r.top + r.bottom) / 2); }, "the pane's tab",
            [&] { return paneTab(); }, index));
    }

    // Opens a text of the top folder from the tree, then shows the
    // attachments page.
    void openText(const char* title, bool showAttachments = true) {
        expand(top);
        select(find(top, title));
        openSelected();
        ASSERT_TRUE(e2e::waitFor("the list enabled", [&] { return IsWindowEnabled(attachList()) != FALSE; }, true));
        if (showAttachments) clickPaneTab(1);
    }

    // Right-clicks the attachment list and chooses a menu entry by its key.
    void listMenu(int command) {
        RECT list;
        GetWindowRect(attachList(), &list);
        int row = selectedRow(attachList());
        POINT at = {list.left + 60, list.bottom - 12};
        if (row >= 0) {
            RECT r = rowRect(attachList(), row);
            at = {r.left + 80, (r.top + r.bottom) / 2};
        }
        HWND menu = nullptr;
        ASSERT_TRUE(e2e::repeatUntil(
            attachList(), [&] { e2e::click(at.x, at.y, true); }, "the context menu",
            [&] { return (menu = program->findWindow(nullptr, "#32768")) != nullptr; }, true));
        const char key = command == kAttachAdd ? 'A' : command == kAttachExtract ? 'S' : command == kAttachOpen ? 'O' : 0;
        ASSERT_TRUE(key);
        e2e::pressKey(WORD(key));
        ASSERT_TRUE(e2e::waitForGone(menu));
    }

    // The file name field of an open or save dialog: the edit of its combo
    // box (cmb13) or the plain edit (edt1).
    static BOOL CALLBACK matchNameField(HWND child, LPARAM found) {
        int id = GetDlgCtrlID(child), parent = GetDlgCtrlID(GetParent(child));
        if (e2e::className(child) != "Edit" || (id != 1152 && id != 1148 && parent != 1148)) return TRUE;
        *reinterpret_cast<HWND*>(found) = child;
        return FALSE;
    }
    static HWND fileNameField(HWND dialog) {
        HWND found = nullptr;
        EnumChildWindows(dialog, matchNameField, reinterpret_cast<LPARAM>(&found));
        return found;
    }
    // Types `path` into a file dialog's name field and confirms with Enter.
    void typePathAndConfirm(HWND dialog, const std::string& path) {
        HWND field = fileNameField(dialog);
        ASSERT_TRUE(field) << "no file name field";
        SendMessageA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
        RECT r;
        GetWindowRect(field, &r);
        ASSERT_TRUE(e2e::repeatUntil(
            field, [&] { e2e::click(r.left + 10, (r.top + r.bottom) / 2); }, "the name field's keyboard",
            [&] { return e2e::hasKeyboard(field); }, true));
        ASSERT_TRUE(e2e::typeInto(field, path));
        e2e::pressKey(VK_RETURN);
        ASSERT_TRUE(e2e::waitForGone(dialog));
    }

    // Adds `path` through the context menu's add dialog, its box ticked or
    // not, as a user would.
    void addThroughDialog(const std::string& path, bool pathOnly) {
        listMenu(kAttachAdd);
        HWND dialog = program->waitForWindow("请选择一个附件", e2e::kDialogClass);
        ASSERT_TRUE(dialog) << "no add dialog";
        HWND box = e2e::waitForDescendant(dialog, "Button", 1013);
        ASSERT_TRUE(box) << "no check box in the add dialog";
        EXPECT_EQ(e2e::windowText(box), "不存入数据库，只是存入文件路径");
        if (screenshotAddDialog) {
            EXPECT_FALSE(e2e::screenshot("pane-add-dialog", true).empty());
            screenshotAddDialog = false;
        }
        if (pathOnly) {
            RECT r;
            GetWindowRect(box, &r);
            ASSERT_TRUE(e2e::repeatUntil(
                box, [&] { e2e::click(r.left + 6, (r.top + r.bottom) / 2); }, "the check box",
                [&] { return SendMessageA(box, BM_GETCHECK, 0, 0); }, LRESULT(BST_CHECKED)));
        }
        typePathAndConfirm(dialog, path);
    }
    // Waits for the program to be done with an add: the window enabled again.
    void waitUntilUsable() {
        ASSERT_TRUE(e2e::waitFor("the main window enabled", [&] { return IsWindowEnabled(frame) != FALSE; }, true));
        ASSERT_TRUE(e2e::waitForIdle(frame));
    }
    // The message box the program shows next, answered with `button`.
    std::string answerNextBox(int button) {
        HWND box = messageBox();
        if (!box) return "<no message box>";
        std::string text = e2e::messageBoxText(box);
        answer(box, button);
        return text;
    }

    bool screenshotAddDialog = false;

    int textId(const std::string& title) {
        Rows r = query("SELECT ItemId FROM tree_tbl WHERE title = '" + title + "';");
        return r.empty() ? 0 : std::stoi(r[0]);
    }
    Rows attachRows(const std::string& columns = "title, filesize, bStorePath") {
        return query("SELECT " + columns + " FROM attach_tbl ORDER BY AttachId;");
    }
};

}  // namespace pane
}  // namespace e2e
