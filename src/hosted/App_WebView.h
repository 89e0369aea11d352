// The web view of the browser window.
//
// Two views share one interface: the system's Internet Explorer WebBrowser
// control in a small OLE container of our own (App_OleSite.h), and a
// recording view for tests that writes every call into its window text, so
// that a test in another process can read what the window asked of its web
// view (WM_GETTEXT). CreateWebView picks the one to use.
//
// Nothing here throws: a call that fails returns false (or an empty text)
// and, where it can fail, logs the reason under module "App_WebView".
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

class App_WebView {
 public:
  virtual ~App_WebView() = default;
  // Creates the view as a child window of hParent (hidden until SetVisible(true)).
  // False (and the failure logged by the caller's trace) when it cannot be created.
  virtual bool Create(HWND hParent) = 0;
  virtual HWND Window() const = 0;                    // the view's outer child window (nullptr before Create)
  virtual bool Navigate(std::wstring_view sURL) = 0;  // exactly as given: no scheme added, nothing trimmed
  virtual bool GoBack() = 0;                          // at the start of the history: nothing happens (false)
  virtual bool GoForward() = 0;
  virtual bool Refresh() = 0;  // loads the current page again
  virtual bool Stop() = 0;     // stops loading the page
  virtual bool SetRegisterAsBrowser(bool b) = 0;
  virtual bool SetRegisterAsDropTarget(bool b) = 0;
  virtual bool SetSilent(bool b) = 0;  // no script-error dialogs
  virtual void SetVisible(bool b) = 0;
  virtual bool Visible() const = 0;
  virtual void Move(int x, int y, int cx, int cy) = 0;  // pixels, client coordinates of the parent
  virtual std::wstring LocationURL() const = 0;         // the control's current address
  // The page's own find and print dialogs, and its zoom: one step in (+1),
  // out (-1) or back to 100 % (0). The optical zoom where the control has
  // it (IE 7 and later), the text size before.
  virtual bool Find() = 0;
  virtual bool Print() = 0;
  virtual bool Zoom(int lStep) = 0;

  // For the window's message loop: lets the page handle its own keys (Tab,
  // Enter, Ctrl+C, ...) when the message is meant for a window inside the
  // view. True when the view used the message (then it is not dispatched).
  virtual bool TranslateAccel(MSG& msg) {
    (void)msg;
    return false;
  }

  // The page's events, raised on the window's thread.
  // The view's top-level page has arrived at an address: after a navigation
  // of ours, a clicked link, a redirect, or a step back or forward.
  std::function<void(std::wstring_view sURL)> OnNavigateComplete;
  // The page asked for a new window (a link's target, window.open). The view
  // never opens one: it has already cancelled it and hands over its address
  // (empty when the page gave none).
  std::function<void(std::wstring_view sURL)> OnNewWindow;
};

// Window classes of the two views' outer windows.
inline constexpr wchar_t kWebViewHostClass[] = L"LumoWebViewHost";
inline constexpr wchar_t kRecordingWebViewClass[] = L"LumoRecordingWebView";

// The real view: the system's IE WebBrowser control (CLSID_WebBrowser, IWebBrowser2) in a
// small OLE container of our own (IOleClientSite, IOleInPlaceSite, IOleInPlaceFrame). COM must
// be initialised apartment-threaded by the caller (OleInitialize before creating it).
std::unique_ptr<App_WebView> CreateIEWebView();

// The recording view for tests: a plain child window of class "LumoRecordingWebView" whose
// window text lists every call, each line ended by CR LF ("navigate <url>", "back",
// "forward", "option RegisterAsBrowser=1", "option RegisterAsDropTarget=1",
// "option Silent=1", "refresh", "stop", "find", "print", "zoom in", "zoom out", "zoom reset",
// "key <virtual-key number>" for a key that reaches it,
// "event NavigateComplete <url>", "event NewWindow <url>"). LocationURL gives the current entry of its own
// list of navigated URLs, which back and forward move through like a browser's history. A test makes it raise
// an event by sending its window WM_COPYDATA with one of the codes below as dwData and the URL (UTF-16,
// without a terminating zero) as the data.
std::unique_ptr<App_WebView> CreateRecordingWebView();
inline constexpr ULONG_PTR kRecordingFireNavigateComplete = 1;
inline constexpr ULONG_PTR kRecordingFireNewWindow = 2;

// The address to show for a page the IE control reports: its friendly error pages
// ("res://ieframe.dll/dnserror.htm#http://host/") stand for the address after the "#";
// any other address is shown as it is.
std::wstring AddressOfPage(std::wstring_view sURL);

// The view the program uses: the recording view when the environment variable
// LUMO_TEST_WEBVIEW is "record" (set only by the tests), else the IE view.
std::unique_ptr<App_WebView> CreateWebView();

// Makes the control render in the newest document mode this machine's Internet Explorer
// offers instead of the control's IE7 default: writes the per-program browser-emulation
// feature (key HKEY_CURRENT_USER
// "Software\Microsoft\Internet Explorer\Main\FeatureControl\FEATURE_BROWSER_EMULATION"),
// value = this exe's own file name, DWORD from the installed IE
// version (HKLM\SOFTWARE\Microsoft\Internet Explorer "svcVersion" else "Version": 11 and
// later -> 11001, 10 -> 10001, 9 -> 9999, 8 -> 8888, older -> nothing written). Leaves an
// existing value alone when it already equals what would be written. Returns what it wrote
// (0 when nothing was written).
uint32_t SetBrowserEmulation();

// The emulation value for an Internet Explorer version text ("11.0.9600.18376" -> 11001;
// 0 for versions before 8 and for texts that do not start with a number).
uint32_t BrowserEmulationForVersion(std::wstring_view sVersion);

// The optical zoom's steps, in percent; the step from lCurrent one further
// in (+1) or out (-1), or 100 for 0. A value between two steps goes to the
// next one in the step's direction; the ends stay where they are.
int NextZoomPercent(int lCurrent, int lStep);
