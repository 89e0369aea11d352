#include "platform/App_COMInit.h"

#include <windows.h>
// after <windows.h>, which they need
#include <commctrl.h>
#include <objbase.h>
#include <ole2.h>

#include "diag/App_Trace.h"
#include "util/App_Variables.h"

App_COMInit::App_COMInit() {
  hr_ = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  uninit_ = SUCCEEDED(hr_);  // S_OK and S_FALSE both take a reference
}

App_COMInit::~App_COMInit() {
  if (uninit_) ::CoUninitialize();
}

namespace App_Common {

namespace {

constexpr std::wstring_view kModule = L"App_Common";

struct COMState {
  int32_t flags = COINIT_APARTMENTTHREADED;
  HRESULT result = E_FAIL;  // what the first Init_OLE_COM got
  bool tried = false;
  bool withOLE = false;  // OleInitialize (apartment) rather than CoInitializeEx
  DWORD thread = 0;      // the thread that holds the initialisation
  HMODULE shell = nullptr;
};

COMState& S() {
  static COMState* s = new COMState();  // lives until the process ends
  return *s;
}

}  // namespace

int32_t COMInitFlags() {
  return S().flags;
}

void SetCOMInitFlags(int32_t lFlags) {
  S().flags = lFlags;
}

bool Init_OLE_COM() {
  COMState& s = S();
  if (s.tried) return SUCCEEDED(s.result);
  App_Trace t(kModule, L"Init_OLE_COM");
  s.tried = true;
  s.withOLE = s.flags == COINIT_APARTMENTTHREADED;
  s.thread = ::GetCurrentThreadId();
  // S_FALSE (this thread had it already) counts as made here too: it needs
  // the same one undoing.
  s.result = s.withOLE ? ::OleInitialize(nullptr) : ::CoInitializeEx(nullptr, static_cast<DWORD>(s.flags));
  if (SUCCEEDED(s.result)) return true;
  t.Log(s.withOLE ? L"OleInitialize failed" : L"CoInitializeEx failed", evAPIError,
        pVar(L"HRESULT", static_cast<int32_t>(s.result)));
  s.tried = false;  // nothing was made: the next caller tries again
  return false;
}

void Uninit_OLE_COM() {
  COMState& s = S();
  if (!s.tried || FAILED(s.result)) return;
  App_Trace t(kModule, L"Uninit_OLE_COM", ptSub);
  if (s.thread != ::GetCurrentThreadId()) {
    t.Log(L"COM was initialised by another thread; it stays as it is", evNormal);
    return;
  }
  if (s.withOLE)
    ::OleUninitialize();
  else
    ::CoUninitialize();
  s.tried = false;
  s.result = E_FAIL;
}

void InitVisualStyles(bool bInit) {
  COMState& s = S();
  App_Trace t(kModule, L"InitVisualStyles", ptSub);
  if (!bInit) {
    if (s.shell) ::FreeLibrary(s.shell);
    s.shell = nullptr;
    return;
  }
  if (!s.shell) {
    s.shell = ::LoadLibraryW(L"shell32.dll");
    if (!s.shell) t.APIError(L"LoadLibraryW failed", pVar(L"sLibrary", L"shell32.dll"));
  }
  ::InitCommonControls();
}

}  // namespace App_Common
