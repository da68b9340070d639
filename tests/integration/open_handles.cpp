#include "open_handles.h"

#include <windows.h>

#include <algorithm>

size_t OpenHandleCount() {
  constexpr ULONG_PTR kLastValue = 0x2000;
  size_t count = 0;
  for (ULONG_PTR value = 4; value <= kLastValue; value += 4) {
    DWORD flags = 0;
    count += ::GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) != FALSE;
  }
  return count;
}

size_t HandlesLeftOpen(const std::function<void()>& action, int times) {
  size_t counts[3] = {OpenHandleCount()};
  for (size_t half = 1; half <= 2; ++half) {
    for (int i = 0; i < times; ++i) action();
    counts[half] = OpenHandleCount();
  }
  auto added = [](size_t before, size_t after) { return after > before ? after - before : 0; };
  return std::min(added(counts[0], counts[1]), added(counts[1], counts[2]));
}
