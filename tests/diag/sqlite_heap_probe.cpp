// Heap probe for jexmarlo.exe (diagnosis only, built with
// -DJEX_HEAP_PROBE=sqlite): SQLite's allocations come from a heap of their
// own with 32 guard bytes after each block; freed blocks are filled with
// 0xDD and the last 20 000 kept unused and scanned for later writes every
// 256th allocation.  Findings go to C:\sqlmem.log with their stacks.
#include <windows.h>
#include <sqlite3.h>
#include <cstdio>
#include <cstring>
namespace {
HANDLE heap;
struct Hdr { int size; unsigned magic; void* stack[8]; };
constexpr unsigned kLive = 0x5157aa01, kDead = 0x5157dead;
constexpr int kTail = 32, kRing = 20000;
Hdr* ring[kRing];
int ringPos = 0;
unsigned counter = 0;
CRITICAL_SECTION cs;
void report(const char* what, Hdr* h, int off) {
    FILE* f = fopen("C:\\sqlmem.log", "a");
    if (!f) return;
    unsigned char* p = reinterpret_cast<unsigned char*>(h + 1);
    fprintf(f, "%s block %p size %d at +%d:", what, (void*)p, h->size, off);
    for (int i = off; i < off + 16; ++i) fprintf(f, " %02x", p[i]);
    fprintf(f, "\n alloc:");
    for (void* a : h->stack) fprintf(f, " %p", a);
    void* now[12] = {};
    CaptureStackBackTrace(0, 12, now, nullptr);
    fprintf(f, "\n now:");
    for (void* a : now) fprintf(f, " %p", a);
    fprintf(f, "\n");
    fclose(f);
}
void scan() {
    for (Hdr* h : ring) {
        if (!h) continue;
        unsigned char* p = reinterpret_cast<unsigned char*>(h + 1);
        for (int k = 0; k < h->size; ++k)
            if (p[k] != 0xDD) { report("dead-written", h, k); memset(p, 0xDD, size_t(h->size)); break; }
    }
}
bool tailOk(Hdr* h) {
    unsigned char* p = reinterpret_cast<unsigned char*>(h + 1) + h->size;
    for (int i = 0; i < kTail; ++i) if (p[i] != 0xFD) return false;
    return true;
}
void* xMalloc(int n) {
    auto* h = static_cast<Hdr*>(HeapAlloc(heap, 0, size_t(n) + sizeof(Hdr) + kTail));
    if (!h) return nullptr;
    h->size = n; h->magic = kLive;
    memset(h->stack, 0, sizeof h->stack);
    CaptureStackBackTrace(1, 8, h->stack, nullptr);
    unsigned char* p = reinterpret_cast<unsigned char*>(h + 1);
    memset(p, 0xCD, size_t(n));
    memset(p + n, 0xFD, kTail);
    EnterCriticalSection(&cs);
    if (++counter % 256 == 0) scan();
    LeaveCriticalSection(&cs);
    return p;
}
void xFree(void* p) {
    if (!p) return;
    Hdr* h = static_cast<Hdr*>(p) - 1;
    if (h->magic != kLive) { report("bad-free", h, 0); return; }
    if (!tailOk(h)) report("overrun", h, h->size);
    h->magic = kDead;
    memset(p, 0xDD, size_t(h->size));
    EnterCriticalSection(&cs);
    if (ring[ringPos]) HeapFree(heap, 0, ring[ringPos]);
    ring[ringPos] = h;
    ringPos = (ringPos + 1) % kRing;
    LeaveCriticalSection(&cs);
}
int xSize(void* p) { return p ? (static_cast<Hdr*>(p) - 1)->size : 0; }
void* xRealloc(void* p, int n) {
    void* q = xMalloc(n);
    if (q && p) { memcpy(q, p, size_t(xSize(p) < n ? xSize(p) : n)); xFree(p); }
    return q;
}
int xRoundup(int n) { return (n + 7) & ~7; }
int xInit(void*) { return SQLITE_OK; }
void xShutdown(void*) {}
struct Install {
    Install() {
        InitializeCriticalSection(&cs);
        heap = HeapCreate(0, 0, 0);
        static sqlite3_mem_methods m = {xMalloc, xFree, xRealloc, xSize, xRoundup, xInit, xShutdown, nullptr};
        sqlite3_config(SQLITE_CONFIG_MALLOC, &m);
    }
} install;
}
