#include "framework/WinApp.h"
#include "profile/SweepProfile.h"
#include "ui/Pages.h"
#include "ui/SweepDlg.h"

namespace {

// The boxes in the order they are exchanged: ascending flags, di21 (the
// schedule) having none. The hidden "Recycle Bin" box keeps di4 as it is.
const struct {
  TargetFlag flag;
  int box;
} kBoxes[] = {{kIndexDat, IDC_INDEX_DAT},
              {kTempFolders, IDC_TEMP_FOLDERS},
              {kRecentFiles, IDC_RECENT_FILES},
              {kMyDocuments, IDC_MY_DOCUMENTS},
              {kRecycleBin, IDC_RECYCLE_BIN},
              {kRegistryBackups, IDC_REGISTRY_BACKUPS},
              {kClipboard, IDC_CLIPBOARD},
              {kIeCookies, IDC_BROWSER_COOKIES},
              {kTypedUrls, IDC_TYPED_URLS},
              {kIeCache, IDC_BROWSER_CACHE},
              {kIeFavorites, IDC_FAVORITES},
              {kIeHistory, IDC_HISTORY},
              {kMediaPlayerHistory, IDC_PLAYER_HISTORY},
              {kMediaPlayerPlaylists, IDC_PLAYER_PLAYLISTS},
              {kNetscapeCache, IDC_NETSCAPE_CACHE},
              {kNetscapeHistory, IDC_NETSCAPE_HISTORY},
              {kNetscapeCookies, IDC_NETSCAPE_COOKIES},
              {kNetscapeMail, IDC_NETSCAPE_MAIL},
              {kNetscapeHiddenMail, IDC_NETSCAPE_HIDDEN_MAIL},
              {kAolGoTo, IDC_AOL_GOTO},
              {kAolCache, IDC_AOL_CACHE},
              {kYahooMessenger, IDC_YAHOO_LOGS},
              {kMsnReceivedFiles, IDC_MSN_FILES},
              {kIcq, IDC_ICQ_LOGS},
              {kAim, IDC_AIM_LOGS}};

const char kMyDocumentsQuestion[] =
    "      \"My Documents\" is the default location \n"
    "for all documents, pictures and sounds you save!\n"
    "                  Are you sure?";

}  // namespace

void COptionsPage::DoDataExchange(CDataExchange* dx) {
  DDX_Control(dx, IDC_MY_DOCUMENTS, m_myDocuments);
  for (const auto& box : kBoxes) DDX_Check(dx, box.box, g_pProfile->di[box.flag]);
}

bool COptionsPage::OnCommand(UINT id, UINT code) {
  if (code != BN_CLICKED) return false;
  if (id == IDC_MY_DOCUMENTS) {
    ConfirmMyDocuments();
  } else if (id == IDC_CLEAN || id == IDC_CLEAN_AND_REBOOT) {
    UpdateData(TRUE);
    g_pMainDlg->SwitchToMainAndRun(id == IDC_CLEAN_AND_REBOOT);
  } else {
    return CDialog::OnCommand(id, code);
  }
  return true;
}

void COptionsPage::ConfirmMyDocuments() {
  if (m_myDocuments.GetCheck() != BST_CHECKED) return;
  if (AfxMessageBox(kMyDocumentsQuestion, MB_YESNO | MB_ICONQUESTION) == IDNO)
    m_myDocuments.SetCheck(BST_UNCHECKED);
}
