#pragma once
// A dialog class's message map: a table filled once, whose entries unpack WPARAM/LPARAM into typed
// handler arguments. Dispatch reports whether an entry took the message.
#include <windows.h>
#include <windowsx.h>

#include <functional>
#include <utility>
#include <vector>

#include "wnd.h"

template <class T>
class CMessageMap {
 public:
  CMessageMap& Command(UINT id, void (T::*handler)()) {
    return Add(WM_COMMAND, id, [handler](T& w, WPARAM, LPARAM) {
      (w.*handler)();
      return LRESULT{0};
    });
  }
  CMessageMap& SysCommand(void (T::*handler)(UINT id, LPARAM lParam)) {
    return Add(WM_SYSCOMMAND, 0, [handler](T& w, WPARAM wp, LPARAM lp) {
      (w.*handler)(static_cast<UINT>(wp), lp);
      return LRESULT{0};
    });
  }
  CMessageMap& Paint(void (T::*handler)()) { return Plain(WM_PAINT, handler); }
  CMessageMap& Close(void (T::*handler)()) { return Plain(WM_CLOSE, handler); }
  CMessageMap& Destroy(void (T::*handler)()) { return Plain(WM_DESTROY, handler); }
  CMessageMap& QueryDragIcon(HCURSOR (T::*handler)()) {
    return Add(WM_QUERYDRAGICON, 0, [handler](T& w, WPARAM, LPARAM) {
      return reinterpret_cast<LRESULT>((w.*handler)());
    });
  }
  CMessageMap& ContextMenu(void (T::*handler)(CWnd* window, CPoint point)) {
    return Add(WM_CONTEXTMENU, 0, [handler](T& w, WPARAM wp, LPARAM lp) {
      CWnd window(reinterpret_cast<HWND>(wp));
      (w.*handler)(&window, CPoint(GET_X_LPARAM(lp), GET_Y_LPARAM(lp)));
      return LRESULT{0};
    });
  }

  // Commands match on their identifier, from a menu, an accelerator or a clicked button.
  bool Dispatch(T& window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) const {
    for (const Entry& entry : m_entries) {
      if (entry.message != message) continue;
      if (message == WM_COMMAND && (entry.id != LOWORD(wParam) || HIWORD(wParam) > 1)) continue;
      result = entry.handler(window, wParam, lParam);
      return true;
    }
    return false;
  }

 private:
  using Handler = std::function<LRESULT(T&, WPARAM, LPARAM)>;
  struct Entry {
    UINT message;
    UINT id;
    Handler handler;
  };

  CMessageMap& Add(UINT message, UINT id, Handler handler) {
    m_entries.push_back({message, id, std::move(handler)});
    return *this;
  }
  CMessageMap& Plain(UINT message, void (T::*handler)()) {
    return Add(message, 0, [handler](T& w, WPARAM, LPARAM) {
      (w.*handler)();
      return LRESULT{0};
    });
  }

  std::vector<Entry> m_entries;
};
