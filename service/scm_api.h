#pragma once
// The seam between the service logic and the platform: every Service Control Manager and
// access-token call goes through this table. It holds advapi32's functions unless a test puts
// its own in their place.
#include <windows.h>

struct ScmApi {
  SC_HANDLE(WINAPI* OpenSCManagerA)(LPCSTR machine, LPCSTR database, DWORD access);
  BOOL(WINAPI* EnumServicesStatusA)
  (SC_HANDLE manager, DWORD type, DWORD state, LPENUM_SERVICE_STATUSA buffer, DWORD size,
   LPDWORD needed, LPDWORD returned, LPDWORD resume);
  SC_HANDLE(WINAPI* OpenServiceA)(SC_HANDLE manager, LPCSTR name, DWORD access);
  BOOL(WINAPI* QueryServiceConfigA)
  (SC_HANDLE service, LPQUERY_SERVICE_CONFIGA config, DWORD size, LPDWORD needed);
  BOOL(WINAPI* QueryServiceStatus)(SC_HANDLE service, LPSERVICE_STATUS status);
  BOOL(WINAPI* ControlService)(SC_HANDLE service, DWORD control, LPSERVICE_STATUS status);
  BOOL(WINAPI* StartServiceA)(SC_HANDLE service, DWORD argc, LPCSTR* argv);
  BOOL(WINAPI* DeleteService)(SC_HANDLE service);
  SC_LOCK(WINAPI* LockServiceDatabase)(SC_HANDLE manager);
  BOOL(WINAPI* UnlockServiceDatabase)(SC_LOCK lock);
  BOOL(WINAPI* ChangeServiceConfigA)
  (SC_HANDLE service, DWORD type, DWORD start, DWORD errorControl, LPCSTR path, LPCSTR group,
   LPDWORD tag, LPCSTR dependencies, LPCSTR account, LPCSTR password, LPCSTR displayName);
  SC_HANDLE(WINAPI* CreateServiceA)
  (SC_HANDLE manager, LPCSTR name, LPCSTR displayName, DWORD access, DWORD type, DWORD start,
   DWORD errorControl, LPCSTR path, LPCSTR group, LPDWORD tag, LPCSTR dependencies, LPCSTR account,
   LPCSTR password);
  BOOL(WINAPI* CloseServiceHandle)(SC_HANDLE handle);
  BOOL(WINAPI* OpenProcessToken)(HANDLE process, DWORD access, PHANDLE token);
  BOOL(WINAPI* LookupPrivilegeValueA)(LPCSTR system, LPCSTR name, PLUID luid);
  BOOL(WINAPI* AdjustTokenPrivileges)
  (HANDLE token, BOOL disableAll, PTOKEN_PRIVILEGES state, DWORD size, PTOKEN_PRIVILEGES previous,
   PDWORD returned);
  BOOL(WINAPI* CloseHandle)(HANDLE handle);
};

// The calls in force.
ScmApi& Scm();
// The platform's own calls.
const ScmApi& PlatformScm();
