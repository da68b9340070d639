#include "registered_service.h"

#include "tests/support/test_services.h"

namespace {
class Handle {
 public:
  explicit Handle(SC_HANDLE handle) : m_handle(handle) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() {
    if (m_handle) ::CloseServiceHandle(m_handle);
  }
  SC_HANDLE get() const { return m_handle; }

 private:
  SC_HANDLE m_handle;
};

bool WaitStopped(SC_HANDLE service, DWORD timeoutMs) {
  for (DWORD start = ::GetTickCount(); ::GetTickCount() - start < timeoutMs; ::Sleep(20)) {
    SERVICE_STATUS status{};
    if (!::QueryServiceStatus(service, &status) || status.dwCurrentState == SERVICE_STOPPED)
      return true;
  }
  return false;
}

// The stop control when the service takes it, else the end of its process.
void End(SC_HANDLE service) {
  SERVICE_STATUS_PROCESS status{};
  DWORD needed = 0;
  if (!::QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                              sizeof status, &needed) ||
      status.dwCurrentState == SERVICE_STOPPED)
    return;
  SERVICE_STATUS ignored{};
  if (::ControlService(service, SERVICE_CONTROL_STOP, &ignored) && WaitStopped(service, 10000))
    return;
  if (HANDLE process = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, status.dwProcessId)) {
    ::TerminateProcess(process, 1);
    ::WaitForSingleObject(process, 10000);
    ::CloseHandle(process);
  }
}
}  // namespace

bool ReadRegisteredService(const std::string& name, RegisteredService* service) {
  Handle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
  Handle handle(
      ::OpenServiceA(manager.get(), name.c_str(), SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS));
  if (!handle.get()) return false;
  SERVICE_STATUS_PROCESS status{};
  std::vector<BYTE> buffer(8192);
  auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
  DWORD needed = 0;
  if (!::QueryServiceStatusEx(handle.get(), SC_STATUS_PROCESS_INFO,
                              reinterpret_cast<BYTE*>(&status), sizeof status, &needed) ||
      !::QueryServiceConfigA(handle.get(), config, static_cast<DWORD>(buffer.size()), &needed))
    return false;
  service->state = status.dwCurrentState;
  service->processId = status.dwProcessId;
  service->displayName = config->lpDisplayName ? config->lpDisplayName : "";
  service->type = config->dwServiceType;
  service->startType = config->dwStartType;
  service->errorControl = config->dwErrorControl;
  service->path = config->lpBinaryPathName ? config->lpBinaryPathName : "";
  return true;
}

bool RegisterService(const std::string& name, const std::string& displayName,
                     const std::string& path, DWORD startType) {
  Handle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE));
  Handle service(::CreateServiceA(manager.get(), name.c_str(), displayName.c_str(),
                                  SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS, startType,
                                  SERVICE_ERROR_NORMAL, path.c_str(), nullptr, nullptr, nullptr,
                                  nullptr, nullptr));
  return service.get() != nullptr;
}

bool StartRegisteredService(const std::string& name, DWORD timeoutMs) {
  Handle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
  Handle service(::OpenServiceA(manager.get(), name.c_str(), SERVICE_START));
  return service.get() && ::StartServiceA(service.get(), 0, nullptr) &&
         WaitForServiceState(name, SERVICE_RUNNING, timeoutMs);
}

bool WaitForServiceState(const std::string& name, DWORD state, DWORD timeoutMs) {
  for (DWORD start = ::GetTickCount();; ::Sleep(20)) {
    RegisteredService service;
    if (ReadRegisteredService(name, &service) && service.state == state) return true;
    if (::GetTickCount() - start >= timeoutMs) return false;
  }
}

bool IsListedByManager(const std::string& name) {
  for (const ScmService& service : ScmListing())
    if (::lstrcmpiA(service.name.c_str(), name.c_str()) == 0) return true;
  return false;
}

RemoveOnExit::~RemoveOnExit() {
  Handle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  for (const std::string& name : m_names) {
    Handle service(::OpenServiceA(manager.get(), name.c_str(), SERVICE_ALL_ACCESS));
    if (!service.get()) continue;
    End(service.get());
    ::DeleteService(service.get());
  }
}

std::string RemoveOnExit::Add(const std::string& name) {
  m_names.push_back(name);
  return m_names.back();
}
