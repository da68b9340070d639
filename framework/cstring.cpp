#include "cstring.h"

BOOL CString::LoadString(UINT id) {
  // Resource strings are stored in UTF-16; LoadStringA converts through the ANSI code page.
  char buffer[256];
  int length = ::LoadStringA(::GetModuleHandleA(nullptr), id, buffer, sizeof buffer);
  m_text.assign(buffer, length > 0 ? length : 0);
  return length > 0;
}

void CString::ReadWindowText(HWND hwnd) {
  int length = ::GetWindowTextLengthA(hwnd);
  std::string text(length + 1, '\0');
  length = ::GetWindowTextA(hwnd, text.data(), length + 1);
  text.resize(length > 0 ? length : 0);
  m_text = std::move(text);
}
