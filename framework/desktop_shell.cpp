#include "desktop_shell.h"

#include <windows.h>
#include <exdisp.h>
#include <objbase.h>
#include <servprov.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>
#include <shobjidl.h>

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
}  // namespace

void OpenAsDesktopUser(const wchar_t* address) {
  // A single-threaded apartment, as the shell's objects need. The program ends soon after, so COM
  // is never uninitialised.
  if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) return;
  CComPtr<IShellDispatch2> shell;
  if (!FindDesktopShell(shell)) return;
  CComBSTR file(address);
  if (!file.m_str) return;
  // The desktop's process may bring the page to the front, as this one, in front, may. Without it
  // the page opens behind; it still opens.
  ::CoAllowSetForegroundWindow(shell.get(), nullptr);
  VARIANT unspecified{};  // VT_EMPTY: no arguments, the current folder, the default verb
  VARIANT show{};
  show.vt = VT_I4;
  show.lVal = SW_SHOWNORMAL;
  shell->ShellExecute(file.m_str, unspecified, unspecified, unspecified, show);
}
