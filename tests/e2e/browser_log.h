#pragma once
// The stand-in browser's record of the addresses the program asked the shell to open. The test
// script names the record in SVCMGR_BROWSER_LOG for the whole run, so each BrowserLog looks only
// at what was added after it was made.
#include <windows.h>

#include <string>
#include <vector>

// The address the close box opens.
inline constexpr char kMakerAddress[] = "http://www.tavrelmo.example/";

class BrowserLog {
 public:
  BrowserLog();

  // False when no record was named: then nothing opened can be seen.
  bool IsNamed() const { return !m_path.empty(); }
  // The addresses opened since this object was made, one per line of the record.
  std::vector<std::string> Addresses() const;
  // Waits until at least `count` addresses were opened.
  bool WaitFor(size_t count, DWORD timeoutMs) const;

 private:
  std::vector<std::string> AllLines() const;

  std::string m_path;
  size_t m_skip = 0;
};
