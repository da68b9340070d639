// The service program of the benchmark's services: it runs, pauses and continues, and stops on
// request, as cheaply as a service can. Wine's manager gives every Win32 service that runs a
// process of its own (only drivers share one), so what one running service costs is what this
// program costs: the service main reports running and returns, and the dispatcher's thread alone
// serves the controls from then on.
// Started by hand instead of by the manager, it ends at once with exit code 1.
#include <windows.h>

namespace {
SERVICE_STATUS_HANDLE g_handle = nullptr;
SERVICE_STATUS g_status{};

void Report(DWORD state) {
  g_status.dwCurrentState = state;
  g_status.dwControlsAccepted =
      state == SERVICE_STOPPED ? 0 : SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_PAUSE_CONTINUE;
  ::SetServiceStatus(g_handle, &g_status);
}

// Runs on the dispatcher's thread; the service main has returned long before.
DWORD WINAPI Handler(DWORD control, DWORD, void*, void*) {
  switch (control) {
    case SERVICE_CONTROL_STOP:
      Report(SERVICE_STOPPED);
      return NO_ERROR;
    case SERVICE_CONTROL_PAUSE:
      Report(SERVICE_PAUSED);
      return NO_ERROR;
    case SERVICE_CONTROL_CONTINUE:
      Report(SERVICE_RUNNING);
      return NO_ERROR;
    case SERVICE_CONTROL_INTERROGATE:
      return NO_ERROR;
    default:
      return ERROR_CALL_NOT_IMPLEMENTED;
  }
}

void WINAPI ServiceMain(DWORD, LPSTR*) {
  g_handle = ::RegisterServiceCtrlHandlerExA("", Handler, nullptr);
  if (!g_handle) return;
  g_status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  Report(SERVICE_RUNNING);
}
}  // namespace

int main() {
  // An own-process service has one entry; the manager runs it whatever name it was created with.
  char name[] = "benchsvc";
  SERVICE_TABLE_ENTRYA table[] = {{name, ServiceMain}, {nullptr, nullptr}};
  return ::StartServiceCtrlDispatcherA(table) ? 0 : 1;
}
