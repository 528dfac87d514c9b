// The library's interface as the program uses it: the twelve exports, the
// skin file and its image paths, the search box's frame and layout, the
// item and text functions, and the brackets that leave windows unskinned.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>

#include "tests/skin/win/skin_test_support.h"

namespace {

using namespace skintest;

const char kOldProc[] = "WndProcOld";

SIZE clientSize(HWND hwnd) {
    RECT r = {};
    GetClientRect(hwnd, &r);
    return {r.right, r.bottom};
}

SIZE windowSize(HWND hwnd) {
    RECT r = {};
    GetWindowRect(hwnd, &r);
    return {r.right - r.left, r.bottom - r.top};
}

std::string sizeText(SIZE s) { return std::to_string(s.cx) + " x " + std::to_string(s.cy); }

HWND newTree(HWND parent) {
    return CreateWindowExA(0, WC_TREEVIEWA, "", WS_CHILD | WS_VISIBLE, 0, 0, 100, 100, parent, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

bool skinned(HWND hwnd) { return GetPropA(hwnd, kOldProc) != nullptr; }

// The names in the export directory of a loaded module.
std::set<std::string> exportedNames(HMODULE module) {
    std::set<std::string> names;
    auto* base = reinterpret_cast<const BYTE*>(module);
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    if (!dir.VirtualAddress) return names;
    auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
    auto* nameOffsets = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    for (DWORD i = 0; i < exports->NumberOfNames; ++i)
        names.insert(reinterpret_cast<const char*>(base + nameOffsets[i]));
    return names;
}

TEST(Exports, TheTwelveFunctionsUndecoratedAndNothingElse) {
    HMODULE library = GetModuleHandleA("jexUI.dll");
    ASSERT_TRUE(library);
    const std::set<std::string> twelve = {
        "jexsoft_InitUI",         "jexsoft_SetSkin",         "jexsoft_UnloadSkin",       "jexsoft_UnHookBegin",
        "jexsoft_UnHookEnd",      "jexsoft_CreateNavCtrl",   "jexsoft_NCAddString",      "jexsoft_NCGetItemCount",
        "jexsoft_NCGetItemText",  "jexsoft_NCSetCurSel",     "jexsoft_CreateSearchBox",  "jexsoft_GetSearchText"};
    EXPECT_EQ(exportedNames(library), twelve);
    for (const std::string& name : twelve) EXPECT_TRUE(GetProcAddress(library, name.c_str())) << name;
}

// A window that hosts the controls of one test and takes them with it.
class LibraryTest : public ::testing::Test {
protected:
    void TearDown() override {
        useSkin("skin.ini");
        jexsoft_UnHookEnd();
    }
    HWND searchBox(int left, int top, int right, int bottom) {
        return jexsoft_CreateSearchBox(WS_CHILD | WS_VISIBLE, left, top, right, bottom, host.hwnd(), 1);
    }
    TestWindow host{50, 50, 400, 300};
};

// --- the skin file -----------------------------------------------------------------------------------

// The frame's margins decide the search box's client area, so a box shows
// whether its skin file and images were found: 4-pixel margins turn the
// program's 170 x 32 box into a 162 x 24 client area; no frame leaves the
// whole window.
using SkinFile = LibraryTest;

TEST_F(SkinFile, ARelativePathIsExpandedWhenTheSkinIsSet) {
    char before[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, before);
    ASSERT_TRUE(SetCurrentDirectoryA(tempRoot().c_str()));
    jexsoft_SetSkin("skin\\skin.ini");
    SetCurrentDirectoryA(before);  // the skin file is read when the box is made, from elsewhere
    HWND box = searchBox(0, 0, 170, 32);
    ASSERT_TRUE(box);
    EXPECT_EQ(sizeText(clientSize(box)), "162 x 24");
}

TEST_F(SkinFile, ImagesInSubFoldersResolveBelowTheSkinFolder) {
    HWND box = searchBox(0, 0, 170, 32);  // NormalImg=frames\normal.png
    ASSERT_TRUE(box);
    EXPECT_EQ(sizeText(windowSize(box)), "170 x 32");
    EXPECT_EQ(sizeText(clientSize(box)), "162 x 24");
}

TEST_F(SkinFile, AMissingSkinFileLeavesTheBoxWithoutFrame) {
    jexsoft_SetSkin(skinPath("absent.ini").c_str());
    HWND box = searchBox(0, 0, 170, 32);
    ASSERT_TRUE(box);
    EXPECT_EQ(sizeText(clientSize(box)), "170 x 32");
}

// Markers at 10 and 20: a 30-pixel file has margins of 10; a 40-pixel file
// has margins of 20 (40 - 20), so the box grows to 2 x 20 + 1.
TEST_F(SkinFile, NineGridMarginsComeFromTheMarkers) {
    useSkin("wide.ini");
    HWND box = searchBox(0, 0, 170, 32);
    ASSERT_TRUE(box);
    EXPECT_EQ(sizeText(windowSize(box)), "170 x 32");
    EXPECT_EQ(sizeText(clientSize(box)), "150 x 12");

    useSkin("grow.ini");
    HWND grown = searchBox(0, 40, 28, 64);
    ASSERT_TRUE(grown);
    EXPECT_EQ(sizeText(windowSize(grown)), "41 x 41");
    EXPECT_EQ(sizeText(clientSize(grown)), "1 x 1");
    RECT r;
    GetWindowRect(grown, &r);
    MapWindowPoints(nullptr, host.hwnd(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 0);  // grown in place
    EXPECT_EQ(r.top, 40);
}

// --- the search box ---------------------------------------------------------------------------------------

using SearchBoxLayout = LibraryTest;

// The program's box: the field takes the client width less a square of the
// client height on the right, and is centred on the font's height.
TEST_F(SearchBoxLayout, TheProgramsBoxWithFourPixelMargins) {
    HWND box = searchBox(0, 0, 170, 32);
    ASSERT_TRUE(box);
    HWND edit = GetDlgItem(box, 1);
    ASSERT_TRUE(edit);
    char className[32] = {};
    GetClassNameA(edit, className, sizeof className);
    EXPECT_STREQ(className, "Edit");
    RECT field;
    GetWindowRect(edit, &field);
    MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&field), 2);
    LOGFONTA font = {};
    GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
    const int fontHeight = font.lfHeight < 0 ? -font.lfHeight : font.lfHeight;
    EXPECT_EQ(field.left, 0);
    EXPECT_EQ(field.right - field.left, 138);
    EXPECT_EQ(field.top, (24 - fontHeight) / 2);
    EXPECT_EQ(field.bottom, 24);
    // The field keeps its own look.
    EXPECT_FALSE(skinned(edit));
    EXPECT_TRUE(skinned(box));
}

TEST_F(SearchBoxLayout, ATinyRectangleGivesAtLeastTwentyEightByTwentyFour) {
    HWND box = searchBox(10, 10, 20, 20);
    ASSERT_TRUE(box);
    SIZE s = windowSize(box);
    EXPECT_EQ(sizeText(s), "28 x 24");
    EXPECT_EQ(sizeText(clientSize(box)), "20 x 16");
}

TEST_F(SearchBoxLayout, TheTextIsCutToTheBufferAndTerminated) {
    HWND box = searchBox(0, 0, 170, 32);
    ASSERT_TRUE(box);
    SetWindowTextA(GetDlgItem(box, 1), "abcdef");
    char small[4];
    std::memset(small, 'x', sizeof small);
    jexsoft_GetSearchText(box, small, sizeof small);
    EXPECT_STREQ(small, "abc");
    char whole[80];
    jexsoft_GetSearchText(box, whole, sizeof whole);
    EXPECT_STREQ(whole, "abcdef");
    char one[1] = {'x'};
    jexsoft_GetSearchText(box, one, 1);
    EXPECT_EQ(one[0], '\0');
}

// --- the navigation control's items --------------------------------------------------------------------

using NavItems = LibraryTest;

TEST_F(NavItems, ItemsKeepTheirWholeTextsInOrder) {
    HWND nav = jexsoft_CreateNavCtrl(WS_CHILD | WS_VISIBLE, 10, 10, 160, 140, 26, host.hwnd(), 1);
    ASSERT_TRUE(nav);
    EXPECT_EQ(jexsoft_NCGetItemCount(nav), 0);
    const std::string longText(70, 'n');
    EXPECT_EQ(jexsoft_NCAddString(nav, "\xB3\xA3\xB9\xE6"), 1);  // 常规 in GBK
    EXPECT_EQ(jexsoft_NCAddString(nav, longText.c_str()), 1);
    EXPECT_EQ(jexsoft_NCGetItemCount(nav), 2);
    char buffer[80];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(jexsoft_NCGetItemText(nav, 1, buffer), 0);
    EXPECT_EQ(std::string(buffer), longText);
    EXPECT_EQ(buffer[71], 'x');  // the terminator and nothing more
    jexsoft_NCGetItemText(nav, 0, buffer);
    EXPECT_STREQ(buffer, "\xB3\xA3\xB9\xE6");
}

// --- leaving windows unskinned ------------------------------------------------------------------------------

using Brackets = LibraryTest;

TEST_F(Brackets, AWindowMadeInsideStaysUnskinnedForLifeAndTheNextIsSkinned) {
    jexsoft_UnHookBegin();
    HWND plain = newTree(host.hwnd());
    HWND plainBox = searchBox(0, 120, 170, 152);
    jexsoft_UnHookEnd();
    HWND skinnedTree = newTree(host.hwnd());
    ASSERT_TRUE(plain && plainBox && skinnedTree);
    LONG_PTR plainProc = GetWindowLongPtrA(plain, GWLP_WNDPROC);
    // Living on after the bracket changes nothing.
    SetWindowPos(plain, nullptr, 5, 5, 120, 90, SWP_NOZORDER | SWP_FRAMECHANGED);
    ShowWindow(plain, SW_HIDE);
    ShowWindow(plain, SW_SHOW);
    pump();
    EXPECT_FALSE(skinned(plain));
    EXPECT_EQ(GetWindowLongPtrA(plain, GWLP_WNDPROC), plainProc);
    EXPECT_TRUE(skinned(skinnedTree));
    // The unskinned box has no frame: its client area is the whole window.
    EXPECT_FALSE(skinned(plainBox));
    EXPECT_EQ(sizeText(clientSize(plainBox)), "170 x 32");
}

TEST_F(Brackets, TheyDoNotNest) {
    jexsoft_UnHookBegin();
    jexsoft_UnHookBegin();
    HWND inside = newTree(host.hwnd());
    jexsoft_UnHookEnd();
    HWND after = newTree(host.hwnd());
    HWND box = searchBox(0, 120, 170, 152);
    ASSERT_TRUE(inside && after && box);
    EXPECT_FALSE(skinned(inside));
    EXPECT_TRUE(skinned(after));
    EXPECT_TRUE(skinned(box));
}

}  // namespace
