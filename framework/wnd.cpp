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

WideText CWnd::WideWindowText() const {
  const int length = ::GetWindowTextLengthW(m_hWnd);
  WideText text(length + 1, L'\0');
  text.resize(::GetWindowTextW(m_hWnd, text.data(), length + 1));
  return text;
}

bool CWnd::TextFitsCodePage() const {
  bool exact = false;
  ToAnsi(WideWindowText().c_str(), &exact);
  return exact;
}
