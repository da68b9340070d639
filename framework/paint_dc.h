#pragma once
// A paint context for the duration of one WM_PAINT.
#include <windows.h>

#include "wnd.h"

class CPaintDC {
 public:
  explicit CPaintDC(CWnd* window) : m_window(window->m_hWnd) {
    m_hDC = ::BeginPaint(m_window, &m_ps);
  }
  CPaintDC(const CPaintDC&) = delete;
  CPaintDC& operator=(const CPaintDC&) = delete;
  ~CPaintDC() { ::EndPaint(m_window, &m_ps); }

  HDC GetSafeHdc() const { return m_hDC; }
  BOOL DrawIcon(int x, int y, HICON icon) { return ::DrawIcon(m_hDC, x, y, icon); }

  HDC m_hDC;

 private:
  HWND m_window;
  PAINTSTRUCT m_ps{};
};
