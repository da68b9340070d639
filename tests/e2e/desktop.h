#pragma once
// What a person sees of the program beyond its main window: its other top-level windows (the
// popup menu, dialogs) and the text in their boxes. (What a person does to them: input.h.)
#include <windows.h>

#include <string>
#include <vector>

// The visible top-level window of the process with this class and, unless null, this caption.
HWND FindProcessWindow(DWORD processId, const char* className, const char* caption = nullptr);
// Waits until such a window is shown; null when none came in time.
HWND WaitForProcessWindow(DWORD processId, const char* className, const char* caption,
                          DWORD timeoutMs);
// The visible dialog windows of the process that are owned by `owner`.
std::vector<HWND> DialogsOwnedBy(DWORD processId, HWND owner);

// The text of a window of another process, asked of the window itself (an edit box's contents).
std::string WindowText(HWND window);
bool SetWindowTextRemote(HWND window, const std::string& text);
bool IsChecked(HWND button);

// Text in code page 936 as the system's wide text.
std::wstring Widen(const std::string& text);
// The window's text as it holds it, whatever the code page can hold.
std::wstring WindowTextW(HWND window);

// The middle of a window, in screen coordinates.
POINT CenterOf(HWND window);

// The file-open dialog that a click on the create dialog's "..." button opens; null when none
// came in time.
HWND OpenFileDialog(DWORD processId, HWND createDialog, DWORD timeoutMs);
