#include "app/snippet_app.h"

#include <commctrl.h>
#include <ole2.h>

#include "app/db_folder_dlg.h"
#include "attach/list_tab_view.h"
#include "fw/paths.h"
#include "skin/jexui.h"
#include "editor/syntax_scheme.h"
#include "fw/dialog.h"
#include "options/options_core.h"
#include "store/schema.h"
#include "update/update_check.h"

CSnippetApp::CSnippetApp() { title_ = "墨舟"; }

CSnippetApp::~CSnippetApp() = default;

bool CSnippetApp::initInstance() {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    oleReady_ = SUCCEEDED(OleInitialize(nullptr));

    initSkin();
    if (!claimSingleInstance()) return false;
    loadSyntaxSchemes();
    loadSettings();
    openDatabase();
    createMainFrame();
    return true;
}

// From here on every window this thread creates is skinned.
void CSnippetApp::initSkin() {
    jexsoft_InitUI(instance(), 0);
    jexsoft_SetSkin((programFolder() + "skins\\default\\skin.ini").c_str());
}

bool CSnippetApp::claimSingleInstance() {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, "jexMarlo");
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        if (mutex) CloseHandle(mutex);
        fw::messageBox("程序已经运行！", MB_OK);
        return false;
    }
    instanceMutex_ = mutex;
    return true;
}

// The scheme list: the header of every Syntax\*.xml, in the order the file
// system lists them.
void CSnippetApp::loadSyntaxSchemes() {
    schemes_.clear();
    std::string folder = programFolder() + "Syntax\\";
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*.xml").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == ".." || (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        std::string path = folder + name;
        readSchemeHeader(schemes_, path, readSchemeFile(path));
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

void CSnippetApp::loadSettings() {
    std::string path = programFolder() + "config.ini";
    if (fileExists(path)) {
        config_.setPath(path);
    } else {
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
        config_.setPath(path);
        config_.writeInt(cfg::kUpdate, cfg::kCheckDay, 1);
    }

    settings_.codeTab = config_.getInt(cfg::kBasic, cfg::kCodeTab, 0);
    settings_.autoSaveTime = config_.getInt(cfg::kBasic, cfg::kAutoSaveTime, 0);
    settings_.faceName = config_.getString(cfg::kBasic, cfg::kFaceName, "");
    settings_.fontSize = config_.getInt(cfg::kBasic, cfg::kFontSize, 0);

    std::string workPath = config_.getString(cfg::kDbm, cfg::kWorkPath, "");
    if (!workPath.empty() && !fileExists(workPath)) workPath.clear();
    if (workPath.empty()) {
        CDbFolderDlg dialog;
        dialog.doModal(nullptr);
        workPath = dialog.folder();
        if (!endsWithBackslash(workPath)) workPath += '\\';
        workPath += "srcdata.db";
        config_.writeString(cfg::kDbm, cfg::kWorkPath, workPath.c_str());
    }
    settings_.databasePath = workPath;

    settings_.checkDay = config_.getInt(cfg::kUpdate, cfg::kCheckDay, 0);
    update::runAutomaticCheckDecision(config_, settings_.checkDay);

    settings_.defSyntex = config_.getString(cfg::kSyntex, cfg::kDefSyntex, "");
    settings_ = options::settingsInRange(settings_);
}

void CSnippetApp::openDatabase() {
    const std::string& path = settings_.databasePath;
    std::size_t slash = lastBackslash(path);
    std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    std::string fileName = slash == std::string::npos ? path : path.substr(slash + 1);

    // The file is opened by its bare name from its own folder, so that a
    // folder name in the local code page needs no conversion.
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previous);
    if (!folder.empty()) SetCurrentDirectoryA(folder.c_str());
    try {
        store::openSnippetDatabase(db_, fileName.c_str(), fileExists(path));
    } catch (const store::CppSQLite3Exception& e) {
        SetCurrentDirectoryA(previous);
        fw::messageBox(e.errorMessage(), MB_OK);
        return;
    }
    SetCurrentDirectoryA(previous);
}

void CSnippetApp::createMainFrame() {
    mainFrame_ = std::make_unique<CMainFrame>(context_, external_);
    if (mainFrame_->createFrame()) {
        setMainWindow(mainFrame_->hwnd());
        ShowWindow(mainFrame_->hwnd(), SW_SHOWNORMAL);
        UpdateWindow(mainFrame_->hwnd());
    } else {
        mainFrame_.reset();
        PostQuitMessage(1);
    }
}

bool CSnippetApp::preTranslateMessage(MSG& msg) {
    if (!mainFrame_) return false;
    CListTabView* pane = mainFrame_->listTabView();
    return (pane && pane->preTranslateMessage(msg)) || mainFrame_->translateAccelerator(msg);
}

int CSnippetApp::exitInstance() {
    // Attachment workers the frame gave up waiting for may still be using
    // the database and the temporary folder: the program ends without
    // closing either (the engine's journal keeps the file whole).
    if (mainFrame_ && mainFrame_->listTabView() && mainFrame_->listTabView()->workersRunning())
        ExitProcess(UINT(fw::App::exitInstance()));
    db_.close();
    // A second instance stops before it owns anything: the temporary folder
    // belongs to the instance that is running.
    if (instanceMutex_) {
        removeFolderTree(tempAttachmentFolder());
        CloseHandle(instanceMutex_);
        instanceMutex_ = nullptr;
    }
    mainFrame_.reset();
    if (oleReady_) OleUninitialize();
    return fw::App::exitInstance();
}
