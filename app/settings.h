// The in-memory copy of config.ini that the rest of the program reads.
#pragma once

#include <string>

struct Settings {
    int codeTab = 0;            // BASIC/CodeTab: 0 multi-tab, 1 single-tab
    int autoSaveTime = 0;       // BASIC/AutoSaveTime: minutes, 0 = off
    std::string faceName;       // BASIC/FaceName: editor font, "" = not set
    int fontSize = 0;           // BASIC/FontSize: points, 0 = not set
    std::string databasePath;   // DBM/WorkPath
    int checkDay = 0;           // UPDATE/CheckDay: days between update checks, 0 = off
    std::string defSyntex;      // SYNTEX/DefSyntex: name of the default scheme
};
