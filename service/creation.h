#pragma once
// Registering a new own-process service.
#include <windows.h>

#include <string>
#include <vector>

// Which program a typed path registers. The service manager, a native process, reads an unquoted
// path as CreateProcess reads a command line: the program's name may end at any space, and the
// shortest name that is a file wins. So where exactly one part of an unquoted text with a space
// (each part before a space, and the whole) names a file, that part is quoted as typed and the
// rest follows; where none does, or the text is quoted or has no space, it goes as typed; where
// several do, nothing may be registered, for the text does not say which is meant.
struct ProgramPath {
  std::string registered;
  // The parts that name a file, as typed, shortest first, where there are two or more.
  std::vector<std::string> ambiguous;
};
ProgramPath ProgramPathToRegister(const char* typed);

// Creates the service and reports the outcome in the application message box; a program path that
// names several programs creates nothing, and the box lists them.
void CreateOwnProcessService(const char* name, const char* displayName, const char* path,
                             DWORD startType);
