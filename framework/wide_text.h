#pragma once
// Wide text, for the few places that need the platform's own UTF-16.
#include <string>

// std::wstring is declared as instantiated in the C++ library, so any use of it links the
// library's whole prebuilt copy, and what that needs, into the program: some 30 KiB. With traits
// of its own the compiler builds only the members the program uses.
struct WideTraits : std::char_traits<wchar_t> {};
using WideText = std::basic_string<wchar_t, WideTraits>;
