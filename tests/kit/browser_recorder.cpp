// Started by Windows in the place of the http handler's program, as that program's debugger
// (run-tests.cmd has kit-helper name it in "Image File Execution Options"): records the address it
// was to open and, after a tab, the program that started it, the desktop's shell (explorer.exe) or
// another, in the record named first, as tests/bin/xdg-open does under Wine; the browser itself
// does not start. Windows starts it as: browser-recorder RECORD BROWSER [ARGUMENT...] ADDRESS.
#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <string>

namespace {
// The name of the program that started this one.
std::wstring ParentName() {
  HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  DWORD parent = 0;
  for (BOOL more = ::Process32FirstW(snapshot, &entry); more;
       more = ::Process32NextW(snapshot, &entry))
    if (entry.th32ProcessID == ::GetCurrentProcessId()) parent = entry.th32ParentProcessID;
  std::wstring name = L"unknown";
  for (BOOL more = ::Process32FirstW(snapshot, &entry); more;
       more = ::Process32NextW(snapshot, &entry))
    if (entry.th32ProcessID == parent) name = entry.szExeFile;
  ::CloseHandle(snapshot);
  return name;
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) return 2;
  const std::wstring line = std::wstring(argv[argc - 1]) + L"\t" + ParentName() + L"\n";
  char narrow[2048] = "";
  const int size =
      ::WideCharToMultiByte(CP_ACP, 0, line.c_str(), -1, narrow, sizeof narrow, nullptr, nullptr);
  FILE* record = _wfopen(argv[1], L"ab");
  if (!record || size <= 1) return 1;
  std::fwrite(narrow, 1, size - 1, record);
  std::fclose(record);
  return 0;
}
