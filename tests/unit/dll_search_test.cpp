// Where the program's start lets DLLs come from. It changes this process for good (the cases that
// run after it do so as in the program), so its cases go in this order: the older Windows' way
// first, then the one that shuts the program's folder out.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "framework/dll_search.h"
#include "framework/win_app.h"
#include "import_hook.h"
#include "tests/support/expected_texts.h"

DECLARE_IMPORT_SLOT(g_lookupSlot, GetProcAddress, 8);
DECLARE_IMPORT_SLOT(g_wideBoxSlot, MessageBoxW, 16);

namespace {
std::string SystemFolderOf(HMODULE module) {
  char path[MAX_PATH] = "";
  ::GetModuleFileNameA(module, path, MAX_PATH);
  return std::string(path, std::string(path).rfind('\\') + 1);
}

std::string SystemFolder() {
  char folder[MAX_PATH] = "";
  ::GetSystemDirectoryA(folder, MAX_PATH);
  return std::string(folder) + "\\";
}

// Windows 7 SP1 without update KB3063858: kernel32 has no SetDefaultDllDirectories.
decltype(&::GetProcAddress) g_platformLookup;
FARPROC WINAPI LookupOfWindows7(HMODULE module, LPCSTR name) {
  if (!IS_INTRESOURCE(name) && std::string(name) == "SetDefaultDllDirectories") return nullptr;
  return g_platformLookup(module, name);
}

struct Notice {
  HWND owner;
  std::wstring text;
  bool captioned;
  UINT type;
};
std::vector<Notice> g_notices;
int WINAPI RecordingWideBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  g_notices.push_back({owner, text, caption != nullptr, type});
  return IDOK;
}

class StartRecordingApp : public CWinApp {
 public:
  StartRecordingApp() : CWinApp("svcmgr") {}
  BOOL InitInstance() override {
    started = true;
    return FALSE;
  }
  bool started = false;
};
}  // namespace

TEST(DllSearch, WithoutDefaultDirectoriesTheProgramNamesTheUpdateItNeedsAndEndsBeforeItsStart) {
  ImportHook<decltype(&::GetProcAddress)> lookup(g_lookupSlot, LookupOfWindows7);
  g_platformLookup = lookup.Original();
  ImportHook<decltype(&::MessageBoxW)> box(g_wideBoxSlot, RecordingWideBox);
  g_notices.clear();
  StartRecordingApp app;
  EXPECT_EQ(AfxWinMain(), 0);
  EXPECT_FALSE(app.started) << "the application started: its window, listing and commands";
  ASSERT_EQ(g_notices.size(), 1u);
  EXPECT_EQ(g_notices[0].text, kDllSearchNotice);
  EXPECT_EQ(g_notices[0].owner, nullptr);
  EXPECT_FALSE(g_notices[0].captioned);
  EXPECT_EQ(g_notices[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
  // Loaded before the notice, which loads theming by name.
  for (const char* name : {"comdlg32.dll", "shell32.dll", "ole32.dll", "uxtheme.dll"}) {
    SCOPED_TRACE(name);
    HMODULE module = ::GetModuleHandleA(name);
    ASSERT_NE(module, nullptr) << "not loaded at the start";
    EXPECT_EQ(::lstrcmpiA(SystemFolderOf(module).c_str(), SystemFolder().c_str()), 0);
  }
}

TEST(DllSearch, ADllBesideTheProgramLoadsBeforeTheStartAndNotAfterIt) {
  HMODULE probe = ::LoadLibraryA("svcmgr_probe.dll");
  ASSERT_NE(probe, nullptr) << "the probe does not lie beside the tests";
  ::FreeLibrary(probe);
  ASSERT_EQ(::GetModuleHandleA("svcmgr_probe.dll"), nullptr);

  LoadDllsFromSystemFolderOnly(FindSetDefaultDllDirectories());
  probe = ::LoadLibraryA("svcmgr_probe.dll");
  EXPECT_EQ(probe, nullptr) << "loaded from the program's folder";
  if (probe) ::FreeLibrary(probe);
  EXPECT_NE(::LoadLibraryA("version.dll"), nullptr) << "a system DLL no longer loads by name";
}
