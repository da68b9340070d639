#pragma once
// Narrow text in the ANSI code page, the only kind of text this program handles.
#include <windows.h>

#include <string>

class CString {
 public:
  CString() = default;
  CString(const char* text) : m_text(text ? text : "") {}  // NOLINT: implicit, like the platform's

  BOOL LoadString(UINT id);
  BOOL IsEmpty() const { return m_text.empty(); }
  operator const char*() const { return m_text.c_str(); }  // NOLINT: passed straight to the A calls

  // Replaces the text with a window's text.
  void ReadWindowText(HWND hwnd);

 private:
  std::string m_text;
};
