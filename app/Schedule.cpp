#include "engine/Clock.h"
#include "profile/SweepProfile.h"

bool CSweepProfile::RunIfDue() {
  if (!di[kSchedule]) return false;
  double elapsed = static_cast<double>(UnixTime() - lastErase);
  // In 64 bits: an edited `when` above 24855 days would overflow 32.
  long long limit = static_cast<long long>(when) * 86400;
  if (!(elapsed > static_cast<double>(limit))) return false;
  Run(kRunAllMask);
  return true;
}
