#pragma once
// The system's file-open dialog.
#include <windows.h>
#include <commdlg.h>

class CWnd;

class CFileDialog {
 public:
  // An open dialog with no filter, default extension or initial name, asked for exactly these
  // flags. Without a parent it is owned by the main window's active popup.
  explicit CFileDialog(DWORD flags, CWnd* parent = nullptr) : m_flags(flags), m_parent(parent) {}
  CFileDialog(const CFileDialog&) = delete;
  CFileDialog& operator=(const CFileDialog&) = delete;

  // IDOK when the user chose a file, IDCANCEL otherwise.
  INT_PTR DoModal();
  // The chosen path as the system gave it. The dialog itself is asked in wide text, so that a
  // name the code page cannot hold reaches the caller whole rather than already changed.
  const wchar_t* GetPathNameW() const { return m_path; }

 private:
  DWORD m_flags;
  CWnd* m_parent;
  wchar_t m_path[4096] = L"";
};
