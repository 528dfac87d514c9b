#include "app/web_browser.h"

#include <vector>

// --- the site --------------------------------------------------------------------------

CBrowserSite::CBrowserSite(HWND host, IDispatch* external) : host_(host), handler_(*this, external) {}

HRESULT CBrowserSite::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IOleClientSite)
        *object = static_cast<IOleClientSite*>(this);
    else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite)
        *object = static_cast<IOleInPlaceSite*>(this);
    else if (iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame)
        *object = static_cast<IOleInPlaceFrame*>(this);
    else if (iid == IID_IDocHostUIHandler)
        *object = static_cast<IDocHostUIHandler*>(&handler_);
    else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG CBrowserSite::AddRef() { return ULONG(InterlockedIncrement(&references_)); }

ULONG CBrowserSite::Release() {
    LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return ULONG(left);
}

HRESULT CBrowserSite::SaveObject() { return E_NOTIMPL; }
HRESULT CBrowserSite::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
}
HRESULT CBrowserSite::GetContainer(IOleContainer** container) {
    if (container) *container = nullptr;
    return E_NOINTERFACE;
}
HRESULT CBrowserSite::ShowObject() { return S_OK; }
HRESULT CBrowserSite::OnShowWindow(BOOL) { return S_OK; }
HRESULT CBrowserSite::RequestNewObjectLayout() { return E_NOTIMPL; }

HRESULT CBrowserSite::GetWindow(HWND* window) {
    if (!window) return E_POINTER;
    *window = host_;
    return S_OK;
}
HRESULT CBrowserSite::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

HRESULT CBrowserSite::CanInPlaceActivate() { return S_OK; }
HRESULT CBrowserSite::OnInPlaceActivate() { return S_OK; }
HRESULT CBrowserSite::OnUIActivate() { return S_OK; }

HRESULT CBrowserSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                       LPRECT clip, LPOLEINPLACEFRAMEINFO info) {
    if (!frame || !document || !position || !clip || !info) return E_POINTER;
    *frame = this;
    AddRef();
    *document = nullptr;
    GetClientRect(host_, position);
    *clip = *position;
    info->fMDIApp = FALSE;
    info->hwndFrame = host_;
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
}

HRESULT CBrowserSite::Scroll(SIZE) { return E_NOTIMPL; }
HRESULT CBrowserSite::OnUIDeactivate(BOOL) { return S_OK; }
HRESULT CBrowserSite::OnInPlaceDeactivate() { return S_OK; }
HRESULT CBrowserSite::DiscardUndoState() { return E_NOTIMPL; }
HRESULT CBrowserSite::DeactivateAndUndo() { return E_NOTIMPL; }
HRESULT CBrowserSite::OnPosRectChange(LPCRECT) { return S_OK; }

HRESULT CBrowserSite::GetBorder(LPRECT) { return INPLACE_E_NOTOOLSPACE; }
HRESULT CBrowserSite::RequestBorderSpace(LPCBORDERWIDTHS) { return INPLACE_E_NOTOOLSPACE; }
HRESULT CBrowserSite::SetBorderSpace(LPCBORDERWIDTHS) { return INPLACE_E_NOTOOLSPACE; }
HRESULT CBrowserSite::SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) { return S_OK; }
HRESULT CBrowserSite::InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) { return E_NOTIMPL; }
HRESULT CBrowserSite::SetMenu(HMENU, HOLEMENU, HWND) { return S_OK; }
HRESULT CBrowserSite::RemoveMenus(HMENU) { return E_NOTIMPL; }
HRESULT CBrowserSite::SetStatusText(LPCOLESTR) { return S_OK; }
HRESULT CBrowserSite::EnableModeless(BOOL) { return S_OK; }
HRESULT CBrowserSite::TranslateAccelerator(LPMSG, WORD) { return S_FALSE; }

// --- the document host handler --------------------------------------------------------

HRESULT CBrowserSite::DocHostHandler::QueryInterface(REFIID iid, void** object) {
    return site_.QueryInterface(iid, object);
}
ULONG CBrowserSite::DocHostHandler::AddRef() { return site_.AddRef(); }
ULONG CBrowserSite::DocHostHandler::Release() { return site_.Release(); }

// Handled: no menu at all.
HRESULT CBrowserSite::DocHostHandler::ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) { return S_OK; }

HRESULT CBrowserSite::DocHostHandler::GetHostInfo(DOCHOSTUIINFO* info) {
    if (!info) return E_POINTER;
    info->dwFlags = DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_SCROLL_NO;
    info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
    return S_OK;
}

HRESULT CBrowserSite::DocHostHandler::ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                                             IOleInPlaceUIWindow*) {
    return S_OK;
}
HRESULT CBrowserSite::DocHostHandler::HideUI() { return S_OK; }
HRESULT CBrowserSite::DocHostHandler::UpdateUI() { return S_OK; }
HRESULT CBrowserSite::DocHostHandler::EnableModeless(BOOL) { return E_NOTIMPL; }
HRESULT CBrowserSite::DocHostHandler::OnDocWindowActivate(BOOL) { return E_NOTIMPL; }
HRESULT CBrowserSite::DocHostHandler::OnFrameWindowActivate(BOOL) { return E_NOTIMPL; }
HRESULT CBrowserSite::DocHostHandler::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) { return E_NOTIMPL; }

// Not handled: the browser handles the key itself.
HRESULT CBrowserSite::DocHostHandler::TranslateAccelerator(LPMSG, const GUID*, DWORD) { return S_FALSE; }

HRESULT CBrowserSite::DocHostHandler::GetOptionKeyPath(LPOLESTR* key, DWORD) {
    if (key) *key = nullptr;
    return E_NOTIMPL;
}
HRESULT CBrowserSite::DocHostHandler::GetDropTarget(IDropTarget*, IDropTarget** replacement) {
    if (replacement) *replacement = nullptr;
    return E_NOTIMPL;
}

HRESULT CBrowserSite::DocHostHandler::GetExternal(IDispatch** external) {
    if (!external) return E_POINTER;
    *external = external_;
    if (!external_) return S_FALSE;
    external_->AddRef();
    return S_OK;
}

HRESULT CBrowserSite::DocHostHandler::TranslateUrl(DWORD, LPWSTR, LPWSTR* translated) {
    if (translated) *translated = nullptr;
    return E_NOTIMPL;
}
HRESULT CBrowserSite::DocHostHandler::FilterDataObject(IDataObject*, IDataObject** replacement) {
    if (replacement) *replacement = nullptr;
    return E_NOTIMPL;
}

// --- the control window ---------------------------------------------------------------

namespace {

const char kClassName[] = "Afx:jexmarlo:WebBrowser";

// The control lives in the shell's browser component, which draws pages with
// the system's HTML engine; without that engine (Wine without its browser
// package, a stripped-down Windows) there is nothing to show a page with.
bool engineAvailable() {
    HMODULE engine = LoadLibraryA("mshtml.dll");
    if (!engine) return false;
    FreeLibrary(engine);
    return true;
}

}  // namespace

CWebBrowser2::~CWebBrowser2() { release(); }

bool CWebBrowser2::create(HWND parent, int id, const RECT& area, IDispatch* external) {
    if (!engineAvailable()) return false;
    registerClass(kClassName, 0, nullptr, LoadCursor(nullptr, IDC_ARROW), nullptr);
    if (!fw::Wnd::create(0, kClassName, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, area.left, area.top,
                         area.right - area.left, area.bottom - area.top, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id))))
        return false;
    if (embed(external)) return true;
    release();
    DestroyWindow(hwnd());
    return false;
}

bool CWebBrowser2::embed(IDispatch* external) {
    if (FAILED(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&object_))))
        return false;
    site_ = new CBrowserSite(hwnd(), external);
    if (FAILED(object_->SetClientSite(site_))) return false;
    OleSetContainedObject(object_.Get(), TRUE);
    RECT client;
    GetClientRect(hwnd(), &client);
    if (FAILED(object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_, 0, hwnd(), &client))) return false;
    return SUCCEEDED(object_.As(&browser_));
}

void CWebBrowser2::release() {
    browser_.Reset();
    if (object_) {
        object_->Close(OLECLOSE_NOSAVE);
        object_->SetClientSite(nullptr);
        object_.Reset();
    }
    if (site_) {
        site_->Release();
        site_ = nullptr;
    }
}

void CWebBrowser2::Navigate2(const std::string& url) {
    if (!browser_) return;
    int length = MultiByteToWideChar(CP_ACP, 0, url.c_str(), -1, nullptr, 0);
    std::vector<wchar_t> wide(std::size_t(length > 0 ? length : 1));
    MultiByteToWideChar(CP_ACP, 0, url.c_str(), -1, wide.data(), length);
    VARIANT address;
    VariantInit(&address);
    address.vt = VT_BSTR;
    address.bstrVal = SysAllocString(wide.data());
    VARIANT empty;
    VariantInit(&empty);
    browser_->Navigate2(&address, &empty, &empty, &empty, &empty);
    VariantClear(&address);
}

LRESULT CWebBrowser2::windowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_SIZE:
        if (object_) {
            Microsoft::WRL::ComPtr<IOleInPlaceObject> inPlace;
            if (SUCCEEDED(object_.As(&inPlace))) {
                RECT client = {0, 0, LOWORD(lParam), HIWORD(lParam)};
                inPlace->SetObjectRects(&client, &client);
            }
        }
        return 0;
    case WM_ERASEBKGND:
        return 1;  // the page covers the window
    case WM_DESTROY:
        release();
        break;
    default:
        break;
    }
    return defaultProc(msg, wParam, lParam);
}
