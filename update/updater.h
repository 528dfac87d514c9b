// jexUpdate.exe: started by the main program's update check with the
// program's file name, its version text and the address of the update
// information; reports the result code over its standard output and, when
// the user wants the update, waits until the program has been closed and
// shows the update dialog.
#pragma once

#include <string>

#include "update/check_rules.h"
#include "update/update_info.h"

namespace update {

// Runs the updater with the arguments after its own path; the exit code.
int runUpdater(const std::string& arguments);

// Downloads the update information (bounded in time and size), keeps a
// copy as `copyPath` when that can be written, and reads it.  The result
// code for the main program.
ResultCode checkForUpdate(const UpdaterArguments& args, const std::string& copyPath, UpdateInfo& info);

}  // namespace update
