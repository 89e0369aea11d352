// The menu bar of the browser window per Windows release, and what its
// commands do, read inside a probe process (Wine keeps menus per process).
#include <gtest/gtest.h>
#include <windows.h>

#include <sstream>
#include <string>
#include <vector>

#include "gui_driver.h"

namespace {

// The values of every "name=value" line with this name, in order.
std::vector<std::string> Values(const std::string& sOutput, const std::string& sName) {
  std::vector<std::string> out;
  std::istringstream in(sOutput);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind(sName + "=", 0) == 0) out.push_back(line.substr(sName.size() + 1));
  }
  return out;
}

std::string RunMenuProbe(const wchar_t* sWineRelease, const std::wstring& sArgs = {}) {
  LumoSetWineRelease(L"probe_browsermenu.exe", sWineRelease);
  const LumoProbeResult r = LumoRunProbe(L"\"" + LumoTestDir() + L"probe_browsermenu.exe\"" + sArgs);
  LumoSetWineRelease(L"probe_browsermenu.exe", nullptr);
  EXPECT_EQ(r.ExitCode, 0u) << r.Output;
  return r.Output;
}

const std::vector<std::string> kRepairItems = {"Release/Renew IP", "Clear Proxy Settings", "Reset Networking",
                                               "", "Diagnose Connection"};

// The tools the three commands run, one after another, on a release.
std::vector<std::string> RepairTools(bool bXP) {
  const std::vector<std::string> ipconfig = {
      "cmd.exe /c ipconfig /release all", "cmd.exe /c ipconfig /flushdns", "cmd.exe /c ipconfig /renew all",
      "cmd.exe /c ipconfig /registerdns"};
  const std::string proxy = bXP ? "cmd.exe /c proxycfg -d" : "cmd.exe /c netsh winhttp reset proxy";
  std::vector<std::string> out = ipconfig;  // "Release/Renew IP"
  out.push_back(proxy);                     // "Clear Proxy Settings"
  out.push_back(proxy);                     // "Reset Networking" clears the proxy first
  for (const char* s :
       {"cmd.exe /c netsh winsock reset", "cmd.exe /c netsh winsock reset catalog",
        "cmd.exe /c netsh interface ip reset C:\\NIC_Reset_Log.txt", "cmd.exe /c netsh interface reset all",
        "cmd.exe /c netsh interface ip delete arpcache"})
    out.push_back(s);
  if (bXP)
    out.push_back(
        "rundll32.exe setupapi.dll,InstallHinfSection DefaultInstall 132 C:\\windows\\inf\\nettcpip.inf");
  out.insert(out.end(), ipconfig.begin(), ipconfig.end());
  return out;
}

}  // namespace

TEST(BrowserMenus, Windows7HasNetworkingOnlyAndAnAdministratorIsNotAsked) {
  gui::ForgetPlacements();
  const std::string out = RunMenuProbe(L"win7");
  EXPECT_EQ(Values(out, "menu"), std::vector<std::string>{"Networking"});
  EXPECT_EQ(Values(out, "item"), kRepairItems);
  EXPECT_TRUE(Values(out, "asked").empty());
  EXPECT_EQ(Values(out, "ran"), RepairTools(false));
  EXPECT_EQ(Values(out, "open"), std::vector<std::string>{"1"});
  // One command at a time: greyed while it runs, the second one refused.
  EXPECT_EQ(Values(out, "during"), std::vector<std::string>{"000-0"});
  EXPECT_EQ(Values(out, "after"), std::vector<std::string>{"111-1"});
  EXPECT_EQ(Values(out, "notstarted"), std::vector<std::string>{"1"});
  // Each of the four commands opened its report in the view.
  int reports = 0;
  for (const std::string& line : Values(out, "recorded"))
    reports += line.rfind("navigate ", 0) == 0 && line.find("\\LumoBrowser_Repair_") != std::string::npos &&
               line.size() > 5 && line.substr(line.size() - 5) == ".html";
  EXPECT_EQ(reports, 4) << out;
}

TEST(BrowserMenus, WindowsXPAddsWindowsUpdateWhichOpensTheSiteOnce) {
  gui::ForgetPlacements();
  const std::string out = RunMenuProbe(L"winxp");
  EXPECT_EQ(Values(out, "menu"), (std::vector<std::string>{"Networking", "Windows Update (XP/2003)"}));
  const auto rec = Values(out, "recorded");
  int navigations = 0;
  for (const std::string& line : rec) navigations += line == "navigate http://windowsupdate.microsoft.com";
  EXPECT_EQ(navigations, 2) << out;
  EXPECT_EQ(Values(out, "history"), std::vector<std::string>{"1"});  // the list keeps one entry
  EXPECT_EQ(Values(out, "ran"), RepairTools(true));
}

TEST(BrowserMenus, WithoutAdministratorRightsEachCommandOnlyAsks) {
  gui::ForgetPlacements();
  const std::string out = RunMenuProbe(nullptr, L" --not-admin");
  const auto asked = Values(out, "asked");
  ASSERT_EQ(asked.size(), 3u) << out;
  for (const std::string& q : asked)
    EXPECT_EQ(q, "You must re-run this app as Administrator to use these features.  Do it now?");
  EXPECT_TRUE(Values(out, "ran").empty());
  EXPECT_EQ(Values(out, "open"), std::vector<std::string>{"1"});  // "No" leaves the window as it was
}

TEST(BrowserMenus, YesWithARefusedElevationLeavesTheWindowOpenAndLogsIt) {
  gui::ForgetPlacements();
  const std::string out = RunMenuProbe(nullptr, L" --refused");
  ASSERT_EQ(Values(out, "asked").size(), 3u) << out;
  EXPECT_EQ(Values(out, "open"), std::vector<std::string>{"1"}) << out;
  EXPECT_EQ(Values(out, "notrestarted"), std::vector<std::string>{"3"}) << out;
}
