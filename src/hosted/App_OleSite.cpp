// The container side of the hosted WebBrowser control (see App_OleSite.h).
#include "hosted/App_OleSite.h"

#include <utility>

App_OleSite::~App_OleSite() {
  Detach();
}

void App_OleSite::Detach() {
  host_ = nullptr;
  if (active_) std::exchange(active_, nullptr)->Release();
}

STDMETHODIMP App_OleSite::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleClientSite)) {
    *ppv = static_cast<IOleClientSite*>(this);
  } else if (IsEqualIID(riid, IID_IOleWindow) || IsEqualIID(riid, IID_IOleInPlaceSite)) {
    *ppv = static_cast<IOleInPlaceSite*>(this);
  } else if (IsEqualIID(riid, IID_IOleInPlaceUIWindow) || IsEqualIID(riid, IID_IOleInPlaceFrame)) {
    *ppv = static_cast<IOleInPlaceFrame*>(this);
  } else if (IsEqualIID(riid, IID_IDocHostUIHandler)) {
    *ppv = static_cast<IDocHostUIHandler*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) App_OleSite::AddRef() {
  return static_cast<ULONG>(::InterlockedIncrement(&refs_));
}

STDMETHODIMP_(ULONG) App_OleSite::Release() {
  const LONG n = ::InterlockedDecrement(&refs_);
  if (n == 0) delete this;
  return static_cast<ULONG>(n);
}

STDMETHODIMP App_OleSite::GetMoniker(DWORD, DWORD, IMoniker** ppmk) {
  if (ppmk) *ppmk = nullptr;
  return E_NOTIMPL;
}

// No document container: the control is the only object of this site.
STDMETHODIMP App_OleSite::GetContainer(IOleContainer** ppContainer) {
  if (ppContainer) *ppContainer = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP App_OleSite::GetWindow(HWND* phwnd) {
  if (!phwnd) return E_POINTER;
  *phwnd = host_;
  return host_ ? S_OK : E_FAIL;
}

// The control fills the host window's client area; the frame is this object,
// its window the top-level window that holds the host.
STDMETHODIMP App_OleSite::GetWindowContext(IOleInPlaceFrame** ppFrame, IOleInPlaceUIWindow** ppDoc,
                                           LPRECT lprcPosRect, LPRECT lprcClipRect,
                                           LPOLEINPLACEFRAMEINFO lpFrameInfo) {
  if (ppFrame) *ppFrame = nullptr;
  if (ppDoc) *ppDoc = nullptr;
  if (!ppFrame || !ppDoc || !lprcPosRect || !lprcClipRect || !lpFrameInfo) return E_POINTER;
  if (!host_) return E_FAIL;
  RECT rc{};
  ::GetClientRect(host_, &rc);
  *lprcPosRect = rc;
  *lprcClipRect = rc;
  lpFrameInfo->cb = sizeof(OLEINPLACEFRAMEINFO);
  lpFrameInfo->fMDIApp = FALSE;
  lpFrameInfo->hwndFrame = ::GetAncestor(host_, GA_ROOT);
  lpFrameInfo->haccel = nullptr;
  lpFrameInfo->cAccelEntries = 0;
  *ppFrame = static_cast<IOleInPlaceFrame*>(this);
  AddRef();
  return S_OK;
}

STDMETHODIMP App_OleSite::SetActiveObject(IOleInPlaceActiveObject* pActiveObject, LPCOLESTR) {
  if (pActiveObject) pActiveObject->AddRef();
  if (active_) active_->Release();
  active_ = pActiveObject;
  return S_OK;
}

// ---- the document host -----------------------------------------------------

STDMETHODIMP App_OleSite::GetHostInfo(DOCHOSTUIINFO* pInfo) {
  if (!pInfo) return E_POINTER;
  // Themed form controls, as the control shows them without a host, and
  // the program's DPI awareness: pages are zoomed, not stretched.
  pInfo->dwFlags = DOCHOSTUIFLAG_THEME | DOCHOSTUIFLAG_DPI_AWARE;
  pInfo->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
  pInfo->pchHostCss = nullptr;
  pInfo->pchHostNS = nullptr;
  return S_OK;
}

STDMETHODIMP App_OleSite::GetOptionKeyPath(LPOLESTR* pchKey, DWORD) {
  if (pchKey) *pchKey = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP App_OleSite::GetDropTarget(IDropTarget*, IDropTarget** ppDropTarget) {
  if (ppDropTarget) *ppDropTarget = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP App_OleSite::GetExternal(IDispatch** ppDispatch) {
  if (ppDispatch) *ppDispatch = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP App_OleSite::TranslateUrl(DWORD, LPWSTR, LPWSTR* ppchURLOut) {
  if (ppchURLOut) *ppchURLOut = nullptr;
  return S_FALSE;
}

STDMETHODIMP App_OleSite::FilterDataObject(IDataObject*, IDataObject** ppDORet) {
  if (ppDORet) *ppDORet = nullptr;
  return S_FALSE;
}
