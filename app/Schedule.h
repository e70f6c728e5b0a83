// The schedule check of a scheduled start.
#pragma once

#include "platform/win32.h"

// Whether a scheduled start runs: the schedule is on and more than `when`
// days (of 86400 seconds) have passed since `lastErase`, strictly. Times are
// seconds since 1970; the arithmetic is done so that no value wraps.
bool IsDue(int scheduleOn, LONG when, LONGLONG lastErase, LONGLONG now);
