#pragma once
// The program runs as administrator. What it starts itself runs so too, and a browser started so
// would run every page the user then opens with the administrator's rights, maybe even as another
// account than the desktop's (a standard user who typed an administrator's password). So an
// address is opened by the desktop's own shell, which runs as the user at the desktop.

#include <windows.h>

// How long the caller waits for the desktop's shell: the time after which Windows itself calls a
// window that takes no messages hung ("IsHungAppWindow function").
constexpr DWORD kDesktopShellPatienceMs = 5000;

// Opens `address` with its default verb through the desktop's shell, shown normally. Where any
// step to that shell fails (no desktop shell runs, as in some kiosks), opens nothing: a page not
// opened is a smaller fault than a browser run as administrator. The route runs on a thread of its
// own, in an apartment of its own; the caller waits for it at most kDesktopShellPatienceMs,
// dispatching its own windows' messages meanwhile, and the thread may still be waiting on the
// shell when this returns. The process's end ends it.
void OpenAsDesktopUser(const wchar_t* address);
