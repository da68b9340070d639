#pragma once
#include "framework/dialog.h"
#include "framework/image_list.h"
#include "framework/list_ctrl.h"
#include "framework/message_map.h"

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
  void OnClose();
  void OnDestroy();

  CImageList m_imageList;
  CListCtrl m_list;
  HICON m_hIcon;
};
