/*
 * The contract between jexmarlo.exe and the skin library jexUI.dll: the
 * window messages the program and the library send each other, the record
 * a tree drag reports, and the twelve functions the library exports.
 *
 * Plain C: both modules include only this header from each other.  Each
 * module has its own C runtime, so nothing but these messages, handles,
 * integers and caller-owned buffers crosses between them.  The exports are
 * cdecl and undecorated.
 */
#ifndef JEXUI_H
#define JEXUI_H

#include <windows.h>
#include <commctrl.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Messages between the program's own windows. */
#define WM_BUSY_CANCEL      (WM_USER + 1) /* busy dialog -> its owner: cancel pressed */
#define WM_TREE_NEWNODE     (WM_USER + 2) /* tree tool strip -> tree view: new node, wParam 1 text, 0 folder */
#define WM_TREE_DELETENODE  (WM_USER + 3) /* tree tool strip -> tree view: delete the selected node */
#define WM_WORK_DONE        (WM_USER + 5) /* store or compaction worker -> pane / main frame: finished */

/* Messages the skin library sends to the program's windows. */
#define WM_TABCTRL_CLOSE     0x706 /* -> a tab control's parent: close button of tab wParam clicked */
#define WM_SEARCHBOX_SEARCH  0x707 /* -> the main window: a search was started in the search box */
#define WM_NAVCTRL_SELCHANGE 0x708 /* -> a navigation control's parent: item wParam selected */
#define WM_TREE_DRAGDROP     0x709 /* -> a tree's parent-owner: drag finished, lParam -> JEXTREEDRAGDROP */

/* What WM_TREE_DRAGDROP's lParam points to, valid during the call. */
typedef struct JEXTREEDRAGDROP {
    HTREEITEM source; /* the dragged item */
    HTREEITEM target; /* the item it was dropped on */
    int position;     /* 1 = dropped on the target's label, 0 = on its icon */
} JEXTREEDRAGDROP;

/* Start-up: a skin manager, then the skin file; from then on every window
 * created on the calling thread is skinned.  SetSkin returns the hook, or
 * null when it could not be installed. */
int __cdecl jexsoft_InitUI(HINSTANCE instance, int reserved);
HHOOK __cdecl jexsoft_SetSkin(const char* skinFile);
int __cdecl jexsoft_UnloadSkin(void);

/* Windows created between these two calls are left unskinned (common
 * dialogs).  The calls do not nest. */
void __cdecl jexsoft_UnHookBegin(void);
void __cdecl jexsoft_UnHookEnd(void);

/* The navigation list.  NCGetItemText copies the whole item text with its
 * terminating zero: the buffer must hold the longest item. */
HWND __cdecl jexsoft_CreateNavCtrl(DWORD style, int left, int top, int right, int bottom, int itemHeight,
                                   HWND parent, UINT id);
int __cdecl jexsoft_NCAddString(HWND navCtrl, const char* text);
int __cdecl jexsoft_NCGetItemCount(HWND navCtrl);
int __cdecl jexsoft_NCGetItemText(HWND navCtrl, int index, char* buffer);
LRESULT __cdecl jexsoft_NCSetCurSel(HWND navCtrl, int index);

/* The search box.  GetSearchText cuts the text to size - 1 bytes and
 * always terminates it. */
HWND __cdecl jexsoft_CreateSearchBox(DWORD style, int left, int top, int right, int bottom, HWND parent, UINT id);
void __cdecl jexsoft_GetSearchText(HWND searchBox, char* buffer, int size);

#ifdef __cplusplus
}

/* Windows created while one of these lives keep the system look (common
 * dialogs: the skin does not know their controls). */
class JexUnskinnedScope {
public:
    JexUnskinnedScope() { jexsoft_UnHookBegin(); }
    ~JexUnskinnedScope() { jexsoft_UnHookEnd(); }
    JexUnskinnedScope(const JexUnskinnedScope&) = delete;
    JexUnskinnedScope& operator=(const JexUnskinnedScope&) = delete;
};
#endif

#endif /* JEXUI_H */
