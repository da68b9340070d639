#include "file_dialog.h"

#include "win_app.h"
#include "wnd.h"

INT_PTR CFileDialog::DoModal() {
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = AfxGetSafeOwner(m_parent);
  ofn.lpstrFile = m_path;
  ofn.nMaxFile = ARRAYSIZE(m_path);
  ofn.Flags = m_flags;
  return ::GetOpenFileNameW(&ofn) ? IDOK : IDCANCEL;
}

CString CFileDialog::GetPathName() const {
  char path[ARRAYSIZE(m_path) * 2] = "";
  ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, m_path, -1, path, sizeof path, nullptr,
                        nullptr);
  return path;
}
