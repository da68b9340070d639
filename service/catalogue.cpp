#include "catalogue.h"

#include <set>

#include "framework/win_app.h"
#include "handles.h"
#include "local_buffer.h"
#include "scm_api.h"

namespace {
constexpr DWORD kEnumBufferSize = 65536;
constexpr DWORD kConfigBufferSize = 4096;
// Each call that goes on from a moved resume handle lists at least one service, so this bounds
// a database of hundreds of thousands while no misbehaving manager can keep the loop going.
constexpr int kMaxEnumCalls = 1000;

const char* TextOrEmpty(const char* text) {
  return text ? text : "";
}

// Fills the start-type and path texts, if the configuration can be read into `size` bytes.
bool ReadConfig(SC_HANDLE service, DWORD size, ServiceRow& row, DWORD& needed) {
  LocalBuffer buffer(size);
  auto* config = buffer.as<QUERY_SERVICE_CONFIGA>();
  if (!config || !Scm().QueryServiceConfigA(service, config, buffer.size(), &needed)) return false;
  row.startType = StartTypeText(config->dwStartType);
  row.path = TextOrEmpty(config->lpBinaryPathName);
  return true;
}

ServiceRow RowOf(SC_HANDLE manager, const ENUM_SERVICE_STATUSA& record) {
  ServiceRow row{record.lpServiceName, TextOrEmpty(record.lpDisplayName),
                 RunStateText(record.ServiceStatus.dwCurrentState), "", ""};
  ScHandle service(Scm().OpenServiceA(manager, record.lpServiceName, SERVICE_ALL_ACCESS));
  DWORD needed = 0;
  // A long path or dependency list needs more than the usual buffer: ask again at its size.
  if (!ReadConfig(service.get(), kConfigBufferSize, row, needed) &&
      ::GetLastError() == ERROR_INSUFFICIENT_BUFFER && needed > kConfigBufferSize)
    ReadConfig(service.get(), needed, row, needed);
  return row;
}
}  // namespace

const char* RunStateText(DWORD currentState) {
  return currentState == SERVICE_STOPPED ? "停止" : "已启动";
}

const char* StartTypeText(DWORD startType) {
  switch (startType) {
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

void ListServices(const std::function<void(const ServiceRow&)>& add) {
  ScHandle manager(Scm().OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  if (!manager) AfxMessageBox("OpenSCManager Error\n");

  std::set<std::string> listed;
  DWORD size = kEnumBufferSize;
  DWORD resume = 0;
  for (int call = 0; call < kMaxEnumCalls; ++call) {
    LocalBuffer buffer(size);
    const DWORD from = resume;
    DWORD needed = 0;
    DWORD count = 0;
    BOOL complete = Scm().EnumServicesStatusA(manager.get(), SERVICE_WIN32, SERVICE_STATE_ALL,
                                              buffer.as<ENUM_SERVICE_STATUSA>(), buffer.size(),
                                              &needed, &count, &resume);
    const bool more = !complete && ::GetLastError() == ERROR_MORE_DATA;
    // A manager that leaves the resume handle where it was (Wine's does) cannot go on from
    // there: ask for the same records again in a buffer of the size it said they need.
    if (more && resume == from && needed > size) {
      size = needed;
      continue;
    }
    const auto* records = buffer.as<ENUM_SERVICE_STATUSA>();
    for (DWORD i = 0; i < count; ++i)
      if (listed.insert(records[i].lpServiceName).second) add(RowOf(manager.get(), records[i]));
    if (!more || resume == from) break;
  }
}
