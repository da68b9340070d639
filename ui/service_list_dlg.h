#pragma once
#include "framework/dialog.h"
#include "framework/image_list.h"
#include "framework/list_ctrl.h"
#include "framework/message_map.h"
#include "service/commands.h"

#include <string>

// The main window: the list of every Win32 service, refreshed on request.
class CServiceListDlg : public CDialog {
 public:
  CServiceListDlg();
  ~CServiceListDlg() override = default;

  void DoDataExchange(CDataExchange* exchange) override;
  BOOL OnInitDialog() override;
  void OnOK() override;

  // Empties the list and fills it again with one row per Win32 service.
  void RefreshServiceList();

 protected:
  bool OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  static const CMessageMap<CServiceListDlg>& MessageMap();

  void OnSysCommand(UINT id, LPARAM lParam);
  void OnPaint();
  HCURSOR OnQueryDragIcon();
  void OnContextMenu(CWnd* window, CPoint point);
  void OnRefreshServices() { OnOK(); }
  void OnDeleteService();
  void OnStartService();
  void OnStopService();
  void OnAbout() { ShowAboutMessage(); }
  void OnCreateService() { OpenCreateDialog(); }
  void OnStartTypeAuto() {
    SetSelectedStartType(*this, SelectedServiceName().c_str(), SERVICE_AUTO_START);
  }
  void OnStartTypeDisabled() {
    SetSelectedStartType(*this, SelectedServiceName().c_str(), SERVICE_DISABLED);
  }
  void OnStartTypeManual() {
    SetSelectedStartType(*this, SelectedServiceName().c_str(), SERVICE_DEMAND_START);
  }
  void OnClose();
  void OnDestroy();

  // The whole name of the service at the list's selection mark; a single space, which names no
  // service, when no row is marked.
  std::string SelectedServiceName() const;
  void ShowAboutMessage();
  void OpenCreateDialog();

  CImageList m_imageList;
  CListCtrl m_list;
  HICON m_hIcon;
};
