// Another program for the editor's drag-and-drop tests (built with the
// tests, not shipped): one window at (820, 120), 340 x 300, that is either
//   jexole source <file>        an OLE drag source: a press of the left
//                               button in it drags the bytes of <file> as
//                               CF_TEXT (copy or move); afterwards the
//                               caption is "source: <effect>" (the effect
//                               DoDragDrop returned, as a number);
//   jexole target <file> <effect>  a drop target for CF_TEXT that answers
//                               with <effect> (1 copy, 2 move) and writes
//                               what was dropped to <file>; afterwards the
//                               caption is "target: dropped".
#include <windows.h>
#include <ole2.h>

#include <cstdlib>
#include <string>

#include "editor/ole_text.h"

namespace {

std::string readAll(const std::string& path) {
    std::string bytes;
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return bytes;
    bytes.resize(GetFileSize(f, nullptr));
    DWORD read = 0;
    if (!bytes.empty()) ReadFile(f, &bytes[0], DWORD(bytes.size()), &read, nullptr);
    bytes.resize(read);
    CloseHandle(f);
    return bytes;
}

void writeAll(const std::string& path, const std::string& bytes) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(f, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    CloseHandle(f);
}

struct Peer {
    bool source = true;
    std::string file;
    DWORD effect = DROPEFFECT_COPY;
    HWND window = nullptr;
};
Peer peer;

class RecordingTarget : public ComObject<IDropTarget> {
public:
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
        accepted_ = offersText(data, CF_TEXT);
        *effect = accepted_ ? (*effect & peer.effect) : DROPEFFECT_NONE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* effect) override {
        *effect = accepted_ ? (*effect & peer.effect) : DROPEFFECT_NONE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
        std::string text;
        if (!accepted_ || !readText(data, CF_TEXT, text)) {
            *effect = DROPEFFECT_NONE;
            return S_OK;
        }
        writeAll(peer.file, text);
        *effect &= peer.effect;
        SetWindowTextA(peer.window, "target: dropped");
        return S_OK;
    }

private:
    bool accepted_ = false;
};

LRESULT CALLBACK peerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_LBUTTONDOWN:
        if (peer.source) {
            TextDataObject* data = TextDataObject::create(readAll(peer.file));
            LeftButtonDropSource* source = new LeftButtonDropSource;
            DWORD effect = DROPEFFECT_NONE;
            if (data) DoDragDrop(data, source, DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect);
            if (data) data->Release();
            source->Release();
            SetWindowTextA(hwnd, ("source: " + std::to_string(effect)).c_str());
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
    peer.source = std::string(__argv[1]) == "source";
    peer.file = __argv[2];
    if (__argc > 3) peer.effect = DWORD(std::atoi(__argv[3]));
    if (OleInitialize(nullptr) != S_OK) return 3;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = peerProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_INFOBK + 1);
    wc.lpszClassName = "JexOlePeer";
    RegisterClassA(&wc);
    peer.window = CreateWindowExA(0, "JexOlePeer", peer.source ? "source" : "target", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                  820, 120, 340, 300, nullptr, nullptr, instance, nullptr);
    RecordingTarget* target = new RecordingTarget;
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
