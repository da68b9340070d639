#pragma once
// Input as a person gives it, through the system's input queue: keys, typed text, the pointer,
// clicks, and the choice of a popup menu's entry.
#include <windows.h>

#include <string>
#include <vector>

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
// Types `text` (code page 936, or wide) as keystrokes of its characters into whatever has the
// focus in `window`'s top-level window.
bool TypeText(HWND window, const std::string& text);
bool TypeText(HWND window, const std::wstring& text);
// A left click with Ctrl held, which adds a row to a list's selection.
bool CtrlClickAt(HWND window, POINT screen);
