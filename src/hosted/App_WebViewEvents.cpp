// The IE web view's listener on its control's events (see App_WebViewEvents.h).
#include "hosted/App_WebViewEvents.h"

#include <exdispid.h>
#include <ocidl.h>

#include "diag/App_Debug.h"
#include "hosted/App_WebView.h"
#include "util/App_Variables.h"

namespace {

// An argument as the control passes it: by value or by reference to a VARIANT.
const VARIANT& Deref(const VARIANT& v) {
  return (v.vt == (VT_BYREF | VT_VARIANT) && v.pvarVal) ? *v.pvarVal : v;
}

std::wstring TextOf(const VARIANT& vArg) {
  const VARIANT& v = Deref(vArg);
  if (v.vt == VT_BSTR && v.bstrVal) return std::wstring(v.bstrVal, ::SysStringLen(v.bstrVal));
  if (v.vt == (VT_BYREF | VT_BSTR) && v.pbstrVal && *v.pbstrVal)
    return std::wstring(*v.pbstrVal, ::SysStringLen(*v.pbstrVal));
  return {};
}

// Sets the event's Cancel argument (a VARIANT_BOOL by reference).
void SetCancel(VARIANT& vArg) {
  VARIANT& v = vArg.vt == (VT_BYREF | VT_VARIANT) && vArg.pvarVal ? *vArg.pvarVal : vArg;
  if (v.vt == (VT_BYREF | VT_BOOL) && v.pboolVal) *v.pboolVal = VARIANT_TRUE;
}

}  // namespace

HRESULT App_WebViewEvents::Connect(IWebBrowser2* pBrowser) {
  if (!pBrowser) return E_POINTER;
  HRESULT hr = pBrowser->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(browser_.Receive()));
  if (FAILED(hr)) return hr;
  App_ComPtr<IConnectionPointContainer> container;
  hr = pBrowser->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(container.Receive()));
  if (FAILED(hr)) return hr;
  hr = container->FindConnectionPoint(DIID_DWebBrowserEvents2, point_.Receive());
  if (FAILED(hr)) return hr;
  hr = point_->Advise(static_cast<IDispatch*>(this), &cookie_);
  if (FAILED(hr)) point_.Reset();
  return hr;
}

void App_WebViewEvents::Disconnect() noexcept {
  view_ = nullptr;
  if (point_ && cookie_) point_->Unadvise(cookie_);
  cookie_ = 0;
  point_.Reset();
  browser_.Reset();
}

// The control raises NavigateComplete2 for every frame as well; only the one
// whose sender is the control itself is the page.
bool App_WebViewEvents::IsTopLevel(const VARIANT& vDisp) const {
  const VARIANT& v = Deref(vDisp);
  if (!browser_ || v.vt != VT_DISPATCH || !v.pdispVal) return false;
  App_ComPtr<IUnknown> sender;
  if (FAILED(v.pdispVal->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(sender.Receive()))))
    return false;
  return sender.Get() == browser_.Get();
}

STDMETHODIMP App_WebViewEvents::Invoke(DISPID dispIdMember, REFIID, LCID, WORD, DISPPARAMS* pDispParams,
                                       VARIANT*, EXCEPINFO*, UINT*) {
  if (!pDispParams || !view_) return S_OK;
  const UINT n = pDispParams->cArgs;
  VARIANT* a = pDispParams->rgvarg;  // the last argument first
  try {
    switch (dispIdMember) {
      case DISPID_NAVIGATECOMPLETE2:  // (pDisp, URL)
        if (n == 2 && IsTopLevel(a[1]) && view_->OnNavigateComplete)
          view_->OnNavigateComplete(AddressOfPage(TextOf(a[0])));
        break;
      case DISPID_NEWWINDOW2:  // (ppDisp, Cancel)
        if (n == 2) {
          SetCancel(a[0]);
          if (view_->OnNewWindow) view_->OnNewWindow(L"");
        }
        break;
      case DISPID_NEWWINDOW3:  // (ppDisp, Cancel, dwFlags, bstrUrlContext, bstrUrl)
        if (n == 5) {
          SetCancel(a[3]);
          if (view_->OnNewWindow) view_->OnNewWindow(TextOf(a[0]));
        }
        break;
      default:
        break;
    }
  } catch (...) {
    // Nothing may leave an event of the control; the handlers trace their own failures.
    App_Debug::dPrint(L"App_WebViewEvents.Invoke", L"An event handler failed", evErrorHandler,
                      pVar(L"dispIdMember", static_cast<int32_t>(dispIdMember)));
  }
  return S_OK;
}

STDMETHODIMP App_WebViewEvents::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
      IsEqualIID(riid, DIID_DWebBrowserEvents2)) {
    *ppv = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) App_WebViewEvents::AddRef() {
  return static_cast<ULONG>(::InterlockedIncrement(&refs_));
}

STDMETHODIMP_(ULONG) App_WebViewEvents::Release() {
  const LONG n = ::InterlockedDecrement(&refs_);
  if (n == 0) delete this;
  return static_cast<ULONG>(n);
}

STDMETHODIMP App_WebViewEvents::GetTypeInfoCount(UINT* pctinfo) {
  if (!pctinfo) return E_POINTER;
  *pctinfo = 0;
  return S_OK;
}

STDMETHODIMP App_WebViewEvents::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) {
  if (ppTInfo) *ppTInfo = nullptr;
  return E_NOTIMPL;
}
