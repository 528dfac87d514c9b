#include "attach/attachment_drag.h"

#include <shlobj.h>
#include <shellapi.h>

#include <algorithm>
#include <cstring>

namespace {

FORMATETC globalFormat(UINT format, LONG index = -1) {
    return {CLIPFORMAT(format), nullptr, DVASPECT_CONTENT, index, TYMED_HGLOBAL};
}

HGLOBAL copyOf(const void* bytes, SIZE_T size) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_DDESHARE, size);
    void* to = block ? GlobalLock(block) : nullptr;
    if (!to) {
        if (block) GlobalFree(block);
        return nullptr;
    }
    std::memcpy(to, bytes, size);
    GlobalUnlock(block);
    return block;
}

// A movable global block filled as the bytes come, grown as needed and cut
// to what was written at the end.
class GlobalBuilder {
public:
    explicit GlobalBuilder(SIZE_T expected) : block_(GlobalAlloc(GMEM_MOVEABLE, std::max<SIZE_T>(expected, 1))) {
        capacity_ = block_ ? GlobalSize(block_) : 0;
    }
    ~GlobalBuilder() {
        if (block_) GlobalFree(block_);
    }
    GlobalBuilder(const GlobalBuilder&) = delete;
    GlobalBuilder& operator=(const GlobalBuilder&) = delete;

    bool append(const unsigned char* data, std::size_t size) {
        if (!block_) return false;
        if (size > capacity_ - used_) {
            SIZE_T wanted = std::max<SIZE_T>(used_ + size, capacity_ * 2);
            HGLOBAL grown = GlobalReAlloc(block_, wanted, GMEM_MOVEABLE);
            if (!grown) return false;
            block_ = grown;
            capacity_ = GlobalSize(block_);
        }
        auto* to = static_cast<unsigned char*>(GlobalLock(block_));
        if (!to) return false;
        std::memcpy(to + used_, data, size);
        GlobalUnlock(block_);
        used_ += size;
        return true;
    }
    // The finished block, which the caller then owns.
    HGLOBAL release() {
        if (used_ > 0 && used_ < capacity_) {
            if (HGLOBAL cut = GlobalReAlloc(block_, used_, GMEM_MOVEABLE)) block_ = cut;
        }
        HGLOBAL block = block_;
        block_ = nullptr;
        return block;
    }

private:
    HGLOBAL block_;
    SIZE_T capacity_ = 0;
    SIZE_T used_ = 0;
};

bool offersFiles(IDataObject* data) {
    FORMATETC f = globalFormat(CF_HDROP);
    return data && data->QueryGetData(&f) == S_OK;
}

}  // namespace

// --- dropping files on the pane ----------------------------------------------------------

std::string firstDroppedPath(HDROP drop) {
    if (DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0) == 0) return "";
    UINT length = DragQueryFileA(drop, 0, nullptr, 0);
    if (length == 0 || length >= MAX_PATH) return "";
    char path[MAX_PATH] = {};
    DragQueryFileA(drop, 0, path, MAX_PATH);
    return path;
}

DWORD FileDropTarget::effectFor(DWORD allowed) const {
    if (!offered_ || !accepting_()) return DROPEFFECT_NONE;
    if (allowed & DROPEFFECT_COPY) return DROPEFFECT_COPY;
    return allowed & DROPEFFECT_LINK;
}

HRESULT FileDropTarget::DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect) {
    offered_ = offersFiles(data);
    *effect = effectFor(*effect);
    return S_OK;
}

HRESULT FileDropTarget::DragOver(DWORD, POINTL, DWORD* effect) {
    *effect = effectFor(*effect);
    return S_OK;
}

HRESULT FileDropTarget::DragLeave() {
    offered_ = false;
    return S_OK;
}

HRESULT FileDropTarget::Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) {
    offered_ = offersFiles(data);
    *effect = effectFor(*effect);
    offered_ = false;
    if (*effect == DROPEFFECT_NONE) return S_OK;
    FORMATETC f = globalFormat(CF_HDROP);
    STGMEDIUM medium = {};
    if (data->GetData(&f, &medium) != S_OK) {
        *effect = DROPEFFECT_NONE;
        return S_OK;
    }
    std::string path = firstDroppedPath(static_cast<HDROP>(medium.hGlobal));
    ReleaseStgMedium(&medium);
    dropped_(path);
    return S_OK;
}

// --- dragging attachments out ---------------------------------------------------------------

AttachmentDataObject* AttachmentDataObject::forLinkedFile(const std::string& path) {
    std::vector<unsigned char> list = attach::dropFilesBlock(path);
    HGLOBAL block = copyOf(list.data(), list.size());
    if (!block) return nullptr;
    auto* data = new AttachmentDataObject;
    data->block_ = block;
    data->descriptorFormat_ = CF_HDROP;
    return data;
}

AttachmentDataObject* AttachmentDataObject::forVirtualFiles(const std::vector<File>& files, Renderer render) {
    if (files.empty()) return nullptr;
    SIZE_T size = sizeof(FILEGROUPDESCRIPTORA) + (files.size() - 1) * sizeof(FILEDESCRIPTORA);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_DDESHARE, size);
    auto* group = block ? static_cast<FILEGROUPDESCRIPTORA*>(GlobalLock(block)) : nullptr;
    if (!group) {
        if (block) GlobalFree(block);
        return nullptr;
    }
    group->cItems = UINT(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        FILEDESCRIPTORA& d = group->fgd[i];
        d.dwFlags = FD_ATTRIBUTES | FD_FILESIZE;
        d.dwFileAttributes = FILE_ATTRIBUTE_NORMAL;
        d.nFileSizeLow = DWORD(files[i].size);
        std::size_t length = std::min(files[i].name.size(), sizeof d.cFileName - 1);
        std::memcpy(d.cFileName, files[i].name.data(), length);
    }
    GlobalUnlock(block);
    auto* data = new AttachmentDataObject;
    data->block_ = block;
    data->files_ = int(files.size());
    data->descriptorFormat_ = RegisterClipboardFormatA(CFSTR_FILEDESCRIPTORA);
    data->contentsFormat_ = RegisterClipboardFormatA(CFSTR_FILECONTENTS);
    data->render_ = std::move(render);
    return data;
}

AttachmentDataObject::~AttachmentDataObject() {
    if (block_) GlobalFree(block_);
}

FORMATETC AttachmentDataObject::offered(std::size_t slot) const {
    return globalFormat(slot == 0 ? descriptorFormat_ : contentsFormat_);
}

HRESULT AttachmentDataObject::QueryGetData(FORMATETC* format) {
    if (!format) return E_INVALIDARG;
    if (format->dwAspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (!(format->tymed & TYMED_HGLOBAL)) return DV_E_TYMED;
    for (std::size_t slot = 0; slot < formatCount(); ++slot)
        if (format->cfFormat == offered(slot).cfFormat) return S_OK;
    return DV_E_FORMATETC;
}

HRESULT AttachmentDataObject::GetData(FORMATETC* format, STGMEDIUM* medium) {
    if (!medium) return E_INVALIDARG;
    HRESULT offeredHere = QueryGetData(format);
    if (offeredHere != S_OK) return offeredHere;
    HGLOBAL block = nullptr;
    if (format->cfFormat == descriptorFormat_) {
        // Every reader gets a copy of its own to free.
        block = static_cast<HGLOBAL>(OleDuplicateData(block_, descriptorFormat_, 0));
        if (!block) return E_OUTOFMEMORY;
    } else {
        // The contents of one file, produced now.  A failed rendering hands
        // over nothing, so that the receiver makes no file of a part.
        LONG index = format->lindex;
        if (index < 0 || index >= files_) return DV_E_LINDEX;
        const auto* group = static_cast<const FILEGROUPDESCRIPTORA*>(GlobalLock(block_));
        DWORD expected = group ? group->fgd[index].nFileSizeLow : 0;
        GlobalUnlock(block_);
        GlobalBuilder contents(expected == DWORD(-1) ? 0 : expected);
        if (!render_(int(index), [&](const unsigned char* data, std::size_t size) {
                return contents.append(data, size);
            }))
            return E_FAIL;
        block = contents.release();
        if (!block) return E_OUTOFMEMORY;
    }
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = block;
    medium->pUnkForRelease = nullptr;
    return S_OK;
}

HRESULT AttachmentDataObject::EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) {
    if (direction != DATADIR_GET) return E_NOTIMPL;
    FORMATETC formats[2] = {offered(0), offered(1)};
    return SHCreateStdEnumFmtEtc(UINT(formatCount()), formats, out);
}
