// Starting another program from a test or benchmark.
#pragma once

#include <string>

#include "platform/win32.h"

// Starts `commandLine`; its process handle (the caller closes it), or none.
// With a `job`, the process joins it before it runs, so that any child it
// starts joins it too.
HANDLE StartProgram(std::string commandLine, HANDLE job = nullptr);

// build/windows/tidewisp.exe, beside the tests' folder.
std::string TidewispExe();

// Starts `commandLine` and waits up to `timeoutMs` for it to end, or ends it;
// false when it could not be started. Wine starts a Unix program without a
// process to wait on: callers of such programs poll for their effect.
bool RunAndWait(std::string commandLine, DWORD timeoutMs, DWORD* exitCode = nullptr);
