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

bool IsSame(const WideText& path, const WideText& other) {
  return path.size() == other.size() && IsIn(path, other);
}

WideText Expanded(const WideText& text) {
  const DWORD size = ::ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
  WideText expanded(size, L'\0');
  if (!size || ::ExpandEnvironmentStringsW(text.c_str(), expanded.data(), size) != size)
    return WideText();
  expanded.resize(size - 1);
  return expanded;
}

// `text` with the variables that hold this process's own values under WOW64 renamed to those that
// hold a native process's ("WOW64 Implementation Details"). The percent signs pair as
// ExpandEnvironmentStrings pairs them: a sign before a name no variable has stays text, and the
// sign that ends the name may open the next.
WideText WithNativeVariables(const WideText& text) {
  static const wchar_t* const kNative[][2] = {
      {L"ProgramFiles", L"ProgramW6432"},
      {L"CommonProgramFiles", L"CommonProgramW6432"},
      {L"PROCESSOR_ARCHITECTURE", L"PROCESSOR_ARCHITEW6432"}};
  WideText native;
  size_t from = 0;
  for (size_t open = text.find(L'%'); open != WideText::npos; open = text.find(L'%', from)) {
    const size_t close = text.find(L'%', open + 1);
    if (close == WideText::npos) break;
    const WideText name = text.substr(open + 1, close - open - 1);
    WideText read = name;
    for (const auto& [own, nativeName] : kNative)
      if (::CompareStringOrdinal(name.c_str(), -1, own, -1, TRUE) == CSTR_EQUAL) read = nativeName;
    const bool variable = ::GetEnvironmentVariableW(read.c_str(), nullptr, 0) > 0;
    native += text.substr(from, open - from) + L'%' + (variable ? read + L'%' : name);
    from = variable ? close + 1 : close;
  }
  return native + text.substr(from);
}

WideText WindowsFolder(const SystemFolders& folders) {
  return folders.system.substr(0, folders.system.rfind(L'\\'));
}
}  // namespace

SystemFolders ThisSystemsFolders() {
  BOOL wow64 = FALSE;
  ::IsWow64Process(::GetCurrentProcess(), &wow64);
  return {Folder(::GetSystemDirectoryW), Folder(::GetSystemWow64DirectoryW), wow64 != FALSE};
}

WideText NativePathOf(const WideText& path, const SystemFolders& folders) {
  if (!folders.underWow64 || folders.system.empty() || folders.wow64.empty()) return path;
  const WideText windows = WindowsFolder(folders);
  const WideText sysnative = windows + L"\\Sysnative";
  if (IsIn(path, sysnative)) return folders.system + path.substr(sysnative.size());
  // The one file outside the system folder that WOW64 redirects.
  if (IsSame(path, windows + L"\\regedit.exe")) return folders.wow64 + path.substr(windows.size());
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

WideText ExpandedAsNative(const WideText& text, const SystemFolders& folders) {
  return Expanded(folders.underWow64 ? WithNativeVariables(text) : text);
}

WideText TypedNativePath(const WideText& typed, const SystemFolders& folders) {
  if (!folders.underWow64 || folders.system.empty()) return typed;
  const WideText windows = WindowsFolder(folders);
  // Only the first Sysnative component can follow the Windows folder; a later one lies deeper or
  // in the arguments.
  const WideText name = L"\\Sysnative";
  const int length = static_cast<int>(name.size());
  for (size_t at = typed.find(L'\\'); at != WideText::npos; at = typed.find(L'\\', at + 1)) {
    const size_t end = at + name.size();
    if (typed.size() < end || (typed.size() > end && typed[end] != L'\\') ||
        ::CompareStringOrdinal(typed.c_str() + at, length, name.c_str(), length, TRUE) !=
            CSTR_EQUAL)
      continue;
    // The Windows folder may be typed through a variable, as %windir% or %SystemRoot%, and
    // after the quote that opens a quoted program.
    const size_t from = typed[0] == L'"';
    if (!IsSame(Expanded(typed.substr(from, at - from)), windows)) return typed;
    return typed.substr(0, at) + folders.system.substr(windows.size()) + typed.substr(end);
  }
  return typed;
}
