// ListServices against Wine's real manager: services of testsvc.exe in every state and start
// type the rows tell apart, unusual names and paths, and enough extra services that the listing
// no longer fits one 64 KiB enumeration.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <sstream>

#include "service/catalogue.h"
#include "tests/support/expected_texts.h"
#include "tests/support/message_boxes.h"
#include "tests/support/test_services.h"

namespace {
constexpr char kPrefix[] = "svcmgr-it";
constexpr int kExtraServices = 1500;
constexpr size_t kMaxServiceName = 256;

// An image path whose configuration outgrows a 4 KiB buffer.
std::string LongPath() {
  return Quoted(TestServiceProgram()) + " " + std::string(5000, 'a');
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// One call of ListServices, with the message boxes it showed meanwhile and how long it took.
struct Listing {
  std::vector<ServiceRow> rows;
  std::vector<std::string> boxes;
  double seconds = 0;
};

Listing Watched() {
  MessageBoxWatcher watcher;
  Listing listing;
  auto start = std::chrono::steady_clock::now();
  ListServices([&listing](const ServiceRow& row) { listing.rows.push_back(row); });
  listing.seconds = SecondsSince(start);
  listing.boxes = watcher.TakeTexts();
  return listing;
}

std::map<std::string, ScmService> ByName(const std::vector<ScmService>& listing) {
  std::map<std::string, ScmService> byName;
  for (const ScmService& service : listing) byName.emplace(service.name, service);
  return byName;
}

std::multiset<std::string> NamesOf(const std::vector<ServiceRow>& rows) {
  std::multiset<std::string> names;
  for (const ServiceRow& row : rows) names.insert(row.name);
  return names;
}

// The names that only one of two listings holds, or that one holds more often; empty if none.
std::string Difference(const std::multiset<std::string>& a, const std::multiset<std::string>& b) {
  std::vector<std::string> differ;
  std::set_symmetric_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(differ));
  std::string text;
  for (size_t i = 0; i < differ.size() && i < 5; ++i) text += " " + differ[i];
  return differ.empty() ? "" : std::to_string(differ.size()) + " differ:" + text;
}

std::string Describe(const ServiceRow& row) {
  return "[" + row.name + " | " + row.displayName + " | " + row.runState + " | " + row.startType +
         " | " + row.path + "]";
}

// What a row should say about a service the manager listed; empty when it says exactly that.
std::string Mismatch(const ServiceRow& row, const ScmService& truth) {
  std::ostringstream out;
  if (row.displayName != truth.displayName) out << " display name <" << truth.displayName << ">";
  if (row.runState != ExpectedRunStateText(truth.state)) out << " state " << truth.state;
  const std::string startType = ExpectedStartTypeText(truth);
  if (row.startType != startType) out << " start type <" << startType << ">";
  const std::string path = truth.configRead ? truth.path : "";
  if (row.path != path) out << " path <" << path << ">";
  return out.str();
}

class ListServicesOnRealScm : public ::testing::Test {
 protected:
  // Which of the services set up below stands for which case.
  enum Role {
    kStopped,
    kRunning,
    kPaused,
    kPending,
    kAutomatic,
    kDisabled,
    kChinese,
    kSpaced,
    kLongName,
    kLongPath,
    kRoles
  };

  static void SetUpTestSuite() {
    auto start = std::chrono::steady_clock::now();
    RemoveLeftoverServices(kPrefix);
    try {
      CreateServices();
    } catch (const std::exception& error) {
      s_setupError = error.what();
    }
    std::printf("set-up: %.1f s\n", SecondsSince(start));
  }

  static void TearDownTestSuite() {
    auto start = std::chrono::steady_clock::now();
    s_first.reset();
    // Running ones first, so a stuck process is ended before the many quick deletions.
    for (int role = kRoles - 1; role >= 0; --role) s_roles[role].reset();
    while (!s_extras.empty()) s_extras.pop_back();
    if (!s_spacedFolder.empty()) {
      ::DeleteFileA((s_spacedFolder + "\\testsvc.exe").c_str());
      ::RemoveDirectoryA(s_spacedFolder.c_str());
    }
    std::printf("clean-up: %.1f s\n", SecondsSince(start));
  }

  void SetUp() override { ASSERT_TRUE(s_setupError.empty()) << s_setupError; }

  static const std::string& NameOf(Role role) { return s_roles[role]->name(); }

  // A listing of the whole prefix takes seconds, so the tests share the first one, made just
  // after the manager's own listing (`s_truth`).
  static const Listing& FirstListing() {
    if (!s_first) {
      s_truth = ByName(ScmListing());
      s_first = std::make_unique<Listing>(Watched());
    }
    return *s_first;
  }

  static std::string s_setupError;
  static std::string s_spacedFolder;
  static std::string s_spacedPath;
  static std::unique_ptr<TestService> s_roles[kRoles];
  static std::vector<TestService> s_extras;
  static std::map<std::string, ScmService> s_truth;
  static std::unique_ptr<Listing> s_first;

 private:
  static void Make(Role role, const std::string& display, const std::string& path,
                   DWORD startType = SERVICE_DEMAND_START) {
    s_roles[role] =
        std::make_unique<TestService>(UniqueServiceName(kPrefix), display, path, startType);
  }

  static void Require(bool done, const char* what) {
    if (!done) throw std::runtime_error(std::string(what) + " failed");
  }

  static void CreateServices() {
    const std::string program = Quoted(TestServiceProgram());
    Make(kStopped, "集成测试 停止", program);
    Make(kRunning, "集成测试 运行", program);
    Require(s_roles[kRunning]->Start(), "starting the running service");
    Make(kPaused, "集成测试 暂停", program);
    Require(s_roles[kPaused]->Start() && s_roles[kPaused]->Pause(), "pausing a service");
    Make(kPending, "集成测试 启动中", program + " --pending");
    Require(s_roles[kPending]->Start(SERVICE_START_PENDING), "starting the pending service");
    Make(kAutomatic, "集成测试 自动", program, SERVICE_AUTO_START);
    Make(kDisabled, "集成测试 禁止", program, SERVICE_DISABLED);
    Make(kChinese, "测试服务显示名", program);

    char temp[MAX_PATH] = "";
    ::GetTempPathA(sizeof temp, temp);
    s_spacedFolder = std::string(temp) + "svcmgr it " + std::to_string(::GetCurrentProcessId()) +
                     " folder with spaces";
    s_spacedPath = Quoted(s_spacedFolder + "\\testsvc.exe");
    Require(::CreateDirectoryA(s_spacedFolder.c_str(), nullptr) &&
                ::CopyFileA(TestServiceProgram().c_str(),
                            (s_spacedFolder + "\\testsvc.exe").c_str(), FALSE),
            "copying testsvc.exe into a folder with spaces");
    Make(kSpaced, "集成测试 路径带空格", s_spacedPath);
    Require(s_roles[kSpaced]->Start(), "starting the service in a folder with spaces");

    std::string longName = UniqueServiceName(kPrefix) + "-";
    longName.resize(kMaxServiceName, 'x');
    s_roles[kLongName] = std::make_unique<TestService>(longName, "集成测试 长名", program);

    Make(kLongPath, "集成测试 长路径", LongPath());

    s_extras.reserve(kExtraServices);
    for (int i = 0; i < kExtraServices; ++i)
      s_extras.emplace_back(UniqueServiceName(kPrefix), "集成测试 附加服务 " + std::to_string(i),
                            program, i % 2 ? SERVICE_DEMAND_START : SERVICE_DISABLED);
  }
};

std::string ListServicesOnRealScm::s_setupError;
std::string ListServicesOnRealScm::s_spacedFolder;
std::string ListServicesOnRealScm::s_spacedPath;
std::unique_ptr<TestService> ListServicesOnRealScm::s_roles[kRoles];
std::vector<TestService> ListServicesOnRealScm::s_extras;
std::map<std::string, ScmService> ListServicesOnRealScm::s_truth;
std::unique_ptr<Listing> ListServicesOnRealScm::s_first;

// The set-up really holds what the other tests rely on.
TEST_F(ListServicesOnRealScm, ManagerHoldsEveryCase) {
  const std::pair<Role, DWORD> states[] = {{kStopped, SERVICE_STOPPED},
                                           {kRunning, SERVICE_RUNNING},
                                           {kPaused, SERVICE_PAUSED},
                                           {kPending, SERVICE_START_PENDING},
                                           {kSpaced, SERVICE_RUNNING}};
  for (const auto& [role, state] : states) EXPECT_EQ(s_roles[role]->State(), state) << NameOf(role);

  // The listing outgrows one fixed 64 KiB enumeration.
  SC_HANDLE manager = ::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ENUMERATE_SERVICE);
  ASSERT_TRUE(manager);
  std::vector<BYTE> buffer(65536);
  DWORD needed = 0, count = 0, resume = 0;
  BOOL complete =
      ::EnumServicesStatusA(manager, SERVICE_WIN32, SERVICE_STATE_ALL,
                            reinterpret_cast<ENUM_SERVICE_STATUSA*>(buffer.data()),
                            static_cast<DWORD>(buffer.size()), &needed, &count, &resume);
  DWORD error = ::GetLastError();
  ::CloseServiceHandle(manager);
  EXPECT_FALSE(complete);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_MORE_DATA));
  EXPECT_LT(count, static_cast<DWORD>(kExtraServices));
}

TEST_F(ListServicesOnRealScm, EveryServiceOnceWithTheManagersTexts) {
  const std::vector<ServiceRow>& rows = FirstListing().rows;
  const std::map<std::string, ScmService>& truth = s_truth;
  ASSERT_GT(truth.size(), static_cast<size_t>(kExtraServices));

  // A service of the system may change while the listing runs: what differs is read again.
  std::vector<std::string> wrong;
  for (const ServiceRow& row : rows) {
    auto listed = truth.find(row.name);
    std::string mismatch =
        listed == truth.end() ? " a service of the manager" : Mismatch(row, listed->second);
    ScmService now;
    if (!mismatch.empty() && ScmServiceNamed(row.name, now) && Mismatch(row, now).empty())
      mismatch.clear();
    if (!mismatch.empty()) wrong.push_back(Describe(row) + " expected" + mismatch);
  }
  EXPECT_TRUE(wrong.empty()) << wrong.size() << " wrong rows, first: " << wrong.front();

  std::multiset<std::string> listed = NamesOf(rows);
  size_t missing = 0, repeated = 0;
  std::string example;
  for (const auto& [name, service] : truth) {
    size_t times = listed.count(name);
    ScmService now;
    if (times == 1 || (times == 0 && !ScmServiceNamed(name, now))) continue;
    ++(times == 0 ? missing : repeated);
    if (example.empty()) example = name + " listed " + std::to_string(times) + " times";
  }
  EXPECT_EQ(missing, 0u) << "of " << truth.size() << " services; " << example;
  EXPECT_EQ(repeated, 0u) << example;
}

// The rows of the services set up here say what they were created as, not only what the
// manager reads back.
TEST_F(ListServicesOnRealScm, OwnServicesShowHowTheyWereMade) {
  std::map<std::string, ServiceRow> rows;
  for (const ServiceRow& row : FirstListing().rows) rows.emplace(row.name, row);
  for (int role = 0; role < kRoles; ++role) ASSERT_TRUE(rows.count(NameOf(Role(role))));

  const std::string program = Quoted(TestServiceProgram());
  EXPECT_EQ(rows[NameOf(kStopped)].runState, kListStopped);
  for (Role started : {kRunning, kPaused, kPending, kSpaced})
    EXPECT_EQ(rows[NameOf(started)].runState, kListStarted) << NameOf(started);
  EXPECT_EQ(rows[NameOf(kAutomatic)].startType, kListAutomatic);
  EXPECT_EQ(rows[NameOf(kStopped)].startType, kListManual);
  EXPECT_EQ(rows[NameOf(kDisabled)].startType, kListDisabled);
  EXPECT_EQ(rows[NameOf(kChinese)].displayName, "测试服务显示名");
  EXPECT_EQ(rows[NameOf(kSpaced)].path, s_spacedPath);
  EXPECT_EQ(rows[NameOf(kPending)].path, program + " --pending");
  EXPECT_EQ(rows[NameOf(kLongName)].path, program);
  EXPECT_EQ(rows[NameOf(kLongName)].displayName, "集成测试 长名");
  EXPECT_EQ(rows[NameOf(kLongPath)].path, LongPath());
}

// Repeated listings give the same set, none repeats a row, none shows a message; the time one
// listing of the whole prefix takes is printed for the record.
TEST_F(ListServicesOnRealScm, RepeatedListingsAgreeSilently) {
  std::vector<Listing> listings{FirstListing(), Watched(), Watched()};
  const std::multiset<std::string> first = NamesOf(listings.front().rows);
  EXPECT_GT(first.size(), static_cast<size_t>(kExtraServices));
  std::vector<double> seconds;
  for (const Listing& listing : listings) {
    std::multiset<std::string> names = NamesOf(listing.rows);
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), names.size());
    EXPECT_EQ(Difference(names, first), "");
    EXPECT_TRUE(listing.boxes.empty()) << listing.boxes.front();
    seconds.push_back(listing.seconds);
  }
  std::sort(seconds.begin(), seconds.end());
  std::printf("ListServices over %zu services: median %.3f s (min %.3f, max %.3f)\n", first.size(),
              seconds[1], seconds.front(), seconds.back());
}
}  // namespace
