#pragma once
// Starts svcmgr.exe (this build's, or the one SVCMGR_UNDER_TEST names) and drives it from
// outside, as a person would: finds its main window, presses its buttons and keys, and watches
// the process end. Every message box it shows is recorded and answered with OK, so none can
// stall a test.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/message_boxes.h"
#include "tests/support/time_scale.h"

// The program under test, as a Windows path: the one built with the suite, or the one that
// SVCMGR_UNDER_TEST names (a host path).
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

  DWORD ProcessId() const { return m_process.dwProcessId; }
  HWND MainWindow() const { return m_main; }
  HWND Control(int id) const { return ::GetDlgItem(m_main, id); }
  bool IsRunning() const;
  // The message boxes this process showed, each already answered with OK.
  MessageBoxWatcher& Boxes() { return *m_boxes; }

  // True once the process has ended within the time; its exit code goes to `exitCode`.
  bool WaitForExit(DWORD timeoutMs, DWORD* exitCode = nullptr);
  void Kill();

 private:
  PROCESS_INFORMATION m_process{};
  HWND m_main = nullptr;
  std::unique_ptr<MessageBoxWatcher> m_boxes;
};

// One key going down or up, and one mouse event at a screen point, for SendInput.
INPUT Key(WORD virtualKey, bool up);
INPUT Mouse(DWORD flags, POINT screen = {});
// Hands the inputs to the system's input queue in one go.
bool SendInputs(std::vector<INPUT> inputs);

// Input as a person gives it. Keys and clicks go through the system's input queue to whichever
// window is in front, so each first brings the target's top-level window to the front.
bool BringToFront(HWND window);
bool PressKey(HWND window, WORD virtualKey, WORD modifier = 0);
// Moves the pointer to the screen point and waits until the system has it there.
bool PointAt(POINT screen);
bool ClickAt(HWND window, POINT screen, bool right = false);
// Chooses the `index`th entry (separators not counted) of the popup menu window `menu` that
// `owner` shows, as a person does with the pointer resting on the menu: Down key by key, checking
// on the screen which entry each highlighted, then a click on the entry found; true once the
// menu has ended.
bool ChooseMenuEntry(HWND owner, HWND menu, int index, DWORD timeoutMs);
// A click on a button by message, as the dialog manager sends it; returns once it is handled.
bool PushButton(HWND button);

// A point on `window`'s caption close button, in screen coordinates, found by asking the window
// what lies under each point of its title bar.
bool FindCloseBox(HWND window, POINT* screen);
