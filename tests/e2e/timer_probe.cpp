// The timer probe (see timer_probe.h).  On the first message its hook sees
// in jexmarlo.exe it pins itself (the program keeps calling into it after
// the driver unhooks) and points the program's imports of SetTimer and
// KillTimer at its own recorders.
#include "tests/e2e/timer_probe.h"

#include <cstring>

namespace {

using SetTimerFn = UINT_PTR(WINAPI*)(HWND, UINT_PTR, UINT, TIMERPROC);
using KillTimerFn = BOOL(WINAPI*)(HWND, UINT_PTR);

SetTimerFn realSetTimer = nullptr;
KillTimerFn realKillTimer = nullptr;
e2e::TimerLog* timerLog = nullptr;

bool isCodeView(HWND hwnd) {
    char name[64] = {};
    GetClassNameA(hwnd, name, sizeof name);
    return std::strcmp(name, "Afx:jexmarlo:CodeView") == 0;
}

void record(UINT_PTR id, UINT elapse, BOOL stopped) {
    LONG n = InterlockedIncrement(&timerLog->count) - 1;
    if (n < LONG(sizeof timerLog->entries / sizeof timerLog->entries[0])) timerLog->entries[n] = {id, elapse, stopped};
}

UINT_PTR WINAPI recordSetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc) {
    if (!isCodeView(hwnd)) return realSetTimer(hwnd, id, elapse, proc);
    record(id, elapse, FALSE);
    return realSetTimer(hwnd, id, elapse >= 60000 ? elapse / e2e::kTimerSpeedUp : elapse, proc);
}

BOOL WINAPI recordKillTimer(HWND hwnd, UINT_PTR id) {
    if (isCodeView(hwnd)) record(id, 0, TRUE);
    return realKillTimer(hwnd, id);
}

// Replaces the import `original` of the program file with `replacement`.
void patchImport(void* original, void* replacement) {
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!dir.VirtualAddress) return;
    for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); d->Name; ++d) {
        for (auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk); slot->u1.Function; ++slot) {
            if (reinterpret_cast<void*>(slot->u1.Function) != original) continue;
            DWORD old;
            VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE, &old);
            slot->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, old, &old);
        }
    }
}

void install() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    const char* name = std::strrchr(path, '\\');
    if (lstrcmpiA(name ? name + 1 : path, "jexmarlo.exe") != 0) return;

    HANDLE mapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, e2e::kTimerLogName);
    if (!mapping) return;
    timerLog = static_cast<e2e::TimerLog*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(e2e::TimerLog)));
    if (!timerLog) return;

    HMODULE self;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCSTR>(&install), &self);
    HMODULE user32 = GetModuleHandleA("user32.dll");
    realSetTimer = reinterpret_cast<SetTimerFn>(reinterpret_cast<void*>(GetProcAddress(user32, "SetTimer")));
    realKillTimer = reinterpret_cast<KillTimerFn>(reinterpret_cast<void*>(GetProcAddress(user32, "KillTimer")));
    patchImport(reinterpret_cast<void*>(realSetTimer), reinterpret_cast<void*>(&recordSetTimer));
    patchImport(reinterpret_cast<void*>(realKillTimer), reinterpret_cast<void*>(&recordKillTimer));
    InterlockedExchange(&timerLog->ready, 1);
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK timerProbeHook(int code, WPARAM wParam, LPARAM lParam) {
    static bool installed = false;
    if (!installed) {
        installed = true;
        install();
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
