#pragma once
// Waiting on the program under test, and what the suite allows one that runs emulated
// (SVCMGR_EMULATED=1: a 32-bit program on a host whose kernel runs no 32-bit code), which is many
// times slower than a native one, and whose process's memory is mostly the emulator's.
#include <windows.h>

#include <cstdlib>

inline bool UnderEmulation() {
  static const bool emulated = [] {
    const char* text = std::getenv("SVCMGR_EMULATED");
    return text && std::atoi(text) == 1;
  }();
  return emulated;
}

// A wait on what the program under test does.
inline DWORD Scaled(DWORD ms) {
  return UnderEmulation() ? ms * 10 : ms;
}

// Polls `condition` every few milliseconds until it holds or the (scaled) time is up.
template <typename Condition>
bool WaitUntil(Condition condition, DWORD timeoutMs) {
  timeoutMs = Scaled(timeoutMs);
  for (DWORD start = ::GetTickCount();; ::Sleep(10)) {
    if (condition()) return true;
    if (::GetTickCount() - start >= timeoutMs) return condition();
  }
}
