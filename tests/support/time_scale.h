#pragma once
// Waiting on the program under test, and what the suite allows one that runs emulated
// (SVCMGR_DRIVEN_PROGRAM_EMULATED=1: a 32-bit program on a host whose kernel runs no 32-bit
// code), which is many times slower than a native one, and whose process's memory is mostly the
// emulator's.
// Callers pass the times a native program needs; only the waits below scale them.
#include <windows.h>

#include <cstdlib>

inline bool UnderEmulation() {
  static const bool emulated = [] {
    const char* text = std::getenv("SVCMGR_DRIVEN_PROGRAM_EMULATED");
    return text && std::atoi(text) == 1;
  }();
  return emulated;
}

namespace time_scale_detail {
inline DWORD Scaled(DWORD ms) {
  return UnderEmulation() ? ms * 10 : ms;
}
}  // namespace time_scale_detail

// Polls `condition` every few milliseconds until it holds or the time is up.
template <typename Condition>
bool WaitUntil(Condition condition, DWORD timeoutMs) {
  timeoutMs = time_scale_detail::Scaled(timeoutMs);
  for (DWORD start = ::GetTickCount();; ::Sleep(10)) {
    if (condition()) return true;
    if (::GetTickCount() - start >= timeoutMs) return condition();
  }
}

// Gives the program the time in which what it would do has shown.
inline void Pause(DWORD ms) {
  ::Sleep(time_scale_detail::Scaled(ms));
}

// Waits for a process (or any object) to be signalled.
inline bool WaitForObject(HANDLE object, DWORD timeoutMs) {
  return ::WaitForSingleObject(object, time_scale_detail::Scaled(timeoutMs)) == WAIT_OBJECT_0;
}

// Waits until the process's input thread waits for input with nothing left to handle.
inline bool WaitForInputIdleOf(HANDLE process, DWORD timeoutMs) {
  return ::WaitForInputIdle(process, time_scale_detail::Scaled(timeoutMs)) == 0;
}

// A message to a window of the program, answered within the time; a hung program must not hang
// the test.
inline bool SendTimed(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD timeoutMs,
                      DWORD_PTR* result) {
  return ::SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL,
                               time_scale_detail::Scaled(timeoutMs), result) != 0;
}

inline bool SendTimedW(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD timeoutMs,
                       DWORD_PTR* result) {
  return ::SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL,
                               time_scale_detail::Scaled(timeoutMs), result) != 0;
}
