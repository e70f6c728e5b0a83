#include "tests/conformance/Conformance.h"

void PrepareMachine() {}
