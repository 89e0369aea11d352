// What the window does when the page moves on its own: the address box
// follows it, a new window opens in our own web view, and the browser keys
// and mouse buttons work wherever the focus is. The page's events are raised
// by the recording web view on a test's request.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "gui_driver.h"
#include "lumo_test.h"
#include "hosted/App_WebView.h"

using gui::ProgramFolder;
using gui::RunningBrowser;

namespace {

// Makes the running program's web view raise an event, as the page would.
void Fire(const RunningBrowser& b, ULONG_PTR lEvent, const std::wstring& sURL) {
  COPYDATASTRUCT cd{lEvent, static_cast<DWORD>(sURL.size() * sizeof(wchar_t)),
                    const_cast<wchar_t*>(sURL.data())};
  ::SendMessageW(b.WebView(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cd));
}

// The web view's recorded lines after the first nSkip characters.
std::vector<std::wstring> LinesAfter(const std::wstring& sAll, size_t nSkip) {
  std::vector<std::wstring> out;
  std::wistringstream in(sAll.substr(nSkip));
  for (std::wstring line; std::getline(in, line);) out.push_back(line);
  return out;
}

}  // namespace

TEST(BrowserPage, AddressBoxFollowsThePageAndTheHistoryListDoesNot) {
  gui::ForgetPlacements();
  ProgramFolder folder("Browser.HomePage=http://home.example/\r\n");
  RunningBrowser b(folder.Exe);
  ASSERT_NE(b.Window, nullptr);
  b.Settle();
  ASSERT_EQ(b.ListCount(), 1);

  // A typed address stays as typed until the page reports where it arrived.
  b.Type(L"typed.example");
  b.Click(b.Button(L"Go"));
  b.Settle();
  EXPECT_EQ(LumoNarrow(gui::TextOf(b.Combo())), "typed.example");

  struct Step {
    const char* what;
    const wchar_t* button;  // clicked before the page reports, or nullptr
    const wchar_t* reported;
    const char* shown;
  };
  const Step steps[] = {
      {"the typed address arrives", nullptr, L"http://typed.example/", "http://typed.example/"},
      {"a clicked link", nullptr, L"http://typed.example/link", "http://typed.example/link"},
      {"a redirect", nullptr, L"https://www.typed.example/link", "https://www.typed.example/link"},
      {"Back", L"<", L"http://typed.example/", "http://typed.example/"},
      {"Forward", L">", L"https://www.typed.example/link", "https://www.typed.example/link"},
      {"an empty report changes nothing", nullptr, L"", "https://www.typed.example/link"},
  };
  for (const Step& s : steps) {
    if (s.button) b.Click(b.Button(s.button));
    Fire(b, kRecordingFireNavigateComplete, s.reported);
    b.Settle();
    EXPECT_EQ(LumoNarrow(gui::TextOf(b.Combo())), s.shown) << s.what;
    EXPECT_EQ(b.ListCount(), 1) << s.what;
  }
  // Whatever the page does, the caption is the program's own: other tools find the window by it.
  EXPECT_EQ(LumoNarrow(gui::TextOf(b.Window)), "Lumo Web Browser  ");
}

TEST(BrowserPage, NewWindowsOpenInOurWebView) {
  gui::ForgetPlacements();
  ProgramFolder folder;
  RunningBrowser b(folder.Exe);
  ASSERT_NE(b.Window, nullptr);
  b.Settle();
  struct Case {
    const wchar_t* url;
    std::vector<std::wstring> recorded;
  };
  const Case cases[] = {
      {L"http://popup.example/a?b=1",
       {L"event NewWindow http://popup.example/a?b=1", L"navigate http://popup.example/a?b=1"}},
      {L"", {L"event NewWindow "}},                                          // no address: only cancelled
      {L" JavaScript:alert(1)", {L"event NewWindow  JavaScript:alert(1)"}},  // never run in the opener
  };
  for (const Case& c : cases) {
    const size_t before = b.Recorded().size();
    Fire(b, kRecordingFireNewWindow, c.url);
    b.Settle();
    EXPECT_EQ(LinesAfter(b.Recorded(), before), c.recorded) << LumoNarrow(c.url);
  }
  EXPECT_EQ(b.ListCount(), 0);
  // Only this program's window exists: no other browser was started.
  EXPECT_EQ(::FindWindowW(L"IEFrame", nullptr), nullptr);
  EXPECT_EQ(LumoNarrow(gui::TextOf(b.Window)), "Lumo Web Browser  ");
}

TEST(BrowserPage, BrowserButtonsOfKeyboardAndMouseReachTheWindow) {
  gui::ForgetPlacements();
  ProgramFolder folder;
  RunningBrowser b(folder.Exe);
  ASSERT_NE(b.Window, nullptr);
  b.Settle();
  const size_t before = b.Recorded().size();
  for (int cmd : {APPCOMMAND_BROWSER_BACKWARD, APPCOMMAND_BROWSER_FORWARD, APPCOMMAND_BROWSER_REFRESH,
                  APPCOMMAND_BROWSER_STOP, APPCOMMAND_VOLUME_UP})
    ::SendMessageW(b.WebView(), WM_APPCOMMAND, reinterpret_cast<WPARAM>(b.WebView()),
                   MAKELPARAM(0, cmd | FAPPCOMMAND_MOUSE));
  ::PostMessageW(b.WebView(), WM_XBUTTONUP, MAKEWPARAM(0, XBUTTON1), 0);
  b.Settle();
  EXPECT_EQ(LinesAfter(b.Recorded(), before),
            (std::vector<std::wstring>{L"back", L"forward", L"refresh", L"stop", L"back"}));
}

// The keys are pressed inside a probe: Ctrl is part of the pressing thread's own state.
TEST(BrowserPage, BrowserKeysWorkInTheAddressBoxAndInThePage) {
  gui::ForgetPlacements();
  const LumoProbeResult r = LumoRunProbe(L"\"" + LumoTestDir() + L"probe_browserkeys.exe\"");
  ASSERT_EQ(r.ExitCode, 0u) << r.Output;
  std::vector<std::string> lines;
  std::istringstream in(r.Output);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  // Per key: what the web view was asked for (or got), and where the focus ends.
  const char* kExpected[] = {
      "Alt+Left@%s did=back focus=%s",
      "Alt+Right@%s did=forward focus=%s",
      "F5@%s did=refresh focus=%s",
      "Ctrl+L@%s did= focus=address sel=all",
      "Alt+D@%s did= focus=address sel=all",
      "F6@%s did= focus=address sel=all",
      "Esc@%s did=stop focus=%s",
      "XButton1@%s did=back focus=%s",
      "XButton2@%s did=forward focus=%s",
      "Ctrl+F@%s did=find focus=%s",
      "Ctrl+P@%s did=print focus=%s",
      "Ctrl+Plus@%s did=zoom in focus=%s",
      "Ctrl+NumMinus@%s did=zoom out focus=%s",
      "Ctrl+0@%s did=zoom reset focus=%s",
      "Ctrl+WheelUp@%s did=zoom in focus=%s",
      "Ctrl+WheelDown@%s did=zoom out focus=%s",
  };
  for (const char* target : {"address", "view"}) {
    for (const char* pattern : kExpected) {
      char want[128];
      std::snprintf(want, sizeof(want), pattern, target, target);
      bool found = false;
      for (const std::string& l : lines) found = found || l.rfind(std::string("key=") + want, 0) == 0;
      EXPECT_TRUE(found) << want << "\n" << r.Output;
    }
  }
  // Every other key goes on to the page as it was: a letter, and AltGr (Ctrl+Alt) with D, F or 0.
  for (const char* passed : {"key=A@view did=key 65 ", "key=Ctrl+Alt+D@view did=key 68 ",
                             "key=Ctrl+Alt+F@view did=key 70 ", "key=Ctrl+Alt+0@view did=key 48 ",
                             "key=A@address did= focus=address", "key=Left@address did= focus=address"}) {
    bool found = false;
    for (const std::string& l : lines) found = found || l.rfind(passed, 0) == 0;
    EXPECT_TRUE(found) << passed << "\n" << r.Output;
  }
  EXPECT_NE(std::find(lines.begin(), lines.end(), "caption=Lumo Web Browser  "), lines.end()) << r.Output;
}
