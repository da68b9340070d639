#include "test_services.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <stdexcept>

#include "expected_texts.h"
#include "time_scale.h"

namespace {
// Owns a handle of the manager's and closes it straight through advapi32: the program's own
// wrapper closes through its seam, which a unit test points at the manager in memory.
class ScHandle {
 public:
  explicit ScHandle(SC_HANDLE handle) : m_handle(handle) {}
  ScHandle(const ScHandle&) = delete;
  ScHandle& operator=(const ScHandle&) = delete;
  ~ScHandle() {
    if (m_handle) ::CloseServiceHandle(m_handle);
  }
  SC_HANDLE get() const { return m_handle; }

 private:
  SC_HANDLE m_handle;
};

std::string ErrorText(const char* what, DWORD error) {
  return std::string(what) + " failed, error " + std::to_string(error);
}

// One connection for every service the tests make and read: each new one costs Wine a pipe and
// a bind.
SC_HANDLE SharedManager() {
  static SC_HANDLE manager = ::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  return manager;
}

bool QueryStatus(SC_HANDLE service, SERVICE_STATUS_PROCESS& status) {
  DWORD needed = 0;
  return ::QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                                sizeof status, &needed) != 0;
}

DWORD StateOf(SC_HANDLE service) {
  SERVICE_STATUS_PROCESS status{};
  return QueryStatus(service, status) ? status.dwCurrentState : 0;
}

// Ends a service whatever it accepts: the stop control if it takes it, else its process. Wine's
// manager does not notice a service process ended from outside (the service keeps the state it
// last reported), so then the end of the process is what counts.
bool EndService(SC_HANDLE service, DWORD timeoutMs) {
  SERVICE_STATUS_PROCESS status{};
  if (!QueryStatus(service, status)) return false;
  if (status.dwCurrentState == SERVICE_STOPPED) return true;
  SERVICE_STATUS ignored{};
  if (::ControlService(service, SERVICE_CONTROL_STOP, &ignored) &&
      WaitUntil([&] { return StateOf(service) == SERVICE_STOPPED; }, timeoutMs))
    return true;
  HANDLE process = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, status.dwProcessId);
  if (!process) return false;
  bool ended = ::TerminateProcess(process, 1) && WaitForObject(process, timeoutMs);
  ::CloseHandle(process);
  return ended;
}

bool ProcessRuns(DWORD pid) {
  HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, pid);
  if (!process) return false;
  bool running = ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  ::CloseHandle(process);
  return running;
}

// Enumerates into a buffer that grows until every record fits in one call: some managers
// (Wine's) never move the resume handle, so a listing cannot be continued.
std::vector<BYTE> EnumerateAll(SC_HANDLE manager, DWORD& count) {
  std::vector<BYTE> buffer(256 * 1024);
  for (int attempt = 0; attempt < 8; ++attempt) {
    DWORD needed = 0;
    DWORD resume = 0;
    count = 0;
    if (::EnumServicesStatusExA(manager, SC_ENUM_PROCESS_INFO, SERVICE_WIN32, SERVICE_STATE_ALL,
                                buffer.data(), static_cast<DWORD>(buffer.size()), &needed, &count,
                                &resume, nullptr))
      return buffer;
    if (::GetLastError() != ERROR_MORE_DATA) break;
    buffer.resize(std::max<size_t>(buffer.size() * 2, needed + 4096));
  }
  count = 0;
  return {};
}

void ReadConfig(SC_HANDLE service, ScmService& entry) {
  std::vector<BYTE> buffer(8192);
  DWORD needed = 0;
  auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
  BOOL read = ::QueryServiceConfigA(service, config, static_cast<DWORD>(buffer.size()), &needed);
  if (!read && ::GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
    buffer.resize(needed);
    config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
    read = ::QueryServiceConfigA(service, config, needed, &needed);
  }
  if (!read) return;
  entry.configRead = true;
  if (entry.displayName.empty() && config->lpDisplayName) entry.displayName = config->lpDisplayName;
  entry.type = config->dwServiceType;
  entry.startType = config->dwStartType;
  entry.errorControl = config->dwErrorControl;
  entry.path = config->lpBinaryPathName ? config->lpBinaryPathName : "";
}
}  // namespace

std::string TestServiceProgram() {
  char path[MAX_PATH] = "";
  DWORD length = ::GetModuleFileNameA(nullptr, path, sizeof path);
  std::string program(path, length);
  return program.substr(0, program.find_last_of("\\/") + 1) + "testsvc.exe";
}

std::string Quoted(const std::string& path) {
  return "\"" + path + "\"";
}

std::string UniqueServiceName(const std::string& prefix) {
  static std::atomic<unsigned> counter{0};
  return prefix + "-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++counter);
}

void RemoveLeftoverServices(const std::string& prefix) {
  DWORD count = 0;
  std::vector<BYTE> buffer = EnumerateAll(SharedManager(), count);
  const auto* records = reinterpret_cast<const ENUM_SERVICE_STATUS_PROCESSA*>(buffer.data());
  const std::string start = prefix + "-";
  for (DWORD i = 0; i < count; ++i) {
    std::string name = records[i].lpServiceName;
    if (name.compare(0, start.size(), start) != 0) continue;
    DWORD owner = std::strtoul(name.c_str() + start.size(), nullptr, 10);
    if (owner != ::GetCurrentProcessId() && !ProcessRuns(owner)) RemoveService(name);
  }
}

std::vector<ScmService> ScmListing() {
  std::vector<ScmService> listing;
  SC_HANDLE manager = SharedManager();
  if (!manager) {
    ADD_FAILURE() << ErrorText("OpenSCManagerA", ::GetLastError());
    return listing;
  }
  DWORD count = 0;
  std::vector<BYTE> buffer = EnumerateAll(manager, count);
  if (buffer.empty()) ADD_FAILURE() << ErrorText("EnumServicesStatusExA", ::GetLastError());
  const auto* records = reinterpret_cast<const ENUM_SERVICE_STATUS_PROCESSA*>(buffer.data());
  for (DWORD i = 0; i < count; ++i) {
    ScmService entry;
    entry.name = records[i].lpServiceName;
    entry.displayName = records[i].lpDisplayName ? records[i].lpDisplayName : "";
    entry.state = records[i].ServiceStatusProcess.dwCurrentState;
    entry.processId = records[i].ServiceStatusProcess.dwProcessId;
    ScHandle service(::OpenServiceA(manager, entry.name.c_str(), SERVICE_QUERY_CONFIG));
    if (service.get()) ReadConfig(service.get(), entry);
    listing.push_back(std::move(entry));
  }
  return listing;
}

bool ScmServiceNamed(const std::string& name, ScmService& entry) {
  ScHandle service(
      ::OpenServiceA(SharedManager(), name.c_str(), SERVICE_QUERY_STATUS | SERVICE_QUERY_CONFIG));
  SERVICE_STATUS_PROCESS status{};
  if (!service.get() || !QueryStatus(service.get(), status)) return false;
  entry = ScmService{};
  entry.name = name;
  entry.state = status.dwCurrentState;
  entry.processId = status.dwProcessId;
  ReadConfig(service.get(), entry);
  return true;
}

size_t TimesListed(const std::string& name) {
  size_t times = 0;
  for (const ScmService& service : ScmListing())
    times += ::lstrcmpiA(service.name.c_str(), name.c_str()) == 0;
  return times;
}

bool WaitForServiceState(const std::string& name, DWORD state, DWORD timeoutMs) {
  ScmService service;
  return WaitUntil([&] { return ScmServiceNamed(name, service) && service.state == state; },
                   timeoutMs);
}

bool WaitUntilGone(const std::string& name, DWORD timeoutMs) {
  return WaitUntil(
      [&] {
        ScHandle service(::OpenServiceA(SharedManager(), name.c_str(), SERVICE_QUERY_STATUS));
        return !service.get() && ::GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST;
      },
      timeoutMs);
}

bool RegisterService(const std::string& name, const std::string& displayName,
                     const std::string& path, DWORD startType) {
  ScHandle service(::CreateServiceA(SharedManager(), name.c_str(), displayName.c_str(),
                                    SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS, startType,
                                    SERVICE_ERROR_NORMAL, path.c_str(), nullptr, nullptr, nullptr,
                                    nullptr, nullptr));
  return service.get() != nullptr;
}

bool StartAndWait(const std::string& name, DWORD timeoutMs) {
  ScHandle service(::OpenServiceA(SharedManager(), name.c_str(), SERVICE_START));
  return service.get() && ::StartServiceA(service.get(), 0, nullptr) &&
         WaitForServiceState(name, SERVICE_RUNNING, timeoutMs);
}

void RemoveService(const std::string& name) {
  ScHandle service(::OpenServiceA(SharedManager(), name.c_str(), SERVICE_ALL_ACCESS));
  if (!service.get()) return;
  EndService(service.get(), 10000);
  ::DeleteService(service.get());
}

RemoveOnExit::~RemoveOnExit() {
  for (const std::string& name : m_names) RemoveService(name);
}

std::string RemoveOnExit::Add(const std::string& name) {
  m_names.push_back(name);
  return m_names.back();
}

TestService::TestService(const std::string& name, const std::string& displayName,
                         const std::string& imagePath, DWORD startType)
    : m_name(name) {
  SC_HANDLE manager = SharedManager();
  if (!manager) throw std::runtime_error(ErrorText("OpenSCManagerA", ::GetLastError()));
  m_service = ::CreateServiceA(manager, name.c_str(), displayName.c_str(), SERVICE_ALL_ACCESS,
                               SERVICE_WIN32_OWN_PROCESS, startType, SERVICE_ERROR_NORMAL,
                               imagePath.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
  if (!m_service)
    throw std::runtime_error(ErrorText(("CreateServiceA " + name).c_str(), ::GetLastError()));
}

TestService::TestService(TestService&& other) noexcept
    : m_name(std::move(other.m_name)), m_service(other.m_service) {
  other.m_service = nullptr;
}

TestService::~TestService() {
  if (m_service) {
    EndService(m_service, 10000);
    ::DeleteService(m_service);
    ::CloseServiceHandle(m_service);
  }
}

bool TestService::Start(DWORD state, DWORD timeoutMs) {
  return ::StartServiceA(m_service, 0, nullptr) && WaitForState(state, timeoutMs);
}

bool TestService::Pause(DWORD timeoutMs) {
  SERVICE_STATUS status{};
  return ::ControlService(m_service, SERVICE_CONTROL_PAUSE, &status) &&
         WaitForState(SERVICE_PAUSED, timeoutMs);
}

bool TestService::Stop(DWORD timeoutMs) {
  return EndService(m_service, timeoutMs);
}

DWORD TestService::State() const {
  return StateOf(m_service);
}

DWORD TestService::ProcessId() const {
  SERVICE_STATUS_PROCESS status{};
  return QueryStatus(m_service, status) ? status.dwProcessId : 0;
}

bool TestService::WaitForState(DWORD state, DWORD timeoutMs) const {
  return WaitUntil([&] { return StateOf(m_service) == state; }, timeoutMs);
}

std::string ExpectedRunStateText(DWORD state) {
  return state == SERVICE_STOPPED ? kListStopped : kListStarted;
}

std::string ExpectedStartTypeText(const ScmService& service) {
  if (!service.configRead) return "";
  switch (service.startType) {
    case SERVICE_AUTO_START:
      return kListAutomatic;
    case SERVICE_DEMAND_START:
      return kListManual;
    case SERVICE_DISABLED:
      return kListDisabled;
    default:
      return "";
  }
}
