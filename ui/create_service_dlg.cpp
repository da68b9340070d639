#include "create_service_dlg.h"

#include "framework/ansi_text.h"
#include "framework/data_exchange.h"
#include "framework/file_dialog.h"
#include "framework/win_app.h"
#include "res/resource.h"
#include "service/creation.h"
#include "service/privilege.h"
#include "service/wow64_path.h"

DWORD g_startType = SERVICE_AUTO_START;

CCreateServiceDlg::CCreateServiceDlg() : CDialog(IDD_CREATE_SERVICE) {}

const CMessageMap<CCreateServiceDlg>& CCreateServiceDlg::MessageMap() {
  static const auto map = CMessageMap<CCreateServiceDlg>()
                              .Command(IDOK, &CCreateServiceDlg::CreateServiceFromForm)
                              .Command(IDC_BROWSE, &CCreateServiceDlg::BrowseForProgram)
                              .Command(IDC_START_MANUAL, &CCreateServiceDlg::OnStartManual)
                              .Command(IDC_START_AUTO, &CCreateServiceDlg::OnStartAuto);
  return map;
}

bool CCreateServiceDlg::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  return MessageMap().Dispatch(*this, message, wParam, lParam, result) ||
         CDialog::OnWndMsg(message, wParam, lParam, result);
}

void CCreateServiceDlg::DoDataExchange(CDataExchange* exchange) {
  CDialog::DoDataExchange(exchange);
  DDX_Text(exchange, IDC_NAME, m_strName);
  DDX_Text(exchange, IDC_PATH, m_strPath);
  DDX_Text(exchange, IDC_DESCRIPTION, m_strDescription);
}

void CCreateServiceDlg::CreateServiceFromForm() {
  EnableDebugPrivilege();
  UpdateData(TRUE);
  // A character the ANSI code page cannot hold would reach the manager as '?', registering a
  // service other than the one typed.
  for (int id : {IDC_NAME, IDC_DESCRIPTION, IDC_PATH}) {
    if (!CWnd(::GetDlgItem(m_hWnd, id)).TextFitsCodePage()) {
      AfxMessageBox("服务创建失败");
      return;
    }
  }
  CreateOwnProcessService(m_strName, m_strDescription, m_strPath, g_startType);
}

void CCreateServiceDlg::BrowseForProgram() {
  CFileDialog dialog(OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT);
  if (dialog.DoModal() != IDOK) return;
  // Registered as chosen under WOW64, a file the dialog showed in System32 would be run from the
  // native System32 by the service manager: another program, or none.
  const WideText path = NativePathOf(dialog.GetPathNameW(), ThisSystemsFolders());
  m_strPath = ToAnsi(path.c_str()).c_str();
  UpdateData(FALSE);
  // The box shows the path whole: one the code page cannot hold is then refused on 创建, as typed
  // text is, instead of registering it with '?' in its place.
  ::SetDlgItemTextW(m_hWnd, IDC_PATH, path.c_str());
}
