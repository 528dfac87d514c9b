// Private window messages between the parts of the program.
#pragma once

#include <windows.h>

constexpr UINT kMsgBusyCancel = WM_USER + 1;   // busy dialog → its owner: cancel pressed
constexpr UINT kMsgNewNode = WM_USER + 2;      // tree tool strip → tree view: new node (1 text, 0 folder)
constexpr UINT kMsgDeleteNode = WM_USER + 3;   // tree tool strip → tree view: delete
constexpr UINT kMsgWorkDone = WM_USER + 5;     // store or compaction worker → pane / main frame: finished
