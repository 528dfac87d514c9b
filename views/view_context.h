// What every view of the main frame reaches of the process-wide state: the
// one database connection, the settings read from config.ini (and the file,
// for the dialogs that change them) and the list of syntax schemes.  The
// application owns them; the frame hands this context to each view and
// dialog it creates.
#pragma once

#include "editor/scheme_list.h"
#include "store/db_connection.h"
#include "views/settings.h"

class Config;

struct ViewContext {
    store::DbConnection& db;
    Settings& settings;
    Config& config;
    SchemeList& schemes;
};
