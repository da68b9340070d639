#pragma once
// What the suite allows a program under test that runs emulated (SVCMGR_EMULATED=1: a 32-bit
// program on a host whose kernel runs no 32-bit code), which is many times slower than a native
// one, and whose process's memory is mostly the emulator's.
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
