#pragma once
// Watches a process for message boxes the way a person does: reads each one's owner, caption and
// text, then presses its OK button.
#include <windows.h>

#include <atomic>
#include <set>
#include <string>
#include <vector>

#include "thread.h"

struct SeenBox {
  HWND owner;
  std::string caption;
  std::string text;
  std::vector<int> buttons;  // the identifiers of the buttons it shows, in window order
  // As the box holds them, whatever the code page can hold.
  std::wstring wideCaption;
  std::wstring wideText;
};

class MessageBoxWatcher {
 public:
  explicit MessageBoxWatcher(DWORD processId = ::GetCurrentProcessId());
  MessageBoxWatcher(const MessageBoxWatcher&) = delete;
  MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;
  ~MessageBoxWatcher();

  // The boxes answered since the last call, oldest first.
  std::vector<SeenBox> Take();
  // Waits until at least `count` boxes were answered since the last Take.
  bool WaitFor(size_t count, DWORD timeoutMs = 10000);
  // The texts of Take(), for comparing a whole sequence at once.
  std::vector<std::string> TakeTexts();

 private:
  void Watch();

  DWORD m_processId;
  std::atomic<bool> m_stop{false};
  CriticalSection m_lock;
  std::vector<SeenBox> m_seen;
  std::set<HWND> m_answered;
  Thread m_thread;
};

// A top-level dialog of the process whose children are only buttons and static texts.
bool IsMessageBox(HWND window, DWORD processId);
// A message box the process shows now, or null.
HWND ShownMessageBox(DWORD processId);
