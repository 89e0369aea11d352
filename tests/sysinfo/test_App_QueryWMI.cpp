// The start-up WMI facts: edition names by SKU, the user-account filters,
// the workgroup, and what each gives when WMI is disabled, too old or gone.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <utility>
#include <vector>

#include "platform/App_Env.h"
#include "platform/App_Platform.h"
#include "diag/App_Debug.h"
#include "lumo_test.h"
#include "sysinfo/App_QueryWMI.h"
#include "sysinfo/App_WMIClient.h"

using namespace App_QueryWMI;

namespace {

class QueryWMI : public ::testing::Test {
 protected:
  void SetUp() override {
    dbg.Reset();
    App_WMIClient::ForgetTimeouts();
    AppEnv().WinVista_OrNewer = true;
    AppEnv().Disable_WMI_Queries = false;
  }
  void TearDown() override {
    AppEnv().WinVista_OrNewer = false;
    AppEnv().Disable_WMI_Queries = false;
    PlatformFake().WMIUnreachable = false;
    PlatformFake().WMIConnectDelayMS = 0;
    PlatformFake().WMIUserAccounts.reset();
    PlatformFake().WMIOperatingSystemSKU.reset();
    for (int i = 0; i < 500 && App_WMIClient::StuckWorkers() > 0; ++i) ::Sleep(10);
    App_WMIClient::ForgetTimeouts();
  }
  LumoDebugFixtureState dbg;
};

// The texts of a call's events of one type.
std::vector<std::wstring> Messages(const App_Proc* p, int32_t lType = evNormal) {
  std::vector<std::wstring> out;
  if (p)
    for (const App_ProcEvent& e : p->NewEnum())
      if (e.EventType == lType) out.push_back(e.EventInfo);
  return out;
}

std::wstring SKUText(int32_t lSKU, int32_t& lFound) {
  PlatformFake().WMIOperatingSystemSKU = lSKU;
  return WMI_GetWinSKU(lFound);
}

}  // namespace

TEST_F(QueryWMI, EditionTextsOfTheSKUTable) {
  // clang-format off
  const std::pair<int32_t, const wchar_t*> table[] = {
      {0, L"Undefined (SKU bit 0)"}, {1, L"Ultimate"}, {10, L"Enterprise"}, {25, L"SBS Premium"},
      {27, L"Enterprise"}, {29, L"Web Server Edition"}, {36, L"Standard without Hyper-V"},
      {46, L"Enterprise (Server Core)"}, {48, L"Professional"},
      {50, L"Essentials (Desktop Experience)"}, {63, L"SBS Premium (Server Core)"},
      {74, L"Consumer Preview?"}, {97, L"Windows RT"}, {103, L"Professional with Media Center"},
      {123, L"IoT (Internet of Things) Core"}, {143, L"Datacenter (Nano)"},
      {148, L"Standard (Server Core)"}};
  // clang-format on
  for (const auto& [sku, text] : table) {
    int32_t found = -1;
    EXPECT_EQ(SKUText(sku, found), text) << sku;
    EXPECT_EQ(found, sku);
    // A named number (0 included) is no "undefined value".
    EXPECT_TRUE(Messages(LumoLastCall(L"App_QueryWMI.WMI_GetWinSKU")).empty()) << sku;
  }
}

TEST_F(QueryWMI, NumbersOutsideTheTableAreUndefinedWithACapitalB) {
  std::vector<int32_t> missing = {26, 47, 49, 149, -1, 2147483647, -2147483647 - 1};
  for (int32_t n = 30; n <= 35; ++n) missing.push_back(n);
  for (int32_t n = 51; n <= 62; ++n) missing.push_back(n);
  for (int32_t sku : missing) {
    int32_t found = 7;
    EXPECT_EQ(SKUText(sku, found), L"Undefined (SKU Bit " + std::to_wstring(sku) + L")");
    EXPECT_EQ(found, sku);
    const App_Proc* p = LumoLastCall(L"App_QueryWMI.WMI_GetWinSKU");
    ASSERT_NE(p, nullptr);
    ASSERT_EQ(Messages(p), std::vector<std::wstring>{L"Undefined WMI query return value!"}) << sku;
    EXPECT_EQ(p->NewEnum()[1].EventVariables, L"lProductSKU.LongInteger=" + std::to_wstring(sku));
  }
  // The trace keeps the number found and the text.
  int32_t found = 0;
  SKUText(-2147483647 - 1, found);
  const App_Proc* p = LumoLastCall(L"App_QueryWMI.WMI_GetWinSKU");
  EXPECT_EQ(p->Vars_Returned_ByRef(), L"lFoundSKU.LongInteger=-2147483648");
  EXPECT_NE(p->Vars_Function_Result().find(L"Undefined (SKU Bit -2147483648)"), std::wstring::npos);
}

TEST_F(QueryWMI, NoQueryWhenDisabledOrBeforeVista) {
  PlatformFake().WMIOperatingSystemSKU = 48;  // would answer "Professional"
  const int32_t runs = App_WMIClient::RunCount();

  AppEnv().Disable_WMI_Queries = true;
  int32_t found = 77;
  EXPECT_EQ(WMI_GetWinSKU(found), L"");
  EXPECT_EQ(found, 77);
  EXPECT_EQ(Messages(LumoLastCall(L"App_QueryWMI.WMI_GetWinSKU")),
            std::vector<std::wstring>{L"Aborted; WMI Queries are disabled globally."});
  // The switch wins over the release check, and only WMI_GetWinSKU reads it.
  AppEnv().WinVista_OrNewer = false;
  EXPECT_EQ(WMI_GetWinSKU(found), L"");
  EXPECT_EQ(Messages(LumoLastCall(L"App_QueryWMI.WMI_GetWinSKU")),
            std::vector<std::wstring>{L"Aborted; WMI Queries are disabled globally."});
  EXPECT_EQ(GetWindowsWorkgroupName(), L"WORKGROUP");
  EXPECT_EQ(App_WMIClient::RunCount(), runs + 1);  // the workgroup only

  // Windows XP: no SKU through WMI.
  AppEnv().Disable_WMI_Queries = false;
  EXPECT_EQ(WMI_GetWinSKU(found), L"");
  EXPECT_EQ(found, 77);
  const App_Proc* p = LumoLastCall(L"App_QueryWMI.WMI_GetWinSKU");
  EXPECT_EQ(Messages(p),
            std::vector<std::wstring>{
                L"Product SKU information is only available through WMI on Vista/Server 2008 "
                L"and above."});
  EXPECT_EQ(p->Vars_Returned_ByRef(), L"lFoundSKU.LongInteger=77");
  EXPECT_EQ(p->EventCount_ErrorHandler(), 0);
  EXPECT_EQ(App_WMIClient::RunCount(), runs + 1);
}

TEST_F(QueryWMI, RealAnswersUnderWine) {
  // Wine reports the SKU that GetProductInfo gives (28, "Ultimate" here).
  using GetProductInfoFn = BOOL(WINAPI*)(DWORD, DWORD, DWORD, DWORD, PDWORD);
  auto getProductInfo = App_Platform::Proc<GetProductInfoFn>(L"kernel32.dll", "GetProductInfo");
  ASSERT_NE(getProductInfo, nullptr);
  DWORD product = 0;
  getProductInfo(6, 0, 0, 0, &product);
  int32_t found = -1;
  const DWORD t0 = ::GetTickCount();
  const std::wstring sku = WMI_GetWinSKU(found);
  const DWORD t1 = ::GetTickCount();
  EXPECT_EQ(found, static_cast<int32_t>(product));
  if (product == 28) {
    EXPECT_EQ(sku, L"Ultimate");
  }
  EXPECT_EQ(LumoLastCall(L"App_QueryWMI.WMI_GetWinSKU")->EventCount_ErrorHandler(), 0);

  EXPECT_EQ(GetWindowsWorkgroupName(), L"WORKGROUP");
  const DWORD t2 = ::GetTickCount();
  const App_Proc* p = LumoLastCall(L"App_QueryWMI.GetWindowsWorkgroupName");
  EXPECT_EQ(p->EventCount_ErrorHandler(), 0);
  EXPECT_NE(p->Vars_Function_Result().find(L"WORKGROUP"), std::wstring::npos);

  // Wine has no Win32_UserAccount rows: nothing is added, nothing is lost.
  App_Collection users;
  users.Add(L"Existing", L"Existing");
  WMI_GetUserList(users, true, true, true);
  const DWORD t3 = ::GetTickCount();
  EXPECT_EQ(users.Items(), std::vector<std::wstring>{L"Existing"});
  EXPECT_EQ(LumoLastCall(L"App_QueryWMI.WMI_GetUserList")->EventCount_ErrorHandler(), 0);
  std::printf(
      "[ timing ] WMI_GetWinSKU %lu ms, GetWindowsWorkgroupName %lu ms, WMI_GetUserList %lu ms\n",
      t1 - t0, t2 - t1, t3 - t2);
}

TEST_F(QueryWMI, UnreachableWMIGivesTheDefaultsQuickly) {
  PlatformFake().WMIUnreachable = true;
  PlatformFake().WMIOperatingSystemSKU = 48;  // the fakes do not bypass a dead service
  PlatformFake().WMIUserAccounts = std::vector<App_WMIUserAccount>{{L"Alice"}};
  const DWORD start = ::GetTickCount();

  int32_t found = 5;
  EXPECT_EQ(WMI_GetWinSKU(found), L"Undefined (SKU bit 0)");
  EXPECT_EQ(found, 0);
  const App_Proc* sku = LumoLastCall(L"App_QueryWMI.WMI_GetWinSKU");
  EXPECT_EQ(sku->EventCount_ErrorHandler(), 1);
  for (const App_ProcEvent& e : sku->NewEnum()) {
    if (e.EventType != evErrorHandler) continue;
    EXPECT_EQ(e.Error_RT_Number,
              static_cast<int32_t>(HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE)));
    EXPECT_EQ(e.Error_RT_Desc.rfind(L"IWbemLocator::ConnectServer failed (0x800706BA)", 0), 0u);
    EXPECT_EQ(e.Error_RT_Source, L"WMI");
  }

  EXPECT_EQ(GetWindowsWorkgroupName(), L"");
  EXPECT_EQ(LumoLastCall(L"App_QueryWMI.GetWindowsWorkgroupName")->EventCount_ErrorHandler(), 1);

  std::optional<App_Collection> absent;
  WMI_GetUserList(absent, true, true, true);
  ASSERT_TRUE(absent.has_value());  // created, empty
  EXPECT_EQ(absent->Count(), 0);
  App_Collection kept;
  kept.Add(L"Bob", L"Bob");
  WMI_GetUserList(kept, false, false, false);
  EXPECT_EQ(kept.Items(), std::vector<std::wstring>{L"Bob"});
  EXPECT_EQ(LumoLastCall(L"App_QueryWMI.WMI_GetUserList")->EventCount_ErrorHandler(), 1);

  const DWORD elapsed = ::GetTickCount() - start;
  EXPECT_LT(elapsed, 1000u);
  std::printf("[ timing ] the three routines with WMI unreachable: %lu ms\n", elapsed);
}

TEST_F(QueryWMI, AHungServiceCostsStartUpOneConnectionLimit) {
  PlatformFake().WMIConnectDelayMS = 2600;  // longer than the 2 s a connection may take
  const DWORD start = ::GetTickCount();
  int32_t found = 5;
  EXPECT_EQ(GetWindowsWorkgroupName(), L"");
  EXPECT_EQ(WMI_GetWinSKU(found), L"Undefined (SKU bit 0)");
  EXPECT_EQ(found, 0);
  App_Collection users;
  WMI_GetUserList(users, true, true, true);
  EXPECT_EQ(users.Count(), 0);
  const DWORD elapsed = ::GetTickCount() - start;
  EXPECT_LT(elapsed, 2500u);
  std::printf("[ timing ] the three routines with WMI hung: %lu ms\n", elapsed);
  for (const wchar_t* name : {L"App_QueryWMI.GetWindowsWorkgroupName", L"App_QueryWMI.WMI_GetWinSKU",
                              L"App_QueryWMI.WMI_GetUserList"})
    EXPECT_EQ(LumoLastCall(name)->EventCount_ErrorHandler(), 1) << name;
}

TEST_F(QueryWMI, UserFiltersLeaveOutEveryKindOfNonUser) {
  const auto null = std::nullopt;
  // clang-format off
  PlatformFake().WMIUserAccounts = std::vector<App_WMIUserAccount>{
      {L"Alice"},
      {L"Disabled", 1, 512, true},
      {L"Degraded1", 1, 512, false, L"Degraded"},
      {L"Degraded2", 1, 512, false, L"  dEGRADED "},
      {L"Service", 1, 513},
      {L"Group", 2},
      {L"VUSR_HOST"}, {L"vUsR_other"}, {L"VUSR_"},
      {L" VUSR_x"},                           // the prefix is the first five characters
      {L"VUSR"},                              // shorter than the prefix: kept
      {L"ALICE"},                             // same name, other case: not again
      {L"Carol", 1, 512, false, L"Error"},    // any other status is kept
      {L"Dave", 1, 512, false, L""},
      {L"NullDisabled", 1, 512, null},        // cannot be tested: left out
      {L"NullStatus", 1, 512, false, null},
      {L"NullSID", null},
      {L"NullType", 1, null},
      {null},                                 // no name: nothing to list
      {L"bob"}};                              // already in the collection as "Bob"
  // clang-format on

  App_Collection users;
  users.Add(L"Bob", L"Bob");
  WMI_GetUserList(users, true, true, true);
  EXPECT_EQ(users.Items(),
            (std::vector<std::wstring>{L"Bob", L"Alice", L" VUSR_x", L"VUSR", L"Carol", L"Dave"}));
  ASSERT_NE(users.Find(L"alice"), nullptr);
  EXPECT_EQ(*users.Find(L"alice"), L"Alice");  // the first one returned
  // Each value that could not be tested was logged against the call.
  const App_Proc* p = LumoLastCall(L"App_QueryWMI.WMI_GetUserList");
  EXPECT_EQ(p->EventCount_ErrorHandler(), 4);
  EXPECT_EQ(p->Vars_Passed_ByVal(),
            L"bSkipDisabled.Boolean=True<sep>bSkipDegraded.Boolean=True<sep>"
            L"bNormalUsersOnly.Boolean=True");

  // Without filters every named account is listed once; the untested
  // values no longer matter.
  std::optional<App_Collection> all;
  WMI_GetUserList(all, false, false, false);
  ASSERT_TRUE(all.has_value());
  EXPECT_EQ(all->Items(),
            (std::vector<std::wstring>{L"Alice", L"Disabled", L"Degraded1", L"Degraded2",
                                       L"Service", L"Group", L"VUSR_HOST", L"vUsR_other", L"VUSR_",
                                       L" VUSR_x", L"VUSR", L"Carol", L"Dave", L"NullDisabled",
                                       L"NullStatus", L"NullSID", L"NullType", L"bob"}));
  EXPECT_EQ(LumoLastCall(L"App_QueryWMI.WMI_GetUserList")->EventCount_ErrorHandler(), 0);
}

TEST_F(QueryWMI, EachUserFilterOnItsOwn) {
  PlatformFake().WMIUserAccounts =
      std::vector<App_WMIUserAccount>{{L"Plain"},
                                      {L"Off", 1, 512, true},
                                      {L"Worn", 1, 512, false, L"Degraded"},
                                      {L"VUSR_a"},
                                      {L"Local", 4}};  // SIDType 4: an alias
  auto run = [](bool bDisabled, bool bDegraded, bool bNormal) {
    App_Collection c;
    WMI_GetUserList(c, bDisabled, bDegraded, bNormal);
    return c.Items();
  };
  using L = std::vector<std::wstring>;
  EXPECT_EQ(run(true, false, false), (L{L"Plain", L"Worn", L"VUSR_a", L"Local"}));
  EXPECT_EQ(run(false, true, false), (L{L"Plain", L"Off", L"VUSR_a", L"Local"}));
  EXPECT_EQ(run(false, false, true), (L{L"Plain", L"Off", L"Worn"}));
}
