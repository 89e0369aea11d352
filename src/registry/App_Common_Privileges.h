// Privileges of the program's own token and account checks (module
// App_Common). The WOW64 file-system redirection switch is in
// platform/App_FSRedir.h.
//
// SetPrivilegeToken remembers who switched a privilege on: only that same
// caller can switch it off again, so nested users of one privilege do not
// pull it from under each other.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "util/App_Variant.h"

namespace App_Common {

// ---- privileges --------------------------------------------------------------

// Index 0 stands for "SeRestorePrivilege" and "SeBackupPrivilege" together;
// 1 to 35 for one privilege each.
inline constexpr int32_t PrivilegeIndexCount = 36;

// The name the enabled-privileges registry uses for an index: the
// privilege's name, "SeRestorePrivilege_SeBackupPrivilege" for index 0,
// "" for an unknown index.
std::wstring PrivilegeRegistryName(int32_t lIndex);

// Switches the privilege(s) of lIndex on or off in the process's token.
// vCaller names the caller (its trace call number or a text such as
// "App_Processes.GetPathFromPID"). A privilege switched on here can be
// switched off only by the caller that switched it on. False when nothing
// was changed: unknown index, failed look-up, refused release, failed
// adjustment (a privilege the account does not hold).
bool SetPrivilegeToken(const App_Variant& vCaller, int32_t lIndex, bool bEnable);

// The identity text of the caller that holds a privilege switched on
// (registry name as above), nullptr when none does.
const std::wstring* PrivilegeOwner(std::wstring_view sRegistryName);
int32_t PrivilegeOwnerCount();
// Forgets every owner and every privilege identifier looked up (the
// privileges themselves stay as they are).
void ReleasePrivilegeRegistry();

// ---- account checks ----------------------------------------------------------

// Account types of GetUserAccountType.
enum App_UserAccountType : int32_t {
  uatGuest = 0,  // also: the query failed
  uatUser = 1,
  uatAdministrator = 2,
  uatAdministratorNotElevated = 1002,
};

// The account type of a local account's privilege level (0 guest, 1 user,
// 2 administrator): an administrator whose process is not elevated is
// uatAdministratorNotElevated.
int32_t UserAccountTypeFromLevel(uint32_t lPrivLevel, bool bProcessElevated);

bool IsCurrentUserAnAdmin();
// Membership of the current token in the built-in administrators group;
// bFailed tells that the answer could not be had.
bool CheckTokenForAdmin(bool& bFailed);
bool IsAdminAccount(std::wstring_view sUserName);
int32_t GetUserAccountType(std::wstring_view sUserName);
bool IsOnDomain();
bool IsSystemAccount();

}  // namespace App_Common
