#include "tests/support/Process.h"

HANDLE StartProgram(std::string commandLine, HANDLE job) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, job ? CREATE_SUSPENDED : 0,
                      nullptr, nullptr, &startup, &process))
    return nullptr;
  if (job && !AssignProcessToJobObject(job, process.hProcess))
    TerminateProcess(process.hProcess, 1);  // it would run out of the job's reach
  ResumeThread(process.hThread);
  CloseHandle(process.hThread);
  return process.hProcess;
}

std::string TidewispExe() {
  char module[MAX_PATH];
  std::string exe(module, GetModuleFileNameA(nullptr, module, MAX_PATH));
  return exe.substr(0, exe.rfind('\\', exe.rfind('\\') - 1)) + "\\tidewisp.exe";
}

bool RunAndWait(std::string commandLine, DWORD timeoutMs, DWORD* exitCode) {
  HANDLE process = StartProgram(commandLine);
  if (!process) return false;
  // A program that outlives its time is ended: it must not go on erasing, or
  // holding files, behind the next test's back.
  if (WaitForSingleObject(process, timeoutMs) != WAIT_OBJECT_0) {
    TerminateProcess(process, STILL_ACTIVE);
    WaitForSingleObject(process, 5000);
  }
  if (exitCode) GetExitCodeProcess(process, exitCode);
  CloseHandle(process);
  return true;
}
