// Taking over a registry key (module App_Permissions): making an account the
// key's owner and giving an account full control of it.
//
// The registry module calls these before it retries a deletion that Windows
// refused. The ownership machinery is not built yet: until it is, both
// routines change nothing, log that they are not available and report
// failure, so a refused deletion stays refused and is reported as such.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "registry/App_Registry.h"

namespace App_Permissions {

// Owner plus full control for one key and its subkeys. Empty names are
// filled with the defaults for the root (written back to the caller).
bool TakeControlReg(App_HKEY eHKEY, std::wstring_view sRegSubKey, std::wstring& sTakeOwnerName,
                    std::wstring& sTakePermName);

// Grants (bAllowAccess) or denies eAccessRights to one account on one key;
// an empty account name means the current user.
bool RegSetKeyPermission(App_HKEY eHKEY, std::wstring_view sSubKey, std::wstring& sAccountName,
                         bool& bAllowAccess, uint32_t eAccessRights);

}  // namespace App_Permissions
