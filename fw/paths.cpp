#include "fw/paths.h"

#include <windows.h>

#include "text/gbk.h"

std::size_t lastBackslash(const std::string& path) {
    std::size_t last = std::string::npos;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (gbk::charLength(path, i) == 2)
            ++i;
        else if (path[i] == '\\')
            last = i;
    }
    return last;
}

bool endsWithBackslash(const std::string& path) {
    return !path.empty() && lastBackslash(path) == path.size() - 1;
}

std::string folderOf(const std::string& path) {
    std::size_t slash = lastBackslash(path);
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string programFolder() {
    char buffer[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    return folderOf(buffer);
}

std::string tempAttachmentFolder() {
    char buffer[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, buffer);
    std::string folder = buffer;
    if (!endsWithBackslash(folder)) folder += '\\';
    return folder + "jexMarlo\\";
}

bool fileExists(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool folderExists(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void removeFolderTree(const std::string& folder) {
    std::string base = endsWithBackslash(folder) ? folder : folder + '\\';
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((base + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            std::string full = base + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeFolderTree(full);
            } else {
                if (found.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
                    SetFileAttributesA(full.c_str(), found.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY);
                DeleteFileA(full.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(base.c_str());
}
