// Stands in for the program the shell starts to open a file: writes the
// path it was given to opened.txt beside itself and ends.
//   jexopener <path>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    char* slash = strrchr(self, '\\');
    if (slash) slash[1] = '\0';
    std::string record = std::string(self) + "opened.txt";
    std::string path = commandLine;
    if (path.size() >= 2 && path.front() == '"' && path.back() == '"') path = path.substr(1, path.size() - 2);
    FILE* out = fopen((record + ".part").c_str(), "wb");
    if (!out) return 1;
    fwrite(path.data(), 1, path.size(), out);
    fclose(out);
    // Whole or not at all: the test reads it as soon as it exists.
    return MoveFileExA((record + ".part").c_str(), record.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
