#pragma once
// The stand-in browser's record of the addresses the program asked the shell to open. The test
// script names the record in SVCMGR_BROWSER_LOG for the whole run, so each BrowserLog looks only
// at what was added after it was made.
#include <windows.h>

#include <string>
#include <vector>

// The address the close box opens.
inline constexpr char kMakerAddress[] = "http://www.tavrelmo.example/";
// The process that starts the browser for it: the desktop's shell, never the elevated program.
inline constexpr char kDesktopShell[] = "explorer.exe";

class BrowserLog {
 public:
  BrowserLog();

  // False when no record was named: then nothing opened can be seen.
  bool IsNamed() const { return !m_path.empty(); }
  // The addresses opened since this object was made, one per line of the record.
  std::vector<std::string> Addresses() const;
  // Which process started the browser for each of them: "explorer.exe", the desktop's shell, or
  // "svcmgr.exe", the program itself (tests/bin/xdg-open says how it knows).
  std::vector<std::string> Starters() const;
  // Waits until at least `count` addresses were opened.
  bool WaitFor(size_t count, DWORD timeoutMs) const;

 private:
  // The lines added since this object was made, each cut at its tab: before it, or after it.
  std::vector<std::string> Fields(bool starter) const;

  std::string m_path;
  size_t m_skip = 0;
};
