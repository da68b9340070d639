#pragma once
// A service manager in memory, put in place of the platform's for the length of a test. It can
// refuse what Wine's never does: a connection, a lock, a resume handle that moves, a full buffer,
// a right to a service.
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
  // The rights an open may ask for; each call on the handle then needs its own among those it
  // was opened with. Windows keeps SERVICE_ALL_ACCESS from an administrator for some services it
  // protects, which still grant some rights; 0 refuses every open.
  DWORD grantedAccess = SERVICE_ALL_ACCESS;
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
  // Enumerating like Wine's manager: the resume handle never moves, and when the records do not
  // all fit, the count is set but no record is written, with ERROR_MORE_DATA or (when they
  // would have fitted as wide texts in twice the space) ERROR_INSUFFICIENT_BUFFER.
  bool enumLikeWine = false;
  // A call that goes on from a resume handle starts with the record the call before it ended
  // on, as when a service added meanwhile shifts the manager's order by one.
  bool resumeRepeatsOne = false;
  DWORD lockError = 0;  // non-zero: no lock is granted and this is the last error
  bool tokenRefused = false;
  std::vector<std::string> calls;  // every call, with its main arguments
  std::set<std::string> created;   // names of services created through the fake
  int enumCalls = 0;
  int countedButUnwritten = 0;  // Wine's ERROR_INSUFFICIENT_BUFFER answers
  std::set<void*> handles;
};
