#include "creation.h"

#include <cstring>

#include "framework/win_app.h"
#include "handles.h"

std::string ProgramPathToRegister(const char* path) {
  if (!std::strchr(path, ' ') || path[0] == '"') return path;
  // Looked for as the service manager, a native process, will look for it: under WOW64 this
  // process would see SysWOW64 in System32. Nothing else runs while redirection is off.
  PVOID redirection = nullptr;
  const BOOL native = ::Wow64DisableWow64FsRedirection(&redirection);
  const DWORD attributes = ::GetFileAttributesA(path);
  if (native) ::Wow64RevertWow64FsRedirection(redirection);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return path;
  return std::string("\"") + path + "\"";
}

void CreateOwnProcessService(const char* name, const char* displayName, const char* path,
                             DWORD startType) {
  ScHandle manager(Scm().OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE));
  if (!manager) AfxMessageBox("OpenSCManager Error");
  ScHandle service(Scm().CreateServiceA(manager.get(), name, displayName, SERVICE_ALL_ACCESS,
                                        SERVICE_WIN32_OWN_PROCESS, startType, SERVICE_ERROR_NORMAL,
                                        ProgramPathToRegister(path).c_str(), nullptr, nullptr,
                                        nullptr, nullptr, nullptr));
  AfxMessageBox(service ? "服务创建成功" : "服务创建失败");
}
