#include "message_boxes.h"

#include "time_scale.h"

#include <cstring>

namespace {
constexpr int kMessageBoxTextId = 0xFFFF;

std::string TextOf(HWND window) {
  char text[4096] = "";
  ::GetWindowTextA(window, text, sizeof text);
  return text;
}

std::wstring WideTextOf(HWND window) {
  wchar_t text[4096] = L"";
  ::GetWindowTextW(window, text, ARRAYSIZE(text));
  return text;
}

std::string ClassOf(HWND window) {
  char name[64] = "";
  ::GetClassNameA(window, name, sizeof name);
  return name;
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

BOOL CALLBACK OnlyButtonsAndStatics(HWND child, LPARAM lParam) {
  std::string name = ClassOf(child);
  if (name != "Button" && name != "Static") {
    *reinterpret_cast<bool*>(lParam) = false;
    return FALSE;
  }
  return TRUE;
}
}  // namespace

bool IsMessageBox(HWND window, DWORD processId) {
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  if (owner != processId || !::IsWindowVisible(window) || ClassOf(window) != "#32770") return false;
  if (!::GetDlgItem(window, kMessageBoxTextId) || !::GetDlgItem(window, IDOK)) return false;
  bool plain = true;
  ::EnumChildWindows(window, OnlyButtonsAndStatics, reinterpret_cast<LPARAM>(&plain));
  return plain;
}

HWND ShownMessageBox(DWORD processId) {
  std::vector<HWND> windows;
  ::EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows));
  for (HWND window : windows)
    if (IsMessageBox(window, processId)) return window;
  return nullptr;
}

namespace {
BOOL CALLBACK CollectShownButton(HWND child, LPARAM lParam) {
  if (ClassOf(child) == "Button" && ::IsWindowVisible(child))
    reinterpret_cast<std::vector<int>*>(lParam)->push_back(::GetDlgCtrlID(child));
  return TRUE;
}
}  // namespace

MessageBoxWatcher::MessageBoxWatcher(DWORD processId)
    : m_processId(processId), m_thread([this] { Watch(); }) {}

MessageBoxWatcher::~MessageBoxWatcher() {
  m_stop = true;
  m_thread.join();
}

std::vector<SeenBox> MessageBoxWatcher::Take() {
  CriticalSection::Lock lock(m_lock);
  std::vector<SeenBox> taken;
  taken.swap(m_seen);
  return taken;
}

std::vector<std::string> MessageBoxWatcher::TakeTexts() {
  std::vector<std::string> texts;
  for (const SeenBox& box : Take()) texts.push_back(box.text);
  return texts;
}

bool MessageBoxWatcher::WaitFor(size_t count, DWORD timeoutMs) {
  return WaitUntil(
      [&] {
        CriticalSection::Lock lock(m_lock);
        return m_seen.size() >= count;
      },
      timeoutMs);
}

void MessageBoxWatcher::Watch() {
  while (!m_stop) {
    std::vector<HWND> windows;
    ::EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows));
    for (HWND window : windows) {
      if (!IsMessageBox(window, m_processId)) continue;
      {
        CriticalSection::Lock lock(m_lock);
        if (!m_answered.insert(window).second) continue;
        char text[4096] = "";
        ::GetDlgItemTextA(window, kMessageBoxTextId, text, sizeof text);
        std::vector<int> buttons;
        ::EnumChildWindows(window, CollectShownButton, reinterpret_cast<LPARAM>(&buttons));
        m_seen.push_back({::GetWindow(window, GW_OWNER), TextOf(window), text, buttons,
                          WideTextOf(window), WideTextOf(::GetDlgItem(window, kMessageBoxTextId))});
      }
      ::PostMessageA(window, WM_COMMAND, IDOK, 0);
    }
    {
      // A handle answered before may come back as a new box once its window is gone.
      CriticalSection::Lock lock(m_lock);
      for (auto it = m_answered.begin(); it != m_answered.end();)
        it = ::IsWindow(*it) ? std::next(it) : m_answered.erase(it);
    }
    ::Sleep(5);
  }
}
