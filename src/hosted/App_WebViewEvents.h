// The IE web view's listener on its control's events (DWebBrowserEvents2):
// one IDispatch that the control calls through its connection point.
//
// It turns the control's events into the web view's own: NavigateComplete2
// of the top-level page becomes OnNavigateComplete (frames inside the page
// are not the page's address), NewWindow2 and NewWindow3 are cancelled (a
// page never starts Internet Explorer) and become OnNewWindow, with the
// address NewWindow3 carries (NewWindow2, on systems before XP SP2, has none).
// Every other event is left to the control.
#pragma once

#include <exdisp.h>
#include <ole2.h>
#include <windows.h>

#include <string>
#include <string_view>

#include "sysinfo/App_WMIClient.h"

class App_WebView;

class App_WebViewEvents final : public IDispatch {
 public:
  // Starts with one reference, owned by the caller; raises its events on oView.
  explicit App_WebViewEvents(App_WebView& oView) : view_(&oView) {}
  App_WebViewEvents(const App_WebViewEvents&) = delete;
  App_WebViewEvents& operator=(const App_WebViewEvents&) = delete;

  // Subscribes to the control's events; the failing call's HRESULT when it cannot.
  HRESULT Connect(IWebBrowser2* pBrowser);
  // Unsubscribes; from then on no event reaches the view.
  void Disconnect() noexcept;

  // One event as the control delivers it (arguments in reverse order), also
  // the way a test hands it one. Returns S_OK.
  STDMETHODIMP Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                      VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  // IDispatch: no type information; the control calls Invoke by number.
  STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override;
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) override;
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }

 private:
  ~App_WebViewEvents() = default;
  bool IsTopLevel(const VARIANT& vDisp) const;

  LONG refs_ = 1;
  App_WebView* view_;
  App_ComPtr<IUnknown> browser_;        // the control's identity, for telling the page from its frames
  App_ComPtr<IConnectionPoint> point_;  // the connection while subscribed
  DWORD cookie_ = 0;
};
