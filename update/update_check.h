// The update check of jexmarlo: the program starts the updater
// jexUpdate.exe and talks with it over one anonymous pipe, paced by the
// named events "jexMainAppEvent" and "jexUpdateEvent":
//
//   updater -> program  result code: 0 the update information could not be
//                       had, 1 the offered version is the running one,
//                       2 another version is offered;
//   program -> updater  (after 2 only) the user's answer: 1 update now, 0 not.
//
// Every message is one 32-bit little-endian integer, written before the
// writer signals its event.  The check runs on a worker thread and reports
// through message boxes only; one check runs at a time.
#pragma once

#include <windows.h>

#include <string>

#include "update/handle.h"

class Config;

namespace update {

enum class CheckMode {
    automatic,  // at start-up: "the same version" is not said
    manual,     // asked for by the user
};

// Starts a check and returns at once.  While a check runs another start
// does nothing and returns false; a manual one says so in a message box
// owned by `owner`.
bool startUpdateCheck(CheckMode mode, HWND owner = nullptr);

// The manual check (the options dialog's "立即检查"): `owner` is the window
// the user pressed it in.
inline bool checkForUpdatesNow(HWND owner) { return startUpdateCheck(CheckMode::manual, owner); }

// The start-up's decision: with a period (`checkDay` days, 0 = off) and a
// last check ("UPDATE"/"LastUpdate") long enough ago, or none that can be
// read as a date, writes today's date there and starts an automatic check.
void runAutomaticCheckDecision(const Config& config, int checkDay);

// Where the update information is: "UPDATE"/"UpdateUrl" of config.ini
// when set (a mirror), else the address the program was built with.
std::string updateInfoUrl(const Config& config);

// Today in the user's short date format, and the system's reading of such
// a text as a day count (nothing when it is no date).
std::string todayText();
bool readDate(const std::string& text, double& days);

// One conversation with the updater, without messages to the user.
class UpdaterConversation {
public:
    enum class Started { ok, noPipe, noUpdater };
    // Creates the pipe and "jexMainAppEvent" and starts the updater with
    // the pipe's ends as its standard input and output.
    Started start(const std::string& updaterPath, const std::string& commandLine);
    // Waits for the result code until the updater signals or ends; -1 when
    // it ended without a message or the message could not be read.
    int waitForResult();
    // The user's answer to result 2; false when it could not be handed over.
    bool answer(bool updateNow);

private:
    Handle readEnd_, writeEnd_, mainEvent_, process_;
};

}  // namespace update
