#include "list_ctrl.h"

#include "image_list.h"

int CListCtrl::InsertColumn(int column, const char* heading, int format, int width, int subItem) {
  LVCOLUMNA col{};
  col.mask = LVCF_FMT | LVCF_TEXT;
  col.fmt = format;
  col.pszText = const_cast<char*>(heading);
  if (width != -1) {
    col.mask |= LVCF_WIDTH;
    col.cx = width;
  }
  if (subItem != -1) {
    col.mask |= LVCF_SUBITEM;
    col.iSubItem = subItem;
  }
  return static_cast<int>(SendMessage(LVM_INSERTCOLUMNA, column, reinterpret_cast<LPARAM>(&col)));
}

int CListCtrl::InsertItem(int row, const char* text, int image) {
  LVITEMA item{};
  item.mask = LVIF_TEXT | LVIF_IMAGE;
  item.iItem = row;
  item.pszText = const_cast<char*>(text);
  item.iImage = image;
  return static_cast<int>(SendMessage(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

BOOL CListCtrl::SetItemText(int row, int column, const char* text) {
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = const_cast<char*>(text);
  return static_cast<BOOL>(SendMessage(LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item)));
}

int CListCtrl::GetItemText(int row, int column, char* buffer, int length) const {
  if (length < 1) return 0;
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = buffer;
  item.cchTextMax = length;
  buffer[0] = '\0';
  // The answer is no length in bytes on Windows: its control keeps UTF-16 text, converts it for
  // the A message and counts characters (Wine's counts bytes). The terminator tells the bytes.
  SendMessage(LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
  return lstrlenA(buffer);
}

std::string CListCtrl::GetItemText(int row, int column) const {
  // The control copies what fits without splitting a double-byte character, so a text that
  // comes within two bytes of filling the buffer may go on: grow until it stays clear of that.
  std::string text(256, '\0');
  for (;;) {
    const int copied = GetItemText(row, column, text.data(), static_cast<int>(text.size()));
    if (copied < static_cast<int>(text.size()) - 2) {
      text.resize(copied);
      return text;
    }
    text.resize(text.size() * 2);
  }
}

HIMAGELIST CListCtrl::SetImageList(CImageList* images, int kind) {
  return reinterpret_cast<HIMAGELIST>(SendMessage(
      LVM_SETIMAGELIST, kind, reinterpret_cast<LPARAM>(images ? images->m_hImageList : nullptr)));
}
