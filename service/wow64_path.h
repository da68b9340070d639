#pragma once
// A 32-bit program on 64-bit Windows runs under WOW64, which redirects the system folder for it:
// its file dialog shows SysWOW64's files under System32, and Sysnative names the native
// System32. The service manager is a native process and sees neither.
#include "framework/wide_text.h"

struct SystemFolders {
  WideText system;  // System32
  WideText wow64;   // SysWOW64; empty where Windows has none
  bool underWow64;  // whether this process runs under WOW64
};

// This system's folders, and whether this process runs under WOW64.
SystemFolders ThisSystemsFolders();

// The path under which a native process finds the file that this process sees at `path`, as the
// file dialog showed it.
WideText NativePathOf(const WideText& path, const SystemFolders& folders);

// `text` with its environment variables expanded as a native process expands them, or empty where
// that fails. Under WOW64 three variables hold values of this process's own: %ProgramFiles% and
// %CommonProgramFiles% name the x86 folders, and %PROCESSOR_ARCHITECTURE% is x86.
WideText ExpandedAsNative(const WideText& text, const SystemFolders& folders);

// A typed program path as a native process must read it: under WOW64, Sysnative names the native
// System32 for this process alone; the service manager, a native process, cannot resolve it. The
// rest of the text, variables and quotes included, stays as typed.
WideText TypedNativePath(const WideText& typed, const SystemFolders& folders);
