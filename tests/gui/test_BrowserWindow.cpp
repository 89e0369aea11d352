// The browser window as a user meets it: the real LumoBrowser.exe started
// from a prepared program folder, checked and driven from outside.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "gui_driver.h"
#include "lumo_test.h"

using gui::ProgramFolder;
using gui::RunningBrowser;

namespace {

bool Contains(const std::wstring& sAll, const std::wstring& sLine) {
  return sAll.find(sLine) != std::wstring::npos;
}

// Starts the program, puts its window there and closes it, which saves the placement.
void CloseWindowAt(const ProgramFolder& folder, int x, int y, int cx, int cy) {
  RunningBrowser b(folder.Exe);
  ASSERT_NE(b.Window, nullptr);
  ::SetWindowPos(b.Window, nullptr, x, y, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE);
  b.Settle();
  EXPECT_EQ(b.Close(), 0u);
}

// The window's rectangle at the program's next start (empty without a window).
RECT WindowAtNextStart(const ProgramFolder& folder) {
  RunningBrowser b(folder.Exe);
  RECT r{};
  if (b.Window) ::GetWindowRect(b.Window, &r);
  return r;
}

class BrowserWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    gui::ForgetPlacements();
    gui::SetWineRelease(nullptr);
  }
  void TearDown() override {
    gui::ForgetPlacements();
    gui::SetWineRelease(nullptr);
  }
};

}  // namespace

TEST_F(BrowserWindow, CaptionToolbarAndWebViewOptionsAsDesigned) {
  ProgramFolder folder;
  RunningBrowser b(folder.Exe);
  ASSERT_NE(b.Window, nullptr) << "no window";
  std::printf("launch to visible window: %lu ms\n", b.MsToWindow);
  EXPECT_EQ(LumoNarrow(gui::TextOf(b.Window)), "Lumo Web Browser  ");

  for (const wchar_t* caption : {L"<", L">", L"Go", L"Search"})
    EXPECT_NE(b.Button(caption), nullptr) << LumoNarrow(caption);
  ASSERT_NE(b.Combo(), nullptr);
  // The address box has an editable field.
  EXPECT_NE(::FindWindowExW(b.Combo(), nullptr, L"Edit", nullptr), nullptr);
  EXPECT_NE(b.WebView(), nullptr);

  // Toolbar order from left to right, the web view below it.
  const RECT back = gui::ChildRect(b.Window, b.Button(L"<")), fwd = gui::ChildRect(b.Window, b.Button(L">"));
  const RECT go = gui::ChildRect(b.Window, b.Button(L"Go")),
             search = gui::ChildRect(b.Window, b.Button(L"Search"));
  const RECT combo = gui::ChildRect(b.Window, b.Combo()), view = gui::ChildRect(b.Window, b.WebView());
  EXPECT_LT(back.left, fwd.left);
  EXPECT_LT(fwd.left, combo.left);
  EXPECT_LT(combo.left, go.left);
  EXPECT_LT(go.left, search.left);
  EXPECT_GE(view.top, back.bottom);
  EXPECT_EQ(view.left, 0);
  // The address box sits lower than the taller buttons, centred against them.
  EXPECT_GT(combo.top, go.top);
  EXPECT_LT(combo.bottom, go.bottom);

  // The three options of the web view are switched on at load.
  const std::wstring rec = b.Recorded();
  for (const wchar_t* opt :
       {L"option RegisterAsBrowser=1", L"option RegisterAsDropTarget=1", L"option Silent=1"})
    EXPECT_TRUE(Contains(rec, opt)) << LumoNarrow(rec);
  EXPECT_EQ(b.Close(), 0u);
}

TEST_F(BrowserWindow, TitleBarTextNamesTheShop) {
  ProgramFolder folder("TitleBar.Text=Shop One\r\n");
  RunningBrowser b(folder.Exe);
  ASSERT_NE(b.Window, nullptr);
  EXPECT_EQ(LumoNarrow(gui::TextOf(b.Window)), "Shop One - Web Browser  ");
}

// Lumo.cfg as editors save it: Notepad's "Unicode" (UTF-16 with its
// byte-order mark), UTF-16 high byte first, UTF-8 with its mark; a line
// with a NUL byte costs only that line.
TEST_F(BrowserWindow, CaptionFromLumoCfgInEveryEncodingAnEditorSaves) {
  const std::wstring text = std::wstring(L"Junk=\0\r\nTitleBar.Text=Shop \u03A9\u00E9\r\n", 31);
  auto utf16 = [&](bool bBigEndian) {
    std::string b = bBigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const wchar_t c : text) {
      const char lo = static_cast<char>(c & 0xFF), hi = static_cast<char>(c >> 8);
      b.push_back(bBigEndian ? hi : lo);
      b.push_back(bBigEndian ? lo : hi);
    }
    return b;
  };
  const std::string utf8("\xEF\xBB\xBFJunk=\0\r\nTitleBar.Text=Shop \xCE\xA9\xC3\xA9\r\n", 36);
  for (const std::string& bytes : {utf16(false), utf16(true), utf8}) {
    ProgramFolder folder("TitleBar.Text=Own\r\n", bytes);
    RunningBrowser b(folder.Exe);
    ASSERT_NE(b.Window, nullptr);
    EXPECT_EQ(gui::TextOf(b.Window), L"Shop \u03A9\u00E9 - Web Browser  ");
  }
}

TEST_F(BrowserWindow, HomePageGoSearchAndHistory) {
  // The shared file wins over the program's own file.
  ProgramFolder folder("Browser.HomePage=http://own.example/\r\n",
                       "Browser.HomePage=http://Home.example/\r\n");
  RunningBrowser b(folder.Exe);
  ASSERT_NE(b.Window, nullptr);
  b.Settle();
  EXPECT_TRUE(Contains(b.Recorded(), L"navigate http://Home.example/\n")) << LumoNarrow(b.Recorded());
  EXPECT_EQ(LumoNarrow(gui::TextOf(b.Combo())), "http://Home.example/");
  EXPECT_EQ(b.ListCount(), 1);

  // Go navigates to exactly the typed text and does not add it to the list.
  b.Type(L"  example.org/a b ");
  b.Click(b.Button(L"Go"));
  b.Settle();
  EXPECT_TRUE(Contains(b.Recorded(), L"navigate   example.org/a b \n")) << LumoNarrow(b.Recorded());
  EXPECT_EQ(b.ListCount(), 1);

  // Enter in the address box runs Go.
  b.Type(L"enter.example");
  HWND edit = ::FindWindowExW(b.Combo(), nullptr, L"Edit", nullptr);
  ::PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 0);
  ::PostMessageW(edit, WM_KEYUP, VK_RETURN, 0);
  EXPECT_TRUE(LumoWaitFor([&] { return Contains(b.Recorded(), L"navigate enter.example\n"); }))
      << LumoNarrow(b.Recorded());

  // Search turns the typed text into the engine's URL, shown in the box and kept once.
  b.Type(L"disk cleanup");
  b.Click(b.Button(L"Search"));
  b.Settle();
  const std::wstring url = gui::TextOf(b.Combo());
  EXPECT_EQ(url.rfind(L"http://www.google.com/search?q=disk", 0), 0u) << LumoNarrow(url);
  EXPECT_TRUE(Contains(b.Recorded(), L"navigate " + url + L"\n"));
  EXPECT_EQ(b.ListCount(), 2);
  b.Type(L"disk cleanup");
  b.Click(b.Button(L"Search"));
  b.Settle();
  EXPECT_EQ(b.ListCount(), 2);

  // Back and forward reach the web view.
  b.Click(b.Button(L"<"));
  b.Click(b.Button(L">"));
  b.Settle();
  const std::wstring rec = b.Recorded();
  EXPECT_TRUE(Contains(rec, L"\nback\n") && Contains(rec, L"\nforward")) << LumoNarrow(rec);

  // Go and Search with an empty box do nothing.
  const size_t before = b.Recorded().size();
  b.Type(L"");
  b.Click(b.Button(L"Go"));
  b.Click(b.Button(L"Search"));
  b.Settle();
  EXPECT_EQ(b.Recorded().size(), before);
}

TEST_F(BrowserWindow, LayoutFollowsResizeAndMinimiseHidesTheWebView) {
  ProgramFolder folder;
  RunningBrowser b(folder.Exe);
  ASSERT_NE(b.Window, nullptr);
  RECT w0{};
  ::GetWindowRect(b.Window, &w0);
  const RECT go0 = gui::ChildRect(b.Window, b.Button(L"Go"));
  const RECT view0 = gui::ChildRect(b.Window, b.WebView());

  // A fifth wider and a tenth taller (it still fits the 1024 x 768 screen):
  // positions and sizes follow in proportion.
  const int w1 = (w0.right - w0.left) * 6 / 5, h1 = (w0.bottom - w0.top) * 11 / 10;
  ::SetWindowPos(b.Window, nullptr, 0, 0, w1, h1, SWP_NOZORDER | SWP_NOACTIVATE);
  b.Settle();
  const RECT go1 = gui::ChildRect(b.Window, b.Button(L"Go"));
  const RECT view1 = gui::ChildRect(b.Window, b.WebView());
  EXPECT_NEAR(go1.left, go0.left * 1.2, 3.0);
  EXPECT_NEAR(go1.right - go1.left, (go0.right - go0.left) * 1.2, 3.0);
  EXPECT_NEAR(view1.right - view1.left, (view0.right - view0.left) * 1.2, 3.0);
  EXPECT_NEAR(view1.bottom - view1.top, (view0.bottom - view0.top) * 1.1, 3.0);
  EXPECT_TRUE(::IsWindowVisible(b.WebView()));

  ::ShowWindow(b.Window, SW_MINIMIZE);
  b.Settle();
  EXPECT_FALSE(::IsWindowVisible(b.WebView()));
  ::ShowWindow(b.Window, SW_RESTORE);
  b.Settle();
  EXPECT_TRUE(::IsWindowVisible(b.WebView()));
}

TEST_F(BrowserWindow, PlacementComesBackAtTheNextStart) {
  ProgramFolder folder;
  CloseWindowAt(folder, 40, 30, 700, 500);
  const RECT r = WindowAtNextStart(folder);
  EXPECT_EQ(r.left, 40);
  EXPECT_EQ(r.top, 30);
  EXPECT_EQ(r.right - r.left, 700);
  EXPECT_EQ(r.bottom - r.top, 500);
}

TEST_F(BrowserWindow, MaximisedComesBackMaximisedWithItsControlsLaidOut) {
  ProgramFolder folder;
  RECT go0{}, view0{};
  {
    RunningBrowser b(folder.Exe);
    ASSERT_NE(b.Window, nullptr);
    ::ShowWindow(b.Window, SW_MAXIMIZE);
    b.Settle();
    go0 = gui::ChildRect(b.Window, b.Button(L"Go"));
    view0 = gui::ChildRect(b.Window, b.WebView());
    EXPECT_EQ(b.Close(), 0u);
  }
  RunningBrowser again(folder.Exe);
  ASSERT_NE(again.Window, nullptr);
  EXPECT_TRUE(::IsZoomed(again.Window));  // from its first appearance on
  again.Settle();
  EXPECT_TRUE(::IsZoomed(again.Window));
  const RECT go1 = gui::ChildRect(again.Window, again.Button(L"Go"));
  const RECT view1 = gui::ChildRect(again.Window, again.WebView());
  EXPECT_TRUE(::EqualRect(&go0, &go1));
  EXPECT_TRUE(::EqualRect(&view0, &view1));
  EXPECT_TRUE(::IsWindowVisible(again.WebView()));
}

TEST_F(BrowserWindow, ArgumentsSearchInTheOwnWindowAndAServiceStartShowsNothing) {
  ProgramFolder folder("Browser.UseInternal=0\r\n");
  {
    RunningBrowser b(folder.Exe, L"/s=disk cleanup");
    ASSERT_NE(b.Window, nullptr);
    b.Settle();
    const std::wstring url = gui::TextOf(b.Combo());
    EXPECT_EQ(url.rfind(L"http://www.google.com/search?q=disk", 0), 0u) << LumoNarrow(url);
    EXPECT_TRUE(Contains(b.Recorded(), L"navigate " + url + L"\n")) << LumoNarrow(b.Recorded());
  }
  // "$" and one more character: a service start, no window; the process ends by itself.
  RunningBrowser service(folder.Exe, L"$x");
  EXPECT_EQ(service.Window, nullptr);
  EXPECT_TRUE(service.Ended(5000));
}

TEST_F(BrowserWindow, HelpShowsTheUsageAndStartsNothingElse) {
  ProgramFolder folder;
  RunningBrowser b(folder.Exe, L"/?", false, L"#32770");
  ASSERT_NE(b.Window, nullptr) << "no message box";
  std::wstring text;
  for (const gui::Child& c : b.Children()) text += c.Text + L"\n";
  EXPECT_TRUE(Contains(text, L"LumoBrowser.exe /sf=<path>")) << LumoNarrow(text);
  EXPECT_EQ(::FindWindowW(L"LumoForm", nullptr), nullptr);  // no browser window
  ::PostMessageW(b.Window, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(b.Ended());
}

namespace {

// The screen's logical dpi for the programs started next (Wine reads it at
// each process start); 0 restores the default.
void SetLogPixels(DWORD lDpi) {
  LumoKey k;
  k.Create(HKEY_CURRENT_USER, L"Control Panel\\Desktop", KEY_SET_VALUE);
  if (lDpi)
    k.SetDword(L"LogPixels", lDpi);
  else
    ::RegDeleteValueW(k.Get(), L"LogPixels");
}

// The Go button's and the address box's sizes in a fresh start at lDpi.
struct Metrics {
  SIZE go, combo;
};
Metrics MetricsAt(DWORD lDpi) {
  SetLogPixels(lDpi);
  gui::ForgetPlacements();
  ProgramFolder folder;
  RunningBrowser b(folder.Exe);
  if (!b.Window) return {};
  b.Settle();
  const RECT go = gui::ChildRect(b.Window, b.Button(L"Go")), combo = gui::ChildRect(b.Window, b.Combo());
  return {{go.right - go.left, go.bottom - go.top}, {combo.right - combo.left, combo.bottom - combo.top}};
}

}  // namespace

TEST_F(BrowserWindow, TheLayoutAndTheSavedPlacementGrowWithTheScreensDpi) {
  const Metrics base = MetricsAt(96);
  for (const DWORD dpi : {144u, 192u}) {
    const Metrics m = MetricsAt(dpi);
    const auto scaled = [&](LONG v) { return static_cast<LONG>(v * static_cast<LONG>(dpi) / 96); };
    std::printf("[ figures  ] %lu dpi: Go %ldx%ld (96 dpi: %ldx%ld)\n", dpi, m.go.cx, m.go.cy, base.go.cx,
                base.go.cy);
    EXPECT_NEAR(m.go.cx, scaled(base.go.cx), 2) << dpi;
    EXPECT_NEAR(m.go.cy, scaled(base.go.cy), 2) << dpi;
    EXPECT_NEAR(m.combo.cx, scaled(base.combo.cx), 2) << dpi;
  }
  // A placement saved at 96 dpi comes back in proportion at 192.
  SetLogPixels(96);
  gui::ForgetPlacements();
  ProgramFolder folder;
  CloseWindowAt(folder, 20, 20, 400, 300);
  SetLogPixels(192);
  const RECT r = WindowAtNextStart(folder);
  EXPECT_NEAR(r.left, 40, 2);
  EXPECT_NEAR(r.top, 40, 2);
  EXPECT_NEAR(r.right - r.left, 800, 2);
  EXPECT_NEAR(r.bottom - r.top, 600, 2);
  SetLogPixels(0);
}
