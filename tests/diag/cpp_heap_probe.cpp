// Heap probe for jexmarlo.exe (diagnosis only, built with
// -DJEX_HEAP_PROBE=cpp): C++ blocks come from a heap of their own, freed
// blocks are filled with 0xDD and the last 50 000 kept unused, and every
// 512th allocation scans them for writes made after the free.  Findings go
// to C:\dbgheap.log with the stacks of the allocation and of the finding
// (resolve them with addr2line against the unstripped program).
#include <windows.h>
#include <cstdlib>
#include <new>
#include <cstring>
#include <cstdio>
namespace {
HANDLE heap() { static HANDLE h = HeapCreate(0, 0, 0); return h; }
struct Hdr { size_t size; unsigned magic; void* stack[10]; unsigned pad; };
constexpr unsigned kLive = 0x11223344, kDead = 0xdeadbeef;
constexpr int kRing = 50000;
Hdr* ring[kRing];
int ringPos = 0;
unsigned counter = 0;
CRITICAL_SECTION* lock() { static CRITICAL_SECTION cs; static bool init = (InitializeCriticalSection(&cs), true); (void)init; return &cs; }
void report(Hdr* h, size_t off) {
    FILE* f = fopen("C:\\dbgheap.log", "a");
    if (!f) return;
    unsigned char* p = reinterpret_cast<unsigned char*>(h + 1);
    fprintf(f, "dead block %p size %u modified at +%u:", (void*)p, (unsigned)h->size, (unsigned)off);
    for (size_t i = off; i < off + 16 && i < h->size; ++i) fprintf(f, " %02x", p[i]);
    fprintf(f, "\n alloc stack:");
    for (void* a : h->stack) fprintf(f, " %p", a);
    void* now[12] = {};
    CaptureStackBackTrace(0, 12, now, nullptr);
    fprintf(f, "\n found at:");
    for (void* a : now) fprintf(f, " %p", a);
    fprintf(f, "\n");
    fclose(f);
}
// Reports the first byte of a freed block written since its free, and
// fills the block again.
void checkDead(Hdr* h) {
    unsigned char* p = reinterpret_cast<unsigned char*>(h + 1);
    for (size_t k = 0; k < h->size; ++k)
        if (p[k] != 0xDD) { report(h, k); memset(p, 0xDD, h->size); break; }
}
void check() {
    for (int i = 0; i < kRing; ++i)
        if (ring[i]) checkDead(ring[i]);
}
void* alloc(size_t n) {
    auto* h = static_cast<Hdr*>(HeapAlloc(heap(), 0, n + sizeof(Hdr) + 16));
    if (!h) throw std::bad_alloc();
    h->size = n; h->magic = kLive;
    memset(h->stack, 0, sizeof h->stack);
    CaptureStackBackTrace(1, 10, h->stack, nullptr);
    unsigned char* p = reinterpret_cast<unsigned char*>(h + 1);
    memset(p, 0xCD, n);
    memset(p + n, 0xFD, 16);
    EnterCriticalSection(lock());
    if (++counter % 512 == 0) check();
    LeaveCriticalSection(lock());
    return p;
}
void release(void* p) {
    if (!p) return;
    Hdr* h = static_cast<Hdr*>(p) - 1;
    if (h->magic != kLive) { FILE* f = fopen("C:\\dbgheap.log", "a"); if (f) { fprintf(f, "bad free %p magic %x\n", p, h->magic); fclose(f);} return; }
    unsigned char* q = static_cast<unsigned char*>(p);
    for (int i = 0; i < 16; ++i) if (q[h->size + i] != 0xFD) { FILE* f = fopen("C:\\dbgheap.log", "a"); if (f) { fprintf(f, "overrun %p size %u; alloc:", p, (unsigned)h->size); for (void* a : h->stack) fprintf(f, " %p", a); fprintf(f, "\n"); fclose(f);} break; }
    h->magic = kDead;
    memset(p, 0xDD, h->size);
    EnterCriticalSection(lock());
    if (Hdr* old = ring[ringPos]) {  // checked once more on its way out
        checkDead(old);
        HeapFree(heap(), 0, old);
    }
    ring[ringPos] = h;
    ringPos = (ringPos + 1) % kRing;
    LeaveCriticalSection(lock());
}
}
void* operator new(size_t n) { return alloc(n); }
void* operator new[](size_t n) { return alloc(n); }
void* operator new(size_t n, const std::nothrow_t&) noexcept { try { return alloc(n); } catch (...) { return nullptr; } }
void* operator new[](size_t n, const std::nothrow_t&) noexcept { try { return alloc(n); } catch (...) { return nullptr; } }
void operator delete(void* p) noexcept { release(p); }
void operator delete[](void* p) noexcept { release(p); }
void operator delete(void* p, size_t) noexcept { release(p); }
void operator delete[](void* p, size_t) noexcept { release(p); }

// A last scan when the program ends: writes into freed blocks while the
// windows are torn down come after the last periodic one.
namespace {
struct FinalScan {
    ~FinalScan() { check(); }
} finalScan;
}  // namespace
