#include "fake_scm.h"

#include <cstring>

#include "service/scm_api.h"

namespace {
FakeScm* g_fake = nullptr;

// Handles are addresses of heap cells holding the index of their service (-1: the manager) and
// the rights it was opened with.
struct Cell {
  long index;
  DWORD access;
};

SC_HANDLE NewHandle(long index, DWORD access = 0) {
  auto* cell = new Cell{index, access};
  g_fake->handles.insert(cell);
  return reinterpret_cast<SC_HANDLE>(cell);
}

void DeleteHandle(void* handle) {
  delete static_cast<Cell*>(handle);
}

FakeService* ServiceOf(SC_HANDLE handle) {
  if (!handle || !g_fake->handles.count(handle)) return nullptr;
  long index = reinterpret_cast<Cell*>(handle)->index;
  return index >= 0 && index < static_cast<long>(g_fake->services.size()) ? &g_fake->services[index]
                                                                          : nullptr;
}

bool IsManager(SC_HANDLE handle) {
  return handle && g_fake->handles.count(handle) && reinterpret_cast<Cell*>(handle)->index == -1;
}

BOOL Fail(DWORD error) {
  ::SetLastError(error);
  return FALSE;
}

// The service of a handle opened with `right`, as each call asks of it (Microsoft's "Service
// Security and Access Rights" lists the right of each); null, with the platform's error, when it
// is no service handle or was opened without that right.
FakeService* ServiceWith(SC_HANDLE handle, DWORD right) {
  FakeService* service = ServiceOf(handle);
  if (!service) {
    ::SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (!(reinterpret_cast<Cell*>(handle)->access & right)) {
    ::SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  return service;
}

SC_HANDLE WINAPI OpenManager(LPCSTR, LPCSTR, DWORD access) {
  g_fake->calls.push_back("OpenSCManagerA " + std::to_string(access));
  if (g_fake->refuseConnection) {
    ::SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  return NewHandle(-1);
}

BOOL WINAPI Enumerate(SC_HANDLE manager, DWORD, DWORD, LPENUM_SERVICE_STATUSA buffer, DWORD size,
                      LPDWORD needed, LPDWORD returned, LPDWORD resume) {
  ++g_fake->enumCalls;
  if (!IsManager(manager)) return Fail(ERROR_INVALID_HANDLE);
  const auto& all = g_fake->services;
  auto bytes = [](const FakeService& s, size_t charSize) {
    return sizeof(ENUM_SERVICE_STATUSA) + (s.name.size() + 1 + s.displayName.size() + 1) * charSize;
  };
  if (g_fake->enumLikeWine) {
    DWORD narrow = 0, wide = 0, fit = 0;
    for (const FakeService& s : all) {
      narrow += bytes(s, 1);
      wide += bytes(s, 2);
      if (wide <= 2 * size) ++fit;
    }
    if (narrow > size) {
      *returned = fit;
      *needed = wide <= 2 * size ? 0 : wide;
      g_fake->countedButUnwritten += wide <= 2 * size;
      return Fail(wide <= 2 * size ? ERROR_INSUFFICIENT_BUFFER : ERROR_MORE_DATA);
    }
  }
  DWORD first = *resume;
  if (g_fake->resumeRepeatsOne && first > 0) --first;
  DWORD count = 0;
  DWORD used = 0;
  char* texts = reinterpret_cast<char*>(buffer) + size;
  DWORD i = first;
  for (; i < all.size() && used + bytes(all[i], 1) <= size; ++i, ++count) {
    used += bytes(all[i], 1);
    texts -= all[i].name.size() + 1;
    std::memcpy(texts, all[i].name.c_str(), all[i].name.size() + 1);
    buffer[count].lpServiceName = texts;
    texts -= all[i].displayName.size() + 1;
    std::memcpy(texts, all[i].displayName.c_str(), all[i].displayName.size() + 1);
    buffer[count].lpDisplayName = texts;
    buffer[count].ServiceStatus = {SERVICE_WIN32_OWN_PROCESS, all[i].state, 0, 0, 0, 0, 0};
  }
  *returned = count;
  if (i == all.size()) {
    *needed = 0;
    *resume = 0;
    return TRUE;
  }
  DWORD rest = 0;
  for (DWORD j = i; j < all.size(); ++j) rest += bytes(all[j], 1);
  *needed = rest;
  *resume = i;
  return Fail(ERROR_MORE_DATA);
}

SC_HANDLE WINAPI OpenOne(SC_HANDLE manager, LPCSTR name, DWORD access) {
  g_fake->calls.push_back(std::string("OpenServiceA ") + name + " " + std::to_string(access));
  FakeService* service = g_fake->Find(name);
  if (!IsManager(manager) || !service || (access & ~service->grantedAccess)) {
    ::SetLastError(!IsManager(manager) ? ERROR_INVALID_HANDLE
                   : service           ? ERROR_ACCESS_DENIED
                                       : ERROR_SERVICE_DOES_NOT_EXIST);
    return nullptr;
  }
  return NewHandle(static_cast<long>(service - g_fake->services.data()), access);
}

BOOL WINAPI QueryConfig(SC_HANDLE handle, LPQUERY_SERVICE_CONFIGA config, DWORD size,
                        LPDWORD needed) {
  FakeService* service = ServiceWith(handle, SERVICE_QUERY_CONFIG);
  if (!service) return FALSE;
  if (service->queryFails) return Fail(ERROR_ACCESS_DENIED);
  DWORD want = sizeof(QUERY_SERVICE_CONFIGA) + service->path.size() + 1;
  *needed = want;
  if (size < want) return Fail(ERROR_INSUFFICIENT_BUFFER);
  char* text = reinterpret_cast<char*>(config + 1);
  std::memcpy(text, service->path.c_str(), service->path.size() + 1);
  *config = {};
  config->dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  config->dwStartType = service->startType;
  config->dwErrorControl = SERVICE_ERROR_NORMAL;
  config->lpBinaryPathName = text;
  return TRUE;
}

BOOL WINAPI QueryStatus(SC_HANDLE handle, LPSERVICE_STATUS status) {
  g_fake->calls.push_back("QueryServiceStatus");
  FakeService* service = ServiceWith(handle, SERVICE_QUERY_STATUS);
  if (!service) return FALSE;
  *status = {SERVICE_WIN32_OWN_PROCESS, service->state, 0, 0, 0, 0, 0};
  return TRUE;
}

BOOL WINAPI Control(SC_HANDLE handle, DWORD control, LPSERVICE_STATUS) {
  g_fake->calls.push_back("ControlService " + std::to_string(control));
  FakeService* service = ServiceWith(handle, SERVICE_STOP);
  if (!service) return FALSE;
  if (service->controlFails) return Fail(ERROR_INVALID_SERVICE_CONTROL);
  service->state = SERVICE_STOPPED;
  return TRUE;
}

BOOL WINAPI Start(SC_HANDLE handle, DWORD, LPCSTR*) {
  g_fake->calls.push_back("StartServiceA");
  FakeService* service = ServiceWith(handle, SERVICE_START);
  if (!service) return FALSE;
  service->state = SERVICE_RUNNING;
  return TRUE;
}

BOOL WINAPI Delete(SC_HANDLE handle) {
  g_fake->calls.push_back("DeleteService");
  FakeService* service = ServiceWith(handle, DELETE);
  if (!service) return FALSE;
  service->name += " (deleted)";
  return TRUE;
}

SC_LOCK WINAPI Lock(SC_HANDLE manager) {
  g_fake->calls.push_back("LockServiceDatabase");
  if (!IsManager(manager)) {
    ::SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (g_fake->lockError) {
    ::SetLastError(g_fake->lockError);
    return nullptr;
  }
  return reinterpret_cast<SC_LOCK>(NewHandle(-2));
}

BOOL WINAPI Unlock(SC_LOCK lock) {
  g_fake->calls.push_back("UnlockServiceDatabase");
  if (!g_fake->handles.erase(lock)) return Fail(ERROR_INVALID_SERVICE_LOCK);
  DeleteHandle(lock);
  return TRUE;
}

BOOL WINAPI ChangeConfig(SC_HANDLE handle, DWORD type, DWORD start, DWORD error, LPCSTR path,
                         LPCSTR group, LPDWORD tag, LPCSTR dependencies, LPCSTR account,
                         LPCSTR password, LPCSTR displayName) {
  g_fake->calls.push_back("ChangeServiceConfigA " + std::to_string(start));
  FakeService* service = ServiceWith(handle, SERVICE_CHANGE_CONFIG);
  if (!service) return FALSE;
  if (type != SERVICE_NO_CHANGE || error != SERVICE_NO_CHANGE || path || group || tag ||
      dependencies || account || password || displayName)
    return Fail(ERROR_INVALID_PARAMETER);
  service->startType = start;
  return TRUE;
}

SC_HANDLE WINAPI Create(SC_HANDLE manager, LPCSTR name, LPCSTR displayName, DWORD access, DWORD,
                        DWORD start, DWORD, LPCSTR path, LPCSTR, LPDWORD, LPCSTR, LPCSTR, LPCSTR) {
  g_fake->calls.push_back(std::string("CreateServiceA ") + name);
  if (!IsManager(manager)) {
    ::SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (!*name || g_fake->Find(name)) {
    ::SetLastError(*name ? ERROR_SERVICE_EXISTS : ERROR_INVALID_NAME);
    return nullptr;
  }
  g_fake->created.insert(name);
  g_fake->Add(name, SERVICE_STOPPED, start, path).displayName = displayName;
  return NewHandle(static_cast<long>(g_fake->services.size() - 1), access);
}

BOOL WINAPI CloseService(SC_HANDLE handle) {
  g_fake->calls.push_back("CloseServiceHandle");
  if (!g_fake->handles.erase(handle)) return Fail(ERROR_INVALID_HANDLE);
  DeleteHandle(handle);
  return TRUE;
}

BOOL WINAPI OpenToken(HANDLE, DWORD access, PHANDLE token) {
  g_fake->calls.push_back("OpenProcessToken " + std::to_string(access));
  if (g_fake->tokenRefused) return Fail(ERROR_ACCESS_DENIED);
  *token = NewHandle(-3);
  return TRUE;
}

BOOL WINAPI LookupPrivilege(LPCSTR, LPCSTR name, PLUID luid) {
  g_fake->calls.push_back(std::string("LookupPrivilegeValueA ") + name);
  *luid = {20, 0};
  return TRUE;
}

BOOL WINAPI AdjustPrivileges(HANDLE token, BOOL disableAll, PTOKEN_PRIVILEGES state, DWORD size,
                             PTOKEN_PRIVILEGES, PDWORD) {
  g_fake->calls.push_back("AdjustTokenPrivileges " + std::to_string(disableAll) + " " +
                          std::to_string(state->PrivilegeCount) + " " +
                          std::to_string(state->Privileges[0].Attributes) + " " +
                          std::to_string(size));
  if (!g_fake->handles.count(token)) return Fail(ERROR_INVALID_HANDLE);
  ::SetLastError(ERROR_SUCCESS);
  return TRUE;
}

BOOL WINAPI CloseToken(HANDLE token) {
  g_fake->calls.push_back("CloseHandle");
  if (!g_fake->handles.erase(token)) return Fail(ERROR_INVALID_HANDLE);
  DeleteHandle(token);
  return TRUE;
}
}  // namespace

FakeScm::FakeScm() {
  g_fake = this;
  Scm() = ScmApi{OpenManager,      Enumerate, OpenOne,      QueryConfig, QueryStatus,
                 Control,          Start,     Delete,       Lock,        Unlock,
                 ChangeConfig,     Create,    CloseService, OpenToken,   LookupPrivilege,
                 AdjustPrivileges, CloseToken};
}

FakeScm::~FakeScm() {
  Scm() = PlatformScm();
  for (void* cell : handles) DeleteHandle(cell);
  g_fake = nullptr;
}

FakeService& FakeScm::Add(const std::string& name, DWORD state, DWORD startType,
                          const std::string& path) {
  services.push_back({name, "显示 " + name, path, state, startType});
  return services.back();
}

FakeService* FakeScm::Find(const char* name) {
  for (FakeService& service : services)
    if (service.name == name) return &service;
  return nullptr;
}
