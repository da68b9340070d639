#include "ansi_text.h"

#include <windows.h>

std::string ToAnsi(const wchar_t* text, bool* exact) {
  const UINT codePage = ::GetACP();
  // UTF-8 and GB18030 hold every character. Windows refuses WC_NO_BEST_FIT_CHARS on both, and a
  // used-default flag on UTF-8, failing the whole conversion. What they cannot hold is a lone
  // surrogate: without WC_ERR_INVALID_CHARS it would become U+FFFD, unseen.
  const bool holdsAll = codePage == CP_UTF8 || codePage == 54936;
  const DWORD flags = holdsAll ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  BOOL defaulted = FALSE;
  BOOL* usedDefault = holdsAll ? nullptr : &defaulted;
  std::string ansi(
      ::WideCharToMultiByte(codePage, flags, text, -1, nullptr, 0, nullptr, usedDefault), '\0');
  const int size = ansi.empty()
                       ? 0
                       : ::WideCharToMultiByte(codePage, flags, text, -1, ansi.data(),
                                               static_cast<int>(ansi.size()), nullptr, usedDefault);
  ansi.resize(size > 0 ? size - 1 : 0);
  if (exact) *exact = size > 0 && !defaulted;
  return ansi;
}

WideText FromAnsi(const char* text) {
  WideText wide(::MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0), L'\0');
  const int size = wide.empty() ? 0
                                : ::MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(),
                                                        static_cast<int>(wide.size()));
  wide.resize(size > 0 ? size - 1 : 0);
  return wide;
}
