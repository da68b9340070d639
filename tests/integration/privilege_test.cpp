// The privilege step against the process's real token.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "service/privilege.h"
#include "tests/integration/open_handles.h"

namespace {
LUID DebugPrivilege() {
  LUID luid{};
  EXPECT_TRUE(::LookupPrivilegeValueA(nullptr, "SeDebugPrivilege", &luid));
  return luid;
}

// Whether the token holds the debug privilege enabled, read from the token itself.
bool DebugPrivilegeEnabled() {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  DWORD size = 0;
  ::GetTokenInformation(token, TokenPrivileges, nullptr, 0, &size);
  std::vector<BYTE> buffer(size);
  bool enabled = false;
  if (size && ::GetTokenInformation(token, TokenPrivileges, buffer.data(), size, &size)) {
    const auto* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
    const LUID debug = DebugPrivilege();
    for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
      const LUID_AND_ATTRIBUTES& entry = privileges->Privileges[i];
      if (entry.Luid.LowPart == debug.LowPart && entry.Luid.HighPart == debug.HighPart)
        enabled = (entry.Attributes & SE_PRIVILEGE_ENABLED) != 0;
    }
  }
  ::CloseHandle(token);
  return enabled;
}

bool DisableDebugPrivilege() {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token)) return false;
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Luid = DebugPrivilege();
  privileges.Privileges[0].Attributes = 0;
  BOOL adjusted =
      ::AdjustTokenPrivileges(token, FALSE, &privileges, sizeof privileges, nullptr, nullptr) &&
      ::GetLastError() == ERROR_SUCCESS;
  ::CloseHandle(token);
  return adjusted;
}

TEST(PrivilegeOnRealToken, EnablesTheDebugPrivilege) {
  ASSERT_TRUE(DisableDebugPrivilege());
  ASSERT_FALSE(DebugPrivilegeEnabled());
  EXPECT_TRUE(EnableDebugPrivilege());
  EXPECT_TRUE(DebugPrivilegeEnabled());
}

TEST(PrivilegeOnRealToken, RepeatedStepsKeepNoHandleOpen) {
  // The count sees a handle left open.
  std::vector<HANDLE> events;
  EXPECT_EQ(
      HandlesLeftOpen([&] { events.push_back(::CreateEventA(nullptr, TRUE, FALSE, nullptr)); }, 3),
      3u);
  for (HANDLE event : events) ::CloseHandle(event);

  int refused = 0;
  EXPECT_EQ(HandlesLeftOpen([&] { refused += !EnableDebugPrivilege(); }, 100), 0u);
  EXPECT_EQ(refused, 0);
}
}  // namespace
