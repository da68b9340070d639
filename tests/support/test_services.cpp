#include "test_services.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <stdexcept>

namespace {
std::string ErrorText(const char* what, DWORD error) {
  return std::string(what) + " failed, error " + std::to_string(error);
}

DWORD StateOf(SC_HANDLE service) {
  SERVICE_STATUS status{};
  return ::QueryServiceStatus(service, &status) ? status.dwCurrentState : 0;
}

bool WaitFor(SC_HANDLE service, DWORD state, DWORD timeoutMs) {
  for (ULONGLONG start = ::GetTickCount64();; ::Sleep(10)) {
    if (StateOf(service) == state) return true;
    if (::GetTickCount64() - start >= timeoutMs) return false;
  }
}

// Ends a service whatever it accepts: the stop control if it takes it, else its process. Wine's
// manager does not notice a service process ended from outside (the service keeps the state it
// last reported), so then the end of the process is what counts.
bool EndService(SC_HANDLE service, DWORD timeoutMs) {
  SERVICE_STATUS_PROCESS status{};
  DWORD needed = 0;
  if (!::QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                              sizeof status, &needed))
    return false;
  if (status.dwCurrentState == SERVICE_STOPPED) return true;
  SERVICE_STATUS ignored{};
  if (::ControlService(service, SERVICE_CONTROL_STOP, &ignored) &&
      WaitFor(service, SERVICE_STOPPED, timeoutMs))
    return true;
  HANDLE process = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, status.dwProcessId);
  if (!process) return false;
  bool ended =
      ::TerminateProcess(process, 1) && ::WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0;
  ::CloseHandle(process);
  return ended;
}

// One connection for every service the tests make: each new one costs Wine a pipe and a bind.
SC_HANDLE SharedManager() {
  static SC_HANDLE manager = ::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  return manager;
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

void ReadConfig(SC_HANDLE manager, ScmService& entry) {
  SC_HANDLE service = ::OpenServiceA(manager, entry.name.c_str(), SERVICE_QUERY_CONFIG);
  if (!service) return;
  std::vector<BYTE> buffer(8192);
  DWORD needed = 0;
  auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
  BOOL read = ::QueryServiceConfigA(service, config, static_cast<DWORD>(buffer.size()), &needed);
  if (!read && ::GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
    buffer.resize(needed);
    config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
    read = ::QueryServiceConfigA(service, config, needed, &needed);
  }
  if (read) {
    entry.configRead = true;
    entry.startType = config->dwStartType;
    entry.path = config->lpBinaryPathName ? config->lpBinaryPathName : "";
  }
  ::CloseServiceHandle(service);
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
  SC_HANDLE manager = ::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  if (!manager) return;
  DWORD count = 0;
  std::vector<BYTE> buffer = EnumerateAll(manager, count);
  const auto* records = reinterpret_cast<const ENUM_SERVICE_STATUS_PROCESSA*>(buffer.data());
  const std::string start = prefix + "-";
  for (DWORD i = 0; i < count; ++i) {
    std::string name = records[i].lpServiceName;
    if (name.compare(0, start.size(), start) != 0) continue;
    DWORD owner = std::strtoul(name.c_str() + start.size(), nullptr, 10);
    if (owner == ::GetCurrentProcessId() || ProcessRuns(owner)) continue;
    if (SC_HANDLE service = ::OpenServiceA(manager, name.c_str(), SERVICE_ALL_ACCESS)) {
      EndService(service, 5000);
      ::DeleteService(service);
      ::CloseServiceHandle(service);
    }
  }
  ::CloseServiceHandle(manager);
}

std::vector<ScmService> ScmListing() {
  std::vector<ScmService> listing;
  SC_HANDLE manager = ::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
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
    ReadConfig(manager, entry);
    listing.push_back(std::move(entry));
  }
  ::CloseServiceHandle(manager);
  return listing;
}

bool ScmServiceNamed(const std::string& name, ScmService& entry) {
  SC_HANDLE manager = SharedManager();
  SC_HANDLE service = ::OpenServiceA(manager, name.c_str(), SERVICE_QUERY_STATUS);
  if (!service) return false;
  entry = ScmService{};
  entry.name = name;
  entry.state = StateOf(service);
  ::CloseServiceHandle(service);
  char display[4096] = "";
  DWORD size = sizeof display;
  if (!entry.state || !::GetServiceDisplayNameA(manager, name.c_str(), display, &size))
    return false;
  entry.displayName = display;
  ReadConfig(manager, entry);
  return true;
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

bool TestService::WaitForState(DWORD state, DWORD timeoutMs) const {
  return WaitFor(m_service, state, timeoutMs);
}

std::string ExpectedRunStateText(DWORD state) {
  return state == SERVICE_STOPPED ? "停止" : "已启动";
}

std::string ExpectedStartTypeText(const ScmService& service) {
  if (!service.configRead) return "";
  switch (service.startType) {
    case SERVICE_AUTO_START:
      return "自 动>>";
    case SERVICE_DEMAND_START:
      return "手 动";
    case SERVICE_DISABLED:
      return "禁 止";
    default:
      return "";
  }
}
