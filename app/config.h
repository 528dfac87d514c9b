// config.ini, read and written with the Windows profile functions.
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
inline const char kSyntex[] = "SYNTEX";
inline const char kDefSyntex[] = "DefSyntex";
}  // namespace cfg

class Config {
public:
    // Sets the full path of the file; its folder is the path up to and
    // including the last backslash.
    void setPath(const std::string& fullPath);
    const std::string& path() const { return path_; }
    const std::string& folder() const { return folder_; }

    int getInt(const char* section, const char* key, int defaultValue) const;
    // Reads at most 511 characters; a null default reads as "".
    std::string getString(const char* section, const char* key, const char* defaultValue) const;
    bool writeString(const char* section, const char* key, const char* value) const;
    bool writeInt(const char* section, const char* key, int value) const;

private:
    std::string path_;
    std::string folder_;
};
