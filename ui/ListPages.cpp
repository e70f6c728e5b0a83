#include "framework/FileDialog.h"
#include "framework/WinApp.h"
#include "profile/SweepProfile.h"
#include "ui/Pages.h"

namespace {

Picked PickFile(HWND owner, std::string& path) {
  CFileDialog dialog("All Files (*.*)|*.*||", owner);
  if (dialog.DoModal() != IDOK) return Picked::kNothing;
  path = dialog.GetPathName();
  return Picked::kPath;
}

Picked PickFolder(HWND owner, std::string& path) {
  IMalloc* allocator = nullptr;
  if (FAILED(SHGetMalloc(&allocator))) return Picked::kNothing;
  char name[MAX_PATH] = {};
  BROWSEINFOA browse = {};
  browse.hwndOwner = owner;
  browse.pszDisplayName = name;
  browse.lpszTitle = "Select a directory to be deleted:";
  Picked picked = Picked::kNothing;
  if (LPITEMIDLIST item = SHBrowseForFolderA(&browse)) {
    // A virtual folder (Control Panel, say) has no file-system path.
    char folder[MAX_PATH] = {};
    picked = SHGetPathFromIDListA(item, folder) && *folder ? Picked::kPath : Picked::kNoPath;
    path = folder;
    allocator->Free(item);
  }
  allocator->Release();
  return picked;
}

}  // namespace

Pickers g_pickers = {PickFile, PickFolder};

BOOL CListPage::OnInitDialog() {
  CDialog::OnInitDialog();
  const auto& list = m_folders ? g_pProfile->folderList : g_pProfile->fileList;
  for (size_t i = 0; i < list.size(); ++i)
    m_list.InsertString(static_cast<int>(i), list[i].c_str());
  return TRUE;
}

bool CListPage::OnCommand(UINT id, UINT code) {
  if (code == BN_CLICKED && id == IDC_ADD) Add();
  if (code == BN_CLICKED && id == IDC_REMOVE) Remove();
  return (code == BN_CLICKED && (id == IDC_ADD || id == IDC_REMOVE)) ||
         CDialog::OnCommand(id, code);
}

void CListPage::Add() {
  std::string path;
  Picked picked = (m_folders ? g_pickers.folder : g_pickers.file)(m_hWnd, path);
  if (picked == Picked::kNoPath) AfxMessageBox("Failed getting directory!", MB_OK | MB_ICONHAND);
  if (picked != Picked::kPath) return;
  if (const char* contents = m_folders ? VitalContents(path) : nullptr) {
    std::string question = "Erasing \"" + path + "\" would delete " + contents +
                           ".\n\nAdd it to the folders to erase all the same?";
    if (AfxMessageBox(question.c_str(), MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES) return;
  }
  auto& list = m_folders ? g_pProfile->folderList : g_pProfile->fileList;
  m_list.InsertString(static_cast<int>(list.size()), path.c_str());
  list.push_back(path);
}

void CListPage::Remove() {
  int index = m_list.GetCurSel();
  if (index < 0) {
    AfxMessageBox(m_folders ? "No directory selected!" : "No file selected!", MB_OK);
    return;
  }
  auto& list = m_folders ? g_pProfile->folderList : g_pProfile->fileList;
  m_list.DeleteString(index);
  if (static_cast<size_t>(index) < list.size()) list.erase(list.begin() + index);
  m_list.SetCurSel(index > 0 ? index - 1 : 0);  // none when the list is now empty
}
