// Stopping a run: asked for from the window's thread, honoured by the run at
// its safe points (between two files, two keys, two steps; between the
// chunks of a zero-wipe), never inside a store's swap.
#pragma once

// Any thread. The run stops at its next safe point.
void RequestStop();
// As a run starts, and once it has ended.
void ClearStop();
// Whether the run is to stop here: false inside a CUnstoppable on this thread.
bool StopRequested();

// While one lives on a thread, that thread's run does not stop: what a store
// has begun (a swap, the wipe of what it swapped out) is finished first.
class CUnstoppable {
 public:
  CUnstoppable();
  ~CUnstoppable();
  CUnstoppable(const CUnstoppable&) = delete;
  CUnstoppable& operator=(const CUnstoppable&) = delete;
};
