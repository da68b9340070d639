// The right-click menu and the commands it sends, on real services of the local manager: what
// each command does to the service, the message it shows, and what the list shows before and
// after the next refresh.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "app_driver.h"
#include "desktop.h"
#include "remote_list.h"
#include "res/resource.h"
#include "tests/support/expected_texts.h"
#include "tests/support/test_services.h"

namespace {
constexpr char kServicePrefix[] = "svcmgr-menu";
constexpr DWORD kTimeoutMs = 30000;
constexpr int kStateColumn = 2;
constexpr int kStartTypeColumn = 3;

std::string Program() {
  return Quoted(TestServiceProgram());
}

class ContextMenu : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    RemoveLeftoverServices(kServicePrefix);
    s_app = new AppDriver;
    s_app->Launch();
  }

  static void TearDownTestSuite() {
    delete s_app;
    s_app = nullptr;
  }

  void SetUp() override {
    ASSERT_NE(s_app->MainWindow(), nullptr) << "no main window of " << SvcMgrPath();
    ASSERT_TRUE(s_app->IsRunning());
    m_list = std::make_unique<RemoteListView>(s_app->Control(IDC_SERVICE_LIST));
    ASSERT_TRUE(m_list->IsOpen());
  }

  void TearDown() override {
    // A popup left open would take the next test's input.
    if (HWND popup = FindProcessWindow(s_app->ProcessId(), "#32768")) {
      PressKey(s_app->MainWindow(), VK_ESCAPE);
      WaitUntil([&] { return !::IsWindowVisible(popup); }, 5000);
    }
    EXPECT_TRUE(s_app->IsRunning()) << "the program ended";
    for (const SeenBox& box : s_app->Boxes().Take())
      ADD_FAILURE() << "unexpected message box \"" << box.caption << "\": " << box.text;
  }

  static HWND Main() { return s_app->MainWindow(); }

  // A command as the menu sends it; returns once the program has handled it, every message box
  // it showed answered.
  static void Command(WORD id) {
    ASSERT_TRUE(SendCommand(Main(), id, kTimeoutMs)) << "command " << id << " was not handled";
  }

  static void Refresh() { Command(ID_REFRESH_SERVICES); }

  int RowOf(const std::string& name) {
    for (int row = 0, count = m_list->RowCount(); row < count; ++row)
      if (m_list->Text(row, 0) == name) return row;
    return -1;
  }

  // The list's texts for the service, or nothing when it has no row.
  ListRow Shown(const std::string& name) {
    const int row = RowOf(name);
    ListRow cells;
    for (int column = 0; row >= 0 && column < 5; ++column)
      cells.push_back(m_list->Text(row, column));
    return cells;
  }

  std::string ShownState(const std::string& name) {
    ListRow cells = Shown(name);
    return cells.empty() ? "<no row>" : cells[kStateColumn];
  }

  int SelectionMark() const {
    DWORD_PTR mark = 0;
    SendTimed(s_app->Control(IDC_SERVICE_LIST), LVM_GETSELECTIONMARK, 0, 0, kTimeoutMs, &mark);
    return static_cast<int>(mark);
  }

  // A point inside the service's name, scrolled into view first.
  POINT PointOnRow(const std::string& name) {
    const int row = RowOf(name);
    EXPECT_GE(row, 0) << name << " is not listed";
    DWORD_PTR ignored = 0;
    SendTimed(s_app->Control(IDC_SERVICE_LIST), LVM_ENSUREVISIBLE, row, FALSE, kTimeoutMs,
              &ignored);
    RECT rect{};
    EXPECT_TRUE(m_list->RowRect(row, &rect));
    return {rect.left + 120, (rect.top + rect.bottom) / 2};
  }

  // Selects the service's row with a click, as a person picks the row a command acts on.
  void Select(const std::string& name) {
    const int row = RowOf(name);
    ASSERT_TRUE(ClickAt(Main(), PointOnRow(name)));
    ASSERT_TRUE(WaitUntil([&] { return SelectionMark() == row; }, kTimeoutMs))
        << "the click did not mark " << name;
  }

  // Adds the service's row to the selection with a Ctrl-click.
  void AddToSelection(const std::string& name) {
    const POINT point = PointOnRow(name);
    const int selected = m_list->SelectedCount();
    ASSERT_TRUE(CtrlClickAt(Main(), point));
    ASSERT_TRUE(WaitUntil([&] { return m_list->SelectedCount() == selected + 1; }, kTimeoutMs))
        << "the Ctrl-click did not add " << name << ": " << m_list->SelectedCount()
        << " selected, mark on row " << SelectionMark() << ", the name's row " << RowOf(name);
  }

  // The texts of the boxes shown since the last look; each must be a box of the main window:
  // owned by it, with the program's name for its caption and an OK button alone.
  std::vector<std::string> WindowBoxTexts() {
    std::vector<std::string> texts;
    for (const SeenBox& box : s_app->Boxes().Take()) {
      EXPECT_EQ(box.owner, Main()) << box.text;
      EXPECT_EQ(box.caption, kBoxCaption) << box.text;
      EXPECT_EQ(box.buttons, std::vector<int>{IDOK}) << box.text;
      texts.push_back(box.text);
    }
    return texts;
  }

  // Runs the command on the service's row and expects its one message; the list keeps what it
  // showed until the refresh after it.
  void RunOnRow(const std::string& name, WORD command, const std::string& message) {
    SCOPED_TRACE(message);
    ASSERT_NO_FATAL_FAILURE(Select(name));
    const ListRow before = Shown(name);
    ASSERT_NO_FATAL_FAILURE(Command(command));
    EXPECT_EQ(WindowBoxTexts(), std::vector<std::string>{message});
    EXPECT_EQ(Shown(name), before) << "the list changed before a refresh";
  }

  static AppDriver* s_app;
  std::unique_ptr<RemoteListView> m_list;
};

AppDriver* ContextMenu::s_app;

TEST_F(ContextMenu, RightClickOpensTheMenuAtTheCursorAndItsEntriesAreChosenByKeyAndClick) {
  TestService service(UniqueServiceName(kServicePrefix), "右键菜单", Program());
  ASSERT_NO_FATAL_FAILURE(Refresh());
  ASSERT_EQ(ShownState(service.name()), kListStopped);

  // A right-click on the row marks it and opens the menu with its corner at the cursor.
  const POINT click = PointOnRow(service.name());
  ASSERT_TRUE(ClickAt(Main(), click, true));
  HWND popup = WaitForProcessWindow(s_app->ProcessId(), "#32768", nullptr, kTimeoutMs);
  ASSERT_NE(popup, nullptr) << "no menu opened";
  RECT shown{};
  ASSERT_TRUE(::GetWindowRect(popup, &shown));
  EXPECT_EQ(shown.left, click.x);
  EXPECT_EQ(shown.top, click.y);
  EXPECT_EQ(SelectionMark(), RowOf(service.name()));

  // The second entry, past "刷新服务" and the separator: "启动服务".
  ASSERT_TRUE(ChooseMenuEntry(Main(), popup, 1, kTimeoutMs));
  ASSERT_TRUE(s_app->Boxes().WaitFor(1, kTimeoutMs));
  EXPECT_EQ(WindowBoxTexts(), std::vector<std::string>{kStartSucceeded});
  EXPECT_TRUE(WaitForServiceState(service.name(), SERVICE_RUNNING, kTimeoutMs));
  EXPECT_FALSE(::IsWindowVisible(popup));
  EXPECT_EQ(ShownState(service.name()), kListStopped) << "the list changed before a refresh";

  // A click on the menu's first entry, "刷新服务", lists the new state.
  const POINT again = PointOnRow(service.name());
  ASSERT_TRUE(ClickAt(Main(), again, true));
  popup = WaitForProcessWindow(s_app->ProcessId(), "#32768", nullptr, kTimeoutMs);
  ASSERT_NE(popup, nullptr) << "no menu opened";
  ASSERT_TRUE(::GetWindowRect(popup, &shown));
  ASSERT_TRUE(ClickAt(Main(), {(shown.left + shown.right) / 2, shown.top + 10}));
  EXPECT_TRUE(WaitUntil([&] { return ShownState(service.name()) == kListStarted; }, kTimeoutMs));
  EXPECT_EQ(SelectionMark(), -1) << "a refresh leaves no row marked";
}

TEST_F(ContextMenu, StartAndStopReportWhatTheyDidAndTheRefreshShowsIt) {
  TestService stopped(UniqueServiceName(kServicePrefix), "启动停止 甲", Program());
  TestService running(UniqueServiceName(kServicePrefix), "启动停止 乙", Program());
  ASSERT_TRUE(running.Start());
  ScmService before;
  ASSERT_TRUE(ScmServiceNamed(running.name(), before));
  ASSERT_NO_FATAL_FAILURE(Refresh());

  RunOnRow(stopped.name(), ID_START_SERVICE, kStartSucceeded);
  EXPECT_TRUE(WaitForServiceState(stopped.name(), SERVICE_RUNNING, kTimeoutMs));

  // A running service is not started again: the same process goes on.
  RunOnRow(running.name(), ID_START_SERVICE, kAlreadyStarted);
  ScmService after;
  ASSERT_TRUE(ScmServiceNamed(running.name(), after));
  EXPECT_EQ(after.state, SERVICE_RUNNING);
  EXPECT_EQ(after.processId, before.processId);

  RunOnRow(running.name(), ID_STOP_SERVICE, kStopSucceeded);
  EXPECT_TRUE(WaitForServiceState(running.name(), SERVICE_STOPPED, kTimeoutMs));

  ASSERT_NO_FATAL_FAILURE(Refresh());
  EXPECT_EQ(ShownState(stopped.name()), kListStarted);
  EXPECT_EQ(ShownState(running.name()), kListStopped);

  // Stopping a stopped service sends no control, which would fail and say so.
  RunOnRow(running.name(), ID_STOP_SERVICE, kAlreadyStopped);
  ASSERT_TRUE(ScmServiceNamed(running.name(), after));
  EXPECT_EQ(after.state, SERVICE_STOPPED);
}

TEST_F(ContextMenu, DeleteStopsARunningServiceAndRemovesIt) {
  RemoveOnExit cleanup;
  const std::string name = cleanup.Add(UniqueServiceName(kServicePrefix));
  ASSERT_TRUE(RegisterService(name, "删除", Program(), SERVICE_DEMAND_START));
  ASSERT_TRUE(StartAndWait(name, kTimeoutMs));
  ASSERT_NO_FATAL_FAILURE(Refresh());
  ASSERT_EQ(ShownState(name), kListStarted);

  RunOnRow(name, ID_DELETE_SERVICE, kDeleteSucceeded);
  EXPECT_TRUE(WaitUntil([&] { return TimesListed(name) == 0; }, kTimeoutMs))
      << name << " is still registered";

  ASSERT_NO_FATAL_FAILURE(Refresh());
  EXPECT_EQ(RowOf(name), -1) << "the refreshed list still shows " << name;
}

struct StartTypeCase {
  WORD command;
  const char* message;
  DWORD startType;
  const char* shown;
};
// In an order where each changes the start type the one before set.
const StartTypeCase kStartTypes[] = {
    {ID_START_TYPE_AUTO, kSetAutomatic, SERVICE_AUTO_START, kListAutomatic},
    {ID_START_TYPE_DISABLED, kSetDisabled, SERVICE_DISABLED, kListDisabled},
    {ID_START_TYPE_MANUAL, kSetManual, SERVICE_DEMAND_START, kListManual},
};

TEST_F(ContextMenu, EachStartTypeIsSetReportedAndListedAfterTheRefresh) {
  TestService service(UniqueServiceName(kServicePrefix), "启动方式", Program());
  ASSERT_NO_FATAL_FAILURE(Refresh());
  for (const StartTypeCase& type : kStartTypes) {
    RunOnRow(service.name(), type.command, type.message);
    ScmService read;
    ASSERT_TRUE(ScmServiceNamed(service.name(), read));
    EXPECT_EQ(read.startType, type.startType) << type.message;
    ASSERT_NO_FATAL_FAILURE(Refresh());
    EXPECT_EQ(Shown(service.name()).at(kStartTypeColumn), type.shown);
  }
}

TEST_F(ContextMenu, WithSeveralRowsSelectedOnlyTheRowAtTheMarkIsActedOn) {
  // Created so that `upper` is listed above `lower`.
  const std::string base = UniqueServiceName(kServicePrefix);
  TestService upper(base + "a", "多选 甲", Program());
  TestService lower(base + "b", "多选 乙", Program());
  ASSERT_NO_FATAL_FAILURE(Refresh());
  ASSERT_LT(RowOf(upper.name()), RowOf(lower.name()));

  // The mark is the row clicked last: first the lower of the two, then the upper one.
  ASSERT_NO_FATAL_FAILURE(Select(upper.name()));
  ASSERT_NO_FATAL_FAILURE(AddToSelection(lower.name()));
  ASSERT_EQ(SelectionMark(), RowOf(lower.name()));
  ASSERT_NO_FATAL_FAILURE(Command(ID_START_SERVICE));
  EXPECT_EQ(WindowBoxTexts(), std::vector<std::string>{kStartSucceeded});
  EXPECT_TRUE(WaitForServiceState(lower.name(), SERVICE_RUNNING, kTimeoutMs));
  EXPECT_EQ(upper.State(), static_cast<DWORD>(SERVICE_STOPPED));

  ASSERT_NO_FATAL_FAILURE(Select(lower.name()));
  ASSERT_NO_FATAL_FAILURE(AddToSelection(upper.name()));
  ASSERT_EQ(SelectionMark(), RowOf(upper.name()));
  ASSERT_NO_FATAL_FAILURE(Command(ID_START_SERVICE));
  EXPECT_EQ(WindowBoxTexts(), std::vector<std::string>{kStartSucceeded});
  EXPECT_TRUE(WaitForServiceState(upper.name(), SERVICE_RUNNING, kTimeoutMs));
}

TEST_F(ContextMenu, CommandsActOnTheWholeOfALongName) {
  // A name of 120 characters beside a service named by its first 99: a command that cut the
  // long name would act on its neighbour.
  std::string longName = UniqueServiceName(kServicePrefix) + "-";
  longName.resize(120, 'x');
  const std::string cutName = longName.substr(0, 99);
  RemoveOnExit cleanup;
  ASSERT_TRUE(RegisterService(cleanup.Add(longName), "长名称", Program(), SERVICE_DEMAND_START));
  TestService neighbour(cutName, "长名称的前 99 字节", Program());
  ASSERT_NO_FATAL_FAILURE(Refresh());
  ASSERT_NE(RowOf(longName), -1) << "the list does not show the whole long name";

  RunOnRow(longName, ID_START_SERVICE, kStartSucceeded);
  EXPECT_TRUE(WaitForServiceState(longName, SERVICE_RUNNING, kTimeoutMs));
  RunOnRow(longName, ID_STOP_SERVICE, kStopSucceeded);
  EXPECT_TRUE(WaitForServiceState(longName, SERVICE_STOPPED, kTimeoutMs));
  for (const StartTypeCase& type : kStartTypes) {
    RunOnRow(longName, type.command, type.message);
    ScmService read;
    ASSERT_TRUE(ScmServiceNamed(longName, read));
    EXPECT_EQ(read.startType, type.startType) << type.message;
  }
  RunOnRow(longName, ID_DELETE_SERVICE, kDeleteSucceeded);
  EXPECT_TRUE(WaitUntil([&] { return TimesListed(longName) == 0; }, kTimeoutMs));

  // The neighbour was never touched.
  ScmService untouched;
  ASSERT_TRUE(ScmServiceNamed(cutName, untouched));
  EXPECT_EQ(untouched.state, static_cast<DWORD>(SERVICE_STOPPED));
  EXPECT_EQ(untouched.startType, static_cast<DWORD>(SERVICE_DEMAND_START));
}

TEST_F(ContextMenu, WithoutAMarkedRowCommandsNameNoService) {
  ASSERT_NO_FATAL_FAILURE(Refresh());
  ASSERT_EQ(SelectionMark(), -1);

  // A right-click below the last row still opens the whole menu; its start entry then reports
  // that no service of that name could be opened or queried.
  RECT last{};
  ASSERT_TRUE(m_list->RowRect(m_list->RowCount() - 1, &last));
  RECT list{};
  ASSERT_TRUE(::GetWindowRect(s_app->Control(IDC_SERVICE_LIST), &list));
  ASSERT_LT(last.bottom + 20, list.bottom) << "no empty space below the rows";
  ASSERT_TRUE(ClickAt(Main(), {last.left + 120, last.bottom + 10}, true));
  HWND popup = WaitForProcessWindow(s_app->ProcessId(), "#32768", nullptr, kTimeoutMs);
  ASSERT_NE(popup, nullptr) << "no menu opened";
  ASSERT_TRUE(ChooseMenuEntry(Main(), popup, 1, kTimeoutMs));
  ASSERT_TRUE(s_app->Boxes().WaitFor(3, kTimeoutMs));
  EXPECT_EQ(WindowBoxTexts(),
            (std::vector<std::string>{kOpenServiceFailed, kQueryStatusFailed, kAlreadyStarted}));
  ASSERT_EQ(SelectionMark(), -1);

  const std::vector<std::string> notOpened{kOpenServiceFailed, kQueryStatusFailed};
  struct Case {
    WORD command;
    std::vector<std::string> after;
  };
  const Case cases[] = {
      {ID_STOP_SERVICE, {kStopFailed}},
      {ID_DELETE_SERVICE, {kStopServiceFailed, kDeleteFailed}},
  };
  for (const Case& c : cases) {
    ASSERT_NO_FATAL_FAILURE(Command(c.command));
    std::vector<std::string> expected = notOpened;
    expected.insert(expected.end(), c.after.begin(), c.after.end());
    EXPECT_EQ(WindowBoxTexts(), expected) << "command " << c.command;
  }
  for (const StartTypeCase& type : kStartTypes) {
    ASSERT_NO_FATAL_FAILURE(Command(type.command));
    EXPECT_EQ(WindowBoxTexts(), (std::vector<std::string>{kOpenServiceFailed, kChangeConfigFailed}))
        << "command " << type.command;
  }
}

TEST_F(ContextMenu, AboutNamesTheProgramAndItsMaker) {
  ASSERT_NO_FATAL_FAILURE(Command(ID_ABOUT));
  const std::vector<SeenBox> boxes = s_app->Boxes().Take();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].owner, Main());
  EXPECT_EQ(boxes[0].caption, kAboutCaption);
  EXPECT_EQ(boxes[0].text, kAboutText);
  EXPECT_EQ(boxes[0].buttons, std::vector<int>{IDOK});
}
}  // namespace
