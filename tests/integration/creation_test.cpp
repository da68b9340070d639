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

namespace {
using Texts = std::vector<std::string>;

constexpr char kPrefix[] = "svcmgr-it";

Texts Create(const std::string& name, const std::string& displayName, const std::string& path,
             DWORD startType = SERVICE_DEMAND_START) {
  MessageBoxWatcher boxes;
  CreateOwnProcessService(name.c_str(), displayName.c_str(), path.c_str(), startType);
  return boxes.TakeTexts();
}

// What the manager holds for a service, as its configuration reads.
struct Registration {
  DWORD type = 0;
  DWORD startType = 0;
  DWORD errorControl = 0;
  std::string path;
  std::string displayName;
};

bool Registered(const std::string& name, Registration& registration) {
  SC_HANDLE manager = ::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  SC_HANDLE service = ::OpenServiceA(manager, name.c_str(), SERVICE_QUERY_CONFIG);
  bool read = false;
  if (service) {
    DWORD needed = 0;
    ::QueryServiceConfigA(service, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed);
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
    read = needed && ::QueryServiceConfigA(service, config, needed, &needed);
    if (read) {
      registration.type = config->dwServiceType;
      registration.startType = config->dwStartType;
      registration.errorControl = config->dwErrorControl;
      registration.path = config->lpBinaryPathName ? config->lpBinaryPathName : "";
      registration.displayName = config->lpDisplayName ? config->lpDisplayName : "";
    }
    ::CloseServiceHandle(service);
  }
  if (manager) ::CloseServiceHandle(manager);
  return read;
}

size_t TimesListed(const std::string& name) {
  size_t times = 0;
  for (const ScmService& service : ScmListing()) times += service.name == name;
  return times;
}

// Stops and deletes a service the code under test may have created, whatever became of it.
class Removal {
 public:
  explicit Removal(std::string name) : m_name(std::move(name)) {}
  Removal(const Removal&) = delete;
  Removal& operator=(const Removal&) = delete;
  ~Removal() {
    SC_HANDLE manager = ::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = ::OpenServiceA(manager, m_name.c_str(), SERVICE_ALL_ACCESS);
    if (service) {
      SERVICE_STATUS status{};
      if (::QueryServiceStatus(service, &status) && status.dwCurrentState != SERVICE_STOPPED &&
          ::ControlService(service, SERVICE_CONTROL_STOP, &status))
        for (int i = 0; i < 200 && ::QueryServiceStatus(service, &status) &&
                        status.dwCurrentState != SERVICE_STOPPED;
             ++i)
          ::Sleep(50);
      ::DeleteService(service);
      ::CloseServiceHandle(service);
    }
    if (manager) ::CloseServiceHandle(manager);
  }

 private:
  std::string m_name;
};

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
    for (int i = 0;
         i < 100 && !::DeleteFileA(s_program.c_str()) && ::GetLastError() != ERROR_FILE_NOT_FOUND;
         ++i)
      ::Sleep(50);
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
    Removal removal(name);
    EXPECT_EQ(Create(name, displayName, path, startType), Texts{kCreateSucceeded});
    EXPECT_EQ(TimesListed(name), 1u);
    Registration registration;
    ASSERT_TRUE(Registered(name, registration));
    EXPECT_EQ(registration.displayName, displayName);
    EXPECT_EQ(registration.path, path);
    EXPECT_EQ(registration.type, static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS));
    EXPECT_EQ(registration.errorControl, static_cast<DWORD>(SERVICE_ERROR_NORMAL));
    EXPECT_EQ(registration.startType, startType);
    ScmService service;
    ASSERT_TRUE(ScmServiceNamed(name, service));
    EXPECT_EQ(service.state, static_cast<DWORD>(SERVICE_STOPPED));
  }
}

TEST_F(CreationOnRealScm, TheSameFieldsTwiceCreateOneService) {
  const std::string name = UniqueServiceName(kPrefix);
  const std::string path = Quoted(TestServiceProgram());
  Removal removal(name);
  EXPECT_EQ(Create(name, "集成测试 两次", path), Texts{kCreateSucceeded});
  EXPECT_EQ(Create(name, "集成测试 两次", path), Texts{kCreateFailed});
  EXPECT_EQ(TimesListed(name), 1u);
  Registration registration;
  ASSERT_TRUE(Registered(name, registration));
  EXPECT_EQ(registration.displayName, "集成测试 两次");
  EXPECT_EQ(registration.path, path);
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
    Removal removal(c.name);
    EXPECT_EQ(Create(c.name, c.displayName, c.path), Texts{kCreateFailed});
  }
  EXPECT_TRUE(Listing() == before);
}

// Only a path that holds a space, is not quoted already and names an existing file as a whole
// is quoted; every other path is registered exactly as typed.
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
      {"arguments", s_program + " --pending", s_program + " --pending"},
      {"folder, spaces", s_folder, s_folder},
      {"existing file, no space", std::string(system) + "\\services.exe",
       std::string(system) + "\\services.exe"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ProgramPathToRegister(c.path.c_str()), c.registered);
    const std::string name = UniqueServiceName(kPrefix);
    Removal removal(name);
    EXPECT_EQ(Create(name, "集成测试 路径", c.path), Texts{kCreateSucceeded});
    Registration registration;
    ASSERT_TRUE(Registered(name, registration));
    EXPECT_EQ(registration.path, c.registered);
  }
}

// Registered quoted, the program in a folder with spaces is the one the manager starts.
TEST_F(CreationOnRealScm, AServiceInAFolderWithSpacesStartsFromIt) {
  const std::string name = UniqueServiceName(kPrefix);
  Removal removal(name);
  ASSERT_EQ(Create(name, "集成测试 带空格的路径", s_program), Texts{kCreateSucceeded});
  MessageBoxWatcher boxes;
  CWnd owner;
  StartSelectedService(owner, name.c_str());
  EXPECT_EQ(boxes.TakeTexts(), Texts{kStartSucceeded});

  SC_HANDLE manager = ::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  SC_HANDLE service = ::OpenServiceA(manager, name.c_str(), SERVICE_QUERY_STATUS);
  ASSERT_TRUE(service);
  SERVICE_STATUS_PROCESS status{};
  DWORD needed = 0;
  for (int i = 0;
       i < 200 &&
       ::QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                              sizeof status, &needed) &&
       status.dwCurrentState != SERVICE_RUNNING;
       ++i)
    ::Sleep(50);
  ::CloseServiceHandle(service);
  ::CloseServiceHandle(manager);
  EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));

  char image[MAX_PATH] = "";
  DWORD size = sizeof image;
  HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, status.dwProcessId);
  ASSERT_TRUE(process);
  EXPECT_TRUE(::QueryFullProcessImageNameA(process, 0, image, &size));
  ::CloseHandle(process);
  EXPECT_EQ(::lstrcmpiA(image, s_program.c_str()), 0) << image;
}
}  // namespace
