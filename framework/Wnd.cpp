#include "framework/Wnd.h"

#include <cstring>

int CListBox::InsertString(int index, const char* text) const {
  int at = static_cast<int>(SendMessage(LB_INSERTSTRING, index, reinterpret_cast<LPARAM>(text)));
  HDC dc = GetDC(m_hWnd);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)));
  SIZE size = {};
  GetTextExtentPoint32A(dc, text, static_cast<int>(std::strlen(text)), &size);
  SelectObject(dc, old);
  ReleaseDC(m_hWnd, dc);
  // A few pixels of margin so that the last letter is not cut by the border.
  int extent = size.cx + 8;
  if (extent > static_cast<int>(SendMessage(LB_GETHORIZONTALEXTENT)))
    SendMessage(LB_SETHORIZONTALEXTENT, extent);
  return at;
}

void CTabCtrl::InsertItem(int index, const char* text) const {
  TCITEMA item = {};
  item.mask = TCIF_TEXT | TCIF_IMAGE;
  item.pszText = const_cast<char*>(text);
  item.iImage = index;  // no image list is attached: text only
  SendMessage(TCM_INSERTITEMA, index, reinterpret_cast<LPARAM>(&item));
}
