#pragma once
// The clock and the summary every benchmark program uses.
#include <windows.h>

#include <algorithm>
#include <vector>

// Milliseconds on the performance counter.
inline double NowMs() {
  static LARGE_INTEGER frequency{};
  if (!frequency.QuadPart) ::QueryPerformanceFrequency(&frequency);
  LARGE_INTEGER now;
  ::QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

inline double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}
