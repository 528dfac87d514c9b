// jexUpdate.exe, the updater.
#include <windows.h>

#include "update/updater.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return update::runUpdater(std::string(update::argumentsAfterProgram(GetCommandLineA())));
}
