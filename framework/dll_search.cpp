#include "dll_search.h"

namespace {
// DLLs that Windows' own DLLs load by name after the start (a message box's theming among them),
// the shell and COM. Loaded now, from the system folder, they are found loaded by such a load.
const char* const kLateDlls[] = {"comdlg32.dll", "shell32.dll", "ole32.dll",     "uxtheme.dll",
                                 "dwmapi.dll",   "propsys.dll", "cryptbase.dll", "version.dll",
                                 "userenv.dll",  "clbcatq.dll", "oleacc.dll",    "apphelp.dll",
                                 "setupapi.dll", "profapi.dll"};

// Loads `name` (plain ASCII) from the system folder, by its full path; the DLL's own imports are
// looked for beside it first.
void LoadFromSystemFolder(const char* name) {
  wchar_t path[MAX_PATH];
  UINT length = ::GetSystemDirectoryW(path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  path[length++] = L'\\';
  for (; *name && length < MAX_PATH - 1; ++name) path[length++] = static_cast<wchar_t>(*name);
  if (*name) return;
  path[length] = L'\0';
  ::LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);  // one missing is skipped
}
}  // namespace

SetDefaultDllDirectoriesCall FindSetDefaultDllDirectories() {
  HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll");
  // Through void*: a FARPROC takes no arguments, and casting it straight is a warning.
  return kernel32 ? reinterpret_cast<SetDefaultDllDirectoriesCall>(reinterpret_cast<void*>(
                        ::GetProcAddress(kernel32, "SetDefaultDllDirectories")))
                  : nullptr;
}

bool LoadDllsFromSystemFolderOnly(SetDefaultDllDirectoriesCall setDefaultDllDirectories) {
  // With the default directories in force, the delay-load helper's loads by name search the
  // system folder alone.
  if (setDefaultDllDirectories && setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32))
    return true;
  ::SetDllDirectoryW(L"");
  for (const char* name : kLateDlls) LoadFromSystemFolder(name);
  return false;
}

void NoticeDllSearchUpdateMissing() {
  // Wide text, which every code page shows whole; before the code page is checked.
  ::MessageBoxW(
      nullptr,
      L"本程序需要 Windows 7 SP1 的安全更新 KB3063858（或其前身 KB2533623），本系统未安装，"
      L"程序将退出。\n"
      L"本程序以管理员身份运行。没有此更新，程序无法阻止 Windows 从程序所在的文件夹加载 DLL："
      L"放在那里、与系统 DLL 同名的 DLL 会以管理员权限运行。请通过 Windows 更新安装 KB3063858，"
      L"然后重新运行本程序。\n\n"
      L"This program needs security update KB3063858 for Windows 7 SP1 (or its predecessor "
      L"KB2533623), which this system lacks, so it ends now.\n"
      L"The program runs as administrator. Without the update it cannot keep Windows from loading "
      L"DLLs from the program's own folder: a DLL placed there under a system DLL's name would run "
      L"with administrator rights. Install KB3063858 through Windows Update, then start the "
      L"program again.",
      nullptr, MB_OK | MB_ICONERROR);
}
