#pragma once

#include "app/hack_options.h"

#include <string>
#include <vector>

struct RunRecord;

// The program as a desktop daemon's display mode ("hack"): it draws into the daemon's window
// (XSCREENSAVER_WINDOW with --root), into a given window (--window-id), or over every screen
// (--root alone), until a termination signal ends it. It takes no single-instance lock (the
// daemon runs one process per screen), leaves input to the daemon and never writes the stored
// options: the options on its command line hold for this run only.
//
// After a termination signal the process ends by that signal, as the daemon expects. Exit
// status: 0 after --help, 1 when the display or the window to draw into cannot be reached or
// goes away, 2 for a bad command line or preset; each failure is one line on standard error,
// given before any window is made where it can be known then.
int runHackMode(RunRecord& record, const std::vector<std::string>& arguments, char* programName);
