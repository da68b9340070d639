// The create dialog against hostile input: each attempt either registers exactly the service
// that was typed or shows "服务创建失败", and nothing else in the service database changes.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <map>
#include <string>
#include <tuple>

#include "app_driver.h"
#include "res/resource.h"
#include "tests/support/expected_texts.h"
#include "tests/support/test_services.h"

namespace {
enum class Outcome { Created, Refused, Either };

struct Attempt {
  const char* what;
  std::wstring name;
  std::wstring description;
  std::wstring path;
  Outcome expected;
  // The program path the manager holds once it is created, where that is not the typed one.
  const wchar_t* registered = nullptr;
};

std::string Narrow(const std::wstring& text) {
  int n = ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(n, '\0');
  ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, out.data(), n, nullptr, nullptr);
  out.resize(n - 1);
  return out;
}

std::wstring Wide(const std::string& text) {
  int n = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  std::wstring out(n, L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, out.data(), n);
  out.resize(n - 1);
  return out;
}

using Database = std::map<std::string, std::tuple<std::string, DWORD, std::string>>;

// Every service by its name: display name, start type and program path.
Database Snapshot() {
  Database all;
  for (const ScmService& s : ScmListing()) all[s.name] = {s.displayName, s.startType, s.path};
  return all;
}

HWND FindCreateDialog(DWORD processId) {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        found = nullptr;
        for (HWND w = ::FindWindowExA(nullptr, nullptr, "#32770", nullptr); w && !found;
             w = ::FindWindowExA(nullptr, w, "#32770", nullptr)) {
          DWORD owner = 0;
          ::GetWindowThreadProcessId(w, &owner);
          if (owner == processId && ::IsWindowVisible(w) && ::GetDlgItem(w, IDC_NAME)) found = w;
        }
        return found != nullptr;
      },
      10000);
  return found;
}
}  // namespace

TEST(HostileInput, EachAttemptCreatesExactlyWhatWasTypedOrIsRefused) {
  RemoveLeftoverServices("hx");
  const std::wstring unique = Wide(UniqueServiceName("hx"));
  const std::string programPath = TestServiceProgram();
  const std::wstring program = Wide(programPath);
  // Typed unquoted, as in most rows: where its folder's name has a space, it is registered quoted.
  const std::wstring programRegistered =
      Wide(programPath.find(' ') == std::string::npos ? programPath : Quoted(programPath));
  ScmService spooler;
  ASSERT_TRUE(ScmServiceNamed("Spooler", spooler)) << "a service of the prefix to clash with";
  const std::wstring taken = Wide(spooler.name), takenDisplay = Wide(spooler.displayName);
  auto n = [&](const wchar_t* tail) { return unique + tail; };

  const Attempt attempts[] = {
      {"all empty", L"", L"", L"", Outcome::Refused},
      {"empty name", L"", n(L"d0"), program, Outcome::Refused},
      {"empty description", n(L"a1"), L"", program, Outcome::Either},
      {"empty path", n(L"a2"), n(L"d2"), L"", Outcome::Either},
      {"name of 256", n(L"a3") + std::wstring(256 - n(L"a3").size(), L'x'), n(L"d3"), program,
       Outcome::Created},
      {"name of 257", n(L"a4") + std::wstring(257 - n(L"a4").size(), L'x'), n(L"d4"), program,
       Outcome::Refused},
      {"slash in name", n(L"a5/x"), n(L"d5"), program, Outcome::Refused},
      {"backslash in name", n(L"a6\\x"), n(L"d6"), program, Outcome::Refused},
      {"quote in name", n(L"a7\"x"), n(L"d7"), program, Outcome::Either},
      {"space in name", n(L"a8 x"), n(L"d8"), program, Outcome::Either},
      {"leading and trailing spaces", L" " + n(L"a9") + L" ", n(L"d9"), program, Outcome::Either},
      {"single space", L" ", n(L"d10"), program, Outcome::Either},
      {"Chinese name", n(L"中文服务"), n(L"中文描述"), program,
       ::GetACP() == 936 ? Outcome::Created : Outcome::Refused},
      {"percent and ampersand", n(L"a11%PATH%&x"), n(L"d11"), program, Outcome::Either},
      {"name outside code page 936", n(L"한국"), n(L"d12"), program, Outcome::Refused},
      {"description outside code page 936", n(L"a13"), n(L"한국"), program, Outcome::Refused},
      {"path outside code page 936", n(L"a14"), n(L"d14"), L"C:\\한국.exe", Outcome::Refused},
      {"emoji in name", n(L"a15\U0001F600"), n(L"d15"), program, Outcome::Refused},
      {"name of an existing service", taken, n(L"d16"), program, Outcome::Refused},
      {"existing name in other case", Wide(Narrow(taken) == "Spooler" ? "SPOOLER" : "spooler"),
       n(L"d17"), program, Outcome::Refused},
      {"display name of an existing service", n(L"a18"), takenDisplay, program, Outcome::Refused},
      {"display name that is another's name", n(L"a19"), taken, program, Outcome::Either},
      {"path with spaces to an existing file", n(L"a20"), n(L"d20"),
       L"C:\\Program Files\\Internet Explorer\\iexplore.exe", Outcome::Created,
       L"\"C:\\Program Files\\Internet Explorer\\iexplore.exe\""},
      {"path with spaces naming no file", n(L"a21"), n(L"d21"),
       L"C:\\Program Files\\nothing here.exe", Outcome::Created},
      {"quoted path", n(L"a22"), n(L"d22"), L"\"" + program + L"\"", Outcome::Created},
      {"path with arguments", n(L"a23"), n(L"d23"), L"C:\\windows\\system32\\cmd.exe /c exit 0",
       Outcome::Created, L"\"C:\\windows\\system32\\cmd.exe\" /c exit 0"},
      {"path of 2,000 characters", n(L"a24"), n(L"d24"),
       L"C:\\" + std::wstring(1992, L'p') + L".exe", Outcome::Either},
      {"path to a directory", n(L"a25"), n(L"d25"), L"C:\\windows", Outcome::Created},
      {"quote inside the path", n(L"a26"), n(L"d26"), L"C:\\a\"b.exe", Outcome::Created},
      {"description of 256", n(L"a27"), n(L"d27") + std::wstring(250, L'd'), program,
       Outcome::Either},
      {"tab in name", n(L"a28\tx"), n(L"d28"), program, Outcome::Either},
      {"dots only", L"..", n(L"d29"), program, Outcome::Either},
  };

  RemoveOnExit created;  // also when an attempt fails the test; after the program has ended
  AppDriver app;
  ASSERT_TRUE(app.Launch());
  ::PostMessageA(app.MainWindow(), WM_COMMAND, ID_CREATE_SERVICE, 0);
  HWND dialog = FindCreateDialog(app.ProcessId());
  ASSERT_NE(dialog, nullptr);

  for (const Attempt& a : attempts) {
    SCOPED_TRACE(a.what);
    Database before = Snapshot();
    ::SendMessageW(::GetDlgItem(dialog, IDC_NAME), WM_SETTEXT, 0,
                   reinterpret_cast<LPARAM>(a.name.c_str()));
    ::SendMessageW(::GetDlgItem(dialog, IDC_DESCRIPTION), WM_SETTEXT, 0,
                   reinterpret_cast<LPARAM>(a.description.c_str()));
    ::SendMessageW(::GetDlgItem(dialog, IDC_PATH), WM_SETTEXT, 0,
                   reinterpret_cast<LPARAM>(a.path.c_str()));
    ASSERT_TRUE(SendCommand(dialog, IDOK, 30000));
    auto boxes = app.Boxes().TakeTexts();
    ASSERT_EQ(boxes.size(), 1u);
    Database after = Snapshot();

    const std::string name = Narrow(a.name);
    const bool made = boxes[0] == kCreateSucceeded;
    std::printf("%-40s %s\n", a.what, made ? "created" : "refused");
    EXPECT_TRUE(made || boxes[0] == kCreateFailed) << boxes[0];
    if (a.expected != Outcome::Either) {
      EXPECT_EQ(made, a.expected == Outcome::Created);
    }
    if (made) {
      created.Add(name);
      ScmService s;
      ASSERT_TRUE(ScmServiceNamed(name, s)) << "reported created, but not found: " << name;
      // An empty display name may be stored as it is or as the service's name.
      EXPECT_TRUE(s.displayName == Narrow(a.description) ||
                  (a.description.empty() && s.displayName == name))
          << s.displayName;
      EXPECT_EQ(s.path, Narrow(a.registered        ? a.registered
                               : a.path == program ? programRegistered
                                                   : a.path));
      EXPECT_EQ(s.startType, static_cast<DWORD>(SERVICE_AUTO_START));
      after.erase(s.name);
    }
    EXPECT_EQ(after, before) << "something else in the database changed";
    if (HasFatalFailure()) break;
  }
}
