#pragma once
// GoogleTest's one use of std::mutex, which the win32 thread model lacks, on the platform's event
// instead; every GoogleTest source and test is compiled with this header first.
#include <windows.h>

namespace testing {
namespace internal {
class Notification {
 public:
  Notification() : m_event(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;
  ~Notification() { ::CloseHandle(m_event); }

  void Notify() { ::SetEvent(m_event); }
  void WaitForNotification() { ::WaitForSingleObject(m_event, INFINITE); }

 private:
  HANDLE m_event;
};
}  // namespace internal
}  // namespace testing
