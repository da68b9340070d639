#include "file_dialog.h"

#include "win_app.h"
#include "wnd.h"

namespace {
// `length` counts the text's characters, its terminators included.
std::wstring Widen(const char* text, int length) {
  std::wstring wide(length, L'\0');
  wide.resize(::MultiByteToWideChar(CP_ACP, 0, text, length, wide.data(), length));
  return wide;
}

// A filter is a list of texts, each ended by a zero, with one more zero after the last.
int FilterLength(const char* filter) {
  const char* end = filter;
  while (*end) end += lstrlenA(end) + 1;
  return static_cast<int>(end - filter) + 1;
}
}  // namespace

CFileDialog::CFileDialog(BOOL openFileDialog, const char* defaultExtension, const char* fileName,
                         DWORD flags, const char* filter, CWnd* parent)
    : m_ofn(), m_open(openFileDialog), m_parent(parent), m_path() {
  if (defaultExtension)
    m_defaultExtension = Widen(defaultExtension, lstrlenA(defaultExtension) + 1);
  if (filter) m_filter = Widen(filter, FilterLength(filter));
  if (fileName) ::MultiByteToWideChar(CP_ACP, 0, fileName, -1, m_path, ARRAYSIZE(m_path) - 1);
  m_ofn.lStructSize = sizeof m_ofn;
  m_ofn.lpstrFilter = filter ? m_filter.c_str() : nullptr;
  m_ofn.lpstrFile = m_path;
  m_ofn.nMaxFile = ARRAYSIZE(m_path);
  m_ofn.lpstrDefExt = defaultExtension ? m_defaultExtension.c_str() : nullptr;
  m_ofn.Flags = flags;
}

INT_PTR CFileDialog::DoModal() {
  m_ofn.hwndOwner = AfxGetSafeOwner(m_parent);
  BOOL chosen = m_open ? ::GetOpenFileNameW(&m_ofn) : ::GetSaveFileNameW(&m_ofn);
  return chosen ? IDOK : IDCANCEL;
}

CString CFileDialog::GetPathName() const {
  char path[ARRAYSIZE(m_path) * 2] = "";
  ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, m_path, -1, path, sizeof path, nullptr,
                        nullptr);
  return path;
}
