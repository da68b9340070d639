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
  // No exception may unwind through the system's code: one that escapes a handler leaves the
  // message to the default handling.
  try {
    if (message == WM_INITDIALOG) {
      self->m_hWnd = hwnd;
      return self->OnInitDialog();
    }
    if (message == WM_NCDESTROY) self->m_hWnd = nullptr;
    self->m_default = false;
    LRESULT result = 0;
    if (!self->OnWndMsg(message, wParam, lParam, result) || self->m_default) return FALSE;
    // A few messages answer through the procedure's own result, the rest through DWLP_MSGRESULT.
    if (message == WM_QUERYDRAGICON) return static_cast<INT_PTR>(result);
    ::SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, result);
    return TRUE;
  } catch (...) {
    return FALSE;
  }
}
