#pragma once
// A window the program talks to. CWnd never destroys its window: dialogs end through EndDialog
// and controls go with their dialog.
#include <windows.h>

#include "menu.h"
#include "wide_text.h"

class CDataExchange;

struct CPoint : POINT {
  CPoint(int px, int py) : POINT{px, py} {}
};

class CWnd {
 public:
  CWnd() = default;
  explicit CWnd(HWND hwnd) : m_hWnd(hwnd) {}
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;
  virtual ~CWnd() = default;

  // Runs DoDataExchange: false writes the bound members to their controls, true reads them back.
  BOOL UpdateData(BOOL saveAndValidate = TRUE);
  virtual void DoDataExchange(CDataExchange*) {}

  // A modal box owned by this window; without a caption it carries the application's name.
  int MessageBox(const char* text, const char* caption = nullptr, UINT type = MB_OK);

  // The window's text in UTF-16, as the platform holds it.
  WideText WideWindowText() const;
  // Whether the window's text survives the conversion to the ANSI code page unchanged.
  bool TextFitsCodePage() const;

  CMenuHandle GetSystemMenu(BOOL revert) const {
    return CMenuHandle(::GetSystemMenu(m_hWnd, revert));
  }
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return ::SendMessageA(m_hWnd, message, wParam, lParam);
  }
  BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
  BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
  BOOL EnableWindow(BOOL enable = TRUE) const { return ::EnableWindow(m_hWnd, enable); }
  void GetClientRect(RECT* rect) const { ::GetClientRect(m_hWnd, rect); }

  HWND m_hWnd = nullptr;
};
