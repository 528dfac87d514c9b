// Resource ids of jexmarlo.exe.
#pragma once

#define IDR_MAINFRAME 128

#define IDD_DBFOLDER 168
#define IDC_DBFOLDER_PATH 1000
#define IDC_DBFOLDER_BROWSE 1001

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
