#pragma once
// Registering a new own-process service.
#include <windows.h>

#include <string>

// The program path to register: a path that holds a space and names an existing file as a whole
// (as the service manager, a native process, sees the file system) is wrapped in double quotes,
// so the platform cannot take a prefix of it for the program. Every other text goes as it is.
std::string ProgramPathToRegister(const char* path);

// Creates the service and reports the outcome in the application message box.
void CreateOwnProcessService(const char* name, const char* displayName, const char* path,
                             DWORD startType);
