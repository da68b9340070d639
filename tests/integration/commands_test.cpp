// The commands against Wine's real manager, on services of testsvc.exe: every box a command
// shows, in order and owned by the window it was given, then what the manager says about the
// service, read back without the code under test.
#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <utility>

#include "framework/wnd.h"
#include "service/commands.h"
#include "tests/integration/open_handles.h"
#include "tests/support/expected_texts.h"
#include "tests/support/message_boxes.h"
#include "tests/support/test_services.h"
#include "tests/support/time_scale.h"

namespace {
using Texts = std::vector<std::string>;
using Command = std::function<void(CWnd&, const char*)>;

constexpr char kPrefix[] = "svcmgr-it";
constexpr DWORD kWaitMs = 10000;

Command SetStartType(DWORD startType) {
  return
      [startType](CWnd& owner, const char* name) { SetSelectedStartType(owner, name, startType); };
}

// How a service is set up before a command runs on it.
enum class Kind { Stopped, Running, Paused, Pending, RefusesStop, MissingProgram };

std::unique_ptr<TestService> Make(Kind kind, DWORD startType = SERVICE_DEMAND_START) {
  std::string path = Quoted(TestServiceProgram());
  if (kind == Kind::Pending) path += " --pending";
  if (kind == Kind::RefusesStop) path += " --refuse-stop";
  if (kind == Kind::MissingProgram) path = Quoted(TestServiceProgram() + ".missing.exe");
  // Display names are unique in the manager as well.
  const std::string name = UniqueServiceName(kPrefix);
  auto service = std::make_unique<TestService>(name, "集成测试 命令 " + name, path, startType);
  bool ready = true;
  switch (kind) {
    case Kind::Running:
    case Kind::RefusesStop:
      ready = service->Start();
      break;
    case Kind::Paused:
      ready = service->Start() && service->Pause();
      break;
    case Kind::Pending:
      ready = service->Start(SERVICE_START_PENDING);
      break;
    default:
      break;
  }
  if (!ready) throw std::runtime_error("setting up " + service->name() + " failed");
  return service;
}

// A service marked for deletion refuses every change of its configuration with its own error;
// asking for no change at all probes that without touching a service that is not marked.
bool MarkedForDeletion(const TestService& service) {
  return !::ChangeServiceConfigA(service.handle(), SERVICE_NO_CHANGE, SERVICE_NO_CHANGE,
                                 SERVICE_NO_CHANGE, nullptr, nullptr, nullptr, nullptr, nullptr,
                                 nullptr, nullptr) &&
         ::GetLastError() == ERROR_SERVICE_MARKED_FOR_DELETE;
}

// Ends and deletes the service, then expects it to leave the listing. A deleted service stays
// listed while any handle to it is open, so this also shows that the commands closed theirs.
void ExpectGoneOnceDeleted(std::unique_ptr<TestService>& service) {
  const std::string name = service->name();
  service.reset();
  EXPECT_TRUE(WaitUntil([&] { return TimesListed(name) == 0; }, 2000))
      << name << " is still listed: a handle to it stayed open";
}

// A hidden top-level window for the commands to own their boxes.
class OwnerWindow {
 public:
  OwnerWindow()
      : m_wnd(::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                                nullptr)) {}
  OwnerWindow(const OwnerWindow&) = delete;
  OwnerWindow& operator=(const OwnerWindow&) = delete;
  ~OwnerWindow() { ::DestroyWindow(m_wnd.m_hWnd); }
  CWnd& wnd() { return m_wnd; }

 private:
  CWnd m_wnd;
};

class CommandsOnRealScm : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { RemoveLeftoverServices(kPrefix); }

  void SetUp() override { ASSERT_TRUE(m_owner.wnd().m_hWnd); }

  // Runs one command and returns the texts of the boxes it showed. A box holds the command until
  // the watcher has recorded and answered it, so all of them are in by the time it returns.
  Texts Run(const Command& command, const std::string& name) {
    command(m_owner.wnd(), name.c_str());
    Texts texts;
    for (const SeenBox& box : m_boxes.Take()) {
      EXPECT_EQ(box.owner, m_owner.wnd().m_hWnd) << box.text;
      texts.push_back(box.text);
    }
    return texts;
  }

  OwnerWindow m_owner;
  MessageBoxWatcher m_boxes;
};

struct Case {
  const char* what;
  Kind kind;
  Texts boxes;
  DWORD stateAfter;
};

TEST_F(CommandsOnRealScm, StartStartsOnlyAStoppedService) {
  const Case cases[] = {
      {"stopped", Kind::Stopped, {kStartSucceeded}, SERVICE_RUNNING},
      {"running", Kind::Running, {kAlreadyStarted}, SERVICE_RUNNING},
      {"paused", Kind::Paused, {kAlreadyStarted}, SERVICE_PAUSED},
      {"start pending", Kind::Pending, {kAlreadyStarted}, SERVICE_START_PENDING},
      {"program missing", Kind::MissingProgram, {kStartFailed}, SERVICE_STOPPED},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto service = Make(c.kind);
    const DWORD process = service->ProcessId();
    EXPECT_EQ(Run(StartSelectedService, service->name()), c.boxes);
    EXPECT_TRUE(service->WaitForState(c.stateAfter, kWaitMs)) << "state " << service->State();
    // A service that was already started keeps its process: nothing else was started.
    if (process != 0) {
      EXPECT_EQ(service->ProcessId(), process);
    }
    ExpectGoneOnceDeleted(service);
  }
}

TEST_F(CommandsOnRealScm, StopStopsAStartedServiceThatTakesTheControl) {
  const Case cases[] = {
      {"running", Kind::Running, {kStopSucceeded}, SERVICE_STOPPED},
      {"paused", Kind::Paused, {kStopSucceeded}, SERVICE_STOPPED},
      {"refuses to stop", Kind::RefusesStop, {kStopFailed}, SERVICE_RUNNING},
      {"start pending", Kind::Pending, {kStopFailed}, SERVICE_START_PENDING},
      {"stopped", Kind::Stopped, {kAlreadyStopped}, SERVICE_STOPPED},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto service = Make(c.kind);
    const DWORD process = service->ProcessId();
    EXPECT_EQ(Run(StopSelectedService, service->name()), c.boxes);
    EXPECT_TRUE(service->WaitForState(c.stateAfter, kWaitMs)) << "state " << service->State();
    if (c.stateAfter != SERVICE_STOPPED) {
      EXPECT_EQ(service->ProcessId(), process);
    }
    ExpectGoneOnceDeleted(service);
  }
}

// The deletion does not wait for the stop it requested: the service is marked for deletion as
// soon as the command returns, and a service that refuses the stop is deleted all the same.
TEST_F(CommandsOnRealScm, DeleteRequestsAStopThenDeletesAtOnce) {
  const Case cases[] = {
      {"running", Kind::Running, {kDeleteSucceeded}, SERVICE_STOPPED},
      {"stopped", Kind::Stopped, {kDeleteSucceeded}, SERVICE_STOPPED},
      {"refuses to stop",
       Kind::RefusesStop,
       {kStopServiceFailed, kDeleteSucceeded},
       SERVICE_RUNNING},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto service = Make(c.kind);
    EXPECT_EQ(Run(DeleteSelectedService, service->name()), c.boxes);
    EXPECT_TRUE(MarkedForDeletion(*service));
    EXPECT_TRUE(service->WaitForState(c.stateAfter, kWaitMs)) << "state " << service->State();
    ExpectGoneOnceDeleted(service);
  }
}

// Each start type in turn, each one a change; nothing else of the service moves.
TEST_F(CommandsOnRealScm, EachStartTypeIsWrittenWithItsOwnText) {
  auto service = Make(Kind::Stopped);
  ScmService before;
  ASSERT_TRUE(ScmServiceNamed(service->name(), before));
  ASSERT_EQ(before.startType, static_cast<DWORD>(SERVICE_DEMAND_START));
  const std::pair<DWORD, const char*> changes[] = {{SERVICE_AUTO_START, kSetAutomatic},
                                                   {SERVICE_DISABLED, kSetDisabled},
                                                   {SERVICE_DEMAND_START, kSetManual},
                                                   {SERVICE_AUTO_START, kSetAutomatic},
                                                   {SERVICE_DEMAND_START, kSetManual}};
  for (const auto& [startType, text] : changes) {
    SCOPED_TRACE(startType);
    EXPECT_EQ(Run(SetStartType(startType), service->name()), Texts{text});
    ScmService after;
    ASSERT_TRUE(ScmServiceNamed(service->name(), after));
    EXPECT_EQ(after.startType, startType);
    EXPECT_EQ(after.state, before.state);
    EXPECT_EQ(after.displayName, before.displayName);
    EXPECT_EQ(after.path, before.path);
  }
  ExpectGoneOnceDeleted(service);
}

// A single space, the name the commands get when no row is marked: every step after the failed
// open runs and reports in turn.
TEST_F(CommandsOnRealScm, ANameOfNoServiceReportsEveryFailedStep) {
  struct NoServiceCase {
    const char* what;
    Command command;
    Texts boxes;
  };
  const NoServiceCase cases[] = {
      {"start", StartSelectedService, {kOpenServiceFailed, kQueryStatusFailed, kAlreadyStarted}},
      {"stop", StopSelectedService, {kOpenServiceFailed, kQueryStatusFailed, kStopFailed}},
      {"delete",
       DeleteSelectedService,
       {kOpenServiceFailed, kQueryStatusFailed, kStopServiceFailed, kDeleteFailed}},
      {"automatic", SetStartType(SERVICE_AUTO_START), {kOpenServiceFailed, kChangeConfigFailed}},
      {"disabled", SetStartType(SERVICE_DISABLED), {kOpenServiceFailed, kChangeConfigFailed}},
      {"manual", SetStartType(SERVICE_DEMAND_START), {kOpenServiceFailed, kChangeConfigFailed}},
  };
  for (const NoServiceCase& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Run(c.command, " "), c.boxes);
  }
}

// Beside a service named by the first 99 bytes of a 120-byte name, every command reaches the
// service of the whole name and leaves the shorter one as it was.
TEST_F(CommandsOnRealScm, ALongNameIsUsedWhole) {
  std::string longName = UniqueServiceName(kPrefix) + "-";
  longName.resize(120, 'l');
  const std::string shortName = longName.substr(0, 99);
  auto whole = std::make_unique<TestService>(longName, "集成测试 长名",
                                             Quoted(TestServiceProgram()), SERVICE_DEMAND_START);
  auto prefix = std::make_unique<TestService>(shortName, "集成测试 长名的前 99 字节",
                                              Quoted(TestServiceProgram()), SERVICE_AUTO_START);
  struct Step {
    const char* what;
    Command command;
    Texts boxes;
    DWORD state;
    DWORD startType;
  };
  const Step steps[] = {
      {"start", StartSelectedService, {kStartSucceeded}, SERVICE_RUNNING, SERVICE_DEMAND_START},
      {"stop", StopSelectedService, {kStopSucceeded}, SERVICE_STOPPED, SERVICE_DEMAND_START},
      {"automatic",
       SetStartType(SERVICE_AUTO_START),
       {kSetAutomatic},
       SERVICE_STOPPED,
       SERVICE_AUTO_START},
      {"disabled",
       SetStartType(SERVICE_DISABLED),
       {kSetDisabled},
       SERVICE_STOPPED,
       SERVICE_DISABLED},
      {"manual",
       SetStartType(SERVICE_DEMAND_START),
       {kSetManual},
       SERVICE_STOPPED,
       SERVICE_DEMAND_START},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    EXPECT_EQ(Run(step.command, longName), step.boxes);
    EXPECT_TRUE(whole->WaitForState(step.state, kWaitMs)) << "state " << whole->State();
    ScmService service;
    ASSERT_TRUE(ScmServiceNamed(longName, service));
    EXPECT_EQ(service.startType, step.startType);
    ASSERT_TRUE(ScmServiceNamed(shortName, service));
    EXPECT_EQ(service.state, static_cast<DWORD>(SERVICE_STOPPED));
    EXPECT_EQ(service.startType, static_cast<DWORD>(SERVICE_AUTO_START));
  }
  EXPECT_EQ(Run(DeleteSelectedService, longName), Texts{kDeleteSucceeded});
  EXPECT_TRUE(MarkedForDeletion(*whole));
  EXPECT_FALSE(MarkedForDeletion(*prefix));
  ExpectGoneOnceDeleted(whole);
  EXPECT_EQ(TimesListed(shortName), 1u);
}

// Many commands in a row keep no handle open: no kernel handle (the token of the privilege step
// among them), and no handle to either service, which would keep it listed once deleted.
TEST_F(CommandsOnRealScm, RepeatedCommandsLeaveNoHandleOpen) {
  auto running = Make(Kind::Running);
  auto stopped = Make(Kind::Stopped);
  const std::string runningName = running->name(), stoppedName = stopped->name();
  const std::pair<Command, std::string> round[] = {
      {StartSelectedService, runningName},
      {StopSelectedService, stoppedName},
      {SetStartType(SERVICE_AUTO_START), runningName},
      {SetStartType(SERVICE_DISABLED), stoppedName},
      {SetStartType(SERVICE_DEMAND_START), runningName}};
  size_t boxes = 0;
  auto runRound = [&] {
    for (const auto& [command, name] : round) boxes += Run(command, name).size();
  };
  runRound();  // first-use allocations
  EXPECT_EQ(HandlesLeftOpen(runRound, 5), 0u);
  EXPECT_EQ(boxes, 11 * std::size(round));
  EXPECT_EQ(running->State(), static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_EQ(stopped->State(), static_cast<DWORD>(SERVICE_STOPPED));
  ExpectGoneOnceDeleted(running);
  ExpectGoneOnceDeleted(stopped);
}
}  // namespace
