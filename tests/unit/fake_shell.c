/* Written in C: COM's C method tables let each fake fill in only the methods of the route, and the
   compiler checks each against its interface. A method the route does not call stays empty: a call
   to it crashes the test, as it should. */
#define COBJMACROS
#include "fake_shell.h"

#include <exdisp.h>
#include <servprov.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shobjidl.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

typedef struct Fake {
  const void* methods; /* the interface's method table: first, as COM lays an object out */
  const IID* iid;      /* the one interface it answers for, beside IUnknown and IDispatch */
  LONG references;
} Fake;

static int g_failing = kFakeShellSteps;
static int g_hanging = kFakeShellSteps;
static HANDLE g_letGo;
static volatile LONG g_hangingNow, g_apartmentsOpen;
static char g_calls[4096];
static LONG g_releasesTooMany;

static void Record(const char* format, ...) {
  size_t used = strlen(g_calls);
  va_list arguments;
  va_start(arguments, format);
  vsnprintf(g_calls + used, sizeof g_calls - used, format, arguments);
  va_end(arguments);
  used = strlen(g_calls);
  if (used + 1 < sizeof g_calls) strcpy(g_calls + used, "\n");
}

static const char* NameOf(REFIID iid) {
  static const struct {
    const IID* iid;
    const char* name;
  } names[] = {{&IID_IUnknown, "IUnknown"},
               {&IID_IDispatch, "IDispatch"},
               {&IID_IShellWindows, "IShellWindows"},
               {&IID_IServiceProvider, "IServiceProvider"},
               {&IID_IShellBrowser, "IShellBrowser"},
               {&IID_IShellView, "IShellView"},
               {&IID_IShellFolderViewDual, "IShellFolderViewDual"},
               {&IID_IShellDispatch2, "IShellDispatch2"},
               {&CLSID_ShellWindows, "ShellWindows"},
               {&SID_STopLevelBrowser, "SID_STopLevelBrowser"}};
  for (size_t i = 0; i < sizeof names / sizeof names[0]; ++i)
    if (IsEqualGUID(iid, names[i].iid)) return names[i].name;
  return "another";
}

static void VariantText(const VARIANT* value, char* text, size_t size) {
  if (V_VT(value) == VT_I4)
    snprintf(text, size, "VT_I4 %ld", (long)V_I4(value));
  else
    snprintf(text, size, V_VT(value) == VT_EMPTY ? "VT_EMPTY" : "VT %u", V_VT(value));
}

/* IUnknown, shared by every fake. */
static ULONG STDMETHODCALLTYPE AddRef(Fake* self) {
  return (ULONG)++self->references;
}

static ULONG STDMETHODCALLTYPE Release(Fake* self) {
  if (self->references == 0) {
    ++g_releasesTooMany;
    return 0;
  }
  return (ULONG)--self->references;
}

static Fake g_windows, g_desktop, g_services, g_browser, g_view, g_background, g_application;

/* Hands out `fake` as `*object` with a reference of its own, or fails `step`. */
static HRESULT HandOut(int step, Fake* fake, void** object) {
  *object = NULL;
  if (g_failing == step) return E_FAIL;
  if (g_hanging == step) {
    InterlockedExchange(&g_hangingNow, 1);
    WaitForSingleObject(g_letGo, INFINITE);
    InterlockedExchange(&g_hangingNow, 0);
  }
  AddRef(fake);
  *object = fake;
  return S_OK;
}

/* Answers for IUnknown and IDispatch with itself; for its own interface, itself too unless that
   is the step that fails; for the desktop's IServiceProvider, the service provider. */
static HRESULT STDMETHODCALLTYPE QueryInterface(Fake* self, REFIID iid, void** object) {
  if (IsEqualIID(iid, &IID_IUnknown) || IsEqualIID(iid, &IID_IDispatch))
    return HandOut(-1, self, object);
  Record("QueryInterface %s", NameOf(iid));
  if (self == &g_desktop && IsEqualIID(iid, &IID_IServiceProvider))
    return HandOut(kFakeShellServices, &g_services, object);
  if (self == &g_background && IsEqualIID(iid, self->iid))
    return HandOut(kFakeShellFolderView, self, object);
  if (self == &g_application && IsEqualIID(iid, self->iid))
    return HandOut(kFakeShellDispatch2, self, object);
  *object = NULL;
  return E_NOINTERFACE;
}

static HRESULT STDMETHODCALLTYPE FindWindowSW(IShellWindows* self, VARIANT* location, VARIANT* root,
                                              int windowClass, LONG* window, int options,
                                              IDispatch** found) {
  (void)self;
  char where[32], rootText[32];
  VariantText(location, where, sizeof where);
  if (root)
    VariantText(root, rootText, sizeof rootText);
  else
    strcpy(rootText, "null");
  Record("FindWindowSW %s %s %s %s", where, rootText,
         windowClass == SWC_DESKTOP ? "SWC_DESKTOP" : "another class",
         options == SWFO_NEEDDISPATCH ? "SWFO_NEEDDISPATCH" : "other options");
  if (g_failing == kFakeShellDesktop) {
    /* What the method answers when it finds no such window. */
    *window = 0;
    *found = NULL;
    return S_FALSE;
  }
  *window = 0x10010;
  return HandOut(-1, &g_desktop, (void**)found);
}

static HRESULT STDMETHODCALLTYPE QueryService(IServiceProvider* self, REFGUID service, REFIID iid,
                                              void** object) {
  (void)self;
  Record("QueryService %s %s", NameOf(service), NameOf(iid));
  if (!IsEqualGUID(service, &SID_STopLevelBrowser) || !IsEqualIID(iid, &IID_IShellBrowser)) {
    *object = NULL;
    return E_NOINTERFACE;
  }
  return HandOut(kFakeShellBrowser, &g_browser, object);
}

static HRESULT STDMETHODCALLTYPE QueryActiveShellView(IShellBrowser* self, IShellView** view) {
  (void)self;
  Record("QueryActiveShellView");
  return HandOut(kFakeShellActiveView, &g_view, (void**)view);
}

static HRESULT STDMETHODCALLTYPE GetItemObject(IShellView* self, UINT item, REFIID iid,
                                               void** object) {
  (void)self;
  Record("GetItemObject %s %s", item == SVGIO_BACKGROUND ? "SVGIO_BACKGROUND" : "another",
         NameOf(iid));
  if (item != SVGIO_BACKGROUND || !IsEqualIID(iid, &IID_IDispatch)) {
    *object = NULL;
    return E_NOINTERFACE;
  }
  return HandOut(kFakeShellBackground, &g_background, object);
}

static HRESULT STDMETHODCALLTYPE GetApplication(IShellFolderViewDual* self,
                                                IDispatch** application) {
  (void)self;
  Record("get_Application");
  return HandOut(kFakeShellApplication, &g_application, (void**)application);
}

/* The string the fake SysAllocString handed out: a length, then the text, as a BSTR is laid out. */
static struct {
  UINT bytes;
  OLECHAR text[256];
} g_string;
static LONG g_stringsHeld;

static HRESULT STDMETHODCALLTYPE DesktopShellExecute(IShellDispatch2* self, BSTR file,
                                                     VARIANT arguments, VARIANT folder,
                                                     VARIANT verb, VARIANT show) {
  (void)self;
  char argumentsText[32], folderText[32], verbText[32], showText[32], fileText[256] = "";
  VariantText(&arguments, argumentsText, sizeof argumentsText);
  VariantText(&folder, folderText, sizeof folderText);
  VariantText(&verb, verbText, sizeof verbText);
  VariantText(&show, showText, sizeof showText);
  /* Across processes a BSTR travels with its length: a bare string would not. */
  if (file == g_string.text && g_stringsHeld == 1)
    WideCharToMultiByte(CP_UTF8, 0, file, -1, fileText, sizeof fileText, NULL, NULL);
  else
    strcpy(fileText, "(not the BSTR handed out)");
  Record("ShellExecute %s, %s, %s, %s, %s", fileText, argumentsText, folderText, verbText,
         showText);
  return S_OK;
}

static const IShellWindowsVtbl kWindowsMethods = {
    .QueryInterface = (void*)QueryInterface,
    .AddRef = (void*)AddRef,
    .Release = (void*)Release,
    .FindWindowSW = FindWindowSW,
};
static const IDispatchVtbl kDesktopMethods = {
    .QueryInterface = (void*)QueryInterface,
    .AddRef = (void*)AddRef,
    .Release = (void*)Release,
};
static const IServiceProviderVtbl kServicesMethods = {
    .QueryInterface = (void*)QueryInterface,
    .AddRef = (void*)AddRef,
    .Release = (void*)Release,
    .QueryService = QueryService,
};
static const IShellBrowserVtbl kBrowserMethods = {
    .QueryInterface = (void*)QueryInterface,
    .AddRef = (void*)AddRef,
    .Release = (void*)Release,
    .QueryActiveShellView = QueryActiveShellView,
};
static const IShellViewVtbl kViewMethods = {
    .QueryInterface = (void*)QueryInterface,
    .AddRef = (void*)AddRef,
    .Release = (void*)Release,
    .GetItemObject = GetItemObject,
};
static const IShellFolderViewDualVtbl kBackgroundMethods = {
    .QueryInterface = (void*)QueryInterface,
    .AddRef = (void*)AddRef,
    .Release = (void*)Release,
    .get_Application = GetApplication,
};
static const IShellDispatch2Vtbl kApplicationMethods = {
    .QueryInterface = (void*)QueryInterface,
    .AddRef = (void*)AddRef,
    .Release = (void*)Release,
    .ShellExecute = DesktopShellExecute,
};

void FakeShellReset(int failing) {
  g_failing = failing;
  g_hanging = kFakeShellSteps;
  g_apartmentsOpen = 0;
  g_calls[0] = '\0';
  g_releasesTooMany = 0;
  g_stringsHeld = 0;
  g_windows = (Fake){&kWindowsMethods, &IID_IShellWindows, 0};
  g_desktop = (Fake){&kDesktopMethods, &IID_IDispatch, 0};
  g_services = (Fake){&kServicesMethods, &IID_IServiceProvider, 0};
  g_browser = (Fake){&kBrowserMethods, &IID_IShellBrowser, 0};
  g_view = (Fake){&kViewMethods, &IID_IShellView, 0};
  g_background = (Fake){&kBackgroundMethods, &IID_IShellFolderViewDual, 0};
  g_application = (Fake){&kApplicationMethods, &IID_IShellDispatch2, 0};
}

void FakeShellHangAt(int step) {
  if (!g_letGo) g_letGo = CreateEventW(NULL, TRUE, FALSE, NULL);
  ResetEvent(g_letGo);
  g_hanging = step;
}

LONG FakeShellHanging(void) {
  return InterlockedCompareExchange(&g_hangingNow, 0, 0);
}

void FakeShellLetGo(void) {
  SetEvent(g_letGo);
}

LONG FakeShellApartmentsOpen(void) {
  return InterlockedCompareExchange(&g_apartmentsOpen, 0, 0);
}

const char* FakeShellCalls(void) {
  return g_calls;
}

LONG FakeShellReferencesHeld(void) {
  return g_windows.references + g_desktop.references + g_services.references +
         g_browser.references + g_view.references + g_background.references +
         g_application.references + g_stringsHeld;
}

LONG FakeShellReleasesTooMany(void) {
  return g_releasesTooMany;
}

HRESULT WINAPI FakeCoInitializeEx(LPVOID reserved, DWORD flags) {
  (void)reserved;
  Record("CoInitializeEx %s%s", flags & COINIT_APARTMENTTHREADED ? "COINIT_APARTMENTTHREADED" : "",
         flags & COINIT_DISABLE_OLE1DDE ? " COINIT_DISABLE_OLE1DDE" : "");
  /* A thread already in the multithreaded apartment. */
  if (g_failing == kFakeShellApartment) return RPC_E_CHANGED_MODE;
  InterlockedIncrement(&g_apartmentsOpen);
  return S_OK;
}

void WINAPI FakeCoUninitialize(void) {
  Record("CoUninitialize");
  InterlockedDecrement(&g_apartmentsOpen);
}

HRESULT WINAPI FakeCoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID iid,
                                    LPVOID* object) {
  Record("CoCreateInstance %s%s %s %s", NameOf(clsid), outer ? " aggregated" : "",
         context == CLSCTX_LOCAL_SERVER ? "CLSCTX_LOCAL_SERVER" : "another context", NameOf(iid));
  if (!IsEqualCLSID(clsid, &CLSID_ShellWindows) || !IsEqualIID(iid, &IID_IShellWindows)) {
    *object = NULL;
    return REGDB_E_CLASSNOTREG;
  }
  return HandOut(kFakeShellWindows, &g_windows, object);
}

HRESULT WINAPI FakeCoAllowSetForegroundWindow(IUnknown* object, LPVOID reserved) {
  Record("CoAllowSetForegroundWindow %s%s",
         (Fake*)object == &g_application ? "IShellDispatch2" : "another object",
         reserved ? " reserved" : "");
  return S_OK;
}

BSTR WINAPI FakeSysAllocString(const OLECHAR* text) {
  if (g_failing == kFakeShellAddress || g_stringsHeld || !text ||
      lstrlenW(text) >= (int)(sizeof g_string.text / sizeof g_string.text[0]))
    return NULL;
  lstrcpyW(g_string.text, text);
  g_string.bytes = (UINT)(lstrlenW(text) * sizeof(OLECHAR));
  g_stringsHeld = 1;
  return g_string.text;
}

void WINAPI FakeSysFreeString(BSTR text) {
  if (!text) return;
  if (text != g_string.text || !g_stringsHeld)
    ++g_releasesTooMany;
  else
    g_stringsHeld = 0;
}
