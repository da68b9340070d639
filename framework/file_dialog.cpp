#include "file_dialog.h"

#include <string>

#include "win_app.h"
#include "wnd.h"

INT_PTR CFileDialog::DoModal() {
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = AfxGetSafeOwner(m_parent);
  ofn.lpstrFile = m_path;
  ofn.nMaxFile = ARRAYSIZE(m_path);
  ofn.Flags = m_flags;
  // The dialog leaves the process in the last folder it showed, whatever the flags
  // (OFN_NOCHANGEDIR "is ineffective for GetOpenFileName": "OPENFILENAMEW structure"), and a
  // process's current folder keeps that folder in use, a removable drive from being removed.
  std::wstring current(::GetCurrentDirectoryW(0, nullptr), L'\0');
  current.resize(::GetCurrentDirectoryW(static_cast<DWORD>(current.size()), current.data()));
  const BOOL chosen = ::GetOpenFileNameW(&ofn);
  ::SetCurrentDirectoryW(current.c_str());
  return chosen ? IDOK : IDCANCEL;
}
