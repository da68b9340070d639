#include "service_app.h"

#include "service_list_dlg.h"

BOOL CServiceApp::InitInstance() {
  CServiceListDlg dlg;
  m_pMainWnd = &dlg;
  dlg.DoModal();
  m_pMainWnd = nullptr;
  return FALSE;
}

static CServiceApp theApp;
