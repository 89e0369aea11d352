#include "app/App_Common_Env.h"

#include <shlobj.h>
#include <shlwapi.h>
#include <userenv.h>
#include <windows.h>

#include <cwchar>
#include <vector>

#include "app/App_Common.h"
#include "app/App_Common_Version.h"
#include "diag/App_Trace.h"
#include "fs/App_FilePath.h"
#include "fs/App_FileSystem.h"
#include "fs/FS_DirList.h"
#include "platform/App_Env.h"
#include "platform/App_Platform.h"
#include "process/App_Processes.h"
#include "registry/App_Common_Privileges.h"
#include "registry/App_Registry.h"
#include "sysinfo/App_QueryWMI.h"
#include "util/App_Dates.h"
#include "util/App_Strings.h"
#include "util/App_Time.h"
#include "util/App_Variables.h"

namespace App_Common {

bool g_Win64bit = false;

namespace {

std::wstring Fixed(std::wstring sPath) {
  App_FilePath::FixPathFromAPI(sPath);
  return sPath;
}

std::wstring EnvVar(const wchar_t* sName) {
  wchar_t buf[32768];
  const DWORD n = ::GetEnvironmentVariableW(sName, buf, 32768);
  return (n > 0 && n < 32768) ? std::wstring(buf, n) : std::wstring();
}

// The marker a well-known rescue disk leaves in the registered owner's name.
constexpr std::wstring_view kRescueDiskMarker = L"Hiren";

// Profile folders every machine has that are not a user's.
constexpr std::wstring_view kCommonProfileDirs[] = {L"localservice",     L"networkservice", L"default user",
                                                    L"default.migrated", L"all users",      L"public"};

}  // namespace

void SetFolderPair(std::wstring& sNoBS, std::wstring& sBS, std::wstring_view sFolder) {
  sNoBS = sFolder;
  while (!sNoBS.empty() && sNoBS.back() == L'\\') sNoBS.pop_back();
  sBS = sNoBS.empty() ? std::wstring() : sNoBS + L"\\";
}

void SetFolderPair(App_Lazy<std::wstring>& sNoBS, App_Lazy<std::wstring>& sBS, std::wstring_view sFolder) {
  std::wstring noBS, bs;
  SetFolderPair(noBS, bs, sFolder);
  sNoBS = std::move(noBS);
  sBS = std::move(bs);
}

std::wstring LastPathElement(std::wstring_view sPath) {
  std::wstring p(sPath);
  App_Strings::StripTrailingBackslash(p);
  const size_t slash = p.find_last_of(L'\\');
  return slash == std::wstring::npos ? p : p.substr(slash + 1);
}

bool DLLFunctionCheck(std::wstring_view sLibrary, std::string_view sFunction) {
  const std::wstring lib(sLibrary);
  const std::string fn(sFunction);
  return App_Platform::ProcAddress(lib.c_str(), fn.c_str()) != nullptr;
}

std::wstring GetMyExe() {
  App_Trace t(L"App_Common", L"GetMyExe");
  std::wstring exe;
  t.Step([&] {
    std::wstring buf(519, L'\0');
    DWORD n = ::GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n >= buf.size()) {  // a longer path than the classic buffer: ask again with room
      buf.assign(32768, L'\0');
      n = ::GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    }
    if (n == 0) {
      t.APIError(L"GetModuleFileNameW");
      return;
    }
    buf.resize(n);
    exe = Fixed(buf);
  });
  t.Vars(vkFunctionReturn, {exe});
  return exe;
}

std::wstring GetMyPath() {
  return App_Strings::GetFilePathOnly(GetMyExe());
}

std::wstring GetWinDir() {
  App_Trace t(L"App_Common", L"GetWinDir");
  std::wstring dir;
  t.Step([&] {
    wchar_t buf[MAX_PATH + 1] = {};
    const UINT n = ::GetWindowsDirectoryW(buf, MAX_PATH + 1);
    if (n == 0 || n > MAX_PATH) {
      t.APIError(L"GetWindowsDirectoryW");
      dir = EnvVar(L"windir");
    } else {
      dir = Fixed(std::wstring(buf, n));
    }
  });
  t.Vars(vkFunctionReturn, {dir});
  return dir;
}

std::wstring GetSystemDrive() {
  std::wstring d = AppEnv().Dir_Windows.substr(0, 2);
  if (d.empty()) d = EnvVar(L"systemdrive");
  return d;
}

namespace {

// Asks a profile-folder function (GetProfilesDirectoryW and its twins) for
// its folder: first the size, then the text. Empty and logged on failure.
using ProfileFolderFn = BOOL(WINAPI*)(LPWSTR, LPDWORD);
std::wstring AskProfileFolder(App_Trace& t, ProfileFolderFn fn, const wchar_t* sName) {
  DWORD size = 0;
  fn(nullptr, &size);
  std::wstring buf(size + 1, L'\0');
  if (size > 0 && fn(buf.data(), &size)) return Fixed(buf);
  t.APIError(sName);
  return {};
}

}  // namespace

std::wstring GetUserProfilesParentDir() {
  App_Trace t(L"App_Common", L"GetUserProfilesParentDir");
  std::wstring dir;
  t.Step([&] {
    dir = AskProfileFolder(t, ::GetProfilesDirectoryW, L"GetProfilesDirectoryW");
    if (dir.empty()) dir = App_Strings::GetFilePathOnly(EnvVar(L"userprofile"));
  });
  t.Vars(vkFunctionReturn, {dir});
  return dir;
}

std::wstring GetDefaultUserProfileDir() {
  App_Trace t(L"App_Common", L"GetDefaultUserProfileDir");
  std::wstring dir;
  t.Step([&] {
    dir = AskProfileFolder(t, ::GetDefaultUserProfileDirectoryW, L"GetDefaultUserProfileDirectoryW");
  });
  t.Vars(vkFunctionReturn, {dir});
  return dir;
}

std::wstring GetMyUserName() {
  App_Trace t(L"App_Common", L"GetMyUserName");
  std::wstring name;
  t.Step([&] {
    wchar_t buf[257] = {};
    DWORD size = 257;
    if (::GetUserNameW(buf, &size)) {
      name = buf;
    } else {
      t.APIError(L"GetUserNameW");
      name = EnvVar(L"username");
    }
  });
  t.Vars(vkFunctionReturn, {name});
  return name;
}

std::wstring GetMyCommandLine() {
  const wchar_t* cl = ::GetCommandLineW();
  if (!cl) return {};
  // The program path ends at the first blank outside quotes, as the shell
  // reads it (PathGetArgsW's rule, without loading the shell's helpers).
  bool quoted = false;
  for (; *cl; ++cl) {
    if (*cl == L' ' && !quoted) {
      ++cl;
      break;
    }
    if (*cl == L'"') quoted = !quoted;
  }
  return App_Strings::Trim(cl);
}

std::wstring GetTempDir() {
  App_Trace t(L"App_Common", L"GetTempDir");
  std::wstring dir;
  t.Step([&] {
    wchar_t buf[MAX_PATH + 2] = {};
    const DWORD n = ::GetTempPathW(MAX_PATH + 2, buf);
    if (n == 0 || n > MAX_PATH + 1) {
      t.APIError(L"GetTempPathW");
      return;
    }
    dir = Fixed(std::wstring(buf, n));
    App_Strings::StripTrailingBackslash(dir);
  });
  t.Vars(vkFunctionReturn, {dir});
  return dir;
}

std::wstring GetSpecialfolder(int32_t lCSIDL) {
  App_Trace t(L"App_Common", L"GetSpecialfolder");
  std::wstring dir;
  t.Vars(vkPassedByVal, {L"lCSIDL", lCSIDL});
  t.Step([&] {
    // The folder's path straight away: the same answer as through its item
    // list, without building one (start-up asks for eighteen folders).
    wchar_t buf[MAX_PATH + 1] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, lCSIDL, nullptr, SHGFP_TYPE_CURRENT, buf))) return;
    dir = buf;
    while (dir.size() > 3 && dir.back() == L'\\') dir.pop_back();
    dir = App_Strings::RTrim(dir);
    if (lCSIDL == CSIDL_PROGRAM_FILES || lCSIDL == CSIDL_PROGRAM_FILES_COMMON)
      dir = App_Strings::Replace(dir, L" (x86)", L"", App_Strings::cmText);
  });
  t.Vars(vkFunctionReturn, {dir});
  return dir;
}

std::wstring GetComputerName(int32_t lNameType) {
  App_Trace t(L"App_Common", L"GetComputerName");
  std::wstring name;
  t.Vars(vkPassedByVal, {L"lNameType", lNameType});
  t.Step([&] {
    auto ask = [&](COMPUTER_NAME_FORMAT format, bool& bEnvVarMissing) {
      DWORD size = 0;
      ::GetComputerNameExW(format, nullptr, &size);
      bEnvVarMissing = ::GetLastError() == ERROR_ENVVAR_NOT_FOUND;
      if (size == 0) return false;
      std::wstring buf(size + 1, L'\0');
      if (!::GetComputerNameExW(format, buf.data(), &size)) return false;
      buf.resize(size);
      name = buf;
      return true;
    };
    bool missing = false;
    const auto format = static_cast<COMPUTER_NAME_FORMAT>(lNameType);
    if (!ask(format, missing) && missing && lNameType >= 0 && lNameType <= 3) {
      // The physical form of the same name (types 4 to 7 follow 0 to 3).
      ask(static_cast<COMPUTER_NAME_FORMAT>(lNameType + 4), missing);
    }
  });
  t.Vars(vkFunctionReturn, {name});
  return name;
}

void SetVersionTexts(App_Env& e, std::wstring_view sFull) {
  e.AppVer_Full = sFull;
  std::wstring rest(sFull), a, b, c, d;
  auto next = [&](std::wstring& piece) {
    const size_t dot = rest.find(L'.');
    piece = App_Strings::Trim(rest.substr(0, dot));
    rest = dot == std::wstring::npos ? std::wstring() : rest.substr(dot + 1);
  };
  next(a);
  next(b);
  next(c);
  next(d);
  // The program's own major and minor numbers, in decimal.
  const long lMajor = std::wcstol(a.c_str(), nullptr, 10), lMinor = std::wcstol(b.c_str(), nullptr, 10);
  const std::wstring mm = std::to_wstring(lMajor) + L"." + std::to_wstring(lMinor);
  e.AppVer_ThreePart = mm + L"." + c;
  const long cn = std::wcstol(c.c_str(), nullptr, 10), dn = std::wcstol(d.c_str(), nullptr, 10);
  e.AppVer_Pretty = dn > 0 ? mm + L"." + c + L"." + d : (cn > 0 ? mm + L"." + c : mm);
  e.AppVer_Pretty_Short = lMinor > 0 ? mm : std::to_wstring(lMajor);
}

std::wstring GetWindowTitle(bool bWithVersionFull) {
  const App_Env& e = AppEnv();
  std::wstring title = e.AppTitle_Basic;
  if (!bWithVersionFull) {
    if (e.AppVer_TestBuild) title += L" [TestBuild]";
    return title;
  }
  title += L"  v" + e.AppVer_Full;
  if (e.AppVer_TestBuild)
    title += L" [TestBuild]";
  else if (e.AppVer_FastTrack)
    title += L" [FastTrack]";
  return title;
}

void InitEnv_VersionAndTitle() {
  App_Trace t(L"App_Common", L"InitEnv_VersionAndTitle", ptSub);
  App_Env& e = AppEnv();
  t.Step([&] {
    e.AppVer_TestBuild = AppVer_TestBuild();
    e.AppVer_FastTrack = AppVer_FastTrack();
  });
  t.Step([&] {
    const std::wstring exe = GetMyExe();
    SetVersionTexts(e, App_FileSystem::GetFileVersion(exe, false));
  });
  t.Step([&] {
    e.AppTitle_Basic = std::wstring(ProgramTitle);
    e.AppTitle_BasicNoSpaces = App_Strings::Replace(e.AppTitle_Basic, L" ", L"_");
  });
}

void InitEnv_AppInstStartDateTime() {
  App_Env& e = AppEnv();
  SYSTEMTIME st{};
  ::GetLocalTime(&st);
  App_Dates::App_DateParts p{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
  e.AppInst_InitDateTime = App_Dates::DateFromParts(p);
  e.AppInst_InitTime24h = App_Dates::FormatDate(e.AppInst_InitDateTime, L"hh:nn:ss");
  e.AppInst_InitDateOnly = App_Dates::FormatDate(e.AppInst_InitDateTime, L"yyyy-mm-dd");
  e.AppInst_InitDateTime_FilenameFriendly =
      e.AppInst_InitDateOnly + L" " + App_Strings::Replace(e.AppInst_InitTime24h, L":", L".");
}

void SetAppPathExeInfo() {
  App_Trace t(L"App_Common", L"SetAppPathExeInfo", ptSub);
  App_Env& e = AppEnv();
  t.Step([&] {
    e.AppEXE = GetMyExe();
    e.AppEXE_NoPath = LastPathElement(e.AppEXE);
    const size_t dot = e.AppEXE_NoPath.find_last_of(L'.');
    e.AppEXE_ExtOnly = dot == std::wstring::npos ? std::wstring() : e.AppEXE_NoPath.substr(dot + 1);
    e.AppEXE_NoPath_NoExt = dot == std::wstring::npos ? e.AppEXE_NoPath : e.AppEXE_NoPath.substr(0, dot);
    SetFolderPair(e.AppPath, e.AppPathBS, App_Strings::GetFilePathOnly(e.AppEXE));
  });
}

void SetResourceFolders(App_Env& e, std::wstring_view sResPath, std::wstring_view sToday) {
  const std::wstring res = App_Strings::Trim(sResPath);
  if (App_Strings::StringMatch(res, L".\\", false)) {
    SetFolderPair(e.AppPath_Resources, e.AppPathBS_Resources, e.AppPath);
    SetFolderPair(e.AppPath_Reports, e.AppPathBS_Reports, e.AppPathBS + L"Reports\\" + std::wstring(sToday));
  } else {
    const std::wstring n = res.empty() ? e.AppTitle_Basic + L" Resources" : std::wstring(sResPath);
    SetFolderPair(e.AppPath_Resources, e.AppPathBS_Resources, e.AppPathBS + n);
    SetFolderPair(e.AppPath_Reports, e.AppPathBS_Reports,
                  e.AppPathBS + n + L" Reports\\" + std::wstring(sToday));
  }
  const std::wstring& r = e.AppPathBS_Resources;
  SetFolderPair(e.AppPath_Config, e.AppPathBS_Config, r + L"Config");
  SetFolderPair(e.AppPath_Defs, e.AppPathBS_Defs, r + L"Defs");
  SetFolderPair(e.AppPath_Downloads, e.AppPathBS_Downloads, r + L"Downloads");
  SetFolderPair(e.AppPath_Modules, e.AppPathBS_Modules, r + L"Modules");
  SetFolderPair(e.AppPath_PreviousVersions, e.AppPathBS_PreviousVersions, r + L"Previous Versions");
  SetFolderPair(e.AppPath_Reqs, e.AppPathBS_Reqs, r + L"Reqs");
  SetFolderPair(e.AppPath_Tools, e.AppPathBS_Tools, r + L"Tools");
  SetFolderPair(e.AppPath_3pApps, e.AppPathBS_3pApps, e.AppPathBS + L"Apps");
}

void SetParentProcessInfo() {
  App_Trace t(L"App_Common", L"SetParentProcessInfo", ptSub);
  App_Env& e = AppEnv();
  t.Step([&] {
    const uint32_t lParent = App_Processes::GetParentPID(e.AppInst_ProcessID);
    e.AppInst_ParentProcess_ProcessID = lParent;
    e.AppInst_ParentProcess_AppEXE = std::wstring();
    if (static_cast<int32_t>(lParent) <= 0) {
      e.AppInst_IsService = HasServiceArgs();
      return;
    }
    const std::wstring sParent = App_Processes::GetPathFromPID(lParent, true);
    e.AppInst_ParentProcess_AppEXE = sParent;
    e.AppInst_IsService = App_Strings::LCase(LastPathElement(sParent)) == L"services.exe";
  });
}

bool EarlyWinPECheck() {
  App_Trace t(L"App_Common", L"EarlyWinPECheck");
  bool pe = false;
  const App_Env& e = AppEnv();
  t.Step([&] {
    if (!e.AppInst_IsWriteablePath && App_FilePath::HasWriteAccess(L"X:\\")) {
      pe = true;
      t.Log(L"Write Access on X:\\");
    }
  });
  t.Step([&] {
    if (App_Registry::RegKeyExist(hkeyLocalMachine,
                                  L"Software\\Microsoft\\Windows NT\\CurrentVersion\\WinPE")) {
      pe = true;
      t.Log(L"WinPE Registry Key Found");
    }
  });
  t.Step([&] {
    App_Variant value;
    App_Registry::RegReadValue(hkeyLocalMachine, L"Software\\Microsoft\\Windows NT\\CurrentVersion",
                               L"RegisteredOwner", App_Registry::REGTYPE_SZ, L"", value);
    const std::wstring owner = value.AsString();
    if (App_Strings::InStr(owner, kRescueDiskMarker, App_Strings::cmText) != 0) {
      pe = true;
      t.Log(L"WinPE detected: the registered owner's name contains \"" + std::wstring(kRescueDiskMarker) +
                L"\"",
            evNormal, pVar(L"RegisteredOwner", owner));
    }
  });
  t.Vars(vkFunctionReturn, {pe});
  return pe;
}

void Refresh_UserList_by_DirName(App_Env& e) {
  App_Trace t(L"App_Env", L"Refresh_UserList_by_DirName", ptSub);
  App_Collection users, dirs, dirsNoCommon;
  t.Step([&] {
    FS_DirList search;
    search.IncludeDirs(true);
    search.IncludeFiles(false);
    search.RecursionLevel(0);
    search.AddSearchPath(e.Dir_UserProfilesParent.Get());
    search.StartSearch();
    for (const std::wstring& full : search.MatchingFilesFullPath().Items()) {
      const std::wstring name = LastPathElement(full);
      const std::wstring key = App_Strings::LCase(name);
      dirs.Add(full, key);
      users.Add(name, key);
      bool common = false;
      for (std::wstring_view c : kCommonProfileDirs) common |= key == c;
      if (!common) dirsNoCommon.Add(full, key);
    }
  });
  e.UserList_by_DirName = std::move(users);
  e.Dir_UserProfilesList = std::move(dirs);
  e.Dir_UserProfilesList_NoCommonDirs = std::move(dirsNoCommon);
}

void Refresh_UserList_WMI(App_Env& e) {
  App_Trace t(L"App_Env", L"Refresh_UserList_WMI", ptSub);
  e.UserListArr_WMI_Was_Triggered = true;
  App_Collection list;
  t.Step([&] {
    std::optional<App_Collection> users;
    App_QueryWMI::WMI_GetUserList(users, true, true, true);
    if (users) list = std::move(*users);
  });
  e.UserList_WMI = std::move(list);
}

namespace {

// The folder pairs the shell gives straight away, in the order they are
// asked for.
struct ShellFolderRow {
  int32_t CSIDL;
  App_Lazy<std::wstring> App_Env::*Folder;
  App_Lazy<std::wstring> App_Env::*FolderBS;
};
constexpr ShellFolderRow kShellFolders[] = {
    {CSIDL_PROGRAM_FILES, &App_Env::Dir_ProgramFiles, &App_Env::DirBS_ProgramFiles},
    {CSIDL_COMMON_APPDATA, &App_Env::Dir_ProgramData, &App_Env::DirBS_ProgramData},
    {CSIDL_APPDATA, &App_Env::UserDir_CurrentUser_AppData_Roaming,
     &App_Env::UserDirBS_CurrentUser_AppData_Roaming},
    {CSIDL_LOCAL_APPDATA, &App_Env::UserDir_CurrentUser_AppData_Local,
     &App_Env::UserDirBS_CurrentUser_AppData_Local},
    {CSIDL_DESKTOPDIRECTORY, &App_Env::UserDir_CurrentUser_Desktop, &App_Env::UserDirBS_CurrentUser_Desktop},
    {CSIDL_PROFILE, &App_Env::UserDir_CurrentUser_Profile, &App_Env::UserDirBS_CurrentUser_Profile},
    {CSIDL_SENDTO, &App_Env::UserDir_CurrentUser_SendToMenu, &App_Env::UserDirBS_CurrentUser_SendToMenu},
    {CSIDL_TEMPLATES, &App_Env::UserDir_CurrentUser_DocTemplates,
     &App_Env::UserDirBS_CurrentUser_DocTemplates},
    {CSIDL_RECENT, &App_Env::UserDir_CurrentUser_RecentDocs, &App_Env::UserDirBS_CurrentUser_RecentDocs},
    {CSIDL_PRINTHOOD, &App_Env::UserDir_CurrentUser_Printers, &App_Env::UserDirBS_CurrentUser_Printers},
    {CSIDL_STARTMENU, &App_Env::UserDir_CurrentUser_StartMenu, &App_Env::UserDirBS_CurrentUser_StartMenu},
    {CSIDL_PROGRAMS, &App_Env::UserDir_CurrentUser_StartMenuPrograms,
     &App_Env::UserDirBS_CurrentUser_StartMenuPrograms},
    {CSIDL_STARTUP, &App_Env::UserDir_CurrentUser_StartupFolder,
     &App_Env::UserDirBS_CurrentUser_StartupFolder},
    {CSIDL_COMMON_DESKTOPDIRECTORY, &App_Env::UserDir_AllUsers_Desktop, &App_Env::UserDirBS_AllUsers_Desktop},
};

// The folders the shell knows, those made from them, their names, and the
// access-list tool that is looked for in Program Files, in InitEnv's order.
// A folder that fails leaves the others standing.
void InitEnv_ShellFolders(App_Env& e) {
  App_Trace t(L"App_Common", L"InitEnv_ShellFolders", ptSub);
  for (const ShellFolderRow& r : kShellFolders)
    t.Step([&] { SetFolderPair(e.*r.Folder, e.*r.FolderBS, GetSpecialfolder(r.CSIDL)); });
  t.Step([&] {
    SetFolderPair(e.Dir_ProgramFiles32, e.DirBS_ProgramFiles32,
                  e.Win64bit ? e.Dir_ProgramFiles.Get() + L" (x86)" : e.Dir_ProgramFiles.Get());
    SetFolderPair(e.Dir_CommonProgramFiles, e.DirBS_CommonProgramFiles,
                  e.DirBS_ProgramFiles.Get() + L"Common Files");
    SetFolderPair(e.Dir_CommonProgramFiles32, e.DirBS_CommonProgramFiles32,
                  e.DirBS_ProgramFiles32.Get() + L"Common Files");
    const std::wstring vs = e.UserDirBS_CurrentUser_AppData_Local.Get() + L"VirtualStore\\";
    SetFolderPair(e.UserDir_CurrentUser_ProgramFilesVS, e.UserDirBS_CurrentUser_ProgramFilesVS,
                  vs + LastPathElement(e.Dir_ProgramFiles.Get()));
    SetFolderPair(e.UserDir_CurrentUser_ProgramFiles32VS, e.UserDirBS_CurrentUser_ProgramFiles32VS,
                  vs + LastPathElement(e.Dir_ProgramFiles32.Get()));
    SetFolderPair(e.UserDir_AllUsers_Profile, e.UserDirBS_AllUsers_Profile,
                  App_Strings::GetFilePathOnly(e.UserDir_AllUsers_Desktop.Get()));
  });
  t.Step([&] {
    e.NameDir_CurrentUser = LastPathElement(e.UserDir_CurrentUser_Profile.Get());
    e.NameDir_SendToMenu = LastPathElement(e.UserDir_CurrentUser_SendToMenu.Get());
    e.NameDir_DocTemplates = LastPathElement(e.UserDir_CurrentUser_DocTemplates.Get());
    e.NameDir_RecentDocs = LastPathElement(e.UserDir_CurrentUser_RecentDocs.Get());
    e.NameDir_Printers = LastPathElement(e.UserDir_CurrentUser_Printers.Get());
    e.NameDir_StartMenu = LastPathElement(e.UserDir_CurrentUser_StartMenu.Get());
    e.NameDir_StartMenuPrograms = LastPathElement(e.UserDir_CurrentUser_StartMenuPrograms.Get());
    e.NameDir_StartupFolder = LastPathElement(e.UserDir_CurrentUser_StartupFolder.Get());
    e.NameDir_Desktop = LastPathElement(e.UserDir_AllUsers_Desktop.Get());
  });
  t.Step([&] {
    SetFolderPair(e.UserDir_DefaultUser_Profile, e.UserDirBS_DefaultUser_Profile, GetDefaultUserProfileDir());
    SetFolderPair(e.UserDir_DefaultUser_Desktop, e.UserDirBS_DefaultUser_Desktop,
                  e.UserDirBS_DefaultUser_Profile.Get() + e.NameDir_Desktop.Get());
  });
  t.Step([&] {
    t.Log(L"Pre-CSIDL_PERSONAL");
    e.NameDir_Documents = LastPathElement(GetSpecialfolder(CSIDL_PERSONAL));
    t.Log(L"Pre-CSIDL_MYPICTURES");
    e.NameDir_Pictures = LastPathElement(GetSpecialfolder(CSIDL_MYPICTURES));
    e.NameDir_Music = LastPathElement(GetSpecialfolder(CSIDL_MYMUSIC));
    e.NameDir_Videos = LastPathElement(GetSpecialfolder(CSIDL_MYVIDEO));
  });
  t.Step([&] {
    t.Log(L"Pre-subinacl-Check");
    e.EXE_SubInACL = std::wstring();
    const std::wstring inTools = e.AppPathBS_Tools + L"subinacl.exe";
    const std::wstring inKit = e.DirBS_ProgramFiles32.Get() + L"Windows Resource Kits\\Tools\\subinacl.exe";
    if (App_FileSystem::FileExistNL(inTools))
      e.EXE_SubInACL = inTools;
    else if (App_FileSystem::FileExistNL(inKit))
      e.EXE_SubInACL = inKit;
  });
}

void InitEnv_ShellFoldersLater(App_Env& e) {
  App_LazyTogether(
      [&e] { InitEnv_ShellFolders(e); }, e.Dir_ProgramFiles, e.DirBS_ProgramFiles, e.Dir_ProgramFiles32,
      e.DirBS_ProgramFiles32, e.Dir_CommonProgramFiles, e.DirBS_CommonProgramFiles,
      e.Dir_CommonProgramFiles32, e.DirBS_CommonProgramFiles32, e.Dir_ProgramData, e.DirBS_ProgramData,
      e.UserDir_CurrentUser_AppData_Roaming, e.UserDirBS_CurrentUser_AppData_Roaming,
      e.UserDir_CurrentUser_AppData_Local, e.UserDirBS_CurrentUser_AppData_Local,
      e.UserDir_CurrentUser_ProgramFilesVS, e.UserDirBS_CurrentUser_ProgramFilesVS,
      e.UserDir_CurrentUser_ProgramFiles32VS, e.UserDirBS_CurrentUser_ProgramFiles32VS,
      e.UserDir_CurrentUser_Desktop, e.UserDirBS_CurrentUser_Desktop, e.UserDir_CurrentUser_Profile,
      e.UserDirBS_CurrentUser_Profile, e.UserDir_CurrentUser_SendToMenu, e.UserDirBS_CurrentUser_SendToMenu,
      e.UserDir_CurrentUser_DocTemplates, e.UserDirBS_CurrentUser_DocTemplates,
      e.UserDir_CurrentUser_RecentDocs, e.UserDirBS_CurrentUser_RecentDocs, e.UserDir_CurrentUser_Printers,
      e.UserDirBS_CurrentUser_Printers, e.UserDir_CurrentUser_StartMenu, e.UserDirBS_CurrentUser_StartMenu,
      e.UserDir_CurrentUser_StartMenuPrograms, e.UserDirBS_CurrentUser_StartMenuPrograms,
      e.UserDir_CurrentUser_StartupFolder, e.UserDirBS_CurrentUser_StartupFolder, e.NameDir_CurrentUser,
      e.NameDir_SendToMenu, e.NameDir_DocTemplates, e.NameDir_RecentDocs, e.NameDir_Printers,
      e.NameDir_StartMenu, e.NameDir_StartMenuPrograms, e.NameDir_StartupFolder, e.NameDir_Desktop,
      e.NameDir_Documents, e.NameDir_Pictures, e.NameDir_Music, e.NameDir_Videos, e.UserDir_AllUsers_Desktop,
      e.UserDirBS_AllUsers_Desktop, e.UserDir_AllUsers_Profile, e.UserDirBS_AllUsers_Profile,
      e.UserDir_DefaultUser_Profile, e.UserDirBS_DefaultUser_Profile, e.UserDir_DefaultUser_Desktop,
      e.UserDirBS_DefaultUser_Desktop, e.EXE_SubInACL);
}

}  // namespace

void InitEnv(std::wstring_view sResPath) {
  App_Trace t(L"App_Common", L"InitEnv", ptSub);
  App_Env& e = AppEnv();
  const bool service = HasServiceArgs();
  t.Vars(vkPassedByVal, {L"sResPath", sResPath});

  // 2. The process.
  t.Step([&] {
    e.AppInst_ProcessID = ::GetCurrentProcessId();
    if (!service) {
      e.AppInst_hInstance = ::GetModuleHandleW(nullptr);
      // Asking for the desktop window connects the process to the display;
      // a start that only hands a URL on never needs it.
      e.hWnd_Desktop.SetFiller([] { return ::GetDesktopWindow(); });
    }
  });
  // 3. and 4. The Windows folder and the Windows release.
  t.Step([&] { SetFolderPair(e.Dir_Windows, e.DirBS_Windows, GetWinDir()); });
  t.Step([&] { SetupEnvOSVersionDetails(); });

  // 5. 64-bit facts and the API availability.
  t.Step([&] {
    e.API_IsWow64Process = DLLFunctionCheck(L"kernel32.dll", "IsWow64Process");
    e.AppInst_IsWow64Process = e.API_IsWow64Process;
    bool wow64 = false;
    if (PlatformFake().IsWow64Process) {
      wow64 = *PlatformFake().IsWow64Process;
    } else if (sizeof(void*) == 8) {
      wow64 = true;  // a 64-bit build of the program only runs on 64-bit Windows
    } else if (e.API_IsWow64Process) {
      using IsWow64Fn = BOOL(WINAPI*)(HANDLE, PBOOL);
      BOOL answer = FALSE;
      if (App_Platform::Proc<IsWow64Fn>(L"kernel32.dll", "IsWow64Process")(::GetCurrentProcess(), &answer))
        wow64 = answer != FALSE;
      else
        t.APIError(L"IsWow64Process");
    } else if (e.WinXP || e.WinXP64) {
      wow64 = e.WinXP64;
    }
    g_Win64bit = wow64;
    e.Win64bit = g_Win64bit;
  });
  t.Step([&] {
    e.API_CheckTokenMembership = DLLFunctionCheck(L"advapi32.dll", "CheckTokenMembership");
    e.API_IsUserAnAdmin.SetFiller([] { return DLLFunctionCheck(L"shell32.dll", "IsUserAnAdmin"); });
    e.API_QueryFullProcessImageNameW = DLLFunctionCheck(L"kernel32.dll", "QueryFullProcessImageNameW");
    e.API_GetFileInformationByHandleEx = DLLFunctionCheck(L"kernel32.dll", "GetFileInformationByHandleEx");
  });

  // 6. The system drive and the Windows folders.
  t.Step([&] {
    e.SystemDrive = GetSystemDrive();
    e.SystemDriveBS = e.SystemDrive.empty() ? std::wstring() : e.SystemDrive + L"\\";
    SetFolderPair(e.Dir_System16, e.DirBS_System16, e.DirBS_Windows + L"System");
    // The system folder as Windows names it, never derived from the
    // Windows folder (a per-user folder on a Terminal Server).
    SetFolderPair(e.Dir_System32, e.DirBS_System32, App_Platform::SystemFolder());
    SetFolderPair(e.Dir_SysWOW64, e.DirBS_SysWOW64, e.DirBS_Windows + L"SysWOW64");
  });
  // The shell's folders, their names and the access-list tool, together on
  // their first read.
  t.Step([&] { InitEnv_ShellFoldersLater(e); });

  // 7. Rights.
  t.Step([&] { e.AppInst_IsAdmin = IsCurrentUserAnAdmin(); });
  t.Step([&] { e.AppInst_IsSystem = IsSystemAccount(); });

  // 8. and 9. The program file and its folders.
  t.Step([&] { SetAppPathExeInfo(); });
  t.Step([&] { e.AppInst_IsWriteablePath = App_FilePath::HasWriteAccess(e.AppPath); });
  t.Step([&] {
    SetResourceFolders(e, sResPath, App_Dates::FormatDate(e.AppInst_InitDateTime, L"yyyy-mm-dd"));
    SetFolderPair(e.AppPath_Temp, e.AppPathBS_Temp,
                  e.AppInst_IsWriteablePath ? e.AppPathBS_Resources + L"Temp" : GetTempDir() + L"\\Lumo");
  });

  // 10. Command line, title, origin and names.
  if (service) {
    t.Step([&] {
      e.AppInst_CommandLineArgs_String = GetMyCommandLine();
      e.AppTitle = GetWindowTitle(false);
      e.AppTitle_WithVersionFull = GetWindowTitle(true);
      e.AppInst_IsService = true;
      e.AppInst_ParentProcess_AppEXE = std::wstring(L"services.exe");
      e.Name_CurrentUser = EnvVar(L"username");
      e.Name_ComputerName = EnvVar(L"computername");
      e.Name_DomainName = EnvVar(L"userdomain");
    });
  } else {
    t.Step([&] { e.AppInst_CommandLineArgs_String = GetMyCommandLine(); });
    t.Step([&] { App_FilePath::SetCurrentDir(e.AppPathBS); });
    t.Step([&] {
      e.AppTitle = GetWindowTitle(false);
      e.AppTitle_WithVersionFull = GetWindowTitle(true);
    });
    // The parent process needs a look at the process list: asked for when first read.
    t.Step([&] {
      App_LazyTogether([] { SetParentProcessInfo(); }, e.AppInst_ParentProcess_ProcessID,
                       e.AppInst_ParentProcess_AppEXE, e.AppInst_IsService);
    });
    t.Step([&] { e.Name_CurrentUser = GetMyUserName(); });
    t.Step([&] {
      e.Name_ComputerName = GetComputerName(1);
      e.Name_DomainName = GetComputerName(2);
      // The other forms of the name, each when it is first read.
      int32_t lType = 0;
      for (App_Lazy<std::wstring>* name :
           {&e.Name_NetBIOS, &e.Name_DnsFullyQualified, &e.Name_ComputerNamePhysical,
            &e.Name_DomainNamePhysical, &e.Name_NetBIOSPhysical, &e.Name_DnsFullyQualifiedPhysical}) {
        const int32_t lNameType = lType == 0 ? 0 : lType + 2;
        name->SetFiller([lNameType] { return GetComputerName(lNameType); });
        ++lType;
      }
    });
    // WMI is slow to reach: the workgroup is asked for when it is first read.
    t.Step([&] { e.Name_Workgroup.SetFiller([] { return App_QueryWMI::GetWindowsWorkgroupName(); }); });
  }

  // 11. Domain, profiles and the user's folders.
  t.Step([&] { e.Net_IsDomain = IsOnDomain(); });
  t.Step([&] {
    App_LazyTogether(
        [&e] {
          SetFolderPair(e.Dir_UserProfilesParent, e.DirBS_UserProfilesParent, GetUserProfilesParentDir());
          Refresh_UserList_by_DirName(e);
        },
        e.Dir_UserProfilesParent, e.DirBS_UserProfilesParent, e.UserList_by_DirName, e.Dir_UserProfilesList,
        e.Dir_UserProfilesList_NoCommonDirs);
  });
  t.Step([&] { SetFolderPair(e.UserDir_CurrentUser_Temp, e.UserDirBS_CurrentUser_Temp, GetTempDir()); });
  // The WMI user list likewise, when it is first read.
  t.Step([&] { App_LazyTogether([&e] { Refresh_UserList_WMI(e); }, e.UserList_WMI); });

  // 12. Pre-installation environment and the access-list tool.
  t.Step([&] {
    t.Log(L"Pre-EarlyWinPECheck");
    e.WinType_PE = EarlyWinPECheck();
  });
  t.Log(L"done-InitEnv");
}

}  // namespace App_Common
