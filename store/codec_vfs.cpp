#include "store/codec_vfs.h"

#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <set>
#include <vector>

namespace store {

namespace {

// Keys of one database file (main or attached).  Shared with the file's
// rollback journal, which must see key changes made during a transaction.
struct FileCodec {
    PageKeyRef readKey;   // decrypts pages read; encrypts journal page images
    PageKeyRef writeKey;  // encrypts pages written to the database file
    std::uint32_t pageSize = 0;  // 0 until learned from the header of page 1

    // Only while a rekey runs (the two keys differ):
    std::set<std::uint32_t> rewritten;  // pages already on disk under the write key
    bool restoring = false;             // a rollback is copying journal images back

    bool keysDiffer() const { return readKey != writeKey; }
};

enum class FileKind {
    Database,  // main or attached database file
    Journal,   // rollback journal of a database file
    Temp,      // temporary database, temporary or statement journal
    Plain,     // anything else (super-journal): no pages in it
};

struct ShimFile;

struct FileState {
    CodecVfs::Impl* vfs = nullptr;
    ShimFile* file = nullptr;
    FileKind kind = FileKind::Plain;
    std::string name;                  // database files: the name SQLite opened them by
    std::shared_ptr<FileCodec> codec;  // database files and journals
    PageKeyRef tempKey;                // temporary files
    std::vector<std::uint8_t> work;    // encrypted copy of data being written
};

struct ShimFile {
    sqlite3_file base;
    FileState* state;
};

constexpr int kShimSize = (sizeof(ShimFile) + 7) & ~7;

sqlite3_file* realFile(sqlite3_file* f) {
    return reinterpret_cast<sqlite3_file*>(reinterpret_cast<char*>(f) + kShimSize);
}
FileState& stateOf(sqlite3_file* f) { return *reinterpret_cast<ShimFile*>(f)->state; }

bool isPowerOfTwoPageSize(std::uint32_t n) {
    return n >= 512 && n <= kMaxPageSize && (n & (n - 1)) == 0;
}

// The page size stored in a plain database header, or 0 when `header` is not
// one (or too short to tell).
std::uint32_t pageSizeFromHeader(const std::uint8_t* header, std::size_t length) {
    static const char kMagic[16] = "SQLite format 3";
    if (length < 18 || std::memcmp(header, kMagic, 16) != 0) return 0;
    std::uint32_t size = std::uint32_t(header[16]) << 8 | header[17];
    if (size == 1) size = 65536;
    return isPowerOfTwoPageSize(size) ? size : 0;
}

// A journal record is a 4-byte page number, the page image and a 4-byte
// checksum; records follow a header that fills a whole sector.  Page images
// therefore sit at offsets 4 mod 8, headers at multiples of the sector size.
bool isJournalPageImage(int length, sqlite3_int64 offset) {
    return isPowerOfTwoPageSize(std::uint32_t(length)) && offset % 8 == 4;
}

}  // namespace

struct CodecVfs::Impl {
    sqlite3_vfs vfs{};
    sqlite3_vfs* base = nullptr;
    std::string vfsName;
    KeyDeriver deriver;

    std::mutex filesMutex;
    std::vector<FileState*> databases;  // open database files, main first

    FileState* findDatabase(const char* name) {
        std::lock_guard<std::mutex> lock(filesMutex);
        for (FileState* s : databases)
            if (s->name == name) return s;
        return nullptr;
    }
    PageKeyRef mainReadKey() {
        std::lock_guard<std::mutex> lock(filesMutex);
        return databases.empty() ? nullptr : databases.front()->codec->readKey;
    }
};

namespace {

CodecVfs::Impl& implOf(sqlite3_vfs* vfs) { return *static_cast<CodecVfs::Impl*>(vfs->pAppData); }

// --- transforms --------------------------------------------------------------

// Applies the database file transform to `length` bytes at file offset
// `offset` of a file with pages of `pageSize` bytes.
void transformDatabase(FileCodec& codec, std::uint32_t pageSize, std::uint8_t* data, std::size_t length,
                       sqlite3_int64 offset, bool writing) {
    std::size_t done = 0;
    while (done < length) {
        std::uint64_t pos = std::uint64_t(offset) + done;
        std::uint32_t page = std::uint32_t(pos / pageSize);
        std::size_t inPage = std::size_t(pos % pageSize);
        std::size_t span = std::min<std::size_t>(pageSize - inPage, length - done);

        PageKeyRef key;
        if (writing) {
            key = codec.restoring ? codec.readKey : codec.writeKey;
            if (codec.keysDiffer()) {
                if (codec.restoring)
                    codec.rewritten.erase(page);
                else
                    codec.rewritten.insert(page);
            }
        } else {
            key = codec.rewritten.count(page) ? codec.writeKey : codec.readKey;
        }
        if (key) key->apply(data + done, span, inPage);
        done += span;
    }
}

// The page size to transform `length` bytes at `offset` of a database file
// with, or 0 when it cannot be told.  Page 1 needs none: it is read and
// written from offset 0, and its first 512 bytes belong to it whatever the
// page size, so the key stream offset of its bytes is their file offset.  Elsewhere the size comes from the
// header on disk when the engine has not shown it to us yet (a key set after
// the engine read the header, a hot journal played back at open).
std::uint32_t pageSizeFor(FileState& s, std::size_t length, sqlite3_int64 offset) {
    FileCodec& c = *s.codec;
    if (c.pageSize) return c.pageSize;
    constexpr std::uint64_t kSmallestPage = 512;
    if ((offset == 0 && length <= kMaxPageSize) || std::uint64_t(offset) + length <= kSmallestPage)
        return kMaxPageSize;
    std::uint8_t header[100] = {};
    sqlite3_file* real = realFile(reinterpret_cast<sqlite3_file*>(s.file));
    int rc = real->pMethods->xRead(real, header, sizeof header, 0);
    if (rc != SQLITE_OK) return 0;
    PageKeyRef key = c.rewritten.count(0) ? c.writeKey : c.readKey;
    if (key) key->apply(header, sizeof header, 0);
    c.pageSize = pageSizeFromHeader(header, sizeof header);
    return c.pageSize;
}

void transformTemp(const PageKey& key, std::uint8_t* data, std::size_t length, sqlite3_int64 offset) {
    std::size_t done = 0;
    while (done < length) {
        std::size_t inStream = std::size_t((std::uint64_t(offset) + done) % kMaxPageSize);
        std::size_t span = std::min(kMaxPageSize - inStream, length - done);
        key.apply(data + done, span, inStream);
        done += span;
    }
}

// Whether writing these bytes needs a transformed copy.
bool writeNeedsTransform(const FileState& s, int length, sqlite3_int64 offset) {
    switch (s.kind) {
    case FileKind::Database: {
        const FileCodec& c = *s.codec;
        return (c.restoring ? c.readKey : c.writeKey) != nullptr || c.keysDiffer();
    }
    case FileKind::Journal:
        return s.codec->readKey && isJournalPageImage(length, offset);
    case FileKind::Temp:
        return s.tempKey != nullptr;
    case FileKind::Plain:
        return false;
    }
    return false;
}

// --- io methods ----------------------------------------------------------------

int shimClose(sqlite3_file* f) {
    FileState* s = &stateOf(f);
    sqlite3_file* real = realFile(f);
    int rc = real->pMethods ? real->pMethods->xClose(real) : SQLITE_OK;
    if (s->kind == FileKind::Database) {
        std::lock_guard<std::mutex> lock(s->vfs->filesMutex);
        auto& list = s->vfs->databases;
        list.erase(std::remove(list.begin(), list.end(), s), list.end());
    }
    delete s;
    reinterpret_cast<ShimFile*>(f)->state = nullptr;
    return rc;
}

int shimRead(sqlite3_file* f, void* buffer, int amount, sqlite3_int64 offset) {
    FileState& s = stateOf(f);
    sqlite3_file* real = realFile(f);
    int rc = real->pMethods->xRead(real, buffer, amount, offset);
    if (rc != SQLITE_OK && rc != SQLITE_IOERR_SHORT_READ) return rc;

    // A short read is zero-filled past the end of the file; those zeros are
    // not file content and must stay zeros.
    std::size_t valid = std::size_t(amount);
    if (rc == SQLITE_IOERR_SHORT_READ) {
        sqlite3_int64 size = 0;
        if (real->pMethods->xFileSize(real, &size) != SQLITE_OK) return SQLITE_IOERR_READ;
        valid = size <= offset ? 0 : std::size_t(std::min<sqlite3_int64>(size - offset, amount));
    }
    auto* data = static_cast<std::uint8_t*>(buffer);

    switch (s.kind) {
    case FileKind::Database: {
        FileCodec& c = *s.codec;
        if ((c.readKey || c.writeKey) && valid > 0) {
            std::uint32_t pageSize = pageSizeFor(s, valid, offset);
            if (!pageSize) return SQLITE_IOERR_READ;
            transformDatabase(c, pageSize, data, valid, offset, false);
        }
        if (offset == 0) {
            std::uint32_t size = pageSizeFromHeader(data, valid);
            if (size) c.pageSize = size;
        }
        break;
    }
    case FileKind::Journal: {
        FileCodec& c = *s.codec;
        if (isJournalPageImage(amount, offset)) {
            // Page images are read back only to roll a transaction back; what
            // is written to the database from now on restores old pages.
            if (c.keysDiffer()) c.restoring = true;
            if (c.readKey) c.readKey->apply(data, valid, 0);
        }
        break;
    }
    case FileKind::Temp:
        if (s.tempKey) transformTemp(*s.tempKey, data, valid, offset);
        break;
    case FileKind::Plain:
        break;
    }
    return rc;
}

int shimWrite(sqlite3_file* f, const void* buffer, int amount, sqlite3_int64 offset) {
    FileState& s = stateOf(f);
    sqlite3_file* real = realFile(f);
    const auto* data = static_cast<const std::uint8_t*>(buffer);

    if (s.kind == FileKind::Database && offset == 0) {
        std::uint32_t size = pageSizeFromHeader(data, std::size_t(amount));
        if (size) s.codec->pageSize = size;
    }
    if (!writeNeedsTransform(s, amount, offset)) return real->pMethods->xWrite(real, buffer, amount, offset);

    s.work.assign(data, data + amount);
    switch (s.kind) {
    case FileKind::Database: {
        // Fail closed: bytes whose place in a page is unknown are not written.
        std::uint32_t pageSize = pageSizeFor(s, s.work.size(), offset);
        if (!pageSize) return SQLITE_IOERR_WRITE;
        transformDatabase(*s.codec, pageSize, s.work.data(), s.work.size(), offset, true);
        break;
    }
    case FileKind::Journal:
        s.codec->readKey->apply(s.work.data(), s.work.size(), 0);
        break;
    case FileKind::Temp:
        transformTemp(*s.tempKey, s.work.data(), s.work.size(), offset);
        break;
    case FileKind::Plain:
        break;
    }
    return real->pMethods->xWrite(real, s.work.data(), amount, offset);
}

int shimTruncate(sqlite3_file* f, sqlite3_int64 size) {
    FileState& s = stateOf(f);
    if (s.kind == FileKind::Database && s.codec->pageSize) {
        // Pages cut off are no longer on disk under any key.
        FileCodec& c = *s.codec;
        std::uint32_t firstGone = std::uint32_t((size + c.pageSize - 1) / c.pageSize);
        c.rewritten.erase(c.rewritten.lower_bound(firstGone), c.rewritten.end());
    }
    sqlite3_file* real = realFile(f);
    return real->pMethods->xTruncate(real, size);
}

int shimSync(sqlite3_file* f, int flags) {
    sqlite3_file* real = realFile(f);
    return real->pMethods->xSync(real, flags);
}
int shimFileSize(sqlite3_file* f, sqlite3_int64* size) {
    sqlite3_file* real = realFile(f);
    return real->pMethods->xFileSize(real, size);
}
int shimLock(sqlite3_file* f, int level) {
    sqlite3_file* real = realFile(f);
    return real->pMethods->xLock(real, level);
}
int shimUnlock(sqlite3_file* f, int level) {
    sqlite3_file* real = realFile(f);
    return real->pMethods->xUnlock(real, level);
}
int shimCheckReservedLock(sqlite3_file* f, int* out) {
    sqlite3_file* real = realFile(f);
    return real->pMethods->xCheckReservedLock(real, out);
}
int shimFileControl(sqlite3_file* f, int op, void* arg) {
    sqlite3_file* real = realFile(f);
    return real->pMethods->xFileControl(real, op, arg);
}
int shimSectorSize(sqlite3_file* f) {
    sqlite3_file* real = realFile(f);
    return real->pMethods->xSectorSize(real);
}
int shimDeviceCharacteristics(sqlite3_file* f) {
    sqlite3_file* real = realFile(f);
    // Batch-atomic writes would bypass the journal and its page images.
    return real->pMethods->xDeviceCharacteristics(real) & ~SQLITE_IOCAP_BATCH_ATOMIC;
}

// Version 1 methods: no shared memory (WAL is refused) and no memory mapping,
// which would hand the engine pages without decrypting them.
const sqlite3_io_methods kShimMethods = {
    1,
    shimClose,
    shimRead,
    shimWrite,
    shimTruncate,
    shimSync,
    shimFileSize,
    shimLock,
    shimUnlock,
    shimCheckReservedLock,
    shimFileControl,
    shimSectorSize,
    shimDeviceCharacteristics,
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
};

// --- vfs methods ----------------------------------------------------------------

FileKind kindOf(int flags) {
    if (flags & SQLITE_OPEN_MAIN_DB) return FileKind::Database;
    if (flags & SQLITE_OPEN_MAIN_JOURNAL) return FileKind::Journal;
    if (flags & (SQLITE_OPEN_TEMP_DB | SQLITE_OPEN_TEMP_JOURNAL | SQLITE_OPEN_SUBJOURNAL |
                 SQLITE_OPEN_TRANSIENT_DB))
        return FileKind::Temp;
    return FileKind::Plain;
}

int vfsOpen(sqlite3_vfs* vfs, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags) {
    CodecVfs::Impl& impl = implOf(vfs);
    auto* shim = reinterpret_cast<ShimFile*>(f);
    shim->base.pMethods = nullptr;
    shim->state = nullptr;
    if (flags & SQLITE_OPEN_WAL) return SQLITE_CANTOPEN;

    auto state = std::make_unique<FileState>();
    state->vfs = &impl;
    state->kind = kindOf(flags);

    switch (state->kind) {
    case FileKind::Database: {
        state->name = name ? name : "";
        state->codec = std::make_shared<FileCodec>();
        // An attached database takes the key named in its URI ("key=..."),
        // else the main database's read key.
        const char* pass = name ? sqlite3_uri_parameter(name, "key") : nullptr;
        if (pass && *pass) {
            KeyResult r = impl.deriver(pass, int(std::strlen(pass)));
            if (r.rc != SQLITE_OK || !r.key) return SQLITE_CANTOPEN;
            state->codec->readKey = state->codec->writeKey = r.key;
        } else {
            state->codec->readKey = state->codec->writeKey = impl.mainReadKey();
        }
        break;
    }
    case FileKind::Journal: {
        FileState* db = name ? impl.findDatabase(sqlite3_filename_database(name)) : nullptr;
        if (!db) return SQLITE_CANTOPEN;  // cannot tell which key: refuse
        state->codec = db->codec;
        break;
    }
    case FileKind::Temp:
        state->tempKey = impl.mainReadKey();
        break;
    case FileKind::Plain:
        break;
    }

    sqlite3_file* real = realFile(f);
    std::memset(real, 0, std::size_t(impl.base->szOsFile));
    int rc = impl.base->xOpen(impl.base, name, real, flags, outFlags);
    if (rc != SQLITE_OK) {
        if (real->pMethods) real->pMethods->xClose(real);
        return rc;
    }
    if (state->kind == FileKind::Database) {
        std::lock_guard<std::mutex> lock(impl.filesMutex);
        impl.databases.push_back(state.get());
    }
    state->file = shim;
    shim->state = state.release();
    shim->base.pMethods = &kShimMethods;
    return SQLITE_OK;
}

sqlite3_vfs* baseOf(sqlite3_vfs* vfs) { return implOf(vfs).base; }

int vfsDelete(sqlite3_vfs* v, const char* name, int syncDir) {
    return baseOf(v)->xDelete(baseOf(v), name, syncDir);
}
int vfsAccess(sqlite3_vfs* v, const char* name, int flags, int* out) {
    return baseOf(v)->xAccess(baseOf(v), name, flags, out);
}
int vfsFullPathname(sqlite3_vfs* v, const char* name, int n, char* out) {
    return baseOf(v)->xFullPathname(baseOf(v), name, n, out);
}
void* vfsDlOpen(sqlite3_vfs* v, const char* name) { return baseOf(v)->xDlOpen(baseOf(v), name); }
void vfsDlError(sqlite3_vfs* v, int n, char* out) { baseOf(v)->xDlError(baseOf(v), n, out); }
void (*vfsDlSym(sqlite3_vfs* v, void* h, const char* sym))(void) {
    return baseOf(v)->xDlSym(baseOf(v), h, sym);
}
void vfsDlClose(sqlite3_vfs* v, void* h) { baseOf(v)->xDlClose(baseOf(v), h); }
int vfsRandomness(sqlite3_vfs* v, int n, char* out) { return baseOf(v)->xRandomness(baseOf(v), n, out); }
int vfsSleep(sqlite3_vfs* v, int us) { return baseOf(v)->xSleep(baseOf(v), us); }
int vfsCurrentTime(sqlite3_vfs* v, double* out) { return baseOf(v)->xCurrentTime(baseOf(v), out); }
int vfsGetLastError(sqlite3_vfs* v, int n, char* out) {
    return baseOf(v)->xGetLastError ? baseOf(v)->xGetLastError(baseOf(v), n, out) : 0;
}
int vfsCurrentTimeInt64(sqlite3_vfs* v, sqlite3_int64* out) {
    return baseOf(v)->xCurrentTimeInt64(baseOf(v), out);
}

std::atomic<unsigned> vfsCounter{0};

ShimFile* shimFileOf(sqlite3* db, const char* schema) {
    sqlite3_file* f = nullptr;
    if (sqlite3_file_control(db, schema, SQLITE_FCNTL_FILE_POINTER, &f) != SQLITE_OK || !f) return nullptr;
    if (f->pMethods != &kShimMethods) return nullptr;
    return reinterpret_cast<ShimFile*>(f);
}

// Derives the key of a pass phrase.  A non-empty pass phrase must yield a key:
// carrying on without one would write the database in plain text.
int deriveFor(FileState& s, const void* pass, int length, PageKeyRef& key, std::string& error) {
    KeyResult r = s.vfs->deriver(pass, length);
    if (r.rc != SQLITE_OK) {
        error = r.error;
        return r.rc;
    }
    if (!r.key && pass && length > 0) {
        error = "Key derivation failed";
        return SQLITE_ERROR;
    }
    key = r.key;
    return SQLITE_OK;
}

bool sameKey(const PageKeyRef& a, const PageKeyRef& b) {
    if (!a || !b) return a == b;
    return a == b || a->sameAs(*b);
}

}  // namespace

CodecVfs::CodecVfs(KeyDeriver deriver, const std::string& baseVfs) : impl_(std::make_unique<Impl>()) {
    Impl& i = *impl_;
    i.deriver = std::move(deriver);
    i.base = sqlite3_vfs_find(baseVfs.empty() ? nullptr : baseVfs.c_str());
    i.vfsName = "jexcodec-" + std::to_string(++vfsCounter);

    sqlite3_vfs& v = i.vfs;
    v.iVersion = 2;
    v.szOsFile = kShimSize + (i.base ? i.base->szOsFile : 0);
    v.mxPathname = i.base ? i.base->mxPathname : 260;
    v.zName = i.vfsName.c_str();
    v.pAppData = &i;
    v.xOpen = vfsOpen;
    v.xDelete = vfsDelete;
    v.xAccess = vfsAccess;
    v.xFullPathname = vfsFullPathname;
    v.xDlOpen = vfsDlOpen;
    v.xDlError = vfsDlError;
    v.xDlSym = vfsDlSym;
    v.xDlClose = vfsDlClose;
    v.xRandomness = vfsRandomness;
    v.xSleep = vfsSleep;
    v.xCurrentTime = vfsCurrentTime;
    v.xGetLastError = vfsGetLastError;
    v.xCurrentTimeInt64 = vfsCurrentTimeInt64;
    if (i.base) sqlite3_vfs_register(&v, 0);
}

CodecVfs::~CodecVfs() {
    if (impl_->base) sqlite3_vfs_unregister(&impl_->vfs);
}

const char* CodecVfs::name() const { return impl_->vfsName.c_str(); }

int codecKey(sqlite3* db, const char* schema, const void* pass, int length, std::string& error) {
    ShimFile* f = shimFileOf(db, schema);
    if (!f) {
        error = "Database not opened through the codec";
        return SQLITE_MISUSE;
    }
    PageKeyRef key;
    int rc = deriveFor(*f->state, pass, length, key, error);
    if (rc != SQLITE_OK) return rc;
    if (!key) return SQLITE_OK;
    FileCodec& c = *f->state->codec;
    c.readKey = c.writeKey = key;
    return SQLITE_OK;
}

int codecRekey(sqlite3* db, const void* pass, int length, std::string& error) {
    ShimFile* f = shimFileOf(db, "main");
    if (!f) {
        error = "Database not opened through the codec";
        return SQLITE_MISUSE;
    }
    PageKeyRef key;
    int rc = deriveFor(*f->state, pass, length, key, error);
    if (rc != SQLITE_OK) return rc;

    FileCodec& c = *f->state->codec;
    if (sameKey(c.readKey, key)) return SQLITE_OK;  // nothing changes on disk
    c.writeKey = key;

    sqlite3_file* real = realFile(&f->base);
    sqlite3_int64 size = 0;
    rc = real->pMethods->xFileSize(real, &size);
    if (rc == SQLITE_OK && size > 0) {
        // VACUUM writes every page of the database again in one journalled
        // transaction: journal images under the old key, pages under the new.
        char* message = nullptr;
        rc = sqlite3_exec(db, "VACUUM;", nullptr, nullptr, &message);
        if (rc != SQLITE_OK) error = message ? message : sqlite3_errmsg(db);
        sqlite3_free(message);
    } else if (rc != SQLITE_OK) {
        error = sqlite3_errmsg(db);
    }

    if (rc != SQLITE_OK)
        c.writeKey = c.readKey;  // a rollback still pending will restore under the old key
    else
        c.readKey = c.writeKey;
    c.rewritten.clear();
    c.restoring = false;
    return rc;
}

}  // namespace store
