// The welcome and about pages' Windows side: the scripting object as a
// page's script reaches it, the document host handler's answers, the
// resources in jexmarlo.exe, and the native page's line wrapping.
#include <gtest/gtest.h>
#include <windows.h>

#include <activscp.h>
#include <wrl/client.h>

#include <algorithm>
#include <string>

#include "app/external.h"
#include "app/native_page.h"
#include "app/page_content.h"
#include "app/web_browser.h"

using Microsoft::WRL::ComPtr;

namespace {

// --- the scripting object, as a page's script reaches it -------------------------

// A script host with one named item, "external", as a page has it.
class ScriptHost : public IActiveScriptSite {
public:
    explicit ScriptHost(IDispatch* external) : external_(external) {}

    // Runs `code` as an expression; true when it ran without a script error.
    bool evaluate(const wchar_t* code, VARIANT* result) {
        ComPtr<IActiveScript> engine;
        CLSID jscript;
        if (FAILED(CLSIDFromProgID(L"JScript", &jscript)) ||
            FAILED(CoCreateInstance(jscript, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&engine))))
            return ADD_FAILURE() << "no script engine", false;
        ComPtr<IActiveScriptParse> parser;
        if (FAILED(engine.As(&parser))) return ADD_FAILURE() << "no parser", false;
        error_.clear();
        engine->SetScriptSite(this);
        parser->InitNew();
        engine->AddNamedItem(L"external", SCRIPTITEM_ISVISIBLE);
        engine->SetScriptState(SCRIPTSTATE_STARTED);
        EXCEPINFO info = {};
        HRESULT hr = parser->ParseScriptText(code, nullptr, nullptr, nullptr, 0, 0, SCRIPTTEXT_ISEXPRESSION, result, &info);
        engine->Close();
        return SUCCEEDED(hr) && error_.empty();
    }
    const std::wstring& error() const { return error_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (iid == IID_IUnknown || iid == IID_IActiveScriptSite) {
            *object = static_cast<IActiveScriptSite*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // lives on the test's stack
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetLCID(LCID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetItemInfo(LPCOLESTR name, DWORD mask, IUnknown** item, ITypeInfo** type) override {
        if (type) *type = nullptr;
        if (item) *item = nullptr;
        if (lstrcmpW(name, L"external") != 0) return TYPE_E_ELEMENTNOTFOUND;
        if ((mask & SCRIPTINFO_IUNKNOWN) && item) {
            *item = external_;
            external_->AddRef();
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDocVersionString(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnScriptTerminate(const VARIANT*, const EXCEPINFO*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnStateChange(SCRIPTSTATE) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnScriptError(IActiveScriptError* error) override {
        EXCEPINFO info = {};
        error->GetExceptionInfo(&info);
        error_ = info.bstrDescription ? info.bstrDescription : L"script error";
        SysFreeString(info.bstrSource);
        SysFreeString(info.bstrDescription);
        SysFreeString(info.bstrHelpFile);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnEnterScript() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnLeaveScript() override { return S_OK; }

private:
    IDispatch* external_;
    std::wstring error_;
};

class Com : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr))); }
    void TearDown() override { OleUninitialize(); }
};

TEST_F(Com, AScriptCallingExternalShowDlgSucceedsAndGetsNothingBack) {
    CExternal external;
    ScriptHost host(&external);
    VARIANT result;
    VariantInit(&result);
    ASSERT_TRUE(host.evaluate(L"typeof external.ShowDlg()", &result));
    ASSERT_EQ(result.vt, VT_BSTR);
    EXPECT_STREQ(result.bstrVal, L"undefined");
    VariantClear(&result);

    EXPECT_FALSE(host.evaluate(L"external.ShowDlg(1)", nullptr)) << "an argument is refused";
    EXPECT_FALSE(host.evaluate(L"external.Close()", nullptr)) << "there is no other method";
    EXPECT_EQ(external.references(), 0) << "the engine released every reference";
}

// --- the document host handler -------------------------------------------------------

TEST_F(Com, TheDocumentHostHandlerMakesThePageLookLikePartOfTheWindow) {
    HWND host = CreateWindowExA(0, "STATIC", "", WS_POPUP, 10, 10, 300, 200, nullptr, nullptr, nullptr, nullptr);
    CExternal external;
    ComPtr<IOleClientSite> site;
    site.Attach(new CBrowserSite(host, &external));

    ComPtr<IDocHostUIHandler> handler;
    ASSERT_EQ(site.As(&handler), S_OK);
    ComPtr<IUnknown> a, b;
    site.As(&a);
    handler.As(&b);
    EXPECT_EQ(a.Get(), b.Get()) << "the handler shares the site's identity";

    DOCHOSTUIINFO info = {sizeof info, 0xFFFF, 0xFFFF, nullptr, nullptr};
    EXPECT_EQ(handler->GetHostInfo(&info), S_OK);
    EXPECT_EQ(info.dwFlags, DWORD(DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_SCROLL_NO));
    EXPECT_EQ(info.dwDoubleClick, DWORD(DOCHOSTUIDBLCLK_DEFAULT));

    POINT at = {5, 5};
    EXPECT_EQ(handler->ShowContextMenu(0, &at, nullptr, nullptr), S_OK) << "handled: no menu";
    MSG msg = {};
    EXPECT_EQ(handler->TranslateAccelerator(&msg, nullptr, 0), S_FALSE) << "the browser handles keys";

    IDispatch* reached = nullptr;
    ASSERT_EQ(handler->GetExternal(&reached), S_OK);
    EXPECT_EQ(reached, static_cast<IDispatch*>(&external));
    EXPECT_EQ(external.references(), 1) << "a reference is added for the caller";
    reached->Release();

    // The in-place context places the control over the host's client area.
    ComPtr<IOleInPlaceSite> inPlace;
    ASSERT_EQ(site.As(&inPlace), S_OK);
    IOleInPlaceFrame* frame = nullptr;
    IOleInPlaceUIWindow* document = reinterpret_cast<IOleInPlaceUIWindow*>(1);
    RECT position, clip;
    OLEINPLACEFRAMEINFO frameInfo = {};
    frameInfo.cb = sizeof frameInfo;
    ASSERT_EQ(inPlace->GetWindowContext(&frame, &document, &position, &clip, &frameInfo), S_OK);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(document, nullptr);
    EXPECT_EQ(position.right, 300);
    EXPECT_EQ(position.bottom, 200);
    EXPECT_EQ(frameInfo.hwndFrame, host);
    frame->Release();

    handler.Reset();
    inPlace.Reset();
    a.Reset();
    b.Reset();
    site.Reset();  // the last reference: the site goes
    EXPECT_EQ(external.references(), 0);
    DestroyWindow(host);
}

// --- the resources ---------------------------------------------------------------------

class ProgramResources : public ::testing::Test {
protected:
    void SetUp() override {
        program = LoadLibraryExA(JEX_PROGRAM_EXE, nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_TRUE(program) << JEX_PROGRAM_EXE;
    }
    void TearDown() override { FreeLibrary(program); }

    // The resource in Chinese (PRC), the language the program ships in.
    std::string resource(const char* name) {
        HRSRC found = FindResourceExA(program, MAKEINTRESOURCEA(23) /* RT_HTML */, name,
                                      MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED));
        if (!found) return {};
        const char* bytes = static_cast<const char*>(LockResource(LoadResource(program, found)));
        return std::string(bytes, SizeofResource(program, found));
    }

    HMODULE program = nullptr;
};

TEST_F(ProgramResources, PagesAndTheLogoTheWelcomePageReferences) {
    PageContent welcome = readPageContent(resource("HTML_WELCOME"));
    EXPECT_EQ(welcome.title, "墨舟");
    EXPECT_EQ(welcome.features.size(), 6u);
    // A page's relative reference names a resource of the same type.
    std::string logo = resource(welcome.logo.c_str());
    ASSERT_GT(logo.size(), 4u) << welcome.logo;
    EXPECT_EQ(logo.substr(0, 3), "\xFF\xD8\xFF") << "a JPEG picture";
    EXPECT_EQ(logo.substr(logo.size() - 2), "\xFF\xD9");

    PageContent about = readPageContent(resource("HTML_ABOUT"));
    EXPECT_EQ(about.title, "墨舟");
    EXPECT_EQ(about.contacts.size(), welcome.contacts.size());
    EXPECT_TRUE(about.features.empty());
}

// --- line wrapping -----------------------------------------------------------------------

TEST(NativePage, WrappedLinesFitKeepCharactersWholeAndLoseOnlyBlanks) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    const std::string text = "软件小巧，启动迅速，可运行于 Windows 2000、XP、Vista 等多个版本。 averyveryverylongword end";
    auto widthOf = [dc](const std::string& s) {
        SIZE size = {};
        GetTextExtentPoint32A(dc, s.c_str(), int(s.size()), &size);
        return int(size.cx);
    };
    auto withoutBlanks = [](std::string s) {
        s.erase(std::remove(s.begin(), s.end(), ' '), s.end());
        return s;
    };
    for (int width = 1; width <= widthOf(text) + 10; width += 7) {
        std::vector<std::string> lines = wrapText(dc, text, width);
        std::string joined;
        for (const std::string& line : lines) {
            ASSERT_FALSE(line.empty()) << width;
            std::size_t i = 0;
            while (i < line.size()) i += IsDBCSLeadByte(BYTE(line[i])) ? 2 : 1;
            EXPECT_EQ(i, line.size()) << "a two-byte character was split at width " << width;
            bool oneCharacter = line.size() == 1 || (line.size() == 2 && IsDBCSLeadByte(BYTE(line[0])));
            if (!oneCharacter) {
                EXPECT_LE(widthOf(line), width) << line;
            }
            joined += line;
        }
        EXPECT_EQ(withoutBlanks(joined), withoutBlanks(text)) << width;
        // A word that fits a line is never cut.
        if (width >= widthOf("Windows")) {
            for (const std::string& line : lines)
                EXPECT_TRUE(line.find("Windo") == std::string::npos || line.find("Windows") != std::string::npos)
                    << "width " << width << ": " << line;
        }
    }
    EXPECT_EQ(wrapText(dc, text, 100000).size(), 1u);
    EXPECT_TRUE(wrapText(dc, "", 100).empty());
    SelectObject(dc, old);
    DeleteDC(dc);
}

}  // namespace
