// config.ini: its sections and keys, and the in-memory copy of its values
// that the rest of the program reads.
#pragma once

#include <string>

// Sections and keys of config.ini.
namespace cfg {
inline const char kBasic[] = "BASIC";
inline const char kCodeTab[] = "CodeTab";
inline const char kAutoSaveTime[] = "AutoSaveTime";
inline const char kFaceName[] = "FaceName";
inline const char kFontSize[] = "FontSize";
inline const char kDbm[] = "DBM";
inline const char kWorkPath[] = "WorkPath";
inline const char kUpdate[] = "UPDATE";
inline const char kCheckDay[] = "CheckDay";
inline const char kLastUpdate[] = "LastUpdate";
// Optional: the address of the update information, for a mirror; the
// address the program was built with when missing.
inline const char kUpdateUrl[] = "UpdateUrl";
inline const char kSyntex[] = "SYNTEX";
inline const char kDefSyntex[] = "DefSyntex";
}  // namespace cfg

struct Settings {
    int codeTab = 0;            // BASIC/CodeTab: 0 multi-tab, 1 single-tab
    int autoSaveTime = 0;       // BASIC/AutoSaveTime: minutes, 0 = off
    std::string faceName;       // BASIC/FaceName: editor font, "" = not set
    int fontSize = 0;           // BASIC/FontSize: points, 0 = not set
    std::string databasePath;   // DBM/WorkPath
    int checkDay = 0;           // UPDATE/CheckDay: days between update checks, 0 = off
    std::string defSyntex;      // SYNTEX/DefSyntex: name of the default scheme
};
