#include "menu.h"

#include "wnd.h"

template <bool Owned>
BOOL CMenuT<Owned>::LoadMenu(UINT id) {
  if (Owned && m_hMenu) ::DestroyMenu(m_hMenu);
  m_hMenu = ::LoadMenuA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id));
  return m_hMenu != nullptr;
}

template <bool Owned>
BOOL CMenuT<Owned>::TrackPopupMenu(UINT flags, int x, int y, CWnd* owner, const RECT* rect) const {
  return ::TrackPopupMenu(m_hMenu, flags, x, y, 0, owner ? owner->m_hWnd : nullptr, rect);
}

template class CMenuT<true>;
template class CMenuT<false>;
