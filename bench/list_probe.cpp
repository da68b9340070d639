// Finds where a refresh's time goes beyond the floor. It shows the product's own main-window
// template (res/svcmgr.rc), sets its list up as the main window does, reads every row from the
// local manager once (the floor's SCM work, timed as "scm"), and then fills the list from those
// rows in memory in several ways, so that the list's own cost is seen without the manager's:
//   as-is               the old 刷新: LVS_SORTASCENDING, each row inserted at 0, 4 texts set
//                       (刷新 now sorts in memory and fills with drawing off)
//   hidden              as-is with the list hidden while it fills (nothing can be drawn)
//   no-redraw           as-is inside WM_SETREDRAW FALSE/TRUE, repainted once at the end
//   unsorted            rows sorted here, inserted at the end of a list without the sort style
//   unsorted-no-redraw  both
// Prints per way the median over the runs: "probe <way> rows=<n> fill=<ms> painted=<ms>
// order=sorted|differs", where painted also counts the repaint that follows (UpdateWindow) and
// order says whether the rows ended in the platform's string order of their names.
//   list_probe.exe [runs] [way ...]
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "res/resource.h"
#include "timing.h"

namespace {
struct Row {
  std::string name, displayName, runState, startType, path;
};

const char* StartTypeText(DWORD type) {
  switch (type) {
    case SERVICE_AUTO_START:
      return "自 动>>";
    case SERVICE_DEMAND_START:
      return "手 动";
    case SERVICE_DISABLED:
      return "禁 止";
    default:
      return "";
  }
}

// The floor's SCM work, handing each row on as soon as it is read.
void ForEachService(const std::function<void(const Row&)>& add) {
  SC_HANDLE manager = ::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  if (!manager) return;
  std::vector<BYTE> records(65536);
  DWORD needed = 0, count = 0, resume = 0;
  BOOL listed = FALSE;
  for (int call = 0; call < 8 && !listed; ++call) {
    resume = 0;
    listed = ::EnumServicesStatusA(manager, SERVICE_WIN32, SERVICE_STATE_ALL,
                                   reinterpret_cast<ENUM_SERVICE_STATUSA*>(records.data()),
                                   static_cast<DWORD>(records.size()), &needed, &count, &resume);
    const DWORD error = listed ? ERROR_SUCCESS : ::GetLastError();
    if (error != ERROR_MORE_DATA && error != ERROR_INSUFFICIENT_BUFFER) break;
    records.resize(std::max<size_t>(needed, 2 * records.size()));
  }
  const auto* services = reinterpret_cast<const ENUM_SERVICE_STATUSA*>(records.data());
  alignas(8) static BYTE buffer[8192];
  auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer);
  for (DWORD i = 0; listed && i < count; ++i) {
    Row row{services[i].lpServiceName, services[i].lpDisplayName ? services[i].lpDisplayName : "",
            services[i].ServiceStatus.dwCurrentState == SERVICE_STOPPED ? "停止" : "已启动", "",
            ""};
    if (SC_HANDLE service =
            ::OpenServiceA(manager, services[i].lpServiceName, SERVICE_ALL_ACCESS)) {
      if (::QueryServiceConfigA(service, config, sizeof buffer, &needed)) {
        row.startType = StartTypeText(config->dwStartType);
        row.path = config->lpBinaryPathName ? config->lpBinaryPathName : "";
      }
      ::CloseServiceHandle(service);
    }
    add(row);
  }
  ::CloseServiceHandle(manager);
}

void Pump() {
  MSG message;
  while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
}

int InsertRow(HWND list, int at, const Row& row) {
  LVITEMA item{};
  item.mask = LVIF_TEXT | LVIF_IMAGE;
  item.iItem = at;
  item.pszText = const_cast<char*>(row.name.c_str());
  item.iImage = 0;
  const int index = static_cast<int>(::SendMessageA(list, LVM_INSERTITEMA, 0, (LPARAM)&item));
  const std::string* texts[] = {&row.displayName, &row.runState, &row.startType, &row.path};
  for (int column = 1; column <= 4; ++column) {
    LVITEMA sub{};
    sub.iSubItem = column;
    sub.pszText = const_cast<char*>(texts[column - 1]->c_str());
    ::SendMessageA(list, LVM_SETITEMTEXTA, index, (LPARAM)&sub);
  }
  return index;
}

void SetSorted(HWND list, bool sorted) {
  LONG style = ::GetWindowLongA(list, GWL_STYLE);
  style = sorted ? (style | LVS_SORTASCENDING) : (style & ~LVS_SORTASCENDING);
  ::SetWindowLongA(list, GWL_STYLE, style);
}

// The main window's list as its OnInitDialog leaves it.
void SetUpList(HWND list) {
  LONG style = ::GetWindowLongA(list, GWL_STYLE);
  style &= ~(LVS_TYPEMASK | LVS_EDITLABELS);
  style |= LVS_REPORT | LVS_SHOWSELALWAYS | LVS_NOLABELWRAP;
  ::SetWindowLongA(list, GWL_STYLE, style);
  ::SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT,
                 LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
  HIMAGELIST images = ::ImageList_Create(18, 18, ILC_COLOR24 | ILC_MASK, 3, 1);
  auto icon = static_cast<HICON>(::LoadImageA(::GetModuleHandleA(nullptr),
                                              MAKEINTRESOURCEA(IDI_SERVICE_ROW), IMAGE_ICON, 18, 18,
                                              LR_DEFAULTCOLOR));
  ::ImageList_AddIcon(images, icon);
  ::DestroyIcon(icon);
  ::SendMessageA(list, LVM_SETIMAGELIST, LVSIL_SMALL, (LPARAM)images);
  const struct {
    const char* heading;
    int width;
  } columns[] = {{"服务名称", 300},
                 {"显示名称", 400},
                 {"启动状态", 100},
                 {"启动类别", 100},
                 {"程序路径", 800}};
  for (int i = 0; i < 5; ++i) {
    LVCOLUMNA column{};
    column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH;
    column.fmt = LVCFMT_LEFT;
    column.pszText = const_cast<char*>(columns[i].heading);
    column.cx = columns[i].width;
    ::SendMessageA(list, LVM_INSERTCOLUMNA, i, (LPARAM)&column);
  }
}

INT_PTR CALLBACK DialogProc(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG;
}

enum class Way { AsIs, Hidden, NoRedraw, Unsorted, UnsortedNoRedraw };
const char* const kWayNames[] = {"as-is", "hidden", "no-redraw", "unsorted", "unsorted-no-redraw"};

// One fill of the list the given way; `painted` also counts the repaint that follows.
double Fill(HWND list, const std::vector<Row>& rows, Way way, double& painted, int& listed) {
  ::SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
  ::UpdateWindow(::GetParent(list));
  Pump();
  const bool sorted = way == Way::AsIs || way == Way::Hidden || way == Way::NoRedraw;
  const bool quiet = way == Way::NoRedraw || way == Way::UnsortedNoRedraw;
  SetSorted(list, sorted);
  const double start = NowMs();
  if (quiet) ::SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  if (way == Way::Hidden) ::ShowWindow(list, SW_HIDE);
  if (sorted) {
    for (const Row& row : rows) InsertRow(list, 0, row);
  } else {
    std::vector<const Row*> order;
    for (const Row& row : rows) order.push_back(&row);
    // The order the sorted list keeps: the platform's string order of the names.
    std::sort(order.begin(), order.end(), [](const Row* a, const Row* b) {
      return ::lstrcmpA(a->name.c_str(), b->name.c_str()) < 0;
    });
    for (size_t i = 0; i < order.size(); ++i) InsertRow(list, static_cast<int>(i), *order[i]);
  }
  if (way == Way::Hidden) ::ShowWindow(list, SW_SHOW);
  if (quiet) {
    ::SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(list, nullptr, TRUE);
  }
  const double filled = NowMs() - start;
  ::UpdateWindow(::GetParent(list));
  painted = NowMs() - start;
  listed = static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  return filled;
}

// The names of the list's rows, top to bottom.
std::vector<std::string> NamesInOrder(HWND list) {
  std::vector<std::string> names;
  const int count = static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  char text[512];
  for (int i = 0; i < count; ++i) {
    LVITEMA item{};
    item.pszText = text;
    item.cchTextMax = sizeof text;
    ::SendMessageA(list, LVM_GETITEMTEXTA, i, (LPARAM)&item);
    names.push_back(text);
  }
  return names;
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  INITCOMMONCONTROLSEX classes{sizeof classes, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&classes);
  HWND dialog = ::CreateDialogParamA(::GetModuleHandleA(nullptr),
                                     MAKEINTRESOURCEA(IDD_SERVICE_LIST), nullptr, DialogProc, 0);
  if (!dialog) return 1;
  HWND list = ::GetDlgItem(dialog, IDC_SERVICE_LIST);
  SetUpList(list);
  ::ShowWindow(dialog, SW_SHOW);
  ::UpdateWindow(dialog);
  Pump();

  std::vector<Way> ways;
  for (int i = 2; i < argc; ++i)
    for (int w = 0; w < static_cast<int>(std::size(kWayNames)); ++w)
      if (std::strcmp(argv[i], kWayNames[w]) == 0) ways.push_back(static_cast<Way>(w));
  if (ways.empty())
    for (int w = 0; w < static_cast<int>(std::size(kWayNames)); ++w)
      ways.push_back(static_cast<Way>(w));

  std::vector<double> scm;
  std::vector<Row> rows;
  for (int run = 0; run < runs; ++run) {
    rows.clear();
    const double start = NowMs();
    ForEachService([&](const Row& row) { rows.push_back(row); });
    scm.push_back(NowMs() - start);
  }
  std::printf("probe scm rows=%zu fill=%.1f\n", rows.size(), Median(scm));
  std::vector<std::vector<double>> fills(ways.size()), paints(ways.size());
  std::vector<int> listed(ways.size());
  std::vector<std::vector<std::string>> orders(ways.size());
  for (int run = 0; run < runs; ++run) {
    for (size_t w = 0; w < ways.size(); ++w) {
      double painted = 0;
      fills[w].push_back(Fill(list, rows, ways[w], painted, listed[w]));
      paints[w].push_back(painted);
      orders[w] = NamesInOrder(list);
    }
  }
  // Every way must leave the rows in the order the sorted list keeps.
  std::vector<std::string> sorted;
  for (const Row& row : rows) sorted.push_back(row.name);
  std::sort(sorted.begin(), sorted.end(), [](const std::string& a, const std::string& b) {
    return ::lstrcmpA(a.c_str(), b.c_str()) < 0;
  });
  for (size_t w = 0; w < ways.size(); ++w)
    std::printf("probe %s rows=%d fill=%.1f painted=%.1f order=%s\n",
                kWayNames[static_cast<int>(ways[w])], listed[w], Median(fills[w]),
                Median(paints[w]), orders[w] == sorted ? "sorted" : "differs");
  ::DestroyWindow(dialog);
  return 0;
}
