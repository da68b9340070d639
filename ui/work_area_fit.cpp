#include "work_area_fit.h"

#include <commctrl.h>

#include <algorithm>

namespace {
constexpr int kRowsKept = 10;

// The child's rectangle in the dialog's client coordinates.
RECT RectInDialog(HWND child, HWND dialog) {
  RECT rect{};
  ::GetWindowRect(child, &rect);
  ::MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// The list's outer height with room for its heading and ten rows. The row height depends on the
// font and the row icon, so it is measured on a row put in and taken out again; the list is empty
// and not yet shown.
int HeightForKeptRows(HWND list) {
  LVITEMA item{};
  item.mask = LVIF_TEXT;
  item.pszText = const_cast<char*>("");
  const int row = ListView_InsertItem(list, &item);
  RECT bounds{};
  ListView_GetItemRect(list, row, &bounds, LVIR_BOUNDS);
  ListView_DeleteItem(list, row);
  RECT outer{};
  RECT client{};
  ::GetWindowRect(list, &outer);
  ::GetClientRect(list, &client);
  // The border and the horizontal scroll bar (the columns are wider than the list).
  const int frame = outer.bottom - outer.top - client.bottom;
  return frame + bounds.top + kRowsKept * (bounds.bottom - bounds.top);
}
}  // namespace

void FitToWorkArea(HWND dialog, HWND list) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (!::GetMonitorInfoA(::MonitorFromWindow(dialog, MONITOR_DEFAULTTONEAREST), &monitor)) return;
  const RECT& work = monitor.rcWork;
  RECT window{};
  ::GetWindowRect(dialog, &window);
  const int width = window.right - window.left;
  const int height = window.bottom - window.top;
  const int workWidth = work.right - work.left;
  const int workHeight = work.bottom - work.top;
  // Lying wholly in the work area, it stays where the template puts it. Elsewhere, even where it
  // is small enough, part of it lies under a taskbar or off the screen.
  if (window.left >= work.left && window.top >= work.top && window.right <= work.right &&
      window.bottom <= work.bottom)
    return;

  int cut = 0;
  if (height > workHeight) {
    const RECT listRect = RectInDialog(list, dialog);
    const int spare = std::max(0L, listRect.bottom - listRect.top - HeightForKeptRows(list));
    cut = std::min(height - workHeight, spare);
    // The group boxes have no identifiers of their own, so each control is told by where it lies:
    // wholly below the list (the console group, its buttons, the label) it moves up; reaching down
    // past the list's bottom from above (the list, its frame) it is shortened.
    constexpr UINT kKeep = SWP_NOZORDER | SWP_NOACTIVATE;
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child && cut;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
      const RECT rect = RectInDialog(child, dialog);
      if (rect.top >= listRect.bottom)
        ::SetWindowPos(child, nullptr, rect.left, rect.top - cut, 0, 0, kKeep | SWP_NOSIZE);
      else if (rect.bottom >= listRect.bottom)
        ::SetWindowPos(child, nullptr, 0, 0, rect.right - rect.left, rect.bottom - rect.top - cut,
                       kKeep | SWP_NOMOVE);
    }
  }
  ::SetWindowPos(dialog, nullptr, work.left, work.top, std::min(width, workWidth), height - cut,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}
