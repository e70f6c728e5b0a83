// A picture control (SS_BITMAP) that fills the frame its template gives it at
// any DPI: the static control sizes itself to the bitmap's pixels, which at
// 150 % would leave the picture small in a larger dialog.
#pragma once

#include "platform/win32.h"

class CPicture {
 public:
  CPicture() = default;
  ~CPicture();
  CPicture(const CPicture&) = delete;
  CPicture& operator=(const CPicture&) = delete;

  // Finds the first SS_BITMAP control of `dialog`, shows bitmap `bitmapId` in
  // it at the size of `frame` (dialog units: x, y, width, height) and moves
  // it there. The image is resampled only when the frame's pixels differ
  // from the bitmap's by more than a pixel or two.
  void Fit(HWND dialog, int bitmapId, RECT frame);

 private:
  HBITMAP m_bitmap = nullptr;
};
