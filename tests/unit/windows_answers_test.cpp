// The platform answering as Windows does where Wine does not, through the program's import
// slots or a subclassed control: the list's character counts, the file dialog, WOW64's folders
// and redirection, the code page's conversions, and the desktop's shell that the close box asks.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "fake_scm.h"
#include "framework/list_ctrl.h"
#include "framework/win_app.h"
#include "fake_shell.h"
#include "import_hook.h"
#include "res/resource.h"
#include "service/creation.h"
#include "service/wow64_path.h"
#include "tests/support/expected_texts.h"
#include "tests/support/job_accounting.h"
#include "tests/support/message_boxes.h"
#include "tests/support/thread.h"
#include "tests/support/time_scale.h"
#include "tests/support/under_wine.h"
#include "ui/create_service_dlg.h"
#include "ui/service_list_dlg.h"

DECLARE_IMPORT_SLOT(g_getOpenFileNameSlot, GetOpenFileNameW, 4);
DECLARE_IMPORT_SLOT(g_getACPSlot, GetACP, 0);
DECLARE_IMPORT_SLOT(g_wideToNarrowSlot, WideCharToMultiByte, 32);
DECLARE_IMPORT_SLOT(g_isWow64Slot, IsWow64Process, 8);
DECLARE_IMPORT_SLOT(g_systemFolderSlot, GetSystemDirectoryW, 8);
DECLARE_IMPORT_SLOT(g_wow64FolderSlot, GetSystemWow64DirectoryW, 8);
DECLARE_IMPORT_SLOT(g_fileAttributesSlot, GetFileAttributesW, 4);
DECLARE_IMPORT_SLOT(g_redirectionOffSlot, Wow64DisableWow64FsRedirection, 4);
DECLARE_IMPORT_SLOT(g_redirectionBackSlot, Wow64RevertWow64FsRedirection, 4);
DECLARE_IMPORT_SLOT(g_apartmentSlot, CoInitializeEx, 8);
DECLARE_IMPORT_SLOT(g_createSlot, CoCreateInstance, 20);
DECLARE_IMPORT_SLOT(g_foregroundSlot, CoAllowSetForegroundWindow, 8);
DECLARE_IMPORT_SLOT(g_leaveApartmentSlot, CoUninitialize, 0);
DECLARE_IMPORT_SLOT(g_allocateStringSlot, SysAllocString, 4);
DECLARE_IMPORT_SLOT(g_freeStringSlot, SysFreeString, 4);
DECLARE_IMPORT_SLOT(g_monitorInfoSlot, GetMonitorInfoA, 8);

namespace {
constexpr DWORD kTimeoutMs = 10000;

WNDPROC g_listProc;

// The list control of Windows keeps its texts in UTF-16 and converts them for LVM_GETITEMTEXTA:
// whole characters only, as many as fit before the terminator, and it answers with a count of
// characters, not of bytes (Wine's answers with bytes).
LRESULT CALLBACK CountingCharacters(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != LVM_GETITEMTEXTA)
    return ::CallWindowProcW(g_listProc, list, message, wParam, lParam);
  auto* item = reinterpret_cast<LVITEMA*>(lParam);
  wchar_t wide[1024] = L"";
  LVITEMW asked{};
  asked.iSubItem = item->iSubItem;
  asked.pszText = wide;
  asked.cchTextMax = ARRAYSIZE(wide);
  const int length = static_cast<int>(::CallWindowProcW(g_listProc, list, LVM_GETITEMTEXTW, wParam,
                                                        reinterpret_cast<LPARAM>(&asked)));
  int bytes = 0;
  int characters = 0;
  for (; characters < length; ++characters) {
    char one[4];
    const int size =
        ::WideCharToMultiByte(CP_ACP, 0, wide + characters, 1, one, sizeof one, nullptr, nullptr);
    if (bytes + size > item->cchTextMax - 1) break;
    std::memcpy(item->pszText + bytes, one, size);
    bytes += size;
  }
  item->pszText[bytes] = '\0';
  return characters;
}

// What the browse handed the platform's file-open dialog, which answers with `g_chosen`.
struct FileDialogAsked {
  int calls = 0;
  OPENFILENAMEW ofn{};
  std::wstring initialName;
} g_asked;
std::wstring g_chosen;

// Like Windows' dialog, it leaves the process in the folder it chose from, whatever the flags
// ("OPENFILENAMEW structure"), where that folder exists.
BOOL WINAPI ChoosingFile(LPOPENFILENAMEW ofn) {
  ::SetCurrentDirectoryW(g_chosen.substr(0, g_chosen.rfind(L'\\')).c_str());
  ++g_asked.calls;
  g_asked.ofn = *ofn;
  g_asked.initialName = ofn->lpstrFile;
  ::lstrcpynW(ofn->lpstrFile, g_chosen.c_str(), ofn->nMaxFile);
  return TRUE;
}

// A 32-bit program on 64-bit Windows.
BOOL WINAPI UnderWow64(HANDLE, PBOOL wow64) {
  *wow64 = TRUE;
  return TRUE;
}

UINT CopyFolder(const wchar_t* folder, LPWSTR buffer, UINT size) {
  const UINT length = ::lstrlenW(folder);
  if (size <= length) return length + 1;
  ::lstrcpyW(buffer, folder);
  return length;
}

UINT WINAPI SystemFolder(LPWSTR buffer, UINT size) {
  return CopyFolder(L"C:\\WINDOWS\\system32", buffer, size);
}

UINT WINAPI Wow64Folder(LPWSTR buffer, UINT size) {
  return CopyFolder(L"C:\\WINDOWS\\SysWOW64", buffer, size);
}

// 64-bit Windows as a 32-bit program sees it: WOW64 shows it SysWOW64 in System32 unless told
// not to, and two files each lie in one of the two folders alone.
bool g_redirectionOff;
BOOL WINAPI RedirectionOff(PVOID* old) {
  *old = &g_redirectionOff;
  g_redirectionOff = true;
  return TRUE;
}
BOOL WINAPI RedirectionBack(PVOID old) {
  if (old != &g_redirectionOff) return FALSE;
  g_redirectionOff = false;
  return TRUE;
}
DWORD WINAPI Wow64FileAttributes(LPCWSTR path) {
  std::wstring seen = path;
  const std::wstring system = L"C:\\WINDOWS\\system32\\";
  if (!g_redirectionOff && seen.compare(0, system.size(), system) == 0)
    seen = L"C:\\WINDOWS\\SysWOW64\\" + seen.substr(system.size());
  return seen == L"C:\\WINDOWS\\system32\\native only.exe" ||
                 seen == L"C:\\WINDOWS\\SysWOW64\\wow64 only.exe"
             ? FILE_ATTRIBUTE_NORMAL
             : INVALID_FILE_ATTRIBUTES;
}

// The desktop's shell (fake_shell.*) in the place of COM's, for the life of the object.
struct DesktopShell {
  explicit DesktopShell(int failing) { FakeShellReset(failing); }
  ImportHook<decltype(&::CoInitializeEx)> apartment{g_apartmentSlot, FakeCoInitializeEx};
  ImportHook<decltype(&::CoUninitialize)> leave{g_leaveApartmentSlot, FakeCoUninitialize};
  ImportHook<decltype(&::CoCreateInstance)> create{g_createSlot, FakeCoCreateInstance};
  ImportHook<decltype(&::CoAllowSetForegroundWindow)> foreground{g_foregroundSlot,
                                                                 FakeCoAllowSetForegroundWindow};
  ImportHook<decltype(&::SysAllocString)> allocate{g_allocateStringSlot, FakeSysAllocString};
  ImportHook<decltype(&::SysFreeString)> release{g_freeStringSlot, FakeSysFreeString};
};

// Processes this one has started so far, ended ones too: from its first call on, this process and
// all it starts are in a job of its own, which counts them.
DWORD ProcessesStarted() {
  static const HANDLE job = [] {
    HANDLE created = ::CreateJobObjectW(nullptr, nullptr);
    return created && ::AssignProcessToJobObject(created, ::GetCurrentProcess()) ? created
                                                                                 : nullptr;
  }();
  return ProcessesEverIn(job);
}

// Shows the main window and closes it as its close box does. False where the window had not ended
// long after (the shell, if it hangs, is then let go).
bool CloseTheMainWindow() {
  CWinApp app("svcmgr");
  CServiceListDlg dlg;
  app.m_pMainWnd = &dlg;
  std::atomic<bool> ended{false};
  bool endedInTime = true;
  Thread person([&] {
    if (WaitUntil([&] { return dlg.m_hWnd && ::IsWindowVisible(dlg.m_hWnd); }, kTimeoutMs))
      ::PostMessageA(dlg.m_hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    if (!WaitUntil([&] { return ended.load(); }, 3 * kTimeoutMs)) {
      endedInTime = false;
      FakeShellLetGo();
    }
  });
  dlg.DoModal();
  ended = true;
  person.join();
  return endedInTime;
}

std::wstring WindowTextW(HWND window) {
  wchar_t text[1024] = L"";
  ::GetWindowTextW(window, text, ARRAYSIZE(text));
  return text;
}

// Opens the create dialog, presses "..." once and gives what the path box shows then.
std::wstring BrowseOnce(CCreateServiceDlg& dlg, HWND* shownDialog) {
  CWinApp app("svcmgr");
  app.m_pMainWnd = &dlg;
  std::wstring shown;
  Thread person([&] {
    if (!WaitUntil([&] { return dlg.m_hWnd && ::IsWindowVisible(dlg.m_hWnd); }, kTimeoutMs)) return;
    *shownDialog = dlg.m_hWnd;
    ::SendMessageA(dlg.m_hWnd, WM_COMMAND, IDC_BROWSE, 0);
    shown = WindowTextW(::GetDlgItem(dlg.m_hWnd, IDC_PATH));
    ::PostMessageA(dlg.m_hWnd, WM_COMMAND, IDCANCEL, 0);
  });
  dlg.DoModal();
  person.join();
  return shown;
}

// Opens the create dialog, types a name and `path`, presses 创建 once and gives the program path
// the service was registered with.
std::string RegisteredPath(const wchar_t* path) {
  FakeScm scm;
  MessageBoxWatcher boxes;
  CWinApp app("svcmgr");
  CCreateServiceDlg dlg;
  app.m_pMainWnd = &dlg;
  Thread person([&] {
    if (!WaitUntil([&] { return dlg.m_hWnd && ::IsWindowVisible(dlg.m_hWnd); }, kTimeoutMs)) return;
    ::SetDlgItemTextA(dlg.m_hWnd, IDC_NAME, "new");
    ::SetDlgItemTextW(dlg.m_hWnd, IDC_PATH, path);
    ::SendMessageA(dlg.m_hWnd, WM_COMMAND, IDOK, 0);
    ::PostMessageA(dlg.m_hWnd, WM_COMMAND, IDCANCEL, 0);
  });
  dlg.DoModal();
  person.join();
  EXPECT_EQ(boxes.TakeTexts(), std::vector<std::string>{kCreateSucceeded});
  const FakeService* created = scm.Find("new");
  return created ? created->path : "(no service)";
}

UINT g_codePage;
UINT WINAPI CodePageInForce() {
  return g_codePage;
}

decltype(&::WideCharToMultiByte) g_platformWideToNarrow;
int g_refusedConversions;

// Windows' conversion where Wine's differs: it refuses WC_NO_BEST_FIT_CHARS on UTF-8 and GB18030,
// and WC_ERR_INVALID_CHARS on every other code page (ERROR_INVALID_FLAGS), and a used-default
// flag on UTF-8 (ERROR_INVALID_PARAMETER). Wine has no GB18030 at all; for the texts here GBK,
// its subset, gives the same bytes.
int WINAPI WindowsWideToNarrow(UINT codePage, DWORD flags, LPCWSTR text, int length, LPSTR out,
                               int size, LPCSTR defaultChar, LPBOOL usedDefault) {
  if (codePage == CP_ACP) codePage = g_codePage;
  const bool holdsAll = codePage == CP_UTF8 || codePage == 54936;
  const DWORD refusedFlags = holdsAll ? WC_NO_BEST_FIT_CHARS : WC_ERR_INVALID_CHARS;
  if ((flags & refusedFlags) || (codePage == CP_UTF8 && usedDefault)) {
    ++g_refusedConversions;
    ::SetLastError(flags & refusedFlags ? ERROR_INVALID_FLAGS : ERROR_INVALID_PARAMETER);
    return 0;
  }
  // On those two a lone surrogate fails the conversion under WC_ERR_INVALID_CHARS, and becomes
  // U+FFFD, unreported, without it, "encoded as appropriate for the specified codepage"
  // ("WideCharToMultiByte function"): in GB18030 as 84 31 A4 37, which GBK lacks.
  std::wstring whole(text, length < 0 ? ::lstrlenW(text) + 1 : length);
  for (size_t i = 0; holdsAll && i < whole.size(); ++i) {
    const bool high = whole[i] >= 0xD800 && whole[i] <= 0xDBFF;
    const bool low = whole[i] >= 0xDC00 && whole[i] <= 0xDFFF;
    const bool paired =
        high && i + 1 < whole.size() && whole[i + 1] >= 0xDC00 && whole[i + 1] <= 0xDFFF;
    if (paired) {
      ++i;
    } else if (high || low) {
      if (flags & WC_ERR_INVALID_CHARS) {
        ::SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
      }
      whole[i] = 0xFFFD;
    }
  }
  if (codePage == 54936 && whole.find(L'\xFFFD') != std::wstring::npos) {
    std::string bytes;
    for (size_t from = 0, to = 0; from < whole.size(); from = to + 1) {
      to = std::min(whole.find(L'\xFFFD', from), whole.size());
      const int count = int(to - from);
      std::string piece(
          g_platformWideToNarrow(936, 0, &whole[from], count, nullptr, 0, nullptr, nullptr), '\0');
      g_platformWideToNarrow(936, 0, &whole[from], count, piece.data(), int(piece.size()), nullptr,
                             nullptr);
      bytes.append(piece).append(to < whole.size() ? "\x84\x31\xA4\x37" : "");
    }
    if (size && size < int(bytes.size())) return ::SetLastError(ERROR_INSUFFICIENT_BUFFER), 0;
    if (size) std::memcpy(out, bytes.data(), bytes.size());
    return int(bytes.size());
  }
  return g_platformWideToNarrow(codePage == 54936 ? 936 : codePage, flags & ~WC_ERR_INVALID_CHARS,
                                whole.c_str(), static_cast<int>(whole.size()), out, size,
                                defaultChar, usedDefault);
}

// The work area as Windows reports it where the main window is larger: at 150 % on a 1920 x 1080
// panel, or on a screen smaller still. Wine's desktop here is larger than the window.
RECT g_workArea;
BOOL WINAPI ReportingWorkArea(HMONITOR, LPMONITORINFO info) {
  info->rcMonitor = g_workArea;
  info->rcWork = g_workArea;
  info->dwFlags = MONITORINFOF_PRIMARY;
  return TRUE;
}

// The main window as shown: its frame on the screen, its controls in its client area in template
// order (the group boxes have no identifiers), and how many rows its list shows whole, of twelve.
constexpr int kRowsMeasured = 12;
struct MainWindowShape {
  RECT window{};
  std::vector<RECT> controls;
  int wholeRows = 0;
};
enum MainWindowControl { kRefresh, kExit, kList, kListFrame, kConsole, kLabel, kControls };

// Shows the main window on the work area given or, without one, on the desktop's own.
MainWindowShape ShapeOfMainWindow(const std::optional<RECT>& workArea) {
  std::optional<ImportHook<decltype(&::GetMonitorInfoA)>> monitor;
  if (workArea) {
    g_workArea = *workArea;
    monitor.emplace(g_monitorInfoSlot, ReportingWorkArea);
  }
  CWinApp app("svcmgr");
  CServiceListDlg dlg;
  app.m_pMainWnd = &dlg;
  MainWindowShape shape;
  Thread person([&] {
    HWND main = nullptr;
    if (!WaitUntil([&] { return (main = dlg.m_hWnd) && ::IsWindowVisible(main); }, kTimeoutMs))
      return;
    ::GetWindowRect(main, &shape.window);
    for (HWND child = ::GetWindow(main, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
      RECT rect{};
      ::GetWindowRect(child, &rect);
      ::MapWindowPoints(HWND_DESKTOP, main, reinterpret_cast<POINT*>(&rect), 2);
      shape.controls.push_back(rect);
    }
    HWND list = ::GetDlgItem(main, IDC_SERVICE_LIST);
    RECT client{};
    ::GetClientRect(list, &client);
    // Rows put in only to be measured: not drawn.
    ::SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    for (int i = 0; i < kRowsMeasured; ++i) {
      LVITEMA item{};
      item.mask = LVIF_TEXT;
      item.iItem = i;
      item.pszText = const_cast<char*>("row");
      ListView_InsertItem(list, &item);
      RECT row{};
      ListView_GetItemRect(list, i, &row, LVIR_BOUNDS);
      if (row.bottom <= client.bottom) ++shape.wholeRows;
    }
    ::PostMessageA(main, WM_COMMAND, IDCANCEL, 0);
  });
  dlg.DoModal();
  person.join();
  return shape;
}

int Height(const RECT& rect) {
  return rect.bottom - rect.top;
}

// The controls as shown without a cut, the list and its frame shortened by `cut` and the others
// moved up by as much.
std::vector<RECT> CutBy(std::vector<RECT> controls, int cut) {
  for (int i = 0; i < kControls; ++i)
    if (i == kList || i == kListFrame)
      controls[i].bottom -= cut;
    else
      ::OffsetRect(&controls[i], 0, -cut);
  return controls;
}

void ExpectSameRects(const std::vector<RECT>& shown, const std::vector<RECT>& expected) {
  ASSERT_EQ(shown.size(), expected.size());
  for (size_t i = 0; i < shown.size(); ++i)
    EXPECT_TRUE(::EqualRect(&shown[i], &expected[i]))
        << "control " << i << ": " << shown[i].left << "," << shown[i].top << " - "
        << shown[i].right << "," << shown[i].bottom << ", expected " << expected[i].left << ","
        << expected[i].top << " - " << expected[i].right << "," << expected[i].bottom;
}
}  // namespace

TEST(ListControl, ANameComesBackWholeFromAControlThatCountsCharacters) {
  INITCOMMONCONTROLSEX classes{sizeof classes, ICC_LISTVIEW_CLASSES};
  ::InitCommonControlsEx(&classes);
  CListCtrl list;
  list.m_hWnd = ::CreateWindowExW(0, WC_LISTVIEWW, L"", LVS_REPORT, 0, 0, 300, 200, nullptr,
                                  nullptr, nullptr, nullptr);
  ASSERT_NE(list.m_hWnd, nullptr);
  list.InsertColumn(0, "服务名称", LVCFMT_LEFT, 300);
  g_listProc = reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(
      list.m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountingCharacters)));
  // Double-byte characters, ones that end just short of the first buffer the list is asked with
  // or reach past it, and the longest name a service can have: 256 characters.
  std::string longest;
  for (int i = 0; i < 256; ++i) longest += "服";
  const std::string names[] = {"服务甲乙",
                               std::string(252, 'a') + "甲",
                               std::string(253, 'a') + "甲",
                               std::string(254, 'a') + "甲",
                               std::string(253, 'a') + "甲乙",
                               longest};
  for (const std::string& name : names) {
    SCOPED_TRACE(name.size());
    const int row = list.InsertItem(list.GetItemCount(), name.c_str(), 0);
    EXPECT_EQ(list.GetItemText(row, 0), name);
  }
  ::DestroyWindow(list.m_hWnd);
}

TEST(Browse, HandsThePlatformTheCallersFlagsAloneAndTakesTheFileTheUserSaw) {
  ImportHook<decltype(&::GetOpenFileNameW)> files(g_getOpenFileNameSlot, ChoosingFile);
  ImportHook<decltype(&::IsWow64Process)> wow64(g_isWow64Slot, UnderWow64);
  ImportHook<decltype(&::GetSystemDirectoryW)> systemFolder(g_systemFolderSlot, SystemFolder);
  ImportHook<decltype(&::GetSystemWow64DirectoryW)> wow64Folder(g_wow64FolderSlot, Wow64Folder);
  struct Case {
    const wchar_t* chosen;
    const wchar_t* taken;
    const char* field;
  };
  // The dialog of a program under WOW64 shows SysWOW64's files in System32.
  const Case cases[] = {
      {L"D:\\程序\\服务.exe", L"D:\\程序\\服务.exe", "D:\\程序\\服务.exe"},
      {L"C:\\Windows\\System32\\服务.exe", L"C:\\WINDOWS\\SysWOW64\\服务.exe",
       "C:\\WINDOWS\\SysWOW64\\服务.exe"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field);
    g_asked = {};
    g_chosen = c.chosen;
    CCreateServiceDlg dlg;
    HWND shownDialog = nullptr;
    EXPECT_EQ(BrowseOnce(dlg, &shownDialog), c.taken);
    EXPECT_STREQ(dlg.m_strPath, c.field);
    ASSERT_EQ(g_asked.calls, 1);
    EXPECT_EQ(g_asked.ofn.Flags, static_cast<DWORD>(OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT));
    EXPECT_EQ(g_asked.ofn.lpstrFilter, nullptr);
    EXPECT_EQ(g_asked.ofn.lpstrDefExt, nullptr);
    EXPECT_EQ(g_asked.initialName, L"");
    EXPECT_EQ(g_asked.ofn.hwndOwner, shownDialog);
  }
}

TEST(Browse, LeavesTheCurrentFolderWhereItWas) {
  ImportHook<decltype(&::GetOpenFileNameW)> files(g_getOpenFileNameSlot, ChoosingFile);
  wchar_t before[MAX_PATH] = L"";
  wchar_t windows[MAX_PATH] = L"";
  ::GetCurrentDirectoryW(MAX_PATH, before);
  ::GetWindowsDirectoryW(windows, MAX_PATH);
  ASSERT_STRNE(before, windows);
  g_asked = {};
  g_chosen = std::wstring(windows) + L"\\regedit.exe";
  CCreateServiceDlg dlg;
  HWND shownDialog = nullptr;
  BrowseOnce(dlg, &shownDialog);
  ASSERT_EQ(g_asked.calls, 1);
  wchar_t after[MAX_PATH] = L"";
  ::GetCurrentDirectoryW(MAX_PATH, after);
  EXPECT_STREQ(after, before);
}

TEST(Browse, UnderWow64APathInTheSystemFolderIsTheFileTheDialogShowed) {
  const SystemFolders wow64{L"C:\\WINDOWS\\system32", L"C:\\WINDOWS\\SysWOW64", true};
  const wchar_t* const unchanged = nullptr;
  struct Case {
    const wchar_t* shown;
    const wchar_t* native;
  };
  const Case cases[] = {
      {L"C:\\Windows\\System32\\a.exe", L"C:\\WINDOWS\\SysWOW64\\a.exe"},
      {L"c:\\windows\\SYSTEM32\\drivers\\a.exe", L"C:\\WINDOWS\\SysWOW64\\drivers\\a.exe"},
      {L"C:\\Windows\\System32\\catroot2x\\a.exe", L"C:\\WINDOWS\\SysWOW64\\catroot2x\\a.exe"},
      // Folders WOW64 leaves alone.
      {L"C:\\Windows\\System32\\catroot\\a.exe", unchanged},
      {L"C:\\Windows\\System32\\CatRoot2\\a.exe", unchanged},
      {L"C:\\Windows\\System32\\drivers\\etc\\a.exe", unchanged},
      {L"C:\\Windows\\System32\\driverstore\\FileRepository\\a.exe", unchanged},
      {L"C:\\Windows\\System32\\LogFiles\\a.exe", unchanged},
      {L"C:\\Windows\\System32\\spool\\drivers\\a.exe", unchanged},
      // Whole components only.
      {L"C:\\Windows\\System32x\\a.exe", unchanged},
      {L"C:\\Windows\\System32.exe", unchanged},
      {L"C:\\Windows\\SysWOW64\\a.exe", unchanged},
      {L"D:\\Windows\\System32\\a.exe", unchanged},
      // The name WOW64 gives the native System32.
      {L"C:\\Windows\\Sysnative\\a.exe", L"C:\\WINDOWS\\system32\\a.exe"},
      {L"C:\\WINDOWS\\SYSNATIVE\\drivers\\etc\\a.exe",
       L"C:\\WINDOWS\\system32\\drivers\\etc\\a.exe"},
      // The last known good system folder, redirected as the folder is.
      {L"C:\\Windows\\LastGood\\System32\\a.exe", L"C:\\WINDOWS\\lastgood\\SysWOW64\\a.exe"},
      {L"C:\\Windows\\lastgood\\a.exe", unchanged},
      // The one file outside it that WOW64 redirects.
      {L"C:\\Windows\\regedit.exe", L"C:\\WINDOWS\\SysWOW64\\regedit.exe"},
      {L"c:\\windows\\REGEDIT.EXE", L"C:\\WINDOWS\\SysWOW64\\REGEDIT.EXE"},
      {L"C:\\Windows\\regedit.exe.bak", unchanged},
      {L"C:\\Windows\\Help\\regedit.exe", unchanged},
  };
  const SystemFolders native{wow64.system, wow64.wow64, false};
  const SystemFolders windows32{wow64.system, L"", false};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.shown)));
    EXPECT_EQ(NativePathOf(c.shown, wow64), c.native ? c.native : c.shown);
    // Where nothing is redirected, every path is what it names.
    EXPECT_EQ(NativePathOf(c.shown, native), c.shown);
    EXPECT_EQ(NativePathOf(c.shown, windows32), c.shown);
  }
}

TEST(Browse, UnderWow64APathIsQuotedWhenTheServiceManagerWouldFindItsFile) {
  ImportHook<decltype(&::GetFileAttributesW)> files(g_fileAttributesSlot, Wow64FileAttributes);
  ImportHook<decltype(&::Wow64DisableWow64FsRedirection)> off(g_redirectionOffSlot, RedirectionOff);
  ImportHook<decltype(&::Wow64RevertWow64FsRedirection)> back(g_redirectionBackSlot,
                                                              RedirectionBack);
  const std::pair<const char*, const char*> cases[] = {
      {"C:\\WINDOWS\\system32\\native only.exe", "\"C:\\WINDOWS\\system32\\native only.exe\""},
      // What this process alone sees there, the service manager would not find.
      {"C:\\WINDOWS\\system32\\wow64 only.exe", "C:\\WINDOWS\\system32\\wow64 only.exe"},
      {"C:\\WINDOWS\\SysWOW64\\wow64 only.exe", "\"C:\\WINDOWS\\SysWOW64\\wow64 only.exe\""},
  };
  for (const auto& [typed, registered] : cases) {
    SCOPED_TRACE(typed);
    EXPECT_EQ(ProgramPathToRegister(typed).registered, registered);
    EXPECT_FALSE(g_redirectionOff) << "redirection was left off";
  }
}

// Typed under WOW64, Sysnative names the native System32; the service manager, native itself,
// finds the program only as System32. (A typed System32 path names the native file already.) It
// looks for the program with %ProgramFiles% as a native process has it, not the x86 folder.
TEST(Browse, UnderWow64ATypedPathIsRegisteredAsTheServiceManagerReadsIt) {
  ImportHook<decltype(&::IsWow64Process)> wow64(g_isWow64Slot, UnderWow64);
  ImportHook<decltype(&::GetSystemDirectoryW)> systemFolder(g_systemFolderSlot, SystemFolder);
  ImportHook<decltype(&::GetSystemWow64DirectoryW)> wow64Folder(g_wow64FolderSlot, Wow64Folder);
  // This process's %ProgramFiles% and the native one, the program in the native one alone.
  wchar_t temp[MAX_PATH] = L"", savedOwn[MAX_PATH] = L"", savedNative[MAX_PATH] = L"";
  ::GetTempPathW(MAX_PATH, temp);
  ::GetEnvironmentVariableW(L"ProgramFiles", savedOwn, MAX_PATH);
  ::GetEnvironmentVariableW(L"ProgramW6432", savedNative, MAX_PATH);
  const std::wstring x86 = temp + std::wstring(L"svcmgr x86"),
                     x64 = temp + std::wstring(L"svcmgr x64");
  const std::wstring program = x64 + L"\\program.exe";
  ::CreateDirectoryW(x86.c_str(), nullptr);
  ::CreateDirectoryW(x64.c_str(), nullptr);
  ::CloseHandle(::CreateFileW(program.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
  ::SetEnvironmentVariableW(L"ProgramFiles", x86.c_str());
  ::SetEnvironmentVariableW(L"ProgramW6432", x64.c_str());
  const std::pair<const wchar_t*, const char*> cases[] = {
      // The Windows folder through a variable, which stays; the program found in System32.
      {L"%windir%\\SysNative\\services.exe --x", "\"%windir%\\system32\\services.exe\" --x"},
      {L"\"%windir%\\Sysnative\\my svc.exe\" -x", "\"%windir%\\system32\\my svc.exe\" -x"},
      // Found where the manager expands the variable, and stored unexpanded.
      {L"%ProgramFiles%\\program.exe -x", "\"%ProgramFiles%\\program.exe\" -x"},
      {L"%SystemRoot%\\sysnative\\regedit.exe", "%SystemRoot%\\system32\\regedit.exe"},
      {L"C:\\Windows\\Sysnative\\no such program.exe -y",
       "C:\\Windows\\system32\\no such program.exe -y"},
      // Not the Windows folder's Sysnative, or not a whole component, or in the arguments.
      {L"D:\\Windows\\Sysnative\\a b.exe", "D:\\Windows\\Sysnative\\a b.exe"},
      {L"C:\\Windows\\Sysnative b.exe", "C:\\Windows\\Sysnative b.exe"},
      {L"C:\\a b.exe C:\\Windows\\Sysnative\\c.exe", "C:\\a b.exe C:\\Windows\\Sysnative\\c.exe"},
  };
  for (const auto& [typed, registered] : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(typed)));
    EXPECT_EQ(RegisteredPath(typed), registered);
  }
  ::SetEnvironmentVariableW(L"ProgramFiles", savedOwn);
  ::SetEnvironmentVariableW(L"ProgramW6432", *savedNative ? savedNative : nullptr);
  ::DeleteFileW(program.c_str());
  ::RemoveDirectoryW(x64.c_str());
  ::RemoveDirectoryW(x86.c_str());
  // Without WOW64 the name means nothing, and the text goes as typed.
  const SystemFolders native{L"C:\\WINDOWS\\system32", L"C:\\WINDOWS\\SysWOW64", false};
  EXPECT_EQ(TypedNativePath(L"C:\\Windows\\Sysnative\\a.exe", native),
            L"C:\\Windows\\Sysnative\\a.exe");
}

TEST(CodePage, AChosenPathAndTypedTextAreConvertedAsWindowsAllowsOnEachCodePage) {
  INITCOMMONCONTROLSEX classes{sizeof classes, ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&classes);
  ImportHook<decltype(&::GetOpenFileNameW)> files(g_getOpenFileNameSlot, ChoosingFile);
  ImportHook<decltype(&::GetACP)> codePage(g_getACPSlot, CodePageInForce);
  ImportHook<decltype(&::WideCharToMultiByte)> conversion(g_wideToNarrowSlot, WindowsWideToNarrow);
  g_platformWideToNarrow = conversion.Original();
  g_chosen = L"D:\\程序\\服务.exe";
  CWnd box(
      ::CreateWindowExW(0, L"EDIT", L"", 0, 0, 0, 100, 20, nullptr, nullptr, nullptr, nullptr));
  ASSERT_NE(box.m_hWnd, nullptr);
  struct Case {
    UINT codePage;
    const char* path;
    bool holdsHangul;
  };
  const Case cases[] = {
      {936, "D:\\程序\\服务.exe", false},
      {CP_UTF8, u8"D:\\程序\\服务.exe", true},
      {54936, "D:\\程序\\服务.exe", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.codePage);
    g_codePage = c.codePage;
    g_refusedConversions = 0;
    CCreateServiceDlg dlg;
    HWND shownDialog = nullptr;
    BrowseOnce(dlg, &shownDialog);
    EXPECT_STREQ(dlg.m_strPath, c.path);
    ::SetWindowTextW(box.m_hWnd, L"服务");
    EXPECT_TRUE(box.TextFitsCodePage());
    ::SetWindowTextW(box.m_hWnd, L"한글");
    EXPECT_EQ(box.TextFitsCodePage(), c.holdsHangul);
    // Half a pair is no character on any code page.
    ::SetWindowTextW(box.m_hWnd, L"服务\xD800");
    EXPECT_FALSE(box.TextFitsCodePage());
    EXPECT_EQ(g_refusedConversions, 0);
  }
  ::DestroyWindow(box.m_hWnd);
}

// The route by which an elevated program has the desktop's shell, which runs as the user at the
// desktop, open an address: "How can I launch an unelevated process from my elevated process and
// vice versa?" (The Old New Thing, 2013-11-18).
TEST(MainWindow, TheCloseBoxHasTheDesktopsShellOpenTheAddressAfterAskingForAnApartment) {
  DesktopShell shell(kFakeShellSteps);
  const DWORD started = ProcessesStarted();
  CloseTheMainWindow();
  EXPECT_STREQ(FakeShellCalls(),
               "CoInitializeEx COINIT_APARTMENTTHREADED COINIT_DISABLE_OLE1DDE\n"
               "CoCreateInstance ShellWindows CLSCTX_LOCAL_SERVER IShellWindows\n"
               "FindWindowSW VT_I4 0 VT_EMPTY SWC_DESKTOP SWFO_NEEDDISPATCH\n"  // 0: CSIDL_DESKTOP
               "QueryInterface IServiceProvider\n"
               "QueryService SID_STopLevelBrowser IShellBrowser\n"
               "QueryActiveShellView\n"
               "GetItemObject SVGIO_BACKGROUND IDispatch\n"
               "QueryInterface IShellFolderViewDual\n"
               "get_Application\n"
               "QueryInterface IShellDispatch2\n"
               "CoAllowSetForegroundWindow IShellDispatch2\n"
               // No arguments, the current folder, the default verb, SW_SHOWNORMAL.
               "ShellExecute http://www.tavrelmo.example/, VT_EMPTY, VT_EMPTY, VT_EMPTY, VT_I4 1\n"
               "CoUninitialize\n");
  EXPECT_EQ(FakeShellApartmentsOpen(), 0);
  EXPECT_EQ(FakeShellReferencesHeld(), 0) << "not released";
  EXPECT_EQ(FakeShellReleasesTooMany(), 0);
  EXPECT_EQ(ProcessesStarted(), started) << "the program started a process itself";
}

TEST(MainWindow, WhereAStepToTheDesktopsShellFailsTheCloseBoxOpensNothing) {
  ASSERT_NE(ProcessesStarted(), MAXDWORD) << "processes started cannot be counted here";
  for (int step = kFakeShellApartment; step < kFakeShellSteps; ++step) {
    SCOPED_TRACE(step);
    DesktopShell shell(step);
    const DWORD started = ProcessesStarted();
    CloseTheMainWindow();
    const std::string calls = FakeShellCalls();
    EXPECT_EQ(calls.find("ShellExecute"), std::string::npos) << calls;
    EXPECT_EQ(ProcessesStarted(), started) << "the program started a process itself";
    EXPECT_EQ(FakeShellApartmentsOpen(), 0);
    EXPECT_EQ(FakeShellReferencesHeld(), 0) << "not released";
    EXPECT_EQ(FakeShellReleasesTooMany(), 0);
  }
}

// Each step is a call into the desktop's process, whose thread may hang (a stuck shell extension,
// a slow network drive): the window still ends, while the call still waits.
TEST(MainWindow, TheCloseBoxEndsTheWindowWhileTheDesktopsShellDoesNotAnswer) {
  DesktopShell shell(kFakeShellSteps);
  FakeShellHangAt(kFakeShellWindows);
  EXPECT_TRUE(CloseTheMainWindow()) << "the window waited for the shell";
  EXPECT_TRUE(FakeShellHanging());
  FakeShellLetGo();
  EXPECT_TRUE(WaitUntil([] { return FakeShellApartmentsOpen() == 0; }, kTimeoutMs));
  EXPECT_EQ(FakeShellReferencesHeld(), 0) << "not released";
}

// Windows shows the program, which is not DPI-aware, in logical pixels, where the window may be
// larger than the work area: it is fitted into it, the controls below the list moved up by what
// is cut and the list and its frame shortened, never below ten rows; nothing moves sideways.
TEST(MainWindow, OnAWorkAreaSmallerThanItTheWindowIsFittedAndItsListKeepsTenRows) {
  const MainWindowShape asMade = ShapeOfMainWindow(std::nullopt);
  ASSERT_EQ(asMade.controls.size(), static_cast<size_t>(kControls));
  ASSERT_EQ(asMade.wholeRows, kRowsMeasured) << "the desktop here is too small to compare with";
  const int width = asMade.window.right - asMade.window.left;
  const int height = Height(asMade.window);
  {
    SCOPED_TRACE("a work area just as large as the window, where it lies");
    const MainWindowShape fitting = ShapeOfMainWindow(asMade.window);
    EXPECT_TRUE(::EqualRect(&fitting.window, &asMade.window));
    ExpectSameRects(fitting.controls, asMade.controls);
  }
  {
    SCOPED_TRACE("large enough, below a taskbar at the top: moved into it, not cut");
    const RECT work{asMade.window.left, asMade.window.top + 40, asMade.window.left + width + 100,
                    asMade.window.top + 40 + height + 100};
    const MainWindowShape moved = ShapeOfMainWindow(work);
    const RECT expected{work.left, work.top, work.left + width, work.top + height};
    EXPECT_TRUE(::EqualRect(&moved.window, &expected));
    ExpectSameRects(moved.controls, asMade.controls);
  }
  {
    SCOPED_TRACE("too tall, by less than the list can give, and too wide");
    const int cut = 100;
    const RECT work{40, 30, 40 + width - 200, 30 + height - cut};
    const MainWindowShape fitted = ShapeOfMainWindow(work);
    EXPECT_TRUE(::EqualRect(&fitted.window, &work));
    ExpectSameRects(fitted.controls, CutBy(asMade.controls, cut));
  }
  {
    SCOPED_TRACE("far too tall: the list keeps ten rows, the window the height that takes");
    const MainWindowShape floor = ShapeOfMainWindow(RECT{0, 0, width, 200});
    EXPECT_EQ(floor.wholeRows, 10);
    ASSERT_EQ(floor.controls.size(), static_cast<size_t>(kControls));
    const int cut = Height(asMade.controls[kList]) - Height(floor.controls[kList]);
    EXPECT_EQ(Height(floor.window), height - cut);
    ExpectSameRects(floor.controls, CutBy(asMade.controls, cut));
  }
}

// The models above against Windows itself: each case asks the real, unhooked call what the model
// answers and compares. Under Wine, whose answers the models replace, they have nothing to check.
TEST(ModelOfWindows, AListControlAnswersAsTheModelThatCountsCharacters) {
  if (UnderWine()) GTEST_SKIP() << "Wine's list control is not the one modelled";
  INITCOMMONCONTROLSEX classes{sizeof classes, ICC_LISTVIEW_CLASSES};
  ::InitCommonControlsEx(&classes);
  HWND lists[2];
  for (HWND& list : lists) {
    list = ::CreateWindowExW(0, WC_LISTVIEWW, L"", LVS_REPORT, 0, 0, 300, 200, nullptr, nullptr,
                             nullptr, nullptr);
    ASSERT_NE(list, nullptr);
    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH;
    column.cx = 300;
    ::SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
  }
  g_listProc = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrW(lists[1], GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountingCharacters)));
  const std::wstring names[] = {L"服务甲乙", std::wstring(253, L'a') + L"甲", L"a\u00e9\u4e59b"};
  for (const std::wstring& name : names) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.pszText = const_cast<wchar_t*>(name.c_str());
    for (HWND list : lists)
      ::SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    for (int size : {3, 4, 5, 256, 260}) {
      SCOPED_TRACE(testing::Message() << name.size() << " characters, " << size << " bytes");
      std::string texts[2];
      LRESULT answers[2];
      for (int i = 0; i < 2; ++i) {
        texts[i].assign(size, '\x7f');
        LVITEMA asked{};
        asked.pszText = texts[i].data();
        asked.cchTextMax = size;
        answers[i] =
            ::SendMessageA(lists[i], LVM_GETITEMTEXTA, 0, reinterpret_cast<LPARAM>(&asked));
        texts[i].resize(std::strlen(texts[i].c_str()));
      }
      EXPECT_EQ(answers[0], answers[1]);
      EXPECT_EQ(texts[0], texts[1]);
    }
    for (HWND list : lists) ::SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
  }
  for (HWND list : lists) ::DestroyWindow(list);
}

TEST(ModelOfWindows, Wow64ShowsItsFoldersAndRedirectsAsModelled) {
  if (UnderWine()) GTEST_SKIP() << "Wine's WOW64 is not the one modelled";
  BOOL wow64 = FALSE;
  ::IsWow64Process(::GetCurrentProcess(), &wow64);
  if (!wow64) GTEST_SKIP() << "not a 32-bit program on 64-bit Windows (the win32 set there)";
  wchar_t system[MAX_PATH] = L"", modelled[MAX_PATH] = L"";
  ASSERT_GT(::GetSystemDirectoryW(system, MAX_PATH), 0u);
  SystemFolder(modelled, MAX_PATH);
  EXPECT_EQ(::lstrcmpiW(system, modelled), 0);
  ASSERT_GT(::GetSystemWow64DirectoryW(system, MAX_PATH), 0u);
  Wow64Folder(modelled, MAX_PATH);
  EXPECT_EQ(::lstrcmpiW(system, modelled), 0);
  // wow64.dll, WOW64's own, lies in the native System32 alone, as "native only.exe" does in the
  // model: seen through System32 only with the redirection off.
  const std::string native = "C:\\WINDOWS\\system32\\wow64.dll";
  EXPECT_EQ(::GetFileAttributesA(native.c_str()), INVALID_FILE_ATTRIBUTES);
  PVOID old = nullptr;
  ASSERT_TRUE(::Wow64DisableWow64FsRedirection(&old));
  EXPECT_NE(::GetFileAttributesA(native.c_str()), INVALID_FILE_ATTRIBUTES);
  ::Wow64RevertWow64FsRedirection(old);
}

TEST(ModelOfWindows, ConversionsToUtf8AndGb18030AnswerAsModelled) {
  if (UnderWine()) GTEST_SKIP() << "Wine's conversions are not the ones modelled";
  g_platformWideToNarrow = &::WideCharToMultiByte;
  struct Case {
    UINT codePage;
    DWORD flags;
    const wchar_t* text;
    bool askUsedDefault;
  };
  const Case cases[] = {
      {CP_UTF8, 0, L"服务", false},
      {CP_UTF8, WC_NO_BEST_FIT_CHARS, L"服务", false},
      {CP_UTF8, 0, L"服务", true},
      {CP_UTF8, WC_ERR_INVALID_CHARS, L"服\xD800", false},
      {CP_UTF8, 0, L"服\xD800", false},
      {54936, 0, L"服务", false},
      {54936, WC_NO_BEST_FIT_CHARS, L"服务", false},
      {54936, WC_ERR_INVALID_CHARS, L"服\xD800", false},
      {54936, 0, L"服\xD800务", false},
      {1252, WC_ERR_INVALID_CHARS, L"ab", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "code page " << c.codePage << ", flags " << c.flags);
    char bytes[2][16] = {};
    int lengths[2];
    DWORD errors[2];
    BOOL used[2] = {};
    for (int i = 0; i < 2; ++i) {
      const auto convert = i ? WindowsWideToNarrow : ::WideCharToMultiByte;
      ::SetLastError(0);
      lengths[i] = convert(c.codePage, c.flags, c.text, -1, bytes[i], sizeof bytes[i], nullptr,
                           c.askUsedDefault ? &used[i] : nullptr);
      errors[i] = lengths[i] ? 0 : ::GetLastError();
    }
    EXPECT_EQ(lengths[0], lengths[1]);
    EXPECT_EQ(errors[0], errors[1]);
    EXPECT_STREQ(bytes[0], bytes[1]);
  }
}
