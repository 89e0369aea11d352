// The browser window's web view: the IE WebBrowser control hosted in our own
// OLE container, the recording view of the tests, and the browser-emulation
// setting that lets the control use the installed IE's newest document mode.
#include "hosted/App_WebView.h"

#include <exdisp.h>
#include <ole2.h>
#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "diag/App_Debug.h"
#include "diag/App_Trace.h"
#include "hosted/App_OleSite.h"
#include "hosted/App_WebViewEvents.h"
#include "registry/App_Registry.h"
#include "sysinfo/App_WMIClient.h"
#include "util/App_Variables.h"

namespace {

constexpr wchar_t kModule[] = L"App_WebView";

// "0x80004005"
std::wstring HexHR(HRESULT hr) {
  wchar_t buf[16];
  std::swprintf(buf, 16, L"0x%08lX", static_cast<unsigned long>(hr));
  return buf;
}

// A failed COM call as an API error of the call: the HRESULT is the error
// number, so the log carries the system's text for it.
void LogHR(App_Trace& t, std::wstring_view sCall, HRESULT hr) {
  ::SetLastError(static_cast<DWORD>(hr));
  if (t.APIError(sCall, pVar(L"hr", HexHR(hr))) == 0) t.Log(sCall, evErrorHandler, pVar(L"hr", HexHR(hr)));
}

// Registers a window class with the default window procedure (or the one
// given); a class that already exists is fine.
bool RegisterViewClass(const wchar_t* sClass, WNDPROC proc, HBRUSH hbrBackground) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  HINSTANCE hInst = ::GetModuleHandleW(nullptr);
  if (::GetClassInfoExW(hInst, sClass, &wc)) return true;
  wc = WNDCLASSEXW{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = proc;
  wc.hInstance = hInst;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = hbrBackground;
  wc.lpszClassName = sClass;
  return ::RegisterClassExW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

bool HasVisibleStyle(HWND h) {
  return h && (::GetWindowLongPtrW(h, GWL_STYLE) & WS_VISIBLE) != 0;
}

// ---- the IE view ------------------------------------------------------------

class App_IEWebView final : public App_WebView {
 public:
  App_IEWebView() = default;
  ~App_IEWebView() override { Teardown(); }
  App_IEWebView(const App_IEWebView&) = delete;
  App_IEWebView& operator=(const App_IEWebView&) = delete;

  bool Create(HWND hParent) override;
  HWND Window() const override { return host_; }
  bool Navigate(std::wstring_view sURL) override;
  bool GoBack() override { return HistoryStep(true); }
  bool GoForward() override { return HistoryStep(false); }
  bool Refresh() override { return PageCommand(true); }
  bool Stop() override { return PageCommand(false); }
  bool SetRegisterAsBrowser(bool b) override { return SetOption(kRegisterAsBrowser, b); }
  bool SetRegisterAsDropTarget(bool b) override { return SetOption(kRegisterAsDropTarget, b); }
  bool SetSilent(bool b) override { return SetOption(kSilent, b); }
  void SetVisible(bool b) override;
  bool Visible() const override { return HasVisibleStyle(host_); }
  void Move(int x, int y, int cx, int cy) override;
  std::wstring LocationURL() const override;
  bool TranslateAccel(MSG& msg) override;
  bool Find() override { return Dialog(L"Find", OLECMDID_FIND); }
  bool Print() override { return Dialog(L"Print", OLECMDID_PRINT); }
  bool Zoom(int lStep) override;

 private:
  bool Dialog(const wchar_t* sProc, OLECMDID eCommand);
  static LRESULT CALLBACK HostProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  bool HistoryStep(bool bBack);
  bool PageCommand(bool bRefresh);
  enum Option { kRegisterAsBrowser, kRegisterAsDropTarget, kSilent };
  bool SetOption(Option eOption, bool b);
  // Gives the control the whole client area of the host window.
  void FitControl(int cx, int cy) const;
  // Closes the control and releases everything Create made, in reverse order.
  void Teardown() noexcept;

  HWND host_ = nullptr;
  App_ComPtr<App_OleSite> site_;
  App_ComPtr<IOleObject> ole_;
  App_ComPtr<IOleInPlaceObject> inplace_;
  App_ComPtr<IWebBrowser2> browser_;
  App_ComPtr<App_WebViewEvents> events_;
};

// The host window follows its own size: a caller that moves it directly
// (rather than through Move) still gets the control resized with it.
LRESULT CALLBACK App_IEWebView::HostProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
  } else if (msg == WM_SIZE) {
    if (auto* self = reinterpret_cast<App_IEWebView*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA)))
      self->FitControl(LOWORD(lParam), HIWORD(lParam));
  } else if (msg == WM_NCDESTROY) {
    // Destroyed with its parent: the view forgets the window (the control
    // is still closed when the view goes).
    if (auto* self = reinterpret_cast<App_IEWebView*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA))) {
      self->host_ = nullptr;
      if (self->site_) self->site_->Detach();
    }
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
  }
  return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

bool App_IEWebView::Create(HWND hParent) {
  App_Trace t(kModule, L"Create");
  bool result = false;
  t.Vars(vkPassedByVal, {L"hParent", static_cast<int64_t>(reinterpret_cast<INT_PTR>(hParent))});
  if (host_) {
    t.Log(L"The web view already exists", evErrorHandler);
    t.Vars(vkFunctionReturn, {result});
    return result;
  }
  Teardown();  // a control left from a window that went with its parent
  t.Step([&] {
    if (!RegisterViewClass(kWebViewHostClass, &HostProc, ::GetSysColorBrush(COLOR_WINDOW))) {
      t.APIError(L"RegisterClassExW", pVar(L"sClass", kWebViewHostClass));
      return;
    }
    host_ = ::CreateWindowExW(0, kWebViewHostClass, L"", WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0,
                              0, 0, hParent, nullptr, ::GetModuleHandleW(nullptr), this);
    if (!host_) {
      t.APIError(L"CreateWindowExW", pVar(L"sClass", kWebViewHostClass));
      return;
    }
    *site_.Receive() = new App_OleSite(host_);

    HRESULT hr = ::CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                    reinterpret_cast<void**>(ole_.Receive()));
    if (FAILED(hr)) return LogHR(t, L"CoCreateInstance CLSID_WebBrowser", hr);
    hr = ole_->SetClientSite(static_cast<IOleClientSite*>(site_.Get()));
    if (FAILED(hr)) return LogHR(t, L"IOleObject::SetClientSite", hr);
    ::OleSetContainedObject(ole_.Get(), TRUE);

    RECT rc{};
    ::GetClientRect(host_, &rc);
    hr = ole_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, static_cast<IOleClientSite*>(site_.Get()), 0, host_,
                      &rc);
    if (FAILED(hr)) return LogHR(t, L"IOleObject::DoVerb OLEIVERB_INPLACEACTIVATE", hr);
    hr = ole_->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(inplace_.Receive()));
    if (FAILED(hr)) return LogHR(t, L"QueryInterface IOleInPlaceObject", hr);
    hr = ole_->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(browser_.Receive()));
    if (FAILED(hr)) return LogHR(t, L"QueryInterface IWebBrowser2", hr);
    result = true;
    // Without its events the view still shows pages; the address box then
    // does not follow them and new windows are the control's own.
    *events_.Receive() = new App_WebViewEvents(*this);
    hr = events_->Connect(browser_.Get());
    if (FAILED(hr)) {
      LogHR(t, L"IConnectionPoint::Advise DWebBrowserEvents2", hr);
      events_->Disconnect();
      events_.Reset();
    }
  });
  if (!result) Teardown();
  t.Vars(vkFunctionReturn, {result});
  return result;
}

bool App_IEWebView::Navigate(std::wstring_view sURL) {
  App_Trace t(kModule, L"Navigate");
  bool result = false;
  t.Vars(vkPassedByVal, {L"sURL", sURL});
  t.Step([&] {
    if (!browser_) {
      t.Log(L"No web view to navigate", evErrorHandler);
      return;
    }
    App_Bstr url(sURL);
    if (!url.Valid()) {
      t.Log(L"SysAllocStringLen failed", evErrorHandler);
      return;
    }
    VARIANT empty;
    ::VariantInit(&empty);
    const HRESULT hr = browser_->Navigate(url.Get(), &empty, &empty, &empty, &empty);
    if (FAILED(hr)) return LogHR(t, L"IWebBrowser2::Navigate", hr);
    result = true;
  });
  t.Vars(vkFunctionReturn, {result});
  return result;
}

// At either end of the history the control refuses the step; that is the
// expected "nothing happens", logged as a plain event.
bool App_IEWebView::HistoryStep(bool bBack) {
  App_Trace t(kModule, bBack ? L"GoBack" : L"GoForward");
  bool result = false;
  t.Step([&] {
    if (!browser_) {
      t.Log(L"No web view", evErrorHandler);
      return;
    }
    const HRESULT hr = bBack ? browser_->GoBack() : browser_->GoForward();
    if (FAILED(hr)) {
      t.Log(bBack ? L"IWebBrowser2::GoBack: no page to go back to"
                  : L"IWebBrowser2::GoForward: no page to go forward to",
            evNormal, pVar(L"hr", HexHR(hr)));
      return;
    }
    result = true;
  });
  t.Vars(vkFunctionReturn, {result});
  return result;
}

bool App_IEWebView::PageCommand(bool bRefresh) {
  App_Trace t(kModule, bRefresh ? L"Refresh" : L"Stop");
  bool result = false;
  t.Step([&] {
    if (!browser_) {
      t.Log(L"No web view", evErrorHandler);
      return;
    }
    const HRESULT hr = bRefresh ? browser_->Refresh() : browser_->Stop();
    if (FAILED(hr)) return LogHR(t, bRefresh ? L"IWebBrowser2::Refresh" : L"IWebBrowser2::Stop", hr);
    result = true;
  });
  t.Vars(vkFunctionReturn, {result});
  return result;
}

// The control's own dialog for the page, through its command target.
bool App_IEWebView::Dialog(const wchar_t* sProc, OLECMDID eCommand) {
  App_Trace t(kModule, sProc);
  bool result = false;
  t.Step([&] {
    if (!browser_) {
      t.Log(L"No web view", evErrorHandler);
      return;
    }
    const HRESULT hr = browser_->ExecWB(eCommand, OLECMDEXECOPT_PROMPTUSER, nullptr, nullptr);
    if (FAILED(hr)) return LogHR(t, L"IWebBrowser2::ExecWB", hr);
    result = true;
  });
  t.Vars(vkFunctionReturn, {result});
  return result;
}

bool App_IEWebView::Zoom(int lStep) {
  App_Trace t(kModule, L"Zoom");
  t.Vars(vkPassedByVal, {L"lStep", lStep});
  bool result = false;
  t.Step([&] {
    if (!browser_) {
      t.Log(L"No web view", evErrorHandler);
      return;
    }
    // The optical zoom (IE 7 and later) in percent, else the text size (0 to 4, 2 the normal one).
    constexpr auto kOpticalZoom = static_cast<OLECMDID>(63);
    OLECMDF status{};
    const bool bOptical = SUCCEEDED(browser_->QueryStatusWB(kOpticalZoom, &status)) &&
                          (status & OLECMDF_SUPPORTED) && (status & OLECMDF_ENABLED);
    const OLECMDID eCommand = bOptical ? kOpticalZoom : OLECMDID_ZOOM;
    App_ComVariant now;
    int lNow = bOptical ? 100 : 2;
    if (SUCCEEDED(browser_->ExecWB(eCommand, OLECMDEXECOPT_DONTPROMPTUSER, nullptr, now.Receive())) &&
        now.Type() == VT_I4)
      lNow = now.Get().lVal;
    VARIANT next;
    ::VariantInit(&next);
    next.vt = VT_I4;
    next.lVal = bOptical ? NextZoomPercent(lNow, lStep) : (lStep == 0 ? 2 : std::clamp(lNow + lStep, 0, 4));
    const HRESULT hr = browser_->ExecWB(eCommand, OLECMDEXECOPT_DONTPROMPTUSER, &next, nullptr);
    if (FAILED(hr))
      return LogHR(t, bOptical ? L"IWebBrowser2::ExecWB optical zoom" : L"IWebBrowser2::ExecWB zoom", hr);
    t.Log(L"Zoom " + std::to_wstring(lNow) + L" -> " + std::to_wstring(next.lVal), evVerbose);
    result = true;
  });
  t.Vars(vkFunctionReturn, {result});
  return result;
}

bool App_IEWebView::SetOption(Option eOption, bool b) {
  static constexpr const wchar_t* kProcNames[] = {L"SetRegisterAsBrowser", L"SetRegisterAsDropTarget",
                                                  L"SetSilent"};
  static constexpr const wchar_t* kCalls[] = {L"IWebBrowser2::put_RegisterAsBrowser",
                                              L"IWebBrowser2::put_RegisterAsDropTarget",
                                              L"IWebBrowser2::put_Silent"};
  App_Trace t(kModule, kProcNames[eOption]);
  bool result = false;
  t.Vars(vkPassedByVal, {L"b", b});
  t.Step([&] {
    if (!browser_) {
      t.Log(L"No web view", evErrorHandler);
      return;
    }
    const VARIANT_BOOL v = b ? VARIANT_TRUE : VARIANT_FALSE;
    const HRESULT hr = eOption == kRegisterAsBrowser      ? browser_->put_RegisterAsBrowser(v)
                       : eOption == kRegisterAsDropTarget ? browser_->put_RegisterAsDropTarget(v)
                                                          : browser_->put_Silent(v);
    if (FAILED(hr)) return LogHR(t, kCalls[eOption], hr);
    result = true;
  });
  t.Vars(vkFunctionReturn, {result});
  return result;
}

void App_IEWebView::SetVisible(bool b) {
  if (host_) ::ShowWindow(host_, b ? SW_SHOWNA : SW_HIDE);
}

void App_IEWebView::FitControl(int cx, int cy) const {
  if (!inplace_) return;
  const RECT rc{0, 0, cx, cy};
  const HRESULT hr = inplace_->SetObjectRects(&rc, &rc);
  if (FAILED(hr))
    App_Debug::dPrint(L"App_WebView.Move", L"IOleInPlaceObject::SetObjectRects failed", evErrorHandler,
                      pVar(L"hr", HexHR(hr), L"cx", cx, L"cy", cy));
}

// Called on every resize of the window, so not traced: a failure is reported
// on its own.
void App_IEWebView::Move(int x, int y, int cx, int cy) {
  if (!host_) return;
  if (cx < 0) cx = 0;
  if (cy < 0) cy = 0;
  if (!::MoveWindow(host_, x, y, cx, cy, TRUE))
    App_Debug::dPrint(L"App_WebView.Move", L"MoveWindow failed", evErrorHandler,
                      pVar(L"x", x, L"y", y, L"cx", cx, L"cy", cy));
  FitControl(cx, cy);
}

std::wstring App_IEWebView::LocationURL() const {
  if (!browser_) return {};
  BSTR b = nullptr;
  const HRESULT hr = browser_->get_LocationURL(&b);
  std::wstring s;
  if (SUCCEEDED(hr) && b) s.assign(b, ::SysStringLen(b));
  if (b) ::SysFreeString(b);
  if (FAILED(hr))
    App_Debug::dPrint(L"App_WebView.LocationURL", L"IWebBrowser2::get_LocationURL failed", evErrorHandler,
                      pVar(L"hr", HexHR(hr)));
  return s;
}

bool App_IEWebView::TranslateAccel(MSG& msg) {
  if (!site_ || !host_ || msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
  if (msg.hwnd != host_ && !::IsChild(host_, msg.hwnd)) return false;
  IOleInPlaceActiveObject* active = site_->ActiveObject();
  return active && active->TranslateAccelerator(&msg) == S_OK;
}

void App_IEWebView::Teardown() noexcept {
  if (events_) {
    events_->Disconnect();
    events_.Reset();
  }
  browser_.Reset();
  if (inplace_) {
    inplace_->InPlaceDeactivate();
    inplace_.Reset();
  }
  if (ole_) {
    ole_->Close(OLECLOSE_NOSAVE);
    ole_->SetClientSite(nullptr);
    ole_.Reset();
  }
  if (site_) {
    site_->Detach();
    site_.Reset();
  }
  if (host_) {
    if (::IsWindow(host_)) {
      ::SetWindowLongPtrW(host_, GWLP_USERDATA, 0);
      ::DestroyWindow(host_);
    }
    host_ = nullptr;
  }
}

// ---- the recording view -----------------------------------------------------

class App_RecordingWebView final : public App_WebView {
 public:
  App_RecordingWebView() = default;
  ~App_RecordingWebView() override {
    if (hwnd_ && ::IsWindow(hwnd_)) ::DestroyWindow(hwnd_);
  }
  App_RecordingWebView(const App_RecordingWebView&) = delete;
  App_RecordingWebView& operator=(const App_RecordingWebView&) = delete;

  bool Create(HWND hParent) override {
    App_Trace t(kModule, L"Create");
    bool result = false;
    t.Step([&] {
      if (hwnd_) {
        t.Log(L"The web view already exists", evErrorHandler);
        return;
      }
      if (!RegisterViewClass(kRecordingWebViewClass, &ViewProc, ::GetSysColorBrush(COLOR_WINDOW))) {
        t.APIError(L"RegisterClassExW", pVar(L"sClass", kRecordingWebViewClass));
        return;
      }
      hwnd_ = ::CreateWindowExW(0, kRecordingWebViewClass, L"", WS_CHILD | WS_CLIPSIBLINGS, 0, 0, 0, 0,
                                hParent, nullptr, ::GetModuleHandleW(nullptr), this);
      if (!hwnd_) {
        t.APIError(L"CreateWindowExW", pVar(L"sClass", kRecordingWebViewClass));
        return;
      }
      result = true;
    });
    t.Vars(vkFunctionReturn, {result});
    return result;
  }
  HWND Window() const override { return hwnd_; }

  bool Navigate(std::wstring_view sURL) override {
    if (!Record(L"navigate " + std::wstring(sURL))) return false;
    if (pos_ + 1 < history_.size()) history_.resize(pos_ + 1);
    history_.emplace_back(sURL);
    pos_ = history_.size() - 1;
    return true;
  }
  bool GoBack() override {
    if (!Record(L"back") || history_.empty() || pos_ == 0) return false;
    --pos_;
    return true;
  }
  bool GoForward() override {
    if (!Record(L"forward") || pos_ + 1 >= history_.size()) return false;
    ++pos_;
    return true;
  }
  bool Refresh() override { return Record(L"refresh"); }
  bool Stop() override { return Record(L"stop"); }
  bool Find() override { return Record(L"find"); }
  bool Print() override { return Record(L"print"); }
  bool Zoom(int lStep) override {
    return Record(lStep > 0 ? L"zoom in" : lStep < 0 ? L"zoom out" : L"zoom reset");
  }
  bool SetRegisterAsBrowser(bool b) override { return Option(L"RegisterAsBrowser", b); }
  bool SetRegisterAsDropTarget(bool b) override { return Option(L"RegisterAsDropTarget", b); }
  bool SetSilent(bool b) override { return Option(L"Silent", b); }
  void SetVisible(bool b) override {
    if (hwnd_) ::ShowWindow(hwnd_, b ? SW_SHOWNA : SW_HIDE);
  }
  bool Visible() const override { return HasVisibleStyle(hwnd_); }
  void Move(int x, int y, int cx, int cy) override {
    if (hwnd_) ::MoveWindow(hwnd_, x, y, cx < 0 ? 0 : cx, cy < 0 ? 0 : cy, TRUE);
  }
  std::wstring LocationURL() const override { return history_.empty() ? std::wstring() : history_[pos_]; }

 private:
  // Records the keys that reach the page and raises the events a test sends.
  static LRESULT CALLBACK ViewProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
      const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<App_RecordingWebView*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self && (msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN)) {
      self->Record(L"key " + std::to_wstring(wParam));
    } else if (self && msg == WM_COPYDATA) {
      const auto* cd = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
      if (cd && (cd->dwData == kRecordingFireNavigateComplete || cd->dwData == kRecordingFireNewWindow)) {
        std::wstring url;
        if (cd->lpData) url.assign(static_cast<const wchar_t*>(cd->lpData), cd->cbData / sizeof(wchar_t));
        self->Fire(cd->dwData, url);
        return TRUE;
      }
      return FALSE;
    } else if (msg == WM_NCDESTROY) {
      if (self) self->hwnd_ = nullptr;
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    }
    return ::DefWindowProcW(hwnd, msg, wParam, lParam);
  }
  // Raises an event as the control would: a new window is cancelled before
  // its address is handed on.
  void Fire(ULONG_PTR lEvent, const std::wstring& sURL) {
    if (lEvent == kRecordingFireNavigateComplete) {
      Record(L"event NavigateComplete " + sURL);
      if (OnNavigateComplete) OnNavigateComplete(sURL);
    } else {
      Record(L"event NewWindow " + sURL);
      if (OnNewWindow) OnNewWindow(sURL);
    }
  }
  bool Option(const wchar_t* sName, bool b) {
    return Record(L"option " + std::wstring(sName) + (b ? L"=1" : L"=0"));
  }
  // Appends one line to the window text; false before Create.
  bool Record(const std::wstring& sLine) {
    if (!hwnd_) return false;
    log_ += sLine;
    log_ += L"\r\n";
    if (!::SetWindowTextW(hwnd_, log_.c_str()))
      App_Debug::dPrint(L"App_WebView.Record", L"SetWindowTextW failed", evErrorHandler,
                        pVar(L"sLine", sLine));
    return true;
  }

  HWND hwnd_ = nullptr;
  std::wstring log_;
  std::vector<std::wstring> history_;
  size_t pos_ = 0;
};

}  // namespace

int NextZoomPercent(int lCurrent, int lStep) {
  static constexpr int kSteps[] = {30, 50, 67, 80, 90, 100, 110, 125, 150, 175, 200, 250, 300, 400};
  if (lStep == 0) return 100;
  if (lStep > 0) {
    for (int p : kSteps)
      if (p > lCurrent) return p;
    return kSteps[std::size(kSteps) - 1];
  }
  for (auto it = std::rbegin(kSteps); it != std::rend(kSteps); ++it)
    if (*it < lCurrent) return *it;
  return kSteps[0];
}

namespace {

// The leading number of a version text ("11.0.9600" -> 11); -1 without one.
int LeadingNumber(std::wstring_view s) {
  size_t i = 0;
  while (i < s.size() && (s[i] == L' ' || s[i] == L'\t')) ++i;
  if (i >= s.size() || s[i] < L'0' || s[i] > L'9') return -1;
  int n = 0;
  for (; i < s.size() && s[i] >= L'0' && s[i] <= L'9'; ++i) {
    n = n * 10 + (s[i] - L'0');
    if (n > 100000) break;
  }
  return n;
}

// A REG_SZ value read quietly: a missing value is the normal case here (no
// "svcVersion" before IE 10, no emulation value before the first start).
bool ReadString(HKEY root, const wchar_t* sKey, const wchar_t* sName, std::wstring& s) {
  App_RegKey k;
  return ::RegOpenKeyExW(root, sKey, 0, KEY_QUERY_VALUE, k.Put()) == ERROR_SUCCESS &&
         App_Registry::QueryString(k, sName, s);
}

bool ReadDword(HKEY root, const wchar_t* sKey, const wchar_t* sName, DWORD& v) {
  App_RegKey k;
  return ::RegOpenKeyExW(root, sKey, 0, KEY_QUERY_VALUE, k.Put()) == ERROR_SUCCESS &&
         App_Registry::QueryDword(k, sName, v);
}

}  // namespace

std::unique_ptr<App_WebView> CreateIEWebView() {
  return std::make_unique<App_IEWebView>();
}

std::unique_ptr<App_WebView> CreateRecordingWebView() {
  return std::make_unique<App_RecordingWebView>();
}

std::wstring AddressOfPage(std::wstring_view sURL) {
  constexpr std::wstring_view kRes = L"res:";
  if (sURL.size() < kRes.size()) return std::wstring(sURL);
  for (size_t i = 0; i < kRes.size(); ++i)
    if (std::towlower(sURL[i]) != kRes[i]) return std::wstring(sURL);
  const size_t hash = sURL.find(L'#');
  if (hash == std::wstring_view::npos || hash + 1 == sURL.size()) return std::wstring(sURL);
  return std::wstring(sURL.substr(hash + 1));
}

std::unique_ptr<App_WebView> CreateWebView() {
  wchar_t buf[16] = {};
  const DWORD n = ::GetEnvironmentVariableW(L"LUMO_TEST_WEBVIEW", buf, 16);
  if (n > 0 && n < 16 && std::wstring_view(buf, n) == L"record") return CreateRecordingWebView();
  return CreateIEWebView();
}

uint32_t BrowserEmulationForVersion(std::wstring_view sVersion) {
  const int major = LeadingNumber(sVersion);
  if (major >= 11) return 11001;
  if (major == 10) return 10001;
  if (major == 9) return 9999;
  if (major == 8) return 8888;
  return 0;
}

uint32_t SetBrowserEmulation() {
  static constexpr wchar_t kIEKey[] = L"SOFTWARE\\Microsoft\\Internet Explorer";
  static constexpr wchar_t kFeatureKey[] =
      L"Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\FEATURE_BROWSER_EMULATION";
  App_Trace t(kModule, L"SetBrowserEmulation");
  uint32_t result = 0;
  t.Step([&] {
    std::wstring sVersion;
    if (!ReadString(HKEY_LOCAL_MACHINE, kIEKey, L"svcVersion", sVersion) || LeadingNumber(sVersion) < 0) {
      sVersion.clear();
      ReadString(HKEY_LOCAL_MACHINE, kIEKey, L"Version", sVersion);
    }
    const uint32_t lMode = BrowserEmulationForVersion(sVersion);
    t.Vars(vkCreated, {L"sVersion", sVersion, L"lMode", lMode});
    if (lMode == 0) return;

    std::wstring sExe(MAX_PATH, L'\0');
    for (;;) {
      const DWORD n = ::GetModuleFileNameW(nullptr, sExe.data(), static_cast<DWORD>(sExe.size()));
      if (n == 0) {
        t.APIError(L"GetModuleFileNameW");
        return;
      }
      if (n < sExe.size()) {
        sExe.resize(n);
        break;
      }
      sExe.resize(sExe.size() * 2);
    }
    const size_t slash = sExe.find_last_of(L"\\/");
    const std::wstring sName = slash == std::wstring::npos ? sExe : sExe.substr(slash + 1);

    DWORD lOld = 0;
    if (ReadDword(HKEY_CURRENT_USER, kFeatureKey, sName.c_str(), lOld) && lOld == lMode) return;
    if (App_Registry::RegWriteValue(hkeyCurrentUser, kFeatureKey, sName, App_Registry::REGTYPE_DWORD,
                                    App_Variant(static_cast<int32_t>(lMode))))
      result = lMode;
    else
      t.Log(L"The browser emulation value was not written", evErrorHandler, pVar(L"sName", sName));
  });
  t.Vars(vkFunctionReturn, {result});
  return result;
}
