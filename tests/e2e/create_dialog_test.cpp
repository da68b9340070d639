// The create-service dialog as a person uses it: how it opens and ends, what typed text becomes
// in the manager, the start-type options, program paths with spaces, and the file-open browse.
#include <gtest/gtest.h>

#include <windows.h>
#include <dlgs.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app_driver.h"
#include "desktop.h"
#include "remote_list.h"
#include "res/resource.h"
#include "tests/support/expected_texts.h"
#include "tests/support/test_services.h"

namespace {
constexpr char kServicePrefix[] = "svcmgr-create";
constexpr DWORD kTimeoutMs = 30000;

// One child window of a dialog as a person sees it.
struct Control {
  std::string className;
  int id;
  std::string text;
  RECT rect;  // relative to the dialog's top left corner
  bool operator==(const Control& other) const {
    return className == other.className && id == other.id && text == other.text &&
           ::EqualRect(&rect, &other.rect);
  }
};

std::vector<Control> ControlsOf(HWND dialog) {
  std::vector<Control> controls;
  RECT frame{};
  ::GetWindowRect(dialog, &frame);
  for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    char name[64] = "";
    ::GetClassNameA(child, name, sizeof name);
    RECT rect{};
    ::GetWindowRect(child, &rect);
    ::OffsetRect(&rect, -frame.left, -frame.top);
    controls.push_back({name, ::GetDlgCtrlID(child), WindowText(child), rect});
  }
  return controls;
}

class CreateServiceDialog : public testing::Test {
 protected:
  static void SetUpTestSuite() { RemoveLeftoverServices(kServicePrefix); }

  // A program of its own for each test: a start-type choice holds for the rest of a run. The
  // dialog is found by its caption, and Chinese typed and compared, in code page 936 bytes.
  void SetUp() override {
    if (::GetACP() != 936) GTEST_SKIP() << "code page " << ::GetACP() << ": its texts are 936's";
    ASSERT_TRUE(m_app.Launch()) << SvcMgrPath();
  }

  void TearDown() override {
    if (IsSkipped()) return;
    EXPECT_TRUE(m_app.IsRunning()) << "the program ended";
    for (const SeenBox& box : m_app.Boxes().Take())
      ADD_FAILURE() << "unexpected message box \"" << box.caption << "\": " << box.text;
  }

  HWND Main() const { return m_app.MainWindow(); }

  HWND WaitForDialog() {
    return WaitForProcessWindow(m_app.ProcessId(), "#32770", kCreateDialogCaption, kTimeoutMs);
  }

  // Opens the dialog as the menu's "创建服务" entry does.
  HWND OpenByCommand() {
    ::PostMessageA(Main(), WM_COMMAND, ID_CREATE_SERVICE, 0);
    return WaitForDialog();
  }

  // Opens the dialog by the entry the main window adds to its system menu.
  HWND OpenBySystemMenu() {
    ::PostMessageA(Main(), WM_SYSCOMMAND, IDM_SYSMENU_ENTRY, 0);
    return WaitForDialog();
  }

  void ExpectFreshDialog(HWND dialog) {
    ASSERT_NE(dialog, nullptr) << "no create dialog opened";
    EXPECT_EQ(::GetWindow(dialog, GW_OWNER), Main());
    EXPECT_FALSE(IsChecked(::GetDlgItem(dialog, IDC_START_AUTO)));
    EXPECT_FALSE(IsChecked(::GetDlgItem(dialog, IDC_START_MANUAL)));
    EXPECT_EQ(Boxes(dialog), (std::vector<std::string>{"", "", ""}));
  }

  // The texts of the name, description and path boxes.
  static std::vector<std::string> Boxes(HWND dialog) {
    return {WindowText(::GetDlgItem(dialog, IDC_NAME)),
            WindowText(::GetDlgItem(dialog, IDC_DESCRIPTION)),
            WindowText(::GetDlgItem(dialog, IDC_PATH))};
  }

  static void Fill(HWND dialog, const std::string& name, const std::string& description,
                   const std::string& path) {
    ASSERT_TRUE(SetWindowTextRemote(::GetDlgItem(dialog, IDC_NAME), name));
    ASSERT_TRUE(SetWindowTextRemote(::GetDlgItem(dialog, IDC_DESCRIPTION), description));
    ASSERT_TRUE(SetWindowTextRemote(::GetDlgItem(dialog, IDC_PATH), path));
  }

  // Presses "创建" and returns the one message it showed, which must be the application's box
  // on top of the dialog; the dialog stays open.
  std::string Create(HWND dialog) {
    EXPECT_TRUE(PushButton(::GetDlgItem(dialog, IDOK)));
    std::vector<SeenBox> boxes = m_app.Boxes().Take();
    EXPECT_TRUE(::IsWindowVisible(dialog)) << "the dialog closed";
    if (boxes.size() != 1) {
      ADD_FAILURE() << boxes.size() << " message boxes instead of one";
      return "";
    }
    EXPECT_EQ(boxes[0].owner, dialog);
    EXPECT_EQ(boxes[0].caption, kBoxCaption);
    EXPECT_EQ(boxes[0].buttons, std::vector<int>{IDOK});
    return boxes[0].text;
  }

  void ExpectRegistered(const std::string& name, const std::string& displayName,
                        const std::string& path, DWORD startType) {
    SCOPED_TRACE(name);
    ScmService service;
    ASSERT_TRUE(ScmServiceNamed(name, service)) << "not registered";
    EXPECT_EQ(service.displayName, displayName);
    EXPECT_EQ(service.path, path);
    EXPECT_EQ(service.type, static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS));
    EXPECT_EQ(service.errorControl, static_cast<DWORD>(SERVICE_ERROR_NORMAL));
    EXPECT_EQ(service.startType, startType);
    EXPECT_EQ(service.state, static_cast<DWORD>(SERVICE_STOPPED));
  }

  // Ends the dialog with Esc and waits until it is gone.
  void Close(HWND dialog) {
    ASSERT_TRUE(PressKey(dialog, VK_ESCAPE));
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(dialog); }, kTimeoutMs)) << "still open";
  }

  // Declared first, so that the program has ended before its services are removed.
  RemoveOnExit m_cleanup;
  AppDriver m_app;
};

TEST_F(CreateServiceDialog, BothEntriesOpenOneDialogWhichEscExitAndCloseBoxEnd) {
  // The menu entry found with the keyboard: the fifth, past the refresh, start, stop and delete
  // entries and two separators.
  RemoteListView list(m_app.Control(IDC_SERVICE_LIST));
  RECT listRect{};
  ASSERT_TRUE(::GetWindowRect(m_app.Control(IDC_SERVICE_LIST), &listRect));
  ASSERT_TRUE(ClickAt(Main(), {listRect.left + 200, listRect.top + 100}, true));
  HWND popup = WaitForProcessWindow(m_app.ProcessId(), "#32768", nullptr, kTimeoutMs);
  ASSERT_NE(popup, nullptr) << "no menu opened";
  ASSERT_TRUE(ChooseMenuEntry(Main(), popup, 4, kTimeoutMs));
  HWND dialog = WaitForDialog();
  ASSERT_NO_FATAL_FAILURE(ExpectFreshDialog(dialog));
  const std::vector<Control> fromMenu = ControlsOf(dialog);
  RECT menuFrame{};
  ::GetWindowRect(dialog, &menuFrame);
  // Typed text goes with the dialog.
  ASSERT_TRUE(TypeText(::GetDlgItem(dialog, IDC_NAME), "typed-then-dropped"));
  ASSERT_TRUE(
      WaitUntil([&] { return WindowText(::GetDlgItem(dialog, IDC_NAME)) == "typed-then-dropped"; },
                kTimeoutMs));
  ASSERT_NO_FATAL_FAILURE(Close(dialog));
  EXPECT_TRUE(::IsWindowVisible(Main()));

  dialog = OpenBySystemMenu();
  ASSERT_NO_FATAL_FAILURE(ExpectFreshDialog(dialog));
  EXPECT_EQ(ControlsOf(dialog), fromMenu);
  RECT systemFrame{};
  ::GetWindowRect(dialog, &systemFrame);
  EXPECT_TRUE(::EqualRect(&systemFrame, &menuFrame));
  ASSERT_TRUE(ClickAt(dialog, CenterOf(::GetDlgItem(dialog, IDCANCEL))));
  ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(dialog); }, kTimeoutMs)) << "退出 left it open";

  dialog = OpenByCommand();
  ASSERT_NO_FATAL_FAILURE(ExpectFreshDialog(dialog));
  POINT closeBox{};
  ASSERT_TRUE(FindCloseBox(dialog, &closeBox));
  ASSERT_TRUE(ClickAt(dialog, closeBox));
  ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(dialog); }, kTimeoutMs))
      << "the close box left it open";
  EXPECT_TRUE(::IsWindowVisible(Main()));
  EXPECT_EQ(list.RowCount(), 0) << "the list was filled";
}

TEST_F(CreateServiceDialog, TypedFieldsAreRegisteredAsTypedAndListedAfterTheRefresh) {
  HWND dialog = OpenByCommand();
  ASSERT_NO_FATAL_FAILURE(ExpectFreshDialog(dialog));
  EXPECT_EQ(Create(dialog), kCreateFailed) << "with empty boxes";

  // Typed for real, each box clicked first.
  const std::string name = m_cleanup.Add(UniqueServiceName(kServicePrefix));
  const std::string description = "键入的 服务描述";
  const std::string path = Quoted(TestServiceProgram()) + " --refuse-stop";
  ASSERT_TRUE(ClickAt(dialog, CenterOf(::GetDlgItem(dialog, IDC_NAME))));
  ASSERT_TRUE(TypeText(dialog, name));
  ASSERT_TRUE(ClickAt(dialog, CenterOf(::GetDlgItem(dialog, IDC_DESCRIPTION))));
  ASSERT_TRUE(TypeText(dialog, description));
  ASSERT_TRUE(ClickAt(dialog, CenterOf(::GetDlgItem(dialog, IDC_PATH))));
  ASSERT_TRUE(TypeText(dialog, path));
  const std::vector<std::string> typed{name, description, path};
  ASSERT_TRUE(WaitUntil([&] { return Boxes(dialog) == typed; }, kTimeoutMs))
      << testing::PrintToString(Boxes(dialog));

  // The real button, clicked.
  ASSERT_TRUE(ClickAt(dialog, CenterOf(::GetDlgItem(dialog, IDOK))));
  ASSERT_TRUE(m_app.Boxes().WaitFor(1, kTimeoutMs));
  const std::vector<SeenBox> boxes = m_app.Boxes().Take();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, kCreateSucceeded);
  EXPECT_EQ(boxes[0].owner, dialog);
  EXPECT_EQ(boxes[0].caption, kBoxCaption);
  EXPECT_EQ(boxes[0].buttons, std::vector<int>{IDOK});
  ExpectRegistered(name, description, path, SERVICE_AUTO_START);
  EXPECT_EQ(Boxes(dialog), typed) << "the boxes changed";

  // The same fields again: the name is taken.
  EXPECT_EQ(Create(dialog), kCreateFailed);
  ASSERT_NO_FATAL_FAILURE(Close(dialog));

  RemoteListView list(m_app.Control(IDC_SERVICE_LIST));
  EXPECT_EQ(list.RowCount(), 0) << "creating filled the list";
  ASSERT_TRUE(PushButton(m_app.Control(IDOK)));
  const std::vector<ListRow> rows = list.Rows();
  const ListRow expected{name, description, kListStopped, kListAutomatic, path};
  EXPECT_NE(std::find(rows.begin(), rows.end(), expected), rows.end())
      << "the refreshed list does not show " << name;
}

TEST_F(CreateServiceDialog, ManualHoldsAcrossOpeningsUntilAutomaticIsChosen) {
  const std::string program = Quoted(TestServiceProgram());
  HWND dialog = OpenByCommand();
  ASSERT_NO_FATAL_FAILURE(ExpectFreshDialog(dialog));
  HWND manual = ::GetDlgItem(dialog, IDC_START_MANUAL);
  ASSERT_TRUE(ClickAt(dialog, CenterOf(manual)));
  ASSERT_TRUE(WaitUntil([&] { return IsChecked(manual); }, kTimeoutMs));
  const std::string first = m_cleanup.Add(UniqueServiceName(kServicePrefix));
  ASSERT_NO_FATAL_FAILURE(Fill(dialog, first, "手动 一", program));
  EXPECT_EQ(Create(dialog), kCreateSucceeded);
  ExpectRegistered(first, "手动 一", program, SERVICE_DEMAND_START);
  ASSERT_NO_FATAL_FAILURE(Close(dialog));

  // Opened again, the dialog shows neither option, but the choice still holds.
  dialog = OpenBySystemMenu();
  ASSERT_NO_FATAL_FAILURE(ExpectFreshDialog(dialog));
  const std::string second = m_cleanup.Add(UniqueServiceName(kServicePrefix));
  ASSERT_NO_FATAL_FAILURE(Fill(dialog, second, "手动 二", program));
  EXPECT_EQ(Create(dialog), kCreateSucceeded);
  ExpectRegistered(second, "手动 二", program, SERVICE_DEMAND_START);

  HWND automatic = ::GetDlgItem(dialog, IDC_START_AUTO);
  ASSERT_TRUE(ClickAt(dialog, CenterOf(automatic)));
  ASSERT_TRUE(WaitUntil([&] { return IsChecked(automatic); }, kTimeoutMs));
  const std::string third = m_cleanup.Add(UniqueServiceName(kServicePrefix));
  ASSERT_NO_FATAL_FAILURE(Fill(dialog, third, "自动 三", program));
  EXPECT_EQ(Create(dialog), kCreateSucceeded);
  ExpectRegistered(third, "自动 三", program, SERVICE_AUTO_START);
  ASSERT_NO_FATAL_FAILURE(Close(dialog));
}

// Copies of the test service program under the temporary folder, one in a folder whose name
// holds a space; removed with the folder when the test ends. The other's name is not the folder's
// up to its space, or the manager would run it for any path in that folder typed unquoted.
class ProgramCopies {
 public:
  ProgramCopies() {
    char temp[MAX_PATH] = "";
    ::GetTempPathA(sizeof temp, temp);
    const std::string base = temp + UniqueServiceName("svcmgr-copy");
    m_folder = base + " folder";
    m_withSpaces = m_folder + "\\test svc.exe";
    m_withoutSpaces = base + "-alone.exe";
    m_made = ::CreateDirectoryA(m_folder.c_str(), nullptr) &&
             ::CopyFileA(TestServiceProgram().c_str(), m_withSpaces.c_str(), TRUE) &&
             ::CopyFileA(TestServiceProgram().c_str(), m_withoutSpaces.c_str(), TRUE);
  }
  ProgramCopies(const ProgramCopies&) = delete;
  ProgramCopies& operator=(const ProgramCopies&) = delete;
  ~ProgramCopies() {
    ::DeleteFileA(m_withSpaces.c_str());
    ::DeleteFileA(m_withoutSpaces.c_str());
    ::RemoveDirectoryA(m_folder.c_str());
  }

  bool Made() const { return m_made; }
  const std::string& Folder() const { return m_folder; }
  const std::string& WithSpaces() const { return m_withSpaces; }
  const std::string& WithoutSpaces() const { return m_withoutSpaces; }

 private:
  std::string m_folder;
  std::string m_withSpaces;
  std::string m_withoutSpaces;
  bool m_made = false;
};

std::string ImageOfProcess(DWORD processId) {
  HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
  if (!process) return "<cannot open process " + std::to_string(processId) + ">";
  char path[MAX_PATH] = "";
  DWORD size = sizeof path;
  ::QueryFullProcessImageNameA(process, 0, path, &size);
  ::CloseHandle(process);
  return path;
}

TEST_F(CreateServiceDialog, OnlyAnUnquotedPathWithSpacesNamingAFileIsQuoted) {
  ProgramCopies copies;
  ASSERT_TRUE(copies.Made()) << copies.Folder();
  ASSERT_EQ(copies.WithoutSpaces().find(' '), std::string::npos);
  // Removed before the copies, which a running service keeps in use.
  RemoveOnExit services;
  struct Case {
    std::string typed;
    std::string registered;
  };
  const Case cases[] = {
      {copies.WithSpaces(), Quoted(copies.WithSpaces())},
      {Quoted(copies.WithSpaces()), Quoted(copies.WithSpaces())},
      {copies.WithSpaces() + " --pending", Quoted(copies.WithSpaces()) + " --pending"},
      {copies.Folder() + "\\no such program.exe", copies.Folder() + "\\no such program.exe"},
      {copies.Folder(), copies.Folder()},
      {copies.WithoutSpaces(), copies.WithoutSpaces()},
  };
  HWND dialog = OpenByCommand();
  ASSERT_NO_FATAL_FAILURE(ExpectFreshDialog(dialog));
  std::vector<std::string> names;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    names.push_back(services.Add(UniqueServiceName(kServicePrefix)));
    // Display names, too, must differ from every other service's.
    const std::string description = "路径 " + std::to_string(names.size());
    ASSERT_NO_FATAL_FAILURE(Fill(dialog, names.back(), description, c.typed));
    EXPECT_EQ(Create(dialog), kCreateSucceeded);
    ExpectRegistered(names.back(), description, c.registered, SERVICE_AUTO_START);
  }
  // A file planted under the longer name: which program is meant, only quotes can say.
  const std::string planted = copies.WithSpaces() + " --pending";
  ASSERT_TRUE(::CopyFileA(copies.WithSpaces().c_str(), planted.c_str(), TRUE)) << planted;
  const std::vector<std::string> fields{UniqueServiceName(kServicePrefix), "路径 歧义", planted};
  ASSERT_NO_FATAL_FAILURE(Fill(dialog, fields[0], fields[1], fields[2]));
  EXPECT_EQ(Create(dialog), kAmbiguousPath + copies.WithSpaces() + "\n" + planted);
  EXPECT_EQ(Boxes(dialog), fields);
  ScmService none;
  EXPECT_FALSE(ScmServiceNamed(fields[0], none)) << "registered " << none.path;
  ::DeleteFileA(planted.c_str());
  ASSERT_NO_FATAL_FAILURE(Close(dialog));

  // The quoted path is the whole program: the service starts from the copy.
  ASSERT_TRUE(StartAndWait(names[0], kTimeoutMs));
  ScmService running;
  ASSERT_TRUE(ScmServiceNamed(names[0], running));
  EXPECT_EQ(::lstrcmpiA(ImageOfProcess(running.processId).c_str(), copies.WithSpaces().c_str()), 0)
      << ImageOfProcess(running.processId);
}

// Types the path into the file-open dialog's file name box and confirms it with Enter or with
// the open button.
void ChooseFile(HWND files, const std::wstring& path, bool byEnter) {
  HWND nameBox = ::GetDlgItem(files, cmb13);
  ASSERT_TRUE(ClickAt(files, CenterOf(nameBox)));
  ASSERT_TRUE(TypeText(files, path));
  ASSERT_TRUE(WaitUntil([&] { return WindowTextW(nameBox) == path; }, kTimeoutMs))
      << WindowText(nameBox);
  if (byEnter)
    ASSERT_TRUE(PressKey(files, VK_RETURN));
  else
    ASSERT_TRUE(ClickAt(files, CenterOf(::GetDlgItem(files, IDOK))));
  ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(files); }, kTimeoutMs)) << "still open";
}

TEST_F(CreateServiceDialog, BrowseSetsThePathAndPutsBackTheLastCreatedNameAndDescription) {
  const std::string program = TestServiceProgram();
  HWND dialog = OpenByCommand();
  ASSERT_NO_FATAL_FAILURE(ExpectFreshDialog(dialog));

  // Before any creation the name and description go back to empty.
  ASSERT_NO_FATAL_FAILURE(Fill(dialog, "typed-not-created", "键入 未创建", "typed path"));
  HWND files = OpenFileDialog(m_app.ProcessId(), dialog, kTimeoutMs);
  ASSERT_NE(files, nullptr) << "no file dialog opened";
  ASSERT_NO_FATAL_FAILURE(ChooseFile(files, Widen(program), true));
  EXPECT_EQ(Boxes(dialog), (std::vector<std::string>{"", "", program}));

  const std::string name = m_cleanup.Add(UniqueServiceName(kServicePrefix));
  ASSERT_NO_FATAL_FAILURE(Fill(dialog, name, "浏览", program));
  ASSERT_EQ(Create(dialog), kCreateSucceeded);

  // A cancelled browse changes nothing.
  const std::vector<std::string> typed{"typed-later", "后来 键入", "later path"};
  ASSERT_NO_FATAL_FAILURE(Fill(dialog, typed[0], typed[1], typed[2]));
  files = OpenFileDialog(m_app.ProcessId(), dialog, kTimeoutMs);
  ASSERT_NE(files, nullptr) << "no file dialog opened";
  ASSERT_TRUE(ClickAt(files, CenterOf(::GetDlgItem(files, IDCANCEL))));
  ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(files); }, kTimeoutMs)) << "取消 left it open";
  EXPECT_EQ(Boxes(dialog), typed);

  // A confirmed one replaces the typed name and description by the created ones.
  files = OpenFileDialog(m_app.ProcessId(), dialog, kTimeoutMs);
  ASSERT_NE(files, nullptr) << "no file dialog opened";
  ASSERT_NO_FATAL_FAILURE(ChooseFile(files, Widen(program), false));
  EXPECT_EQ(Boxes(dialog), (std::vector<std::string>{name, "浏览", program}));
  ASSERT_NO_FATAL_FAILURE(Close(dialog));
  // Where its folder's name has a space, the chosen program is registered quoted.
  ExpectRegistered(name, "浏览", program.find(' ') == std::string::npos ? program : Quoted(program),
                   SERVICE_AUTO_START);
}

TEST_F(CreateServiceDialog, ABrowsedPathTheCodePageCannotHoldIsShownWholeAndRefused) {
  // A program whose name code page 936 cannot hold: its narrow name would be "svcmgr-??.exe".
  wchar_t temp[MAX_PATH] = L"";
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring program = temp + Widen(UniqueServiceName("svcmgr-")) + L"한글.exe";
  ASSERT_TRUE(::CopyFileW(Widen(TestServiceProgram()).c_str(), program.c_str(), TRUE));
  struct Remove {
    const std::wstring& path;
    ~Remove() { ::DeleteFileW(path.c_str()); }
  } remove{program};

  HWND dialog = OpenByCommand();
  ASSERT_NO_FATAL_FAILURE(ExpectFreshDialog(dialog));
  HWND files = OpenFileDialog(m_app.ProcessId(), dialog, kTimeoutMs);
  ASSERT_NE(files, nullptr) << "no file dialog opened";
  ASSERT_NO_FATAL_FAILURE(ChooseFile(files, program, false));
  EXPECT_EQ(WindowTextW(::GetDlgItem(dialog, IDC_PATH)), program) << "the box shows another path";

  const std::string name = m_cleanup.Add(UniqueServiceName(kServicePrefix));
  ASSERT_TRUE(SetWindowTextRemote(::GetDlgItem(dialog, IDC_NAME), name));
  EXPECT_EQ(Create(dialog), kCreateFailed);
  ScmService registered;
  EXPECT_FALSE(ScmServiceNamed(name, registered)) << "registered " << registered.path;
  ASSERT_NO_FATAL_FAILURE(Close(dialog));
}
// The application's boxes are captioned with the program file's name. In code page 936 the
// second byte of "乗" is '\\' (0x81 0x5C): read as a separator, it would cut the name short.
TEST(ProgramFileName, ACopyNamedWithABackslashTrailByteCaptionsItsBoxesWithItsWholeName) {
  if (::GetACP() != 936) GTEST_SKIP() << "code page " << ::GetACP() << ": the name is 936's";
  char temp[MAX_PATH] = "";
  ::GetTempPathA(sizeof temp, temp);
  const std::string folder = temp + UniqueServiceName("svcmgr-name");
  const std::string program = folder + "\\乗.exe";
  ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr)) << folder;
  struct Remove {
    const std::string& folder;
    const std::string& program;
    ~Remove() {
      ::DeleteFileA(program.c_str());
      ::RemoveDirectoryA(folder.c_str());
    }
  } remove{folder, program};
  ASSERT_TRUE(::CopyFileA(SvcMgrPath().c_str(), program.c_str(), TRUE)) << program;

  AppDriver app;
  ASSERT_TRUE(app.Launch(program)) << program;
  ::PostMessageA(app.MainWindow(), WM_COMMAND, ID_CREATE_SERVICE, 0);
  HWND dialog = WaitForProcessWindow(app.ProcessId(), "#32770", kCreateDialogCaption, kTimeoutMs);
  ASSERT_NE(dialog, nullptr) << "no create dialog opened";
  ASSERT_TRUE(PushButton(::GetDlgItem(dialog, IDOK)));
  const std::vector<SeenBox> boxes = app.Boxes().Take();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, kCreateFailed);
  EXPECT_EQ(boxes[0].caption, "乗");
  app.Kill();
}
}  // namespace
