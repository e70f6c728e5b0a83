#include "app/Schedule.h"

#include "engine/Clock.h"
#include "profile/SweepProfile.h"

bool IsDue(int scheduleOn, LONG when, LONGLONG lastErase, LONGLONG now) {
  if (!scheduleOn) return false;
  // As floating values, as difftime gives them: an edited lastErase far in
  // the past or future cannot overflow the difference.
  double elapsed = static_cast<double>(now) - static_cast<double>(lastErase);
  // In 64 bits: an edited `when` above 24855 days would overflow 32.
  double limit = static_cast<double>(static_cast<LONGLONG>(when) * 86400);
  return elapsed > limit;
}

bool CSweepProfile::RunIfDue() {
  if (!IsDue(di[kSchedule], when, lastErase, UnixTime())) return false;
  Run(kRunAllMask);
  return true;
}
