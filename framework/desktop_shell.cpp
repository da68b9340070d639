#include "desktop_shell.h"

#include <windows.h>
#include <exdisp.h>
#include <objbase.h>
#include <servprov.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <cwchar>
#include <memory>
#include <new>

#include "com_ptr.h"

namespace {
// The desktop's automation object, as the shell hands it to scripts: its top-level browser's
// active view, that view's background, whose application object runs the desktop's ShellExecute.
bool FindDesktopShell(CComPtr<IShellDispatch2>& shell) {
  CComPtr<IShellWindows> windows;
  if (FAILED(::CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER,
                                __uuidof(IShellWindows), windows.Receive())))
    return false;
  VARIANT desktop{};
  desktop.vt = VT_I4;
  desktop.lVal = CSIDL_DESKTOP;
  VARIANT noRoot{};
  long window = 0;
  CComPtr<IDispatch> desktopDispatch;
  // S_FALSE, with no object, when there is no desktop window.
  if (windows->FindWindowSW(&desktop, &noRoot, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH,
                            &desktopDispatch) != S_OK ||
      !desktopDispatch)
    return false;
  CComPtr<IServiceProvider> services;
  CComPtr<IShellBrowser> browser;
  CComPtr<IShellView> view;
  CComPtr<IDispatch> background;
  CComPtr<IShellFolderViewDual> folderView;
  CComPtr<IDispatch> application;
  return SUCCEEDED(desktopDispatch.QueryInterface(services)) &&
         SUCCEEDED(services->QueryService(SID_STopLevelBrowser, __uuidof(IShellBrowser),
                                          browser.Receive())) &&
         SUCCEEDED(browser->QueryActiveShellView(&view)) && view &&
         SUCCEEDED(
             view->GetItemObject(SVGIO_BACKGROUND, __uuidof(IDispatch), background.Receive())) &&
         SUCCEEDED(background.QueryInterface(folderView)) &&
         SUCCEEDED(folderView->get_Application(&application)) && application &&
         SUCCEEDED(application.QueryInterface(shell));
}

// The whole route, in an apartment of the calling thread's own, left before the thread ends.
void OpenInOwnApartment(const wchar_t* address) {
  if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) return;
  {
    CComPtr<IShellDispatch2> shell;
    CComBSTR file(address);
    if (FindDesktopShell(shell) && file.m_str) {
      // The desktop's process may bring the page to the front, as this one, in front, may.
      // Without it the page opens behind; it still opens.
      ::CoAllowSetForegroundWindow(shell.get(), nullptr);
      VARIANT unspecified{};  // VT_EMPTY: no arguments, the current folder, the default verb
      VARIANT show{};
      show.vt = VT_I4;
      show.lVal = SW_SHOWNORMAL;
      shell->ShellExecute(file.m_str, unspecified, unspecified, unspecified, show);
    }
  }
  ::CoUninitialize();
}

DWORD WINAPI OpenOnOwnThread(void* address) {
  std::unique_ptr<wchar_t[]> owned(static_cast<wchar_t*>(address));
  OpenInOwnApartment(owned.get());
  return 0;
}

// Waits for `handle` at most `milliseconds`, dispatching the messages of the calling thread's
// windows meanwhile, so that they paint. A quit message ends the wait and is posted again.
void WaitDispatching(HANDLE handle, DWORD milliseconds) {
  const DWORD start = ::GetTickCount();
  for (DWORD waited = 0; waited < milliseconds; waited = ::GetTickCount() - start) {
    if (::MsgWaitForMultipleObjects(1, &handle, FALSE, milliseconds - waited, QS_ALLINPUT) !=
        WAIT_OBJECT_0 + 1)
      return;
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        ::PostQuitMessage(static_cast<int>(message.wParam));
        return;
      }
      ::DispatchMessageA(&message);
    }
  }
}
}  // namespace

void OpenAsDesktopUser(const wchar_t* address) {
  // Every step is a call into the desktop's process, which answers as late as its own thread
  // lets it, and a call into another apartment can be neither timed out nor, unless enabled
  // beforehand, cancelled ("CoEnableCallCancellation function"). So the route runs on a thread of
  // its own, which owns a copy of the address: the caller may be gone before it ends.
  const size_t length = wcslen(address) + 1;
  std::unique_ptr<wchar_t[]> copy(new (std::nothrow) wchar_t[length]);
  if (!copy) return;
  std::copy(address, address + length, copy.get());
  const HANDLE thread = ::CreateThread(nullptr, 0, OpenOnOwnThread, copy.get(), 0, nullptr);
  if (!thread) return;
  copy.release();
  WaitDispatching(thread, kDesktopShellPatienceMs);
  ::CloseHandle(thread);
}
