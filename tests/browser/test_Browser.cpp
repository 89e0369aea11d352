// Launch modes, the preferred-browser choice, the window title and icon,
// and the plain start that hands a URL to a portable browser.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "browser/App_Common_URLArg.h"
#include "browser/Browser.h"
#include "config/Config_Class.h"
#include "platform/App_Prompts.h"
#include "forms/App_InvForm.h"
#include "forms/Form_Icons.h"
#include "lumo_files.h"
#include "lumo_probe.h"
#include "lumo_test.h"
#include "platform/App_Env.h"
#include "process/App_RunX.h"
#include "registry/App_Registry.h"

using Browser::LaunchMode;

namespace {

// ---- the argument string ----

struct ParseCase {
  const wchar_t* args;
  LaunchMode mode;
  const wchar_t* text;
};

// ---- scratch folders ----

std::wstring ScratchRoot(const wchar_t* sName) {
  wchar_t tmp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, tmp);
  std::wstring dir =
      std::wstring(tmp) + L"lumo_hs_" + sName + L"_" + std::to_wstring(::GetCurrentProcessId());
  LumoRemoveTree(dir);
  ::CreateDirectoryW(dir.c_str(), nullptr);
  return dir;
}

void MakeDirs(const std::wstring& sDir) {
  for (size_t pos = sDir.find(L'\\', 3);; pos = sDir.find(L'\\', pos + 1)) {
    ::CreateDirectoryW(sDir.substr(0, pos).c_str(), nullptr);
    if (pos == std::wstring::npos) break;
  }
}

// A 16x16, 32-bit icon file.
std::string IcoBytes() {
  std::string b;
  auto u8 = [&](unsigned v) { b.push_back(static_cast<char>(v & 0xFF)); };
  auto u16 = [&](unsigned v) {
    u8(v);
    u8(v >> 8);
  };
  auto u32 = [&](unsigned v) {
    u16(v);
    u16(v >> 16);
  };
  const unsigned image = 40 + 16 * 16 * 4 + 16 * 4;
  u16(0);
  u16(1);
  u16(1);  // icon directory, one image
  u8(16);
  u8(16);
  u8(0);
  u8(0);
  u16(1);
  u16(32);
  u32(image);
  u32(22);
  u32(40);
  u32(16);
  u32(32);
  u16(1);
  u16(32);  // header: height counts both masks
  for (int i = 0; i < 6; ++i) u32(0);
  for (int i = 0; i < 16 * 16; ++i) u32(0xFF2080C0);  // opaque colour
  for (int i = 0; i < 16 * 4; ++i) u8(0);             // AND mask: all visible
  return b;
}

// Waits for a file to hold a line (the stand-in browser writes one).
std::string WaitForLine(const std::wstring& sPath, DWORD lTimeoutMS = 20000) {
  LumoWaitFor([&] { return LumoReadBytes(sPath).find('\n') != std::string::npos; }, lTimeoutMS);
  return LumoReadBytes(sPath);
}

std::string Utf8(const std::wstring& s) {
  const int n =
      ::WideCharToMultiByte(CP_UTF8, 0, s.c_str(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, s.c_str(), static_cast<int>(s.size()), out.data(), n, nullptr, nullptr);
  return out;
}

// ---- where URLs went ----

struct RoadLog {
  std::vector<std::wstring> events;
};
RoadLog g_roads;

bool RecordShow() {
  g_roads.events.push_back(L"show");
  return true;
}
void RecordNavigate(std::wstring_view sURL) {
  g_roads.events.push_back(L"navigate:" + std::wstring(sURL));
}
bool RecordDefault(std::wstring_view sURL, bool bWait, int32_t lShowType) {
  g_roads.events.push_back(L"default:" + std::wstring(sURL) + L"|" + (bWait ? L"wait" : L"nowait") + L"|" +
                           std::to_wstring(lShowType));
  return true;
}

const wchar_t* const kSettings[] = {L"Browser.HomePage", L"Browser.UseInternal", L"Browser.PortablePath",
                                    L"TitleBar.Text",    L"SearchEngine.Name",   L"SearchEngine.URL"};

class BrowserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dbg.Reset();
    const App_Env& env = AppEnv();
    saved = {env.AppPath, env.AppPathBS, env.AppPath_Config, env.AppPathBS_Config,
             env.AppInst_CommandLineArgs_String};
    for (const wchar_t* k : kSettings) Cfg().WipeSetting(k, -1, true);
    g_roads.events.clear();
    Browser::Roads() = {RecordShow, RecordNavigate, RecordDefault};
    App_Registry::KillRegValueCode(hkeyLocalMachine, Browser::kToolsRegKey, Browser::kToolsRegValue);
  }
  void TearDown() override {
    Browser::Roads() = Browser::DefaultRoads();
    for (const wchar_t* k : kSettings) Cfg().WipeSetting(k, -1, true);
    App_Registry::KillRegValueCode(hkeyLocalMachine, Browser::kToolsRegKey, Browser::kToolsRegValue);
    App_Env& env = AppEnv();
    env.AppPath = saved[0];
    env.AppPathBS = saved[1];
    env.AppPath_Config = saved[2];
    env.AppPathBS_Config = saved[3];
    env.AppInst_CommandLineArgs_String = saved[4];
  }
  void RunWithArgs(const std::wstring& sArgs) {
    AppEnv().AppInst_CommandLineArgs_String = sArgs;
    g_roads.events.clear();
    Browser::AppMainSub();
  }
  // A kit: <root>\kit\LumoBrowser is the program's folder, tools beside it.
  std::wstring PrepareKit(const wchar_t* sName) {
    root = ScratchRoot(sName);
    const std::wstring app = root + L"\\kit\\LumoBrowser";
    MakeDirs(app);
    AppEnv().AppPath = app;
    AppEnv().AppPathBS = app + L"\\";
    return root + L"\\kit\\3rd Party Tools";
  }
  // Copies the stand-in browser to sDir\sName.
  static bool PlaceStandIn(const std::wstring& sDir, const wchar_t* sName) {
    MakeDirs(sDir);
    return ::CopyFileW((LumoTestDir() + L"probe_urlsink.exe").c_str(), (sDir + L"\\" + sName).c_str(),
                       FALSE) != 0;
  }

  LumoDebugFixtureState dbg;
  std::vector<std::wstring> saved;  // the environment fields the tests change
  std::wstring root;
};

const wchar_t kGoogle[] = L"http://www.google.com/search?q=";

}  // namespace

TEST(LaunchArgs, PrefixesQuotesAndPathElements) {
  const ParseCase cases[] = {
      {L"", LaunchMode::ShowWindow, L""},
      {L"    ", LaunchMode::ShowWindow, L""},
      // Plain search: the text as typed, quotes included.
      {L"/s=disk cleanup", LaunchMode::Search, L"disk cleanup"},
      {L"/s=", LaunchMode::Search, L""},
      {L"/s=\"a b\"", LaunchMode::Search, L"\"a b\""},
      {L"/s==x", LaunchMode::Search, L"=x"},
      // Phrase search: every wrapping quote goes, one pair comes back.
      {L"/sp=disk cleanup", LaunchMode::PhraseSearch, L"\"disk cleanup\""},
      {L"/sp=\"\"\"word\"\"\"", LaunchMode::PhraseSearch, L"\"word\""},
      {L"/sp=\"left", LaunchMode::PhraseSearch, L"\"left\""},
      {L"/sp=", LaunchMode::PhraseSearch, L"\"\""},
      {L"/sp=\"\"", LaunchMode::PhraseSearch, L"\"\""},
      {L"/sp=\"", LaunchMode::PhraseSearch, L"\"\"\""},  // one quote alone is kept
      {L"/sp=a \"b\" c", LaunchMode::PhraseSearch, L"\"a \"b\" c\""},
      // File search: the last path element.
      {L"/sf=\"C:\\Windows\\System32\\svchost.exe\"", LaunchMode::FileSearch, L"\"svchost.exe\""},
      {L"/sf=C:\\Program Files\\Tools\\", LaunchMode::FileSearch, L"\"Tools\""},
      {L"/sf=\"C:\\Program Files\\Tools\\\"", LaunchMode::FileSearch, L"\"Tools\""},
      {L"/sf=C:\\dir\\  spaced.txt", LaunchMode::FileSearch, L"\"spaced.txt\""},
      {L"/sf=plain.txt", LaunchMode::FileSearch, L"\"plain.txt\""},
      {L"/sf=C:\\", LaunchMode::FileSearch, L"\"C:\""},
      {L"/sf=", LaunchMode::FileSearch, L"\"\""},
      // Anything else, upper-case prefixes included, is a URL kept whole.
      {L"/S=x", LaunchMode::OpenURL, L"/S=x"},
      {L"/SP=x", LaunchMode::OpenURL, L"/SP=x"},
      {L"/s x", LaunchMode::OpenURL, L"/s x"},
      {L"http://example.com/?a=\"b\"", LaunchMode::OpenURL, L"http://example.com/?a=\"b\""},
      {L"\"www.example.com\"", LaunchMode::OpenURL, L"\"www.example.com\""},
      // One argument quoted the standard way: its prefix counts, unquoted.
      {L"\"/s=disk cleanup\"", LaunchMode::Search, L"disk cleanup"},
      {L"\"/sp=\\\"disk cleanup\\\"\"", LaunchMode::PhraseSearch, L"\"disk cleanup\""},
      {L"\"/sf=C:\\dir\\a b.txt\"", LaunchMode::FileSearch, L"\"a b.txt\""},
      // More than one argument, or not a search: the raw rules.
      {L"\"/s=a\" \"b\"", LaunchMode::OpenURL, L"\"/s=a\" \"b\""},
      {L"\"/S=x\"", LaunchMode::OpenURL, L"\"/S=x\""},
      // Asking for the usage, in any spelling and case; nothing more may follow.
      {L"/?", LaunchMode::Help, L""},
      {L" -? ", LaunchMode::Help, L""},
      {L"/H", LaunchMode::Help, L""},
      {L"-h", LaunchMode::Help, L""},
      {L"--Help", LaunchMode::Help, L""},
      {L"/help", LaunchMode::OpenURL, L"/help"},
      {L"/? x", LaunchMode::OpenURL, L"/? x"},
  };
  for (const ParseCase& c : cases) {
    const Browser::LaunchArgs r = Browser::ParseLaunchArgs(c.args);
    EXPECT_EQ(static_cast<int>(r.Mode), static_cast<int>(c.mode)) << c.args;
    EXPECT_EQ(r.Text, c.text) << c.args;
  }
}

TEST_F(BrowserTest, AppTitleUsesTheTitleBarText) {
  EXPECT_EQ(Browser::GetAppTitle(), L"Lumo Web Browser");
  Cfg().SetString(L"TitleBar.Text", L"Joe's PC Shop");
  EXPECT_EQ(Browser::GetAppTitle(), L"Joe's PC Shop - Web Browser");
}

TEST_F(BrowserTest, CustomLogoIsFoundOnlyWhenTheFileExists) {
  const std::wstring cfg = ScratchRoot(L"cfg");
  AppEnv().AppPath_Config = cfg;
  AppEnv().AppPathBS_Config = cfg + L"\\";

  Browser::SetupAppLogos();
  EXPECT_FALSE(Browser::CustomLogoSet());
  EXPECT_EQ(Browser::CustomLogoPath(), L"");

  MakeDirs(cfg + L"\\Logos");
  ASSERT_TRUE(LumoWriteBytes(cfg + L"\\Logos\\applogo.ico", IcoBytes()));
  Browser::SetupAppLogos();
  EXPECT_TRUE(Browser::CustomLogoSet());
  EXPECT_EQ(Browser::CustomLogoPath(), cfg + L"\\Logos\\applogo.ico");

  // The window gets that icon.
  WNDCLASSW wc{};
  wc.lpfnWndProc = ::DefWindowProcW;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"LumoHsLogoTest";
  ::RegisterClassW(&wc);
  HWND owner = ::CreateWindowExW(0, wc.lpszClassName, L"owner", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                 nullptr, wc.hInstance, nullptr);
  if (owner == nullptr) GTEST_SKIP() << "no window station for windows here";
  HWND wnd = ::CreateWindowExW(0, wc.lpszClassName, L"form", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, owner,
                               nullptr, wc.hInstance, nullptr);
  ASSERT_NE(wnd, nullptr);
  Browser::InitFormIcon(wnd);
  EXPECT_NE(::SendMessageW(wnd, WM_GETICON, ICON_BIG, 0), 0);
  EXPECT_NE(::SendMessageW(wnd, WM_GETICON, ICON_SMALL, 0), 0);
  EXPECT_NE(::SendMessageW(owner, WM_GETICON, ICON_BIG, 0), 0);
  ::DestroyWindow(wnd);
  ::DestroyWindow(owner);
  LumoRemoveTree(cfg);
}

TEST_F(BrowserTest, IconsFromFileAndResourceReachTheWindowAndItsOwner) {
  const std::wstring dir = ScratchRoot(L"icon");
  // A name outside the ANSI code page: the wide load keeps it.
  const std::wstring ico = dir + L"\\logo \u0416\u4e2d.ico";
  ASSERT_TRUE(LumoWriteBytes(ico, IcoBytes()));

  WNDCLASSW wc{};
  wc.lpfnWndProc = ::DefWindowProcW;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"LumoHsIconTest";
  ::RegisterClassW(&wc);
  auto make = [&](HWND hOwner) {
    return ::CreateWindowExW(0, wc.lpszClassName, L"t", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, hOwner, nullptr,
                             wc.hInstance, nullptr);
  };
  HWND owner = make(nullptr);
  if (owner == nullptr) GTEST_SKIP() << "no window station for windows here";
  HWND wnd = make(owner);
  ASSERT_NE(wnd, nullptr);
  auto icon = [](HWND h, WPARAM which) { return ::SendMessageW(h, WM_GETICON, which, 0); };

  // Without the application flag the owner is left alone.
  EXPECT_TRUE(Form_Icons::SetIconFromFile(wnd, ico, false));
  EXPECT_NE(icon(wnd, ICON_BIG), 0);
  EXPECT_NE(icon(wnd, ICON_SMALL), 0);
  EXPECT_EQ(icon(owner, ICON_BIG), 0);
  EXPECT_EQ(icon(owner, ICON_SMALL), 0);

  // With it the owner gets both sizes too.
  EXPECT_TRUE(Form_Icons::SetIconFromFile(wnd, ico, true));
  EXPECT_NE(icon(owner, ICON_BIG), 0);
  EXPECT_NE(icon(owner, ICON_SMALL), 0);

  // A missing file or resource changes nothing and says so.
  HWND bare = make(nullptr);
  EXPECT_FALSE(Form_Icons::SetIconFromFile(bare, dir + L"\\missing.ico", true));
  EXPECT_FALSE(Form_Icons::SetIconFromRes(bare, L"NO_SUCH_ICON_RESOURCE", true));
  EXPECT_EQ(icon(bare, ICON_BIG), 0);
  EXPECT_EQ(icon(bare, ICON_SMALL), 0);
  EXPECT_TRUE(LumoLogHas(L"LoadImageW"));

  ::DestroyWindow(bare);
  ::DestroyWindow(wnd);
  ::DestroyWindow(owner);
  LumoRemoveTree(dir);
}

TEST_F(BrowserTest, NoArgumentsShowsTheWindowOnTheHomePage) {
  RunWithArgs(L"");
  EXPECT_EQ(g_roads.events, (std::vector<std::wstring>{L"show"}));

  Cfg().SetString(L"Browser.HomePage", L"http://home.example/");
  RunWithArgs(L"");
  EXPECT_EQ(g_roads.events, (std::vector<std::wstring>{L"show", L"navigate:http://home.example/"}));
}

TEST_F(BrowserTest, SearchesBuildTheEngineURLAndGoToTheChosenBrowser) {
  // Nothing configured: this program's window.
  RunWithArgs(L"/s=disk cleanup");
  EXPECT_EQ(g_roads.events,
            (std::vector<std::wstring>{L"show", std::wstring(L"navigate:") + kGoogle + L"disk%20cleanup"}));

  // "/s=" alone: the bare prefix.
  RunWithArgs(L"/s=");
  EXPECT_EQ(g_roads.events, (std::vector<std::wstring>{L"show", std::wstring(L"navigate:") + kGoogle}));

  // A file search: the file name in quotes, nothing of its folders.
  Cfg().SetString(L"Browser.UseInternal", L"0");
  RunWithArgs(L"/sf=\"C:\\Users\\Bob\\Windows\\System32\\svchost.exe\"");
  EXPECT_EQ(g_roads.events, (std::vector<std::wstring>{
                                L"show", std::wstring(L"navigate:") + kGoogle + L"%22svchost.exe%22"}));

  // The system's default browser, maximised, no wait.
  Cfg().SetString(L"Browser.UseInternal", L"1");
  Cfg().SetString(L"SearchEngine.Name", L"DuckDuckGo");
  RunWithArgs(L"/sp=\"\"\"word\"\"\"");
  EXPECT_EQ(g_roads.events,
            (std::vector<std::wstring>{L"default:https://duckduckgo.com/?q=%22word%22|nowait|3"}));
}

TEST_F(BrowserTest, OtherArgumentsAreOpenedAsTheyAre) {
  RunWithArgs(L"/S=x");
  EXPECT_EQ(g_roads.events, (std::vector<std::wstring>{L"show", L"navigate:/S=x"}));

  Cfg().SetString(L"Browser.UseInternal", L"1");
  RunWithArgs(L"\"http://example.com/a b\"");
  EXPECT_EQ(g_roads.events, (std::vector<std::wstring>{L"default:\"http://example.com/a b\"|nowait|3"}));

  // Not numeric counts as absent (-1): no portable browser, so the window.
  Cfg().SetString(L"Browser.UseInternal", L"yes");
  RunWithArgs(L"example.com");
  EXPECT_EQ(g_roads.events, (std::vector<std::wstring>{L"show", L"navigate:example.com"}));
}

TEST_F(BrowserTest, PortableBrowserIsFoundBelowTheToolsFolder) {
  const std::wstring tools = PrepareKit(L"find");
  ASSERT_TRUE(PlaceStandIn(tools + L"\\Other", L"x.exe"));

  EXPECT_EQ(Browser::FindPortableBrowser(L"Other\\x.exe"), tools + L"\\Other\\x.exe");
  EXPECT_EQ(Browser::FindPortableBrowser(L"x.exe"), tools + L"\\Other\\x.exe");
  // Folders that do not exist: found again by the bare file name.
  EXPECT_EQ(Browser::FindPortableBrowser(L"Sub\\Missing\\x.exe"), tools + L"\\Other\\x.exe");
  EXPECT_EQ(Browser::FindPortableBrowser(L"nothere.exe"), L"");
  EXPECT_EQ(Browser::FindPortableBrowser(L""), L"");

  // The registry value names the tools folder when it is set.
  const std::wstring other = root + L"\\elsewhere";
  ASSERT_TRUE(PlaceStandIn(other + L"\\Deep", L"y.exe"));
  ASSERT_TRUE(App_Registry::RegWriteValue(hkeyLocalMachine, Browser::kToolsRegKey, Browser::kToolsRegValue,
                                          App_Registry::REGTYPE_SZ, App_Variant(other + L"\\")));
  EXPECT_EQ(Browser::FindPortableBrowser(L"y.exe"), other + L"\\Deep\\y.exe");
  EXPECT_EQ(Browser::FindPortableBrowser(L"x.exe"), L"");

  // A tools folder that does not exist: no portable browser.
  ASSERT_TRUE(App_Registry::RegWriteValue(hkeyLocalMachine, Browser::kToolsRegKey, Browser::kToolsRegValue,
                                          App_Registry::REGTYPE_SZ, App_Variant(root + L"\\none")));
  EXPECT_EQ(Browser::FindPortableBrowser(L"y.exe"), L"");
  LumoRemoveTree(root);
}

TEST_F(BrowserTest, PortableBrowserGetsTheQuotedURL) {
  const std::wstring tools = PrepareKit(L"portable");
  ASSERT_TRUE(PlaceStandIn(tools + L"\\Other", L"x.exe"));
  const std::wstring log = tools + L"\\Other\\urlsink.log";

  Cfg().SetString(L"Browser.UseInternal", L"2");
  Cfg().SetString(L"Browser.PortablePath", L"Sub\\Missing\\x.exe");
  Browser::LumoOpenURL(L"http://example.com/a b", 3);
  const std::string line = WaitForLine(log);
  EXPECT_NE(line.find(Utf8(L"3rd Party Tools\\Other\\x.exe\" \"http://example.com/a b\"")), std::string::npos)
      << line;
  EXPECT_TRUE(g_roads.events.empty());

  // A search through the same road: the whole search URL, quoted once.
  ::DeleteFileW(log.c_str());
  RunWithArgs(L"/s=\"already quoted\"");
  const std::string search = WaitForLine(log);
  EXPECT_NE(search.find("x.exe\" \"http://www.google.com/search?q=%22already%20quoted%22\""),
            std::string::npos)
      << search;
  EXPECT_TRUE(g_roads.events.empty());

  // 0 keeps this program's window even with a portable browser at hand.
  Cfg().SetString(L"Browser.UseInternal", L"0");
  RunWithArgs(L"http://zero.example/");
  EXPECT_EQ(g_roads.events, (std::vector<std::wstring>{L"show", L"navigate:http://zero.example/"}));

  // 2 without a portable path: this program's window.
  Cfg().SetString(L"Browser.UseInternal", L"2");
  Cfg().WipeSetting(L"Browser.PortablePath", -1, true);
  RunWithArgs(L"http://two.example/");
  EXPECT_EQ(g_roads.events, (std::vector<std::wstring>{L"show", L"navigate:http://two.example/"}));

  ::Sleep(300);  // let the stand-in finish writing and exit
  LumoRemoveTree(root);
}

TEST(QuoteURL, WrapsOnlyWhatIsNotWrapped) {
  EXPECT_EQ(App_Common::QuoteURL(L""), L"\"\"");
  EXPECT_EQ(App_Common::QuoteURL(L"http://a/"), L"\"http://a/\"");
  EXPECT_EQ(App_Common::QuoteURL(L"\"http://a/\""), L"\"http://a/\"");
  // A quote that wraps nothing is part of the URL, so it is encoded.
  EXPECT_EQ(App_Common::QuoteURL(L"\"http://a/"), L"\"%22http://a/\"");
  EXPECT_EQ(App_Common::QuoteURL(L"\""), L"\"%22\"");
}

// ---- the hand-off: what the other browser receives ----

struct HandOffCase {
  const wchar_t* url;
  const wchar_t* arg;  // the one argument the browser must see
};
const HandOffCase kHandOffs[] = {
    {L"http://example.com/a b", L"http://example.com/a b"},
    {L"http://x/?q=\" --user-data-dir=C:\\evil \"x", L"http://x/?q=%22 --user-data-dir=C:\\evil %22x"},
    {L"\"http://a/p\" --new-window \"http://evil/\"", L"http://a/p%22 --new-window %22http://evil/"},
    {L"\"C:\\Temp\\\"", L"C:\\Temp\\"},
    {L"C:\\Temp\\\\", L"C:\\Temp\\\\"},
    {L"http://www.google.com/search?q=%22a%20b%22", L"http://www.google.com/search?q=%22a%20b%22"},
    {L"\"", L"%22"},
};

// The arguments the stand-in recorded, one per line; waits for them.
std::vector<std::string> WaitForArgs(const std::wstring& sPath) {
  // The sink creates its file before it writes: wait for the last line's end.
  std::string all;
  LumoWaitFor(
      [&] {
        all = LumoReadBytes(sPath);
        return !all.empty() && all.back() == '\n';
      },
      20000);
  std::vector<std::string> args;
  std::string cur;
  for (char c : all) {
    if (c == '\n') {
      args.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  return args;
}

TEST_F(BrowserTest, PortableBrowserGetsEveryURLAsExactlyOneArgument) {
  const std::wstring tools = PrepareKit(L"onearg");
  ASSERT_TRUE(PlaceStandIn(tools, L"x.exe"));
  const std::wstring args = tools + L"\\urlsink.args";
  Cfg().SetString(L"Browser.PortablePath", L"x.exe");
  for (const HandOffCase& c : kHandOffs) {
    ::DeleteFileW(args.c_str());
    Browser::LumoOpenURL(c.url, 3);
    EXPECT_EQ(WaitForArgs(args), std::vector<std::string>{Utf8(c.arg)}) << Utf8(c.url);
  }
  EXPECT_TRUE(g_roads.events.empty());
  ::Sleep(300);
  LumoRemoveTree(root);
}

// The default-browser road through the real shell: a URL scheme of the
// test's own, registered to the stand-in the way browsers register theirs.
TEST_F(BrowserTest, DefaultBrowserGetsEveryURLAsExactlyOneArgument) {
  const std::wstring tools = PrepareKit(L"default");
  ASSERT_TRUE(PlaceStandIn(tools, L"x.exe"));
  const std::wstring args = tools + L"\\urlsink.args";
  const std::wstring scheme = L"Software\\Classes\\lumotest";
  ASSERT_TRUE(App_Registry::RegWriteValue(hkeyLocalMachine, scheme, L"URL Protocol", App_Registry::REGTYPE_SZ,
                                          App_Variant(L"")));
  ASSERT_TRUE(App_Registry::RegWriteValue(hkeyLocalMachine, scheme + L"\\shell\\open\\command", L"",
                                          App_Registry::REGTYPE_SZ,
                                          App_Variant(L"\"" + tools + L"\\x.exe\" \"%1\"")));
  Browser::Roads() = Browser::DefaultRoads();
  Cfg().SetString(L"Browser.UseInternal", L"1");
  const HandOffCase cases[] = {
      {L"lumotest://x/?q=\" --user-data-dir=C:\\evil \"x",
       L"lumotest://x/?q=%22 --user-data-dir=C:\\evil %22x"},
      {L"\"lumotest://a/p\" --new-window \"http://evil/\"",
       L"lumotest://a/p%22 --new-window %22http://evil/"},
      {L"lumotest://a/b c", L"lumotest://a/b c"},
  };
  for (const HandOffCase& c : cases) {
    ::DeleteFileW(args.c_str());
    Browser::LumoOpenURL(c.url, 3);
    EXPECT_EQ(WaitForArgs(args), std::vector<std::string>{Utf8(c.arg)}) << Utf8(c.url);
  }
  bool bNotFound = false;
  int32_t lErr = 0;
  App_Registry::KillRegKey(hkeyLocalMachine, scheme, bNotFound, lErr);
  ::Sleep(300);
  LumoRemoveTree(root);
}

TEST_F(BrowserTest, AServiceStartStartsNoBrowser) {
  // The system's default browser chosen: nothing reaches it.
  Cfg().SetString(L"Browser.UseInternal", L"1");
  RunWithArgs(L"$service");
  EXPECT_TRUE(g_roads.events.empty());

  // A portable browser at hand: it is not started.
  const std::wstring tools = PrepareKit(L"service");
  ASSERT_TRUE(PlaceStandIn(tools, L"x.exe"));
  Cfg().SetString(L"Browser.UseInternal", L"2");
  Cfg().SetString(L"Browser.PortablePath", L"x.exe");
  RunWithArgs(L"$service http://a/");
  ::Sleep(1000);
  EXPECT_EQ(::GetFileAttributesW((tools + L"\\urlsink.log").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(g_roads.events.empty());
  EXPECT_TRUE(LumoLogHas(L"Service start: no window and no browser"));

  // "$" alone is not a service start.
  Cfg().SetString(L"Browser.UseInternal", L"0");
  RunWithArgs(L"$");
  EXPECT_EQ(g_roads.events, (std::vector<std::wstring>{L"show", L"navigate:$"}));
  LumoRemoveTree(root);
}

TEST_F(BrowserTest, TheUsageIsShownAndNothingStarted) {
  std::vector<std::wstring> boxes;
  App_Prompts::SetMsgBoxSink([&](std::wstring_view sMessage, std::wstring_view, uint32_t) {
    boxes.emplace_back(sMessage);
    return IDOK;
  });
  RunWithArgs(L"--help");
  App_Prompts::SetMsgBoxSink({});
  EXPECT_TRUE(g_roads.events.empty());
  ASSERT_EQ(boxes.size(), 1u);
  // The text of docs/command-line.txt, each form with its example.
  for (const wchar_t* line : {L"LumoBrowser.exe /s=<text>\r\n",
                              L"Example:  LumoBrowser.exe /s=disk cleanup\r\n", L"LumoBrowser.exe /?\r\n"})
    EXPECT_NE(boxes[0].find(line), std::wstring::npos) << Utf8(line);
}

TEST_F(BrowserTest, OwnWindowOpensAQuotedURLWithoutItsQuotes) {
  RunWithArgs(L"\"http://example.com/a b\"");
  EXPECT_EQ(g_roads.events, (std::vector<std::wstring>{L"show", L"navigate:http://example.com/a b"}));
}
