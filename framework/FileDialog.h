// The standard file-open dialog, as the pages ask for a file to wipe.
#pragma once

#include <string>

#include "platform/win32.h"

// "All Files (*.*)|*.*||" as the dialog takes it: "All Files (*.*)\0*.*\0\0".
std::string FileDialogFilter(const char* barSeparated);

class CFileDialog {
 public:
  // Open mode only; `filter` in the "|" form.
  CFileDialog(const char* filter, HWND owner)
      : m_filter(FileDialogFilter(filter)), m_owner(owner) {}
  // IDOK when a file was chosen, IDCANCEL otherwise.
  INT_PTR DoModal();
  const std::string& GetPathName() const { return m_path; }

 private:
  std::string m_filter, m_path;
  HWND m_owner;
};
