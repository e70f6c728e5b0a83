#include "ui/Picture.h"

#include <cstdlib>

namespace {

// A copy of `source` at width x height. HALFTONE averages the source pixels
// each target pixel covers: smooth edges and lettering at 150 %, where a
// plain stretch would repeat rows.
HBITMAP Resampled(HBITMAP source, const BITMAP& size, int width, int height) {
  HDC screen = GetDC(nullptr);
  HDC from = CreateCompatibleDC(screen), to = CreateCompatibleDC(screen);
  HBITMAP copy = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ oldFrom = SelectObject(from, source), oldTo = SelectObject(to, copy);
  SetStretchBltMode(to, HALFTONE);
  SetBrushOrgEx(to, 0, 0, nullptr);
  StretchBlt(to, 0, 0, width, height, from, 0, 0, size.bmWidth, size.bmHeight, SRCCOPY);
  SelectObject(from, oldFrom);
  SelectObject(to, oldTo);
  DeleteDC(from);
  DeleteDC(to);
  ReleaseDC(nullptr, screen);
  return copy;
}

bool Fits(HBITMAP bitmap, int width, int height, BITMAP& size) {
  return bitmap && GetObjectA(bitmap, sizeof size, &size) && std::abs(width - size.bmWidth) <= 2 &&
         std::abs(height - size.bmHeight) <= 2;
}

}  // namespace

CPicture::~CPicture() {
  if (m_bitmap) DeleteObject(m_bitmap);
}

void CPicture::Fit(HWND dialog, int bitmapId, RECT frame) {
  HWND picture = nullptr;
  for (HWND child = GetWindow(dialog, GW_CHILD); child && !picture;
       child = GetWindow(child, GW_HWNDNEXT)) {
    if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP) picture = child;
  }
  if (!picture) return;
  RECT pixels = {frame.left, frame.top, frame.left + frame.right, frame.top + frame.bottom};
  MapDialogRect(dialog, &pixels);
  int width = pixels.right - pixels.left, height = pixels.bottom - pixels.top;
  // The image the control loaded from its template fits at 96 DPI: loading
  // it again would only slow the start down.
  BITMAP size = {};
  if (Fits(reinterpret_cast<HBITMAP>(SendMessageA(picture, STM_GETIMAGE, IMAGE_BITMAP, 0)), width,
           height, size))
    return;
  auto* source =
      static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(bitmapId),
                                      IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  if (!source) return;
  HBITMAP shown = source;
  if (!Fits(source, width, height, size)) {
    shown = Resampled(source, size, width, height);
    DeleteObject(source);
  }
  if (m_bitmap) DeleteObject(m_bitmap);
  m_bitmap = shown;
  // The image the control loaded from its template goes; ours stays ours.
  auto old = reinterpret_cast<HBITMAP>(
      SendMessageA(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(shown)));
  if (old && old != shown) DeleteObject(old);
  SetWindowPos(picture, nullptr, pixels.left, pixels.top, width, height,
               SWP_NOZORDER | SWP_NOACTIVATE);
}
