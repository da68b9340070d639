// Started from a folder that also holds DLLs named as its own late-loaded ones, as a download
// folder may, the program loads none of them, and its browse and close box work as ever. Wine is
// told to prefer the planted files (tests/e2e/CMakeLists.txt); Windows needs no
// such word, as its own search would load them if the program let it. Not ole32 or uxtheme: Wine's
// own comctl32 binds its imports of them without the default DLL directories, unlike Windows'
// comctl32, so under Wine a planted one is loaded whatever the program does.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "app_driver.h"
#include "browser_log.h"
#include "desktop.h"
#include "res/resource.h"
#include "tests/support/expected_texts.h"
#include "tests/support/test_services.h"
#include "tests/support/under_wine.h"

namespace {
constexpr DWORD kTimeoutMs = 30000;
const char* const kPlanted[] = {"comdlg32.dll", "oleaut32.dll", "shell32.dll"};

class PlantedDlls : public testing::Test {
 protected:
  void SetUp() override {
    // Wine takes the load order from the environment this test started with, not from changes
    // made here, nor from a cmd between: ctest sets it.
    const char* overrides = std::getenv("WINEDLLOVERRIDES");
    if (UnderWine()) {
      ASSERT_TRUE(overrides && std::strstr(overrides, "comdlg32,oleaut32,shell32=n,b"))
          << "Wine is not told to prefer the planted DLLs";
    }
    char temp[MAX_PATH] = "";
    ::GetTempPathA(MAX_PATH, temp);
    m_folder = temp + UniqueServiceName("svcmgr-planted");
    ASSERT_TRUE(::CreateDirectoryA(m_folder.c_str(), nullptr)) << m_folder;
    const std::string program = SvcMgrPath();
    ASSERT_TRUE(::CopyFileA(program.c_str(), Beside("svcmgr.exe").c_str(), TRUE)) << program;
    // Planted DLLs of the program's own kind: one of the other kind would not load at all.
    DWORD kind = 0;
    ASSERT_TRUE(::GetBinaryTypeA(program.c_str(), &kind));
    const std::string planted =
        TestProgramFolder() + (kind == SCS_64BIT_BINARY ? "planted\\x86_64\\" : "planted\\i686\\");
    for (const char* dll : kPlanted)
      ASSERT_TRUE(::CopyFileA((planted + dll).c_str(), Beside(dll).c_str(), TRUE)) << dll;

    const bool launched = m_app.Launch(Beside("svcmgr.exe"));
    ASSERT_TRUE(launched) << "the program from " << m_folder << " showed no window";
  }

  void TearDown() override {
    m_app.Kill();
    for (const char* dll : kPlanted) ::DeleteFileA(Beside(dll).c_str());
    for (const char* file : {"svcmgr.exe", "planted.log"}) ::DeleteFileA(Beside(file).c_str());
    ::RemoveDirectoryA(m_folder.c_str());
  }

  std::string Beside(const std::string& file) const { return m_folder + "\\" + file; }

  // The planted DLLs that were loaded, one path a line.
  std::string PlantedLoaded() const {
    std::ifstream log(Beside("planted.log"));
    std::stringstream lines;
    lines << log.rdbuf();
    return lines.str();
  }

  std::string m_folder;
  BrowserLog m_log;
  AppDriver m_app;
};

TEST_F(PlantedDlls, TheBrowseOpensTheSystemsFileDialog) {
  ::PostMessageA(m_app.MainWindow(), WM_COMMAND, ID_CREATE_SERVICE, 0);
  HWND dialog = WaitForProcessWindow(m_app.ProcessId(), "#32770", kCreateDialogCaption, kTimeoutMs);
  ASSERT_NE(dialog, nullptr) << "no create dialog opened";
  HWND files = OpenFileDialog(m_app.ProcessId(), dialog, kTimeoutMs);
  EXPECT_NE(files, nullptr) << "no file dialog opened";
  EXPECT_EQ(PlantedLoaded(), "");
  EXPECT_TRUE(m_app.IsRunning());
}

TEST_F(PlantedDlls, TheCloseBoxOpensTheAddressWithTheDesktopsShell) {
  POINT closeBox{};
  ASSERT_TRUE(FindCloseBox(m_app.MainWindow(), &closeBox));
  ASSERT_TRUE(ClickAt(m_app.MainWindow(), closeBox));
  DWORD exitCode = STILL_ACTIVE;
  EXPECT_TRUE(m_app.WaitForExit(kTimeoutMs, &exitCode)) << "the program is still running";
  EXPECT_EQ(exitCode, 0u);
  EXPECT_EQ(m_app.ProcessesStarted(), 0) << "the program started a process itself";
  EXPECT_EQ(PlantedLoaded(), "");
  if (!m_log.IsNamed()) GTEST_SKIP() << "SVCMGR_BROWSER_LOG names no record of a browser";
  EXPECT_TRUE(m_log.WaitFor(1, kTimeoutMs)) << "no address was opened";
  EXPECT_EQ(m_log.Addresses(), std::vector<std::string>{kMakerAddress});
  EXPECT_EQ(m_log.Starters(), std::vector<std::string>{kDesktopShell});
}
}  // namespace
