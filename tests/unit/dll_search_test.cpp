// Where the program's start lets DLLs come from. It changes this process for good (the cases that
// run after it do so as in the program), so its cases go in this order: the older Windows' way
// first, then the one that shuts the program's folder out.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "framework/dll_search.h"

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
}  // namespace

TEST(DllSearch, WithoutDefaultDirectoriesTheLateDllsAreLoadedFromTheSystemFolderAtTheStart) {
  LoadDllsFromSystemFolderOnly(nullptr);
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
