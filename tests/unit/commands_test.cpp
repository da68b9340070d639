// The commands against a manager in memory: what each shows, in order, and what it asks of the
// manager, including the refusals Wine's real manager never makes.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "fake_scm.h"
#include "framework/wnd.h"
#include "service/commands.h"
#include "service/creation.h"
#include "service/privilege.h"
#include "tests/support/expected_texts.h"
#include "tests/support/message_boxes.h"

namespace {
using Texts = std::vector<std::string>;

// Runs a command with no owner window and returns the texts of the boxes it showed. Each box holds
// the command up until the watcher, having recorded it, answers it: all are recorded by the end.
Texts Shown(const std::function<void(CWnd&)>& command) {
  MessageBoxWatcher boxes;
  CWnd owner;
  command(owner);
  return boxes.TakeTexts();
}

size_t CountCalls(const FakeScm& scm, const std::string& prefix) {
  size_t n = 0;
  for (const std::string& call : scm.calls) n += call.rfind(prefix, 0) == 0;
  return n;
}

// Puts each message box among the manager's calls as it is shown, so that a test sees what was
// shown while what was held.
class BoxesAmongCalls {
 public:
  explicit BoxesAmongCalls(FakeScm& scm)
      : m_hook(::SetWindowsHookExA(WH_CBT, Hook, nullptr, ::GetCurrentThreadId())) {
    s_scm = &scm;
  }
  BoxesAmongCalls(const BoxesAmongCalls&) = delete;
  BoxesAmongCalls& operator=(const BoxesAmongCalls&) = delete;
  ~BoxesAmongCalls() {
    ::UnhookWindowsHookEx(m_hook);
    s_scm = nullptr;
  }

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && s_scm) s_scm->calls.push_back("MessageBox");
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
  }

  static FakeScm* s_scm;
  HHOOK m_hook;
};
FakeScm* BoxesAmongCalls::s_scm;

// Files and folders made for one test in a folder of its own, removed again at its end, last made
// first.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& name) {
    char temp[MAX_PATH] = "";
    ::GetTempPathA(sizeof temp, temp);
    m_path = temp + name + " " + std::to_string(::GetCurrentProcessId());
    Folder("");
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  ~ScratchFolder() {
    for (size_t i = m_made.size(); i-- > 0;) {
      if (m_made[i].second)
        ::RemoveDirectoryA(m_made[i].first.c_str());
      else
        ::DeleteFileA(m_made[i].first.c_str());
    }
  }

  // Each gives its full path; `made` turns false for any that could not be made.
  std::string Folder(const std::string& inside) {
    const std::string path = Path(inside);
    m_madeAll = ::CreateDirectoryA(path.c_str(), nullptr) && m_madeAll;
    m_made.emplace_back(path, true);
    return path;
  }
  std::string File(const std::string& inside) {
    const std::string path = Path(inside);
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    m_madeAll = file != INVALID_HANDLE_VALUE && m_madeAll;
    if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
    m_made.emplace_back(path, false);
    return path;
  }
  std::string Path(const std::string& inside) const {
    return inside.empty() ? m_path : m_path + "\\" + inside;
  }
  bool made() const { return m_madeAll; }

 private:
  std::string m_path;
  std::vector<std::pair<std::string, bool>> m_made;  // path, whether a folder
  bool m_madeAll = true;
};

size_t LastCall(const FakeScm& scm, const std::string& call) {
  for (size_t i = scm.calls.size(); i-- > 0;)
    if (scm.calls[i] == call) return i;
  return scm.calls.size();
}
}  // namespace

TEST(Commands, StartStopAndDeleteReportEachOutcome) {
  struct Case {
    const char* what;
    DWORD state;
    bool controlFails;
    std::function<void(CWnd&, const char*)> command;
    Texts expected;
    DWORD stateAfter;
    size_t stopControls;
  };
  const Case cases[] = {
      {"start stopped",
       SERVICE_STOPPED,
       false,
       StartSelectedService,
       {kStartSucceeded},
       SERVICE_RUNNING,
       0},
      {"start paused",
       SERVICE_PAUSED,
       false,
       StartSelectedService,
       {kAlreadyStarted},
       SERVICE_PAUSED,
       0},
      {"start pending",
       SERVICE_START_PENDING,
       false,
       StartSelectedService,
       {kAlreadyStarted},
       SERVICE_START_PENDING,
       0},
      {"stop running",
       SERVICE_RUNNING,
       false,
       StopSelectedService,
       {kStopSucceeded},
       SERVICE_STOPPED,
       1},
      {"stop refused",
       SERVICE_RUNNING,
       true,
       StopSelectedService,
       {kStopFailed},
       SERVICE_RUNNING,
       1},
      {"stop stopped",
       SERVICE_STOPPED,
       false,
       StopSelectedService,
       {kAlreadyStopped},
       SERVICE_STOPPED,
       0},
      {"delete running",
       SERVICE_RUNNING,
       false,
       DeleteSelectedService,
       {kDeleteSucceeded},
       SERVICE_STOPPED,
       1},
      {"delete, stop refused",
       SERVICE_RUNNING,
       true,
       DeleteSelectedService,
       {kStopServiceFailed, kDeleteSucceeded},
       SERVICE_RUNNING,
       1},
      {"delete stopped",
       SERVICE_STOPPED,
       false,
       DeleteSelectedService,
       {kDeleteSucceeded},
       SERVICE_STOPPED,
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeScm scm;
    scm.Add("target", c.state).controlFails = c.controlFails;
    EXPECT_EQ(Shown([&](CWnd& owner) { c.command(owner, "target"); }), c.expected);
    EXPECT_EQ(scm.services[0].state, c.stateAfter);
    EXPECT_EQ(CountCalls(scm, "ControlService 1"), c.stopControls);
    EXPECT_EQ(CountCalls(scm, "OpenSCManagerA 2"), 1u);
    EXPECT_EQ(scm.OpenHandles(), 0u);  // token, service and manager all closed
  }
}

TEST(Commands, ANameThatNamesNoServiceRunsEveryStepAndReportsEach) {
  const Texts opening = {kOpenServiceFailed, kQueryStatusFailed};
  auto with = [&](Texts tail) {
    Texts all = opening;
    all.insert(all.end(), tail.begin(), tail.end());
    return all;
  };
  FakeScm scm;
  scm.Add("other", SERVICE_RUNNING);
  EXPECT_EQ(Shown([](CWnd& o) { StartSelectedService(o, " "); }), with({kAlreadyStarted}));
  EXPECT_EQ(Shown([](CWnd& o) { StopSelectedService(o, " "); }), with({kStopFailed}));
  EXPECT_EQ(Shown([](CWnd& o) { DeleteSelectedService(o, " "); }),
            with({kStopServiceFailed, kDeleteFailed}));
  EXPECT_EQ(Shown([](CWnd& o) { SetSelectedStartType(o, " ", SERVICE_DISABLED); }),
            Texts({kOpenServiceFailed, kChangeConfigFailed}));
  EXPECT_EQ(scm.services[0].state, SERVICE_RUNNING);
  // Only a refused right is worth a second open; a name that names no service gets one each.
  EXPECT_EQ(CountCalls(scm, "OpenServiceA"), 4u);
  EXPECT_EQ(scm.OpenHandles(), 0u);
}

TEST(Commands, ARefusedConnectionIsReportedAndTheCommandGoesOn) {
  FakeScm scm;
  scm.Add("target", SERVICE_STOPPED);
  scm.refuseConnection = true;
  const Texts opening = {kOpenManagerFailed, kOpenServiceFailed};
  EXPECT_EQ(Shown([](CWnd& o) { StartSelectedService(o, "target"); }),
            Texts({opening[0], opening[1], kQueryStatusFailed, kAlreadyStarted}));
  EXPECT_EQ(Shown([](CWnd& o) { SetSelectedStartType(o, "target", SERVICE_AUTO_START); }),
            Texts({opening[0], opening[1], kLockFailed, kChangeConfigFailed}));
  EXPECT_EQ(scm.services[0].state, SERVICE_STOPPED);
}

TEST(Commands, StartTypeIsChangedUnderTheLockWhateverTheLockAnswers) {
  struct Case {
    DWORD lockError;
    DWORD startType;
    Texts expected;
  };
  const Case cases[] = {
      {0, SERVICE_AUTO_START, {kSetAutomatic}},
      {0, SERVICE_DISABLED, {kSetDisabled}},
      {0, SERVICE_DEMAND_START, {kSetManual}},
      {ERROR_SERVICE_DATABASE_LOCKED, SERVICE_DISABLED, {kSetDisabled}},
      {ERROR_ACCESS_DENIED, SERVICE_AUTO_START, {kLockFailed, kSetAutomatic}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.lockError) + " " + std::to_string(c.startType));
    FakeScm scm;
    scm.Add("target", SERVICE_RUNNING,
            c.startType == SERVICE_DEMAND_START ? SERVICE_DISABLED : SERVICE_DEMAND_START);
    scm.lockError = c.lockError;
    BoxesAmongCalls order(scm);
    EXPECT_EQ(Shown([&](CWnd& o) { SetSelectedStartType(o, "target", c.startType); }), c.expected);
    // A lock held while the outcome waits for the user keeps the manager from starting services.
    if (!c.lockError) {
      EXPECT_LT(LastCall(scm, "UnlockServiceDatabase"), LastCall(scm, "MessageBox"));
    }
    EXPECT_EQ(scm.services[0].startType, c.startType);
    // The lock needs its own right besides the one to create services.
    EXPECT_EQ(CountCalls(scm, "OpenSCManagerA 10"), 1u);
    EXPECT_EQ(CountCalls(scm, "UnlockServiceDatabase"), c.lockError ? 0u : 1u);
    EXPECT_EQ(scm.OpenHandles(), 0u);
  }
}

// Windows keeps all access from an administrator to some services it protects, yet grants some
// rights: each command then asks for those it uses, and at least to read the state, so that what
// it shows is its own call's outcome.
TEST(Commands, AServiceThatRefusesAllAccessIsOpenedWithTheRightsTheCommandUses) {
  const DWORD status = SERVICE_QUERY_STATUS;
  // Readable, as such a service is, but not to be changed.
  const DWORD readable = SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS;
  const auto setAutomatic = [](CWnd& o, const char* name) {
    SetSelectedStartType(o, name, SERVICE_AUTO_START);
  };
  struct Case {
    const char* what;
    DWORD granted;
    DWORD state;
    std::function<void(CWnd&, const char*)> command;
    Texts expected;
    DWORD stateAfter;
  };
  const Case cases[] = {
      {"start",
       status | SERVICE_START,
       SERVICE_STOPPED,
       StartSelectedService,
       {kStartSucceeded},
       SERVICE_RUNNING},
      {"start, status alone",
       status,
       SERVICE_STOPPED,
       StartSelectedService,
       {kStartFailed},
       SERVICE_STOPPED},
      {"start, nothing",
       0,
       SERVICE_STOPPED,
       StartSelectedService,
       {kOpenServiceFailed, kQueryStatusFailed, kAlreadyStarted},
       SERVICE_STOPPED},
      {"stop",
       status | SERVICE_STOP,
       SERVICE_RUNNING,
       StopSelectedService,
       {kStopSucceeded},
       SERVICE_STOPPED},
      {"stop, status alone",
       status,
       SERVICE_RUNNING,
       StopSelectedService,
       {kStopFailed},
       SERVICE_RUNNING},
      {"stop, nothing",
       0,
       SERVICE_RUNNING,
       StopSelectedService,
       {kOpenServiceFailed, kQueryStatusFailed, kStopFailed},
       SERVICE_RUNNING},
      {"delete",
       status | SERVICE_STOP | DELETE,
       SERVICE_RUNNING,
       DeleteSelectedService,
       {kDeleteSucceeded},
       SERVICE_STOPPED},
      {"delete, no right to stop",
       status | DELETE,
       SERVICE_RUNNING,
       DeleteSelectedService,
       {kStopServiceFailed, kDeleteSucceeded},
       SERVICE_RUNNING},
      {"delete, status alone",
       status,
       SERVICE_RUNNING,
       DeleteSelectedService,
       {kStopServiceFailed, kDeleteFailed},
       SERVICE_RUNNING},
      {"delete, nothing",
       0,
       SERVICE_RUNNING,
       DeleteSelectedService,
       {kOpenServiceFailed, kQueryStatusFailed, kStopServiceFailed, kDeleteFailed},
       SERVICE_RUNNING},
      {"start type",
       SERVICE_CHANGE_CONFIG,
       SERVICE_RUNNING,
       setAutomatic,
       {kSetAutomatic},
       SERVICE_RUNNING},
      {"start type, readable",
       readable,
       SERVICE_RUNNING,
       setAutomatic,
       {kChangeConfigFailed},
       SERVICE_RUNNING},
      {"start type, nothing",
       0,
       SERVICE_RUNNING,
       setAutomatic,
       {kOpenServiceFailed, kChangeConfigFailed},
       SERVICE_RUNNING},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeScm scm;
    FakeService& target = scm.Add("target", c.state);
    target.grantedAccess = c.granted;
    EXPECT_EQ(Shown([&](CWnd& owner) { c.command(owner, "target"); }), c.expected);
    EXPECT_EQ(scm.services[0].state, c.stateAfter);
    EXPECT_EQ(scm.services[0].name == "target", c.expected.back() != kDeleteSucceeded);
    EXPECT_EQ(scm.services[0].startType,
              static_cast<DWORD>(c.expected.back() == kSetAutomatic ? SERVICE_AUTO_START
                                                                    : SERVICE_DEMAND_START));
    EXPECT_EQ(scm.OpenHandles(), 0u);
  }
}

TEST(Privilege, EnablesDebugPrivilegeAndClosesTheToken) {
  FakeScm scm;
  EXPECT_TRUE(EnableDebugPrivilege());
  EXPECT_EQ(scm.calls, Texts({"OpenProcessToken 32", "LookupPrivilegeValueA SeDebugPrivilege",
                              "AdjustTokenPrivileges 0 1 2 16", "CloseHandle"}));
  EXPECT_EQ(scm.OpenHandles(), 0u);

  scm.calls.clear();
  scm.tokenRefused = true;
  EXPECT_FALSE(EnableDebugPrivilege());
  EXPECT_EQ(scm.calls, Texts({"OpenProcessToken 32"}));
}

TEST(Creation, ARefusedConnectionIsReportedThenTheFailedCreation) {
  FakeScm scm;
  scm.refuseConnection = true;
  EXPECT_EQ(Shown([](CWnd&) { CreateOwnProcessService("new", "显示", "C:\\x.exe", 2); }),
            Texts({kOpenManagerFailedOnCreate, kCreateFailed}));
  EXPECT_TRUE(scm.created.empty());
}

// The service manager reads an unquoted path as CreateProcess reads a command line: the program's
// name may end at any space, the shortest that names a file first, with ".exe" added to a name
// without an extension.
TEST(Creation, ThePartOfAPathThatNamesAProgramIsQuotedAndTheRestFollowsUnlessTwoDo) {
  ScratchFolder scratch("svcmgr unit paths");
  scratch.Folder("Acme Agent");
  const std::string agent = scratch.File("Acme Agent\\agent.exe");
  // Planted where a shorter name of the program would find it, and where a longer one would.
  scratch.File("Acme.exe");
  scratch.Folder("Other Tools");
  scratch.File("Other Tools\\tool");
  scratch.Folder("Other Tools\\data.exe");
  const std::string other = scratch.File("Other Tools\\agent.exe");
  scratch.File("Other Tools\\agent.exe --service");
  ASSERT_TRUE(scratch.made()) << scratch.Path("");
  const std::string acme = scratch.Path("Acme");
  const std::string tools = scratch.Path("Other Tools");
  const auto quoted = [](const std::string& path) { return '"' + path + '"'; };
  struct Case {
    std::string typed;
    std::string registered;
    std::vector<std::string> ambiguous = {};
  };
  const Case cases[] = {
      // Two programs named: the text does not say which is meant.
      {agent + " --service", "", {acme, agent}},
      {other + " --service", "", {other, other + " --service"}},
      {quoted(agent) + " --service", quoted(agent) + " --service"},
      {other, quoted(other)},
      {other + "  -a  -b ", quoted(other) + "  -a  -b "},
      // Counted with ".exe" added, and listed as typed.
      {acme + " Agent\\agent --service", "", {acme, acme + " Agent\\agent"}},
      // Only the planted file is found: the manager would run it unquoted just the same.
      {acme + " Agent\\missing.exe --service", quoted(acme) + " Agent\\missing.exe --service"},
      // A file without an extension is no program, nor is a folder; the whole text naming a
      // file is quoted all the same.
      {tools + "\\tool --x", tools + "\\tool --x"},
      {tools + "\\tool", quoted(tools + "\\tool")},
      {tools + "\\data.exe --x", tools + "\\data.exe --x"},
      {tools + "\\missing.exe --x", tools + "\\missing.exe --x"},
      // Found with its variables expanded, as the manager expands them, and stored unexpanded.
      {"%SystemRoot%\\system32\\services.exe --x", "\"%SystemRoot%\\system32\\services.exe\" --x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    const ProgramPath program = ProgramPathToRegister(c.typed.c_str());
    EXPECT_EQ(program.registered, c.registered);
    EXPECT_EQ(program.ambiguous, c.ambiguous);
  }
}
