#pragma once
// A service manager in memory, put in place of the platform's for the length of a test. It can
// refuse what Wine's never does: a connection, a lock, a resume handle that moves, a full buffer.
#include <windows.h>

#include <set>
#include <string>
#include <vector>

struct FakeService {
  std::string name;
  std::string displayName;
  std::string path;
  DWORD state = SERVICE_STOPPED;
  DWORD startType = SERVICE_DEMAND_START;
  bool openFails = false;
  bool queryFails = false;
  bool controlFails = false;
};

class FakeScm {
 public:
  FakeScm();
  FakeScm(const FakeScm&) = delete;
  FakeScm& operator=(const FakeScm&) = delete;
  ~FakeScm();

  FakeService& Add(const std::string& name, DWORD state = SERVICE_STOPPED,
                   DWORD startType = SERVICE_DEMAND_START, const std::string& path = "");
  FakeService* Find(const char* name);
  // Handles of any kind still open.
  size_t OpenHandles() const { return handles.size(); }

  std::vector<FakeService> services;
  bool refuseConnection = false;
  // Wine's manager leaves the resume handle where it was; the platform's moves it on.
  bool resumeMoves = true;
  DWORD lockError = 0;  // non-zero: no lock is granted and this is the last error
  bool tokenRefused = false;
  std::vector<std::string> calls;  // every call, with its main arguments
  std::set<std::string> created;   // names of services created through the fake
  int enumCalls = 0;
  std::set<void*> handles;
};
