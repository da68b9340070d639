#pragma once
/* The desktop's shell as a program reaches it through COM, for the import hooks to hand out in
   place of ole32's: the shell windows, the desktop's window, its top-level browser, the browser's
   active view, the view's background and the shell's application object. Each object answers the
   calls of that route alone, records each call made of it, fails it when told to, and counts its
   references, so that a test sees what reached the shell, in what order, and what was not
   released or released once too often. */
#include <windows.h>
#include <objbase.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The steps of the route, in their order. */
enum FakeShellStep {
  kFakeShellApartment,   /* CoInitializeEx */
  kFakeShellWindows,     /* CoCreateInstance of the shell windows */
  kFakeShellDesktop,     /* FindWindowSW: no desktop window, S_FALSE and no object */
  kFakeShellServices,    /* the desktop's IServiceProvider */
  kFakeShellBrowser,     /* QueryService for the top-level browser */
  kFakeShellActiveView,  /* QueryActiveShellView */
  kFakeShellBackground,  /* GetItemObject of the background */
  kFakeShellFolderView,  /* the background's IShellFolderViewDual */
  kFakeShellApplication, /* get_Application */
  kFakeShellDispatch2,   /* the application's IShellDispatch2 */
  kFakeShellAddress,     /* SysAllocString of the address: no memory */
  kFakeShellSteps        /* past the last: none fails */
};

/* Empties the record, and makes `failing` (a step above) fail from now on. */
void FakeShellReset(int failing);
/* Makes `step` (one that hands out an object), once reached, wait until FakeShellLetGo, as a call
   into a desktop whose thread hangs; FakeShellHanging tells whether a call waits there now. */
void FakeShellHangAt(int step);
LONG FakeShellHanging(void);
void FakeShellLetGo(void);
/* Apartments entered and not yet left. */
LONG FakeShellApartmentsOpen(void);
/* The calls made so far, one a line, each ending in a new line. */
const char* FakeShellCalls(void);
/* References the objects (and the string) handed out still hold, and releases made past their
   last one. */
LONG FakeShellReferencesHeld(void);
LONG FakeShellReleasesTooMany(void);

/* The stand-ins for the platform's functions. */
HRESULT WINAPI FakeCoInitializeEx(LPVOID reserved, DWORD flags);
void WINAPI FakeCoUninitialize(void);
HRESULT WINAPI FakeCoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID iid,
                                    LPVOID* object);
HRESULT WINAPI FakeCoAllowSetForegroundWindow(IUnknown* object, LPVOID reserved);
BSTR WINAPI FakeSysAllocString(const OLECHAR* text);
void WINAPI FakeSysFreeString(BSTR text);

#ifdef __cplusplus
}
#endif
