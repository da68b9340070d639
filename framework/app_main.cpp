// The program's entry point: the framework, not the program, owns it.
#include <windows.h>
#include <commctrl.h>

#include "win_app.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  INITCOMMONCONTROLSEX classes{sizeof classes, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&classes);
  CWinApp* app = AfxGetApp();
  if (app) app->InitInstance();
  return 0;
}
