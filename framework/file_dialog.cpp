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
