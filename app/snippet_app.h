// The application object of jexmarlo: start-up, single instance, settings,
// the database, and the clean-up on exit.
#pragma once

#include <windows.h>

#include <memory>

#include "app/config.h"
#include "app/external.h"
#include "app/main_frame.h"
#include "app/settings.h"
#include "editor/scheme_list.h"
#include "fw/app.h"
#include "store/db_connection.h"

class CSnippetApp : public fw::App {
public:
    CSnippetApp();
    ~CSnippetApp() override;

    Config& config() { return config_; }
    Settings& settings() { return settings_; }
    SchemeList& schemes() { return schemes_; }
    store::DbConnection& db() { return db_; }
    // What the program's HTML pages reach as window.external.
    CExternal& external() { return external_; }

    CMainFrame* mainFrame() const { return mainFrame_.get(); }

protected:
    bool initInstance() override;
    int exitInstance() override;
    bool preTranslateMessage(MSG& msg) override;

private:
    void initSkin();
    bool claimSingleInstance();
    void loadSyntaxSchemes();
    void loadSettings();
    void runAutomaticUpdateCheck();
    void openDatabase();
    void createMainFrame();

    Config config_;
    Settings settings_;
    SchemeList schemes_;
    store::DbConnection db_;
    HANDLE instanceMutex_ = nullptr;  // held for the life of the first instance
    bool oleReady_ = false;
    CExternal external_;  // outlives every page (the frame goes first)
    std::unique_ptr<CMainFrame> mainFrame_;
};

// The application object of the running program.
CSnippetApp& theApp();
