// The system's web browser control hosted in a child window of ours.
//
// CBrowserSite is the container side of the control: the client and
// in-place sites, the in-place frame, and the document host handler that
// makes a page look like part of the window (no border, no scroll bars, no
// context menu) and hands it the application's scripting object as
// window.external.  CWebBrowser2 is the window that holds one control.
#pragma once

#include <windows.h>

#include <exdisp.h>
#include <mshtmhst.h>
#include <oleidl.h>
#include <wrl/client.h>

#include <string>

#include "fw/wnd.h"

class CBrowserSite final : public IOleClientSite, public IOleInPlaceSite, public IOleInPlaceFrame {
public:
    // `host` is the window the control is placed in; `external` is what the
    // page's scripts reach as window.external (may be null).
    CBrowserSite(HWND host, IDispatch* external);
    CBrowserSite(const CBrowserSite&) = delete;
    CBrowserSite& operator=(const CBrowserSite&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IOleClientSite
    HRESULT STDMETHODCALLTYPE SaveObject() override;
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override;
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** container) override;
    HRESULT STDMETHODCALLTYPE ShowObject() override;
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL show) override;
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override;

    // IOleWindow (shared by the in-place site and the frame)
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override;
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL enter) override;

    // IOleInPlaceSite
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override;
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override;
    HRESULT STDMETHODCALLTYPE OnUIActivate() override;
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                               LPRECT position, LPRECT clip, LPOLEINPLACEFRAMEINFO info) override;
    HRESULT STDMETHODCALLTYPE Scroll(SIZE extent) override;
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL undoable) override;
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override;
    HRESULT STDMETHODCALLTYPE DiscardUndoState() override;
    HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override;
    HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT position) override;

    // IOleInPlaceUIWindow and IOleInPlaceFrame
    HRESULT STDMETHODCALLTYPE GetBorder(LPRECT border) override;
    HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS widths) override;
    HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS widths) override;
    HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR name) override;
    HRESULT STDMETHODCALLTYPE InsertMenus(HMENU shared, LPOLEMENUGROUPWIDTHS widths) override;
    HRESULT STDMETHODCALLTYPE SetMenu(HMENU shared, HOLEMENU descriptor, HWND activeObject) override;
    HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU shared) override;
    HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR text) override;
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL enable) override;
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG msg, WORD id) override;

private:
    // The document host handler: a part of the site with the site's
    // identity (its IUnknown calls go to the site).
    class DocHostHandler : public IDocHostUIHandler {
    public:
        DocHostHandler(CBrowserSite& site, IDispatch* external) : site_(site), external_(external) {}

        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
        ULONG STDMETHODCALLTYPE AddRef() override;
        ULONG STDMETHODCALLTYPE Release() override;

        HRESULT STDMETHODCALLTYPE ShowContextMenu(DWORD id, POINT* at, IUnknown* target, IDispatch* object) override;
        HRESULT STDMETHODCALLTYPE GetHostInfo(DOCHOSTUIINFO* info) override;
        HRESULT STDMETHODCALLTYPE ShowUI(DWORD id, IOleInPlaceActiveObject* object, IOleCommandTarget* target,
                                         IOleInPlaceFrame* frame, IOleInPlaceUIWindow* document) override;
        HRESULT STDMETHODCALLTYPE HideUI() override;
        HRESULT STDMETHODCALLTYPE UpdateUI() override;
        HRESULT STDMETHODCALLTYPE EnableModeless(BOOL enable) override;
        HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL activate) override;
        HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL activate) override;
        HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window, BOOL frame) override;
        HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG msg, const GUID* group, DWORD command) override;
        HRESULT STDMETHODCALLTYPE GetOptionKeyPath(LPOLESTR* key, DWORD reserved) override;
        HRESULT STDMETHODCALLTYPE GetDropTarget(IDropTarget* target, IDropTarget** replacement) override;
        HRESULT STDMETHODCALLTYPE GetExternal(IDispatch** external) override;
        HRESULT STDMETHODCALLTYPE TranslateUrl(DWORD translate, LPWSTR url, LPWSTR* translated) override;
        HRESULT STDMETHODCALLTYPE FilterDataObject(IDataObject* object, IDataObject** replacement) override;

    private:
        CBrowserSite& site_;
        IDispatch* external_;
    };

    ~CBrowserSite() = default;  // through Release only

    LONG references_ = 1;
    HWND host_;
    DocHostHandler handler_;
};

class CWebBrowser2 : public fw::Wnd {
public:
    CWebBrowser2() = default;
    ~CWebBrowser2() override;

    // Creates the window (control id `id`, filling `area` of `parent`) with a
    // browser control in it.  False, and no window, when the browser engine
    // is not available or the control cannot be created.
    bool create(HWND parent, int id, const RECT& area, IDispatch* external);

    // The browser's Navigate2 (automation method 500): the URL, the four
    // optional arguments empty.
    void Navigate2(const std::string& url);

protected:
    LRESULT windowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    bool embed(IDispatch* external);
    void release();

    CBrowserSite* site_ = nullptr;
    Microsoft::WRL::ComPtr<IOleObject> object_;
    Microsoft::WRL::ComPtr<IWebBrowser2> browser_;
};
