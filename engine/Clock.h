#pragma once

#include "platform/win32.h"

// The current time in whole seconds since 1970-01-01 UTC, as time() gives it.
LONGLONG UnixTime();
