#pragma once
// Waits on what the program under test does, scaled for a build of it that runs slower than the
// suite's own: SVCMGR_TIME_SCALE times as long (one emulated instruction by instruction, say).
#include <windows.h>

#include <cstdlib>

inline DWORD Scaled(DWORD ms) {
  static const DWORD scale = [] {
    const char* text = std::getenv("SVCMGR_TIME_SCALE");
    const long value = text ? std::atol(text) : 1;
    return value > 0 ? static_cast<DWORD>(value) : 1;
  }();
  return ms * scale;
}
