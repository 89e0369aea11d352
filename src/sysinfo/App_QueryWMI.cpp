#include "sysinfo/App_QueryWMI.h"

#include <windows.h>

#include <iterator>

#include "platform/App_Env.h"
#include "platform/App_Platform.h"
#include "diag/App_Trace.h"
#include "sysinfo/App_WMIClient.h"
#include "util/App_Strings.h"
#include "util/App_Variables.h"

namespace App_QueryWMI {

namespace {

// Edition texts by the SKU number of Win32_OperatingSystem. Shorter than
// the GetProductInfo names, and with fewer numbers.
struct SKUName {
  int32_t lSKU;
  const wchar_t* sName;
};
const SKUName kSKUNames[] = {
    {0, L"Undefined (SKU bit 0)"},
    {1, L"Ultimate"},
    {2, L"Home Basic"},
    {3, L"Home Premium"},
    {4, L"Enterprise"},
    {5, L"Home Basic N"},
    {6, L"Business"},
    {7, L"Standard"},
    {8, L"Datacenter"},
    {9, L"SBS"},
    {10, L"Enterprise"},
    {11, L"Starter"},
    {12, L"Datacenter Core"},
    {13, L"Standard Core"},
    {14, L"Enterprise Core"},
    {15, L"Enterprise IA64"},
    {16, L"Business N"},
    {17, L"Web Server"},
    {18, L"Cluster"},
    {19, L"Home Server"},
    {20, L"Storage Express"},
    {21, L"Storage Standard (Desktop Experience)"},
    {22, L"Storage Workgroup (Desktop Experience)"},
    {23, L"Storage Enterprise Server"},
    {24, L"For Small Business"},
    {25, L"SBS Premium"},
    {27, L"Enterprise"},
    {28, L"Ultimate"},
    {29, L"Web Server Edition"},
    {36, L"Standard without Hyper-V"},
    {37, L"Datacenter without Hyper-V (full)"},
    {38, L"Enterprise without Hyper-V (full)"},
    {39, L"Datacenter without Hyper-V (Server Core)"},
    {40, L"Standard without Hyper-V (Server Core)"},
    {41, L"Enterprise without Hyper-V (Server Core)"},
    {42, L"Hyper-V Server"},
    {43, L"Express (Server Core)"},
    {44, L"Standard (Server Core)"},
    {45, L"Workgroup (Server Core)"},
    {46, L"Enterprise (Server Core)"},
    {48, L"Professional"},
    {50, L"Essentials (Desktop Experience)"},
    {63, L"SBS Premium (Server Core)"},
    {64, L"Compute Cluster Server without Hyper-V"},
    {74, L"Consumer Preview?"},
    {97, L"Windows RT"},
    {101, L"Home"},
    {103, L"Professional with Media Center"},
    {104, L"Mobile"},
    {123, L"IoT (Internet of Things) Core"},
    {143, L"Datacenter (Nano)"},
    {144, L"Standard (Nano)"},
    {147, L"Datacenter (Server Core)"},
    {148, L"Standard (Server Core)"},
};

// The error number the scripting layer raises for a null value used as a
// number, a Boolean or a text.
constexpr int32_t kErrInvalidUseOfNull = 94;

// Throws the run-time error of a property that cannot be used: the read
// failed, it is null, or it does not convert.
[[noreturn]] void RaiseUnusable(const App_WMIValue& v, std::wstring_view sWhat) {
  const std::wstring where = L" (" + std::wstring(sWhat) + L")";
  if (!v.Read()) App_Err::Raise(v.ReadResult(), L"The property could not be read" + where);
  if (v.IsNull()) App_Err::Raise(kErrInvalidUseOfNull, L"Invalid use of Null" + where);
  App_Err::Raise(App_Err::ErrTypeMismatch, L"Type mismatch" + where);
}

int32_t LongOf(const App_WMIValue& v, std::wstring_view sWhat) {
  int32_t l = 0;
  if (!v.ToLong(l)) RaiseUnusable(v, sWhat);
  return l;
}

bool BoolOf(const App_WMIValue& v, std::wstring_view sWhat) {
  bool b = false;
  if (!v.ToBool(b)) RaiseUnusable(v, sWhat);
  return b;
}

std::wstring TextOf(const App_WMIValue& v, std::wstring_view sWhat) {
  std::wstring s;
  if (!v.ToText(s)) RaiseUnusable(v, sWhat);
  return s;
}

// Runs the request; a failure becomes the error of the current step.
App_WMIResult Query(App_Trace& t, const App_WMIRequest& req) {
  App_WMIResult r;
  t.Step([&] {
    r = App_WMIClient::Run(req);
    if (!r.Succeeded()) App_Err::Raise(r.hr, r.Describe(), L"WMI");
  });
  return r;
}

// The platform fake stands in for the rows Wine's WMI does not have; a
// service made unreachable still fails the connection.
App_WMIResult QueryOperatingSystem(App_Trace& t, const App_WMIRequest& req) {
  const App_PlatformFake& fake = PlatformFake();
  if (!fake.WMIOperatingSystemSKU || fake.WMIUnreachable) return Query(t, req);
  App_WMIResult r;
  r.Connected = true;
  App_WMIRow row;
  row.Set(L"OperatingSystemSKU", App_WMIValue::Long(*fake.WMIOperatingSystemSKU));
  r.Rows.push_back(std::move(row));
  return r;
}

App_WMIResult QueryUserAccounts(App_Trace& t, const App_WMIRequest& req) {
  const App_PlatformFake& fake = PlatformFake();
  if (!fake.WMIUserAccounts || fake.WMIUnreachable) return Query(t, req);
  App_WMIResult r;
  r.Connected = true;
  for (const App_WMIUserAccount& a : *fake.WMIUserAccounts) {
    App_WMIRow row;
    row.Set(L"Name", a.Name ? App_WMIValue::Text(*a.Name) : App_WMIValue::Null());
    row.Set(L"SIDType", a.SIDType ? App_WMIValue::Long(*a.SIDType) : App_WMIValue::Null());
    row.Set(L"AccountType",
            a.AccountType ? App_WMIValue::Long(*a.AccountType) : App_WMIValue::Null());
    row.Set(L"Disabled", a.Disabled ? App_WMIValue::Bool(*a.Disabled) : App_WMIValue::Null());
    row.Set(L"Status", a.Status ? App_WMIValue::Text(*a.Status) : App_WMIValue::Null());
    r.Rows.push_back(std::move(row));
  }
  return r;
}

// Whether one account passes the filters. A property that cannot be read
// or tested throws, which rejects the account.
bool AccountPasses(const App_WMIRow& row, const std::wstring& sName, bool bSkipDisabled,
                   bool bSkipDegraded, bool bNormalUsersOnly) {
  using App_Strings::EqualText;
  using App_Strings::Trim;
  const std::wstring who = L"account \"" + sName + L"\"";
  if (bNormalUsersOnly) {
    if (LongOf(row[L"SIDType"], L"SIDType of " + who) != 1) return false;
    if (LongOf(row[L"AccountType"], L"AccountType of " + who) != 512) return false;
    if (EqualText(Trim(std::wstring_view(sName).substr(0, 5)), L"VUSR_", false)) return false;
  }
  if (bSkipDisabled && BoolOf(row[L"Disabled"], L"Disabled of " + who)) return false;
  if (bSkipDegraded &&
      EqualText(Trim(TextOf(row[L"Status"], L"Status of " + who)), L"Degraded", false))
    return false;
  return true;
}

}  // namespace

std::wstring WMI_GetWinSKU(int32_t& lFoundSKU) {
  App_Trace t(L"App_QueryWMI", L"WMI_GetWinSKU");
  std::wstring result;
  t.Step([&] {
    int32_t lProductSKU = 0;
    if (AppEnv().Disable_WMI_Queries) {
      t.Log(L"Aborted; WMI Queries are disabled globally.", evNormal);
      return;
    }
    if (!AppEnv().WinVista_OrNewer) {
      t.Log(
          L"Product SKU information is only available through WMI on Vista/Server 2008 and above.",
          evNormal);
      return;
    }

    // Every instance of Win32_OperatingSystem, as InstancesOf gives them
    // (returned at once); the last one wins, there is normally one.
    App_WMIRequest req;
    req.ClassName = L"Win32_OperatingSystem";
    req.Flags = WBEM_FLAG_RETURN_IMMEDIATELY;
    req.Properties = {L"OperatingSystemSKU"};
    const App_WMIResult r = QueryOperatingSystem(t, req);
    for (const App_WMIRow& row : r.Rows)
      t.Step([&] { lProductSKU = LongOf(row[L"OperatingSystemSKU"], L"OperatingSystemSKU"); });

    result = L"Undefined (SKU Bit " + std::to_wstring(lProductSKU) + L")";
    bool bKnown = false;
    for (const SKUName& e : kSKUNames) {
      if (e.lSKU == lProductSKU) {
        result = e.sName;
        bKnown = true;
        break;
      }
    }
    if (!bKnown)
      t.Log(L"Undefined WMI query return value!", evNormal, pVar(L"lProductSKU", lProductSKU));
    lFoundSKU = lProductSKU;
  });
  t.Vars(vkReturnedByRef, {L"lFoundSKU", lFoundSKU});
  t.Vars(vkFunctionReturn, {result});
  return result;
}

void WMI_GetUserList(App_Collection& colUsers, bool bSkipDisabled, bool bSkipDegraded,
                     bool bNormalUsersOnly) {
  App_Trace t(L"App_QueryWMI", L"WMI_GetUserList", ptSub);
  t.Vars(vkPassedByVal, {L"bSkipDisabled", bSkipDisabled, L"bSkipDegraded", bSkipDegraded,
                         L"bNormalUsersOnly", bNormalUsersOnly});
  t.Step([&] {
    App_WMIRequest req;
    req.Query = L"Select * from Win32_UserAccount";
    req.Flags = WBEM_FLAG_RETURN_IMMEDIATELY | WBEM_FLAG_FORWARD_ONLY;  // 48
    req.Properties = {L"Name", L"SIDType", L"AccountType", L"Disabled", L"Status"};
    const App_WMIResult r = QueryUserAccounts(t, req);

    for (const App_WMIRow& row : r.Rows) {
      std::wstring sName;
      t.Step([&] {
        const App_WMIValue& name = row[L"Name"];
        if (!name.IsNull()) sName = TextOf(name, L"Name");
      });
      bool bAccepted = false;
      t.Step([&] {
        bAccepted = AccountPasses(row, sName, bSkipDisabled, bSkipDegraded, bNormalUsersOnly);
      });
      if (!bAccepted) continue;
      // A nameless account has nothing to list.
      if (sName.empty()) {
        t.Log(L"Skipped an account without a name.", evVerbose);
        continue;
      }
      t.Step([&] { colUsers.Add(sName, sName); });  // a name listed in any case stays once
    }
  });
}

void WMI_GetUserList(std::optional<App_Collection>& colUsers, bool bSkipDisabled,
                     bool bSkipDegraded, bool bNormalUsersOnly) {
  try {
    if (!colUsers) colUsers.emplace();
  } catch (...) {
    App_Debug::dPrint(L"App_QueryWMI.WMI_GetUserList", L"", evErrorHandler);
    return;
  }
  WMI_GetUserList(*colUsers, bSkipDisabled, bSkipDegraded, bNormalUsersOnly);
}

std::wstring GetWindowsWorkgroupName() {
  App_Trace t(L"App_QueryWMI", L"GetWindowsWorkgroupName");
  std::wstring result;
  t.Step([&] {
    App_WMIRequest req;
    req.Query = L"Select * from Win32_ComputerSystem";
    req.Flags = WBEM_FLAG_RETURN_IMMEDIATELY;  // the scripting default of ExecQuery
    req.Properties = {L"domain"};
    const App_WMIResult r = Query(t, req);
    // The last object wins; there is normally one. A value that cannot be
    // read as text leaves the one from before.
    for (const App_WMIRow& row : r.Rows)
      t.Step([&] { result = TextOf(row[L"domain"], L"domain"); });
  });
  t.Vars(vkFunctionReturn, {result});
  return result;
}

}  // namespace App_QueryWMI
