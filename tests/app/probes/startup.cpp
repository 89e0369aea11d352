// Runs the framework start-up (InitApp, which fills the application
// environment) and prints the facts, one "name=value" per line. With
// "--no-wmi" the WMI service is made unreachable first; with "--hung-wmi"
// connecting to it never finishes in time. With "--terminate CODE" it makes
// OLE and the common controls, then stops through TerminateApp with its
// clean-up and that exit code.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "app/App_Common.h"
#include "platform/App_COMInit.h"
#include "platform/App_Env.h"
#include "platform/App_Platform.h"

int wmain(int argc, wchar_t** argv) {
  for (int i = 1; i < argc; ++i)
    if (std::wstring(argv[i]) == L"--no-wmi")
      PlatformFake().WMIUnreachable = true;
    else if (std::wstring(argv[i]) == L"--hung-wmi")
      PlatformFake().WMIConnectDelayMS = 60000;
    else if (std::wstring(argv[i]) == L"--terminate" && i + 1 < argc) {
      App_Common::InitApp(false, L".\\");
      const bool ole = App_Common::Init_OLE_COM();
      App_Common::InitVisualStyles(true);
      std::printf("Terminating: ole=%d shell32=%d\n", ole, ::GetModuleHandleW(L"shell32.dll") != nullptr);
      std::fflush(stdout);
      App_Common::TerminateApp(_wtoi(argv[i + 1]), false);
    }
  const auto start = std::chrono::steady_clock::now();
  App_Common::InitApp(false, L".\\");
  const auto end = std::chrono::steady_clock::now();
  // Start-up loads neither the window system nor the shell: a start that
  // hands a URL on never needs them. (Reading the facts below may.)
  const bool windowSystem = ::GetModuleHandleW(L"user32.dll") || ::GetModuleHandleW(L"shell32.dll");
  const App_Env& e = AppEnv();
  auto line = [](const wchar_t* name, const std::wstring& value) {
    std::wprintf(L"%ls=%ls\n", name, value.c_str());
  };
  auto flag = [&](const wchar_t* name, bool value) { line(name, value ? L"1" : L"0"); };
  flag(L"WindowSystemAtStartUp", windowSystem);
  flag(L"WinMode_Normal", e.WinMode_Normal);
  flag(L"DesktopKnown", e.hWnd_Desktop.Get() == ::GetDesktopWindow());
  line(L"InitAppMs",
       std::to_wstring(std::chrono::duration_cast<std::chrono::milliseconds>(end - start).count()));
  line(L"SystemDrive", e.SystemDrive);
  line(L"SystemDriveBS", e.SystemDriveBS);
  line(L"Dir_Windows", e.Dir_Windows);
  line(L"DirBS_Windows", e.DirBS_Windows);
  line(L"Dir_System32", e.Dir_System32);
  line(L"Dir_ProgramFiles", e.Dir_ProgramFiles);
  line(L"Dir_ProgramFiles32", e.Dir_ProgramFiles32);
  line(L"Dir_UserProfilesParent", e.Dir_UserProfilesParent.Get());
  line(L"UserDir_CurrentUser_Temp", e.UserDir_CurrentUser_Temp);
  line(L"UserDir_CurrentUser_Profile", e.UserDir_CurrentUser_Profile);
  line(L"AppEXE", e.AppEXE);
  line(L"AppEXE_NoPath_NoExt", e.AppEXE_NoPath_NoExt);
  line(L"AppEXE_ExtOnly", e.AppEXE_ExtOnly);
  line(L"AppPath", e.AppPath);
  line(L"AppPathBS_Config", e.AppPathBS_Config);
  line(L"AppPath_Temp", e.AppPath_Temp);
  line(L"AppPath_Reports", e.AppPath_Reports);
  line(L"Args", e.AppInst_CommandLineArgs_String);
  line(L"ProcessID", std::to_wstring(e.AppInst_ProcessID));
  line(L"ParentPID", std::to_wstring(e.AppInst_ParentProcess_ProcessID.Get()));
  line(L"ParentEXE", e.AppInst_ParentProcess_AppEXE.Get());
  flag(L"IsService", e.AppInst_IsService.Get());
  flag(L"IsAdmin", e.AppInst_IsAdmin);
  flag(L"IsSystem", e.AppInst_IsSystem);
  flag(L"IsWriteablePath", e.AppInst_IsWriteablePath);
  flag(L"Win64bit", e.Win64bit);
  flag(L"NeverLoadForms", App_Common::NeverLoadForms());
  // Start-up leaves WMI alone: both answers are still to be asked here.
  flag(L"WMIAskedAtStartUp",
       !e.Name_Workgroup.Pending() || !e.UserList_WMI.Pending() || e.UserListArr_WMI_Was_Triggered);
  line(L"Name_Workgroup", e.Name_Workgroup);
  line(L"WMIUserCount", std::to_wstring(e.UserList_WMI.Get().Count()));
  flag(L"UserListArr_WMI_Was_Triggered", e.UserListArr_WMI_Was_Triggered);
  line(L"Name_CurrentUser", e.Name_CurrentUser);
  line(L"Name_ComputerName", e.Name_ComputerName);
  line(L"WinVer_String", e.WinVer_String);
  line(L"AppVer_Full", e.AppVer_Full);
  line(L"AppTitle", e.AppTitle);
  line(L"ProfileCount", std::to_wstring(e.Dir_UserProfilesList.Get().Count()));
  line(L"AppInst_InitDateTime_FilenameFriendly", e.AppInst_InitDateTime_FilenameFriendly);
  return 0;
}
