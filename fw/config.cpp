#include "fw/config.h"

#include <windows.h>

#include <cstdio>

#include "fw/paths.h"

void Config::setPath(const std::string& fullPath) {
    path_ = fullPath;
    folder_ = folderOf(fullPath);
}

int Config::getInt(const char* section, const char* key, int defaultValue) const {
    return int(GetPrivateProfileIntA(section, key, defaultValue, path_.c_str()));
}

std::string Config::getString(const char* section, const char* key, const char* defaultValue) const {
    char buffer[512] = {};
    GetPrivateProfileStringA(section, key, defaultValue ? defaultValue : "", buffer, sizeof buffer, path_.c_str());
    return buffer;
}

bool Config::writeString(const char* section, const char* key, const char* value) const {
    return WritePrivateProfileStringA(section, key, value, path_.c_str()) != FALSE;
}

bool Config::writeInt(const char* section, const char* key, int value) const {
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    return writeString(section, key, text);
}
