#pragma once
// The program runs as administrator, mostly from the folder its archive was unpacked into, where
// anything may lie. Windows looks for a DLL named without a path in the program's folder first
// (and in the current one): a DLL planted there, named as a system DLL that the program or
// Windows' own DLLs load later by name, would run as administrator.
#include <windows.h>

using SetDefaultDllDirectoriesCall = BOOL(WINAPI*)(DWORD);

// kernel32's SetDefaultDllDirectories, or null: Windows 7 has it only with update KB3063858
// (or its withdrawn predecessor KB2533623).
SetDefaultDllDirectoriesCall FindSetDefaultDllDirectories();

// True when from here on DLLs come from the system folder only. False without the call above (or
// when it fails): then the program's own folder stays first in the search, and the program must
// not go on. The current folder has left the search, and the DLLs that a message box loads by name
// were loaded from the system folder, so the notice below is safe to show.
bool LoadDllsFromSystemFolderOnly(SetDefaultDllDirectoriesCall setDefaultDllDirectories);

// Says, in Chinese and English, that the program cannot run without the update above, and why.
void NoticeDllSearchUpdateMissing();
