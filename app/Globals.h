// The process-wide objects every part of the program reaches.
#pragma once

#include "profile/SweepProfile.h"

class CSweepDlg;

// The one cleaning profile; owned by InitInstance, which creates it and
// deletes it again before returning.
extern CSweepProfile* g_pProfile;
// The main dialog; interactive mode only.
extern CSweepDlg* g_pMainDlg;
