#include "app_driver.h"

#include <commctrl.h>

#include <cstdlib>
#include <vector>

#include "res/resource.h"
#include "tests/support/job_accounting.h"

std::string DosPathOf(const std::string& hostPath) {
  if (hostPath.empty() || hostPath[0] != '/') return hostPath;
  std::string path = "Z:" + hostPath;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

std::string TestProgramFolder() {
  char path[MAX_PATH] = "";
  const std::string program(path, ::GetModuleFileNameA(nullptr, path, sizeof path));
  return program.substr(0, program.find_last_of('\\') + 1);
}

std::string SvcMgrPath() {
  // The suite runs against the program one folder up from it (the build's, or the test kit's)
  // unless told of another build of it.
  const char* other = std::getenv("SVCMGR_UNDER_TEST");
  return other && *other ? DosPathOf(other) : TestProgramFolder() + "..\\svcmgr.exe";
}

namespace {
struct WindowSearch {
  DWORD processId;
  HWND found;
};

BOOL CALLBACK FindMainWindow(HWND window, LPARAM lParam) {
  auto* search = reinterpret_cast<WindowSearch*>(lParam);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  // Found by its list rather than its caption, which reads as garbage off code page 936.
  char name[64] = "";
  char listName[64] = "";
  ::GetClassNameA(window, name, sizeof name);
  ::GetClassNameA(::GetDlgItem(window, IDC_SERVICE_LIST), listName, sizeof listName);
  if (owner == search->processId && ::IsWindowVisible(window) && std::string(name) == "#32770" &&
      std::string(listName) == WC_LISTVIEWA) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

AppDriver::~AppDriver() {
  Kill();
}

bool AppDriver::Launch(const std::string& exe, DWORD timeoutMs) {
  // The desktop's window first: under Wine each process that finds none starts a desktop process
  // of its own (win32u's get_desktop_window), so a driver and a program starting together ran two
  // for one desktop, for up to 5 s, and in one such run the program never took the click on its
  // close box. On Windows the desktop always exists.
  ::GetDesktopWindow();
  std::string commandLine = "\"" + exe + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  if (!::CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                        nullptr, nullptr, &startup, &m_process))
    return false;
  // In a job of its own from its first instruction, so the job counts every process it starts.
  m_job = ::CreateJobObjectA(nullptr, nullptr);
  if (m_job && !::AssignProcessToJobObject(m_job, m_process.hProcess)) {
    ::CloseHandle(m_job);
    m_job = nullptr;
  }
  ::ResumeThread(m_process.hThread);
  m_boxes = std::make_unique<MessageBoxWatcher>(m_process.dwProcessId);
  WindowSearch search{m_process.dwProcessId, nullptr};
  WaitUntil(
      [&] {
        ::EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr || !IsRunning();
      },
      timeoutMs);
  m_main = search.found;
  // Off code page 936 every start first shows the code-page notice, which the watcher answers as
  // a person would; it is left for the cases to read only where one asked to keep it.
  if (m_main && ::GetACP() != 936 && !m_keepCodePageNotice) {
    if (!m_boxes->WaitFor(1, timeoutMs)) return false;
    m_boxes->Take();
  }
  // Input only once the program waits for it, in front: a window just shown is still being
  // activated and drawn, and the display then stacked the main window over a menu opened at
  // once, and sent the pointer's place at the click after it, which took the menu's highlight.
  return m_main && WaitForInputIdleOf(m_process.hProcess, timeoutMs) && BringToFront(m_main);
}

bool AppDriver::IsRunning() const {
  return m_process.hProcess && ::WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT;
}

int AppDriver::ProcessesStarted() const {
  // The job holds the program itself and every process it started.
  const DWORD held = ProcessesEverIn(m_job);
  return held == MAXDWORD ? -1 : static_cast<int>(held) - 1;
}

bool AppDriver::WaitForExit(DWORD timeoutMs, DWORD* exitCode) {
  if (!m_process.hProcess || !WaitForObject(m_process.hProcess, timeoutMs)) return false;
  if (exitCode) ::GetExitCodeProcess(m_process.hProcess, exitCode);
  return true;
}

void AppDriver::Kill() {
  if (IsRunning()) {
    ::TerminateProcess(m_process.hProcess, 1);
    ::WaitForSingleObject(m_process.hProcess, 10000);
  }
  m_boxes.reset();
  if (m_process.hProcess) ::CloseHandle(m_process.hProcess);
  if (m_process.hThread) ::CloseHandle(m_process.hThread);
  if (m_job) ::CloseHandle(m_job);
  m_job = nullptr;
  m_process = {};
  m_main = nullptr;
}

bool PushButton(HWND button) {
  DWORD_PTR result = 0;
  return SendTimed(button, BM_CLICK, 0, 0, 60000, &result);
}

bool SendCommand(HWND window, WORD id, DWORD timeoutMs) {
  DWORD_PTR result = 0;
  return SendTimed(window, WM_COMMAND, id, 0, timeoutMs, &result);
}

bool FindCloseBox(HWND window, POINT* screen) {
  RECT frame{};
  if (!::GetWindowRect(window, &frame)) return false;
  auto hitAt = [window](int x, int y) {
    DWORD_PTR hit = HTNOWHERE;
    SendTimed(window, WM_NCHITTEST, 0, MAKELPARAM(x, y), 5000, &hit);
    return hit;
  };
  // The close button sits at the right end of the title bar: walk leftwards along the caption's
  // middle line, and aim at the middle of the run of points that hit it.
  const int caption = ::GetSystemMetrics(SM_CYCAPTION) + ::GetSystemMetrics(SM_CYFIXEDFRAME);
  const int y = frame.top + caption / 2;
  int right = 0;
  for (int x = frame.right - 1; x > frame.right - 200 && x > frame.left; --x) {
    const bool onClose = hitAt(x, y) == HTCLOSE;
    if (onClose && !right) right = x;
    if (!onClose && right) {
      *screen = {(x + 1 + right) / 2, y};
      return true;
    }
  }
  return false;
}
