#pragma once
#include "framework/cstring.h"
#include "framework/dialog.h"
#include "framework/message_map.h"

// The start type of the next service created; the dialog's options set it, and it holds for the
// rest of the run.
extern DWORD g_startType;

// The dialog that registers a new service from a name, a description and a program path.
class CCreateServiceDlg : public CDialog {
 public:
  CCreateServiceDlg();
  ~CCreateServiceDlg() override = default;

  void DoDataExchange(CDataExchange* exchange) override;

  CString m_strName;
  CString m_strPath;
  CString m_strDescription;

 protected:
  bool OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  static const CMessageMap<CCreateServiceDlg>& MessageMap();

  void CreateServiceFromForm();
  void BrowseForProgram();
  void OnStartManual() { g_startType = SERVICE_DEMAND_START; }
  void OnStartAuto() { g_startType = SERVICE_AUTO_START; }
};
