// App_Env: the one application-environment object. InitEnv fills it once at
// start-up; afterwards every part of the program reads it. Folder
// properties come in pairs: the name without "BS" holds the folder without
// a trailing backslash, the "BS" twin the same folder with exactly one.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "util/App_Collections.h"
#include "util/App_Lazy.h"

class App_Env {
 public:
  // ---- start time ----
  double AppInst_InitDateTime = 0;
  std::wstring AppInst_InitTime24h, AppInst_InitDateOnly, AppInst_InitDateTime_FilenameFriendly;

  // ---- process ----
  uint32_t AppInst_ProcessID = 0;
  HINSTANCE AppInst_hInstance = nullptr;
  App_Lazy<HWND> hWnd_Desktop;
  bool AppInst_IsDLL = false;
  bool AppInst_IsIDE = false;

  // ---- origin ----
  // Worked out together on the first read (a look at the process list).
  App_Lazy<uint32_t> AppInst_ParentProcess_ProcessID;
  App_Lazy<std::wstring> AppInst_ParentProcess_AppEXE;
  App_Lazy<bool> AppInst_IsService;

  // ---- rights ----
  bool AppInst_IsAdmin = false;
  bool AppInst_IsSystem = false;

  // ---- command line ----
  std::wstring AppInst_CommandLineArgs_String;

  // ---- program file ----
  std::wstring AppEXE, AppEXE_NoPath, AppEXE_NoPath_NoExt, AppEXE_ExtOnly, AppPath, AppPathBS;

  // ---- program folders ----
  std::wstring AppPath_3pApps, AppPathBS_3pApps;
  std::wstring AppPath_Resources, AppPathBS_Resources;
  std::wstring AppPath_Reports, AppPathBS_Reports;
  std::wstring AppPath_Config, AppPathBS_Config;
  std::wstring AppPath_Defs, AppPathBS_Defs;
  std::wstring AppPath_Downloads, AppPathBS_Downloads;
  std::wstring AppPath_Modules, AppPathBS_Modules;
  std::wstring AppPath_PreviousVersions, AppPathBS_PreviousVersions;
  std::wstring AppPath_Reqs, AppPathBS_Reqs;
  std::wstring AppPath_Tools, AppPathBS_Tools;
  std::wstring AppPath_Temp, AppPathBS_Temp;
  bool AppInst_IsWriteablePath = false;

  // ---- version and title ----
  bool AppVer_TestBuild = false, AppVer_FastTrack = false;
  std::wstring AppVer_Full, AppVer_Pretty, AppVer_Pretty_Short, AppVer_ThreePart;
  std::wstring AppTitle_Basic = L"LumoBrowser", AppTitle_BasicNoSpaces = L"LumoBrowser";
  std::wstring AppTitle = L"LumoBrowser", AppTitle_WithVersionFull;

  // ---- Windows folders ----
  std::wstring Dir_Windows, DirBS_Windows;
  std::wstring Dir_System16, DirBS_System16;
  std::wstring Dir_System32, DirBS_System32;
  std::wstring Dir_SysWOW64, DirBS_SysWOW64;
  App_Lazy<std::wstring> Dir_ProgramFiles, DirBS_ProgramFiles;
  App_Lazy<std::wstring> Dir_ProgramFiles32, DirBS_ProgramFiles32;
  App_Lazy<std::wstring> Dir_CommonProgramFiles, DirBS_CommonProgramFiles;
  App_Lazy<std::wstring> Dir_CommonProgramFiles32, DirBS_CommonProgramFiles32;
  App_Lazy<std::wstring> Dir_ProgramData, DirBS_ProgramData;
  std::wstring SystemDrive, SystemDriveBS;
  // The profiles' folder and the lists of its users (below): worked out
  // when first read (the profiles' folder needs userenv.dll).
  App_Lazy<std::wstring> Dir_UserProfilesParent, DirBS_UserProfilesParent;

  // ---- 64-bit ----
  bool Win64bit = false;
  bool API_IsWow64Process = false;
  bool AppInst_IsWow64Process = false;
  bool State_Wow64FsRedirection_Disabled = false;

  // ---- API availability ----
  bool API_CheckTokenMembership = false;
  // Looked up in shell32 on its first read: loading the shell's library
  // costs a start that only hands a URL on more than the rest of it.
  App_Lazy<bool> API_IsUserAnAdmin;
  bool API_QueryFullProcessImageNameW = false, API_GetFileInformationByHandleEx = false;

  // ---- names ----
  std::wstring Name_CurrentUser, Name_ComputerName, Name_DomainName;
  // Each asked for on its first read.
  App_Lazy<std::wstring> Name_NetBIOS, Name_DnsFullyQualified;
  App_Lazy<std::wstring> Name_ComputerNamePhysical, Name_DomainNamePhysical, Name_NetBIOSPhysical,
      Name_DnsFullyQualifiedPhysical;
  // Asked of WMI on its first read, never on the start-up road.
  App_Lazy<std::wstring> Name_Workgroup;
  bool Net_IsDomain = false;

  // ---- current user's folders ----
  // The folders the shell knows (here, Program Files, all users' and the
  // default user's), their names and the access-list tool are filled
  // together on the first read of any of them: asking the shell loads its
  // library and COM, which a start that only hands a URL on never needs.
  std::wstring UserDir_CurrentUser_Temp, UserDirBS_CurrentUser_Temp;
  App_Lazy<std::wstring> UserDir_CurrentUser_AppData_Roaming, UserDirBS_CurrentUser_AppData_Roaming;
  App_Lazy<std::wstring> UserDir_CurrentUser_AppData_Local, UserDirBS_CurrentUser_AppData_Local;
  App_Lazy<std::wstring> UserDir_CurrentUser_ProgramFilesVS, UserDirBS_CurrentUser_ProgramFilesVS;
  App_Lazy<std::wstring> UserDir_CurrentUser_ProgramFiles32VS, UserDirBS_CurrentUser_ProgramFiles32VS;
  App_Lazy<std::wstring> UserDir_CurrentUser_Desktop, UserDirBS_CurrentUser_Desktop;
  App_Lazy<std::wstring> UserDir_CurrentUser_Profile, UserDirBS_CurrentUser_Profile;
  App_Lazy<std::wstring> UserDir_CurrentUser_SendToMenu, UserDirBS_CurrentUser_SendToMenu;
  App_Lazy<std::wstring> UserDir_CurrentUser_DocTemplates, UserDirBS_CurrentUser_DocTemplates;
  App_Lazy<std::wstring> UserDir_CurrentUser_RecentDocs, UserDirBS_CurrentUser_RecentDocs;
  App_Lazy<std::wstring> UserDir_CurrentUser_Printers, UserDirBS_CurrentUser_Printers;
  App_Lazy<std::wstring> UserDir_CurrentUser_StartMenu, UserDirBS_CurrentUser_StartMenu;
  App_Lazy<std::wstring> UserDir_CurrentUser_StartMenuPrograms, UserDirBS_CurrentUser_StartMenuPrograms;
  App_Lazy<std::wstring> UserDir_CurrentUser_StartupFolder, UserDirBS_CurrentUser_StartupFolder;

  // ---- folder names ----
  App_Lazy<std::wstring> NameDir_CurrentUser, NameDir_SendToMenu, NameDir_DocTemplates, NameDir_RecentDocs,
      NameDir_Printers, NameDir_StartMenu, NameDir_StartMenuPrograms, NameDir_StartupFolder, NameDir_Desktop,
      NameDir_Documents, NameDir_Pictures, NameDir_Music, NameDir_Videos;

  // ---- all users and default user ----
  App_Lazy<std::wstring> UserDir_AllUsers_Desktop, UserDirBS_AllUsers_Desktop;
  App_Lazy<std::wstring> UserDir_AllUsers_Profile, UserDirBS_AllUsers_Profile;
  App_Lazy<std::wstring> UserDir_DefaultUser_Profile, UserDirBS_DefaultUser_Profile;
  App_Lazy<std::wstring> UserDir_DefaultUser_Desktop, UserDirBS_DefaultUser_Desktop;

  // ---- profile lists (keyed by the lower-case entry) ----
  App_Lazy<App_Collection> UserList_by_DirName, Dir_UserProfilesList, Dir_UserProfilesList_NoCommonDirs;
  // Asked of WMI on its first read; the flag is set once it has been asked.
  App_Lazy<App_Collection> UserList_WMI;
  bool UserListArr_WMI_Was_Triggered = false;

  // ---- environment kind and tools ----
  bool WinType_PE = false;
  App_Lazy<std::wstring> EXE_SubInACL;

  // ---- Windows version: raw numbers ----
  uint32_t WinVer_MajorVersion = 0, WinVer_MinorVersion = 0, WinVer_BuildNumber = 0, WinVer_PlatformId = 0;
  std::wstring WinVer_CSDVersion;
  uint32_t WinVer_ServicePackMajor = 0, WinVer_ServicePackMinor = 0, WinVer_SuiteMask = 0,
           WinVer_ProductType = 0, WinVer_Reserved = 0;
  // machine role
  bool WinType_Workstation = false, WinType_Server = false, WinType_DomainController = false;
  // exact release
  bool Win2000 = false, WinXP = false, WinXP64 = false, WinVista = false, Win7 = false, Win8 = false,
       Win81 = false, Win81u1 = false, Win10 = false;
  bool WinServer2000 = false, WinServer2003 = false, WinServer2003r2 = false, WinServer2008 = false,
       WinServer2008r2 = false, WinServer2012 = false, WinServer2012r2 = false, WinServer2012r2u1 = false,
       WinServer2016 = false;
  bool WinHomeServer = false, WinHomeServer2011 = false, WinHomeServer_Any = false;
  // release ladder
  bool Win2000_OrNewer = false, WinXP_OrNewer = false, WinVista_OrNewer = false, Win7_OrNewer = false,
       Win8_OrNewer = false, Win81_OrNewer = false, Win81u1_OrNewer = false, Win10_OrNewer = false;
  bool WinServer2000_OrNewer = false, WinServer2003_OrNewer = false, WinServer2003r2_OrNewer = false,
       WinServer2008_OrNewer = false, WinServer2008r2_OrNewer = false, WinServer2012_OrNewer = false,
       WinServer2012r2_OrNewer = false, WinServer2012r2u1_OrNewer = false, WinServer2016_OrNewer = false;
  // Windows 10 details
  std::wstring Win10xVer, Win10xVerNum, Win10xBuild;
  // texts
  // The edition text, the build kind and the boot mode come from the window
  // system's metrics, which connect the process to the display: they are
  // worked out together when one of them is first read.
  std::wstring WinVer_String;
  App_Lazy<std::wstring> WinVer_String_ProductSKU, WinVer_StringWithSKU;
  // editions and builds
  bool WinEdition_TabletPC = false, WinEdition_MediaCenter = false, WinEdition_Starter = false;
  App_Lazy<bool> WinBuild_Debug, WinBuild_DBCS;
  // boot mode
  App_Lazy<bool> WinMode_Normal, WinMode_Safe, WinMode_SafeNet;
  // language
  std::wstring Language_LocalName;
  bool Language_IsEnglish = false;

  // ---- not filled by this program ----
  int32_t App_Identity = 0;
  std::wstring AppTitle_EditionName;
  bool AppInst_IsJob = false;
  int32_t AppInst_Mutex_Type = 0;
  std::wstring AppInst_Mutex_TypeString, AppInst_Mutex_NameString, App_EventLog_SourceName,
      App_EventLog_MsgDLL, EXE_SevenZip;
  std::wstring AppPath_DebugLogs, AppPathBS_DebugLogs;
  bool Disable_WMI_Queries = false;

  void App_ClassSync_CleanUp();
};

// The one instance, created on first use (InitApp creates it at start-up).
App_Env& AppEnv();
