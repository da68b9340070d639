#include "browser_log.h"

#include <cstdlib>
#include <fstream>

#include "app_driver.h"

BrowserLog::BrowserLog() {
  // The stand-in runs outside Wine, so the name is a host path.
  const char* hostPath = std::getenv("SVCMGR_BROWSER_LOG");
  if (!hostPath || !*hostPath) return;
  m_path = DosPathOf(hostPath);
  m_skip = Fields(false).size();
}

std::vector<std::string> BrowserLog::Fields(bool starter) const {
  std::vector<std::string> fields;
  std::ifstream file(m_path);
  size_t skipped = 0;
  for (std::string line; std::getline(file, line);) {
    if (skipped < m_skip) {
      ++skipped;
      continue;
    }
    const size_t tab = line.find('\t');
    fields.push_back(tab == std::string::npos
                         ? (starter ? "" : line)
                         : (starter ? line.substr(tab + 1) : line.substr(0, tab)));
  }
  return fields;
}

std::vector<std::string> BrowserLog::Addresses() const {
  return Fields(false);
}

std::vector<std::string> BrowserLog::Starters() const {
  return Fields(true);
}

bool BrowserLog::WaitFor(size_t count, DWORD timeoutMs) const {
  return WaitUntil([&] { return Addresses().size() >= count; }, timeoutMs);
}
