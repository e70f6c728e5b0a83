// A browser that holds its profile with no window open. Edge's start-up boost
// starts Edge at sign-in with no window and keeps it after its last window
// closes; Chrome and the others do the same while "continue running
// background apps" is on. Such a browser holds its lock file, so its traces
// could never be erased. Its processes are found by where the browser is
// installed, told apart from a browser in use by their windows, and closed
// the way Windows closes programs at sign-out.
#pragma once

#include <string>
#include <vector>

#include "engine/RunContext.h"

// Called when `browser`'s lock on `folders` (its User Data; Firefox: the
// profiles whose parent.lock is held) cannot be taken. When the processes
// of the browser's own installation that run on one of those folders, as
// this user in this session, show no top-level window, asks the user
// whether to close them (a scheduled run does not ask), closes them, and
// logs "Closed <browser>, which was running in the background." True when
// the lock is worth trying again: the user said Yes. Nothing else is ever
// closed: no other program, channel or installation of the browser, no
// process of this program, and no browser with a window, minimized or not.
bool CloseBackgroundBrowser(CRunContext& run, const char* browser,
                            const std::vector<std::string>& folders);
