// What run-tests.cmd cannot do in cmd alone: whether this machine can run the suite, its platform
// header, and each level run with a time limit.
//   kit-helper check                  exit 2, with the reason, unless elevated on a visible desktop
//   kit-helper header SET             the platform, one item a line
//   kit-helper run LEVEL SECONDS OUT PROGRAM [ARGUMENT...]
//                                     runs the level, its output to OUT\LEVEL.log and its report
//                                     to OUT\LEVEL.xml; one line says how it went; exit 0 when it
//                                     passed, 3 when it was skipped
//   kit-helper recorder RECORDER RECORD
//                                     the http handler's program started as RECORDER RECORD ...
//   kit-helper restore                undoes that and a level's work area, also where a run was
//                                     cut short
#include <windows.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {
using WineVersion = const char*(__cdecl*)();

WineVersion WineVersionFunction() {
  return reinterpret_cast<WineVersion>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version")));
}

// Elevated: only an administrator's elevated token is granted all access to the service manager.
// Visible desktop: "Window Station and Desktop Creation" (WSF_VISIBLE) on learn.microsoft.com; a
// locked or disconnected session has no input desktop to drive.
int Check() {
  SC_HANDLE manager = ::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  if (!manager) return std::puts("refused: not elevated (run it as administrator)"), 2;
  ::CloseServiceHandle(manager);
  USEROBJECTFLAGS flags{};
  HDESK input = ::OpenInputDesktop(0, FALSE, GENERIC_READ);
  if (input) ::CloseDesktop(input);
  if (!::GetUserObjectInformationW(::GetProcessWindowStation(), UOI_FLAGS, &flags, sizeof flags,
                                   nullptr) ||
      !(flags.dwFlags & WSF_VISIBLE) || !input || !::GetSystemMetrics(SM_CXSCREEN))
    return std::puts("refused: no visible desktop (run it in a signed-in, unlocked session)"), 2;
  // Wine without a display answers as above, yet makes no window.
  HWND probe =
      ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  if (!probe) return std::puts("refused: no visible desktop (no window can be made)"), 2;
  ::DestroyWindow(probe);
  return 0;
}

// "RtlGetVersion function" and "GetNativeSystemInfo function" on learn.microsoft.com; the pixels
// and DPI as a DPI-aware program sees them ("SetProcessDPIAware function").
int Header(const wchar_t* set) {
  RTL_OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof version;
  using GetVersionFunction = LONG(WINAPI*)(RTL_OSVERSIONINFOW*);
  reinterpret_cast<GetVersionFunction>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")))(&version);
  wchar_t product[128] = L"";
  DWORD size = sizeof product;
  ::RegGetValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
                 L"ProductName", RRF_RT_REG_SZ, nullptr, product, &size);
  SYSTEM_INFO system{};
  ::GetNativeSystemInfo(&system);
  const bool wide = system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ||
                    system.wProcessorArchitecture == 12;  // PROCESSOR_ARCHITECTURE_ARM64
  ::SetProcessDPIAware();
  HDC screen = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
  ::ReleaseDC(nullptr, screen);
  const WineVersion wine = WineVersionFunction();
  std::printf("Windows: %lu.%lu.%lu %ls %ls\n", version.dwMajorVersion, version.dwMinorVersion,
              version.dwBuildNumber, product, version.szCSDVersion);
  std::printf("Machine: %s\n", wide ? "64-bit" : "32-bit");
  std::printf("Under Wine: %s%s\n", wine ? "yes, " : "no", wine ? wine() : "");
  std::printf("ANSI code page: %u\n", ::GetACP());
  std::printf("Screen: %d x %d, %d dpi\n", ::GetSystemMetrics(SM_CXSCREEN),
              ::GetSystemMetrics(SM_CYSCREEN), dpi);
  std::printf("Test set: %ls\n", set);
  return 0;
}

// The small screen's level runs in a work area of at most 1280 x 680, as at 150 % on a 1920 x 1080
// panel: "SystemParametersInfoW function" (SPI_SETWORKAREA) on learn.microsoft.com. The area it
// replaces is kept in the registry first, so that restore puts it back after an interrupted run.
constexpr wchar_t kKept[] = L"Software\\SvcmgrTestKit";
constexpr wchar_t kSmallLevel[] = L"e2e_small_desktop";
constexpr LONG kSmallWidth = 1280, kSmallHeight = 680;

bool ShrinkWorkArea() {
  RECT work{}, small{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  ::SetRect(&small, work.left, work.top, std::min(work.right, work.left + kSmallWidth),
            std::min(work.bottom, work.top + kSmallHeight));
  if (::EqualRect(&small, &work)) return true;
  ::RegSetKeyValueW(HKEY_CURRENT_USER, kKept, L"WorkArea", REG_BINARY, &work, sizeof work);
  ::SystemParametersInfoW(SPI_SETWORKAREA, 0, &small, SPIF_SENDCHANGE);
  // The program fits itself to its monitor's work area, which Wine 8 does not move with it.
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  ::GetMonitorInfoW(::MonitorFromRect(&small, MONITOR_DEFAULTTOPRIMARY), &monitor);
  return ::EqualRect(&monitor.rcWork, &small);
}

void RestoreWorkArea() {
  RECT kept{};
  DWORD size = sizeof kept;
  if (::RegGetValueW(HKEY_CURRENT_USER, kKept, L"WorkArea", RRF_RT_REG_BINARY, nullptr, &kept,
                     &size) == ERROR_SUCCESS &&
      size == sizeof kept)
    ::SystemParametersInfoW(SPI_SETWORKAREA, 0, &kept, SPIF_SENDCHANGE);
  ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kKept, L"WorkArea");
}

std::wstring Quoted(const wchar_t* argument) {
  return std::wcspbrk(argument, L" \t") ? L"\"" + std::wstring(argument) + L"\"" : argument;
}

// The level's processes share a job: at the time limit all of them end ("Job Objects" on
// learn.microsoft.com). Where the runner itself is in a job that allows no other (Windows 7),
// only the level's first process ends then.
int Run(const wchar_t* level, int seconds, const std::wstring& out, int count, wchar_t** program) {
  // GoogleTest names its report by the ANSI code page, which may not hold OUT's name: it writes to
  // the temporary folder, and the report is moved to OUT\LEVEL.xml.
  wchar_t temporary[MAX_PATH] = L"";
  ::GetTempPathW(MAX_PATH, temporary);
  const std::wstring written = temporary + (L"svcmgr-" + std::wstring(level)) + L".xml";
  const std::wstring reportPath = out + L"\\" + level + L".xml";
  ::DeleteFileW(written.c_str());
  ::DeleteFileW(reportPath.c_str());
  std::wstring commandLine;
  for (int i = 0; i < count; ++i) commandLine += Quoted(program[i]) + L" ";
  commandLine += Quoted((L"--gtest_output=xml:" + written).c_str());
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE log = ::CreateFileW((out + L"\\" + level + L".log").c_str(), GENERIC_WRITE,
                             FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = startup.hStdError = log;
  PROCESS_INFORMATION process{};
  const bool small = level == std::wstring(kSmallLevel);
  if (small) {
    ::SetEnvironmentVariableW(L"SVCMGR_SMALL_DESKTOP", L"1280x680");  // the case's to check
    if (!ShrinkWorkArea()) {
      RestoreWorkArea();
      std::printf(
          "%ls: skipped: the work area cannot be made 1280 x 680 here (under Wine: a desktop "
          "of that size)\n",
          level);
      return 3;
    }
  }
  const DWORD start = ::GetTickCount();
  HANDLE job = ::CreateJobObjectW(nullptr, nullptr);
  if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED,
                        nullptr, nullptr, &startup, &process))
    return std::printf("%ls: failed (could not start %ls)\n", level, program[0]), 1;
  ::AssignProcessToJobObject(job, process.hProcess);
  ::ResumeThread(process.hThread);
  const bool ended = ::WaitForSingleObject(process.hProcess, seconds * 1000) == WAIT_OBJECT_0;
  if (!ended) ::TerminateJobObject(job, 1), ::TerminateProcess(process.hProcess, 1);
  if (small) RestoreWorkArea();
  DWORD exitCode = 1;
  ::GetExitCodeProcess(process.hProcess, &exitCode);
  const double taken = (::GetTickCount() - start) / 1000.0;
  // The cases GoogleTest ran and skipped, from its report.
  ::MoveFileExW(written.c_str(), reportPath.c_str(), MOVEFILE_COPY_ALLOWED);
  std::ifstream report(reportPath.c_str());
  std::stringstream text;
  text << report.rdbuf();
  const std::string xml = text.str();
  int cases = 0, skipped = 0;
  for (size_t at = 0; (at = xml.find("<testcase ", at)) != std::string::npos; ++at) ++cases;
  for (size_t at = 0; (at = xml.find("result=\"skipped\"", at)) != std::string::npos; ++at)
    ++skipped;
  if (!ended)
    std::printf("%ls: failed (timed out after %d s)\n", level, seconds);
  else
    std::printf("%ls: %s (%.1f s, %d cases, %d skipped%s)\n", level,
                exitCode == 0 ? "passed" : "failed", taken, cases, skipped,
                exitCode == 0 ? "" : ", see its .log and .xml");
  return ended && exitCode == 0 ? 0 : 1;
}
// The browser's stand-in: the http handler's program ("AssocQueryStringW function") gets a
// debugger, which Windows starts in its place with its command line ("How to: Launch the Debugger
// Automatically", learn.microsoft.com). Marked as ours, and 1 where the key is new.
constexpr wchar_t kOptions[] =
    L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options";
constexpr wchar_t kMark[] = L"SvcmgrTestKit";

int Recorder(const wchar_t* recorder, const wchar_t* record) {
  wchar_t program[MAX_PATH] = L"";
  DWORD size = MAX_PATH;
  if (::AssocQueryStringW(ASSOCF_INIT_IGNOREUNKNOWN, ASSOCSTR_EXECUTABLE, L"http", L"open", program,
                          &size) != S_OK)
    return std::puts("Browser record: none (no http handler)"), 1;
  const wchar_t* name = std::wcsrchr(program, L'\\') ? std::wcsrchr(program, L'\\') + 1 : program;
  HKEY key = nullptr;
  DWORD created = 0;
  if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, (std::wstring(kOptions) + L"\\" + name).c_str(), 0,
                        nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key, &created) ||
      ::RegQueryValueExW(key, L"Debugger", nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS)
    return std::printf("Browser record: none (%ls has a debugger)\n", name), 1;
  const std::wstring debugger = L"\"" + std::wstring(recorder) + L"\" \"" + record + L"\"";
  created = created == REG_CREATED_NEW_KEY;
  ::RegSetValueExW(key, kMark, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&created),
                   sizeof created);
  ::RegSetValueExW(key, L"Debugger", 0, REG_SZ, reinterpret_cast<const BYTE*>(debugger.c_str()),
                   static_cast<DWORD>((debugger.size() + 1) * sizeof(wchar_t)));
  ::RegCloseKey(key);
  return std::printf("Browser record: a recorder started in place of %ls\n", name), 0;
}

int Restore() {
  RestoreWorkArea();
  HKEY options = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kOptions, 0, KEY_READ | KEY_WRITE, &options)) return 0;
  std::vector<std::wstring> names;
  wchar_t name[MAX_PATH];
  for (DWORD i = 0, size = MAX_PATH;
       ::RegEnumKeyExW(options, i, name, &size, nullptr, nullptr, nullptr, nullptr) == 0;
       ++i, size = MAX_PATH)
    names.push_back(name);
  for (const std::wstring& program : names) {
    DWORD created = 0, size = sizeof created;
    if (::RegGetValueW(options, program.c_str(), kMark, RRF_RT_REG_DWORD, nullptr, &created, &size))
      continue;
    if (created) {
      ::RegDeleteKeyW(options, program.c_str());
    } else {
      ::RegDeleteKeyValueW(options, program.c_str(), L"Debugger");
      ::RegDeleteKeyValueW(options, program.c_str(), kMark);
    }
  }
  ::RegCloseKey(options);
  return 0;
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring verb = argc > 1 ? argv[1] : L"";
  if (verb == L"check") return Check();
  if (verb == L"header" && argc == 3) return Header(argv[2]);
  if (verb == L"recorder" && argc == 4) return Recorder(argv[2], argv[3]);
  if (verb == L"restore") return Restore();
  if (verb == L"run" && argc > 5) return Run(argv[2], _wtoi(argv[3]), argv[4], argc - 5, argv + 5);
  std::fputs(
      "usage: kit-helper check | header SET | run LEVEL SECONDS OUT PROGRAM... | "
      "recorder RECORDER RECORD | restore\n",
      stderr);
  return 3;
}
