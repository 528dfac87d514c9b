// A settings file (INI format), read and written with the Windows profile
// functions.
#pragma once

#include <string>

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
