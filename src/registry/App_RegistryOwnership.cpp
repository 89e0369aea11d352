#include "registry/App_RegistryOwnership.h"

#include "diag/App_Trace.h"
#include "util/App_Variables.h"

namespace App_Permissions {

namespace {
constexpr std::wstring_view kModule = L"App_Permissions";
constexpr std::wstring_view kNotAvailable =
    L"Registry key ownership is not available yet; nothing was changed.";
}  // namespace

bool TakeControlReg(App_HKEY eHKEY, std::wstring_view sRegSubKey, std::wstring& sTakeOwnerName,
                    std::wstring& sTakePermName) {
  App_Trace t(kModule, L"TakeControlReg");
  t.Vars(vkPassedByVal,
         {L"eHKEY", App_Registry::GetHKEYName(eHKEY, true), L"sRegSubKey", sRegSubKey,
          L"sTakeOwnerName", sTakeOwnerName, L"sTakePermName", sTakePermName});
  t.Log(kNotAvailable, evNormal, pVar(L"sRegSubKey", sRegSubKey));
  t.Vars(vkFunctionReturn, {false});
  return false;
}

bool RegSetKeyPermission(App_HKEY eHKEY, std::wstring_view sSubKey, std::wstring& sAccountName,
                         bool& bAllowAccess, uint32_t eAccessRights) {
  App_Trace t(kModule, L"RegSetKeyPermission");
  t.Vars(vkPassedByVal,
         {L"eHKEY", App_Registry::GetHKEYName(eHKEY, true), L"sSubKey", sSubKey, L"sAccountName",
          sAccountName, L"bAllowAccess", bAllowAccess, L"eAccessRights", eAccessRights});
  t.Log(kNotAvailable, evNormal, pVar(L"sSubKey", sSubKey, L"sAccountName", sAccountName));
  t.Vars(vkFunctionReturn, {false});
  return false;
}

}  // namespace App_Permissions
