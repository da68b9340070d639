// Pictures of the program for the read-me, taken as a person would see it. Not part of the test
// run: scripts/screenshots.sh runs them. The popup menu is a window of its own that the
// system's screen copy leaves out, so the picture is taken by the display's own tool: each step
// leaves "<name>.request" with the screen area in the folder named by SVCMGR_SCREENSHOT_DIR and
// waits until the script has saved "<name>.png" there.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "app_driver.h"
#include "desktop.h"
#include "remote_list.h"
#include "res/resource.h"
#include "tests/support/expected_texts.h"

namespace {
constexpr DWORD kTimeoutMs = 30000;
// Time for the windows to finish drawing before the picture.
constexpr DWORD kPaintMs = 500;

// How long the script may take to save a picture.
constexpr DWORD kPictureTimeoutMs = 30000;

std::string PictureFolder() {
  const char* folder = std::getenv("SVCMGR_SCREENSHOT_DIR");
  return folder && *folder ? DosPathOf(folder) + "\\" : "";
}

// Asks for a picture of the screen area and waits until it was saved.
bool TakePicture(const std::string& name, const RECT& area) {
  const std::string folder = PictureFolder();
  const std::string picture = folder + name + ".png";
  ::DeleteFileA(picture.c_str());
  {
    std::ofstream request(folder + name + ".tmp");
    request << area.right - area.left << "x" << area.bottom - area.top << "+" << area.left << "+"
            << area.top << "\n";
  }
  // Renamed when complete, so the script never reads half a request.
  if (!::MoveFileExA((folder + name + ".tmp").c_str(), (folder + name + ".request").c_str(),
                     MOVEFILE_REPLACE_EXISTING))
    return false;
  return WaitUntil([&] { return ::GetFileAttributesA(picture.c_str()) != INVALID_FILE_ATTRIBUTES; },
                   kPictureTimeoutMs);
}

class DISABLED_Screenshots : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(PictureFolder(), "") << "SVCMGR_SCREENSHOT_DIR is not set";
    ASSERT_TRUE(m_app.Launch()) << SvcMgrPath();
    ASSERT_TRUE(PushButton(m_app.Control(IDOK)));
    m_list = std::make_unique<RemoteListView>(m_app.Control(IDC_SERVICE_LIST));
    ASSERT_GT(m_list->RowCount(), 8) << "the list was not filled";
  }

  void TearDown() override {
    for (const SeenBox& box : m_app.Boxes().Take())
      ADD_FAILURE() << "message box \"" << box.caption << "\": " << box.text;
  }

  AppDriver m_app;
  std::unique_ptr<RemoteListView> m_list;
};

TEST_F(DISABLED_Screenshots, ContextMenuOverTheFilledList) {
  HWND main = m_app.MainWindow();
  RECT row{};
  ASSERT_TRUE(m_list->RowRect(6, &row));
  ASSERT_TRUE(ClickAt(main, {row.left + 260, (row.top + row.bottom) / 2}, true));
  HWND popup = WaitForProcessWindow(m_app.ProcessId(), "#32768", nullptr, kTimeoutMs);
  ASSERT_NE(popup, nullptr);
  // Left as it opened: after keys were sent to it, the display showed the main window over it.
  ::Sleep(kPaintMs);
  RECT window{};
  RECT menu{};
  ::GetWindowRect(main, &window);
  ::GetWindowRect(popup, &menu);
  RECT area{};
  ::UnionRect(&area, &window, &menu);
  EXPECT_TRUE(TakePicture("context-menu", area));
  ASSERT_TRUE(PressKey(main, VK_ESCAPE));
}

TEST_F(DISABLED_Screenshots, CreateDialogWithTypedFields) {
  ::PostMessageA(m_app.MainWindow(), WM_COMMAND, ID_CREATE_SERVICE, 0);
  HWND dialog = WaitForProcessWindow(m_app.ProcessId(), "#32770", kCreateDialogCaption, kTimeoutMs);
  ASSERT_NE(dialog, nullptr);
  const struct {
    int id;
    const char* text;
  } fields[] = {
      {IDC_NAME, "DemoService"}, {IDC_DESCRIPTION, "示例服务"}, {IDC_PATH, "C:\\Demo\\demo.exe"}};
  for (const auto& field : fields) {
    ASSERT_TRUE(ClickAt(dialog, CenterOf(::GetDlgItem(dialog, field.id))));
    ASSERT_TRUE(TypeText(dialog, field.text));
  }
  ASSERT_TRUE(ClickAt(dialog, CenterOf(::GetDlgItem(dialog, IDC_START_MANUAL))));
  ASSERT_TRUE(
      WaitUntil([&] { return IsChecked(::GetDlgItem(dialog, IDC_START_MANUAL)); }, kTimeoutMs));
  ::Sleep(kPaintMs);
  RECT area{};
  ::GetWindowRect(dialog, &area);
  EXPECT_TRUE(TakePicture("create-dialog", area));
  ASSERT_TRUE(PressKey(dialog, VK_ESCAPE));
}
}  // namespace
