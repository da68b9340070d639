#pragma once
// Starts svcmgr.exe (the one above the test programs, or the one SVCMGR_UNDER_TEST names) and
// drives it from outside, as a person would: finds its main window, presses its buttons and keys,
// and watches the process end. Every message box it shows is recorded and answered with OK, so none
// can stall a test.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "input.h"
#include "tests/support/message_boxes.h"
#include "tests/support/time_scale.h"

// The folder of the running test program, with its closing backslash.
std::string TestProgramFolder();

// The program under test, as a Windows path: svcmgr.exe in the folder above the test programs, or
// the one that SVCMGR_UNDER_TEST names (a host path or a Windows one).
std::string SvcMgrPath();

// A host path as Wine shows it on its Z: drive.
std::string DosPathOf(const std::string& hostPath);

class AppDriver {
 public:
  AppDriver() = default;
  AppDriver(const AppDriver&) = delete;
  AppDriver& operator=(const AppDriver&) = delete;
  // A process still running is killed: no test leaves one behind.
  ~AppDriver();

  // Starts the program (a Windows path) and waits until its main window, the dialog that holds
  // the service list, is shown.
  bool Launch(const std::string& exe = SvcMgrPath(), DWORD timeoutMs = 30000);

  // Leaves the code-page notice (off code page 936) among the boxes the next Launch records.
  void KeepCodePageNotice() { m_keepCodePageNotice = true; }

  DWORD ProcessId() const { return m_process.dwProcessId; }
  HWND MainWindow() const { return m_main; }
  HWND Control(int id) const { return ::GetDlgItem(m_main, id); }
  bool IsRunning() const;
  // The message boxes this process showed, each already answered with OK.
  MessageBoxWatcher& Boxes() { return *m_boxes; }

  // The processes the program started (its children and theirs, any time), or -1 where it could
  // not be put in a job of its own (Windows 7 in a job that allows no other).
  int ProcessesStarted() const;
  // True once the process has ended within the time; its exit code goes to `exitCode`.
  bool WaitForExit(DWORD timeoutMs, DWORD* exitCode = nullptr);
  void Kill();

 private:
  PROCESS_INFORMATION m_process{};
  HANDLE m_job = nullptr;
  bool m_keepCodePageNotice = false;
  HWND m_main = nullptr;
  std::unique_ptr<MessageBoxWatcher> m_boxes;
};

// A click on a button by message, as the dialog manager sends it; returns once it is handled.
bool PushButton(HWND button);
// A command as a menu entry or a button sends it; returns once the window has handled it, every
// message box it showed answered by then.
bool SendCommand(HWND window, WORD id, DWORD timeoutMs = 60000);

// A point on `window`'s caption close button, in screen coordinates, found by asking the window
// what lies under each point of its title bar.
bool FindCloseBox(HWND window, POINT* screen);
