// The four settings pages of the main window: each shows part of the profile
// and changes it in memory; the registry follows at the next save.
#pragma once

#include <string>

#include "framework/DataExchange.h"
#include "res/resource.h"

// A tick box per target; "Clean" and "Clean and Reboot" commit the boxes and
// start a run from the Main page.
class COptionsPage : public CDialog {
 public:
  COptionsPage() : CDialog(IDD_OPTIONS_PAGE) {}
  CButton m_myDocuments;

 protected:
  void DoDataExchange(CDataExchange* dx) override;
  bool OnCommand(UINT id, UINT code) override;

 private:
  // Ticking "Erase My Documents Files" asks first; No unticks it.
  void ConfirmMyDocuments();
};

// Whether and how often a scheduled start cleans.
class CSchedulePage : public CDialog {
 public:
  CSchedulePage() : CDialog(IDD_SCHEDULE_PAGE) {}
  CSpinButtonCtrl m_spin;

 protected:
  // The day count; a text that is not a whole number from 0 to 999 fails and
  // leaves the profile's count as it was.
  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnInitDialog() override;
  bool OnCommand(UINT id, UINT code) override;
};

// How the list pages ask for a file or a folder; tests put their own here.
enum class Picked { kNothing, kPath, kNoPath };  // kNoPath: a folder with no file-system path
struct Pickers {
  Picked (*file)(HWND owner, std::string& path);
  Picked (*folder)(HWND owner, std::string& path);
};
extern Pickers g_pickers;  // the file-open dialog and the shell's folder browser

// The Wipe Files and Erase Folders pages: a list box that shows the profile's
// list entry for entry, with Add and Remove.
class CListPage : public CDialog {
 public:
  CListBox m_list;

 protected:
  CListPage(UINT templateId, bool folders) : CDialog(templateId), m_folders(folders) {}
  void DoDataExchange(CDataExchange* dx) override { DDX_Control(dx, IDC_LIST, m_list); }
  // The list box starts with the stored list: Add and Remove work by index on
  // both, which must therefore match from the start.
  BOOL OnInitDialog() override;
  bool OnCommand(UINT id, UINT code) override;

 private:
  void Add();
  void Remove();
  bool m_folders;
};

class CWipeFilesPage : public CListPage {
 public:
  CWipeFilesPage() : CListPage(IDD_WIPE_FILES_PAGE, false) {}
};

class CEraseFoldersPage : public CListPage {
 public:
  CEraseFoldersPage() : CListPage(IDD_ERASE_FOLDERS_PAGE, true) {}
};

// What erasing `folder` would destroy when it is a drive or share root, the
// Windows folder, a Program Files folder, the user's profile folder, or holds
// one of these (full long paths, compared without regard to case); otherwise
// none.
const char* VitalContents(const std::string& folder);
