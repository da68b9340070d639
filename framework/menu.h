#pragma once
// Menus. The type says who owns the handle: a CMenu loaded by the program destroys it, a
// CMenuHandle (a sub-menu, the system menu) only borrows it.
#include <windows.h>

class CWnd;

template <bool Owned>
class CMenuT {
 public:
  CMenuT() = default;
  explicit CMenuT(HMENU menu) : m_hMenu(menu) {}
  CMenuT(const CMenuT&) = delete;
  CMenuT& operator=(const CMenuT&) = delete;
  CMenuT(CMenuT&& other) noexcept : m_hMenu(other.m_hMenu) { other.m_hMenu = nullptr; }
  ~CMenuT() {
    if (Owned && m_hMenu) ::DestroyMenu(m_hMenu);
  }

  BOOL LoadMenu(UINT id);  // an owned menu's only
  CMenuT<false> GetSubMenu(int position) const {
    return CMenuT<false>(::GetSubMenu(m_hMenu, position));
  }
  BOOL AppendMenu(UINT flags, UINT_PTR id = 0, const char* text = nullptr) {
    return ::AppendMenuA(m_hMenu, flags, id, text);
  }
  BOOL TrackPopupMenu(UINT flags, int x, int y, CWnd* owner, const RECT* rect = nullptr) const;

  HMENU m_hMenu = nullptr;
};

using CMenu = CMenuT<true>;
using CMenuHandle = CMenuT<false>;
