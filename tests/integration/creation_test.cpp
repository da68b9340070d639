// Service creation against Wine's real manager: the one box each attempt shows, and what the
// manager then holds, read back without the code under test.
#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "framework/wnd.h"
#include "service/commands.h"
#include "service/creation.h"
#include "tests/support/expected_texts.h"
#include "tests/support/message_boxes.h"
#include "tests/support/test_services.h"
#include "tests/support/time_scale.h"

namespace {
using Texts = std::vector<std::string>;

constexpr char kPrefix[] = "svcmgr-it";

Texts Create(const std::string& name, const std::string& displayName, const std::string& path,
             DWORD startType = SERVICE_DEMAND_START) {
  MessageBoxWatcher boxes;
  CreateOwnProcessService(name.c_str(), displayName.c_str(), path.c_str(), startType);
  return boxes.TakeTexts();
}

// What the listing says of every service, but its run state, which creation does not touch.
std::set<std::tuple<std::string, std::string, DWORD, std::string>> Listing() {
  std::set<std::tuple<std::string, std::string, DWORD, std::string>> listing;
  for (const ScmService& service : ScmListing())
    listing.emplace(service.name, service.displayName, service.startType, service.path);
  return listing;
}

class CreationOnRealScm : public ::testing::Test {
 protected:
  // A copy of testsvc.exe in a folder whose name holds spaces.
  static void SetUpTestSuite() {
    RemoveLeftoverServices(kPrefix);
    char temp[MAX_PATH] = "";
    ::GetTempPathA(sizeof temp, temp);
    s_folder = std::string(temp) + "svcmgr it " + std::to_string(::GetCurrentProcessId()) +
               " creation folder";
    s_program = s_folder + "\\test service.exe";
    s_copied = ::CreateDirectoryA(s_folder.c_str(), nullptr) &&
               ::CopyFileA(TestServiceProgram().c_str(), s_program.c_str(), FALSE);
  }

  static void TearDownTestSuite() {
    // The program of a service that just stopped may take a moment to let go of its file.
    WaitUntil(
        [] { return ::DeleteFileA(s_program.c_str()) || ::GetLastError() == ERROR_FILE_NOT_FOUND; },
        5000);
    ::RemoveDirectoryA(s_folder.c_str());
  }

  void SetUp() override { ASSERT_TRUE(s_copied) << "copying testsvc.exe to " << s_program; }

  static std::string s_folder;
  static std::string s_program;
  static bool s_copied;
};

std::string CreationOnRealScm::s_folder;
std::string CreationOnRealScm::s_program;
bool CreationOnRealScm::s_copied = false;

TEST_F(CreationOnRealScm, RegistersAnOwnProcessServiceAsGiven) {
  const std::string path = Quoted(TestServiceProgram());
  for (DWORD startType : {SERVICE_AUTO_START, SERVICE_DEMAND_START, SERVICE_DISABLED}) {
    SCOPED_TRACE(startType);
    const std::string name = UniqueServiceName(kPrefix);
    const std::string displayName = "集成测试 创建的服务 " + std::to_string(startType);
    RemoveOnExit removal;
    EXPECT_EQ(Create(removal.Add(name), displayName, path, startType), Texts{kCreateSucceeded});
    EXPECT_EQ(TimesListed(name), 1u);
    ScmService service;
    ASSERT_TRUE(ScmServiceNamed(name, service));
    EXPECT_EQ(service.displayName, displayName);
    EXPECT_EQ(service.path, path);
    EXPECT_EQ(service.type, static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS));
    EXPECT_EQ(service.errorControl, static_cast<DWORD>(SERVICE_ERROR_NORMAL));
    EXPECT_EQ(service.startType, startType);
    EXPECT_EQ(service.state, static_cast<DWORD>(SERVICE_STOPPED));
  }
}

TEST_F(CreationOnRealScm, TheSameFieldsTwiceCreateOneService) {
  const std::string name = UniqueServiceName(kPrefix);
  const std::string path = Quoted(TestServiceProgram());
  RemoveOnExit removal;
  EXPECT_EQ(Create(removal.Add(name), "集成测试 两次", path), Texts{kCreateSucceeded});
  EXPECT_EQ(Create(name, "集成测试 两次", path), Texts{kCreateFailed});
  EXPECT_EQ(TimesListed(name), 1u);
  ScmService service;
  ASSERT_TRUE(ScmServiceNamed(name, service));
  EXPECT_EQ(service.displayName, "集成测试 两次");
  EXPECT_EQ(service.path, path);
}

// Empty texts and names the manager refuses: one failure box each, and the manager's listing
// is the same afterwards, service for service.
TEST_F(CreationOnRealScm, RefusedFieldsCreateNothing) {
  const std::string program = Quoted(TestServiceProgram());
  std::string tooLong = UniqueServiceName(kPrefix) + "-";
  tooLong.resize(257, 'x');
  struct Case {
    const char* what;
    std::string name;
    std::string displayName;
    std::string path;
  };
  const Case cases[] = {
      {"all empty", "", "", ""},
      {"empty name", "", "集成测试 无名", program},
      {"empty path", UniqueServiceName(kPrefix), "集成测试 无路径", ""},
      {"slash", UniqueServiceName(kPrefix) + "/a", "集成测试 斜杠", program},
      {"backslash", UniqueServiceName(kPrefix) + "\\a", "集成测试 反斜杠", program},
      {"257 characters", tooLong, "集成测试 过长", program},
  };
  const auto before = Listing();
  ASSERT_FALSE(before.empty());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RemoveOnExit removal;
    EXPECT_EQ(Create(removal.Add(c.name), c.displayName, c.path), Texts{kCreateFailed});
  }
  EXPECT_TRUE(Listing() == before);
}

// In a path that holds a space and is not quoted already, the part that names an existing program
// is quoted, and its arguments follow; every other path is registered exactly as typed.
TEST_F(CreationOnRealScm, ProgramPathIsQuotedOnlyWhenItNamesAFileWithSpaces) {
  char system[MAX_PATH] = "";
  ::GetSystemDirectoryA(system, sizeof system);
  struct Case {
    const char* what;
    std::string path;
    std::string registered;
  };
  const Case cases[] = {
      {"existing file, spaces", s_program, Quoted(s_program)},
      {"no file, spaces", s_folder + "\\no such program.exe", s_folder + "\\no such program.exe"},
      {"already quoted", Quoted(s_program), Quoted(s_program)},
      {"quoted, arguments", Quoted(s_program) + " --pending", Quoted(s_program) + " --pending"},
      {"arguments", s_program + " --pending", Quoted(s_program) + " --pending"},
      {"folder, spaces", s_folder, s_folder},
      {"existing file, no space", std::string(system) + "\\services.exe",
       std::string(system) + "\\services.exe"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ProgramPathToRegister(c.path.c_str()).registered, c.registered);
    const std::string name = UniqueServiceName(kPrefix);
    RemoveOnExit removal;
    EXPECT_EQ(Create(removal.Add(name), "集成测试 路径", c.path), Texts{kCreateSucceeded});
    ScmService service;
    ASSERT_TRUE(ScmServiceNamed(name, service));
    EXPECT_EQ(service.path, c.registered);
  }
}

// Registered quoted, the program in a folder with spaces is the one the manager starts.
TEST_F(CreationOnRealScm, AServiceInAFolderWithSpacesStartsFromIt) {
  const std::string name = UniqueServiceName(kPrefix);
  RemoveOnExit removal;
  ASSERT_EQ(Create(removal.Add(name), "集成测试 带空格的路径", s_program), Texts{kCreateSucceeded});
  MessageBoxWatcher boxes;
  CWnd owner;
  StartSelectedService(owner, name.c_str());
  EXPECT_EQ(boxes.TakeTexts(), Texts{kStartSucceeded});
  ASSERT_TRUE(WaitForServiceState(name, SERVICE_RUNNING, 10000));
  ScmService service;
  ASSERT_TRUE(ScmServiceNamed(name, service));

  char image[MAX_PATH] = "";
  DWORD size = sizeof image;
  HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, service.processId);
  ASSERT_TRUE(process);
  EXPECT_TRUE(::QueryFullProcessImageNameA(process, 0, image, &size));
  ::CloseHandle(process);
  EXPECT_EQ(::lstrcmpiA(image, s_program.c_str()), 0) << image;
}
}  // namespace
