#include "catalogue.h"

#include <algorithm>
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
// Far beyond what the records and texts of any real database need.
constexpr DWORD kMaxEnumBufferSize = 64 << 20;

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
  // Windows refuses all access to some services it protects, even to an administrator, yet
  // lets their configuration be read.
  if (!service && ::GetLastError() == ERROR_ACCESS_DENIED)
    *service.receive() = Scm().OpenServiceA(manager, record.lpServiceName, SERVICE_QUERY_CONFIG);
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
    auto* records = buffer.as<ENUM_SERVICE_STATUSA>();
    if (!records) break;
    const DWORD from = resume;
    DWORD needed = 0;
    DWORD count = 0;
    const BOOL complete = Scm().EnumServicesStatusA(manager.get(), SERVICE_WIN32, SERVICE_STATE_ALL,
                                                    records, size, &needed, &count, &resume);
    const DWORD error = complete ? ERROR_SUCCESS : ::GetLastError();
    // The records of a failed call are only to be trusted as the first part of a longer listing,
    // which the manager shows by moving the resume handle on. Wine's never moves it, and when
    // the texts do not fit it counts records it never wrote: ask again, from the same place,
    // in a buffer of the size it asked for, or twice as large where it named none.
    const bool partial = error == ERROR_MORE_DATA && resume != from;
    if ((error == ERROR_MORE_DATA || error == ERROR_INSUFFICIENT_BUFFER) && !partial) {
      if (size >= kMaxEnumBufferSize) break;
      size = std::min(std::max(needed, 2 * size), kMaxEnumBufferSize);
      resume = from;
      continue;
    }
    if (!complete && !partial) break;
    for (DWORD i = 0; i < count; ++i) {
      const char* name = records[i].lpServiceName;
      if (name && listed.insert(name).second) add(RowOf(manager.get(), records[i]));
    }
    if (complete) break;
  }
}
