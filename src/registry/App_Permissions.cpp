#include "registry/App_Permissions.h"

#include <aclapi.h>
#include <sddl.h>

#include <cstring>

#include "diag/App_Err.h"
#include "diag/App_Trace.h"
#include "platform/App_Env.h"
#include "registry/App_Common_Privileges.h"
#include "util/App_Args.h"
#include "util/App_Strings.h"
#include "util/App_Variables.h"

namespace App_Permissions {

namespace {

constexpr std::wstring_view kModule = L"App_Permissions";
// How long the kit's ACL tool may take over one command.
constexpr int32_t kACLToolLimitMS = 60000;

ACLToolRunner g_runACLTool = nullptr;

// Memory from LocalAlloc (security descriptors, identifiers), freed with LocalFree.
struct App_LocalTraits {
  static bool Valid(HLOCAL h) { return h != nullptr; }
  static void Release(HLOCAL h) { ::LocalFree(h); }
};
using App_Local = App_Owner<HLOCAL, App_LocalTraits>;

struct WellKnown {
  const wchar_t* sName;
  const wchar_t* sSid;
};
constexpr WellKnown kWellKnown[] = {
    {L"administrators", L"S-1-5-32-544"},
    {L"system", L"S-1-5-18"},
    {L"local system", L"S-1-5-18"},
    {L"localsystem", L"S-1-5-18"},
    {L"everyone", L"S-1-1-0"},
    {L"users", L"S-1-5-32-545"},
    {L"power users", L"S-1-5-32-547"},
    {L"authenticated users", L"S-1-5-11"},
    {L"interactive", L"S-1-5-4"},
};

// The accounts every local user is in: Everyone, Users, Power Users,
// Authenticated Users, INTERACTIVE.
constexpr const wchar_t* kOpenToEveryUser[] = {L"S-1-1-0", L"S-1-5-32-545", L"S-1-5-32-547", L"S-1-5-11",
                                               L"S-1-5-4"};

// The rights that only read a key; any other right is a write.
constexpr uint32_t kKeyReadOnly = KEY_READ;

// The privilege index that SetPrivilegeToken knows a privilege by.
int32_t PrivilegeIndex(std::wstring_view sName) {
  for (int32_t i = 1; i < App_Common::PrivilegeIndexCount; ++i)
    if (App_Common::PrivilegeRegistryName(i) == sName) return i;
  return -1;
}

// The roots whose keys may be taken over.
bool IsOwnableRoot(App_HKEY eHKEY) {
  return eHKEY == hkeyClassesRoot || eHKEY == hkeyCurrentUser || eHKEY == hkeyLocalMachine ||
         eHKEY == hkeyUsers;
}

// Opens a key for a change of its security in the view the registry rules
// choose (the 64-bit one for HKLM\SOFTWARE on 64-bit Windows), so that the
// owner and the access list always act on the same key, whichever view
// the program itself runs in.
LONG OpenForSecurity(App_HKEY eHKEY, std::wstring_view sSubKey, uint32_t lAccess, App_RegKey& hKey) {
  std::wstring key(sSubKey);
  uint32_t sam = 0;
  bool bRemoved = false;
  App_Registry::AddRegFlagWOW64(eHKEY, key, sam, bRemoved);
  return ::RegOpenKeyExW(App_Registry::RootHandle(eHKEY), key.c_str(), 0, sam | lAccess, hKey.Put());
}

std::vector<BYTE> CopySid(PSID p) {
  const DWORD n = ::GetLengthSid(p);
  std::vector<BYTE> v(n);
  ::CopySid(n, v.data(), p);
  return v;
}

std::vector<BYTE> SidFromText(const wchar_t* sSid) {
  PSID p = nullptr;
  if (!::ConvertStringSidToSidW(sSid, &p)) return {};
  App_Local owner(p);
  return CopySid(p);
}

bool IsOpenToEveryUserSid(const std::vector<BYTE>& Sid) {
  if (Sid.empty()) return false;
  static const std::vector<std::vector<BYTE>> open = [] {
    std::vector<std::vector<BYTE>> v;
    for (const wchar_t* sOpen : kOpenToEveryUser) v.push_back(SidFromText(sOpen));
    return v;
  }();
  for (const std::vector<BYTE>& o : open)
    if (!o.empty() && ::EqualSid(const_cast<BYTE*>(o.data()), const_cast<BYTE*>(Sid.data()))) return true;
  return false;
}

// The account whose hive holds the key: this program's user under
// HKEY_CURRENT_USER, the profile named by the first part of the path under
// HKEY_USERS ("S-1-5-21-...", or its "..._Classes" hive); none elsewhere.
std::vector<BYTE> HiveAccountSid(App_HKEY eHKEY, std::wstring_view sSubKey) {
  std::vector<BYTE> Sid;
  if (eHKEY == hkeyCurrentUser) {
    LookupAccountSid(L"", Sid);
  } else if (eHKEY == hkeyUsers) {
    std::wstring hive(sSubKey.substr(0, sSubKey.find(L'\\')));
    const std::wstring lower = App_Strings::LCase(hive);
    if (lower.size() > 8 && lower.compare(lower.size() - 8, 8, L"_classes") == 0)
      hive.resize(hive.size() - 8);
    if (lower.rfind(L"s-1-", 0) == 0) Sid = SidFromText(hive.c_str());
  }
  return Sid;
}

}  // namespace

std::wstring WellKnownSidOf(std::wstring_view sAccountName) {
  std::wstring name = App_Strings::LCase(App_Strings::Trim(sAccountName));
  const size_t slash = name.rfind(L'\\');
  if (slash != std::wstring::npos) name = name.substr(slash + 1);
  for (const WellKnown& w : kWellKnown)
    if (name == w.sName) return w.sSid;
  return {};
}

bool IsOpenToEveryUser(std::wstring_view sAccountName) {
  // By identifier, so a name in this Windows' language is caught as well.
  std::vector<BYTE> Sid;
  return !App_Strings::Trim(sAccountName).empty() && LookupAccountSid(sAccountName, Sid) &&
         IsOpenToEveryUserSid(Sid);
}

bool LookupAccountSid(std::wstring_view sAccountName, std::vector<BYTE>& Sid) {
  Sid.clear();
  if (App_Strings::Trim(sAccountName).empty()) {
    // No name: the account this program runs as, from its own token.
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    App_Handle owner(token);
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    if (size == 0) return false;
    std::vector<BYTE> buf(size);
    if (!::GetTokenInformation(token, TokenUser, buf.data(), size, &size)) return false;
    Sid = CopySid(reinterpret_cast<TOKEN_USER*>(buf.data())->User.Sid);
    return true;
  }
  const std::wstring known = WellKnownSidOf(sAccountName);
  if (!known.empty()) {
    PSID p = nullptr;
    if (!::ConvertStringSidToSidW(known.c_str(), &p)) return false;
    App_Local owner(p);
    Sid = CopySid(p);
    return true;
  }
  const std::wstring name(sAccountName);
  DWORD sidSize = 0, domainSize = 256;
  std::vector<wchar_t> domain(domainSize);
  SID_NAME_USE use;
  ::LookupAccountNameW(nullptr, name.c_str(), nullptr, &sidSize, domain.data(), &domainSize, &use);
  if (sidSize == 0) return false;
  Sid.assign(sidSize, 0);
  domainSize = static_cast<DWORD>(domain.size());
  if (domainSize < 256) domainSize = 256;
  domain.resize(domainSize);
  if (!::LookupAccountNameW(nullptr, name.c_str(), Sid.data(), &sidSize, domain.data(), &domainSize, &use)) {
    Sid.clear();
    return false;
  }
  return true;
}

void EnsurePermissionUsersForRegFunctions(App_HKEY eHKEY, std::wstring& sTakeOwnerName,
                                          std::wstring& sTakePermName) {
  App_Trace t(kModule, L"EnsurePermissionUsersForRegFunctions", ptSub);
  t.Vars(vkPassedByRef, {L"sTakeOwnerName", sTakeOwnerName, L"sTakePermName", sTakePermName});
  t.Step([&] {
    const App_Env& e = AppEnv();
    if (sTakeOwnerName.empty()) {
      if (eHKEY == hkeyCurrentUser) {
        if (e.AppInst_IsSystem) {
          sTakeOwnerName = L"System";
          if (sTakePermName.empty()) sTakePermName = L"Everyone";
        } else {
          sTakeOwnerName = e.Name_CurrentUser;
          if (sTakePermName.empty()) sTakePermName = e.Name_CurrentUser;
        }
      } else {
        sTakeOwnerName = L"administrators";
      }
    }
    if (sTakePermName.empty()) {
      if (App_Strings::EqualText(sTakeOwnerName, L"administrators", false) ||
          App_Strings::EqualText(sTakeOwnerName, L"system", false) || e.AppInst_IsSystem)
        sTakePermName = L"Everyone";
      else
        sTakePermName = sTakeOwnerName;
    }
  });
  t.Vars(vkReturnedByRef, {L"sTakeOwnerName", sTakeOwnerName, L"sTakePermName", sTakePermName});
}

void SetACLToolRunner(ACLToolRunner fnRun) {
  g_runACLTool = fnRun;
}

bool TakeControlReg(App_HKEY eHKEY, std::wstring_view sRegSubKey, std::wstring& sTakeOwnerName,
                    std::wstring& sTakePermName) {
  App_Trace t(kModule, L"TakeControlReg");
  t.Vars(vkPassedByVal, {L"eHKEY", App_Registry::GetHKEYName(eHKEY, true), L"sRegSubKey", sRegSubKey,
                         L"sTakeOwnerName", sTakeOwnerName, L"sTakePermName", sTakePermName});
  bool result = false;
  EnsurePermissionUsersForRegFunctions(eHKEY, sTakeOwnerName, sTakePermName);
  // No key is handed to every local account: the access list gives the
  // administrators and SYSTEM (and the hive's own account) full control
  // instead, and the ACL tool grants it to the administrators.
  std::wstring sGrantName = sTakePermName;
  if (IsOpenToEveryUser(sTakePermName)) {
    t.Log(L"Full control for [" + sTakePermName + L"] goes to the administrators and SYSTEM instead");
    sTakePermName = L"Administrators";
  }
  t.Vars(vkCreated, {L"sTakeOwnerName", sTakeOwnerName, L"sTakePermName", sTakePermName});
  t.Step([&] { ChangeOwnerOfReg(eHKEY, sRegSubKey, sTakeOwnerName); });
  t.Step([&] {
    bool bAllow = true;
    result = RegSetKeyPermission(eHKEY, sRegSubKey, sGrantName, bAllow, kKeyFullControl);
  });
  t.Step([&] {
    const std::wstring& tool = AppEnv().EXE_SubInACL;
    if (tool.empty()) return;
    if (!g_runACLTool) {
      t.Log(L"No process launcher was handed in; the ACL tool is not run", evNormal, pVar(L"sTool", tool));
      return;
    }
    const std::wstring root = App_Strings::UCase(App_Registry::GetHKEYName(eHKEY, false));
    if (root.empty()) return;
    const std::wstring key = root + L"\\" + std::wstring(sRegSubKey);
    // A name read from the registry is as untrusted as a URL: each one
    // reaches the tool as exactly one argument, or the tool is not run.
    const std::wstring* names[] = {&key, &sTakeOwnerName, &sTakePermName};
    for (const std::wstring* name : names) {
      if (!App_Args::CanPassAsOneArgument(*name)) {
        t.Log(
            L"A name the ACL tool cannot be given as one argument (a double quote, NUL or line break); "
            L"the tool is not run for this key",
            evNormal, pVar(L"sName", *name));
        return;
      }
    }
    const std::wstring K = App_Args::WrapAsOneArgument(key);
    const std::wstring owner = App_Args::QuoteWhenNeeded(L"/setowner=" + sTakeOwnerName);
    const std::wstring grant = App_Args::QuoteWhenNeeded(L"/grant=" + sTakePermName + L"=F");
    for (const std::wstring& args : {L"/keyreg " + K + L" " + owner, L"/keyreg " + K + L" " + grant,
                                     L"/subkeyreg " + K + L" " + owner, L"/subkeyreg " + K + L" " + grant}) {
      if (g_runACLTool(tool, args, kACLToolLimitMS))
        t.Log(L"The ACL tool did not finish within " + std::to_wstring(kACLToolLimitMS / 1000) +
                  L" s; it is left running and the next step goes on",
              evNormal, pVar(L"sArgs", args));
    }
  });
  t.Vars(vkFunctionReturn, {result});
  return result;
}

bool ChangeOwnerOfReg(App_HKEY eHKEY, std::wstring_view sSubKey, std::wstring_view sOwnerAccountName) {
  App_Trace t(kModule, L"ChangeOwnerOfReg");
  t.Vars(vkPassedByVal, {L"eHKEY", App_Registry::GetHKEYName(eHKEY, true), L"sSubKey", sSubKey,
                         L"sOwnerAccountName", sOwnerAccountName});
  bool result = false;
  if (sSubKey.empty() || !IsOwnableRoot(eHKEY)) {
    t.Vars(vkFunctionReturn, {result});
    return result;
  }
  std::wstring sAccount(sOwnerAccountName);
  std::vector<BYTE> Sid;
  t.Step([&] {
    const App_Env& e = AppEnv();
    if (sAccount.empty()) sAccount = e.Name_CurrentUser;
    // Standard accounts by their identifier; other names qualified with the
    // domain or computer, as the lookup wants them, else as they are.
    if (!sAccount.empty() && WellKnownSidOf(sAccount).empty() && sAccount.find(L'\\') == std::wstring::npos) {
      const std::wstring& qualifier = e.Name_DomainName.empty() ? e.Name_ComputerName : e.Name_DomainName;
      if (!qualifier.empty() && LookupAccountSid(qualifier + L"\\" + sAccount, Sid)) return;
    }
    if (!LookupAccountSid(sAccount, Sid)) t.APIError(L"LookupAccountNameW", pVar(L"sAccount", sAccount));
  });
  const int32_t lTakeOwnership = PrivilegeIndex(L"SeTakeOwnershipPrivilege");
  const int32_t lRestore = PrivilegeIndex(L"SeRestorePrivilege");
  if (!Sid.empty()) {
    App_Common::SetPrivilegeToken(t.ID(), lTakeOwnership, true);
    App_Common::SetPrivilegeToken(t.ID(), lRestore, true);
    // The owner is set through a handle opened in the registry rules' view,
    // the same view the access list is written in.
    const auto setOwner = [&]() -> DWORD {
      App_RegKey hKey;
      const LONG lOpen = OpenForSecurity(eHKEY, sSubKey, WRITE_OWNER, hKey);
      if (lOpen != ERROR_SUCCESS) return static_cast<DWORD>(lOpen);
      return ::SetSecurityInfo(hKey.Get(), SE_REGISTRY_KEY, OWNER_SECURITY_INFORMATION, Sid.data(), nullptr,
                               nullptr, nullptr);
    };
    t.Step([&] {
      DWORD lRet = setOwner();
      result = lRet == ERROR_SUCCESS;
      t.Log(L"SetSecurityInfo=" + std::to_wstring(lRet));
      if (lRet == ERROR_ACCESS_DENIED || lRet == ERROR_BAD_EXE_FORMAT) {
        // Full control first (the owner of a key may always rewrite its list), then once more.
        bool bAllow = true;
        if (RegSetKeyPermission(eHKEY, sSubKey, sAccount, bAllow, kKeyFullControl)) {
          lRet = setOwner();
          result = lRet == ERROR_SUCCESS;
          t.Log(L"SetSecurityInfo=" + std::to_wstring(lRet));
        }
      }
    });
    App_Common::SetPrivilegeToken(t.ID(), lTakeOwnership, false);
    App_Common::SetPrivilegeToken(t.ID(), lRestore, false);
  }
  t.Vars(vkFunctionReturn, {result});
  return result;
}

bool RegSetKeyPermission(App_HKEY eHKEY, std::wstring_view sSubKey, std::wstring& sAccountName,
                         bool& bAllowAccess, uint32_t eAccessRights) {
  App_Trace t(kModule, L"RegSetKeyPermission");
  t.Vars(vkPassedByVal,
         {L"eHKEY", App_Registry::GetHKEYName(eHKEY, true), L"sSubKey", sSubKey, L"sAccountName",
          sAccountName, L"bAllowAccess", bAllowAccess, L"eAccessRights", eAccessRights});
  bool result = false;
  t.Step([&] {
    if (sAccountName.empty()) sAccountName = AppEnv().Name_CurrentUser;
    App_RegKey hKey;
    if (sSubKey.empty() || OpenForSecurity(eHKEY, sSubKey, READ_CONTROL | WRITE_DAC, hKey) != ERROR_SUCCESS)
      return;
    std::vector<PermissionEntry> entries(1);
    entries[0].sAccountName = sAccountName;
    entries[0].lAccessMask = eAccessRights;
    entries[0].bAceType = bAllowAccess ? ACCESS_ALLOWED_ACE_TYPE : ACCESS_DENIED_ACE_TYPE;
    LookupAccountSid(sAccountName, entries[0].Sid);  // a failed lookup is raised by the update
    // Write rights for every local account (by name or by identifier, in
    // any language) go to the administrators and SYSTEM instead, and to the
    // account whose hive holds the key.
    if (bAllowAccess && (eAccessRights & ~kKeyReadOnly) != 0 && IsOpenToEveryUserSid(entries[0].Sid)) {
      t.Log(L"Rights for [" + sAccountName + L"] go to the administrators and SYSTEM instead", evNormal,
            pVar(L"sSubKey", sSubKey));
      PermissionEntry e = entries[0];
      entries.clear();
      for (const wchar_t* sInstead : {L"S-1-5-32-544", L"S-1-5-18"}) {
        e.Sid = SidFromText(sInstead);
        e.sAccountName = sInstead;
        entries.push_back(e);
      }
      e.Sid = HiveAccountSid(eHKEY, sSubKey);
      if (!e.Sid.empty() && !IsEqual(entries, e.Sid.data()) && !IsOpenToEveryUserSid(e.Sid)) {
        e.sAccountName = L"(the hive's account)";
        entries.push_back(e);
      }
    }
    result = UpdatePermissionsOfRegistryKey(hKey.Get(), entries);
  });
  t.Vars(vkReturnedByRef, {L"sAccountName", sAccountName});
  t.Vars(vkFunctionReturn, {result});
  return result;
}

bool IsEqual(const std::vector<PermissionEntry>& Entries, PSID Sid) {
  for (const PermissionEntry& e : Entries)
    if (!e.Sid.empty() && ::EqualSid(const_cast<BYTE*>(e.Sid.data()), Sid)) return true;
  return false;
}

bool ConstructAndAddAce(PACL pAcl, uint8_t bAceType, uint8_t bAceFlags, uint32_t lAccessMask, PSID Sid) {
  const DWORD sidLen = ::GetLengthSid(Sid);
  const DWORD aceSize = sidLen + 8;  // header, mask, then the identifier
  std::vector<BYTE> ace(aceSize, 0);
  auto* header = reinterpret_cast<ACE_HEADER*>(ace.data());
  header->AceType = bAceType;
  header->AceFlags = bAceFlags;
  header->AceSize = static_cast<WORD>(aceSize);
  std::memcpy(ace.data() + 4, &lAccessMask, 4);
  std::memcpy(ace.data() + 8, Sid, sidLen);
  return ::AddAce(pAcl, ACL_REVISION, MAXDWORD, ace.data(), aceSize) != FALSE;
}

bool UpdatePermissionsOfRegistryKey(HKEY hKey, std::vector<PermissionEntry>& Entries) {
  App_Trace t(kModule, L"UpdatePermissionsOfRegistryKey");
  bool result = false;
  t.Step([&] {
    // The key's current access list.
    DWORD size = 0;
    ::RegGetKeySecurity(hKey, DACL_SECURITY_INFORMATION, nullptr, &size);
    if (size == 0)
      App_Err::Raise(static_cast<int32_t>(::GetLastError()), L"RegGetKeySecurity: no size", kModule);
    std::vector<BYTE> oldSD(size, 0);
    LONG lRet = ::RegGetKeySecurity(hKey, DACL_SECURITY_INFORMATION, oldSD.data(), &size);
    if (lRet != ERROR_SUCCESS) App_Err::Raise(lRet, L"RegGetKeySecurity", kModule);
    // Every old entry is carried over or the key is left as it was: a list
    // that cannot be read whole is never replaced.
    BOOL present = FALSE, defaulted = FALSE;
    PACL oldAcl = nullptr;
    if (!::GetSecurityDescriptorDacl(oldSD.data(), &present, &oldAcl, &defaulted))
      App_Err::Raise(static_cast<int32_t>(::GetLastError()), L"GetSecurityDescriptorDacl", kModule);
    ACL_SIZE_INFORMATION info{};
    if (present && oldAcl && !::GetAclInformation(oldAcl, &info, sizeof(info), AclSizeInformation))
      App_Err::Raise(static_cast<int32_t>(::GetLastError()), L"GetAclInformation", kModule);
    // Object entries need the newer list revision; the list keeps the old one's.
    const DWORD revision =
        present && oldAcl && oldAcl->AclRevision > ACL_REVISION ? oldAcl->AclRevision : ACL_REVISION;

    // The accounts' identifiers and the new list's size.
    DWORD aclSize = info.AceCount > 0 ? info.AclBytesInUse : sizeof(ACL);
    for (PermissionEntry& e : Entries) {
      if (e.Sid.empty() && !LookupAccountSid(e.sAccountName, e.Sid))
        App_Err::Raise(static_cast<int32_t>(::GetLastError()),
                       L"LookupAccountNameW [" + e.sAccountName + L"]", kModule);
      aclSize += static_cast<DWORD>(e.Sid.size()) + 8;
    }
    std::vector<BYTE> newAclBuf(aclSize, 0);
    PACL newAcl = reinterpret_cast<PACL>(newAclBuf.data());
    if (!::InitializeAcl(newAcl, aclSize, revision))
      App_Err::Raise(static_cast<int32_t>(::GetLastError()), L"InitializeAcl", kModule);

    // Deny entries, the old explicit entries of other accounts, allow
    // entries, then the inherited entries as they were.
    for (PermissionEntry& e : Entries)
      if (e.bAceType == ACCESS_DENIED_ACE_TYPE &&
          !ConstructAndAddAce(newAcl, e.bAceType, e.bAceFlags, e.lAccessMask, e.Sid.data()))
        App_Err::Raise(static_cast<int32_t>(::GetLastError()), L"AddAce (deny)", kModule);
    const auto oldAce = [&](DWORD i) {
      ACE_HEADER* ace = nullptr;
      if (!::GetAce(oldAcl, i, reinterpret_cast<void**>(&ace)))
        App_Err::Raise(static_cast<int32_t>(::GetLastError()), L"GetAce", kModule);
      return ace;
    };
    const auto keep = [&](ACE_HEADER* ace) {
      if (!::AddAce(newAcl, revision, MAXDWORD, ace, ace->AceSize))
        App_Err::Raise(static_cast<int32_t>(::GetLastError()), L"AddAce (an old entry)", kModule);
    };
    DWORD firstInherited = info.AceCount;
    for (DWORD i = 0; i < info.AceCount; ++i) {
      ACE_HEADER* ace = oldAce(i);
      if (ace->AceFlags & INHERITED_ACE) {
        firstInherited = i;
        break;
      }
      // Allowed and denied entries keep their identifier right after the mask.
      PSID aceSid = reinterpret_cast<BYTE*>(ace) + 8;
      if ((ace->AceType == ACCESS_ALLOWED_ACE_TYPE || ace->AceType == ACCESS_DENIED_ACE_TYPE) &&
          IsEqual(Entries, aceSid))
        continue;
      keep(ace);
    }
    for (PermissionEntry& e : Entries)
      if (e.bAceType == ACCESS_ALLOWED_ACE_TYPE &&
          !ConstructAndAddAce(newAcl, e.bAceType, e.bAceFlags, e.lAccessMask, e.Sid.data()))
        App_Err::Raise(static_cast<int32_t>(::GetLastError()), L"AddAce (allow)", kModule);
    for (DWORD i = firstInherited; i < info.AceCount; ++i) keep(oldAce(i));

    // The new descriptor: the list and the old list's inheritance state.
    SECURITY_DESCRIPTOR sd{};
    if (!::InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION))
      App_Err::Raise(static_cast<int32_t>(::GetLastError()), L"InitializeSecurityDescriptor", kModule);
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD sdRevision = 0;
    ::GetSecurityDescriptorControl(oldSD.data(), &control, &sdRevision);
    // Both flags are kept, each on its own: a protected list that is also
    // auto-inherited stays protected.
    if (control & SE_DACL_AUTO_INHERITED)
      ::SetSecurityDescriptorControl(&sd, SE_DACL_AUTO_INHERITED | SE_DACL_AUTO_INHERIT_REQ,
                                     SE_DACL_AUTO_INHERITED | SE_DACL_AUTO_INHERIT_REQ);
    if (control & SE_DACL_PROTECTED)
      ::SetSecurityDescriptorControl(&sd, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
    if (!::SetSecurityDescriptorDacl(&sd, TRUE, newAcl, FALSE))
      App_Err::Raise(static_cast<int32_t>(::GetLastError()), L"SetSecurityDescriptorDacl", kModule);
    lRet = ::RegSetKeySecurity(hKey, DACL_SECURITY_INFORMATION, &sd);
    if (lRet != ERROR_SUCCESS) App_Err::Raise(lRet, L"RegSetKeySecurity", kModule);
    result = true;
  });
  t.Vars(vkFunctionReturn, {result});
  return result;
}

}  // namespace App_Permissions
