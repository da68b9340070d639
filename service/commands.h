#pragma once
// The commands on one named service. Each runs the privilege step first and reports every
// outcome in a message box owned by `owner`; a failed step is reported and the command goes on.
#include <windows.h>

class CWnd;

void StartSelectedService(CWnd& owner, const char* name);
void StopSelectedService(CWnd& owner, const char* name);
// Requests a stop of a running service, then deletes it without waiting for the stop.
void DeleteSelectedService(CWnd& owner, const char* name);
// startType: SERVICE_AUTO_START, SERVICE_DEMAND_START or SERVICE_DISABLED.
void SetSelectedStartType(CWnd& owner, const char* name, DWORD startType);
