#pragma once
// A zero-filled work buffer from the local heap, freed with its object.
#include <windows.h>

class LocalBuffer {
 public:
  explicit LocalBuffer(DWORD size) : m_data(::LocalAlloc(LPTR, size)), m_size(m_data ? size : 0) {}
  LocalBuffer(const LocalBuffer&) = delete;
  LocalBuffer& operator=(const LocalBuffer&) = delete;
  ~LocalBuffer() {
    if (m_data) ::LocalFree(m_data);
  }

  template <class T>
  T* as() const {
    return static_cast<T*>(m_data);
  }
  DWORD size() const { return m_size; }

 private:
  HLOCAL m_data;
  DWORD m_size;
};
