#pragma once
// The main window is larger than the work area at 150 % on a 1920 x 1080 panel (and at 200 % on
// 2560 x 1440), the program not being DPI-aware: placed as its template says, its buttons would
// lie under the taskbar, out of the pointer's reach.
#include <windows.h>

// Where the dialog does not lie wholly in the work area of its monitor, puts it at the work area's
// top-left corner, no wider and no taller than the work area. What is cut from its height is taken
// from `list`: the controls below the list move up by as much, and the list and the frame around it
// are shortened, the list keeping room for ten rows (the window is then as tall as that needs).
// Nothing moves sideways. Where the dialog lies in the work area, nothing changes.
void FitToWorkArea(HWND dialog, HWND list);
