#include "privilege.h"

#include "handles.h"

bool EnableDebugPrivilege() {
  TokenHandle token;
  if (!Scm().OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, token.receive()))
    return false;
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  Scm().LookupPrivilegeValueA(nullptr, "SeDebugPrivilege", &privileges.Privileges[0].Luid);
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  Scm().AdjustTokenPrivileges(token.get(), FALSE, &privileges, sizeof privileges, nullptr, nullptr);
  return ::GetLastError() == ERROR_SUCCESS;
}
