#include "creation.h"

#include "framework/ansi_text.h"
#include "framework/win_app.h"
#include "handles.h"
#include "wow64_path.h"

namespace {
// Whether `name`, its environment variables expanded as the manager expands the path it stores,
// is an existing file, not a folder.
bool IsFile(const WideText& name, const SystemFolders& folders) {
  const WideText expanded = ExpandedAsNative(name, folders);
  if (expanded.empty()) return false;
  // Looked for as the service manager, a native process, will look for it: under WOW64 this
  // process would see SysWOW64 in System32. Nothing else runs while redirection is off.
  PVOID redirection = nullptr;
  const BOOL native = ::Wow64DisableWow64FsRedirection(&redirection);
  const DWORD attributes = ::GetFileAttributesW(expanded.c_str());
  if (native) ::Wow64RevertWow64FsRedirection(redirection);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Whether the manager, reading an unquoted path, would start `name` as the program: a file with
// an extension, or with ".exe" added where its last component has none, as CreateProcess adds it.
bool NamesProgram(const WideText& name, const SystemFolders& folders) {
  const size_t component = name.find_last_of(L"\\/");
  const bool extension =
      name.find(L'.', component == WideText::npos ? 0 : component) != WideText::npos;
  return IsFile(extension ? name : name + L".exe", folders);
}
}  // namespace

ProgramPath ProgramPathToRegister(const char* path) {
  const SystemFolders folders = ThisSystemsFolders();
  // Typed under WOW64, Sysnative names the native System32, a folder the manager knows only as
  // System32: registered under that name, it is the program that was meant.
  const WideText typed = TypedNativePath(FromAnsi(path), folders);
  if (typed.find(L' ') == WideText::npos || typed[0] == L'"') return {ToAnsi(typed.c_str()), {}};
  // The ends of the parts that name a program, shortest first. A name that would end in a space
  // is no such end; the whole text names one also as a file without an extension.
  std::vector<size_t> ends;
  for (size_t end = typed.find(L' ');; end = typed.find(L' ', end + 1)) {
    const size_t at = end == WideText::npos ? typed.size() : end;
    const WideText name = typed.substr(0, at);
    if (at > 0 && typed[at - 1] != L' ' &&
        (NamesProgram(name, folders) || (at == typed.size() && IsFile(name, folders))))
      ends.push_back(at);
    if (end == WideText::npos) break;
  }
  if (ends.empty()) return {ToAnsi(typed.c_str()), {}};
  if (ends.size() == 1)
    return {ToAnsi((L'"' + typed.substr(0, ends[0]) + L'"' + typed.substr(ends[0])).c_str()), {}};
  ProgramPath ambiguous;
  for (size_t end : ends) ambiguous.ambiguous.push_back(ToAnsi(typed.substr(0, end).c_str()));
  return ambiguous;
}

void CreateOwnProcessService(const char* name, const char* displayName, const char* path,
                             DWORD startType) {
  const ProgramPath program = ProgramPathToRegister(path);
  if (!program.ambiguous.empty()) {
    std::string text =
        "程序路径有歧义：下列程序都存在，无法确定要运行哪一个。"
        "请用双引号括起要运行的程序，再创建。";
    for (const std::string& candidate : program.ambiguous) text += '\n' + candidate;
    AfxMessageBox(text.c_str());
    return;
  }
  ScHandle manager(Scm().OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE));
  if (!manager) AfxMessageBox("OpenSCManager Error");
  ScHandle service(Scm().CreateServiceA(manager.get(), name, displayName, SERVICE_ALL_ACCESS,
                                        SERVICE_WIN32_OWN_PROCESS, startType, SERVICE_ERROR_NORMAL,
                                        program.registered.c_str(), nullptr, nullptr, nullptr,
                                        nullptr, nullptr));
  AfxMessageBox(service ? "服务创建成功" : "服务创建失败");
}
