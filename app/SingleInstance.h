// One Tidewisp at a time in a session. Each window reads the settings when it
// opens and writes them when it closes, so a second window would put back,
// on closing, what it read before the user changed the first.
#pragma once

#include "platform/win32.h"

class CSingleInstance {
 public:
  CSingleInstance() = default;
  ~CSingleInstance();  // releases the claim: the next start may run
  CSingleInstance(const CSingleInstance&) = delete;
  CSingleInstance& operator=(const CSingleInstance&) = delete;

  // True when this start may run: no other start holds the session's claim,
  // or (interactive) the other start ended while this one waited. False when
  // another holds it: a scheduled start then leaves the run to it; an
  // interactive one waits for the other's main window to show and brings it
  // to the front, restored if minimised, before it answers false.
  bool Claim(bool scheduled);

 private:
  HANDLE m_mutex = nullptr;
  bool m_owned = false;
};
