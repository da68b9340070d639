// Services that change under the program: deleted between a refresh and a command, stopped by
// someone else, created and deleted while a refresh runs. No crash, no hang, the usual
// messages, and never a row listed twice.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <set>

#include "app_driver.h"
#include "remote_list.h"
#include "res/resource.h"
#include "tests/support/expected_texts.h"
#include "tests/support/test_services.h"
#include "tests/support/thread.h"

namespace {
// Runs a menu command on the first row and returns the texts of the boxes it showed.
std::vector<std::string> CommandOnFirstRow(AppDriver& app, WORD command) {
  ::SendMessageA(app.Control(IDC_SERVICE_LIST), LVM_SETSELECTIONMARK, 0, 0);
  EXPECT_TRUE(SendCommand(app.MainWindow(), command));
  return app.Boxes().TakeTexts();
}

void Refresh(AppDriver& app) {
  ASSERT_TRUE(SendCommand(app.MainWindow(), IDOK));
}
}  // namespace

TEST(ChangingServices, CommandsOnAServiceThatChangedSinceTheRefresh) {
  RemoveLeftoverServices("0000chg");
  AppDriver app;
  ASSERT_TRUE(app.Launch());
  using Texts = std::vector<std::string>;
  const Texts gone = {kOpenServiceFailed, kQueryStatusFailed};
  struct Case {
    WORD command;
    Texts expected;
  };
  // Deleted by someone else after the refresh: each command reports the missing service.
  for (const Case& c :
       {Case{ID_START_SERVICE, {gone[0], gone[1], kAlreadyStarted}},
        Case{ID_STOP_SERVICE, {gone[0], gone[1], kStopFailed}},
        Case{ID_DELETE_SERVICE, {gone[0], gone[1], kStopServiceFailed, kDeleteFailed}},
        Case{ID_START_TYPE_MANUAL, {gone[0], kChangeConfigFailed}}}) {
    SCOPED_TRACE(c.command);
    {
      std::string name = UniqueServiceName("0000chg");
      TestService service(name, name, Quoted(TestServiceProgram()));
      Refresh(app);
      ASSERT_EQ(RemoteListView(app.Control(IDC_SERVICE_LIST)).Text(0, 0), name);
    }
    EXPECT_EQ(CommandOnFirstRow(app, c.command), c.expected);
  }

  // Stopped by someone else after the refresh, which still shows it started.
  std::string name = UniqueServiceName("0000chg");
  TestService service(name, name, Quoted(TestServiceProgram()));
  ASSERT_TRUE(service.Start());
  Refresh(app);
  ASSERT_EQ(RemoteListView(app.Control(IDC_SERVICE_LIST)).Text(0, 2), kListStarted);
  ASSERT_TRUE(service.Stop());
  EXPECT_EQ(CommandOnFirstRow(app, ID_STOP_SERVICE), Texts{kAlreadyStopped});
  EXPECT_EQ(CommandOnFirstRow(app, ID_START_SERVICE), Texts{kStartSucceeded});
  EXPECT_TRUE(service.WaitForState(SERVICE_RUNNING, 10000));
  EXPECT_TRUE(app.IsRunning());
}

TEST(ChangingServices, RefreshesWhileAnotherProcessCreatesAndDeletesServices) {
  RemoveLeftoverServices("chgrace");
  AppDriver app;
  ASSERT_TRUE(app.Launch());
  std::atomic<bool> stop{false};
  std::atomic<int> churned{0};
  // Creates and deletes services as fast as the manager allows, from another thread than the
  // one that drives the program (the manager cannot tell it from another process).
  Thread churn([&] {
    SC_HANDLE manager = ::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    const std::string path = Quoted(TestServiceProgram());
    while (!stop) {
      std::string name = UniqueServiceName("chgrace");
      SC_HANDLE s =
          ::CreateServiceA(manager, name.c_str(), name.c_str(), SERVICE_ALL_ACCESS,
                           SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                           path.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
      if (s) {
        ::DeleteService(s);
        ::CloseServiceHandle(s);
        ++churned;
      }
    }
    ::CloseServiceHandle(manager);
  });
  for (int i = 0; i < 20 && !HasFatalFailure(); ++i) {
    Refresh(app);
    std::vector<ListRow> rows = RemoteListView(app.Control(IDC_SERVICE_LIST)).Rows();
    std::set<std::string> names;
    for (const ListRow& row : rows) EXPECT_TRUE(names.insert(row[0]).second) << row[0];
    EXPECT_GT(rows.size(), 10u);
  }
  stop = true;
  churn.join();
  EXPECT_GT(churned.load(), 0);
  EXPECT_TRUE(app.IsRunning());
  EXPECT_TRUE(app.Boxes().Take().empty());
}
