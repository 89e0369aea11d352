// Privileges of the program's token (per-owner switching), the account
// checks, and the WOW64 redirection switch with its guard.
#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/App_Env.h"
#include "platform/App_Platform.h"
#include "lumo_test.h"
#include "registry/App_Common_Privileges.h"
#include "platform/App_FSRedir.h"

using namespace App_Common;

namespace {

// Whether the process token has the privilege switched on.
bool TokenHasEnabled(const wchar_t* sName) {
  LUID luid{};
  if (!::LookupPrivilegeValueW(nullptr, sName, &luid)) return false;
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  DWORD n = 0;
  ::GetTokenInformation(token, TokenPrivileges, nullptr, 0, &n);
  std::vector<BYTE> buf(n ? n : 1);
  bool enabled = false;
  if (::GetTokenInformation(token, TokenPrivileges, buf.data(), n, &n)) {
    const auto* tp = reinterpret_cast<const TOKEN_PRIVILEGES*>(buf.data());
    for (DWORD i = 0; i < tp->PrivilegeCount; ++i)
      if (tp->Privileges[i].Luid.LowPart == luid.LowPart &&
          tp->Privileges[i].Luid.HighPart == luid.HighPart)
        enabled = (tp->Privileges[i].Attributes & SE_PRIVILEGE_ENABLED) != 0;
  }
  ::CloseHandle(token);
  return enabled;
}

// Sets an environment variable for one test and restores it afterwards.
class EnvVarGuard {
 public:
  explicit EnvVarGuard(const wchar_t* sName) : name_(sName) {
    wchar_t buf[1024];
    const DWORD n = ::GetEnvironmentVariableW(sName, buf, 1024);
    if (n > 0 && n < 1024) saved_ = std::wstring(buf, n);
  }
  ~EnvVarGuard() { ::SetEnvironmentVariableW(name_, saved_ ? saved_->c_str() : nullptr); }
  void Set(const wchar_t* sValue) { ::SetEnvironmentVariableW(name_, sValue); }

 private:
  const wchar_t* name_;
  std::optional<std::wstring> saved_;
};

// The entries of the pending log that contain a text.
std::vector<std::wstring> EntriesWith(const std::wstring& sText) {
  std::vector<std::wstring> out;
  for (const std::wstring& e : PendingEntries())
    if (e.find(sText) != std::wstring::npos) out.push_back(e);
  return out;
}

class Privileges : public ::testing::Test {
 protected:
  void SetUp() override {
    fx.Reset();
    ReleasePrivilegeRegistry();
  }
  void TearDown() override {
    ReleasePrivilegeRegistry();
    PlatformFake().IsUserAnAdmin.reset();
    PlatformFake().IsWow64Process.reset();
    PlatformFake().Wow64FsRedirection.reset();
  }
  LumoDebugFixtureState fx;
};

}  // namespace

TEST(PrivilegeTable, IndexNamesAndTheCombinedEntry) {
  EXPECT_EQ(PrivilegeRegistryName(0), L"SeRestorePrivilege_SeBackupPrivilege");
  EXPECT_EQ(PrivilegeRegistryName(1), L"SeAssignPrimaryTokenPrivilege");
  EXPECT_EQ(PrivilegeRegistryName(10), L"SeDebugPrivilege");
  EXPECT_EQ(PrivilegeRegistryName(23), L"SeRestorePrivilege");
  EXPECT_EQ(PrivilegeRegistryName(29), L"SeSystemtimePrivilege");
  EXPECT_EQ(PrivilegeRegistryName(30), L"SeTakeOwnershipPrivilege");
  EXPECT_EQ(PrivilegeRegistryName(35), L"SeUnsolicitedInputPrivilege");
  EXPECT_EQ(PrivilegeRegistryName(36), L"");
  EXPECT_EQ(PrivilegeRegistryName(-1), L"");
}

TEST_F(Privileges, OnlyTheCallerThatSwitchedOnCanSwitchOff) {
  const std::wstring debug = L"SeDebugPrivilege";
  ASSERT_TRUE(SetPrivilegeToken(L"Caller.A", 10, true));
  EXPECT_TRUE(TokenHasEnabled(debug.c_str()));
  ASSERT_NE(PrivilegeOwner(debug), nullptr);
  const std::wstring ownerA = *PrivilegeOwner(debug);

  // B switches it on too: no second owner is recorded.
  EXPECT_TRUE(SetPrivilegeToken(L"Caller.B", 10, true));
  EXPECT_EQ(*PrivilegeOwner(debug), ownerA);
  EXPECT_EQ(PrivilegeOwnerCount(), 1);

  // B's "off" is refused: the privilege stays on for A.
  EXPECT_FALSE(SetPrivilegeToken(L"Caller.B", 10, false));
  EXPECT_TRUE(TokenHasEnabled(debug.c_str()));
  EXPECT_NE(PrivilegeOwner(debug), nullptr);

  // A's "off" goes through and releases the entry.
  EXPECT_TRUE(SetPrivilegeToken(L"Caller.A", 10, false));
  EXPECT_FALSE(TokenHasEnabled(debug.c_str()));
  EXPECT_EQ(PrivilegeOwner(debug), nullptr);
  EXPECT_EQ(PrivilegeOwnerCount(), 0);
}

TEST_F(Privileges, CallerIdentityIgnoresCaseAndSpacesButNotTheKindOfValue) {
  ASSERT_TRUE(SetPrivilegeToken(L"App_Processes.GetPathFromPID", 10, true));
  EXPECT_TRUE(SetPrivilegeToken(L"  app_processes.getpathfrompid ", 10, false));
  EXPECT_FALSE(TokenHasEnabled(L"SeDebugPrivilege"));

  // A trace call number 7 and the text "7" are different callers; a
  // different call number is a different caller too.
  ASSERT_TRUE(SetPrivilegeToken(7, 10, true));
  EXPECT_FALSE(SetPrivilegeToken(L"7", 10, false));
  EXPECT_FALSE(SetPrivilegeToken(8, 10, false));
  EXPECT_TRUE(TokenHasEnabled(L"SeDebugPrivilege"));
  EXPECT_TRUE(SetPrivilegeToken(7, 10, false));
  EXPECT_FALSE(TokenHasEnabled(L"SeDebugPrivilege"));

  // Nobody holds it now: switching off is not refused.
  EXPECT_TRUE(SetPrivilegeToken(L"Anyone", 10, false));
}

TEST_F(Privileges, IndexZeroSwitchesRestoreAndBackupTogether) {
  ASSERT_TRUE(SetPrivilegeToken(L"App_RegOwner.TakeOwnership", 0, true));
  EXPECT_TRUE(TokenHasEnabled(L"SeRestorePrivilege"));
  EXPECT_TRUE(TokenHasEnabled(L"SeBackupPrivilege"));
  EXPECT_NE(PrivilegeOwner(L"SeRestorePrivilege_SeBackupPrivilege"), nullptr);
  // Recorded under the combined name only.
  EXPECT_EQ(PrivilegeOwner(L"SeRestorePrivilege"), nullptr);
  EXPECT_EQ(PrivilegeOwnerCount(), 1);

  EXPECT_TRUE(SetPrivilegeToken(L"App_RegOwner.TakeOwnership", 0, false));
  EXPECT_FALSE(TokenHasEnabled(L"SeRestorePrivilege"));
  EXPECT_FALSE(TokenHasEnabled(L"SeBackupPrivilege"));
  EXPECT_EQ(PrivilegeOwnerCount(), 0);
}

TEST_F(Privileges, UnknownIndexFailedLookupAndPrivilegeNotHeldChangeNothing) {
  // Outside the table: nothing happens, nothing is logged.
  for (int32_t index : {36, -1, 1000}) EXPECT_FALSE(SetPrivilegeToken(L"X", index, true)) << index;
  EXPECT_EQ(PrivilegeOwnerCount(), 0);

  // A name this Windows does not know (Wine lacks the symbolic-link
  // privilege, as Windows XP does): the look-up fails.
  EXPECT_FALSE(SetPrivilegeToken(L"X", 8, true));
  EXPECT_EQ(PrivilegeOwnerCount(), 0);
  EXPECT_TRUE(PendingEntries().empty());

  // A privilege the account does not hold: the call "succeeds" with 1300,
  // which counts as failure and is logged.
  EXPECT_FALSE(SetPrivilegeToken(L"X", 17, true));
  EXPECT_EQ(PrivilegeOwner(L"SeLockMemoryPrivilege"), nullptr);
  EXPECT_FALSE(TokenHasEnabled(L"SeLockMemoryPrivilege"));
  const auto entries = EntriesWith(L"AdjustTokenPrivileges Success");
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_NE(entries[0].find(L"APIError Event"), std::wstring::npos) << entries[0];
  EXPECT_NE(entries[0].find(L"=1300 "), std::wstring::npos) << entries[0];
  EXPECT_NE(entries[0].find(L"sTokenName.String=SeLockMemoryPrivilege"), std::wstring::npos)
      << entries[0];
  EXPECT_NE(entries[0].find(L"sSystemName.String="), std::wstring::npos) << entries[0];
}

TEST_F(Privileges, AdministratorChecksFollowTheSeamAndTheApiFlags) {
  App_Env& env = AppEnv();
  const std::wstring savedUser = env.Name_CurrentUser;
  const bool savedCheck = env.API_CheckTokenMembership, savedIsAdmin = env.API_IsUserAnAdmin;
  env.Name_CurrentUser = L"root-does-not-matter";

  // The real membership check: Wine's user is an administrator.
  bool failed = true;
  EXPECT_TRUE(CheckTokenForAdmin(failed));
  EXPECT_FALSE(failed);

  PlatformFake().IsUserAnAdmin = false;
  EXPECT_FALSE(CheckTokenForAdmin(failed));
  EXPECT_FALSE(failed);
  env.API_CheckTokenMembership = true;
  env.API_IsUserAnAdmin = true;
  EXPECT_FALSE(IsCurrentUserAnAdmin());
  PlatformFake().IsUserAnAdmin = true;
  EXPECT_TRUE(IsCurrentUserAnAdmin());
  EXPECT_TRUE(EntriesWith(L"API is not available!").empty());

  // Without CheckTokenMembership the account type decides: a user that
  // does not exist is no administrator.
  fx.Reset();
  env.API_CheckTokenMembership = false;
  env.Name_CurrentUser = L"NoSuchUser_Lumo";
  EXPECT_FALSE(IsCurrentUserAnAdmin());
  EXPECT_EQ(EntriesWith(L"CheckTokenMembership API is not available!").size(), 1u);
  EXPECT_EQ(EntriesWith(L"NetUserGetInfo failed!").size(), 1u);

  // Neither function: false, and both lines.
  fx.Reset();
  env.API_IsUserAnAdmin = false;
  EXPECT_FALSE(IsCurrentUserAnAdmin());
  EXPECT_EQ(EntriesWith(L"CheckTokenMembership API is not available!").size(), 1u);
  EXPECT_EQ(EntriesWith(L"IsUserAnAdmin API is not available!").size(), 1u);

  env.Name_CurrentUser = savedUser;
  env.API_CheckTokenMembership = savedCheck;
  env.API_IsUserAnAdmin = savedIsAdmin;
}

TEST_F(Privileges, AccountTypes) {
  // Levels as the local account database gives them.
  EXPECT_EQ(UserAccountTypeFromLevel(0, true), uatGuest);
  EXPECT_EQ(UserAccountTypeFromLevel(1, false), uatUser);
  EXPECT_EQ(UserAccountTypeFromLevel(2, true), uatAdministrator);
  EXPECT_EQ(UserAccountTypeFromLevel(2, false), uatAdministratorNotElevated);

  // A user that does not exist: 0, and no administrator.
  EXPECT_EQ(GetUserAccountType(L"  NoSuchUser_Lumo  "), uatGuest);
  EXPECT_FALSE(IsAdminAccount(L"NoSuchUser_Lumo"));
  const auto failed = EntriesWith(L"NetUserGetInfo failed!");
  ASSERT_EQ(failed.size(), 2u);
  // The name is trimmed before the query.
  EXPECT_NE(failed[0].find(L"sUserName.String=NoSuchUser_Lumo<sep>"), std::wstring::npos)
      << failed[0];

  // An empty name means the current user, whom Wine's account database
  // knows (at level 0).
  wchar_t user[256];
  DWORD n = 256;
  ASSERT_TRUE(::GetUserNameW(user, &n));
  const std::wstring savedUser = AppEnv().Name_CurrentUser;
  AppEnv().Name_CurrentUser = user;
  fx.Reset();
  EXPECT_EQ(GetUserAccountType(L"   "), GetUserAccountType(user));
  EXPECT_TRUE(EntriesWith(L"NetUserGetInfo failed!").empty());
  AppEnv().Name_CurrentUser = savedUser;
}

TEST_F(Privileges, DomainAndSystemAccountFromTheEnvironment) {
  EnvVarGuard domain(L"USERDOMAIN"), computer(L"COMPUTERNAME"), user(L"USERNAME"),
      drive(L"SYSTEMDRIVE");
  const std::wstring savedDomain = AppEnv().Name_DomainName;

  computer.Set(L"PC1");
  domain.Set(L"CORP");
  AppEnv().Name_DomainName = L"";
  EXPECT_FALSE(IsOnDomain());  // no DNS domain at all
  AppEnv().Name_DomainName = L"corp.example";
  EXPECT_TRUE(IsOnDomain());
  domain.Set(L"  pc1 ");
  EXPECT_FALSE(IsOnDomain());  // the user logged on to the computer itself
  domain.Set(L"C");
  EXPECT_FALSE(IsOnDomain());  // too short to be a domain
  domain.Set(nullptr);
  EXPECT_FALSE(IsOnDomain());
  AppEnv().Name_DomainName = savedDomain;

  drive.Set(L"C:");
  user.Set(L"pc1$");
  EXPECT_TRUE(IsSystemAccount());
  user.Set(L"pc1");
  EXPECT_FALSE(IsSystemAccount());
  user.Set(L"PC1$x");
  EXPECT_FALSE(IsSystemAccount());
  user.Set(nullptr);
  EXPECT_TRUE(IsSystemAccount());
  user.Set(L"bob");
  EXPECT_TRUE(EntriesWith(L"Return=True due to X: system drive.").empty());
  drive.Set(L"x:");
  EXPECT_TRUE(IsSystemAccount());
  EXPECT_EQ(EntriesWith(L"Return=True due to X: system drive.").size(), 1u);
  drive.Set(L"X:\\");
  EXPECT_FALSE(IsSystemAccount());
}

TEST_F(Privileges, TheRealSwitchReachesThe64BitSystemFolder) {
  if (!IsWow64()) GTEST_SKIP() << "not a 32-bit process on 64-bit Windows (scripts/test-wow64.sh runs one)";
  wchar_t sys[MAX_PATH] = {};
  ::GetSystemDirectoryW(sys, MAX_PATH);
  const std::wstring cmd = std::wstring(sys) + L"\\cmd.exe";
  auto kind = [&] {
    DWORD type = 0xFFFF;
    ::GetBinaryTypeW(cmd.c_str(), &type);
    return type;
  };
  EXPECT_EQ(kind(), static_cast<DWORD>(SCS_32BIT_BINARY));  // System32 is SysWOW64 for us
  {
    App_FSRedirGuard guard;
    ASSERT_TRUE(guard.Disabled());
    EXPECT_EQ(kind(), static_cast<DWORD>(SCS_64BIT_BINARY));
  }
  EXPECT_EQ(kind(), static_cast<DWORD>(SCS_32BIT_BINARY));
}

TEST_F(Privileges, RedirectionSwitchMirrorsItsFlagAndIsNotCounted) {
  App_Env& env = AppEnv();
  // No WOW64 process (a 64-bit one, or 32-bit Windows): nothing to switch,
  // but the (false) flag is still mirrored.
  PlatformFake().IsWow64Process = false;
  env.State_Wow64FsRedirection_Disabled = true;
  DisableFSRedir();
  EXPECT_FALSE(FSRedirIsDisabled());
  EXPECT_FALSE(env.State_Wow64FsRedirection_Disabled);
  {
    App_FSRedirGuard guard;
    EXPECT_FALSE(guard.Disabled());
  }

  // A 32-bit process on 64-bit Windows.
  PlatformFake().IsWow64Process = true;
  PlatformFake().Wow64FsRedirection = true;
  DisableFSRedir();
  EXPECT_TRUE(FSRedirIsDisabled());
  EXPECT_TRUE(env.State_Wow64FsRedirection_Disabled);
  DisableFSRedir();  // not counted
  {
    // Already off: the guard leaves it to its owner.
    App_FSRedirGuard guard;
    EXPECT_FALSE(guard.Disabled());
  }
  EXPECT_TRUE(FSRedirIsDisabled());
  RevertFSRedir();  // the first revert switches it back on
  EXPECT_FALSE(FSRedirIsDisabled());
  EXPECT_FALSE(env.State_Wow64FsRedirection_Disabled);
  RevertFSRedir();
  EXPECT_FALSE(FSRedirIsDisabled());

  {
    App_FSRedirGuard guard;
    EXPECT_TRUE(guard.Disabled());
    EXPECT_TRUE(env.State_Wow64FsRedirection_Disabled);
  }
  EXPECT_FALSE(FSRedirIsDisabled());
  EXPECT_FALSE(env.State_Wow64FsRedirection_Disabled);

  // The switch functions are missing or fail: the flag stays false.
  PlatformFake().Wow64FsRedirection = false;
  DisableFSRedir();
  EXPECT_FALSE(FSRedirIsDisabled());
  EXPECT_FALSE(env.State_Wow64FsRedirection_Disabled);
  {
    App_FSRedirGuard guard;
    EXPECT_FALSE(guard.Disabled());
  }
}
