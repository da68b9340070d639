#pragma once
// The program runs as administrator. What it starts itself runs so too, and a browser started so
// would run every page the user then opens with the administrator's rights, maybe even as another
// account than the desktop's (a standard user who typed an administrator's password). So an
// address is opened by the desktop's own shell, which runs as the user at the desktop.

// Opens `address` with its default verb through the desktop's shell, shown normally. Where any
// step to that shell fails (no desktop shell runs, as in some kiosks), opens nothing: a page not
// opened is a smaller fault than a browser run as administrator. Needs no COM set up before.
void OpenAsDesktopUser(const wchar_t* address);
