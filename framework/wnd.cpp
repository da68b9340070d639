#include "wnd.h"

#include "ansi_text.h"
#include "data_exchange.h"
#include "wide_text.h"
#include "win_app.h"

BOOL CWnd::UpdateData(BOOL saveAndValidate) {
  CDataExchange exchange(this, saveAndValidate);
  DoDataExchange(&exchange);
  return TRUE;
}

int CWnd::MessageBox(const char* text, const char* caption, UINT type) {
  return ::MessageBoxA(m_hWnd, text, caption ? caption : AfxGetAppName(), type);
}

bool CWnd::TextFitsCodePage() const {
  int length = ::GetWindowTextLengthW(m_hWnd);
  WideText text(length + 1, L'\0');
  ::GetWindowTextW(m_hWnd, text.data(), length + 1);
  bool exact = false;
  ToAnsi(text.c_str(), &exact);
  return exact;
}
