// A service program for the tests. The arguments of its image path choose how it behaves:
//   (none)         reports running; stops, pauses and continues on request
//   --pending      stays start-pending for good and accepts no control
//   --refuse-stop  runs and pauses/continues, but refuses the stop control
// Started by hand instead of by the manager, it ends at once with exit code 1.
#include <windows.h>

#include <cstring>

namespace {
enum class Mode { Normal, Pending, RefuseStop };

Mode g_mode = Mode::Normal;
HANDLE g_stopEvent = nullptr;
SERVICE_STATUS_HANDLE g_statusHandle = nullptr;
// The handler runs on the dispatcher's thread, the service main on its own: both report.
CRITICAL_SECTION g_statusLock;
SERVICE_STATUS g_status{};

void Report(DWORD state) {
  ::EnterCriticalSection(&g_statusLock);
  g_status.dwCurrentState = state;
  ::SetServiceStatus(g_statusHandle, &g_status);
  ::LeaveCriticalSection(&g_statusLock);
}

bool Accepts(DWORD flag) {
  ::EnterCriticalSection(&g_statusLock);
  bool accepted = (g_status.dwControlsAccepted & flag) != 0;
  ::LeaveCriticalSection(&g_statusLock);
  return accepted;
}

DWORD WINAPI Handler(DWORD control, DWORD, void*, void*) {
  switch (control) {
    case SERVICE_CONTROL_STOP:
      if (!Accepts(SERVICE_ACCEPT_STOP)) return ERROR_CALL_NOT_IMPLEMENTED;
      Report(SERVICE_STOP_PENDING);
      ::SetEvent(g_stopEvent);
      return NO_ERROR;
    case SERVICE_CONTROL_PAUSE:
    case SERVICE_CONTROL_CONTINUE:
      if (!Accepts(SERVICE_ACCEPT_PAUSE_CONTINUE)) return ERROR_CALL_NOT_IMPLEMENTED;
      Report(control == SERVICE_CONTROL_PAUSE ? SERVICE_PAUSED : SERVICE_RUNNING);
      return NO_ERROR;
    case SERVICE_CONTROL_INTERROGATE:
      return NO_ERROR;
    default:
      return ERROR_CALL_NOT_IMPLEMENTED;
  }
}

void WINAPI ServiceMain(DWORD, LPSTR*) {
  g_statusHandle = ::RegisterServiceCtrlHandlerExA("", Handler, nullptr);
  if (!g_statusHandle) return;
  g_status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  switch (g_mode) {
    case Mode::Pending:
      // Never signalled: nothing is accepted, so the process lives until it is ended from outside.
      g_status.dwControlsAccepted = 0;
      g_status.dwWaitHint = 60000;
      Report(SERVICE_START_PENDING);
      break;
    case Mode::RefuseStop:
      g_status.dwControlsAccepted = SERVICE_ACCEPT_PAUSE_CONTINUE;
      Report(SERVICE_RUNNING);
      break;
    case Mode::Normal:
      g_status.dwControlsAccepted = SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_PAUSE_CONTINUE;
      Report(SERVICE_RUNNING);
      break;
  }
  ::WaitForSingleObject(g_stopEvent, INFINITE);
  g_status.dwControlsAccepted = 0;
  Report(SERVICE_STOPPED);
}
}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--pending") == 0) g_mode = Mode::Pending;
    if (std::strcmp(argv[i], "--refuse-stop") == 0) g_mode = Mode::RefuseStop;
  }
  ::InitializeCriticalSection(&g_statusLock);
  g_stopEvent = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
  // An own-process service has one entry; the manager runs it whatever name it was created with.
  char name[] = "testsvc";
  SERVICE_TABLE_ENTRYA table[] = {{name, ServiceMain}, {nullptr, nullptr}};
  BOOL dispatched = g_stopEvent && ::StartServiceCtrlDispatcherA(table);
  if (g_stopEvent) ::CloseHandle(g_stopEvent);
  ::DeleteCriticalSection(&g_statusLock);
  return dispatched ? 0 : 1;
}
