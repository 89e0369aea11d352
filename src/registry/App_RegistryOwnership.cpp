#include "registry/App_RegistryOwnership.h"

#include <aclapi.h>
#include <sddl.h>

#include <cstring>

#include "platform/App_Env.h"
#include "diag/App_Err.h"
#include "diag/App_Trace.h"
#include "process/App_RunX.h"
#include "registry/App_Common_Privileges.h"
#include "registry/App_FSRedir.h"
#include "util/App_Strings.h"
#include "util/App_Variables.h"

namespace App_Permissions {

namespace {

constexpr std::wstring_view kModule = L"App_Permissions";

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
    {L"administrators", L"S-1-5-32-544"}, {L"system", L"S-1-5-18"},  {L"local system", L"S-1-5-18"},
    {L"localsystem", L"S-1-5-18"},        {L"everyone", L"S-1-1-0"}, {L"users", L"S-1-5-32-545"},
    {L"power users", L"S-1-5-32-547"},
};

// The privilege index that SetPrivilegeToken knows a privilege by.
int32_t PrivilegeIndex(std::wstring_view sName) {
  for (int32_t i = 1; i < App_Common::PrivilegeIndexCount; ++i)
    if (App_Common::PrivilegeRegistryName(i) == sName) return i;
  return -1;
}

// "MACHINE\SOFTWARE\x" for the named-object security calls; "" for a root
// they do not take.
std::wstring RegObjectName(App_HKEY eHKEY, std::wstring_view sSubKey) {
  const wchar_t* root = nullptr;
  switch (eHKEY) {
    case hkeyClassesRoot:
      root = L"CLASSES_ROOT";
      break;
    case hkeyCurrentUser:
      root = L"CURRENT_USER";
      break;
    case hkeyLocalMachine:
      root = L"MACHINE";
      break;
    case hkeyUsers:
      root = L"USERS";
      break;
    default:
      return {};
  }
  return std::wstring(root) + L"\\" + std::wstring(sSubKey);
}

std::vector<BYTE> CopySid(PSID p) {
  const DWORD n = ::GetLengthSid(p);
  std::vector<BYTE> v(n);
  ::CopySid(n, v.data(), p);
  return v;
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
  const std::wstring sid = WellKnownSidOf(sAccountName);
  return sid == L"S-1-1-0" || sid == L"S-1-5-32-545" || sid == L"S-1-5-32-547";
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

bool TakeControlReg(App_HKEY eHKEY, std::wstring_view sRegSubKey, std::wstring& sTakeOwnerName,
                    std::wstring& sTakePermName) {
  App_Trace t(kModule, L"TakeControlReg");
  t.Vars(vkPassedByVal, {L"eHKEY", App_Registry::GetHKEYName(eHKEY, true), L"sRegSubKey", sRegSubKey,
                         L"sTakeOwnerName", sTakeOwnerName, L"sTakePermName", sTakePermName});
  bool result = false;
  EnsurePermissionUsersForRegFunctions(eHKEY, sTakeOwnerName, sTakePermName);
  // A machine-wide key is not handed to every local account.
  if (eHKEY != hkeyCurrentUser && IsOpenToEveryUser(sTakePermName)) {
    t.Log(L"Full control for [" + sTakePermName +
          L"] goes to the administrators instead (a machine-wide key)");
    sTakePermName = L"Administrators";
  }
  t.Vars(vkCreated, {L"sTakeOwnerName", sTakeOwnerName, L"sTakePermName", sTakePermName});
  t.Step([&] { ChangeOwnerOfReg(eHKEY, sRegSubKey, sTakeOwnerName); });
  t.Step([&] {
    bool bAllow = true;
    result = RegSetKeyPermission(eHKEY, sRegSubKey, sTakePermName, bAllow, kKeyFullControl);
  });
  t.Step([&] {
    const std::wstring& tool = AppEnv().EXE_SubInACL;
    if (tool.empty()) return;
    const std::wstring root = App_Strings::UCase(App_Registry::GetHKEYName(eHKEY, false));
    if (root.empty()) return;
    const std::wstring key = L"\"" + root + L"\\" + std::wstring(sRegSubKey) + L"\"";
    for (const std::wstring& args : {L"/keyreg " + key + L" /setowner=" + sTakeOwnerName,
                                     L"/keyreg " + key + L" /grant=" + sTakePermName + L"=F",
                                     L"/subkeyreg " + key + L" /setowner=" + sTakeOwnerName,
                                     L"/subkeyreg " + key + L" /grant=" + sTakePermName + L"=F"})
      App_RunX::RunX(tool, args, true, false, 0, SW_HIDE);
  });
  t.Vars(vkFunctionReturn, {result});
  return result;
}

bool ChangeOwnerOfReg(App_HKEY eHKEY, std::wstring_view sSubKey, std::wstring_view sOwnerAccountName) {
  App_Trace t(kModule, L"ChangeOwnerOfReg");
  t.Vars(vkPassedByVal, {L"eHKEY", App_Registry::GetHKEYName(eHKEY, true), L"sSubKey", sSubKey,
                         L"sOwnerAccountName", sOwnerAccountName});
  bool result = false;
  std::wstring sObject = RegObjectName(eHKEY, sSubKey);
  if (sSubKey.empty() || sObject.empty()) {
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
    const auto setOwner = [&] {
      App_FSRedirGuard redir;
      return ::SetNamedSecurityInfoW(sObject.data(), SE_REGISTRY_KEY, OWNER_SECURITY_INFORMATION, Sid.data(),
                                     nullptr, nullptr, nullptr);
    };
    t.Step([&] {
      DWORD lRet = setOwner();
      result = lRet == ERROR_SUCCESS;
      t.Log(L"SetNamedSecurityInfoW=" + std::to_wstring(lRet));
      if (lRet == ERROR_ACCESS_DENIED || lRet == ERROR_BAD_EXE_FORMAT) {
        // Full control first (the owner of a key may always rewrite its list), then once more.
        bool bAllow = true;
        if (RegSetKeyPermission(eHKEY, sSubKey, sAccount, bAllow, kKeyFullControl)) {
          lRet = setOwner();
          result = lRet == ERROR_SUCCESS;
          t.Log(L"SetNamedSecurityInfoW=" + std::to_wstring(lRet));
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
    std::wstring key(sSubKey);
    uint32_t sam = 0;
    bool bRemoved = false;
    App_Registry::AddRegFlagWOW64(eHKEY, key, sam, bRemoved);
    sam |= READ_CONTROL | WRITE_DAC;
    App_RegKey hKey;
    if (::RegOpenKeyExW(App_Registry::RootHandle(eHKEY), key.c_str(), 0, sam, hKey.Put()) != ERROR_SUCCESS)
      return;
    std::vector<PermissionEntry> entries(1);
    entries[0].sAccountName = sAccountName;
    entries[0].lAccessMask = eAccessRights;
    entries[0].bAceType = bAllowAccess ? ACCESS_ALLOWED_ACE_TYPE : ACCESS_DENIED_ACE_TYPE;
    // Rights granted on a machine-wide key to every local account go to
    // the administrators and SYSTEM instead.
    if (bAllowAccess && eHKEY != hkeyCurrentUser && IsOpenToEveryUser(sAccountName)) {
      t.Log(L"Rights for [" + sAccountName +
                L"] go to the administrators and SYSTEM instead (a machine-wide key)",
            evNormal, pVar(L"sSubKey", sSubKey));
      entries[0].sAccountName = L"Administrators";
      entries.push_back(entries[0]);
      entries[1].sAccountName = L"System";
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
    BOOL present = FALSE, defaulted = FALSE;
    PACL oldAcl = nullptr;
    ::GetSecurityDescriptorDacl(oldSD.data(), &present, &oldAcl, &defaulted);
    ACL_SIZE_INFORMATION info{};
    if (present && oldAcl) ::GetAclInformation(oldAcl, &info, sizeof(info), AclSizeInformation);
    if (!present || !oldAcl) info = ACL_SIZE_INFORMATION{};

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
    if (!::InitializeAcl(newAcl, aclSize, ACL_REVISION))
      App_Err::Raise(static_cast<int32_t>(::GetLastError()), L"InitializeAcl", kModule);

    // Deny entries, the old explicit entries of other accounts, allow
    // entries, then the inherited entries as they were.
    for (PermissionEntry& e : Entries)
      if (e.bAceType == ACCESS_DENIED_ACE_TYPE &&
          !ConstructAndAddAce(newAcl, e.bAceType, e.bAceFlags, e.lAccessMask, e.Sid.data()))
        App_Err::Raise(static_cast<int32_t>(::GetLastError()), L"AddAce (deny)", kModule);
    DWORD firstInherited = info.AceCount;
    for (DWORD i = 0; i < info.AceCount; ++i) {
      ACE_HEADER* ace = nullptr;
      if (!::GetAce(oldAcl, i, reinterpret_cast<void**>(&ace))) continue;
      if (ace->AceFlags & INHERITED_ACE) {
        firstInherited = i;
        break;
      }
      // Allowed and denied entries keep their identifier right after the mask.
      PSID aceSid = reinterpret_cast<BYTE*>(ace) + 8;
      if ((ace->AceType == ACCESS_ALLOWED_ACE_TYPE || ace->AceType == ACCESS_DENIED_ACE_TYPE) &&
          IsEqual(Entries, aceSid))
        continue;
      ::AddAce(newAcl, ACL_REVISION, MAXDWORD, ace, ace->AceSize);
    }
    for (PermissionEntry& e : Entries)
      if (e.bAceType == ACCESS_ALLOWED_ACE_TYPE &&
          !ConstructAndAddAce(newAcl, e.bAceType, e.bAceFlags, e.lAccessMask, e.Sid.data()))
        App_Err::Raise(static_cast<int32_t>(::GetLastError()), L"AddAce (allow)", kModule);
    for (DWORD i = firstInherited; i < info.AceCount; ++i) {
      ACE_HEADER* ace = nullptr;
      if (::GetAce(oldAcl, i, reinterpret_cast<void**>(&ace)))
        ::AddAce(newAcl, ACL_REVISION, MAXDWORD, ace, ace->AceSize);
    }

    // The new descriptor: the list and the old list's inheritance state.
    SECURITY_DESCRIPTOR sd{};
    if (!::InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION))
      App_Err::Raise(static_cast<int32_t>(::GetLastError()), L"InitializeSecurityDescriptor", kModule);
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ::GetSecurityDescriptorControl(oldSD.data(), &control, &revision);
    if (control & SE_DACL_AUTO_INHERITED)
      ::SetSecurityDescriptorControl(&sd, SE_DACL_AUTO_INHERITED | SE_DACL_AUTO_INHERIT_REQ,
                                     SE_DACL_AUTO_INHERITED | SE_DACL_AUTO_INHERIT_REQ);
    else if (control & SE_DACL_PROTECTED)
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
