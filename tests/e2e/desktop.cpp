#include "desktop.h"

#include <dlgs.h>

#include "app_driver.h"
#include "res/resource.h"

namespace {
struct Search {
  DWORD processId;
  const char* className;
  const char* caption;
  HWND owner;
  std::vector<HWND> found;
};

bool Is(HWND window, const char* className, const char* caption) {
  char name[64] = "";
  char text[512] = "";
  ::GetClassNameA(window, name, sizeof name);
  ::GetWindowTextA(window, text, sizeof text);
  return std::string(name) == className && (!caption || std::string(text) == caption);
}

BOOL CALLBACK Collect(HWND window, LPARAM lParam) {
  auto* search = reinterpret_cast<Search*>(lParam);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  if (owner == search->processId && ::IsWindowVisible(window) &&
      Is(window, search->className, search->caption) &&
      (!search->owner || ::GetWindow(window, GW_OWNER) == search->owner))
    search->found.push_back(window);
  return TRUE;
}

}  // namespace

HWND FindProcessWindow(DWORD processId, const char* className, const char* caption) {
  Search search{processId, className, caption, nullptr, {}};
  ::EnumWindows(Collect, reinterpret_cast<LPARAM>(&search));
  return search.found.empty() ? nullptr : search.found.front();
}

HWND WaitForProcessWindow(DWORD processId, const char* className, const char* caption,
                          DWORD timeoutMs) {
  HWND found = nullptr;
  WaitUntil([&] { return (found = FindProcessWindow(processId, className, caption)) != nullptr; },
            timeoutMs);
  return found;
}

std::vector<HWND> DialogsOwnedBy(DWORD processId, HWND owner) {
  Search search{processId, "#32770", nullptr, owner, {}};
  ::EnumWindows(Collect, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::string WindowText(HWND window) {
  // Asked of the window, so an edit box answers with what it holds; the system carries the
  // buffer across processes for this message.
  char text[4096] = "";
  DWORD_PTR length = 0;
  if (!SendTimed(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), 10000, &length))
    return "<no answer>";
  return std::string(text, length);
}

bool SetWindowTextRemote(HWND window, const std::string& text) {
  DWORD_PTR result = 0;
  return SendTimed(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), 10000, &result) &&
         result;
}

bool IsChecked(HWND button) {
  DWORD_PTR state = 0;
  return SendTimed(button, BM_GETCHECK, 0, 0, 10000, &state) && state == BST_CHECKED;
}

std::wstring Widen(const std::string& text) {
  std::wstring wide(text.size(), L'\0');
  wide.resize(::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                    wide.data(), static_cast<int>(wide.size())));
  return wide;
}

std::wstring WindowTextW(HWND window) {
  wchar_t text[4096] = L"";
  DWORD_PTR length = 0;
  if (!SendTimedW(window, WM_GETTEXT, ARRAYSIZE(text), reinterpret_cast<LPARAM>(text), 10000,
                  &length))
    return L"<no answer>";
  return std::wstring(text, length);
}

POINT CenterOf(HWND window) {
  RECT rect{};
  ::GetWindowRect(window, &rect);
  return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

HWND OpenFileDialog(DWORD processId, HWND createDialog, DWORD timeoutMs) {
  if (!ClickAt(createDialog, CenterOf(::GetDlgItem(createDialog, IDC_BROWSE)))) return nullptr;
  HWND found = nullptr;
  WaitUntil(
      [&] {
        for (HWND window : DialogsOwnedBy(processId, createDialog))
          if (::GetDlgItem(window, cmb13)) found = window;
        return found != nullptr;
      },
      timeoutMs);
  return found;
}
