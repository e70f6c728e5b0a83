// The splash window and the About box: templates and nothing else, but for
// the splash picture, which fills its window at any DPI.
#pragma once

#include "framework/Dialog.h"
#include "res/resource.h"
#include "ui/Picture.h"

class CSplashDlg : public CDialog {
 public:
  CSplashDlg() : CDialog(IDD_SPLASH) {}

 protected:
  BOOL OnInitDialog() override {
    m_picture.Fit(m_hWnd, IDB_SPLASH, RECT{0, 0, 202, 135});
    return CDialog::OnInitDialog();
  }

 private:
  CPicture m_picture;
};

class CAboutDlg : public CDialog {
 public:
  CAboutDlg() : CDialog(IDD_ABOUTBOX) {}
};
