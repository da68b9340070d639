#include "service_app.h"

#include "code_page_notice.h"
#include "service_list_dlg.h"

BOOL CServiceApp::InitInstance() {
  NoticeIfNotCodePage936();
  CServiceListDlg dlg;
  m_pMainWnd = &dlg;
  dlg.DoModal();
  m_pMainWnd = nullptr;
  return FALSE;
}

static CServiceApp theApp;
