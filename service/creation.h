#pragma once
// Registering a new own-process service.
#include <windows.h>

#include <string>

// The program path to register. In an unquoted text with a space, the longest part before a space
// (or the whole) that names a program, as the service manager, a native process, sees the file
// system, is wrapped in double quotes as typed, so that the platform cannot take a shorter prefix
// of it for the program; the rest follows as it is. Every other text goes as it is.
std::string ProgramPathToRegister(const char* path);

// Creates the service and reports the outcome in the application message box.
void CreateOwnProcessService(const char* name, const char* displayName, const char* path,
                             DWORD startType);
