#include "app/db_folder_dlg.h"

#include <shlobj.h>

#include "fw/paths.h"
#include "res/resource.h"
#include "skin/jexui.h"

CDbFolderDlg::CDbFolderDlg() : fw::Dialog(IDD_DBFOLDER) {}

bool CDbFolderDlg::onInitDialog() {
    folder_ = programFolder() + "data";
    if (!folderExists(folder_)) CreateDirectoryA(folder_.c_str(), nullptr);
    SetDlgItemTextA(hwnd(), IDC_DBFOLDER_PATH, folder_.c_str());
    return true;
}

void CDbFolderDlg::onCommand(int id, int code, HWND control) {
    if (id == IDC_DBFOLDER_BROWSE)
        browse();
    else
        fw::Dialog::onCommand(id, code, control);
}

void CDbFolderDlg::browse() {
    BROWSEINFOA info = {};
    info.hwndOwner = hwnd();
    info.lpszTitle = "请选择一个文件夹";
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    LPITEMIDLIST chosen;
    {
        JexUnskinnedScope unskinned;
        chosen = SHBrowseForFolderA(&info);
    }
    if (!chosen) return;
    char path[MAX_PATH] = {};
    if (SHGetPathFromIDListA(chosen, path) && path[0]) {
        folder_ = path;
        SetDlgItemTextA(hwnd(), IDC_DBFOLDER_PATH, folder_.c_str());
    }
    CoTaskMemFree(chosen);
}
