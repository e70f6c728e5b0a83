// The user's Recent folder: the shortcuts Windows makes to opened documents,
// and the jump lists, each program's list of recent and pinned items
// (AutomaticDestinations) and the lists programs write themselves
// (CustomDestinations).
#pragma once

#include <string>

#include "engine/RunContext.h"

// Empties `recent` (its desktop.ini files stay), except the pins of the jump
// lists: a list with pins is written again with nothing but its pins and
// their links; one this program cannot read stays as it was and is named in
// run.jumpListsLeft; one another program holds stays and is counted as left.
void EraseRecentFolder(const std::string& recent, CRunContext& run);
