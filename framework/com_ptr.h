#pragma once
// Owners of what COM hands out: an interface pointer, released once when its owner goes, and a
// BSTR, freed once. Neither copies, so nothing is released twice.
#include <windows.h>
#include <oleauto.h>

template <class Interface>
class CComPtr {
 public:
  CComPtr() = default;
  CComPtr(const CComPtr&) = delete;
  CComPtr& operator=(const CComPtr&) = delete;
  ~CComPtr() {
    if (m_p) m_p->Release();
  }

  // Where a call puts the interface it hands out; the owner must still be empty.
  Interface** operator&() { return &m_p; }
  // The same, for a call that takes the interface's identifier beside an untyped out pointer.
  void** Receive() { return reinterpret_cast<void**>(&m_p); }

  Interface* operator->() const { return m_p; }
  Interface* get() const { return m_p; }
  explicit operator bool() const { return m_p != nullptr; }

  // Asks the object for another of its interfaces, into `other`.
  template <class Other>
  HRESULT QueryInterface(CComPtr<Other>& other) const {
    return m_p->QueryInterface(__uuidof(Other), other.Receive());
  }

 private:
  Interface* m_p = nullptr;
};

class CComBSTR {
 public:
  explicit CComBSTR(const wchar_t* text) : m_str(::SysAllocString(text)) {}
  CComBSTR(const CComBSTR&) = delete;
  CComBSTR& operator=(const CComBSTR&) = delete;
  ~CComBSTR() { ::SysFreeString(m_str); }

  BSTR m_str;
};
