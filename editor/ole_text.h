// Text through OLE: a data object offering one block of text as CF_TEXT,
// and reading text out of a data object (the clipboard's or a drop's).
#pragma once

#include <windows.h>
#include <ole2.h>

#include <string>

#include "fw/ole.h"

// A data object holding one global memory block of zero-terminated text,
// offered as CF_TEXT.
class TextDataObject : public ReadOnlyDataObject {
public:
    // Takes the block; null when it could not be made.
    static TextDataObject* create(const std::string& text);

    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override;
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) override;

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
