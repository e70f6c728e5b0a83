#include "engine/Clock.h"

LONGLONG UnixTime() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  ULONGLONG ticks = (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  // FILETIME counts 100 ns intervals from 1601-01-01.
  return static_cast<LONGLONG>(ticks / 10000000ULL) - 11644473600LL;
}
