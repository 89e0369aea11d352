// Registry access (module App_Registry): one call per job - test that a key
// exists, read, write or delete a value, delete a key tree, list subkeys.
//
// A root is passed as its predefined handle value (App_HKEY), the key path
// as a separate string relative to it. Every call opens the key it needs
// with the least access that serves, does its work and closes the key
// again: no registry handle ever leaves the module. Before it opens a key,
// every call chooses the registry view a 32-bit program on 64-bit Windows
// needs (AddRegFlagWOW64). A deletion that Windows refuses is retried once
// after the key has been taken over (App_Permissions.h).
//
// Results are true for success; nothing is raised to the caller. The public
// routines are traced, except IsRegKeyOffline, GetRegAPIReturnMsg,
// GetHKEYName and KillRegValueCode.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "util/App_Handle.h"
#include "util/App_Variant.h"

// Root keys by their predefined handle values.
enum App_HKEY : uint32_t {
  hkeyClassesRoot = 0x80000000u,
  hkeyCurrentUser = 0x80000001u,
  hkeyLocalMachine = 0x80000002u,
  hkeyUsers = 0x80000003u,
  hkeyPerformanceData = 0x80000004u,
  hkeyCurrentConfig = 0x80000005u,
  hkeyDynData = 0x80000006u,
  hkeyCurrentUserLocalSettings = 0x80000007u,
};

// An open registry key, closed when its owner goes out of scope, in the call
// that opened it. A predefined root handle (which RegOpenKeyExW hands back
// for an empty subkey path) is never closed.
struct App_RegKeyTraits {
  // True for the predefined root handles (0x80000000 to 0x80000060, sign
  // extended in a 64-bit process).
  static bool IsPredefined(HKEY h) {
    const LONG_PTR v = reinterpret_cast<LONG_PTR>(h);
    return v >= static_cast<LONG_PTR>(static_cast<LONG>(0x80000000u)) &&
           v <= static_cast<LONG_PTR>(static_cast<LONG>(0x80000060u));
  }
  static bool Valid(HKEY h) { return h != nullptr; }
  static void Release(HKEY h) {
    if (!IsPredefined(h)) ::RegCloseKey(h);
  }
};
using App_RegKey = App_Owner<HKEY, App_RegKeyTraits>;

namespace App_Registry {

// Value types (the Windows codes).
inline constexpr int32_t REGTYPE_SZ = 1;
inline constexpr int32_t REGTYPE_EXPAND_SZ = 2;
inline constexpr int32_t REGTYPE_BINARY = 3;
inline constexpr int32_t REGTYPE_DWORD = 4;
inline constexpr int32_t REGTYPE_MULTI_SZ = 7;

// The handle of a root key (sign extended as Windows defines it).
HKEY RootHandle(App_HKEY eHKEY);

// Chooses the registry view for a key on 64-bit Windows (AppEnv().Win64bit).
// Under HKLM "SOFTWARE\" and under HKCU/HKU/0x80000007 "SOFTWARE\Classes\"
// the 64-bit view bit KEY_WOW64_64KEY is ORed into lDesiredSAM (result
// true); a key naming "WOW6432Node" explicitly loses every "WOW6432Node\"
// and gets KEY_WOW64_32KEY instead (bRemovedWow6432Node set; result false),
// unless it lies in an offline hive ("guest_..."), which is left alone.
bool AddRegFlagWOW64(App_HKEY eHKEY, std::wstring& sRegKey, uint32_t& lDesiredSAM, bool& bRemovedWow6432Node,
                     bool bIsGuestSession = false);

// True when the key exists. An access-denied answer counts as "exists".
bool RegKeyExist(App_HKEY eHKEY, std::wstring_view sRegKey, bool bOpenLink = false);

// Reads a value as the requested type (1 and 2 text, 7 the first string of
// the list, 4 a 32-bit number, 3 a byte array marker - see RegReadBinary).
// vResult holds vDefault whenever the result is false.
bool RegReadValue(App_HKEY eHKEY, std::wstring_view sRegKey, std::wstring_view sValueName, int32_t lValueType,
                  const App_Variant& vDefault, App_Variant& vResult);

// Creates the key when needed and writes a value: 1 and 2 text, 4 a 32-bit
// number, 7 appends the text to the value's list. Type 3 is not written
// here (RegWriteBinary).
bool RegWriteValue(App_HKEY eHKEY, std::wstring_view sRegKey, std::wstring_view sValueName,
                   int32_t lValueType, const App_Variant& vRegData);

// Raw bytes of a value (any stored type), and writing raw bytes as REG_BINARY.
bool RegReadBinary(App_HKEY eHKEY, std::wstring_view sRegKey, std::wstring_view sValueName,
                   std::vector<uint8_t>& bytes);
bool RegWriteBinary(App_HKEY eHKEY, std::wstring_view sRegKey, std::wstring_view sValueName,
                    const std::vector<uint8_t>& bytes);

// Deletes a value. A missing value or key is success with bNotFound set;
// lErrorCode receives the final code (0 on success).
bool KillRegValue(App_HKEY eHKEY, std::wstring_view sRegKey, std::wstring_view sValueName, bool& bNotFound,
                  int32_t& lErrorCode);
// 0 when KillRegValue succeeded, otherwise its error code. Not traced itself.
int32_t KillRegValueCode(App_HKEY eHKEY, std::wstring_view sRegKey, std::wstring_view sValueName,
                         bool& bNotFound);
int32_t KillRegValueCode(App_HKEY eHKEY, std::wstring_view sRegKey, std::wstring_view sValueName);

// Deletes a key with its whole subtree. A missing key is success with
// bNotFound set; lAPIError receives the code of a refused deletion.
bool KillRegKey(App_HKEY eHKEY, std::wstring_view sRegKey, bool& bNotFound, int32_t& lAPIError);

// Deletes every subkey of a key, depth first; the key itself stays.
void RegDeleteSubKeys(App_HKEY eHKEY, std::wstring_view sRegKey);

// Appends the names of the direct subkeys to sSubKeyList, separated by NUL
// characters (no NUL after the last). Returns how many indexes were listed.
int32_t RegEnumKey(App_HKEY eHKEY, std::wstring_view sRegKey, std::wstring& sSubKeyList);

// Full control for the current user, "System", "Administrators", "Power
// Users" and "users" on one key; true only when all five succeeded.
bool GetRegKeyPermissions(App_HKEY eHKEY, std::wstring_view sSubKey);

// True when the key lies in an offline hive (begins with "guest_").
bool IsRegKeyOffline(std::wstring_view sRegKey);
// The readable text of a registry return code.
std::wstring GetRegAPIReturnMsg(int32_t lReturnCode);
// "hkey_local_machine", or "hklm" when bShort; "" for an unknown root.
std::wstring GetHKEYName(App_HKEY eHKEY, bool bShort);

// Quiet readers of one value of an open key, for callers to whom a missing
// value is the normal case: nothing is logged, false when the value is
// missing, unreadable or of another type. A text value (REG_SZ or
// REG_EXPAND_SZ, not expanded) ends at its first NUL; one stored in more
// than lMaxBytes (when not 0) is not read. A caller that tells those apart
// gets pResult: ERROR_SUCCESS, ERROR_FILE_NOT_FOUND for a missing value,
// ERROR_INVALID_DATA for another type or size, else the system's code.
bool QueryString(const App_RegKey& k, const wchar_t* sName, std::wstring& sValue, LONG* pResult = nullptr,
                 DWORD lMaxBytes = 0);
// A REG_DWORD value.
bool QueryDword(const App_RegKey& k, const wchar_t* sName, DWORD& lValue, LONG* pResult = nullptr);

}  // namespace App_Registry
