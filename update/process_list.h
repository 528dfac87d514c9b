// Running processes, from the system's process snapshot.
#pragma once

#include <windows.h>

#include <string>

namespace update {

// Whether a process runs whose executable file name is `fileName`, case
// ignored (the snapshot may give a name or a path).
bool isProgramRunning(const std::string& fileName);

// The process that started this one, 0 when the snapshot does not tell.
DWORD parentProcessId();

}  // namespace update
