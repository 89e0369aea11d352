// Taking registry keys over against Wine's real registry, whose keys carry
// owners and access lists that Wine enforces: locked keys, keys owned by
// SYSTEM, keys in both views of HKLM\SOFTWARE, the kit's ACL tool as a
// recording stand-in.
#include <aclapi.h>
#include <gtest/gtest.h>
#include <sddl.h>
#include <shlwapi.h>
#include <windows.h>

#include <string>
#include <vector>

#include "browser/App_Common_URLArg.h"
#include "lumo_files.h"
#include "lumo_keys.h"
#include "lumo_probe.h"
#include "lumo_test.h"
#include "platform/App_Env.h"
#include "process/App_RunX.h"
#include "registry/App_Permissions.h"
#include "registry/App_Registry.h"

namespace {

using App_Permissions::RegSetKeyPermission;
using App_Permissions::TakeControlReg;

void CreateKey(HKEY root, const std::wstring& key, REGSAM lView = 0) {
  LumoKey k;
  ASSERT_EQ(k.Create(root, key, KEY_ALL_ACCESS | lView), 0);
}

// The owner ("O:..") or access list ("D:..") of a key as SDDL, in one view.
std::wstring KeySddl(HKEY root, const std::wstring& key, SECURITY_INFORMATION what, REGSAM lView = 0) {
  LumoKey k;
  if (k.Open(root, key, READ_CONTROL | lView) != 0) return L"(cannot open)";
  PSECURITY_DESCRIPTOR sd = nullptr;
  std::wstring out;
  if (::GetSecurityInfo(k.Get(), SE_REGISTRY_KEY, what, nullptr, nullptr, nullptr, nullptr, &sd) == 0) {
    wchar_t* text = nullptr;
    if (::ConvertSecurityDescriptorToStringSecurityDescriptorW(sd, SDDL_REVISION_1, what, &text, nullptr)) {
      out = text;
      ::LocalFree(text);
    }
    ::LocalFree(sd);
  }
  return out;
}

// Gives a key an owner and an access list (both from SDDL), as written. A
// key the test locked away is first taken back, as the administrators may.
void SetKeySecurity(HKEY root, const std::wstring& key, const wchar_t* sddl, REGSAM lView = 0) {
  PSECURITY_DESCRIPTOR sd = nullptr;
  ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &sd, nullptr));
  const SECURITY_INFORMATION what =
      sddl[0] == L'O' ? OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION : DACL_SECURITY_INFORMATION;
  LumoKey k;
  if (k.Open(root, key, WRITE_DAC | WRITE_OWNER | READ_CONTROL | lView) != 0) {
    ASSERT_EQ(k.Open(root, key, WRITE_OWNER | lView), 0);
    EXPECT_EQ(::RegSetKeySecurity(k.Get(), OWNER_SECURITY_INFORMATION, sd), 0);
    ASSERT_EQ(k.Open(root, key, WRITE_DAC | WRITE_OWNER | READ_CONTROL | lView), 0);
  }
  EXPECT_EQ(::RegSetKeySecurity(k.Get(), what, sd), 0);
  ::LocalFree(sd);
}

bool CanWrite(HKEY root, const std::wstring& key) {
  LumoKey k;
  return k.Open(root, key, KEY_SET_VALUE) == 0 && k.SetDword(L"w", 1) == 0;
}

// This program's own account, as SDDL names it.
std::wstring OwnSid() {
  std::vector<BYTE> sid;
  wchar_t* text = nullptr;
  if (!App_Permissions::LookupAccountSid(L"", sid) || !::ConvertSidToStringSidW(sid.data(), &text))
    return L"";
  const std::wstring s = text;
  ::LocalFree(text);
  return s;
}

struct Ownership : ::testing::Test {
  void SetUp() override {
    dbg.Reset();
    saved = AppEnv();
    const std::wstring name = L"LumoOwnershipTest_" + std::to_wstring(::GetCurrentProcessId());
    base = L"SOFTWARE\\" + name;
    userBase = L"Software\\" + name;
  }
  void TearDown() override {
    AppEnv() = saved;
    // Whatever a test locked, SYSTEM's token is not needed to remove it:
    // the administrators own every test key or are given it back here.
    for (const auto& [root, key] :
         {std::pair{HKEY_LOCAL_MACHINE, base}, std::pair{HKEY_CURRENT_USER, userBase}})
      ::SHDeleteKeyW(root, key.c_str());
  }
  // The kit's ACL tool: a stand-in that records its command lines.
  std::wstring PlaceACLTool() {
    tools = LumoTestDir() + L"acltool_" + std::to_wstring(::GetCurrentProcessId());
    ::CreateDirectoryW(tools.c_str(), nullptr);
    EXPECT_TRUE(::CopyFileW((LumoTestDir() + L"probe_urlsink.exe").c_str(),
                            (tools + L"\\subinacl.exe").c_str(), FALSE));
    AppEnv().EXE_SubInACL = tools + L"\\subinacl.exe";
    App_Permissions::SetACLToolRunner(&App_RunX::RunHiddenTimedOut);
    return tools + L"\\urlsink.log";
  }
  LumoDebugFixtureState dbg;
  App_Env saved;
  std::wstring base, userBase, tools;
};

}  // namespace

TEST_F(Ownership, TakeOverOfALockedKeyIsForTheAdministratorsOnly) {
  // Owned by the administrators, a protected list that grants SYSTEM alone:
  // the administrator's writes are refused.
  const std::wstring locked = base + L"\\Locked";
  CreateKey(HKEY_LOCAL_MACHINE, locked + L"\\child");
  SetKeySecurity(HKEY_LOCAL_MACHINE, locked, L"O:BAD:P(A;CI;KA;;;SY)");
  ASSERT_FALSE(CanWrite(HKEY_LOCAL_MACHINE, locked));
  const std::wstring log = PlaceACLTool();

  std::wstring owner, perm = L"everyone";
  EXPECT_TRUE(TakeControlReg(hkeyLocalMachine, locked, owner, perm));
  EXPECT_EQ(owner, L"administrators");
  EXPECT_EQ(perm, L"Administrators");
  EXPECT_TRUE(CanWrite(HKEY_LOCAL_MACHINE, locked));
  EXPECT_EQ(KeySddl(HKEY_LOCAL_MACHINE, locked, OWNER_SECURITY_INFORMATION), L"O:BA");
  // (Wine's server drops the protected flag on any owner change.)
  const std::wstring dacl = KeySddl(HKEY_LOCAL_MACHINE, locked, DACL_SECURITY_INFORMATION);
  EXPECT_NE(dacl.find(L"(A;CI;KA;;;BA)(A;CI;KA;;;SY)"), std::wstring::npos) << dacl;
  EXPECT_EQ(dacl.find(L";WD)"), std::wstring::npos) << dacl;
  const std::wstring K = L"\"HKEY_LOCAL_MACHINE\\" + locked + L"\"";
  const std::string k(K.begin(), K.end());
  EXPECT_EQ(LumoReadBytes(log), "subinacl.exe /keyreg " + k + " /setowner=administrators\r\n" +
                                    "subinacl.exe /keyreg " + k + " /grant=Administrators=F\r\n" +
                                    "subinacl.exe /subkeyreg " + k + " /setowner=administrators\r\n" +
                                    "subinacl.exe /subkeyreg " + k + " /grant=Administrators=F\r\n");
  LumoRemoveTree(tools);
}

TEST_F(Ownership, AKeyOwnedBySystemIsTakenOverForReal) {
  // SYSTEM owns it; the administrators may only change its owner.
  const std::wstring key = base + L"\\System";
  CreateKey(HKEY_LOCAL_MACHINE, key);
  SetKeySecurity(HKEY_LOCAL_MACHINE, key, L"O:SYD:P(A;CI;KA;;;SY)(A;CI;WO;;;BA)");
  ASSERT_FALSE(CanWrite(HKEY_LOCAL_MACHINE, key));
  std::wstring owner, perm;
  EXPECT_TRUE(TakeControlReg(hkeyLocalMachine, key, owner, perm));
  EXPECT_EQ(KeySddl(HKEY_LOCAL_MACHINE, key, OWNER_SECURITY_INFORMATION), L"O:BA");
  EXPECT_NE(KeySddl(HKEY_LOCAL_MACHINE, key, DACL_SECURITY_INFORMATION).find(L"(A;CI;KA;;;BA)"),
            std::wstring::npos);
  EXPECT_TRUE(CanWrite(HKEY_LOCAL_MACHINE, key));
}

TEST_F(Ownership, NewEntriesTakeTheirCanonicalPlacesAndNoOldOneIsLost) {
  const std::wstring key = base + L"\\Order";
  CreateKey(HKEY_LOCAL_MACHINE, key);
  // Explicit: Users read, administrators read; inherited: SYSTEM full control.
  SetKeySecurity(HKEY_LOCAL_MACHINE, key, L"O:BAD:(A;CI;KR;;;BU)(A;CI;KR;;;BA)(A;CIID;KA;;;SY)");
  struct Step {
    const wchar_t* account;
    bool allow;
    const wchar_t* dacl;
  } steps[] = {
      {L"Administrators", true, L"D:(A;CI;KR;;;BU)(A;CI;KA;;;BA)(A;CIID;KA;;;SY)"},
      // A deny entry goes before every other.
      {L"Users", false, L"D:(D;CI;KA;;;BU)(A;CI;KA;;;BA)(A;CIID;KA;;;SY)"},
      // Full control for every user goes to the administrators and SYSTEM.
      {L"Everyone", true, L"D:(D;CI;KA;;;BU)(A;CI;KA;;;BA)(A;CI;KA;;;SY)(A;CIID;KA;;;SY)"},
  };
  for (const Step& s : steps) {
    std::wstring account = s.account;
    bool allow = s.allow;
    EXPECT_TRUE(RegSetKeyPermission(hkeyLocalMachine, key, account, allow, 0xF003F));
    EXPECT_EQ(KeySddl(HKEY_LOCAL_MACHINE, key, DACL_SECURITY_INFORMATION), s.dacl) << s.account;
  }
  // A protected list that is also auto-inherited stays protected.
  SetKeySecurity(HKEY_LOCAL_MACHINE, key, L"D:PAI(A;CI;KR;;;BU)");
  std::wstring account = L"Administrators";
  bool allow = true;
  EXPECT_TRUE(RegSetKeyPermission(hkeyLocalMachine, key, account, allow, 0xF003F));
  EXPECT_EQ(KeySddl(HKEY_LOCAL_MACHINE, key, DACL_SECURITY_INFORMATION),
            L"D:PARAI(A;CI;KR;;;BU)(A;CI;KA;;;BA)");
  // Standard accounts by identifier, whatever the qualifier.
  EXPECT_EQ(App_Permissions::WellKnownSidOf(L"BUILTIN\\Power Users"), L"S-1-5-32-547");
  EXPECT_EQ(App_Permissions::WellKnownSidOf(L"NT AUTHORITY\\Authenticated Users"), L"S-1-5-11");
  EXPECT_EQ(App_Permissions::WellKnownSidOf(L"root"), L"");
}

TEST_F(Ownership, NoRootIsOpenedToEveryLocalUser) {
  // Under HKCU the hive's own account keeps its access; under HKLM only
  // the administrators and SYSTEM get it.
  const std::wstring me = OwnSid();
  struct Case {
    App_HKEY eHKEY;
    HKEY root;
    const std::wstring* key;
    std::vector<std::wstring> granted;
  } cases[] = {
      {hkeyLocalMachine, HKEY_LOCAL_MACHINE, &base, {L"BA", L"SY"}},
      {hkeyCurrentUser, HKEY_CURRENT_USER, &userBase, {L"BA", L"SY", me}},
  };
  for (const Case& c : cases) {
    for (const wchar_t* account :
         {L"Everyone", L"Users", L"Power Users", L"Authenticated Users", L"NT AUTHORITY\\INTERACTIVE"}) {
      CreateKey(c.root, *c.key);
      SetKeySecurity(c.root, *c.key, L"D:P");
      std::wstring name = account;
      bool allow = true;
      EXPECT_TRUE(RegSetKeyPermission(c.eHKEY, *c.key, name, allow, 0xF003F)) << account;
      const std::wstring dacl = KeySddl(c.root, *c.key, DACL_SECURITY_INFORMATION);
      std::wstring expected = L"D:P";
      for (const std::wstring& who : c.granted) expected += L"(A;CI;KA;;;" + who + L")";
      EXPECT_EQ(dacl, expected) << account;
    }
    // The deletions' five accounts and the defaults of a program running as SYSTEM.
    SetKeySecurity(c.root, *c.key, L"D:P");
    App_Registry::GetRegKeyPermissions(c.eHKEY, *c.key);
    AppEnv().AppInst_IsSystem = true;
    std::wstring owner, perm;
    TakeControlReg(c.eHKEY, *c.key, owner, perm);
    AppEnv().AppInst_IsSystem = false;
    const std::wstring dacl = KeySddl(c.root, *c.key, DACL_SECURITY_INFORMATION);
    for (const wchar_t* open : {L";WD)", L";BU)", L";PU)", L";AU)", L";IU)"})
      EXPECT_EQ(dacl.find(open), std::wstring::npos) << dacl;
  }
}

TEST_F(Ownership, OwnerAndAccessListLandInTheViewTheRulesChoose) {
  // The same key in both views of HKLM\SOFTWARE, each owned by SYSTEM; the
  // administrators may read it and change its owner.
  AppEnv().Win64bit = true;
  const std::wstring key = base + L"\\Both";
  const wchar_t* kLocked = L"O:SYD:P(A;CI;KA;;;SY)(A;CI;KR;;;BA)(A;CI;WO;;;BA)";
  for (const REGSAM v : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
    CreateKey(HKEY_LOCAL_MACHINE, key, v);
    SetKeySecurity(HKEY_LOCAL_MACHINE, key, kLocked, v);
  }
  std::wstring owner, perm;
  EXPECT_TRUE(TakeControlReg(hkeyLocalMachine, key, owner, perm));
  // Both changes in the 64-bit view; the 32-bit key is as it was.
  EXPECT_EQ(KeySddl(HKEY_LOCAL_MACHINE, key, OWNER_SECURITY_INFORMATION, KEY_WOW64_64KEY), L"O:BA");
  EXPECT_NE(
      KeySddl(HKEY_LOCAL_MACHINE, key, DACL_SECURITY_INFORMATION, KEY_WOW64_64KEY).find(L"(A;CI;KA;;;BA)"),
      std::wstring::npos);
  EXPECT_EQ(KeySddl(HKEY_LOCAL_MACHINE, key, OWNER_SECURITY_INFORMATION, KEY_WOW64_32KEY), L"O:SY");
  EXPECT_EQ(KeySddl(HKEY_LOCAL_MACHINE, key, DACL_SECURITY_INFORMATION, KEY_WOW64_32KEY),
            std::wstring(kLocked).substr(4));
  // The 32-bit one is given back to the administrators to be removed.
  SetKeySecurity(HKEY_LOCAL_MACHINE, key, L"O:BAD:P(A;CI;KA;;;BA)", KEY_WOW64_32KEY);
  if (LumoKey parent; parent.Open(HKEY_LOCAL_MACHINE, base, KEY_ALL_ACCESS | KEY_WOW64_32KEY) == 0)
    ::RegDeleteKeyW(parent.Get(), L"Both");
}

TEST_F(Ownership, ARefusedDeletionTakesEachKeyOverAndNoNameReachesTheToolUnquoted) {
  // A tree only SYSTEM may open, with a child whose name would smuggle
  // arguments into the ACL tool's command line.
  const std::wstring locked = base + L"\\LockedTree";
  const std::wstring hostile = L"x\" /grant=everyone=f \"x";
  CreateKey(HKEY_LOCAL_MACHINE, locked + L"\\" + hostile);
  CreateKey(HKEY_LOCAL_MACHINE, locked + L"\\plain");
  SetKeySecurity(HKEY_LOCAL_MACHINE, locked, L"O:BAD:P(A;CI;KA;;;SY)");
  ASSERT_EQ(::SHDeleteKeyW(HKEY_LOCAL_MACHINE, locked.c_str()), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  const std::wstring log = PlaceACLTool();

  bool notFound = true;
  int32_t code = -1;
  EXPECT_TRUE(App_Registry::KillRegKey(hkeyLocalMachine, locked, notFound, code));
  EXPECT_FALSE(notFound);
  EXPECT_EQ(LumoKey().Open(HKEY_LOCAL_MACHINE, locked, READ_CONTROL), ERROR_FILE_NOT_FOUND);
  // Every run of the tool got three arguments; none for the hostile name.
  const std::wstring text = LumoWiden(LumoReadBytes(log));
  int runs = 0;
  for (size_t start = 0, end; (end = text.find(L"\r\n", start)) != std::wstring::npos;
       start = end + 2, ++runs) {
    const std::vector<std::wstring> args = App_Common::SplitArgs(text.substr(start, end - start));
    EXPECT_EQ(args.size(), 4u) << text.substr(start, end - start);
    EXPECT_EQ(args.back().find(L"everyone"), std::wstring::npos);
  }
  EXPECT_GE(runs, 4);  // at least the plain child's four
  EXPECT_TRUE(LumoLogHas(L"the tool is not run for this key"));
  LumoRemoveTree(tools);
}
