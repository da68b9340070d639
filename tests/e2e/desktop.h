#pragma once
// What a person sees of the program beyond its main window and does to it: its other top-level
// windows (the popup menu, dialogs), the text in their boxes, typing and clicks with Ctrl held.
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

// Types `text` (code page 936, or wide) as keystrokes of its characters into whatever has the
// focus in `window`'s top-level window.
bool TypeText(HWND window, const std::string& text);
bool TypeText(HWND window, const std::wstring& text);
// A left click with Ctrl held, which adds a row to a list's selection.
bool CtrlClickAt(HWND window, POINT screen);
// The middle of a window, in screen coordinates.
POINT CenterOf(HWND window);

// The file-open dialog that a click on the create dialog's "..." button opens; null when none
// came in time.
HWND OpenFileDialog(DWORD processId, HWND createDialog, DWORD timeoutMs);
