#include "editor/ole_text.h"

#include <shlobj.h>

#include <cstring>

namespace {

FORMATETC textFormat(UINT format) { return {CLIPFORMAT(format), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}; }

}  // namespace

HGLOBAL textBlock(const std::string& text) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, text.size() + 1);
    if (!block) return nullptr;
    char* bytes = static_cast<char*>(GlobalLock(block));
    if (!bytes) {
        GlobalFree(block);
        return nullptr;
    }
    std::memcpy(bytes, text.data(), text.size());
    bytes[text.size()] = '\0';
    GlobalUnlock(block);
    return block;
}

std::string blockText(HGLOBAL block) {
    std::string text;
    const char* bytes = block ? static_cast<const char*>(GlobalLock(block)) : nullptr;
    if (!bytes) return text;
    // Text from another program need not be terminated within its block.
    SIZE_T size = GlobalSize(block);
    const void* zero = std::memchr(bytes, 0, size);
    text.assign(bytes, zero ? static_cast<const char*>(zero) - bytes : size);
    GlobalUnlock(block);
    return text;
}

bool offersText(IDataObject* data, UINT format) {
    FORMATETC f = textFormat(format);
    return data && data->QueryGetData(&f) == S_OK;
}

bool readText(IDataObject* data, UINT format, std::string& text) {
    if (!data) return false;
    FORMATETC f = textFormat(format);
    STGMEDIUM medium = {};
    if (data->GetData(&f, &medium) != S_OK) return false;
    bool ok = medium.tymed == TYMED_HGLOBAL;
    if (ok) text = blockText(medium.hGlobal);
    ReleaseStgMedium(&medium);
    return ok;
}

// --- TextDataObject ------------------------------------------------------------------

TextDataObject* TextDataObject::create(const std::string& text) {
    HGLOBAL block = textBlock(text);
    return block ? new TextDataObject(block) : nullptr;
}

TextDataObject::~TextDataObject() { GlobalFree(block_); }

HRESULT TextDataObject::QueryGetData(FORMATETC* format) {
    if (!format) return E_INVALIDARG;
    if (format->cfFormat != CF_TEXT || !(format->tymed & TYMED_HGLOBAL)) return DV_E_FORMATETC;
    return format->dwAspect == DVASPECT_CONTENT ? S_OK : DV_E_DVASPECT;
}

HRESULT TextDataObject::GetData(FORMATETC* format, STGMEDIUM* medium) {
    HRESULT offered = QueryGetData(format);
    if (offered != S_OK) return offered;
    // Every reader gets a copy of its own to free.
    HGLOBAL copy = static_cast<HGLOBAL>(OleDuplicateData(block_, CF_TEXT, 0));
    if (!copy) return E_OUTOFMEMORY;
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = copy;
    medium->pUnkForRelease = nullptr;
    return S_OK;
}

HRESULT TextDataObject::EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) {
    if (direction != DATADIR_GET) return E_NOTIMPL;
    FORMATETC f = textFormat(CF_TEXT);
    return SHCreateStdEnumFmtEtc(1, &f, out);
}
