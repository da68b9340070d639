#pragma once
// The system's file-open dialog.
#include <windows.h>

#include "cstring.h"

class CWnd;

class CFileDialog {
 public:
  // Without a parent the dialog is owned by the main window's active popup.
  CFileDialog(BOOL openFileDialog, const char* defaultExtension = nullptr,
              const char* fileName = nullptr, DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
              const char* filter = nullptr, CWnd* parent = nullptr);

  // IDOK when the user chose a file, IDCANCEL otherwise.
  INT_PTR DoModal();
  CString GetPathName() const { return m_path; }

 private:
  BOOL m_open;
  const char* m_defaultExtension;
  const char* m_filter;
  DWORD m_flags;
  CWnd* m_parent;
  char m_path[4096];
};
