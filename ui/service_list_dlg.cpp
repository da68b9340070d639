#include "service_list_dlg.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "framework/cstring.h"
#include "framework/data_exchange.h"
#include "framework/desktop_shell.h"
#include "framework/paint_dc.h"
#include "framework/win_app.h"
#include "res/resource.h"
#include "create_service_dlg.h"
#include "service/catalogue.h"
#include "work_area_fit.h"

namespace {
struct Column {
  const char* heading;
  int width;
};
constexpr Column kColumns[] = {
    {"服务名称", 300}, {"显示名称", 400}, {"启动状态", 100}, {"启动类别", 100}, {"程序路径", 800},
};
constexpr int kRowIconSize = 18;
}  // namespace

CServiceListDlg::CServiceListDlg()
    : CDialog(IDD_SERVICE_LIST), m_hIcon(AfxGetApp()->LoadIcon(IDR_MAIN_ICON)) {}

const CMessageMap<CServiceListDlg>& CServiceListDlg::MessageMap() {
  static const auto map =
      CMessageMap<CServiceListDlg>()
          .SysCommand(&CServiceListDlg::OnSysCommand)
          .Paint(&CServiceListDlg::OnPaint)
          .QueryDragIcon(&CServiceListDlg::OnQueryDragIcon)
          .ContextMenu(&CServiceListDlg::OnContextMenu)
          .Command(ID_REFRESH_SERVICES, &CServiceListDlg::OnRefreshServices)
          .Command(ID_DELETE_SERVICE, &CServiceListDlg::OnDeleteService)
          .Command(ID_START_SERVICE, &CServiceListDlg::OnStartService)
          .Command(ID_STOP_SERVICE, &CServiceListDlg::OnStopService)
          .Command(ID_ABOUT, &CServiceListDlg::OnAbout)
          .Command(ID_CREATE_SERVICE, &CServiceListDlg::OnCreateService)
          .Command(ID_START_TYPE_AUTO, &CServiceListDlg::OnStartTypeAuto)
          .Command(ID_START_TYPE_DISABLED, &CServiceListDlg::OnStartTypeDisabled)
          .Command(ID_START_TYPE_MANUAL, &CServiceListDlg::OnStartTypeManual)
          .Close(&CServiceListDlg::OnClose)
          .Destroy(&CServiceListDlg::OnDestroy);
  return map;
}

bool CServiceListDlg::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  return MessageMap().Dispatch(*this, message, wParam, lParam, result) ||
         CDialog::OnWndMsg(message, wParam, lParam, result);
}

void CServiceListDlg::DoDataExchange(CDataExchange* exchange) {
  CDialog::DoDataExchange(exchange);
  DDX_Control(exchange, IDC_SERVICE_LIST, m_list);
}

BOOL CServiceListDlg::OnInitDialog() {
  CDialog::OnInitDialog();

  CMenuHandle systemMenu = GetSystemMenu(FALSE);
  if (systemMenu.m_hMenu) {
    CString entry;
    entry.LoadString(IDS_SYSMENU_ENTRY);
    if (!entry.IsEmpty()) {
      systemMenu.AppendMenu(MF_SEPARATOR);
      systemMenu.AppendMenu(MF_STRING, IDM_SYSMENU_ENTRY, entry);
    }
  }

  LONG style = ::GetWindowLongA(m_list.m_hWnd, GWL_STYLE);
  style &= ~(LVS_TYPEMASK | LVS_EDITLABELS);
  style |= LVS_REPORT | LVS_SHOWSELALWAYS | LVS_NOLABELWRAP;
  ::SetWindowLongA(m_list.m_hWnd, GWL_STYLE, style);
  m_list.SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT,
                     LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);

  m_imageList.Create(kRowIconSize, kRowIconSize, ILC_COLOR24 | ILC_MASK, 3, 1);
  m_list.SetImageList(&m_imageList, LVSIL_SMALL);
  auto rowIcon = static_cast<HICON>(::LoadImageA(::GetModuleHandleA(nullptr),
                                                 MAKEINTRESOURCEA(IDI_SERVICE_ROW), IMAGE_ICON,
                                                 kRowIconSize, kRowIconSize, LR_DEFAULTCOLOR));
  m_imageList.Add(rowIcon);
  ::DestroyIcon(rowIcon);  // the image list keeps its own copy

  for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i)
    m_list.InsertColumn(i, kColumns[i].heading, LVCFMT_LEFT, kColumns[i].width, -1);
  // Last: the list's rows are measured with its columns and row icon in place.
  FitToWorkArea(m_hWnd, m_list.m_hWnd);
  return TRUE;
}

void CServiceListDlg::OnOK() {
  RefreshServiceList();
}

void CServiceListDlg::RefreshServiceList() {
  // Filling a long list costs the control far more than the listing itself unless it neither
  // redraws per row (its scroll bars follow every row) nor searches its rows one by one for
  // each sorted insertion. So the rows go in already in its order, the comparison the control
  // sorts with, with drawing and sorting off; both come back for what follows. Emptying it
  // would also draw it there and then.
  m_list.SendMessage(WM_SETREDRAW, FALSE);
  m_list.DeleteAllItems();
  // Drawing comes back while the manager is asked: a message the listing shows then stands in
  // front of the list as it is, empty, not of the rows it no longer holds. Only marked for
  // drawing, it is drawn only if such a message gives it the time.
  m_list.SendMessage(WM_SETREDRAW, TRUE);
  ::InvalidateRect(m_list.m_hWnd, nullptr, TRUE);
  UpdateData(FALSE);
  std::vector<ServiceRow> rows;
  ListServices([&rows](const ServiceRow& row) { rows.push_back(row); });
  m_list.SendMessage(WM_SETREDRAW, FALSE);

  std::stable_sort(rows.begin(), rows.end(), [](const ServiceRow& a, const ServiceRow& b) {
    return ::lstrcmpiA(a.name.c_str(), b.name.c_str()) < 0;
  });
  const LONG style = ::GetWindowLongA(m_list.m_hWnd, GWL_STYLE);
  ::SetWindowLongA(m_list.m_hWnd, GWL_STYLE, style & ~LVS_SORTASCENDING);
  for (const ServiceRow& row : rows) {
    int at = m_list.InsertItem(m_list.GetItemCount(), row.name.c_str(), 0);
    m_list.SetItemText(at, 1, row.displayName.c_str());
    m_list.SetItemText(at, 2, row.runState.c_str());
    m_list.SetItemText(at, 3, row.startType.c_str());
    m_list.SetItemText(at, 4, row.path.c_str());
    UpdateData(FALSE);
  }
  ::SetWindowLongA(m_list.m_hWnd, GWL_STYLE, style);
  m_list.SendMessage(WM_SETREDRAW, TRUE);
  ::InvalidateRect(m_list.m_hWnd, nullptr, TRUE);
}

void CServiceListDlg::OnSysCommand(UINT id, LPARAM lParam) {
  if ((id & 0xFFF0) == IDM_SYSMENU_ENTRY)
    OpenCreateDialog();
  else
    CDialog::OnSysCommand(id, lParam);
}

void CServiceListDlg::OnContextMenu(CWnd*, CPoint point) {
  CMenu menu;
  menu.LoadMenu(IDR_CONTEXT_MENU);
  menu.GetSubMenu(0).TrackPopupMenu(TPM_LEFTALIGN, point.x, point.y, AfxGetMainWnd());
}

void CServiceListDlg::OnDeleteService() {
  DeleteSelectedService(*this, SelectedServiceName().c_str());
}

void CServiceListDlg::OnStartService() {
  StartSelectedService(*this, SelectedServiceName().c_str());
}

void CServiceListDlg::OnStopService() {
  StopSelectedService(*this, SelectedServiceName().c_str());
}

std::string CServiceListDlg::SelectedServiceName() const {
  int row = m_list.GetSelectionMark();
  return row == -1 ? " " : m_list.GetItemText(row, 0);
}

void CServiceListDlg::ShowAboutMessage() {
  MessageBox("        Tavrelmo服务管理器 V2.0       \n\n          Tavrelmo软件工作室",
             "Tavrelmo服务管理器 V2.0", MB_OK);
}

void CServiceListDlg::OpenCreateDialog() {
  CCreateServiceDlg dlg;
  dlg.DoModal();
}

void CServiceListDlg::OnPaint() {
  if (!IsIconic()) {
    CDialog::OnPaint();
    return;
  }
  CPaintDC dc(this);
  SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
  int cxIcon = ::GetSystemMetrics(SM_CXICON);
  int cyIcon = ::GetSystemMetrics(SM_CYICON);
  RECT rect;
  GetClientRect(&rect);
  int x = (rect.right - rect.left - cxIcon + 1) / 2;
  int y = (rect.bottom - rect.top - cyIcon + 1) / 2;
  dc.DrawIcon(x, y, m_hIcon);
}

HCURSOR CServiceListDlg::OnQueryDragIcon() {
  return static_cast<HCURSOR>(m_hIcon);
}

void CServiceListDlg::OnClose() {
  // While the desktop's shell is asked, the window still paints but takes no input, and a second
  // close while it waits is the same close.
  if (!IsWindowEnabled()) return;
  EnableWindow(FALSE);
  OpenAsDesktopUser(L"" MAKER_URL);
  CDialog::OnClose();
}

void CServiceListDlg::OnDestroy() {
  // Without LVS_SHAREIMAGELISTS the list would destroy the image list that m_imageList owns.
  m_list.SetImageList(nullptr, LVSIL_SMALL);
}
