#pragma once
// An image list the program owns: destroyed with its object.
#include <windows.h>
#include <commctrl.h>

class CImageList {
 public:
  CImageList() = default;
  CImageList(const CImageList&) = delete;
  CImageList& operator=(const CImageList&) = delete;
  ~CImageList() {
    if (m_hImageList) ::ImageList_Destroy(m_hImageList);
  }

  BOOL Create(int cx, int cy, UINT flags, int initial, int grow) {
    m_hImageList = ::ImageList_Create(cx, cy, flags, initial, grow);
    return m_hImageList != nullptr;
  }
  int Add(HICON icon) { return ::ImageList_AddIcon(m_hImageList, icon); }

  HIMAGELIST m_hImageList = nullptr;
};
