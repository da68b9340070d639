#pragma once
// The catalogue of Win32 services: one row of five texts per service of the local manager.
#include <windows.h>

#include <functional>
#include <string>

struct ServiceRow {
  std::string name;
  std::string displayName;
  std::string runState;
  std::string startType;
  std::string path;
};

// "停止" for a stopped service, "已启动" for every other state.
const char* RunStateText(DWORD currentState);
// The text of a settable start type; empty for boot, system and unknown start types.
const char* StartTypeText(DWORD startType);

// Hands `add` one complete row per Win32 service, each service once. A refused connection is
// reported in the application message box and gives no rows; a service that cannot be opened or
// read still gets its row, with empty start-type and path texts.
void ListServices(const std::function<void(const ServiceRow&)>& add);
