#include "file_dialog.h"

#include <commdlg.h>

#include "win_app.h"
#include "wnd.h"

CFileDialog::CFileDialog(BOOL openFileDialog, const char* defaultExtension, const char* fileName,
                         DWORD flags, const char* filter, CWnd* parent)
    : m_open(openFileDialog),
      m_defaultExtension(defaultExtension),
      m_filter(filter),
      m_flags(flags),
      m_parent(parent),
      m_path() {
  if (fileName) lstrcpynA(m_path, fileName, sizeof m_path);
}

INT_PTR CFileDialog::DoModal() {
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = AfxGetSafeOwner(m_parent);
  ofn.lpstrFilter = m_filter;
  ofn.lpstrFile = m_path;
  ofn.nMaxFile = sizeof m_path;
  ofn.lpstrDefExt = m_defaultExtension;
  ofn.Flags = m_flags | OFN_EXPLORER;
  BOOL chosen = m_open ? ::GetOpenFileNameA(&ofn) : ::GetSaveFileNameA(&ofn);
  return chosen ? IDOK : IDCANCEL;
}
