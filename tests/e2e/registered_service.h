#pragma once
// Services as the manager holds them, read straight through advapi32, and the removal of the
// services the program under test registers.
#include <windows.h>

#include <string>
#include <vector>

struct RegisteredService {
  DWORD state = 0;
  DWORD processId = 0;
  std::string displayName;
  DWORD type = 0;
  DWORD startType = 0;
  DWORD errorControl = 0;
  std::string path;
};

// False when the manager knows no service of that name (or cannot read it).
bool ReadRegisteredService(const std::string& name, RegisteredService* service);
// Registers an own-process service and keeps no handle to it, so that a deletion takes it out
// of the manager at once; false when the manager refuses.
bool RegisterService(const std::string& name, const std::string& displayName,
                     const std::string& path, DWORD startType);
// Starts the service and waits until it runs.
bool StartRegisteredService(const std::string& name, DWORD timeoutMs);
// Waits until the service reports `state`.
bool WaitForServiceState(const std::string& name, DWORD state, DWORD timeoutMs);
// Whether the manager still lists the name among its Win32 services.
bool IsListedByManager(const std::string& name);

// Ends and deletes, when it goes, every service named to it that still exists, so that a test
// that fails half-way leaves nothing registered.
class RemoveOnExit {
 public:
  RemoveOnExit() = default;
  RemoveOnExit(const RemoveOnExit&) = delete;
  RemoveOnExit& operator=(const RemoveOnExit&) = delete;
  ~RemoveOnExit();

  std::string Add(const std::string& name);

 private:
  std::vector<std::string> m_names;
};
