// The application object of jexmarlo: start-up, single instance, settings,
// the database, and the clean-up on exit.
#pragma once

#include <windows.h>

#include <memory>

#include "fw/config.h"
#include "app/external.h"
#include "app/main_frame.h"
#include "views/settings.h"
#include "views/view_context.h"
#include "editor/scheme_list.h"
#include "fw/app.h"
#include "store/db_connection.h"

class CSnippetApp : public fw::App {
public:
    CSnippetApp();
    ~CSnippetApp() override;

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
    void openDatabase();
    void createMainFrame();

    Config config_;
    Settings settings_;
    SchemeList schemes_;
    store::DbConnection db_;
    ViewContext context_{db_, settings_, config_, schemes_};  // what the views reach of the above
    HANDLE instanceMutex_ = nullptr;  // held for the life of the first instance
    bool oleReady_ = false;
    CExternal external_;  // what the pages' scripts reach as window.external; outlives the frame
    std::unique_ptr<CMainFrame> mainFrame_;
};

