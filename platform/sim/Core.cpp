// The simulated machine's core: its one instance, handles, the last error,
// injected failures, the call log, reset and dump.
#include <algorithm>
#include <cctype>
#include <sstream>

#include "platform/sim/Machine.h"

namespace sim {

Machine& M() {
  static Machine machine;
  return machine;
}

std::string Upper(const std::string& s) {
  std::string u(s);
  for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return u;
}

HANDLE NewHandle() {
  Machine& m = M();
  m.nextHandle += 4;
  return reinterpret_cast<HANDLE>(m.nextHandle);
}

DWORD EnterStatus(const char* call, const std::string& subject, uint64_t size, DWORD flags) {
  Machine& m = M();
  if (m.logging) m.calls.push_back(Call{call, subject, size, flags});
  if (m.failures.empty()) return ERROR_SUCCESS;
  std::string upper = Upper(subject);
  for (auto& failure : m.failures) {
    if (failure.times == 0 || failure.call != call) continue;
    if (!failure.subject.empty() && failure.subject != upper) continue;
    if (failure.times > 0) --failure.times;
    return failure.status;
  }
  return ERROR_SUCCESS;
}

bool Enter(const char* call, const std::string& subject, uint64_t size, DWORD flags) {
  DWORD status = EnterStatus(call, subject, size, flags);
  if (status == ERROR_SUCCESS) return false;
  M().lastError = status;
  return true;
}

void FailCall(const std::string& call, DWORD status, const std::string& subject, int times) {
  M().failures.push_back(Machine::Failure{call, status, Upper(subject), times});
}

const std::vector<Call>& Calls() { return M().calls; }

std::vector<Call> CallsOf(const std::string& name) {
  std::vector<Call> matching;
  for (const Call& call : M().calls)
    if (call.name == name) matching.push_back(call);
  return matching;
}

void ClearCalls() { M().calls.clear(); }
void SetCallLogging(bool on) { M().logging = on; }

void ResetSystem();
std::string DumpSystem();

void Reset() {
  Machine& m = M();
  // Open handles die with the old machine; tests never carry them across.
  m = Machine();
  ResetFiles();
  ResetRegistry();
  ResetSystem();
}

std::string Dump() {
  std::ostringstream out;
  out << "---- simulated machine ----\n"
      << DumpFiles() << DumpRegistry() << DumpSystem();
  std::vector<Call> tail(M().calls.end() - std::min<size_t>(M().calls.size(), 40),
                         M().calls.end());
  out << "last calls:\n";
  for (const Call& call : tail)
    out << "  " << call.name << "(" << call.subject << ") size=" << call.size
        << " flags=0x" << std::hex << call.flags << std::dec << "\n";
  return out.str();
}

}  // namespace sim

extern "C" {

DWORD WINAPI GetLastError(void) { return sim::M().lastError; }
void WINAPI SetLastError(DWORD dwErrCode) { sim::M().lastError = dwErrCode; }

}  // extern "C"
