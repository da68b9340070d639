#include "menu.h"

#include "wnd.h"

template <bool Owned>
BOOL CMenuT<Owned>::LoadMenu(UINT id) {
  static_assert(Owned, "a borrowed menu is never loaded: nothing would destroy it");
  if (m_hMenu) ::DestroyMenu(m_hMenu);
  m_hMenu = ::LoadMenuA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id));
  return m_hMenu != nullptr;
}

template <bool Owned>
BOOL CMenuT<Owned>::TrackPopupMenu(UINT flags, int x, int y, CWnd* owner, const RECT* rect) const {
  return ::TrackPopupMenu(m_hMenu, flags, x, y, 0, owner ? owner->m_hWnd : nullptr, rect);
}

template BOOL CMenuT<true>::LoadMenu(UINT);
template BOOL CMenuT<true>::TrackPopupMenu(UINT, int, int, CWnd*, const RECT*) const;
template BOOL CMenuT<false>::TrackPopupMenu(UINT, int, int, CWnd*, const RECT*) const;
