// The stack canary's value and its failure, in place of the compiler's support library: that
// library asks the crypto provider for the value before the program's first line, and so loads
// DLLs by name before the start restricts where they come from; and it reports a failure on a
// terminal that this program does not have.
#include <windows.h>

#include <cstdint>

extern "C" {
uintptr_t __stack_chk_guard;

// A function whose canary was overwritten ends the process there and then: returning, or
// unwinding, would run the overwritten return address or handlers.
[[noreturn]] void __stack_chk_fail() {
  ::TerminateProcess(::GetCurrentProcess(), STATUS_STACK_BUFFER_OVERRUN);
  __builtin_unreachable();
}
}

namespace {
// Before every other constructor: no function that checks the canary may be running while it
// changes. Mixed as Windows' own compilers do: time, ids, the performance counter, and where ASLR
// put the stack.
__attribute__((constructor(101), no_stack_protector)) void SetStackGuard() {
  FILETIME now{};
  ::GetSystemTimeAsFileTime(&now);
  LARGE_INTEGER counter{};
  ::QueryPerformanceCounter(&counter);
  uintptr_t guard = now.dwLowDateTime ^ now.dwHighDateTime ^ ::GetCurrentProcessId() ^
                    ::GetCurrentThreadId() ^ counter.LowPart ^ counter.HighPart;
  guard ^= reinterpret_cast<uintptr_t>(&guard);
  __stack_chk_guard = guard ? guard : 0x2B992DDF;
}
}  // namespace
