// Taking over a registry key (module App_Permissions): making an account the
// key's owner and giving an account full control of it, on the key itself
// and, when the kit provides its ACL tool, on the whole subtree.
//
// The network reset takes four Winsock keys over this way; the registry
// module does it before it retries a deletion that Windows refused.
//
// The standard accounts (Administrators, SYSTEM, Everyone, Users, Power
// Users, Authenticated Users, INTERACTIVE) are named by their well-known
// security identifiers, whatever the names are on this Windows' language;
// other names are looked up. Write rights for an account every local user
// is in are never written onto any key: the administrators and SYSTEM get
// them instead (and, under HKEY_CURRENT_USER or a profile's hive in
// HKEY_USERS, the hive's own account), so no key we touch is left open to
// every local account.
//
// The owner and the access list are both set through a handle opened in
// the view the registry rules choose, so on 64-bit Windows they always act
// on the same key. An access list that cannot be read whole is left as it
// was. The ACL tool gets every name as exactly one argument, or is not run.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "registry/App_Registry.h"

namespace App_Permissions {

// Starts the kit's ACL tool hidden with the arguments and waits at most
// lLimitMS for it; true when the wait ran out (the tool is left running).
// The process launcher is handed in at start-up, since it lives on a floor
// above the registry's; without one the ACL tool is not run.
using ACLToolRunner = bool (*)(std::wstring_view sTool, std::wstring_view sArgs, int32_t lLimitMS);
void SetACLToolRunner(ACLToolRunner fnRun);

// Full control of a key.
inline constexpr uint32_t kKeyFullControl = 0xF003F;

// One access entry to set: an account, its rights, allow or deny. The
// identifier is looked up from the name when empty.
struct PermissionEntry {
  std::wstring sAccountName;
  uint32_t lAccessMask = kKeyFullControl;
  uint8_t bAceFlags = CONTAINER_INHERIT_ACE;   // subkeys inherit the entry
  uint8_t bAceType = ACCESS_ALLOWED_ACE_TYPE;  // or ACCESS_DENIED_ACE_TYPE
  std::vector<BYTE> Sid;
};

// The well-known identifier ("S-1-5-32-544", ...) of a standard account
// name, with or without a domain or computer qualifier ("BUILTIN\Users",
// "NT AUTHORITY\SYSTEM"), ignoring case; "" for any other name.
std::wstring WellKnownSidOf(std::wstring_view sAccountName);
// The security identifier of an account: well-known names by their fixed
// identifier, others through the system's account lookup, an empty name as
// the account this program runs as. False when the account is unknown.
bool LookupAccountSid(std::wstring_view sAccountName, std::vector<BYTE>& Sid);
// True for Everyone, Users, Power Users, Authenticated Users and
// INTERACTIVE: accounts every local user is in, named in any language (the
// name is looked up); false for an empty or unknown name.
bool IsOpenToEveryUser(std::wstring_view sAccountName);

// Fills empty owner and permission account names with the defaults for
// the root: the current user under HKEY_CURRENT_USER (SYSTEM and Everyone
// when the program runs as the system account), the administrators
// elsewhere.
void EnsurePermissionUsersForRegFunctions(App_HKEY eHKEY, std::wstring& sTakeOwnerName,
                                          std::wstring& sTakePermName);

// Owner plus full control for one key, then the same for the key and its
// subkeys through the kit's ACL tool when it is there. Empty names get the
// defaults (written back to the caller). True when the access list was set.
bool TakeControlReg(App_HKEY eHKEY, std::wstring_view sRegSubKey, std::wstring& sTakeOwnerName,
                    std::wstring& sTakePermName);

// Makes the account the key's owner (first granting it full control when
// Windows refuses). Roots other than HKCR, HKCU, HKLM and HKU are refused.
bool ChangeOwnerOfReg(App_HKEY eHKEY, std::wstring_view sSubKey, std::wstring_view sOwnerAccountName);

// Grants (bAllowAccess) or denies eAccessRights to one account on one key;
// an empty account name means the current user (written back).
bool RegSetKeyPermission(App_HKEY eHKEY, std::wstring_view sSubKey, std::wstring& sAccountName,
                         bool& bAllowAccess, uint32_t eAccessRights);

// Rewrites the access list of an open key (opened with READ_CONTROL and
// WRITE_DAC) in the canonical order: the new deny entries, the old
// explicit entries of other accounts, the new allow entries, then the
// inherited entries unchanged.
bool UpdatePermissionsOfRegistryKey(HKEY hKey, std::vector<PermissionEntry>& Entries);

// True when Sid is the identifier of one of the entries.
bool IsEqual(const std::vector<PermissionEntry>& Entries, PSID Sid);
// Appends one entry at the end of an access list.
bool ConstructAndAddAce(PACL pAcl, uint8_t bAceType, uint8_t bAceFlags, uint32_t lAccessMask, PSID Sid);

}  // namespace App_Permissions
