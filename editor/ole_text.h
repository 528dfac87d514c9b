// Text through OLE: a data object offering one block of text as CF_TEXT,
// and reading text out of a data object (the clipboard's or a drop's).
#pragma once

#include <windows.h>
#include <ole2.h>

#include <string>

#include "fw/ole.h"

// A data object holding one global memory block of zero-terminated text,
// offered as CF_TEXT.
class TextDataObject : public ComObject<IDataObject> {
public:
    // Takes the block; null when it could not be made.
    static TextDataObject* create(const std::string& text);

    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override;
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override;
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) override;
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

private:
    explicit TextDataObject(HGLOBAL block) : block_(block) {}
    ~TextDataObject() override;
    HGLOBAL block_;
};

// A global memory block of `text` and its terminating zero; null on failure.
HGLOBAL textBlock(const std::string& text);
// The text of a global memory block, up to its first zero byte or its end.
std::string blockText(HGLOBAL block);
// Whether the data offers `format` in global memory.
bool offersText(IDataObject* data, UINT format);
// The data's text in `format`; false when it has none.
bool readText(IDataObject* data, UINT format, std::string& text);
