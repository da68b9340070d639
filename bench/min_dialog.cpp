// The floor for start-up: a program that does nothing but show one modal dialog.
#include <windows.h>
#include <commctrl.h>

namespace {
INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_COMMAND && (LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == IDOK)) {
    ::EndDialog(dialog, LOWORD(wParam));
    return TRUE;
  }
  return FALSE;
}
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
#ifdef LIST_VIEW
  // The list view's window class must be registered before the template names it.
  INITCOMMONCONTROLSEX classes{sizeof classes, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&classes);
#endif
  return static_cast<int>(
      ::DialogBoxParamA(instance, MAKEINTRESOURCEA(100), nullptr, DialogProc, 0));
}
