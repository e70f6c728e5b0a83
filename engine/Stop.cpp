#include "engine/Stop.h"

#include <atomic>

namespace {
std::atomic<bool> g_stop{false};
thread_local int t_unstoppable = 0;
}  // namespace

void RequestStop() { g_stop = true; }
void ClearStop() { g_stop = false; }
bool StopRequested() { return t_unstoppable == 0 && g_stop; }

CUnstoppable::CUnstoppable() { ++t_unstoppable; }
CUnstoppable::~CUnstoppable() { --t_unstoppable; }
