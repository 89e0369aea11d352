// Launch modes (module Browser): what one start of the program does with
// its argument string, the preferred-browser choice, the window title and
// the window icon.
//
//   (empty)          the browser window, on the home page ("Browser.HomePage")
//   /s=text          a web search for text, as typed
//   /sp=text         a phrase search: text in one pair of double quotes
//   /sf=path         a file search: the path's last element, in double quotes
//   anything else    the whole string is a URL
//
// Searches and URLs go to the preferred browser ("Browser.UseInternal"):
// 0 this program's window, 1 the system's default browser, anything else
// the portable browser ("Browser.PortablePath", below the kit's tools
// folder) when it is found, else this program's window.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct HWND__;  // a window handle, as <windows.h> declares it

namespace Browser {

// ---- the argument string ----

enum class LaunchMode {
  ShowWindow,    // empty argument string
  Search,        // "/s="
  PhraseSearch,  // "/sp="
  FileSearch,    // "/sf="
  OpenURL,       // anything else
  Help,          // "/?", "-?", "/h", "-h" or "--help" alone: the usage, nothing started
};

struct LaunchArgs {
  LaunchMode Mode = LaunchMode::ShowWindow;
  std::wstring Text;  // the search text to hand on, or the URL
};

// Reads an argument string (surrounding spaces do not count). The prefixes
// are compared case-sensitively ("/S=x" is a URL).
LaunchArgs ParseLaunchArgs(std::wstring_view sArgs);

// ---- the preferred browser ----

// Setting names and the tools folder's registry value.
inline constexpr std::wstring_view kSettingHomePage = L"Browser.HomePage";
inline constexpr std::wstring_view kSettingUseInternal = L"Browser.UseInternal";
inline constexpr std::wstring_view kSettingPortablePath = L"Browser.PortablePath";
inline constexpr std::wstring_view kSettingTitleBarText = L"TitleBar.Text";
inline constexpr std::wstring_view kToolsRegKey = L"SOFTWARE\\LumoTech\\Lumo\\Session\\Paths";
inline constexpr std::wstring_view kToolsRegValue = L"3ptDir";
// The tools folder beside the program's folder when the registry names none.
inline constexpr std::wstring_view kDefaultToolsFolder = L"3rd Party Tools";

// The built-in window icon (an icon group resource of the program).
inline constexpr std::wstring_view kAppIconResName = L"_0001A";

// The full path of the portable browser sPortablePath (a file name or a
// path relative to the tools folder), or "" when it is not found. A path
// whose folders do not exist is searched for once more by its file name.
std::wstring FindPortableBrowser(std::wstring_view sPortablePath);

// Where a URL goes: this program's window and the system's default browser.
// The defaults show the browser window and navigate it, and open the URL
// through the shell. Tests replace them with recorders (the window cannot
// be shown in a test, and the host's default browser must not be started).
struct BrowserRoads {
  bool (*ShowWindow)();
  void (*NavigateTo)(std::wstring_view sURL);
  bool (*OpenDefault)(std::wstring_view sURL, bool bWait, int32_t lShowType);
};
BrowserRoads& Roads();
// The default roads.
BrowserRoads DefaultRoads();

// ---- traced routines ----

// Runs once per start: the window icon, then what the argument string
// (AppEnv().AppInst_CommandLineArgs_String) asks for. Returns without a
// message loop of its own.
void AppMainSub();

// A web search with the preferred browser (show type 3, maximised).
void LumoWebSearch(std::wstring_view sSearchText);

// Opens sURL in the preferred browser. lShowType is a window style (0
// hidden, 1 normal, 2 minimised, 3 maximised, 4 normal without focus, 6
// minimised without focus).
void LumoOpenURL(std::wstring_view sURL, int32_t lShowType);

// "<TitleBar.Text> - Web Browser", or "Lumo Web Browser" without that setting.
std::wstring GetAppTitle();

// Looks for the custom window icon "Logos\applogo.ico" in the configuration
// folder and remembers it when it exists.
void SetupAppLogos();

// Gives the window (and its owner, for the task bar) the custom icon when
// SetupAppLogos found one, else the built-in icon.
void InitFormIcon(HWND__* hWnd);

// What SetupAppLogos remembered.
bool CustomLogoSet();
const std::wstring& CustomLogoPath();

}  // namespace Browser
