#include "platform/sim/Sim.h"
#include "tests/conformance/Conformance.h"

void PrepareMachine() { sim::Reset(); }
