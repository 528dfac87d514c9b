// The shell's part in the pane's drag-and-drop tests (built with the tests,
// not shipped): one window at (1010, 120), 260 x 300, that is either
//   jexshell files <path>...   an OLE drag source of files: a press of the
//                              left button in it drags the paths as CF_HDROP
//                              (wide names, as the shell offers them), copy,
//                              move or link allowed.  While the drag goes
//                              the caption is "files: over <effect>", the
//                              effect the target under the pointer answers;
//                              afterwards "files: done <effect>".
//   jexshell folder <dir>      a folder of a file manager, a drop target: a
//                              drop of CF_HDROP copies the files into <dir>,
//                              or moves them with Shift held; a drop of
//                              virtual files ("FileGroupDescriptor" and
//                              "FileContents") creates each file from its
//                              contents, none of a file whose contents cannot
//                              be had.  Its caption says what happened:
//                              "folder: over", "folder: left" and after
//                              drop n "folder: drop <n> made <m> failed <k>".
#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fw/ole.h"

namespace {

struct Peer {
    bool source = true;
    std::vector<std::string> paths;  // the files offered, or the folder
    HWND window = nullptr;
    int drops = 0;
};
Peer peer;

void caption(const std::string& text) { SetWindowTextA(peer.window, text.c_str()); }

bool writeAll(const std::string& path, const void* bytes, DWORD size) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(f, bytes, size, &written, nullptr);
    CloseHandle(f);
    return ok && written == size;
}

std::string nameOf(const std::string& path) {
    std::size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

FORMATETC globalFormat(UINT format, LONG index = -1, DWORD tymed = TYMED_HGLOBAL) {
    return {CLIPFORMAT(format), nullptr, DVASPECT_CONTENT, index, tymed};
}

// A CF_HDROP block of the paths with wide names.
HGLOBAL dropList(const std::vector<std::string>& paths) {
    std::wstring names;
    for (const std::string& path : paths) {
        wchar_t wide[MAX_PATH] = {};
        MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
        names += wide;
        names += L'\0';
    }
    names += L'\0';
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + names.size() * sizeof(wchar_t));
    auto* header = static_cast<DROPFILES*>(GlobalLock(block));
    header->pFiles = sizeof(DROPFILES);
    header->fWide = TRUE;
    memcpy(header + 1, names.data(), names.size() * sizeof(wchar_t));
    GlobalUnlock(block);
    return block;
}

class FilesData : public ReadOnlyDataObject {
public:
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
        if (QueryGetData(format) != S_OK) return DV_E_FORMATETC;
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = dropList(peer.paths);
        medium->pUnkForRelease = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override {
        return format->cfFormat == CF_HDROP && (format->tymed & TYMED_HGLOBAL) ? S_OK : DV_E_FORMATETC;
    }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) override {
        if (direction != DATADIR_GET) return E_NOTIMPL;
        FORMATETC f = globalFormat(CF_HDROP);
        return SHCreateStdEnumFmtEtc(1, &f, out);
    }
};

// The left-button drop source that says on its caption what the target
// under the pointer answers.
class TellingSource : public LeftButtonDropSource {
public:
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD effect) override {
        caption("files: over " + std::to_string(effect & (DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK)));
        return DRAGDROP_S_USEDEFAULTCURSORS;
    }
};

// Copies or moves the dropped files into the folder; returns the number made.
int takeFiles(IDataObject* data, bool move, int& failed) {
    FORMATETC f = globalFormat(CF_HDROP);
    STGMEDIUM medium = {};
    if (data->GetData(&f, &medium) != S_OK) return 0;
    auto drop = static_cast<HDROP>(medium.hGlobal);
    int made = 0;
    for (UINT i = 0, n = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0); i < n; ++i) {
        char path[MAX_PATH] = {};
        DragQueryFileA(drop, i, path, MAX_PATH);
        std::string to = peer.paths[0] + "\\" + nameOf(path);
        bool ok = move ? MoveFileA(path, to.c_str()) != FALSE : CopyFileA(path, to.c_str(), TRUE) != FALSE;
        ok ? ++made : ++failed;
    }
    ReleaseStgMedium(&medium);
    return made;
}

// Creates the virtual files from their contents; returns the number made.
int takeVirtualFiles(IDataObject* data, int& failed) {
    FORMATETC f = globalFormat(RegisterClipboardFormatA(CFSTR_FILEDESCRIPTORA));
    STGMEDIUM medium = {};
    if (data->GetData(&f, &medium) != S_OK) return 0;
    std::vector<FILEDESCRIPTORA> files;
    if (auto* group = static_cast<FILEGROUPDESCRIPTORA*>(GlobalLock(medium.hGlobal))) {
        files.assign(group->fgd, group->fgd + group->cItems);
        GlobalUnlock(medium.hGlobal);
    }
    ReleaseStgMedium(&medium);
    const UINT contents = RegisterClipboardFormatA(CFSTR_FILECONTENTS);
    int made = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        FORMATETC c = globalFormat(contents, LONG(i), TYMED_HGLOBAL | TYMED_ISTREAM);
        STGMEDIUM m = {};
        if (data->GetData(&c, &m) != S_OK) {
            ++failed;
            continue;
        }
        std::string bytes;
        if (m.tymed == TYMED_HGLOBAL) {
            SIZE_T size = GlobalSize(m.hGlobal);
            if (files[i].dwFlags & FD_FILESIZE) size = std::min<SIZE_T>(size, files[i].nFileSizeLow);
            if (const char* p = static_cast<const char*>(GlobalLock(m.hGlobal))) bytes.assign(p, size);
            GlobalUnlock(m.hGlobal);
        } else if (m.tymed == TYMED_ISTREAM) {
            char block[65536];
            ULONG got = 0;
            while (m.pstm->Read(block, sizeof block, &got) == S_OK && got > 0) bytes.append(block, got);
        }
        ReleaseStgMedium(&m);
        std::string to = peer.paths[0] + "\\" + files[i].cFileName;
        writeAll(to, bytes.data(), DWORD(bytes.size())) ? ++made : ++failed;
    }
    return made;
}

class FolderTarget : public ComObject<IDropTarget> {
public:
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject*, DWORD keys, POINTL, DWORD* effect) override {
        *effect = choose(keys, *effect);
        caption("folder: over");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL, DWORD* effect) override {
        *effect = choose(keys, *effect);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragLeave() override {
        caption("folder: left");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL, DWORD* effect) override {
        *effect = choose(keys, *effect);
        int made = 0, failed = 0;
        FORMATETC descriptor = globalFormat(RegisterClipboardFormatA(CFSTR_FILEDESCRIPTORA));
        if (data->QueryGetData(&descriptor) == S_OK)
            made = takeVirtualFiles(data, failed);
        else
            made = takeFiles(data, *effect == DROPEFFECT_MOVE, failed);
        caption("folder: drop " + std::to_string(++peer.drops) + " made " + std::to_string(made) + " failed " +
                std::to_string(failed));
        return S_OK;
    }

private:
    // Shift moves, as in a file manager; otherwise a copy.
    static DWORD choose(DWORD keys, DWORD allowed) {
        if ((keys & MK_SHIFT) && (allowed & DROPEFFECT_MOVE)) return DROPEFFECT_MOVE;
        return allowed & DROPEFFECT_COPY ? DROPEFFECT_COPY : allowed & DROPEFFECT_MOVE;
    }
};

LRESULT CALLBACK peerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_LBUTTONDOWN:
        if (peer.source) {
            auto* data = new FilesData;
            auto* source = new TellingSource;
            DWORD effect = DROPEFFECT_NONE;
            DoDragDrop(data, source, DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK, &effect);
            data->Release();
            source->Release();
            caption("files: done " + std::to_string(effect));
        }
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    if (__argc < 3) return 2;
    peer.source = std::string(__argv[1]) == "files";
    for (int i = 2; i < __argc; ++i) peer.paths.push_back(__argv[i]);
    if (OleInitialize(nullptr) != S_OK) return 3;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = peerProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_INFOBK + 1);
    wc.lpszClassName = "JexShellPeer";
    RegisterClassA(&wc);
    peer.window = CreateWindowExA(0, "JexShellPeer", peer.source ? "files" : "folder",
                                  WS_OVERLAPPEDWINDOW | WS_VISIBLE, 1010, 120, 260, 300, nullptr, nullptr, instance,
                                  nullptr);
    FolderTarget* target = new FolderTarget;
    if (!peer.source) RegisterDragDrop(peer.window, target);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (!peer.source) RevokeDragDrop(peer.window);
    target->Release();
    OleUninitialize();
    return 0;
}
