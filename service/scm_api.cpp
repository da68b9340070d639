#include "scm_api.h"

const ScmApi& PlatformScm() {
  static const ScmApi platform{
      ::OpenSCManagerA,        ::EnumServicesStatusA,  ::OpenServiceA,
      ::QueryServiceConfigA,   ::QueryServiceStatus,   ::ControlService,
      ::StartServiceA,         ::DeleteService,        ::LockServiceDatabase,
      ::UnlockServiceDatabase, ::ChangeServiceConfigA, ::CreateServiceA,
      ::CloseServiceHandle,    ::OpenProcessToken,     ::LookupPrivilegeValueA,
      ::AdjustTokenPrivileges, ::CloseHandle,
  };
  return platform;
}

ScmApi& Scm() {
  static ScmApi inForce = PlatformScm();
  return inForce;
}
