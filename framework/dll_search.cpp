#include "dll_search.h"

#include <delayimp.h>

namespace {
bool g_systemFolderOnly = false;

// The program's own delay-loaded DLLs, then those that Windows' DLLs load by name after the start:
// theming, the open dialog and its shell helpers, the shell and COM.
const char* const kLateDlls[] = {"comdlg32.dll", "shell32.dll", "ole32.dll",     "uxtheme.dll",
                                 "dwmapi.dll",   "propsys.dll", "cryptbase.dll", "version.dll",
                                 "userenv.dll",  "clbcatq.dll", "oleacc.dll",    "apphelp.dll",
                                 "setupapi.dll", "profapi.dll"};

// Loads `name` (plain ASCII) from the system folder, by its full path.
HMODULE LoadFromSystemFolder(const char* name) {
  wchar_t path[MAX_PATH];
  UINT length = ::GetSystemDirectoryW(path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  path[length++] = L'\\';
  for (; *name && length < MAX_PATH - 1; ++name) path[length++] = static_cast<wchar_t>(*name);
  if (*name) return nullptr;
  path[length] = L'\0';
  // Without the default directories, the DLL's own imports are looked for beside it first.
  return ::LoadLibraryExW(path, nullptr, g_systemFolderOnly ? 0 : LOAD_WITH_ALTERED_SEARCH_PATH);
}

// The delay-load helper would load the program's own delay-loaded DLLs by name: it gets them from
// the system folder instead, or stops as it does when a DLL is missing.
FARPROC WINAPI BeforeDelayLoad(unsigned notification, PDelayLoadInfo info) {
  if (notification != dliNotePreLoadLibrary) return nullptr;
  if (HMODULE module = LoadFromSystemFolder(info->szDll)) return reinterpret_cast<FARPROC>(module);
  ULONG_PTR argument = reinterpret_cast<ULONG_PTR>(info);
  ::RaiseException(VcppException(ERROR_SEVERITY_ERROR, ERROR_MOD_NOT_FOUND), 0, 1, &argument);
  return nullptr;
}
}  // namespace

PfnDliHook __pfnDliNotifyHook2 = BeforeDelayLoad;

SetDefaultDllDirectoriesCall FindSetDefaultDllDirectories() {
  HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll");
  // Through void*: a FARPROC takes no arguments, and casting it straight is a warning.
  return kernel32 ? reinterpret_cast<SetDefaultDllDirectoriesCall>(reinterpret_cast<void*>(
                        ::GetProcAddress(kernel32, "SetDefaultDllDirectories")))
                  : nullptr;
}

void LoadDllsFromSystemFolderOnly(SetDefaultDllDirectoriesCall setDefaultDllDirectories) {
  g_systemFolderOnly =
      setDefaultDllDirectories && setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (g_systemFolderOnly) return;
  ::SetDllDirectoryW(L"");
  for (const char* name : kLateDlls) LoadFromSystemFolder(name);  // one missing is skipped
}
