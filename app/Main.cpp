// The one application object, constructed during static initialisation.
#include "app/SweepApp.h"

CSweepApp theApp;
