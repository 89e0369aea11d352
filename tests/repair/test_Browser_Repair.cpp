// The "Networking" commands under Wine: the real registry (profile hives,
// locked keys), the real cmd.exe running Wine's netsh and ipconfig stubs,
// and WMI's adapter rows through the platform fake.
#include <gtest/gtest.h>
#include <shlwapi.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "config/Config_Class.h"
#include "lumo_files.h"
#include "lumo_keys.h"
#include "lumo_probe.h"
#include "lumo_test.h"
#include "platform/App_Env.h"
#include "platform/App_Platform.h"
#include "registry/App_Registry.h"
#include "repair/Browser_Diagnose.h"
#include "repair/Browser_IPAddress.h"
#include "repair/Browser_Repair.h"
#include "sysinfo/App_WMIClient.h"

namespace {

constexpr wchar_t kIS[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
constexpr wchar_t kProfiles[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

// The helpers take a registry view (KEY_WOW64_64KEY or KEY_WOW64_32KEY;
// 0: the caller's own).
LSTATUS GetValue(HKEY root, const std::wstring& key, const wchar_t* name, DWORD flags, void* data,
                 DWORD* size, REGSAM lView) {
  LumoKey k;
  const LSTATUS r = k.Open(root, key, KEY_QUERY_VALUE | lView);
  return r != ERROR_SUCCESS ? r : ::RegGetValueW(k.Get(), nullptr, name, flags, nullptr, data, size);
}
DWORD ReadDword(HKEY root, const std::wstring& key, const wchar_t* name, DWORD missing = 0xFFFFFFFF,
                REGSAM lView = 0) {
  DWORD v = 0, size = sizeof(v);
  return GetValue(root, key, name, RRF_RT_REG_DWORD, &v, &size, lView) == ERROR_SUCCESS ? v : missing;
}
bool HasValue(HKEY root, const std::wstring& key, const wchar_t* name, REGSAM lView = 0) {
  return GetValue(root, key, name, RRF_RT_ANY, nullptr, nullptr, lView) == ERROR_SUCCESS;
}
void SetProxy(HKEY root, const std::wstring& key, REGSAM lView = 0) {
  LumoKey k;
  ASSERT_EQ(k.Create(root, key, KEY_ALL_ACCESS | lView), 0);
  k.SetDword(L"ProxyEnable", 1);
  k.SetText(L"ProxyServer", L"p:8080");
  k.SetText(L"ProxyOverride", L"<local>");
}
void CreateKey(HKEY root, const std::wstring& key) {
  LumoKey k;
  ASSERT_EQ(k.Create(root, key, KEY_ALL_ACCESS), 0);
}

struct Repair : ::testing::Test {
  void SetUp() override {
    dbg.Reset();
    saved = AppEnv();
    Browser::SetRepairToolSink([this](std::wstring_view p, std::wstring_view a, bool, uint32_t) {
      ran.push_back(std::wstring(p) + L" " + std::wstring(a));
    });
    base = L"SOFTWARE\\LumoRepairTest_" + std::to_wstring(::GetCurrentProcessId());
  }
  void TearDown() override {
    Browser::SetRepairToolSink({});
    PlatformFake().WMINetworkAdapters.reset();
    AppEnv() = saved;
    if (LumoKey k; k.Open(HKEY_LOCAL_MACHINE, base, READ_CONTROL) == 0)
      ::SHDeleteKeyW(HKEY_LOCAL_MACHINE, base.c_str());
  }
  LumoDebugFixtureState dbg;
  App_Env saved;
  std::vector<std::wstring> ran;
  std::wstring base;
};

const std::vector<std::wstring> kIpconfig = {
    L"cmd.exe /c ipconfig /release all", L"cmd.exe /c ipconfig /flushdns", L"cmd.exe /c ipconfig /renew all",
    L"cmd.exe /c ipconfig /registerdns"};

}  // namespace

TEST(ValidateIPAddress, CountsUsableAdapterAddresses) {
  struct Case {
    const wchar_t* ip;
    bool v6, ok;
  } cases[] = {
      {L"192.168.1.20", false, true},
      {L"16.9.1.1", false, true},
      {L"1.69.0.1", false, true},
      {L"169.254.3.4", false, false},
      {L"0.0.0.0", false, false},
      {L"256.1.1.1", false, false},
      {L"1.2.3", false, false},
      {L"1.2.3.4.5", false, false},
      {L"1..2.3", false, false},
      {L"01.2.3.4", false, true},
      {L"1.2.3.4 ", false, true},
      {L"a.b.c.d", false, false},
      {L"", false, false},
      {L"2001:db8::1", true, true},
      {L"2001:db8::1", false, false},
      {L"fe80::1c2d:3e4f", true, false},
      {L"febf::1", true, false},
      {L"fec0::1", true, true},
      {L"::", true, false},
      {L"::1", true, true},
      {L"1:2:3:4:5:6:7:8", true, true},
      {L"1:2:3:4:5:6:7:8:9", true, false},
      {L"1::2::3", true, false},
      {L"12345::1", true, false},
      {L"::ffff:10.1.2.3", true, true},
      {L"2001:db8::1%11", true, true},
      {L"1:2:3:4:5:6:7::", true, true},
      {L":1::2", true, false},
      {L"1:", true, false},
      {L"g::1", true, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Browser::ValidateIPAddress(c.ip, c.v6), c.ok) << c.ip << " v6=" << c.v6;
}

TEST_F(Repair, TheLastQualifyingAdapterDecidesDhcp) {
  using A = App_WMINetworkAdapter;
  struct Case {
    std::vector<A> rows;
    bool expected;
  } cases[] = {
      {{}, false},
      {{A{L"Intel PRO/1000", {L"10.0.0.5"}, true}}, true},
      {{A{L"Intel PRO/1000", {L"10.0.0.5"}, false}}, false},
      // The first with DHCP, the second static: the last one decides.
      {{A{L"NIC one", {L"10.0.0.5"}, true}, A{L"NIC two", {L"10.0.0.6"}, false}}, false},
      // Virtual and loopback adapters never count, whatever their addresses.
      {{A{L"NIC", {L"10.0.0.5"}, true}, A{L"VirtualBox Host-Only", {L"192.168.56.1"}, false},
        A{L"Microsoft Loopback Adapter", {L"10.1.1.1"}, false}},
       true},
      // Only a link-local or empty address: no qualifying adapter.
      {{A{L"NIC", {L"169.254.1.1", L"fe80::1"}, true}}, false},
      {{A{L"NIC", {L"169.254.1.1", L"2001:db8::5"}, true}}, true},
  };
  for (const Case& c : cases) {
    PlatformFake().WMINetworkAdapters = c.rows;
    EXPECT_EQ(Browser::SysInfoCode_GetActiveNIC(), c.expected) << c.rows.size();
  }
}

TEST_F(Repair, ClearProxyReachesEveryLoadedProfileTheUserAndTheMachine) {
  // Profiles: one loaded with a long SID, one of exactly ten characters (a
  // service account's, skipped), one of eleven, one whose hive is not loaded.
  const std::wstring loaded = L"S-1-5-21-7-7-7-" + std::to_wstring(::GetCurrentProcessId());
  const std::wstring shortSid = L"S-1-5-1234", elevenSid = L"S-1-5-12345", unloaded = L"S-1-5-21-9-9-9-4242";
  for (const std::wstring& sid : {loaded, shortSid, elevenSid, unloaded})
    CreateKey(HKEY_LOCAL_MACHINE, std::wstring(kProfiles) + L"\\" + sid);
  for (const std::wstring& sid : {loaded, shortSid, elevenSid}) SetProxy(HKEY_USERS, sid + L"\\" + kIS);
  SetProxy(HKEY_CURRENT_USER, kIS);
  SetProxy(HKEY_LOCAL_MACHINE, kIS);

  for (const bool bVista : {true, false}) {
    AppEnv().WinVista_OrNewer = bVista;
    ran.clear();
    Browser::ClearProxy();
    EXPECT_EQ(ran, std::vector<std::wstring>{bVista ? L"cmd.exe /c netsh winhttp reset proxy"
                                                    : L"cmd.exe /c proxycfg -d"});
  }
  for (const auto& [root, key] :
       {std::pair{HKEY_USERS, loaded + L"\\" + kIS}, std::pair{HKEY_USERS, elevenSid + L"\\" + kIS},
        std::pair{HKEY_CURRENT_USER, std::wstring(kIS)}, std::pair{HKEY_LOCAL_MACHINE, std::wstring(kIS)}}) {
    EXPECT_EQ(ReadDword(root, key, L"ProxyEnable"), 0u) << key;
    EXPECT_FALSE(HasValue(root, key, L"ProxyServer")) << key;
    EXPECT_FALSE(HasValue(root, key, L"ProxyOverride")) << key;
  }
  EXPECT_EQ(ReadDword(HKEY_USERS, shortSid + L"\\" + kIS, L"ProxyEnable"), 1u);
  EXPECT_TRUE(HasValue(HKEY_USERS, shortSid + L"\\" + kIS, L"ProxyServer"));
  // Nothing is made up for a profile that is not loaded.
  EXPECT_NE(LumoKey().Open(HKEY_USERS, unloaded, KEY_READ), 0);
  // The LAN settings through WinINet.
  EXPECT_TRUE(App_Common::DisableConnectionProxy(L""));

  for (const std::wstring& sid : {loaded, shortSid, elevenSid, unloaded}) {
    ::SHDeleteKeyW(HKEY_LOCAL_MACHINE, (std::wstring(kProfiles) + L"\\" + sid).c_str());
    ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, (std::wstring(kProfiles) + L"\\" + sid).c_str());
    ::SHDeleteKeyW(HKEY_USERS, sid.c_str());
    ::RegDeleteKeyW(HKEY_USERS, sid.c_str());
  }
}

TEST_F(Repair, EachCommandRunsItsToolsInOrder) {
  // Release/Renew touches no proxy setting.
  SetProxy(HKEY_CURRENT_USER, kIS);
  Browser::ResetNetworkInterfaces(true);
  EXPECT_EQ(ran, kIpconfig);
  EXPECT_EQ(ReadDword(HKEY_CURRENT_USER, kIS, L"ProxyEnable"), 1u);

  struct Case {
    bool bXP, bDhcp;
    std::vector<std::wstring> head;
  } cases[] = {
      {false,
       false,
       {L"cmd.exe /c netsh winhttp reset proxy", L"cmd.exe /c netsh winsock reset",
        L"cmd.exe /c netsh winsock reset catalog", L"cmd.exe /c netsh interface ip delete arpcache"}},
      {true,
       true,
       {L"cmd.exe /c proxycfg -d", L"cmd.exe /c netsh winsock reset",
        L"cmd.exe /c netsh winsock reset catalog",
        L"cmd.exe /c netsh interface ip reset D:\\NIC_Reset_Log.txt", L"cmd.exe /c netsh interface reset all",
        L"cmd.exe /c netsh interface ip delete arpcache",
        L"rundll32.exe setupapi.dll,InstallHinfSection DefaultInstall 132 D:\\WinDir\\inf\\nettcpip.inf"}},
  };
  for (const Case& c : cases) {
    AppEnv().WinXP = c.bXP;
    AppEnv().WinVista_OrNewer = !c.bXP;
    // The log and the setup file follow the real drive and Windows folder.
    AppEnv().SystemDriveBS = L"D:\\";
    AppEnv().Dir_Windows = L"D:\\WinDir";
    PlatformFake().WMINetworkAdapters = std::vector<App_WMINetworkAdapter>{{L"NIC", {L"10.0.0.5"}, c.bDhcp}};
    ran.clear();
    dbg.Reset();
    Browser::ResetNetworkInterfaces(false);
    std::vector<std::wstring> expected = c.head;
    expected.insert(expected.end(), kIpconfig.begin(), kIpconfig.end());
    EXPECT_EQ(ran, expected);
    // The four Winsock keys are taken over on the way.
    EXPECT_EQ(LumoCalls(L"App_Permissions.TakeControlReg"), 4);
  }
  EXPECT_EQ(ReadDword(HKEY_CURRENT_USER, kIS, L"ProxyEnable"), 0u);

  // Told to close meanwhile: no further tool starts.
  ::PostQuitMessage(0);
  ran.clear();
  Browser::ResetNetworkInterfaces(true);
  EXPECT_TRUE(ran.empty());
  MSG msg;
  ::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

TEST_F(Repair, TheAdapterQuestionAsksWMIForRealWhileTheWindowAnswers) {
  // A start-up question that found WMI hung.
  PlatformFake().WMIConnectDelayMS = 3000;
  App_WMIRequest req;
  req.Query = L"Select * from Win32_OperatingSystem";
  req.Properties = {L"Caption"};
  EXPECT_TRUE(App_WMIClient::Run(req).TimedOut);
  // The adapter question still gets its own chance at Wine's real WMI,
  // which keeps it waiting 1.5 s: the window answers meanwhile.
  PlatformFake().WMIConnectDelayMS = 1500;
  const int32_t runs = App_WMIClient::RunCount();
  const DWORD longest = LumoLongestAnswerWhile([] { Browser::SysInfoCode_GetActiveNIC(); });
  // Well under the 1.5 s wait; the 32-bit road's emulated Wine answers slower.
  EXPECT_LT(longest, 500u);
  EXPECT_EQ(App_WMIClient::RunCount(), runs + 1);
  EXPECT_FALSE(LumoLogHas(L"The adapter query failed"));
  PlatformFake().WMIConnectDelayMS = 0;
  App_WMIClient::ForgetTimeouts();
}

TEST_F(Repair, MachineProxyIsClearedInThe64BitViewOn64BitWindows) {
  // Both views hold a proxy; a 32-bit process sees the 32-bit one unless it
  // asks for the other. The registry rules send HKLM\SOFTWARE to the 64-bit
  // view on 64-bit Windows, and the 32-bit view keeps its values.
  AppEnv().Win64bit = true;
  for (const REGSAM v : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) SetProxy(HKEY_LOCAL_MACHINE, kIS, v);
  Browser::ClearProxy();
  EXPECT_EQ(ReadDword(HKEY_LOCAL_MACHINE, kIS, L"ProxyEnable", 0xFFFFFFFF, KEY_WOW64_64KEY), 0u);
  EXPECT_FALSE(HasValue(HKEY_LOCAL_MACHINE, kIS, L"ProxyServer", KEY_WOW64_64KEY));
  EXPECT_EQ(ReadDword(HKEY_LOCAL_MACHINE, kIS, L"ProxyEnable", 0xFFFFFFFF, KEY_WOW64_32KEY), 1u);
  EXPECT_TRUE(HasValue(HKEY_LOCAL_MACHINE, kIS, L"ProxyServer", KEY_WOW64_32KEY));
  if (LumoKey k; k.Open(HKEY_LOCAL_MACHINE, kIS, KEY_SET_VALUE | KEY_WOW64_32KEY) == 0)
    for (const wchar_t* name : {L"ProxyServer", L"ProxyOverride"}) ::RegDeleteValueW(k.Get(), name);
}

TEST_F(Repair, EachCommandsReportListsItsStepsAndWhatToDoNext) {
  const std::wstring dir = LumoTestDir() + L"RepairReports_" + std::to_wstring(::GetCurrentProcessId());
  AppEnv().AppPath_Temp = dir;
  AppEnv().WinXP = false;
  AppEnv().WinVista_OrNewer = true;
  // The checks stay on this machine: a refused port and the local name.
  Cfg().SetString(Browser::kSettingCheckURL, L"http://127.0.0.1:9/");
  Cfg().SetString(Browser::kSettingCheckHost, L"localhost");
  PlatformFake().WMINetworkAdapters = std::vector<App_WMINetworkAdapter>{{L"NIC", {L"10.0.0.5"}, false}};
  const struct {
    Browser::NetworkingCommand command;
    bool restart, noDHCP;
  } cases[] = {{Browser::ncReleaseRenew, false, false},
               {Browser::ncClearProxy, false, false},
               {Browser::ncResetNetworking, true, true},
               {Browser::ncDiagnose, false, false}};
  for (const auto& c : cases) {
    ran.clear();
    dbg.Reset();
    const std::wstring file = Browser::RunNetworkingCommand(c.command, L"The <Command>", L"http://localhost/search?q=");
    ASSERT_EQ(file.rfind(dir + L"\\LumoBrowser_Repair_", 0), 0u) << file;
    const std::wstring page = LumoWiden(LumoReadBytes(file));
    // Every tool in the order it ran, then nothing more of the kind.
    size_t at = 0;
    for (const std::wstring& tool : ran) {
      const std::wstring row = L"<td>" + tool + L"</td><td>started, exit code ";
      at = page.find(row, at);
      ASSERT_NE(at, std::wstring::npos) << tool;
      at += row.size();
    }
    EXPECT_EQ(page.find(L"started, exit code", at), std::wstring::npos);
    EXPECT_EQ(page.find(L"Restart Windows to finish the reset.") != std::wstring::npos, c.restart);
    EXPECT_EQ(page.find(L"No adapter has an address from a DHCP server.") != std::wstring::npos, c.noDHCP);
    EXPECT_NE(page.find(L"The check &quot;Web reachability&quot; failed"), std::wstring::npos);
    EXPECT_EQ(page.find(L"<th>Before</th>") != std::wstring::npos, c.command != Browser::ncDiagnose);
    // The same lines in the debug log.
    EXPECT_TRUE(LumoLogHas(L"Network report: The <Command>"));
    EXPECT_EQ(LumoLogHas(L"Next: Restart Windows to finish the reset."), c.restart);
    if (c.command == Browser::ncDiagnose) {
      EXPECT_TRUE(ran.empty());  // it changes nothing
    }
  }
  LumoRemoveTree(dir);

  // Nowhere to write: logged, and the command has run all the same.
  AppEnv().AppPath_Temp = L"Q:\\no|such<folder";
  AppEnv().UserDirBS_CurrentUser_Temp = L"Q:\\nor|this\\";
  ran.clear();
  EXPECT_EQ(Browser::RunNetworkingCommand(Browser::ncReleaseRenew, L"Release/Renew IP", L"http://localhost/search?q="), L"");
  EXPECT_EQ(ran, kIpconfig);
  EXPECT_TRUE(LumoLogHas(L"The report could not be written; the command has run all the same."));
  Cfg().WipeSetting(Browser::kSettingCheckURL);
  Cfg().WipeSetting(Browser::kSettingCheckHost);
}
