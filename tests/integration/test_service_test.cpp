// The test service program and its helpers, which the other tests build their cases on.
#include <gtest/gtest.h>

#include "tests/support/test_services.h"

namespace {
constexpr char kPrefix[] = "svcmgr-it";

// Paused and continued, then stopped, the program ends by itself and cleanly.
TEST(TestServiceProgram, PausesContinuesAndEndsOnStop) {
  TestService service(UniqueServiceName(kPrefix), "testsvc 默认", Quoted(TestServiceProgram()));
  ASSERT_TRUE(service.Start());
  ASSERT_TRUE(service.Pause());
  SERVICE_STATUS status{};
  ASSERT_TRUE(::ControlService(service.handle(), SERVICE_CONTROL_CONTINUE, &status));
  EXPECT_TRUE(service.WaitForState(SERVICE_RUNNING, 10000));

  HANDLE process =
      ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, service.ProcessId());
  ASSERT_TRUE(process);
  ASSERT_TRUE(::ControlService(service.handle(), SERVICE_CONTROL_STOP, &status));
  EXPECT_TRUE(service.WaitForState(SERVICE_STOPPED, 10000));
  EXPECT_EQ(::WaitForSingleObject(process, 10000), WAIT_OBJECT_0);
  DWORD exitCode = STILL_ACTIVE;
  ::GetExitCodeProcess(process, &exitCode);
  ::CloseHandle(process);
  EXPECT_EQ(exitCode, 0u);
}

// Services that take no stop control are still ended and deleted when their object goes.
TEST(TestServiceProgram, RefusingServicesAreCleanedUpAnyway) {
  const std::string program = Quoted(TestServiceProgram());
  std::string refusing = UniqueServiceName(kPrefix), pending = UniqueServiceName(kPrefix);
  DWORD processes[2] = {};
  {
    TestService refuser(refusing, "testsvc 拒绝停止", program + " --refuse-stop");
    ASSERT_TRUE(refuser.Start());
    SERVICE_STATUS status{};
    EXPECT_FALSE(::ControlService(refuser.handle(), SERVICE_CONTROL_STOP, &status));
    EXPECT_EQ(refuser.State(), static_cast<DWORD>(SERVICE_RUNNING));

    TestService pender(pending, "testsvc 启动中", program + " --pending");
    ASSERT_TRUE(pender.Start(SERVICE_START_PENDING));
    EXPECT_FALSE(::ControlService(pender.handle(), SERVICE_CONTROL_STOP, &status));
    EXPECT_FALSE(::ControlService(pender.handle(), SERVICE_CONTROL_PAUSE, &status));
    EXPECT_EQ(pender.State(), static_cast<DWORD>(SERVICE_START_PENDING));
    processes[0] = refuser.ProcessId();
    processes[1] = pender.ProcessId();
  }
  EXPECT_TRUE(WaitUntilGone(refusing, 5000));
  EXPECT_TRUE(WaitUntilGone(pending, 5000));
  for (DWORD id : processes) {
    HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, id);
    EXPECT_TRUE(!process || ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0) << id;
    if (process) ::CloseHandle(process);
  }
}

// Started by hand rather than by the manager, the program ends at once with a failure.
TEST(TestServiceProgram, EndsWhenNotStartedByTheManager) {
  std::string command = Quoted(TestServiceProgram());
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  ASSERT_TRUE(::CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &info));
  EXPECT_EQ(::WaitForSingleObject(info.hProcess, 10000), WAIT_OBJECT_0);
  DWORD exitCode = 0;
  ::GetExitCodeProcess(info.hProcess, &exitCode);
  ::CloseHandle(info.hThread);
  ::CloseHandle(info.hProcess);
  EXPECT_EQ(exitCode, 1u);
}
}  // namespace
