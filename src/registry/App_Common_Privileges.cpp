#include "registry/App_Common_Privileges.h"

#include <windows.h>
// The network-management declarations need windows.h first.
#include <lm.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "diag/App_Debug.h"
#include "diag/App_Err.h"
#include "diag/App_Trace.h"
#include "platform/App_Env.h"
#include "platform/App_Platform.h"
#include "util/App_Handle.h"
#include "util/App_Strings.h"
#include "util/App_Variables.h"

namespace App_Common {

namespace {

// Privileges by index; index 0 is the pair restore + backup.
constexpr const char* kPrivilegeNames[PrivilegeIndexCount] = {
    nullptr,
    "SeAssignPrimaryTokenPrivilege",
    "SeAuditPrivilege",
    "SeBackupPrivilege",
    "SeChangeNotifyPrivilege",
    "SeCreateGlobalPrivilege",
    "SeCreatePagefilePrivilege",
    "SeCreatePermanentPrivilege",
    "SeCreateSymbolicLinkPrivilege",
    "SeCreateTokenPrivilege",
    "SeDebugPrivilege",
    "SeEnableDelegationPrivilege",
    "SeImpersonatePrivilege",
    "SeIncreaseBasePriorityPrivilege",
    "SeIncreaseQuotaPrivilege",
    "SeIncreaseWorkingSetPrivilege",
    "SeLoadDriverPrivilege",
    "SeLockMemoryPrivilege",
    "SeMachineAccountPrivilege",
    "SeManageVolumePrivilege",
    "SeProfileSingleProcessPrivilege",
    "SeRelabelPrivilege",
    "SeRemoteShutdownPrivilege",
    "SeRestorePrivilege",
    "SeSecurityPrivilege",
    "SeShutdownPrivilege",
    "SeSyncAgentPrivilege",
    "SeSystemEnvironmentPrivilege",
    "SeSystemProfilePrivilege",
    "SeSystemtimePrivilege",
    "SeTakeOwnershipPrivilege",
    "SeTcbPrivilege",
    "SeTimeZonePrivilege",
    "SeTrustedCredManAccessPrivilege",
    "SeUndockPrivilege",
    "SeUnsolicitedInputPrivilege",
};

constexpr const char* kRestoreName = "SeRestorePrivilege";
constexpr const char* kBackupName = "SeBackupPrivilege";

// The token's privilege list as AdjustTokenPrivileges takes it, with room
// for 100 entries.
struct PrivilegeList {
  DWORD PrivilegeCount;
  LUID_AND_ATTRIBUTES Privileges[100];
};

struct PrivilegeState {
  std::map<std::string, LUID> luids;  // names looked up once, by name
  // Enabled-privileges registry in the order of switching on: registry
  // name and the identity text of the caller that switched it on.
  std::vector<std::pair<std::wstring, std::wstring>> owners;
};

PrivilegeState& P() {
  static PrivilegeState* p = new PrivilegeState();  // lives until the process ends
  return *p;
}

std::wstring Widen(const char* s) {
  return std::wstring(s, s + std::char_traits<char>::length(s));
}

std::vector<std::pair<std::wstring, std::wstring>>::iterator FindOwner(std::wstring_view sRegistryName) {
  auto& owners = P().owners;
  for (auto it = owners.begin(); it != owners.end(); ++it)
    if (App_Strings::StringMatch(it->first, sRegistryName)) return it;
  return owners.end();
}

bool LookupLuid(const char* sName, LUID& luid) {
  auto& cache = P().luids;
  auto it = cache.find(sName);
  if (it != cache.end()) {
    luid = it->second;
    return true;
  }
  if (!::LookupPrivilegeValueA(nullptr, sName, &luid)) return false;
  cache.emplace(sName, luid);
  return true;
}

// shell32's IsUserAnAdmin: true in an elevated process. Without the
// function (no user account control) an administrator counts as elevated.
bool ProcessIsElevated() {
  if (PlatformFake().IsUserAnAdmin) return *PlatformFake().IsUserAnAdmin;
  using Fn = BOOL(WINAPI*)();
  const Fn f = App_Platform::Proc<Fn>(L"shell32.dll", "IsUserAnAdmin");
  return f == nullptr || f() != FALSE;
}

std::wstring EnvVar(const wchar_t* sName) {
  const DWORD n = ::GetEnvironmentVariableW(sName, nullptr, 0);
  if (n == 0) return {};
  std::wstring v(n, L'\0');
  const DWORD got = ::GetEnvironmentVariableW(sName, v.data(), n);
  v.resize(got < n ? got : 0);
  return v;
}

}  // namespace

// ---- privileges --------------------------------------------------------------------

std::wstring PrivilegeRegistryName(int32_t lIndex) {
  if (lIndex == 0) return Widen(kRestoreName) + L"_" + Widen(kBackupName);
  if (lIndex < 0 || lIndex >= PrivilegeIndexCount) return {};
  return Widen(kPrivilegeNames[lIndex]);
}

const std::wstring* PrivilegeOwner(std::wstring_view sRegistryName) {
  auto it = FindOwner(sRegistryName);
  return it == P().owners.end() ? nullptr : &it->second;
}

int32_t PrivilegeOwnerCount() {
  return static_cast<int32_t>(P().owners.size());
}

void ReleasePrivilegeRegistry() {
  P().owners.clear();
  P().luids.clear();
}

bool SetPrivilegeToken(const App_Variant& vCaller, int32_t lIndex, bool bEnable) {
  try {
    if (lIndex < 0 || lIndex >= PrivilegeIndexCount) return false;
    const std::wstring registryName = PrivilegeRegistryName(lIndex);
    // The caller's identity: its kind and its text, so that call number 7
    // and the text "7" are different callers.
    const std::wstring caller = App_Variables::VarTypeName(vCaller.VarType()) + L"=" +
                                App_Strings::Trim(App_Variables::VariantToString(vCaller));

    // 1. The process's own token, for adjusting and querying privileges.
    HANDLE raw = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &raw)) return false;
    const App_Handle token(raw);

    // 2. The privilege list; a name that cannot be looked up ends here.
    PrivilegeList list{};
    const char* names[2] = {kPrivilegeNames[lIndex], nullptr};
    if (lIndex == 0) {
      names[0] = kRestoreName;
      names[1] = kBackupName;
    }
    for (const char* name : names) {
      if (!name) continue;
      LUID luid{};
      if (!LookupLuid(name, luid)) {
        App_Debug::dPrint(L"App_Common.SetPrivilegeToken", L"LookupPrivilegeValueA failed!", evAPIError,
                          pVar(L"sTokenName", Widen(name)));
        return false;
      }
      LUID_AND_ATTRIBUTES& entry = list.Privileges[list.PrivilegeCount++];
      entry.Luid = luid;
      entry.Attributes = bEnable ? SE_PRIVILEGE_ENABLED : 0;
    }

    // 3. Only the caller that switched a privilege on may switch it off.
    auto owner = FindOwner(registryName);
    const bool recorded = owner != P().owners.end();
    if (recorded && !bEnable && !App_Strings::StringMatch(owner->second, caller)) return false;

    // 4. and 5. Adjust; "success" with a last error (1300: not all held)
    //    changed nothing that was asked for.
    ::SetLastError(0);
    const BOOL ok = ::AdjustTokenPrivileges(token.Get(), FALSE, reinterpret_cast<PTOKEN_PRIVILEGES>(&list),
                                            sizeof(list), nullptr, nullptr);
    const DWORD err = ::GetLastError();
    if (!ok || err != 0) {
      const std::wstring vars = pVar(L"sSystemName", L"", L"sTokenName", registryName);
      ::SetLastError(err);
      App_Debug::ProcAPIError(-1, ok ? L"AdjustTokenPrivileges Success" : L"AdjustTokenPrivileges", vars);
      return false;
    }

    // 6. Record or release the owner.
    if (bEnable) {
      if (!recorded) P().owners.emplace_back(registryName, caller);
    } else if (recorded) {
      P().owners.erase(owner);
    }
    return true;
  } catch (...) {
    App_Err::Clear();
    return false;
  }
}

// ---- account checks ----------------------------------------------------------------

int32_t UserAccountTypeFromLevel(uint32_t lPrivLevel, bool bProcessElevated) {
  if (lPrivLevel == USER_PRIV_ADMIN && !bProcessElevated) return uatAdministratorNotElevated;
  return static_cast<int32_t>(lPrivLevel);
}

bool CheckTokenForAdmin(bool& bFailed) {
  App_Trace t(L"App_Common", L"CheckTokenForAdmin");
  bool result = false;
  bFailed = false;
  PSID admins = nullptr;
  const bool completed = t.Step([&] {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    if (!::AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0,
                                    0, 0, &admins)) {
      admins = nullptr;
      t.APIError(L"AllocateAndInitializeSid");
      return;
    }
    if (PlatformFake().IsUserAnAdmin) {
      result = *PlatformFake().IsUserAnAdmin;
      return;
    }
    using Fn = BOOL(WINAPI*)(HANDLE, PSID, PBOOL);
    const Fn check = App_Platform::Proc<Fn>(L"advapi32.dll", "CheckTokenMembership");
    if (!check) {
      bFailed = true;
      return;
    }
    BOOL member = FALSE;
    if (!check(nullptr, admins, &member)) {
      t.APIError(L"CheckTokenMembership");
      bFailed = true;
      return;
    }
    result = member != FALSE;
  });
  if (!completed) bFailed = true;
  if (admins) ::FreeSid(admins);
  t.Vars(vkReturnedByRef, {L"bFailed", bFailed});
  t.Vars(vkFunctionReturn, {result});
  return result;
}

bool IsCurrentUserAnAdmin() {
  App_Trace t(L"App_Common", L"IsCurrentUserAnAdmin");
  bool result = false;
  t.Step([&] {
    const App_Env& env = AppEnv();
    if (env.API_CheckTokenMembership) {
      bool failed = false;
      const bool member = CheckTokenForAdmin(failed);
      if (!failed) {
        result = member;
        return;
      }
      t.Log(L"Failed CheckTokenForAdmin API method!");
    } else {
      t.Log(L"CheckTokenMembership API is not available!");
    }
    if (env.API_IsUserAnAdmin) {
      result = IsAdminAccount(env.Name_CurrentUser);
    } else {
      t.Log(L"IsUserAnAdmin API is not available!");
    }
  });
  t.Vars(vkFunctionReturn, {result});
  return result;
}

int32_t GetUserAccountType(std::wstring_view sUserName) {
  App_Trace t(L"App_Common", L"GetUserAccountType");
  t.Vars(vkPassedByVal, {L"sUserName", sUserName});
  int32_t result = uatGuest;
  t.Step([&] {
    std::wstring name = App_Strings::Trim(sUserName);
    if (name.empty()) name = AppEnv().Name_CurrentUser;
    using GetInfoFn = NET_API_STATUS(WINAPI*)(LPCWSTR, LPCWSTR, DWORD, LPBYTE*);
    using FreeFn = NET_API_STATUS(WINAPI*)(LPVOID);
    const GetInfoFn getInfo = App_Platform::Proc<GetInfoFn>(L"netapi32.dll", "NetUserGetInfo");
    const FreeFn freeBuffer = App_Platform::Proc<FreeFn>(L"netapi32.dll", "NetApiBufferFree");
    if (!getInfo || !freeBuffer) {
      t.Log(L"NetUserGetInfo API is not available!");
      return;
    }
    LPBYTE buffer = nullptr;
    const NET_API_STATUS status = getInfo(nullptr, name.c_str(), 1, &buffer);
    struct BufferOwner {
      LPBYTE p;
      FreeFn f;
      ~BufferOwner() {
        if (p) f(p);
      }
    } owner{buffer, freeBuffer};
    if (status != NERR_Success || !buffer) {
      t.Log(L"NetUserGetInfo failed!", evNormal,
            pVar(L"sUserName", name, L"lRet", static_cast<int32_t>(status)));
      return;
    }
    const DWORD level = reinterpret_cast<const USER_INFO_1*>(buffer)->usri1_priv;
    result = UserAccountTypeFromLevel(level, level != USER_PRIV_ADMIN || ProcessIsElevated());
  });
  t.Vars(vkFunctionReturn, {result});
  return result;
}

bool IsAdminAccount(std::wstring_view sUserName) {
  App_Trace t(L"App_Common", L"IsAdminAccount");
  t.Vars(vkPassedByVal, {L"sUserName", sUserName});
  const bool result = GetUserAccountType(sUserName) == uatAdministrator;
  t.Vars(vkFunctionReturn, {result});
  return result;
}

bool IsOnDomain() {
  App_Trace t(L"App_Common", L"IsOnDomain");
  bool result = false;
  t.Step([&] {
    if (App_Strings::Trim(AppEnv().Name_DomainName).empty()) return;
    const std::wstring domain = App_Strings::Trim(EnvVar(L"USERDOMAIN"));
    // A one-letter or missing USERDOMAIN is no domain, whatever the
    // computer is called.
    result = domain.size() >= 2 && !App_Strings::StringMatch(domain, EnvVar(L"COMPUTERNAME"));
  });
  t.Vars(vkFunctionReturn, {result});
  return result;
}

bool IsSystemAccount() {
  App_Trace t(L"App_Common", L"IsSystemAccount");
  bool result = false;
  const bool tested = t.Step([&] {
    const std::wstring user = EnvVar(L"USERNAME");
    if (App_Strings::Trim(user).empty() ||
        App_Strings::StringMatch(user, App_Strings::Trim(EnvVar(L"COMPUTERNAME")) + L"$"))
      result = true;
  });
  if (!tested) result = true;
  if (!result) {
    t.Step([&] {
      if (App_Strings::StringMatch(EnvVar(L"SYSTEMDRIVE"), L"X:")) {
        result = true;
        t.Log(L"Return=True due to X: system drive.");
      }
    });
  }
  t.Vars(vkFunctionReturn, {result});
  return result;
}

}  // namespace App_Common
