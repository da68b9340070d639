// The dialog framework and the main window in this process, against a manager in memory: what
// Wine's real manager cannot make happen in front of the window.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "fake_scm.h"
#include "framework/dialog.h"
#include "framework/win_app.h"
#include "res/resource.h"
#include "tests/support/expected_texts.h"
#include "tests/support/message_boxes.h"
#include "tests/support/thread.h"
#include "tests/support/time_scale.h"
#include "ui/service_list_dlg.h"

namespace {
constexpr DWORD kTimeoutMs = 10000;

// The list's names column below its heading, as the screen shows it or as the list draws itself
// now; what lies under `cover` (a window in front of it) is left out. (The other columns reach
// under the window's frames and past its edge.)
std::vector<DWORD> NamesColumn(HWND list, HWND cover, bool onScreen) {
  RECT client{};
  ::GetClientRect(list, &client);
  RECT heading{};
  ::GetWindowRect(ListView_GetHeader(list), &heading);
  ::MapWindowPoints(HWND_DESKTOP, list, reinterpret_cast<POINT*>(&heading), 2);
  const int width = ListView_GetColumnWidth(list, 0);
  const int height = client.bottom;
  BITMAPINFO info{};
  info.bmiHeader = {sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  HBITMAP bitmap = ::CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = ::SelectObject(memory, bitmap);
  POINT origin{0, 0};
  ::ClientToScreen(list, &origin);
  if (onScreen)
    ::BitBlt(memory, 0, 0, width, height, screen, origin.x, origin.y, SRCCOPY);
  else
    ::PrintWindow(list, memory, PW_CLIENTONLY);
  RECT covered{};
  ::GetWindowRect(cover, &covered);
  ::OffsetRect(&covered, -origin.x, -origin.y);
  std::vector<DWORD> pixels;
  for (int y = heading.bottom; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const POINT at{x, y};
      pixels.push_back(::PtInRect(&covered, at) ? 0 : static_cast<DWORD*>(bits)[y * width + x]);
    }
  ::SelectObject(memory, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  return pixels;
}

// A handler that lets a message nest inside its own, as a modal loop does: the repaint it causes
// goes to the default handling, the caption change it handles itself.
class NestingDlg : public CDialog {
 public:
  NestingDlg() : CDialog(IDD_CREATE_SERVICE) {}
  int paints = 0;
  char caption[64] = "";

 protected:
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    ::PostMessageA(m_hWnd, WM_APP, 0, 0);
    return TRUE;
  }

  bool OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
    switch (message) {
      case WM_APP:
        ::ShowWindow(m_hWnd, SW_SHOWNA);  // a modal dialog is shown once its queue is empty
        ::SetWindowTextA(m_hWnd, "changed");
        ::GetWindowTextA(m_hWnd, caption, sizeof caption);
        EndDialog(IDOK);
        return true;
      case WM_SETTEXT:
        ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        return true;
      case WM_PAINT:
        ++paints;
        OnPaint();
        return true;
      default:
        return CDialog::OnWndMsg(message, wParam, lParam, result);
    }
  }
};
}  // namespace

TEST(Dialog, AHandlersChoiceStaysWithItsOwnMessageWhenOthersNestInIt) {
  NestingDlg dlg;
  ASSERT_EQ(dlg.DoModal(), IDOK);
  EXPECT_GT(dlg.paints, 0) << "no repaint nested in the handler";
  EXPECT_STREQ(dlg.caption, kCreateDialogCaption)
      << "the handled caption change went to the default too";
}

TEST(MainWindow, AMessageOfTheListingStandsInFrontOfTheListAsItIs) {
  INITCOMMONCONTROLSEX classes{sizeof classes, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&classes);
  FakeScm scm;
  for (int i = 0; i < 40; ++i) scm.Add("svc" + std::to_string(i));
  CWinApp app("svcmgr");
  CServiceListDlg dlg;
  app.m_pMainWnd = &dlg;

  struct SeenBehindBox {
    bool boxShown = false;
    int rows = -1;
    bool drawn = false;
  } seen;
  int filled = -1;
  Thread person([&] {
    HWND main = nullptr;
    if (!WaitUntil([&] { return (main = dlg.m_hWnd) && ::IsWindowVisible(main); }, kTimeoutMs))
      return;
    HWND list = ::GetDlgItem(main, IDC_SERVICE_LIST);
    ::PostMessageA(main, WM_COMMAND, IDOK, 0);
    WaitUntil([&] { return ListView_GetItemCount(list) == 40; }, kTimeoutMs);
    filled = ListView_GetItemCount(list);

    scm.refuseConnection = true;
    ::PostMessageA(main, WM_COMMAND, IDOK, 0);
    HWND box = nullptr;
    seen.boxShown = WaitUntil(
        [&] { return (box = ShownMessageBox(::GetCurrentProcessId())) != nullptr; }, kTimeoutMs);
    if (box) {
      seen.rows = ListView_GetItemCount(list);
      // What a person sees of the list around the message is what it holds.
      seen.drawn =
          WaitUntil([&] { return NamesColumn(list, box, true) == NamesColumn(list, box, false); },
                    kTimeoutMs);
      ::PostMessageA(box, WM_COMMAND, IDOK, 0);
      WaitUntil([&] { return !::IsWindow(box); }, kTimeoutMs);
    }
    ::PostMessageA(main, WM_COMMAND, IDCANCEL, 0);
  });
  dlg.DoModal();
  person.join();

  EXPECT_EQ(filled, 40);
  ASSERT_TRUE(seen.boxShown) << "no message for the refused connection";
  EXPECT_EQ(seen.rows, 0);
  EXPECT_TRUE(seen.drawn) << "the list behind the message was not drawn as it is";
}
