// The program's entry point: the framework, not the program, owns it.
#include <windows.h>

#include "win_app.h"

#include <cstdlib>
#include <new>

// The runtime reports an unhandled exception, and the misuse of a container (a length past its
// maximum, a position past its end), as text on a console that this GUI program does not have.
// Ending at once instead, as the runtime does after printing, keeps its demangler and text
// formatting out of the program (a third of its size).
namespace __gnu_cxx {
void __verbose_terminate_handler() {
  std::abort();
}
}  // namespace __gnu_cxx

namespace std {
void __throw_bad_alloc() {
  throw std::bad_alloc();
}  // this one handlers may still catch
void __throw_length_error(const char*) {
  std::abort();
}
void __throw_logic_error(const char*) {
  std::abort();
}
void __throw_out_of_range(const char*) {
  std::abort();
}
void __throw_out_of_range_fmt(const char*, ...) {
  std::abort();
}
void __throw_invalid_argument(const char*) {
  std::abort();
}
void __throw_bad_function_call() {
  std::abort();
}
void __throw_bad_array_new_length() {
  std::abort();
}
}  // namespace std

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  return AfxWinMain();
}
