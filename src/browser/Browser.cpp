// Launch modes (module Browser).
#include "browser/Browser.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "browser/App_Common_OpenURL.h"
#include "browser/App_Common_URLArg.h"
#include "browser/BrowserUI.h"
#include "browser/LumoWebBrowserEx.h"
#include "config/Config_Class.h"
#include "diag/App_Trace.h"
#include "forms/Form_Icons.h"
#include "fs/App_FileSystem.h"
#include "fs/App_FindFile.h"
#include "platform/App_CommandLine.h"
#include "platform/App_Env.h"
#include "platform/App_Prompts.h"
#include "process/App_RunX.h"
#include "registry/App_Registry.h"
#include "util/App_Strings.h"
#include "util/App_Variables.h"
// Generated from docs/command-line.txt at build time.
#include "lumo_usage.h"

namespace Browser {

namespace {

constexpr std::wstring_view kModule = L"Browser";
constexpr int32_t kShowMaximized = 3;

// The custom window icon, as SetupAppLogos found it.
bool g_bCustomLogo = false;
std::wstring g_sCustomLogoPath;

bool DefaultShowWindow() {
  return BrowserUI::Show();
}
void DefaultNavigateTo(std::wstring_view sURL) {
  BrowserUI::NavigateToURL(sURL);
}

BrowserRoads& RoadsStorage() {
  static BrowserRoads roads = DefaultRoads();
  return roads;
}

// The kit's tools folder: the registry value, else "3rd Party Tools"
// beside the program's folder.
std::wstring ToolsFolder() {
  App_Variant v;
  App_Registry::RegReadValue(hkeyLocalMachine, kToolsRegKey, kToolsRegValue, App_Registry::REGTYPE_SZ,
                             App_Variant(L""), v);
  std::wstring sDir = v.AsString();
  // "C:\Kit\Tools\" and "C:\Kit\Tools" name the same folder; the file's
  // path is built with one backslash.
  while (!sDir.empty() && sDir.back() == L'\\') sDir.pop_back();
  if (!sDir.empty()) return sDir;
  const std::wstring& sAppPath = AppEnv().AppPath;
  const size_t slash = sAppPath.rfind(L'\\');
  std::wstring sParent = slash == std::wstring::npos ? std::wstring() : sAppPath.substr(0, slash);
  sParent.erase(sParent.find_last_not_of(L' ') + 1);
  return sParent + L"\\" + std::wstring(kDefaultToolsFolder);
}

}  // namespace

BrowserRoads DefaultRoads() {
  return {DefaultShowWindow, DefaultNavigateTo, App_Common::OpenURL};
}

BrowserRoads& Roads() {
  return RoadsStorage();
}

std::wstring FindPortableBrowser(std::wstring_view sPortablePath) {
  App_Trace t(kModule, L"FindPortableBrowser");
  t.Vars(vkPassedByVal, {L"sPortablePath", sPortablePath});
  std::wstring sFile;
  t.Step([&] {
    if (sPortablePath.empty()) return;
    const std::wstring sDir = ToolsFolder();
    t.Vars(vkCreated, {L"sDir", sDir});
    if (!App_FileSystem::DirExist(sDir)) return;
    const std::wstring sDirect = sDir + L"\\" + std::wstring(sPortablePath);
    if (App_FileSystem::FileExist(sDirect)) {
      sFile = sDirect;
      return;
    }
    int32_t lFound = 0;
    std::wstring sFound;
    sFile = App_FilePath::FindFileInPath(sPortablePath, sDir, -1, 2, lFound, sFound);
    const size_t slash = sPortablePath.rfind(L'\\');
    if (sFile.empty() && slash != std::wstring_view::npos)
      sFile = App_FilePath::FindFileInPath(sPortablePath.substr(slash + 1), sDir, -1, 2, lFound, sFound);
  });
  t.Vars(vkFunctionReturn, {sFile});
  return sFile;
}

void AppMainSub() {
  App_Trace t(kModule, L"AppMainSub", ptSub);
  t.Step([&] { SetupAppLogos(); });
  // A service start shows nothing and hands nothing to any browser.
  if (App_Common::HasServiceArgs() || App_Common::IsServiceArgs(AppEnv().AppInst_CommandLineArgs_String)) {
    t.Log(L"Service start: no window and no browser", evNormal,
          pVar(L"sArgs", AppEnv().AppInst_CommandLineArgs_String));
    return;
  }
  LaunchArgs args;
  t.Step([&] { args = ParseLaunchArgs(AppEnv().AppInst_CommandLineArgs_String); });
  t.Vars(vkCreated, {L"sArgs", AppEnv().AppInst_CommandLineArgs_String, L"lMode",
                     static_cast<int32_t>(args.Mode), L"sText", args.Text});
  switch (args.Mode) {
    case LaunchMode::ShowWindow: {
      t.Step([&] { Roads().ShowWindow(); });
      std::wstring sHome;
      t.Step([&] { sHome = Cfg().GetString(kSettingHomePage); });
      if (!sHome.empty()) t.Step([&] { Roads().NavigateTo(sHome); });
      break;
    }
    case LaunchMode::Search:
    case LaunchMode::PhraseSearch:
    case LaunchMode::FileSearch:
      t.Step([&] { LumoWebSearch(args.Text); });
      break;
    case LaunchMode::OpenURL:
      t.Step([&] { LumoOpenURL(args.Text, kShowMaximized); });
      break;
    case LaunchMode::Help:
      t.Step([&] { App_Prompts::ShowMsg(kCommandLineUsage); });
      break;
  }
}

void LumoWebSearch(std::wstring_view sSearchText) {
  App_Trace t(kModule, L"LumoWebSearch", ptSub);
  t.Vars(vkPassedByVal, {L"sSearchText", sSearchText});
  std::wstring sURL;
  t.Step([&] {
    std::wstring sEngine;
    sURL = LumoWebBrowserEx::GetSearchEngineURL(sEngine);
  });
  t.Step([&] {
    sURL += LumoWebBrowserEx::EncodeStringToURL(LumoWebBrowserEx::WebSearchFileFilter(sSearchText));
  });
  t.Vars(vkCreated, {L"sURL", sURL});
  t.Step([&] { LumoOpenURL(sURL, kShowMaximized); });
}

void LumoOpenURL(std::wstring_view sURL, int32_t lShowType) {
  App_Trace t(kModule, L"LumoOpenURL", ptSub);
  t.Vars(vkPassedByVal, {L"sURL", sURL, L"lShowType", lShowType});
  if (App_Common::HasServiceArgs()) {
    t.Log(L"Service start: the URL goes to no browser", evNormal, pVar(L"sURL", sURL));
    return;
  }
  std::wstring sBrowser;
  t.Step([&] {
    const std::wstring sPortable = Cfg().GetString(kSettingPortablePath);
    if (!sPortable.empty()) sBrowser = FindPortableBrowser(sPortable);
  });
  int32_t lUseInternal = -1;
  t.Step([&] { lUseInternal = Cfg().GetLong(kSettingUseInternal, true); });
  t.Vars(vkCreated, {L"sBrowser", sBrowser, L"lUseInternal", lUseInternal});

  enum class Road { Window, Default, Portable };
  Road road = Road::Window;
  if (lUseInternal == 1)
    road = Road::Default;
  else if (lUseInternal != 0 && !sBrowser.empty())
    road = Road::Portable;

  switch (road) {
    case Road::Default:
      t.Step([&] { Roads().OpenDefault(sURL, false, lShowType); });
      break;
    case Road::Portable:
      t.Step([&] {
        uint32_t lPID = 0, lExitCode = 0;
        App_RunX::ShellPlain(sBrowser, App_Common::QuoteURL(sURL), false,
                             App_RunX::StyleToShowWindowConstant(lShowType), 0, lPID, lExitCode);
      });
      break;
    case Road::Window:
      t.Step([&] { Roads().ShowWindow(); });
      // A URL wrapped in quotes is opened without them.
      t.Step([&] { Roads().NavigateTo(App_Strings::UnwrapQuotes(sURL)); });
      break;
  }
}

std::wstring GetAppTitle() {
  App_Trace t(kModule, L"GetAppTitle");
  std::wstring sTitle = L"Lumo Web Browser";
  t.Step([&] {
    const std::wstring sText = Cfg().GetString(kSettingTitleBarText);
    if (!sText.empty()) sTitle = sText + L" - Web Browser";
  });
  t.Vars(vkFunctionReturn, {sTitle});
  return sTitle;
}

void SetupAppLogos() {
  App_Trace t(kModule, L"SetupAppLogos", ptSub);
  t.Step([&] {
    const std::wstring sLogo = AppEnv().AppPathBS_Config + L"Logos" + L"\\" + L"applogo.ico";
    if (App_FileSystem::FileExist(sLogo)) {
      g_sCustomLogoPath = sLogo;
      g_bCustomLogo = true;
    }
    t.Vars(vkCreated, {L"sLogo", sLogo, L"bCustomLogo", g_bCustomLogo});
  });
}

// The window class carries the same icon, so that the window's own icons
// are the images already loaded for it.
static_assert(kAppIconResName == Form_Icons::kProgramIconName, "one built-in icon");

void InitFormIcon(HWND__* hWnd) {
  App_Trace t(kModule, L"InitFormIcon", ptSub);
  t.Vars(vkPassedByVal, {L"bCustomLogo", g_bCustomLogo, L"sCustomLogoPath", g_sCustomLogoPath});
  t.Step([&] {
    if (g_bCustomLogo)
      Form_Icons::SetIconFromFile(hWnd, g_sCustomLogoPath, true);
    else
      Form_Icons::SetIconFromRes(hWnd, kAppIconResName, true);
  });
}

bool CustomLogoSet() {
  return g_bCustomLogo;
}
const std::wstring& CustomLogoPath() {
  return g_sCustomLogoPath;
}

}  // namespace Browser
