#pragma once
// A list-view control of a dialog, bound by DDX_Control.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "wnd.h"

class CImageList;

class CListCtrl : public CWnd {
 public:
  int InsertColumn(int column, const char* heading, int format = LVCFMT_LEFT, int width = -1,
                   int subItem = -1);
  int InsertItem(int row, const char* text, int image);
  BOOL SetItemText(int row, int column, const char* text);
  BOOL DeleteAllItems() { return ListView_DeleteAllItems(m_hWnd); }
  int GetItemCount() const { return ListView_GetItemCount(m_hWnd); }
  int GetSelectionMark() const { return ListView_GetSelectionMark(m_hWnd); }
  // Copies at most length - 1 bytes of the cell and a terminator; returns the bytes copied.
  int GetItemText(int row, int column, char* buffer, int length) const;
  // The whole text of a cell, however long.
  std::string GetItemText(int row, int column) const;
  HIMAGELIST SetImageList(CImageList* images, int kind);
};
