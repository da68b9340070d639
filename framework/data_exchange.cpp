#include "data_exchange.h"

#include "cstring.h"
#include "wnd.h"

void DDX_Text(CDataExchange* exchange, int id, CString& value) {
  HWND control = ::GetDlgItem(exchange->m_pDlgWnd->m_hWnd, id);
  if (exchange->m_bSaveAndValidate)
    value.ReadWindowText(control);
  else
    ::SetWindowTextA(control, value);
}

void DDX_Control(CDataExchange* exchange, int id, CWnd& control) {
  if (!control.m_hWnd) control.m_hWnd = ::GetDlgItem(exchange->m_pDlgWnd->m_hWnd, id);
}
