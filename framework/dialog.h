#pragma once
// A modal dialog built from a template resource. One dialog procedure routes every message: the
// class's message map first, then the dialog's own OK, Cancel and close behaviour, then the
// system's default dialog handling.
#include <windows.h>

#include "wnd.h"

class CDialog : public CWnd {
 public:
  explicit CDialog(UINT templateId, CWnd* parent = nullptr)
      : m_templateId(templateId), m_pParentWnd(parent) {}

  // Without a parent the dialog is owned by the main window's active popup, which it disables
  // while it runs.
  INT_PTR DoModal();
  void EndDialog(int result) { ::EndDialog(m_hWnd, result); }

  virtual BOOL OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();

 protected:
  // Returns whether the message was handled; `result` is its answer.
  virtual bool OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  // Called from a handler: hand the current message on to the system's default handling.
  void Default() { m_default = true; }
  void OnPaint() { Default(); }
  void OnSysCommand(UINT, LPARAM) { Default(); }
  void OnClose() { OnCancel(); }

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  // The message to the class's handlers; FALSE leaves it to the system's default handling.
  INT_PTR Route(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  UINT m_templateId;
  CWnd* m_pParentWnd;
  bool m_default = false;
};
