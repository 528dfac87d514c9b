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

// The options dialog: its navigation list, its five pages (child dialogs)
// and their header icons.
#define IDD_OPTIONS 142
#define IDC_OPTIONS_NAV 1
#define IDC_OPTIONS_APPLY 1002
#define IDI_OPTIONS_ABOUT 163
#define IDI_OPTIONS_BASIC 164
#define IDI_OPTIONS_DATA 165
#define IDI_OPTIONS_SYNTAX 166
#define IDI_OPTIONS_UPDATE 167
#define IDD_OPTIONS_BASIC 170
#define IDD_OPTIONS_SYNTAX 171
#define IDD_OPTIONS_DATA 172
#define IDD_OPTIONS_UPDATE 173
#define IDD_OPTIONS_ABOUT 174
#define IDC_OPT_MULTI_TAB 1100
#define IDC_OPT_SINGLE_TAB 1101
#define IDC_OPT_AUTOSAVE 1102
#define IDC_OPT_MINUTES 1103
#define IDC_OPT_FACE 1104
#define IDC_OPT_SIZE 1105
#define IDC_OPT_SCHEME 1110
#define IDC_OPT_DBPATH 1120
#define IDC_OPT_DBBROWSE 1121
#define IDC_OPT_CHECK_UPDATES 1130
#define IDC_OPT_DAYS 1131
#define IDC_OPT_CHECK_NOW 1132
#define IDC_OPT_ABOUT_PAGE 1140

// Status bar indicators: creation and modification time of the current text.
#define ID_INDICATOR_CREATED 61204
#define ID_INDICATOR_MODIFIED 61205

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
