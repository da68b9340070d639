#include "browser_log.h"

#include <cstdlib>
#include <fstream>

#include "app_driver.h"

BrowserLog::BrowserLog() {
  // The stand-in runs outside Wine, so the name is a host path.
  const char* hostPath = std::getenv("SVCMGR_BROWSER_LOG");
  if (!hostPath || !*hostPath) return;
  m_path = DosPathOf(hostPath);
  m_skip = AllLines().size();
}

std::vector<std::string> BrowserLog::AllLines() const {
  std::vector<std::string> lines;
  std::ifstream file(m_path);
  for (std::string line; std::getline(file, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> BrowserLog::Addresses() const {
  std::vector<std::string> lines = AllLines();
  lines.erase(lines.begin(), lines.begin() + std::min(m_skip, lines.size()));
  return lines;
}

bool BrowserLog::WaitFor(size_t count, DWORD timeoutMs) const {
  return WaitUntil([&] { return Addresses().size() >= count; }, timeoutMs);
}
