#pragma once
// Whether the tests run under Wine rather than Windows: Wine's ntdll exports its version.
#include <windows.h>

inline bool UnderWine() {
  return ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}
