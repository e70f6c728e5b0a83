#include "framework/FileDialog.h"

std::string FileDialogFilter(const char* barSeparated) {
  std::string filter = barSeparated;
  for (char& c : filter)
    if (c == '|') c = '\0';
  // The list ends with an empty pair: two NULs, whatever the text ended with.
  return filter + std::string(2, '\0');
}

INT_PTR CFileDialog::DoModal() {
  char path[MAX_PATH] = {};
  OPENFILENAMEA dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = m_owner;
  dialog.lpstrFilter = m_filter.c_str();
  dialog.lpstrFile = path;
  dialog.nMaxFile = MAX_PATH;
  dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY;
  if (!GetOpenFileNameA(&dialog)) return IDCANCEL;
  m_path = path;
  return IDOK;
}
