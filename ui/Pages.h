// The four settings pages of the main window.
#pragma once

#include "framework/DataExchange.h"
#include "res/resource.h"

class COptionsPage : public CDialog {
 public:
  COptionsPage() : CDialog(IDD_OPTIONS_PAGE) {}
};

class CSchedulePage : public CDialog {
 public:
  CSchedulePage() : CDialog(IDD_SCHEDULE_PAGE) {}
};

class CWipeFilesPage : public CDialog {
 public:
  CWipeFilesPage() : CDialog(IDD_WIPE_FILES_PAGE) {}
};

class CEraseFoldersPage : public CDialog {
 public:
  CEraseFoldersPage() : CDialog(IDD_ERASE_FOLDERS_PAGE) {}
};
