// The web view: the real IE WebBrowser control hosted in a test window
// (Wine has no HTML engine, so pages stay white, but the control creates,
// activates in place, takes its options and reports the address asked for),
// the recording view that the window tests read from another process, and
// the browser-emulation value written for the installed IE version.
#include <exdisp.h>
#include <exdispid.h>
#include <gtest/gtest.h>
#include <ole2.h>
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "diag/App_Debug.h"
#include "hosted/App_OleSite.h"
#include "hosted/App_WebView.h"
#include "hosted/App_WebViewEvents.h"
#include "lumo_keys.h"
#include "lumo_test.h"

namespace {

bool UnderWine() {
  return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

// Wine offers to download its HTML engine in a modal dialog the first time
// the control loads it; an empty download address turns that offer off.
void NoGeckoDownload() {
  if (!UnderWine()) return;
  LumoKey k;
  if (k.Create(HKEY_CURRENT_USER, L"Software\\Wine\\MSHTML", KEY_SET_VALUE) == ERROR_SUCCESS)
    k.SetText(L"GeckoUrl", L"");
}

void Pump(DWORD ms) {
  const DWORD start = ::GetTickCount();
  do {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    ::Sleep(5);
  } while (::GetTickCount() - start < ms);
}

std::wstring ClassOf(HWND h) {
  wchar_t buf[128] = {};
  ::GetClassNameW(h, buf, 128);
  return buf;
}

// What another process reads: the window text through WM_GETTEXT.
std::wstring TextOf(HWND h) {
  const LRESULT n = ::SendMessageW(h, WM_GETTEXTLENGTH, 0, 0);
  std::wstring s(static_cast<size_t>(n) + 1, L'\0');
  ::SendMessageW(h, WM_GETTEXT, s.size(), reinterpret_cast<LPARAM>(s.data()));
  s.resize(static_cast<size_t>(n));
  return s;
}

RECT RectInParent(HWND h) {
  RECT rc{};
  ::GetWindowRect(h, &rc);
  ::MapWindowPoints(HWND_DESKTOP, ::GetParent(h), reinterpret_cast<POINT*>(&rc), 2);
  return rc;
}

// The events of one type of the calls traced since the fixture started, as "Proc|info".
std::vector<std::wstring> Events(int32_t lType) {
  std::vector<std::wstring> out;
  for (const LumoEvent& e : LumoEvents())
    if (e.type == lType) out.push_back(e.proc + L"|" + e.info);
  return out;
}

class WebViewTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    NoGeckoDownload();
    ::OleInitialize(nullptr);
    WNDCLASSW wc{};
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"LumoWebViewTestParent";
    ::RegisterClassW(&wc);
  }
  static void TearDownTestSuite() { ::OleUninitialize(); }

  void SetUp() override {
    debug_.Reset();
    parent_ = ::CreateWindowExW(0, L"LumoWebViewTestParent", L"web view test", WS_OVERLAPPEDWINDOW, 0, 0, 640,
                                480, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(parent_, nullptr) << "no window can be made: Wine needs a display (run under xvfb-run)";
  }
  void TearDown() override {
    if (parent_) ::DestroyWindow(parent_);
  }

  LumoDebugFixtureState debug_;
  HWND parent_ = nullptr;
};

// ---- the IE control -----------------------------------------------------------

TEST_F(WebViewTest, IEControlCreatesActivatesAndNavigatesExactly) {
  auto view = CreateIEWebView();
  EXPECT_EQ(view->Window(), nullptr);
  EXPECT_FALSE(view->Navigate(L"about:blank"));  // nothing to navigate yet
  EXPECT_EQ(view->LocationURL(), L"");

  LARGE_INTEGER f, a, b;
  ::QueryPerformanceFrequency(&f);
  ::QueryPerformanceCounter(&a);
  ASSERT_TRUE(view->Create(parent_));
  ::QueryPerformanceCounter(&b);
  const double ms = 1000.0 * static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(f.QuadPart);
  std::printf("[ figures  ] IE control create + in-place activate: %.1f ms\n", ms);
  RecordProperty("CreateMs", static_cast<int>(ms));

  HWND host = view->Window();
  ASSERT_NE(host, nullptr);
  EXPECT_EQ(ClassOf(host), kWebViewHostClass);
  EXPECT_EQ(::GetParent(host), parent_);
  EXPECT_TRUE(::GetWindowLongPtrW(host, GWL_STYLE) & WS_CHILD);
  EXPECT_FALSE(view->Visible());
  // In-place active: the control's own window sits inside the host.
  EXPECT_NE(::GetWindow(host, GW_CHILD), nullptr);
  EXPECT_FALSE(view->Create(parent_));  // a second Create is refused, the first view stays
  EXPECT_EQ(view->Window(), host);

  EXPECT_TRUE(view->SetRegisterAsBrowser(true));
  EXPECT_TRUE(view->SetRegisterAsDropTarget(true));
  EXPECT_TRUE(view->SetSilent(true));
  EXPECT_FALSE(view->GoBack());  // no history yet: nothing happens
  EXPECT_FALSE(view->GoForward());

  EXPECT_TRUE(view->Navigate(L"about:blank"));
  Pump(50);
  EXPECT_EQ(view->LocationURL(), L"about:blank");
  // Passed on as given: case, "+" and the query stay as they are.
  EXPECT_TRUE(view->Navigate(L"http://example.invalid/Path?q=a+b"));
  Pump(20);
  EXPECT_EQ(view->LocationURL(), L"http://example.invalid/Path?q=a+b");
  // The control keeps its address in its own canonical form: the space
  // reached it (it escapes it itself).
  EXPECT_TRUE(view->Navigate(L"http://example.invalid/a b"));
  Pump(20);
  EXPECT_EQ(view->LocationURL(), L"http://example.invalid/a%20b");

  // Only the early Navigate, the refused second Create and the expected
  // "nothing happens" of back and forward were logged.
  EXPECT_TRUE(Events(evAPIError).empty());
  EXPECT_EQ(Events(evErrorHandler),
            (std::vector<std::wstring>{L"App_WebView.Navigate|No web view to navigate",
                                       L"App_WebView.Create|The web view already exists"}));
  EXPECT_EQ(Events(evNormal),
            (std::vector<std::wstring>{
                L"App_WebView.GoBack|IWebBrowser2::GoBack: no page to go back to",
                L"App_WebView.GoForward|IWebBrowser2::GoForward: no page to go forward to"}));

  view.reset();
  EXPECT_FALSE(::IsWindow(host));  // closed with its view
}

TEST_F(WebViewTest, IEControlMovesResizesAndHides) {
  auto view = CreateIEWebView();
  view->Move(1, 2, 3, 4);  // before Create: nothing to move, nothing breaks
  ASSERT_TRUE(view->Create(parent_));
  HWND host = view->Window();
  HWND inner = ::GetWindow(host, GW_CHILD);
  ASSERT_NE(inner, nullptr);

  view->Move(10, 40, 300, 200);
  RECT rc = RectInParent(host);
  EXPECT_EQ(rc.left, 10);
  EXPECT_EQ(rc.top, 40);
  EXPECT_EQ(rc.right - rc.left, 300);
  EXPECT_EQ(rc.bottom - rc.top, 200);
  RECT in{};
  ::GetWindowRect(inner, &in);
  EXPECT_EQ(in.right - in.left, 300);  // the in-place object follows
  EXPECT_EQ(in.bottom - in.top, 200);

  // Moved from outside (as a layout pass might): the control still fills it.
  ::MoveWindow(host, 0, 30, 500, 350, TRUE);
  ::GetWindowRect(inner, &in);
  EXPECT_EQ(in.right - in.left, 500);
  EXPECT_EQ(in.bottom - in.top, 350);

  view->Move(0, 0, -5, -5);  // negative sizes become empty, not an error
  rc = RectInParent(host);
  EXPECT_EQ(rc.right - rc.left, 0);

  view->SetVisible(true);
  EXPECT_TRUE(view->Visible());  // its own flag, even while the parent is hidden
  view->SetVisible(false);
  EXPECT_FALSE(view->Visible());
  EXPECT_FALSE(::GetWindowLongPtrW(host, GWL_STYLE) & WS_VISIBLE);
  EXPECT_TRUE(Events(evErrorHandler).empty());
}

TEST_F(WebViewTest, IEControlFailuresAreLoggedNotRaised) {
  // No parent for a child window.
  auto view = CreateIEWebView();
  EXPECT_FALSE(view->Create(nullptr));
  EXPECT_EQ(view->Window(), nullptr);
  EXPECT_EQ(Events(evAPIError), std::vector<std::wstring>{L"App_WebView.Create|CreateWindowExW"});
  EXPECT_FALSE(view->SetSilent(true));
  EXPECT_FALSE(view->GoForward());

  // A thread without COM: the control cannot be made, its window is gone
  // again. (The thread has a parent window of its own: a child window of
  // this thread's parent would wait for this thread, which waits for it.)
  debug_.Reset();
  bool created = true;
  HWND host = nullptr, parentChild = nullptr;
  std::thread([&] {
    HWND parent = ::CreateWindowExW(0, L"LumoWebViewTestParent", L"", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                                    nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    auto v = CreateIEWebView();
    created = v->Create(parent);
    host = v->Window();
    parentChild = ::GetWindow(parent, GW_CHILD);
    ::DestroyWindow(parent);
  }).join();
  EXPECT_FALSE(created);
  EXPECT_EQ(host, nullptr);
  EXPECT_EQ(parentChild, nullptr);
  const auto failed = LumoFindEvent(L"App_WebView.Create", evAPIError, L"CoCreateInstance CLSID_WebBrowser");
  ASSERT_TRUE(failed);
  EXPECT_EQ(failed->api, static_cast<int32_t>(CO_E_NOTINITIALIZED));

  // The window goes before its view (as when the browser window closes):
  // the view still closes its control without touching the dead windows.
  debug_.Reset();
  auto late = CreateIEWebView();
  ASSERT_TRUE(late->Create(parent_));
  ::DestroyWindow(std::exchange(parent_, nullptr));
  EXPECT_EQ(late->Window(), nullptr);
  EXPECT_FALSE(late->Visible());
  late->Move(0, 0, 10, 10);
  late.reset();
  EXPECT_TRUE(Events(evErrorHandler).empty());
}

// ---- the recording view -------------------------------------------------------

TEST_F(WebViewTest, RecordingViewListsEveryCallAndWalksItsHistory) {
  auto view = CreateRecordingWebView();
  EXPECT_FALSE(view->Navigate(L"about:blank"));  // no window yet: nothing recorded
  ASSERT_TRUE(view->Create(parent_));
  HWND h = view->Window();
  EXPECT_EQ(ClassOf(h), L"LumoRecordingWebView");
  EXPECT_EQ(::GetParent(h), parent_);
  EXPECT_FALSE(view->Visible());
  EXPECT_EQ(TextOf(h), L"");
  EXPECT_EQ(view->LocationURL(), L"");

  EXPECT_FALSE(view->GoBack());  // empty history: recorded, nothing happens
  EXPECT_TRUE(view->SetRegisterAsBrowser(true));
  EXPECT_TRUE(view->SetRegisterAsDropTarget(true));
  EXPECT_TRUE(view->SetSilent(false));
  EXPECT_TRUE(view->Navigate(L"a"));
  EXPECT_TRUE(view->Navigate(L" http://example.invalid/a b "));
  EXPECT_TRUE(view->Navigate(L"c"));
  EXPECT_EQ(view->LocationURL(), L"c");
  EXPECT_FALSE(view->GoForward());  // at the end
  EXPECT_TRUE(view->GoBack());
  EXPECT_EQ(view->LocationURL(), L" http://example.invalid/a b ");
  EXPECT_TRUE(view->GoBack());
  EXPECT_FALSE(view->GoBack());  // at the start
  EXPECT_EQ(view->LocationURL(), L"a");
  EXPECT_TRUE(view->GoForward());
  EXPECT_EQ(view->LocationURL(), L" http://example.invalid/a b ");
  // A new page drops the pages ahead of it, as a browser does.
  EXPECT_TRUE(view->Navigate(L"d"));
  EXPECT_FALSE(view->GoForward());
  EXPECT_TRUE(view->GoBack());
  EXPECT_EQ(view->LocationURL(), L" http://example.invalid/a b ");

  EXPECT_EQ(TextOf(h),
            L"back\r\n"
            L"option RegisterAsBrowser=1\r\n"
            L"option RegisterAsDropTarget=1\r\n"
            L"option Silent=0\r\n"
            L"navigate a\r\n"
            L"navigate  http://example.invalid/a b \r\n"
            L"navigate c\r\n"
            L"forward\r\n"
            L"back\r\n"
            L"back\r\n"
            L"back\r\n"
            L"forward\r\n"
            L"navigate d\r\n"
            L"forward\r\n"
            L"back\r\n");

  view->Move(5, 600, 700, 300);
  const RECT rc = RectInParent(h);
  EXPECT_EQ(rc.left, 5);
  EXPECT_EQ(rc.top, 600);
  EXPECT_EQ(rc.right - rc.left, 700);
  view->SetVisible(true);
  EXPECT_TRUE(view->Visible());
  view.reset();
  EXPECT_FALSE(::IsWindow(h));
}

TEST_F(WebViewTest, CreateWebViewChoosesByEnvironment) {
  struct Case {
    const wchar_t* value;
    const wchar_t* expectedClass;
  };
  const Case cases[] = {{L"record", kRecordingWebViewClass},
                        {nullptr, kWebViewHostClass},
                        {L"recording", kWebViewHostClass},
                        {L"", kWebViewHostClass}};
  for (const Case& c : cases) {
    ::SetEnvironmentVariableW(L"LUMO_TEST_WEBVIEW", c.value);
    auto view = CreateWebView();
    ASSERT_TRUE(view->Create(parent_)) << (c.value ? c.value : L"(unset)");
    EXPECT_EQ(ClassOf(view->Window()), c.expectedClass) << (c.value ? c.value : L"(unset)");
  }
  ::SetEnvironmentVariableW(L"LUMO_TEST_WEBVIEW", nullptr);
}

// ---- the page's events ----------------------------------------------------------

TEST_F(WebViewTest, RecordingViewRaisesTheEventsATestSends) {
  auto view = CreateRecordingWebView();
  ASSERT_TRUE(view->Create(parent_));
  std::vector<std::wstring> got;
  view->OnNavigateComplete = [&](std::wstring_view s) { got.push_back(L"complete " + std::wstring(s)); };
  view->OnNewWindow = [&](std::wstring_view s) { got.push_back(L"new " + std::wstring(s)); };
  auto fire = [&](ULONG_PTR lEvent, const std::wstring& sURL) {
    COPYDATASTRUCT cd{lEvent, static_cast<DWORD>(sURL.size() * sizeof(wchar_t)),
                      const_cast<wchar_t*>(sURL.data())};
    return ::SendMessageW(view->Window(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cd));
  };
  EXPECT_EQ(fire(kRecordingFireNavigateComplete, L"http://a.example/x y"), TRUE);
  EXPECT_EQ(fire(kRecordingFireNewWindow, L""), TRUE);
  EXPECT_EQ(fire(99, L"http://ignored.example/"), FALSE);  // not an event of ours
  EXPECT_TRUE(view->Refresh());
  EXPECT_TRUE(view->Stop());
  EXPECT_EQ(got, (std::vector<std::wstring>{L"complete http://a.example/x y", L"new "}));
  EXPECT_EQ(TextOf(view->Window()),
            L"event NavigateComplete http://a.example/x y\r\nevent NewWindow \r\nrefresh\r\nstop\r\n");
}

// The real control's events, handed to the listener as the control delivers
// them (Wine's control has no pages to raise them from).
TEST_F(WebViewTest, ControlEventsReachTheViewAndNewWindowsAreCancelled) {
  App_ComPtr<IWebBrowser2> browser;
  ASSERT_HRESULT_SUCCEEDED(::CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER,
                                              IID_IWebBrowser2, reinterpret_cast<void**>(browser.Receive())));
  auto view = CreateRecordingWebView();
  std::vector<std::wstring> got;
  view->OnNavigateComplete = [&](std::wstring_view s) { got.push_back(L"complete " + std::wstring(s)); };
  view->OnNewWindow = [&](std::wstring_view s) { got.push_back(L"new " + std::wstring(s)); };
  App_ComPtr<App_WebViewEvents> events;
  *events.Receive() = new App_WebViewEvents(*view);
  ASSERT_HRESULT_SUCCEEDED(events->Connect(browser.Get()));  // the control's connection point takes us

  auto bstr = [](const wchar_t* s) {
    VARIANT v;
    v.vt = VT_BSTR;
    v.bstrVal = ::SysAllocString(s);
    return v;
  };
  auto invoke = [&](DISPID id,
                    std::vector<VARIANT> args) {  // arguments last first, as the control sends them
    DISPPARAMS dp{args.data(), nullptr, static_cast<UINT>(args.size()), 0};
    events->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &dp, nullptr, nullptr, nullptr);
    for (VARIANT& v : args)
      if (v.vt == VT_BSTR) ::VariantClear(&v);
  };
  auto navigateComplete = [&](IDispatch* pFrom, const wchar_t* sURL) {
    VARIANT url = bstr(sURL), byRef, from;
    byRef.vt = VT_BYREF | VT_VARIANT;
    byRef.pvarVal = &url;
    from.vt = VT_DISPATCH;
    from.pdispVal = pFrom;
    invoke(DISPID_NAVIGATECOMPLETE2, {byRef, from});
    ::VariantClear(&url);
  };
  struct Page {
    const wchar_t* url;
    bool topLevel;
  };
  const Page pages[] = {
      {L"http://page.example/", true},
      {L"http://frame.example/ad", false},  // a frame inside the page
      {L"res://ieframe.dll/dnserror.htm#http://gone.example/", true},
      {L"RES://ieframe.dll/navcancl.htm#", true},
      {L"about:blank", true},
  };
  for (const Page& p : pages)
    navigateComplete(p.topLevel ? browser.Get() : static_cast<IDispatch*>(events.Get()), p.url);

  VARIANT_BOOL cancel2 = VARIANT_FALSE, cancel3 = VARIANT_FALSE;
  IDispatch* newDisp = nullptr;
  VARIANT ppDisp, vCancel, flags;
  ppDisp.vt = VT_BYREF | VT_DISPATCH;
  ppDisp.ppdispVal = &newDisp;
  vCancel.vt = VT_BYREF | VT_BOOL;
  vCancel.pboolVal = &cancel2;
  invoke(DISPID_NEWWINDOW2, {vCancel, ppDisp});
  vCancel.pboolVal = &cancel3;
  flags.vt = VT_I4;
  flags.lVal = 0;
  invoke(DISPID_NEWWINDOW3,
         {bstr(L"http://popup.example/"), bstr(L"http://page.example/"), flags, vCancel, ppDisp});
  EXPECT_EQ(cancel2, VARIANT_TRUE);
  EXPECT_EQ(cancel3, VARIANT_TRUE);
  EXPECT_EQ(newDisp, nullptr);

  events->Disconnect();
  navigateComplete(browser.Get(), L"http://after.example/");  // no longer ours
  EXPECT_EQ(got,
            (std::vector<std::wstring>{L"complete http://page.example/", L"complete http://gone.example/",
                                       L"complete RES://ieframe.dll/navcancl.htm#", L"complete about:blank",
                                       L"new ", L"new http://popup.example/"}));
}

TEST_F(WebViewTest, IEViewRefreshesAndStops) {
  auto view = CreateIEWebView();
  EXPECT_FALSE(view->Refresh());  // nothing to refresh yet
  EXPECT_FALSE(view->Find());
  EXPECT_FALSE(view->Print());
  EXPECT_FALSE(view->Zoom(1));
  ASSERT_TRUE(view->Create(parent_));
  EXPECT_TRUE(view->Stop());
  EXPECT_TRUE(Events(evAPIError).empty());  // the events were connected without a failure
  // What Wine's control itself raises for a page (printed, not asserted: it has no HTML engine).
  std::vector<std::wstring> got;
  view->OnNavigateComplete = [&](std::wstring_view u) { got.push_back(L"complete " + std::wstring(u)); };
  view->OnNewWindow = [&](std::wstring_view u) { got.push_back(L"new " + std::wstring(u)); };
  view->Navigate(L"about:blank");
  view->Navigate(L"http://example.invalid/");
  Pump(300);
  for (const std::wstring& g : got) std::printf("[ figures  ] raised by the control: %ls\n", g.c_str());
  std::printf("[ figures  ] events raised by the control: %zu\n", got.size());
  // Wine's control has no page to zoom: the outcome is logged, never raised.
  std::printf("[ figures  ] zoom in on Wine's control: %d\n", view->Zoom(1));
}

TEST(WebViewHost, TellsTheControlTheProgramIsDpiAware) {
  App_OleSite* site = new App_OleSite(nullptr);
  IDocHostUIHandler* host = nullptr;
  ASSERT_EQ(site->QueryInterface(IID_IDocHostUIHandler, reinterpret_cast<void**>(&host)), S_OK);
  DOCHOSTUIINFO info{};
  info.cbSize = sizeof(info);
  EXPECT_EQ(host->GetHostInfo(&info), S_OK);
  EXPECT_EQ(info.dwFlags & DOCHOSTUIFLAG_DPI_AWARE, static_cast<DWORD>(DOCHOSTUIFLAG_DPI_AWARE));
  host->Release();
  site->Release();
}

TEST(WebViewZoom, StepsInOutAndBack) {
  struct Case {
    int now, step, next;
  } cases[] = {{100, 1, 110},  {100, -1, 90}, {400, 1, 400},  {30, -1, 30},  {105, 1, 110},
               {105, -1, 100}, {10, 1, 30},   {999, -1, 400}, {250, 0, 100}, {67, -1, 50}};
  for (const Case& c : cases) EXPECT_EQ(NextZoomPercent(c.now, c.step), c.next) << c.now << " " << c.step;
}

// ---- browser emulation --------------------------------------------------------

TEST(BrowserEmulation, VersionTable) {
  EXPECT_EQ(BrowserEmulationForVersion(L"11.0.9600.18376"), 11001u);
  EXPECT_EQ(BrowserEmulationForVersion(L"10.0.9200.16384"), 10001u);
  EXPECT_EQ(BrowserEmulationForVersion(L"9.0.8112.16421"), 9999u);
  EXPECT_EQ(BrowserEmulationForVersion(L"9.11.9600.18376"), 9999u);  // IE 11's "Version" text
  EXPECT_EQ(BrowserEmulationForVersion(L"8.0.6001.18702"), 8888u);
  EXPECT_EQ(BrowserEmulationForVersion(L"7.0.5730.13"), 0u);
  EXPECT_EQ(BrowserEmulationForVersion(L"6"), 0u);
  EXPECT_EQ(BrowserEmulationForVersion(L"1"), 0u);
  EXPECT_EQ(BrowserEmulationForVersion(L"12.0"), 11001u);
  EXPECT_EQ(BrowserEmulationForVersion(L""), 0u);
  EXPECT_EQ(BrowserEmulationForVersion(L"x11"), 0u);
}

// Fakes the installed IE version in HKLM and puts the real values back.
class BrowserEmulationTest : public ::testing::Test {
 protected:
  static constexpr wchar_t kIEKey[] = L"SOFTWARE\\Microsoft\\Internet Explorer";
  static constexpr wchar_t kFeatureKey[] =
      L"Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\FEATURE_BROWSER_EMULATION";

  void SetUp() override {
    debug_.Reset();
    saved_[0] = Read(L"svcVersion", had_[0]);
    saved_[1] = Read(L"Version", had_[1]);
    wchar_t path[MAX_PATH];
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    exe_ = path;
    exe_ = exe_.substr(exe_.find_last_of(L'\\') + 1);
    RemoveFeature();
  }
  void TearDown() override {
    Put(L"svcVersion", had_[0] ? saved_[0].c_str() : nullptr);
    Put(L"Version", had_[1] ? saved_[1].c_str() : nullptr);
    RemoveFeature();
  }

  static std::wstring Read(const wchar_t* name, bool& had) {
    wchar_t buf[256] = {};
    DWORD cb = sizeof(buf) - sizeof(wchar_t);
    had = ::RegGetValueW(HKEY_LOCAL_MACHINE, kIEKey, name, RRF_RT_REG_SZ, nullptr, buf, &cb) == 0;
    return buf;
  }
  // Writes an HKLM version value, or deletes it (nullptr).
  static void Put(const wchar_t* name, const wchar_t* value) {
    LumoKey k;
    ASSERT_EQ(k.Create(HKEY_LOCAL_MACHINE, kIEKey, KEY_SET_VALUE), 0);
    if (value)
      k.SetText(name, value);
    else
      ::RegDeleteValueW(k.Get(), name);
  }
  void RemoveFeature() {
    LumoKey k;
    if (k.Open(HKEY_CURRENT_USER, kFeatureKey, KEY_SET_VALUE) == 0) ::RegDeleteValueW(k.Get(), exe_.c_str());
  }
  void SetFeature(DWORD v) {
    LumoKey k;
    ASSERT_EQ(k.Create(HKEY_CURRENT_USER, kFeatureKey, KEY_SET_VALUE), 0);
    k.SetDword(exe_.c_str(), v);
  }
  // The stored value for this exe; -1 when there is none.
  int64_t Feature() {
    DWORD v = 0, cb = sizeof(v);
    if (::RegGetValueW(HKEY_CURRENT_USER, kFeatureKey, exe_.c_str(), RRF_RT_REG_DWORD, nullptr, &v, &cb))
      return -1;
    return v;
  }

  LumoDebugFixtureState debug_;
  std::wstring saved_[2], exe_;
  bool had_[2] = {false, false};
};

TEST_F(BrowserEmulationTest, WritesTheValueOfTheInstalledVersion) {
  EXPECT_EQ(exe_, L"test_hosted.exe");
  Put(L"svcVersion", L"11.0.9600.18376");
  Put(L"Version", L"9.11.9600.18376");
  EXPECT_EQ(SetBrowserEmulation(), 11001u);  // "svcVersion" wins over "Version"
  EXPECT_EQ(Feature(), 11001);
  EXPECT_EQ(SetBrowserEmulation(), 0u);  // already right: left alone
  EXPECT_EQ(Feature(), 11001);

  SetFeature(7000);  // a different value is replaced
  Put(L"svcVersion", L"10.0.9200.16384");
  EXPECT_EQ(SetBrowserEmulation(), 10001u);
  EXPECT_EQ(Feature(), 10001);

  // Before IE 10 there is no "svcVersion": "Version" decides.
  Put(L"svcVersion", nullptr);
  Put(L"Version", L"9.0.8112.16421");
  EXPECT_EQ(SetBrowserEmulation(), 9999u);
  EXPECT_EQ(Feature(), 9999);
  Put(L"Version", L"8.0.6001.18702");
  EXPECT_EQ(SetBrowserEmulation(), 8888u);
  EXPECT_EQ(Feature(), 8888);
  // A missing value is the normal case, not an error.
  EXPECT_TRUE(Events(evAPIError).empty());
  EXPECT_TRUE(Events(evErrorHandler).empty());
}

TEST_F(BrowserEmulationTest, WritesNothingForOldOrUnknownVersions) {
  Put(L"svcVersion", nullptr);
  Put(L"Version", L"7.0.5730.13");
  EXPECT_EQ(SetBrowserEmulation(), 0u);
  EXPECT_EQ(Feature(), -1);

  SetFeature(8888);  // an old program's value stays as it is
  EXPECT_EQ(SetBrowserEmulation(), 0u);
  EXPECT_EQ(Feature(), 8888);

  Put(L"Version", nullptr);  // no IE at all
  EXPECT_EQ(SetBrowserEmulation(), 0u);
  EXPECT_EQ(Feature(), 8888);
}

}  // namespace
