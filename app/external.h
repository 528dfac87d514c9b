// The scripting object the program's HTML pages reach as window.external.
// It offers one method, ShowDlg, without parameters or result, which does
// nothing.  The application object owns it; the references browsers take
// are counted but never delete it.
#pragma once

#include <windows.h>

#include <oaidl.h>

class CExternal : public IDispatch {
public:
    static constexpr DISPID kShowDlg = 1;

    CExternal() = default;
    CExternal(const CExternal&) = delete;
    CExternal& operator=(const CExternal&) = delete;

    // Outstanding references (for tests: every AddRef must be released).
    LONG references() const { return references_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT* badArgument) override;

private:
    LONG references_ = 0;
};
