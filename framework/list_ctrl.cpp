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
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = buffer;
  item.cchTextMax = length;
  return static_cast<int>(SendMessage(LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item)));
}

std::string CListCtrl::GetItemText(int row, int column) const {
  // The control says how much it copied, not how long the text is: grow until it fits.
  std::string text(256, '\0');
  for (;;) {
    int copied = GetItemText(row, column, text.data(), static_cast<int>(text.size()));
    if (copied < static_cast<int>(text.size()) - 1) {
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
