#include "win_app.h"

#include <commctrl.h>

#include <cstring>

#include "dll_search.h"
#include "wnd.h"

namespace {
CWinApp* g_app = nullptr;
char g_moduleName[MAX_PATH];

const char* ModuleBaseName() {
  char path[MAX_PATH];
  DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  path[length < MAX_PATH ? length : MAX_PATH - 1] = '\0';
  // By characters: in code page 936 a double-byte character's second byte may be '\\' (0x5C).
  const char* name = path;
  for (const char* p = path; *p; p = ::CharNextA(p))
    if (*p == '\\' || *p == '/') name = p + 1;
  lstrcpynA(g_moduleName, name, MAX_PATH);
  if (char* dot = std::strrchr(g_moduleName, '.')) *dot = '\0';
  return g_moduleName;
}
}  // namespace

CWinApp::CWinApp(const char* appName) : m_pszAppName(appName ? appName : ModuleBaseName()) {
  g_app = this;
}

CWinApp::~CWinApp() {
  if (g_app == this) g_app = nullptr;
}

BOOL CWinApp::OnCmdMsg(UINT id) {
  if (id != ID_HELP) return FALSE;
  OnHelp();
  return TRUE;
}

HICON CWinApp::LoadIcon(UINT id) const {
  return ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id));
}

int AfxWinMain() {
  // First: what loads after this (comctl32's theming, the dialogs' helpers) may be looked for by
  // name.
  if (!LoadDllsFromSystemFolderOnly(FindSetDefaultDllDirectories())) {
    NoticeDllSearchUpdateMissing();
    return 0;
  }
  INITCOMMONCONTROLSEX classes{sizeof classes, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&classes);
  if (CWinApp* app = AfxGetApp()) app->InitInstance();
  return 0;
}

CWinApp* AfxGetApp() {
  return g_app;
}

CWnd* AfxGetMainWnd() {
  return g_app ? g_app->m_pMainWnd : nullptr;
}

const char* AfxGetAppName() {
  return g_app ? g_app->m_pszAppName : ModuleBaseName();
}

HWND AfxGetSafeOwner(CWnd* parent) {
  if (parent) return parent->m_hWnd;
  CWnd* main = AfxGetMainWnd();
  return main && main->m_hWnd ? ::GetLastActivePopup(main->m_hWnd) : nullptr;
}

int AfxMessageBox(const char* text, UINT type, UINT) {
  HWND owner = AfxGetSafeOwner(nullptr);
  if ((type & MB_ICONMASK) == 0 && (type & MB_TYPEMASK) == MB_OK) type |= MB_ICONEXCLAMATION;
  return ::MessageBoxA(owner, text, AfxGetAppName(), type);
}
