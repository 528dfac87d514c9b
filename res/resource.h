// Resource ids of jexmarlo.exe.
#pragma once

// Frame resources: icon, toolbar bitmap, accelerators, caption string.
#define IDR_MAINFRAME 128

// The welcome and about pages, and the pictures they show.
#define IDD_ABOUTBOX 100
#define IDC_ABOUT_PAGE 1038
#define IDD_WELCOME 131
#define IDC_WELCOME_BROWSER 1037

#define IDD_BUSY 141
#define IDC_BUSY_TEXT 1000
#define IDB_BUSY_BLOCK 147

// The context menus of the tree and the editor (res/context_menu.rc).
#define IDR_TREE_MENU 137

// The snippet tree: its tool strip and icons.
#define IDD_TREE_TOOLS 155
#define IDC_TREE_NEW_TEXT 1009
#define IDC_TREE_NEW_FOLDER 1010
#define IDC_TREE_DELETE 1011
#define IDC_TREE_SCHEME 1012
#define IDB_TREE_FOLDER 156
#define IDB_TREE_TEXT 157
#define IDB_TREE_TOOLS 158

// The lower pane: the attachment list's context menu and images, the memo's
// accelerators, the add dialog's child template with its check box.
#define IDR_ATTACH_MENU 138
#define IDR_PANE_ACCEL 139
#define IDD_ADD_ATTACHMENT 140
#define IDC_ADD_PATH_ONLY 1013
#define IDB_ATTACH_KINDS 159
#define ID_ATTACH_ADD 32810
#define ID_ATTACH_DELETE 32811
#define ID_ATTACH_OPEN 32812
#define ID_ATTACH_RENAME 32813
#define ID_ATTACH_EXTRACT 32814

#define IDD_DBFOLDER 168
#define IDC_DBFOLDER_PATH 1000
#define IDC_DBFOLDER_BROWSE 1001

// Status bar indicators: creation and modification time of the current text.
#define ID_INDICATOR_CREATED 61204
#define ID_INDICATOR_MODIFIED 61205

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
