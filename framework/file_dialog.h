#pragma once
// The system's file-open dialog.
#include <windows.h>
#include <commdlg.h>

#include <string>

#include "cstring.h"

class CWnd;

class CFileDialog {
 public:
  // Without a parent the dialog is owned by the main window's active popup.
  CFileDialog(BOOL openFileDialog, const char* defaultExtension = nullptr,
              const char* fileName = nullptr, DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
              const char* filter = nullptr, CWnd* parent = nullptr);
  CFileDialog(const CFileDialog&) = delete;
  CFileDialog& operator=(const CFileDialog&) = delete;

  // IDOK when the user chose a file, IDCANCEL otherwise.
  INT_PTR DoModal();
  // The chosen path in the ANSI code page, with '?' for a character the code page cannot hold.
  CString GetPathName() const;
  // The chosen path as the system gave it. The dialog itself is asked in wide text, so that a
  // name the code page cannot hold reaches the caller whole rather than already changed.
  const wchar_t* GetPathNameW() const { return m_path; }

  // What the dialog is asked for; its flags are exactly the caller's.
  OPENFILENAMEW m_ofn;

 private:
  BOOL m_open;
  CWnd* m_parent;
  std::wstring m_defaultExtension;
  std::wstring m_filter;
  wchar_t m_path[4096];
};
