// Filling the application environment: version texts, resource folders,
// profile lists, and a real start-up under Wine checked from outside.
#include <gtest/gtest.h>
#include <windows.h>
// after <windows.h>, which it needs
#include <delayimp.h>

#include <cstdio>
#include <string>

#include "app/App_Common_Env.h"
#include "lumo_probe.h"
#include "lumo_test.h"
#include "platform/App_Env.h"
#include "platform/App_Platform.h"

namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return s;
}

class EnvPieces : public ::testing::Test {
 protected:
  void SetUp() override { dbg.Reset(); }
  LumoDebugFixtureState dbg;
  App_Env env;
};

}  // namespace

TEST_F(EnvPieces, VersionTextsDropTrailingZeroParts) {
  App_Common::SetVersionTexts(env, L"21.1.12.0");
  EXPECT_EQ(env.AppVer_Full, L"21.1.12.0");
  EXPECT_EQ(env.AppVer_ThreePart, L"21.1.12");
  EXPECT_EQ(env.AppVer_Pretty, L"21.1.12");
  EXPECT_EQ(env.AppVer_Pretty_Short, L"21.1");

  App_Common::SetVersionTexts(env, L"21.0.0.0");
  EXPECT_EQ(env.AppVer_Pretty, L"21.0");
  EXPECT_EQ(env.AppVer_Pretty_Short, L"21");

  App_Common::SetVersionTexts(env, L"3.2.1.7");
  EXPECT_EQ(env.AppVer_Pretty, L"3.2.1.7");

  // A broken version text gives numbers, never a crash.
  App_Common::SetVersionTexts(env, L"x");
  EXPECT_EQ(env.AppVer_Pretty_Short, L"0");
}

TEST_F(EnvPieces, ResourceFoldersForProgramFolderOtherNameAndDefault) {
  env.AppPath = L"C:\\Kit";
  env.AppPathBS = L"C:\\Kit\\";
  App_Common::SetResourceFolders(env, L".\\", L"2026-12-09");
  EXPECT_EQ(env.AppPath_Resources, L"C:\\Kit");
  EXPECT_EQ(env.AppPathBS_Resources, L"C:\\Kit\\");
  EXPECT_EQ(env.AppPath_Config, L"C:\\Kit\\Config");
  EXPECT_EQ(env.AppPathBS_Config, L"C:\\Kit\\Config\\");
  EXPECT_EQ(env.AppPath_Reports, L"C:\\Kit\\Reports\\2026-12-09");
  EXPECT_EQ(env.AppPath_3pApps, L"C:\\Kit\\Apps");

  App_Common::SetResourceFolders(env, L"Data", L"2026-12-09");
  EXPECT_EQ(env.AppPath_Resources, L"C:\\Kit\\Data");
  EXPECT_EQ(env.AppPath_Tools, L"C:\\Kit\\Data\\Tools");
  EXPECT_EQ(env.AppPath_Reports, L"C:\\Kit\\Data Reports\\2026-12-09");
  EXPECT_EQ(env.AppPath_3pApps, L"C:\\Kit\\Apps");

  App_Common::SetResourceFolders(env, L"", L"2026-12-09");
  EXPECT_EQ(env.AppPath_Resources, L"C:\\Kit\\LumoBrowser Resources");
  EXPECT_EQ(env.AppPath_PreviousVersions, L"C:\\Kit\\LumoBrowser Resources\\Previous Versions");
}

TEST_F(EnvPieces, ProfileListsLeaveOutTheSharedProfiles) {
  wchar_t tmp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, tmp);
  const std::wstring parent =
      std::wstring(tmp) + L"lumo_profiles_" + std::to_wstring(::GetCurrentProcessId());
  ::CreateDirectoryW(parent.c_str(), nullptr);
  for (const wchar_t* name : {L"alice", L"Public", L"Default User", L"Bob"})
    ::CreateDirectoryW((parent + L"\\" + name).c_str(), nullptr);
  ::CloseHandle(
      ::CreateFileW((parent + L"\\notes.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));

  env.Dir_UserProfilesParent = parent;
  App_Common::Refresh_UserList_by_DirName(env);
  EXPECT_EQ(env.Dir_UserProfilesList.Get().Count(), 4);  // folders only
  EXPECT_EQ(env.UserList_by_DirName.Get().Count(), 4);
  ASSERT_EQ(env.Dir_UserProfilesList_NoCommonDirs.Get().Count(), 2);
  for (const std::wstring& p : env.Dir_UserProfilesList_NoCommonDirs.Get().Items()) {
    const std::wstring name = App_Common::LastPathElement(p);
    EXPECT_TRUE(name == L"alice" || name == L"Bob") << LumoNarrow(p);
  }

  // A parent folder that does not exist gives empty lists.
  env.Dir_UserProfilesParent = parent + L"\\missing";
  App_Common::Refresh_UserList_by_DirName(env);
  EXPECT_EQ(env.Dir_UserProfilesList.Get().Count(), 0);

  ::DeleteFileW((parent + L"\\notes.txt").c_str());
  for (const wchar_t* name : {L"alice", L"Public", L"Default User", L"Bob"})
    ::RemoveDirectoryW((parent + L"\\" + name).c_str());
  ::RemoveDirectoryW(parent.c_str());
}

TEST(StartUpUnderWine, FillsTheEnvironmentFromTheSystem) {
  const LumoProbeResult r = LumoRunProbe(L"\"" + LumoTestDir() + L"probe_startup.exe\" \"two words\" plain");
  ASSERT_EQ(r.ExitCode, 0u) << r.Output;
  auto f = LumoProbeFacts(r.Output);

  wchar_t buf[MAX_PATH] = {};
  ::GetWindowsDirectoryW(buf, MAX_PATH);
  const std::string windows = Lower(LumoNarrow(buf));
  ::GetSystemDirectoryW(buf, MAX_PATH);
  const std::string system32 = Lower(LumoNarrow(buf));

  EXPECT_EQ(f["SystemDrive"], "C:");
  EXPECT_EQ(f["SystemDriveBS"], "C:\\");
  EXPECT_EQ(Lower(f["Dir_Windows"]), windows);
  EXPECT_EQ(Lower(f["DirBS_Windows"]), windows + "\\");
  EXPECT_EQ(Lower(f["Dir_System32"]), system32);
  // This 64-bit build runs on 64-bit Windows: the native folder and the 32-bit one.
  EXPECT_EQ(f["Dir_ProgramFiles"], "C:\\Program Files");
  EXPECT_EQ(f["Dir_ProgramFiles32"], "C:\\Program Files (x86)");
  EXPECT_EQ(f["Win64bit"], "1");
  EXPECT_EQ(Lower(f["Dir_UserProfilesParent"]), "c:\\users");
  EXPECT_EQ(f["UserDir_CurrentUser_Profile"], "C:\\users\\" + f["Name_CurrentUser"]);

  EXPECT_EQ(f["AppEXE_NoPath_NoExt"], "probe_startup");
  EXPECT_EQ(f["AppEXE_ExtOnly"], "exe");
  EXPECT_EQ(f["AppPath"] + "\\", LumoNarrow(LumoTestDir()));
  EXPECT_EQ(f["AppPathBS_Config"], f["AppPath"] + "\\Config\\");
  EXPECT_EQ(f["IsWriteablePath"], "1");
  EXPECT_EQ(f["AppPath_Temp"], f["AppPath"] + "\\Temp");

  // The arguments keep their quotes; the parent is this test program.
  EXPECT_EQ(f["Args"], "\"two words\" plain");
  EXPECT_EQ(f["ParentPID"], std::to_string(::GetCurrentProcessId()));
  ::GetModuleFileNameW(nullptr, buf, MAX_PATH);
  EXPECT_EQ(Lower(f["ParentEXE"]), Lower(LumoNarrow(buf)));
  EXPECT_EQ(f["IsService"], "0");
  EXPECT_EQ(f["NeverLoadForms"], "0");

  EXPECT_EQ(f["IsAdmin"], "1");  // Wine's user is an administrator
  EXPECT_EQ(f["IsSystem"], "0");
  EXPECT_EQ(f["Name_Workgroup"], "WORKGROUP");
  // WMI, the window system and the shell are reached when their answers are
  // first read, not during start-up.
  EXPECT_EQ(f["WMIAskedAtStartUp"], "0");
  EXPECT_EQ(f["WindowSystemAtStartUp"], "0");
  EXPECT_EQ(f["WinMode_Normal"], "1");
  EXPECT_EQ(f["DesktopKnown"], "1");
  EXPECT_EQ(f["UserListArr_WMI_Was_Triggered"], "1");
  EXPECT_EQ(f["WMIUserCount"], "0");  // Wine has no Win32_UserAccount rows
  EXPECT_FALSE(f["Name_ComputerName"].empty());
  EXPECT_FALSE(f["WinVer_String"].empty());
  EXPECT_GE(std::stoi(f["ProfileCount"]), 1);
}

TEST(StartUpUnderWine, CompletesQuicklyWithWMIWorkingUnreachableOrHung) {
  const std::wstring exe = L"\"" + LumoTestDir() + L"probe_startup.exe\"";
  auto working = LumoProbeFacts(LumoRunProbe(exe).Output);
  auto unreachable = LumoProbeFacts(LumoRunProbe(exe + L" --no-wmi").Output);
  auto hung = LumoProbeFacts(LumoRunProbe(exe + L" --hung-wmi").Output);
  for (auto* f : {&working, &unreachable, &hung}) ASSERT_FALSE((*f)["InitAppMs"].empty());
  std::printf("start-up: %s ms with WMI, %s ms with WMI unreachable, %s ms with WMI hung\n",
              working["InitAppMs"].c_str(), unreachable["InitAppMs"].c_str(), hung["InitAppMs"].c_str());
  EXPECT_LT(std::stoi(unreachable["InitAppMs"]), 5000);
  EXPECT_LT(std::stoi(hung["InitAppMs"]), 5000);
  // Without WMI the workgroup has its empty default; the rest is filled as usual.
  EXPECT_EQ(working["Name_Workgroup"], "WORKGROUP");
  EXPECT_EQ(unreachable["Name_Workgroup"], "");
  EXPECT_EQ(hung["Name_Workgroup"], "");
  EXPECT_EQ(unreachable["SystemDrive"], "C:");
  EXPECT_EQ(hung["Dir_Windows"], working["Dir_Windows"]);
}

// The window's DLLs are delay-loaded; the installed hook loads each one from
// the system folder by its full path, never through the search order that
// looks in the program's folder first. comctl32 is left to the manifest.
TEST(StartUpUnderWine, DelayLoadedDLLsComeFromTheSystemFolder) {
  EXPECT_EQ(__pfnDliNotifyHook2, &App_DelayLoadHook);
  auto load = [](const char* dll) {
    DelayLoadInfo info{};
    info.cb = sizeof(info);
    info.szDll = dll;
    return reinterpret_cast<HMODULE>(App_DelayLoadHook(dliNotePreLoadLibrary, &info));
  };
  const HMODULE winmm = load("WINMM.dll");
  ASSERT_NE(winmm, nullptr);
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(winmm, path, MAX_PATH);
  EXPECT_EQ(Lower(LumoNarrow(path)), Lower(LumoNarrow(App_Platform::SystemFolder() + L"\\winmm.dll")));
  EXPECT_EQ(load("comctl32.dll"), nullptr);
  DelayLoadInfo other{};
  other.szDll = "user32.dll";
  EXPECT_EQ(App_DelayLoadHook(dliNotePreGetProcAddress, &other), nullptr);  // only the library's load
}
