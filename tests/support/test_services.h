#pragma once
// Real services of the local manager for tests, driven straight through advapi32 so that what
// the tests set up and read back does not depend on the code under test. Every wait here is on
// the manager's own answer.
#include <windows.h>

#include <string>
#include <vector>

// testsvc.exe in the folder of the running test program.
std::string TestServiceProgram();
// `path` in double quotes, as an image path whose folder may hold spaces.
std::string Quoted(const std::string& path);
// A name no other live test process uses and no earlier run left behind: the prefix, this
// process's id and a counter, e.g. "it-4711-12".
std::string UniqueServiceName(const std::string& prefix);
// Stops and deletes the services named "<prefix>-<pid>-..." whose process no longer runs, so a
// run that was killed does not leave its services in the prefix for good.
void RemoveLeftoverServices(const std::string& prefix);

// One Win32 service as the manager holds it.
struct ScmService {
  std::string name;
  std::string displayName;
  DWORD state = 0;
  DWORD processId = 0;
  bool configRead = false;  // the fields below are meaningful only when true
  DWORD type = 0;
  DWORD startType = 0;
  DWORD errorControl = 0;
  std::string path;
};
// The run-state and start-type texts the list shows for a service.
std::string ExpectedRunStateText(DWORD state);
std::string ExpectedStartTypeText(const ScmService& service);

// Every Win32 service of the local manager, each read with its configuration. Empty, with a
// test failure added, when the manager cannot be opened or enumerated.
std::vector<ScmService> ScmListing();
// One service as the manager reads it now; false if it cannot be opened or its status queried.
bool ScmServiceNamed(const std::string& name, ScmService& service);
// How many of the manager's Win32 services go by the name (the manager ignores case).
size_t TimesListed(const std::string& name);
// Waits until the service reports `state`.
bool WaitForServiceState(const std::string& name, DWORD state, DWORD timeoutMs);
// Waits until the manager no longer knows the name: it may finish a deletion a moment after the
// last handle to the service is closed.
bool WaitUntilGone(const std::string& name, DWORD timeoutMs);

// Registers an own-process service and keeps no handle to it, so that a deletion takes it out
// of the manager at once; false when the manager refuses.
bool RegisterService(const std::string& name, const std::string& displayName,
                     const std::string& path, DWORD startType);
// Starts the service and waits until it runs.
bool StartAndWait(const std::string& name, DWORD timeoutMs);
// Ends the service (the stop control if it takes it, else its process) and deletes it, if the
// manager still knows it.
void RemoveService(const std::string& name);

// Removes, when it goes, every service named to it, so that a test that fails half-way leaves
// nothing registered: for services the program under test creates.
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

// A service created for the test's lifetime and removed when it goes.
class TestService {
 public:
  // Creates an own-process service; throws std::runtime_error if the manager refuses.
  TestService(const std::string& name, const std::string& displayName, const std::string& imagePath,
              DWORD startType = SERVICE_DEMAND_START);
  TestService(TestService&& other) noexcept;
  TestService& operator=(TestService&&) = delete;
  TestService(const TestService&) = delete;
  TestService& operator=(const TestService&) = delete;
  ~TestService();

  const std::string& name() const { return m_name; }
  SC_HANDLE handle() const { return m_service; }
  // Starts the service and waits until it reports `state`.
  bool Start(DWORD state = SERVICE_RUNNING, DWORD timeoutMs = 10000);
  // Sends the pause control and waits until the service reports paused.
  bool Pause(DWORD timeoutMs = 10000);
  // Ends the service: the stop control if it takes it, else its process is ended.
  bool Stop(DWORD timeoutMs = 10000);
  // The current state and process, or 0 if they cannot be queried.
  DWORD State() const;
  DWORD ProcessId() const;
  bool WaitForState(DWORD state, DWORD timeoutMs) const;

 private:
  std::string m_name;
  SC_HANDLE m_service = nullptr;
};
