// One run of the program through hundreds of refreshes and commands: what it holds of the
// system (handles, window and drawing objects, private memory) must not grow with use.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
#include <winternl.h>

#include <cstdio>
#include <iterator>
#include <vector>

#include "app_driver.h"
#include "res/resource.h"
#include "tests/support/test_services.h"

namespace {
// What the process holds, by the measures Wine keeps: it stubs the handle and GUI object counts
// of another process, and leaves its private usage at 0, but reports the size of the process's
// handle table (which a leak grows) and its committed private memory as pagefile usage.
struct Holdings {
  ULONG handleTable = 0;
  DWORD windows = 0;
  DWORD gdiObjects = 0;  // 0 where the platform does not count them
  DWORD userObjects = 0;
  SIZE_T privateBytes = 0;
};

using QuerySystemInformation = NTSTATUS(WINAPI*)(ULONG, PVOID, ULONG, PULONG);

ULONG HandleTableOf(DWORD processId) {
  auto query = reinterpret_cast<QuerySystemInformation>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
  std::vector<char> buffer(1 << 20);
  ULONG length = 0;
  if (!query || query(SystemProcessInformation, buffer.data(), buffer.size(), &length) != 0)
    return 0;
  for (auto* p = reinterpret_cast<SYSTEM_PROCESS_INFORMATION*>(buffer.data());;
       p = reinterpret_cast<SYSTEM_PROCESS_INFORMATION*>(reinterpret_cast<char*>(p) +
                                                         p->NextEntryOffset)) {
    if (reinterpret_cast<ULONG_PTR>(p->UniqueProcessId) == processId) return p->HandleCount;
    if (!p->NextEntryOffset) return 0;
  }
}

struct WindowCount {
  DWORD processId;
  DWORD windows;
};

BOOL CALLBACK CountChild(HWND, LPARAM count) {
  ++reinterpret_cast<WindowCount*>(count)->windows;
  return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND window, LPARAM lParam) {
  auto* count = reinterpret_cast<WindowCount*>(lParam);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  if (owner != count->processId) return TRUE;
  ++count->windows;
  ::EnumChildWindows(window, CountChild, lParam);
  return TRUE;
}

// The process's top-level windows and all their children.
DWORD WindowsOf(DWORD processId) {
  WindowCount count{processId, 0};
  ::EnumWindows(CountTopLevel, reinterpret_cast<LPARAM>(&count));
  return count.windows;
}

Holdings Read(HANDLE process, DWORD processId) {
  Holdings h;
  h.handleTable = HandleTableOf(processId);
  h.windows = WindowsOf(processId);
  h.gdiObjects = ::GetGuiResources(process, GR_GDIOBJECTS);
  h.userObjects = ::GetGuiResources(process, GR_USEROBJECTS);
  PROCESS_MEMORY_COUNTERS_EX memory{};
  if (::GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                             sizeof memory))
    h.privateBytes = memory.PrivateUsage ? memory.PrivateUsage : memory.PagefileUsage;
  return h;
}

std::string Describe(const Holdings& h) {
  return "handle table " + std::to_string(h.handleTable) + ", windows " +
         std::to_string(h.windows) + ", GDI " + std::to_string(h.gdiObjects) + ", USER " +
         std::to_string(h.userObjects) + ", private " + std::to_string(h.privateBytes / 1024) +
         " KiB";
}
}  // namespace

TEST(LongUse, RefreshesAndCommandsDoNotGrowWhatTheProgramHolds) {
  // Digits sort before letters, so this service is the list's first row after every refresh.
  RemoveLeftoverServices("0000longuse");
  const std::string name = UniqueServiceName("0000longuse");
  TestService service(name, name, Quoted(TestServiceProgram()));
  AppDriver app;
  ASSERT_TRUE(app.Launch());
  HANDLE process =
      ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, app.ProcessId());
  ASSERT_NE(process, nullptr);
  HWND main = app.MainWindow();
  HWND list = app.Control(IDC_SERVICE_LIST);
  const WPARAM commands[] = {ID_START_SERVICE,     ID_STOP_SERVICE,        ID_START_TYPE_AUTO,
                             ID_START_TYPE_MANUAL, ID_START_TYPE_DISABLED, ID_START_SERVICE};

  // Each round: one refresh and one command on the first row, as the menu sends it. The next
  // round waits until the command's box is gone, as a person would.
  size_t boxes = 0;
  auto noBoxShown = [&] { return !ShownMessageBox(app.ProcessId()); };
  auto rounds = [&](int count, int first) {
    for (int i = first; i < first + count; ++i) {
      ASSERT_TRUE(SendCommand(main, IDOK, 30000)) << "refresh " << i << " did not end";
      ::SendMessageA(list, LVM_SETSELECTIONMARK, 0, 0);
      // Posted: the command's message box would hold a sent message until it is answered.
      ::PostMessageA(main, WM_COMMAND, commands[i % std::size(commands)], 0);
      ASSERT_TRUE(app.Boxes().WaitFor(1)) << "no outcome shown for command " << i;
      ASSERT_TRUE(WaitUntil(noBoxShown, 10000)) << "the box of command " << i << " stayed";
      boxes += app.Boxes().Take().size();
      if (commands[i % std::size(commands)] == ID_STOP_SERVICE)
        service.WaitForState(SERVICE_STOPPED, 5000);
    }
  };

  rounds(20, 0);  // warm-up: heaps and caches reach their working size
  ASSERT_FALSE(HasFatalFailure());
  const Holdings warm = Read(process, app.ProcessId());
  // Each round is slow under emulation: fewer of them still show a leak of one thing a round.
  const int measured = UnderEmulation() ? 60 : 280;
  rounds(measured, 20);
  ASSERT_FALSE(HasFatalFailure());
  // Windows of the system's own (a box still being torn down) come and go for a while after a
  // round; windows that leaked stay.
  WaitUntil([&] { return WindowsOf(app.ProcessId()) <= warm.windows; }, 5000);
  const Holdings end = Read(process, app.ProcessId());
  ::CloseHandle(process);
  std::printf("after warm-up: %s\nafter %d more: %s\n", Describe(warm).c_str(), measured,
              Describe(end).c_str());

  EXPECT_EQ(boxes, 20u + measured) << "one box per command";
  EXPECT_TRUE(app.IsRunning());
  // Every measure must be working for its comparison to mean anything.
  ASSERT_GT(warm.handleTable, 0u);
  ASSERT_GT(warm.windows, 0u);
  ASSERT_GT(warm.privateBytes, 0u);
  // A leak of one handle or object per command or refresh would show as one per round.
  EXPECT_LE(end.handleTable, warm.handleTable);
  // A window of the system's own (a box still being torn down) may come and go between reads.
  EXPECT_LE(end.windows, warm.windows + 2);
  if (warm.gdiObjects) {
    EXPECT_LE(end.gdiObjects, warm.gdiObjects + 5);
  }
  if (warm.userObjects) {
    EXPECT_LE(end.userObjects, warm.userObjects + 5);
  }
  // The smallest buffer a refresh or command allocates is 4 KiB: one a round would be twice this.
  // An emulated process's memory is mostly the emulator's, which grows as it translates code.
  if (!UnderEmulation()) {
    EXPECT_LE(end.privateBytes, warm.privateBytes + measured * 2048u);
  }
}
