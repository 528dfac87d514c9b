#include "app/external.h"

HRESULT CExternal::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch) {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG CExternal::AddRef() { return ULONG(InterlockedIncrement(&references_)); }

ULONG CExternal::Release() { return ULONG(InterlockedDecrement(&references_)); }

HRESULT CExternal::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT CExternal::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return DISP_E_BADINDEX;
}

HRESULT CExternal::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (!names || !ids) return E_POINTER;
    // Names of automation members are not case-sensitive; ShowDlg has no
    // named parameters, so any further name is unknown.
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) {
        bool known = i == 0 && names[0] && lstrcmpiW(names[0], L"ShowDlg") == 0;
        ids[i] = known ? kShowDlg : DISPID_UNKNOWN;
        if (!known) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

HRESULT CExternal::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                          UINT*) {
    if (id != kShowDlg || !(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
    if (params && params->cArgs != 0) return DISP_E_BADPARAMCOUNT;
    if (result) VariantInit(result);
    return S_OK;
}
