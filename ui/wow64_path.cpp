#include "wow64_path.h"

#include <windows.h>

namespace {
// Subfolders of System32 that WOW64 does not redirect.
const wchar_t* const kNotRedirected[] = {L"catroot",     L"catroot2", L"drivers\\etc",
                                         L"DriverStore", L"LogFiles", L"spool"};

WideText Folder(UINT(WINAPI* get)(LPWSTR, UINT)) {
  wchar_t folder[MAX_PATH];
  const UINT length = get(folder, MAX_PATH);
  return length && length < MAX_PATH ? WideText(folder, length) : WideText();
}

// Whether `path` is `folder` or lies in it, comparing whole components and ignoring case as the
// file system does.
bool IsIn(const WideText& path, const WideText& folder) {
  const int length = static_cast<int>(folder.size());
  return length && path.size() >= folder.size() &&
         (path.size() == folder.size() || path[length] == L'\\') &&
         ::CompareStringOrdinal(path.c_str(), length, folder.c_str(), length, TRUE) == CSTR_EQUAL;
}
}  // namespace

SystemFolders ThisSystemsFolders() {
  BOOL wow64 = FALSE;
  ::IsWow64Process(::GetCurrentProcess(), &wow64);
  return {Folder(::GetSystemDirectoryW), Folder(::GetSystemWow64DirectoryW), wow64 != FALSE};
}

WideText NativePathOf(const WideText& path, const SystemFolders& folders) {
  if (!folders.underWow64 || folders.system.empty() || folders.wow64.empty()) return path;
  const WideText windows = folders.system.substr(0, folders.system.rfind(L'\\'));
  const WideText sysnative = windows + L"\\Sysnative";
  if (IsIn(path, sysnative)) return folders.system + path.substr(sysnative.size());
  // The last known good copy of the system folder is redirected as the folder is.
  const WideText lastGood = windows + L"\\lastgood\\system32";
  if (IsIn(path, lastGood))
    return windows + L"\\lastgood" + folders.wow64.substr(folders.wow64.rfind(L'\\')) +
           path.substr(lastGood.size());
  if (!IsIn(path, folders.system)) return path;
  for (const wchar_t* folder : kNotRedirected)
    if (IsIn(path, folders.system + L'\\' + folder)) return path;
  return folders.wow64 + path.substr(folders.system.size());
}
