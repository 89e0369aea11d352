// Windows release detection: the release table, editions and texts from
// hand-made facts, and the real detection under Wine's release switch.
#include <gtest/gtest.h>
#include <windows.h>

#include <map>

#include "app/App_Common_Version.h"
#include "lumo_keys.h"
#include "lumo_probe.h"
#include "lumo_test.h"
#include "platform/App_Env.h"

using App_Common::App_OSFacts;
using App_Common::SetupEnvOSVersionDetails;

namespace {

App_OSFacts Facts(uint32_t major, uint32_t minor, uint32_t productType, uint32_t build = 7601) {
  App_OSFacts f;
  f.MajorVersion = major;
  f.MinorVersion = minor;
  f.ProductType = productType;
  f.BuildNumber = build;
  f.PlatformId = VER_PLATFORM_WIN32_NT;
  f.ProductInfoRead = major >= 6;
  f.ProductInfo = 48;
  return f;
}

class VersionTable : public ::testing::Test {
 protected:
  void SetUp() override { dbg.Reset(); }
  LumoDebugFixtureState dbg;
};

}  // namespace

TEST_F(VersionTable, Windows7WorkstationLadder) {
  App_Env e;
  App_OSFacts f = Facts(6, 1, VER_NT_WORKSTATION);
  f.CSDVersion = std::wstring(L"Service Pack 1") + L'\0' + L"junk";
  f.ServicePackMajor = 1;
  ASSERT_TRUE(SetupEnvOSVersionDetails(e, f));
  EXPECT_TRUE(e.Win7);
  EXPECT_TRUE(e.Win2000_OrNewer && e.WinXP_OrNewer && e.WinVista_OrNewer && e.Win7_OrNewer);
  EXPECT_FALSE(e.Win8_OrNewer);
  EXPECT_FALSE(e.WinServer2000_OrNewer || e.WinServer2008r2 || e.WinType_Server);
  EXPECT_TRUE(e.WinType_Workstation);
  EXPECT_EQ(e.WinVer_CSDVersion, L"Service Pack 1");
  EXPECT_EQ(e.WinVer_String, L"Windows 7");
  EXPECT_EQ(e.WinVer_String_ProductSKU.Get(), L"Pro");
  EXPECT_EQ(e.WinVer_StringWithSKU.Get(), L"Windows 7 [Pro]");
}

TEST_F(VersionTable, ServerReleasesAndExclusiveFlags) {
  App_Env r2;
  App_OSFacts f = Facts(5, 2, VER_NT_SERVER, 3790);
  f.ServerR2 = 1;
  ASSERT_TRUE(SetupEnvOSVersionDetails(r2, f));
  EXPECT_TRUE(r2.WinServer2003r2);
  EXPECT_FALSE(r2.WinServer2003);
  EXPECT_TRUE(r2.WinServer2003_OrNewer && r2.WinServer2003r2_OrNewer && r2.WinXP_OrNewer);
  EXPECT_FALSE(r2.WinServer2008_OrNewer || r2.WinVista_OrNewer);
  EXPECT_EQ(r2.WinVer_StringWithSKU.Get(), L"Windows Server 2003 R2 [Windows Server 2003 R2]");

  App_Env xp64;
  ASSERT_TRUE(SetupEnvOSVersionDetails(xp64, Facts(5, 2, VER_NT_WORKSTATION, 3790)));
  EXPECT_TRUE(xp64.WinXP64 && xp64.Win64bit);
  EXPECT_FALSE(xp64.WinXP);
  EXPECT_EQ(xp64.WinVer_String, L"Windows XP");

  App_Env dc;
  ASSERT_TRUE(SetupEnvOSVersionDetails(dc, Facts(10, 0, VER_NT_DOMAIN_CONTROLLER, 20348)));
  EXPECT_TRUE(dc.WinServer2016 && dc.WinType_DomainController && dc.WinType_Server);
  EXPECT_EQ(dc.WinVer_String, L"Windows Server 2016");
  EXPECT_TRUE(dc.Win10_OrNewer && dc.WinServer2016_OrNewer);

  App_Env home;
  App_OSFacts h = Facts(6, 1, VER_NT_SERVER);
  h.SuiteMask = 0x8000;
  ASSERT_TRUE(SetupEnvOSVersionDetails(home, h));
  EXPECT_TRUE(home.WinHomeServer2011 && home.WinHomeServer_Any);
  EXPECT_FALSE(home.WinServer2008r2);
  EXPECT_TRUE(home.WinServer2008r2_OrNewer && home.Win7_OrNewer);

  App_Env unknown;
  ASSERT_TRUE(SetupEnvOSVersionDetails(unknown, Facts(7, 0, VER_NT_WORKSTATION)));
  EXPECT_EQ(unknown.WinVer_String, L"");
  EXPECT_FALSE(unknown.Win2000_OrNewer);
}

TEST_F(VersionTable, Update1AndWindows10Details) {
  EXPECT_TRUE(App_Common::IsUpdate1BuildLab(L"9600.17031.amd64fre.winblue_gdr.140221-1952"));
  EXPECT_FALSE(App_Common::IsUpdate1BuildLab(L"9600.17030.amd64fre"));
  EXPECT_FALSE(App_Common::IsUpdate1BuildLab(L"9600"));
  EXPECT_FALSE(App_Common::IsUpdate1BuildLab(L""));

  App_Env u1;
  App_OSFacts f = Facts(6, 3, VER_NT_WORKSTATION, 9600);
  f.BuildLabEx = L"9600.17031.amd64fre";
  ASSERT_TRUE(SetupEnvOSVersionDetails(u1, f));
  EXPECT_TRUE(u1.Win81u1 && u1.Win81u1_OrNewer && u1.Win81_OrNewer);
  EXPECT_FALSE(u1.Win81);
  EXPECT_EQ(u1.WinVer_String, L"Windows 8.1 Update 1");

  App_Env srv;
  f.ProductType = VER_NT_SERVER;
  ASSERT_TRUE(SetupEnvOSVersionDetails(srv, f));
  EXPECT_EQ(srv.WinVer_String, L"Windows Server 2012 R2 Update 1");
  EXPECT_TRUE(srv.WinServer2012r2u1 && srv.Win81u1_OrNewer);

  App_Env w10;
  App_OSFacts t = Facts(10, 0, VER_NT_WORKSTATION, 19045);
  t.DisplayVersion = L"22H2";
  t.ReleaseId = L"2009";
  t.UBR = 3803;
  t.UBRRead = true;
  ASSERT_TRUE(SetupEnvOSVersionDetails(w10, t));
  EXPECT_EQ(w10.Win10xBuild, L"19045.3803");
  EXPECT_EQ(w10.Win10xVer, L"22H2");
  EXPECT_EQ(w10.Win10xVerNum, L"2009");
  App_Env w10noUbr;
  t.UBRRead = false;
  ASSERT_TRUE(SetupEnvOSVersionDetails(w10noUbr, t));
  EXPECT_EQ(w10noUbr.Win10xBuild, L"19045");
}

TEST_F(VersionTable, EditionTextsAndSuffixes) {
  std::wstring name;
  EXPECT_TRUE(App_Common::ProductInfoName(8, name));
  EXPECT_EQ(name, L"Server Datacenter (full installation)");
  EXPECT_TRUE(App_Common::ProductInfoName(55, name));
  EXPECT_EQ(name, L"Server For SB Solutions EM");
  EXPECT_FALSE(App_Common::ProductInfoName(57, name));

  App_Env starter;
  App_OSFacts f = Facts(6, 1, VER_NT_WORKSTATION);
  f.ProductInfo = 47;
  f.Debug = 1;
  f.DBCSEnabled = 1;
  ASSERT_TRUE(SetupEnvOSVersionDetails(starter, f));
  EXPECT_TRUE(starter.WinEdition_Starter && starter.WinBuild_Debug && starter.WinBuild_DBCS);
  EXPECT_EQ(starter.WinVer_String_ProductSKU.Get(), L"Starter N (DBCS Debug Build)");

  // An unknown number with no answer from WMI (its questions switched off).
  App_Env undefinedSku;
  f = Facts(10, 0, VER_NT_WORKSTATION);
  f.ProductInfo = 250;
  const bool wmiWas = AppEnv().Disable_WMI_Queries;
  AppEnv().Disable_WMI_Queries = true;
  ASSERT_TRUE(SetupEnvOSVersionDetails(undefinedSku, f));
  AppEnv().Disable_WMI_Queries = wmiWas;
  EXPECT_NE(App_Debug::DebugLogPending().find(L"WMI Queries are disabled"), std::wstring::npos);
  EXPECT_EQ(undefinedSku.WinVer_String_ProductSKU.Get(), L"Undefined (SKU Bit 250)");
  EXPECT_NE(App_Debug::DebugLogPending().find(L"Undefined GetProductInfo return value!"), std::wstring::npos);
  EXPECT_NE(App_Debug::DebugLogPending().find(L"lProductSKU.LongInteger=250"), std::wstring::npos);

  // A failed GetProductInfo leaves the text empty; only the suffix remains.
  App_Env failed;
  f.ProductInfoRead = false;
  f.DBCSEnabled = 1;
  ASSERT_TRUE(SetupEnvOSVersionDetails(failed, f));
  EXPECT_EQ(failed.WinVer_String_ProductSKU.Get(), L"(DBCS)");
  EXPECT_EQ(failed.WinVer_StringWithSKU.Get(), L"Windows 10 [(DBCS)]");

  // Windows XP editions from the system metrics and prodspec.ini.
  auto xpEdition = [](App_OSFacts x) -> std::wstring {
    App_Env e;
    SetupEnvOSVersionDetails(e, x);
    return e.WinVer_String_ProductSKU;
  };
  App_OSFacts xp = Facts(5, 1, VER_NT_WORKSTATION, 2600);
  EXPECT_EQ(xpEdition(xp), L"Undefined Edition");
  xp.ProdSpecExists = true;
  xp.ProdSpecProduct = L"Windows XP Professional";
  EXPECT_EQ(xpEdition(xp), L"Professional");
  xp.EHomeTrayExists = true;
  EXPECT_EQ(xpEdition(xp), L"Media Center Edition");
  xp.ProdSpecProduct = L"Windows XP HOME Edition";
  EXPECT_EQ(xpEdition(xp), L"Home Edition");
  xp.TabletPC = 1;
  EXPECT_EQ(xpEdition(xp), L"Tablet PC Edition");
}

TEST_F(VersionTable, UnsupportedFamiliesAndModes) {
  App_Env nine;
  App_OSFacts f = Facts(4, 10, VER_NT_WORKSTATION);
  f.PlatformId = VER_PLATFORM_WIN32_WINDOWS;
  EXPECT_FALSE(SetupEnvOSVersionDetails(nine, f));
  EXPECT_EQ(nine.WinVer_String, L"Windows 9x");
  App_Env nt4;
  EXPECT_FALSE(SetupEnvOSVersionDetails(nt4, Facts(4, 0, VER_NT_WORKSTATION)));
  EXPECT_EQ(nt4.WinVer_String, L"Windows NT 4.x");

  App_Env safe;
  f = Facts(6, 1, VER_NT_WORKSTATION);
  f.CleanBoot = 2;
  f.Locale = L" 00000409 ";
  ASSERT_TRUE(SetupEnvOSVersionDetails(safe, f));
  EXPECT_TRUE(safe.WinMode_SafeNet);
  EXPECT_FALSE(safe.WinMode_Normal || safe.WinMode_Safe);
  EXPECT_TRUE(safe.Language_IsEnglish);
  App_Env german;
  f.LocaleName = L"de-DE";
  ASSERT_TRUE(SetupEnvOSVersionDetails(german, f));
  EXPECT_FALSE(german.Language_IsEnglish);
  EXPECT_EQ(german.Language_LocalName, L"de-DE");
}

// ---- the real detection under each of Wine's releases ----------------------------------

namespace {

std::map<std::string, std::string> RunVersionProbe(const wchar_t* mode) {
  LumoSetWineRelease(L"probe_version.exe", mode);
  const LumoProbeResult r = LumoRunProbe(L"\"" + LumoTestDir() + L"probe_version.exe\"");
  LumoSetWineRelease(L"probe_version.exe", nullptr);
  return LumoProbeFacts(r.Output);
}

}  // namespace

TEST(VersionUnderWine, EveryReleaseModeIsRecognised) {
  // Wine 8's "win7" reports a server product type (3): the program then
  // rightly sees Windows Server 2008 R2, so the expectation follows the
  // product type Wine hands out.
  struct Mode {
    const wchar_t* Wine;
    const char* Version;
    const char* Name;
    const char* Flag;
    const char* ServerName;
    const char* ServerFlag;
    bool WindowsUpdate;  // the menu command shows on XP, Server 2003 and R2
  };
  const Mode modes[] = {
      {L"winxp", "5.1", "Windows XP", "WinXP", "Windows XP", "WinXP", true},
      {L"winxp64", "5.2", "Windows XP", "WinXP64", "", "", false},
      {L"win2003", "5.2", "", "", "Windows Server 2003", "WinServer2003", true},
      {L"win7", "6.1", "Windows 7", "Win7", "Windows Server 2008 R2", "WinServer2008r2", false},
      {L"win8", "6.2", "Windows 8", "Win8", "Windows Server 2012", "WinServer2012", false},
      {L"win81", "6.3", "Windows 8.1", "Win81", "Windows Server 2012 R2", "WinServer2012r2", false},
      {L"win10", "10.0", "Windows 10", "Win10", "Windows Server 2016", "WinServer2016", false},
  };
  for (const Mode& m : modes) {
    auto facts = RunVersionProbe(m.Wine);
    const bool server = facts["ProductType"] != "1";
    SCOPED_TRACE(std::string(server ? m.ServerName : m.Name) + " product type " + facts["ProductType"]);
    ASSERT_EQ(facts["Supported"], "1");
    EXPECT_EQ(facts["Version"], m.Version);
    EXPECT_EQ(facts["WinVer_String"], server ? m.ServerName : m.Name);
    EXPECT_EQ(facts[server ? m.ServerFlag : m.Flag], "1");
    EXPECT_EQ(facts["WinType_Server"], server ? "1" : "0");
    EXPECT_EQ(facts["WinXP"] == "1" || facts["WinServer2003"] == "1", m.WindowsUpdate);
    EXPECT_EQ(facts["WinVista_OrNewer"],
              std::string(m.Version) >= "6" || std::string(m.Version) == "10.0" ? "1" : "0");
  }
}

TEST(VersionUnderWine, RegistryDetailsOfUpdate1AndWindows10) {
  // Values Wine's registry lacks, written for the probe and removed after.
  const wchar_t* key = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
  LumoKey k;
  ASSERT_EQ(k.Open(HKEY_LOCAL_MACHINE, key, KEY_SET_VALUE | KEY_WOW64_64KEY), ERROR_SUCCESS);
  k.SetText(L"BuildLabEx", L"9600.17031.amd64fre.winblue_gdr.140221-1952");
  k.SetText(L"DisplayVersion", L"22H2");
  k.SetText(L"ReleaseId", L"2009");
  k.SetDword(L"UBR", 3803);

  auto w81 = RunVersionProbe(L"win81");
  auto w10 = RunVersionProbe(L"win10");

  for (const wchar_t* name : {L"BuildLabEx", L"DisplayVersion", L"ReleaseId", L"UBR"})
    ::RegDeleteValueW(k.Get(), name);

  EXPECT_EQ(w81["WinVer_String"], "Windows 8.1 Update 1");
  EXPECT_EQ(w81["Win81u1"], "1");
  EXPECT_EQ(w81["Win81"], "0");
  EXPECT_EQ(w10["Win10xVer"], "22H2");
  EXPECT_EQ(w10["Win10xVerNum"], "2009");
  EXPECT_EQ(w10["Win10xBuild"], w10["Build"] + ".3803");
}
