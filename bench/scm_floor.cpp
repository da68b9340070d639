// The floor for a refresh: the service-manager work a listing of every Win32 service cannot do
// without, with no window. It connects, enumerates every Win32 service, then opens each service
// with SERVICE_ALL_ACCESS, reads its configuration and closes it again. The enumeration starts
// with a 64 KiB buffer and, while the records do not fit, asks again in one of the size the
// manager named or twice as large (Wine's ANSI call names none when the texts do not fit).
// Prints "services=<count> configs=<read> us=<microseconds>"; the time covers the connection to
// its close. Then the parts: the connection, the enumeration, and the per-service work.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "timing.h"

int main() {
  const double start = NowMs();

  SC_HANDLE manager = ::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  if (!manager) return 1;
  const double connected = NowMs();
  std::vector<BYTE> records(65536);
  DWORD needed = 0, count = 0, resume = 0;
  BOOL listed = FALSE;
  for (int call = 0; call < 8 && !listed; ++call) {
    resume = 0;
    listed = ::EnumServicesStatusA(manager, SERVICE_WIN32, SERVICE_STATE_ALL,
                                   reinterpret_cast<ENUM_SERVICE_STATUSA*>(records.data()),
                                   static_cast<DWORD>(records.size()), &needed, &count, &resume);
    const DWORD error = listed ? ERROR_SUCCESS : ::GetLastError();
    if (error != ERROR_MORE_DATA && error != ERROR_INSUFFICIENT_BUFFER) break;
    records.resize(std::max<size_t>(needed, 2 * records.size()));
  }
  if (!listed) return 1;
  const double enumerated = NowMs();

  const auto* services = reinterpret_cast<const ENUM_SERVICE_STATUSA*>(records.data());
  alignas(8) static BYTE config[8192];
  DWORD read = 0;
  for (DWORD i = 0; i < count; ++i) {
    SC_HANDLE service = ::OpenServiceA(manager, services[i].lpServiceName, SERVICE_ALL_ACCESS);
    if (!service) continue;
    if (::QueryServiceConfigA(service, reinterpret_cast<QUERY_SERVICE_CONFIGA*>(config),
                              sizeof config, &needed))
      ++read;
    ::CloseServiceHandle(service);
  }
  ::CloseServiceHandle(manager);

  const double end = NowMs();
  auto us = [](double from, double to) { return static_cast<long long>((to - from) * 1000); };
  std::printf("services=%lu configs=%lu us=%lld connect_us=%lld enumerate_us=%lld each_us=%lld\n",
              count, read, us(start, end), us(start, connected), us(connected, enumerated),
              us(enumerated, end));
  return 0;
}
