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

// What the process initialised: COM or OLE, and the shell library.
struct LibraryState {
  int32_t flags = COINIT_APARTMENTTHREADED;
  bool made = false;     // Init_OLE_COM initialised it, and nothing undid it yet
  bool withOLE = false;  // OleInitialize (apartment) rather than CoInitializeEx
  DWORD thread = 0;      // the thread that holds the initialisation
  HMODULE shell = nullptr;
};

LibraryState& S() {
  static LibraryState* s = new LibraryState();  // lives until the process ends
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
  LibraryState& s = S();
  if (s.made) return true;
  App_Trace t(kModule, L"Init_OLE_COM");
  const bool withOLE = s.flags == COINIT_APARTMENTTHREADED;
  // S_FALSE (this thread had it already) counts as made here too: it needs
  // the same one undoing.
  const HRESULT hr =
      withOLE ? ::OleInitialize(nullptr) : ::CoInitializeEx(nullptr, static_cast<DWORD>(s.flags));
  if (FAILED(hr)) {
    // Nothing was made: the next caller tries again.
    t.Log(withOLE ? L"OleInitialize failed" : L"CoInitializeEx failed", evAPIError,
          pVar(L"HRESULT", static_cast<int32_t>(hr)));
    return false;
  }
  s.made = true;
  s.withOLE = withOLE;
  s.thread = ::GetCurrentThreadId();
  return true;
}

void Uninit_OLE_COM() {
  LibraryState& s = S();
  if (!s.made) return;
  App_Trace t(kModule, L"Uninit_OLE_COM", ptSub);
  if (s.thread != ::GetCurrentThreadId()) {
    t.Log(L"COM was initialised by another thread; it stays as it is", evNormal);
    return;
  }
  if (s.withOLE)
    ::OleUninitialize();
  else
    ::CoUninitialize();
  s.made = false;
}

void InitVisualStyles(bool bInit) {
  LibraryState& s = S();
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
