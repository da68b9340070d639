#pragma once
// The program runs as administrator, mostly from the folder its archive was unpacked into, where
// anything may lie. Windows looks for a DLL named without a path in the program's folder first
// (and in the current one): a DLL planted there, named as a system DLL that Windows' own DLLs
// load later by name, would run as administrator.
#include <windows.h>

using SetDefaultDllDirectoriesCall = BOOL(WINAPI*)(DWORD);

// kernel32's SetDefaultDllDirectories, or null: Windows 7 has it only with update KB2533623.
SetDefaultDllDirectoriesCall FindSetDefaultDllDirectories();

// From here on, DLLs come from the system folder only. Without the call above, the current folder
// leaves the search and the DLLs that the program and Windows' own DLLs load later by name are
// loaded now, from the system folder, so a later load by name finds them loaded.
void LoadDllsFromSystemFolderOnly(SetDefaultDllDirectoriesCall setDefaultDllDirectories);
