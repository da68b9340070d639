#include "creation.h"

#include "framework/win_app.h"
#include "handles.h"

namespace {
// Whether `name`, its environment variables expanded as the manager expands the path it stores,
// is an existing file, not a folder.
bool IsFile(const std::string& name) {
  char expanded[MAX_PATH];
  const DWORD length = ::ExpandEnvironmentStringsA(name.c_str(), expanded, sizeof expanded);
  if (!length || length > sizeof expanded) return false;
  // Looked for as the service manager, a native process, will look for it: under WOW64 this
  // process would see SysWOW64 in System32. Nothing else runs while redirection is off.
  PVOID redirection = nullptr;
  const BOOL native = ::Wow64DisableWow64FsRedirection(&redirection);
  const DWORD attributes = ::GetFileAttributesA(expanded);
  if (native) ::Wow64RevertWow64FsRedirection(redirection);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Whether the manager, reading an unquoted path, would start `name` as the program: a file with
// an extension, or with ".exe" added where its last component has none, as CreateProcess adds it.
bool NamesProgram(const std::string& name) {
  // By characters: in code page 936 a trail byte can be a backslash.
  bool extension = false;
  for (const char* c = name.c_str(); *c; c = ::CharNextA(c)) {
    if (*c == '\\' || *c == '/') extension = false;
    if (*c == '.') extension = true;
  }
  return IsFile(extension ? name : name + ".exe");
}
}  // namespace

std::string ProgramPathToRegister(const char* path) {
  const std::string typed = path;
  if (typed.find(' ') == std::string::npos || typed[0] == '"') return typed;
  if (IsFile(typed)) return '"' + typed + '"';
  // The manager reads an unquoted path as CreateProcess reads a command line: the program's name
  // may end at any space, and the shortest name that is a file wins. So the longest that is one
  // is quoted, and what follows it stays as its arguments; a file planted at a shorter name then
  // never runs in its place. A name that would end in a space is no such end.
  for (size_t end = typed.size(); end != std::string::npos && end > 0;
       end = typed.rfind(' ', end - 1)) {
    if (typed[end - 1] != ' ' && NamesProgram(typed.substr(0, end)))
      return '"' + typed.substr(0, end) + '"' + typed.substr(end);
  }
  return typed;
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
