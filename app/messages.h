// Private window messages between the parts of the program.
#pragma once

#include <windows.h>

constexpr UINT kMsgBusyCancel = WM_USER + 1;   // busy dialog → its owner: cancel pressed
constexpr UINT kMsgNewNode = WM_USER + 2;      // tree tool strip → tree view: new node (1 text, 0 folder)
constexpr UINT kMsgDeleteNode = WM_USER + 3;   // tree tool strip → tree view: delete
constexpr UINT kMsgWorkDone = WM_USER + 5;     // store or compaction worker → pane / main frame: finished
constexpr UINT kMsgTabClose = 0x706;           // tab control skin → tab control's parent: close tab wParam
constexpr UINT kMsgSearch = 0x707;             // search box → main window: search requested
constexpr UINT kMsgNavSelect = 0x708;          // navigation control → its owner: item wParam selected
constexpr UINT kMsgTreeDragDone = 0x709;       // tree skin → tree's top-level owner: drag finished

// What kMsgTreeDragDone's lParam points to.
struct TreeDragResult {
    HANDLE dragged;  // HTREEITEM of the dragged item
    HANDLE target;   // HTREEITEM it was dropped on
    int onLabel;     // 1 = dropped on the target's label, 0 = on its icon
};
