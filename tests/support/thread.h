#pragma once
// The platform's threads and locks: the toolchain's win32 thread model, which the program is built
// with, has no std::thread or std::mutex.
#include <windows.h>

#include <functional>
#include <utility>

// Runs `body` on a thread of its own; joined at the latest when the object goes.
class Thread {
 public:
  explicit Thread(std::function<void()> body)
      : m_body(std::move(body)), m_handle(::CreateThread(nullptr, 0, Run, this, 0, nullptr)) {}
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;
  ~Thread() { join(); }

  void join() {
    if (!m_handle) return;
    ::WaitForSingleObject(m_handle, INFINITE);
    ::CloseHandle(m_handle);
    m_handle = nullptr;
  }

 private:
  static DWORD WINAPI Run(void* self) {
    static_cast<Thread*>(self)->m_body();
    return 0;
  }

  std::function<void()> m_body;
  HANDLE m_handle;
};

class CriticalSection {
 public:
  CriticalSection() { ::InitializeCriticalSection(&m_section); }
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;
  ~CriticalSection() { ::DeleteCriticalSection(&m_section); }

  // Holds the section for its own life.
  class Lock {
   public:
    explicit Lock(CriticalSection& owner) : m_owner(owner) {
      ::EnterCriticalSection(&m_owner.m_section);
    }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;
    ~Lock() { ::LeaveCriticalSection(&m_owner.m_section); }

   private:
    CriticalSection& m_owner;
  };

 private:
  CRITICAL_SECTION m_section;
};
