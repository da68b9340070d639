#include "input.h"

#include <cstdio>
#include <cstdlib>

#include "desktop.h"
#include "tests/support/time_scale.h"

namespace {
constexpr DWORD kPointerSettleMs = 150;

// The rows, from its top edge, of the entry that a popup menu window shows highlighted, read off
// the screen down a line near its left edge, left of any text; {-1, -1} when none is. A redraw
// caught halfway may show part of the entry only, so entries are told apart by their rows
// overlapping or not.
struct Rows {
  int top = -1, bottom = -1;  // bottom: the first row below
  bool Shown() const { return top >= 0; }
  bool Overlaps(const Rows& other) const {
    return Shown() && other.Shown() && top < other.bottom && other.top < bottom;
  }
  bool Below(const Rows& other) const { return Shown() && other.Shown() && top >= other.bottom; }
};

Rows HighlightedEntry(HWND menu) {
  RECT frame{};
  Rows rows;
  if (!::GetWindowRect(menu, &frame)) return rows;
  const COLORREF highlights[] = {::GetSysColor(COLOR_HIGHLIGHT), ::GetSysColor(COLOR_MENUHILIGHT)};
  HDC screen = ::GetDC(nullptr);
  for (int y = frame.top; y < frame.bottom; ++y) {
    const COLORREF shown = ::GetPixel(screen, frame.left + 6, y);
    const bool lit = shown == highlights[0] || shown == highlights[1];
    if (lit && !rows.Shown()) rows.top = y - frame.top;
    if (!lit && rows.Shown()) break;
    if (lit) rows.bottom = y - frame.top + 1;
  }
  ::ReleaseDC(nullptr, screen);
  return rows;
}

INPUT Character(wchar_t c, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wScan = c;
  input.ki.dwFlags = KEYEVENTF_UNICODE | (up ? KEYEVENTF_KEYUP : 0);
  return input;
}
}  // namespace

bool SendInputs(std::vector<INPUT> inputs) {
  UINT sent = ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  return sent == inputs.size();
}

INPUT Key(WORD virtualKey, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = virtualKey;
  input.ki.wScan = static_cast<WORD>(::MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return input;
}

INPUT Mouse(DWORD flags, POINT screen) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  // Absolute positions run from 0 to 65535 across the screen; round up so the pixel is hit.
  const int width = ::GetSystemMetrics(SM_CXSCREEN);
  const int height = ::GetSystemMetrics(SM_CYSCREEN);
  input.mi.dx = static_cast<LONG>((screen.x * 65536LL + width - 1) / width);
  input.mi.dy = static_cast<LONG>((screen.y * 65536LL + height - 1) / height);
  return input;
}

bool BringToFront(HWND window) {
  HWND top = ::GetAncestor(window, GA_ROOT);
  // Windows lets a process that is not in front set the foreground only on conditions, one of
  // them that it "received the last input event" ("SetForegroundWindow function",
  // learn.microsoft.com): a console in front on a CI runner would otherwise keep it. A pointer
  // move by nothing is that input here, sent only once the platform refused.
  INPUT still{};
  still.type = INPUT_MOUSE;
  still.mi.dwFlags = MOUSEEVENTF_MOVE;
  bool refused = false;
  if (WaitUntil(
          [&] {
            if (::GetForegroundWindow() == top) return true;
            if (refused) SendInputs({still});
            refused = !::SetForegroundWindow(top);
            return false;
          },
          5000))
    return true;
  // What kept it, for the failure's log.
  HWND front = ::GetForegroundWindow();
  char name[64] = "";
  ::GetClassNameA(front, name, sizeof name);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(front, &owner);
  std::fprintf(stderr, "the foreground stayed with %p (%s, process %lu)%s\n",
               static_cast<void*>(front), name, owner, refused ? ", refused" : "");
  return false;
}

bool PressKey(HWND window, WORD virtualKey, WORD modifier) {
  if (!BringToFront(window)) return false;
  std::vector<INPUT> inputs;
  if (modifier) inputs.push_back(Key(modifier, false));
  inputs.push_back(Key(virtualKey, false));
  inputs.push_back(Key(virtualKey, true));
  if (modifier) inputs.push_back(Key(modifier, true));
  return SendInputs(inputs);
}

bool PointAt(POINT screen) {
  POINT at{};
  if (SendInputs({Mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, screen)}) &&
      WaitUntil([&] { return ::GetCursorPos(&at) && at.x == screen.x && at.y == screen.y; }, 2000))
    return true;
  std::fprintf(stderr, "the pointer stayed at %ld,%ld, not %ld,%ld\n", at.x, at.y, screen.x,
               screen.y);
  return false;
}

namespace {
// The pointer to the point, then a press and a release there.
bool Click(POINT screen, bool right) {
  const DWORD move = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  const DWORD down = right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN;
  const DWORD up = right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP;
  return PointAt(screen) && SendInputs({Mouse(move | down, screen), Mouse(move | up, screen)});
}
}  // namespace

bool ClickAt(HWND window, POINT screen, bool right) {
  // A second click soon after and close to the one before would be a double-click; a person
  // clicking twice in the same place pauses in between.
  static DWORD lastTick;
  static POINT lastPoint{-1000, -1000};
  const DWORD pause = ::GetDoubleClickTime() + 50;
  const DWORD elapsed = ::GetTickCount() - lastTick;
  if (std::abs(screen.x - lastPoint.x) <= ::GetSystemMetrics(SM_CXDOUBLECLK) &&
      std::abs(screen.y - lastPoint.y) <= ::GetSystemMetrics(SM_CYDOUBLECLK) && elapsed < pause)
    ::Sleep(pause - elapsed);
  if (!BringToFront(window)) return false;
  const bool sent = Click(screen, right);
  lastTick = ::GetTickCount();
  lastPoint = screen;
  return sent;
}

bool ChooseMenuEntry(HWND owner, HWND menu, int index, DWORD timeoutMs) {
  RECT frame{};
  if (!::GetWindowRect(menu, &frame)) return false;
  const int middle = frame.left + (frame.right - frame.left) / 2;
  const DWORD stepMs = timeoutMs / 5;
  // A report of the pointer, which may come late, highlights the entry under it, or none when it
  // is over no entry. So the pointer rests on the first entry while the keys find the wanted one:
  // a late report can only take the highlight back there, which the screen shows, and the keys
  // start again, or take it away, and the pointer is moved onto the first entry again. A redraw
  // caught halfway shows no highlight or the one before, so each step waits for a highlight
  // below the one before it, or back on the first.
  Rows first;
  const char* failed = "";
  bool clicked = false;
  for (int attempt = 0; attempt < 5; ++attempt) {
    if (clicked && !::IsWindowVisible(menu)) return true;  // the click was taken, only slowly
    Rows at;
    if (!PointAt({middle + attempt % 2, frame.top + 8})) return false;
    if (!WaitUntil(
            [&] {
              at = HighlightedEntry(menu);
              return first.Shown() ? at.Overlaps(first) : at.Shown();
            },
            stepMs)) {
      failed = "no highlight under the pointer on the first entry";
      continue;
    }
    if (!first.Shown()) first = at;
    int reached = 0;
    for (; reached < index; ++reached) {
      const Rows previous = at;
      if (!PressKey(owner, VK_DOWN) ||
          !WaitUntil(
              [&] {
                at = HighlightedEntry(menu);
                return at.Below(previous) || (at.Overlaps(first) && !previous.Overlaps(first));
              },
              stepMs))
        break;
      if (at.Overlaps(first)) reached = -1;  // back on the first: the next Down is step one
    }
    if (reached < index) {
      failed = "the highlight did not follow the Down key";
      continue;
    }
    // Then a click on the entry found. A late report can take the highlight from it, but never
    // make the click choose another entry: the menu acts on a release only over the entry its
    // press highlighted; a click taken so leaves the menu open, and the search starts again.
    // (Nothing is brought to the front: that would end the menu.)
    const POINT entry{middle, frame.top + (at.top + at.bottom) / 2};
    if (!Click(entry, false)) return false;
    clicked = true;
    if (WaitUntil([&] { return !::IsWindowVisible(menu); }, stepMs)) return true;
    failed = "the menu stayed open after the click";
  }
  std::fprintf(stderr, "choosing menu entry %d: %s\n", index, failed);
  return false;
}

bool TypeText(HWND window, const std::string& text) {
  return TypeText(window, Widen(text));
}

bool TypeText(HWND window, const std::wstring& text) {
  if (!BringToFront(window)) return false;
  std::vector<INPUT> inputs;
  for (wchar_t c : text) {
    inputs.push_back(Character(c, false));
    inputs.push_back(Character(c, true));
  }
  return SendInputs(inputs);
}

bool CtrlClickAt(HWND window, POINT screen) {
  // The display system reports a pointer that entered another window back to the program, with
  // the real keyboard's modifiers, which releases an injected Ctrl. So the pointer goes to the
  // point first and the program gets to take that report before the key goes down.
  const INPUT at = Mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, screen);
  if (!BringToFront(window) || !PointAt(screen)) return false;
  ::Sleep(kPointerSettleMs);
  DWORD_PTR ignored = 0;
  SendTimed(window, WM_NULL, 0, 0, 10000, &ignored);
  // Then one batch: each click is stamped with the keys held when it is queued.
  INPUT down = at;
  down.mi.dwFlags |= MOUSEEVENTF_LEFTDOWN;
  INPUT up = at;
  up.mi.dwFlags |= MOUSEEVENTF_LEFTUP;
  return SendInputs({Key(VK_CONTROL, false), down, up, Key(VK_CONTROL, true)});
}
