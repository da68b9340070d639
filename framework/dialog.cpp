#include "dialog.h"

#include "win_app.h"

INT_PTR CDialog::DoModal() {
  return ::DialogBoxParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_templateId),
                           AfxGetSafeOwner(m_pParentWnd), DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::OnOK() {
  UpdateData(TRUE);
  EndDialog(IDOK);
}

void CDialog::OnCancel() {
  EndDialog(IDCANCEL);
}

bool CDialog::OnWndMsg(UINT message, WPARAM wParam, LPARAM, LRESULT&) {
  if (message != WM_COMMAND || HIWORD(wParam) > 1) return false;
  switch (LOWORD(wParam)) {
    case IDOK:
      OnOK();
      return true;
    case IDCANCEL:
      OnCancel();
      return true;
    default:
      return AfxGetApp() && AfxGetApp()->OnCmdMsg(LOWORD(wParam));
  }
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) ::SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
  auto* self = reinterpret_cast<CDialog*>(::GetWindowLongPtrA(hwnd, DWLP_USER));
  if (!self) return FALSE;
  // A handler that runs a modal loop (a menu, a message box, another dialog) lets messages nest
  // inside its own: the choice each handler makes stays with its own message.
  const bool outerDefault = self->m_default;
  self->m_default = false;
  INT_PTR answer = FALSE;
  // No exception may unwind through the system's code: one that escapes a handler leaves the
  // message to the default handling.
  try {
    answer = self->Route(hwnd, message, wParam, lParam);
  } catch (...) {
    answer = FALSE;
  }
  self->m_default = outerDefault;
  return answer;
}

INT_PTR CDialog::Route(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    m_hWnd = hwnd;
    return OnInitDialog();
  }
  if (message == WM_NCDESTROY) m_hWnd = nullptr;
  LRESULT result = 0;
  if (!OnWndMsg(message, wParam, lParam, result) || m_default) return FALSE;
  // A few messages answer through the procedure's own result, the rest through DWLP_MSGRESULT.
  if (message == WM_QUERYDRAGICON) return static_cast<INT_PTR>(result);
  ::SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, result);
  return TRUE;
}
