#pragma once
// The application object. The program has exactly one; the entry point runs its InitInstance and
// ends the program when it returns.
#include <windows.h>

class CWnd;

#define ID_HELP 0xE146

class CWinApp {
 public:
  explicit CWinApp(const char* appName = nullptr);
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;
  virtual ~CWinApp();

  virtual BOOL InitInstance() { return FALSE; }
  // Commands that no window handled end up here; the framework's own map answers ID_HELP.
  BOOL OnCmdMsg(UINT id);
  void OnHelp() {}  // no help file ships with the program

  HICON LoadIcon(UINT id) const;

  CWnd* m_pMainWnd = nullptr;
  const char* m_pszAppName;  // the module's base name unless given
};

// The program's start, from its entry point: DLLs from the system folder only, the common
// controls, then the application's InitInstance. Where Windows cannot keep the program's folder out
// of the DLL search, it shows a notice and returns before InitInstance.
int AfxWinMain();

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
const char* AfxGetAppName();
// The owner of a modal window: its parent if it has one, else the main window's active popup.
HWND AfxGetSafeOwner(CWnd* parent);
// A modal box owned by the main window's active popup, captioned with the application's name.
int AfxMessageBox(const char* text, UINT type = MB_OK, UINT helpId = 0);
