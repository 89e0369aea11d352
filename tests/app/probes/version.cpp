// Runs the Windows release detection and prints what it found, one
// "name=value" per line, for the tests that switch Wine's Windows release.
#include <windows.h>

#include <cstdio>
#include <string>

#include "app/App_Common.h"
#include "app/App_Common_Version.h"
#include "platform/App_Env.h"

int wmain() {
  App_Common::InitApp(false, L".\\");
  App_Env& e = AppEnv();
  wchar_t win[MAX_PATH] = {};
  ::GetWindowsDirectoryW(win, MAX_PATH);
  e.DirBS_Windows = std::wstring(win) + L"\\";
  const bool ok = App_Common::SetupEnvOSVersionDetails(e, App_Common::GatherOSFacts(e.DirBS_Windows));
  auto line = [](const wchar_t* name, const std::wstring& value) {
    std::wprintf(L"%ls=%ls\n", name, value.c_str());
  };
  auto flag = [&](const wchar_t* name, bool value) { line(name, value ? L"1" : L"0"); };
  flag(L"Supported", ok);
  line(L"Version", std::to_wstring(e.WinVer_MajorVersion) + L"." + std::to_wstring(e.WinVer_MinorVersion));
  line(L"ProductType", std::to_wstring(e.WinVer_ProductType));
  line(L"Build", std::to_wstring(e.WinVer_BuildNumber));
  line(L"WinVer_String", e.WinVer_String);
  line(L"WinVer_StringWithSKU", e.WinVer_StringWithSKU);
  line(L"Win10xBuild", e.Win10xBuild);
  line(L"Win10xVer", e.Win10xVer);
  line(L"Win10xVerNum", e.Win10xVerNum);
  flag(L"WinXP", e.WinXP);
  flag(L"WinXP64", e.WinXP64);
  flag(L"WinServer2003", e.WinServer2003);
  flag(L"Win7", e.Win7);
  flag(L"WinServer2008r2", e.WinServer2008r2);
  flag(L"WinServer2012", e.WinServer2012);
  flag(L"WinServer2012r2", e.WinServer2012r2);
  flag(L"WinServer2016", e.WinServer2016);
  flag(L"Win8", e.Win8);
  flag(L"Win81", e.Win81);
  flag(L"Win81u1", e.Win81u1);
  flag(L"Win10", e.Win10);
  flag(L"WinVista_OrNewer", e.WinVista_OrNewer);
  flag(L"Win8_OrNewer", e.Win8_OrNewer);
  flag(L"Win10_OrNewer", e.Win10_OrNewer);
  flag(L"WinServer2003_OrNewer", e.WinServer2003_OrNewer);
  flag(L"WinType_Server", e.WinType_Server);
  return 0;
}
