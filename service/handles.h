#pragma once
// Owning wrappers: each closes its handle through the seam when it goes, so no path through a
// command can leak one.
#include <windows.h>

#include "scm_api.h"

template <class Handle, BOOL (WINAPI* ScmApi::*Close)(Handle)>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(Handle handle) : m_handle(handle) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() {
    if (m_handle) (Scm().*Close)(m_handle);
  }

  Handle get() const { return m_handle; }
  Handle* receive() { return &m_handle; }
  explicit operator bool() const { return m_handle != nullptr; }

 private:
  Handle m_handle = nullptr;
};

using ScHandle = UniqueHandle<SC_HANDLE, &ScmApi::CloseServiceHandle>;
using ScLock = UniqueHandle<SC_LOCK, &ScmApi::UnlockServiceDatabase>;
using TokenHandle = UniqueHandle<HANDLE, &ScmApi::CloseHandle>;
