// Filling the application environment (module App_Common): InitEnv and the
// routines it runs, each also usable on its own.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "util/App_Lazy.h"

class App_Env;

namespace App_Common {

// Fills AppEnv() in the fixed start-up order. sResPath: ".\" (the resources
// are the program folder), another folder name, or "" (AppTitle_Basic +
// " Resources").
void InitEnv(std::wstring_view sResPath);

// The pieces of InitEnv.
void InitEnv_AppInstStartDateTime();
void InitEnv_VersionAndTitle();
void SetAppPathExeInfo();
void SetParentProcessInfo();
void SetResourceFolders(App_Env& env, std::wstring_view sResPath, std::wstring_view sToday);
std::wstring GetWindowTitle(bool bWithVersionFull);
// The version texts of a four-part file version "a.b.c.d".
void SetVersionTexts(App_Env& env, std::wstring_view sFullVersion);

std::wstring GetMyExe();
std::wstring GetMyPath();
std::wstring GetWinDir();
std::wstring GetSystemDrive();
std::wstring GetUserProfilesParentDir();
std::wstring GetDefaultUserProfileDir();
std::wstring GetMyUserName();
std::wstring GetMyCommandLine();
std::wstring GetTempDir();
std::wstring GetSpecialfolder(int32_t lCSIDL);
std::wstring GetComputerName(int32_t lNameType);
bool EarlyWinPECheck();
bool DLLFunctionCheck(std::wstring_view sLibrary, std::string_view sFunction);

// Sets the value pair of a folder: without and with the trailing backslash.
void SetFolderPair(std::wstring& sNoBS, std::wstring& sBS, std::wstring_view sFolder);
void SetFolderPair(App_Lazy<std::wstring>& sNoBS, App_Lazy<std::wstring>& sBS, std::wstring_view sFolder);

// The last element of a path (the localised folder name).
std::wstring LastPathElement(std::wstring_view sPath);

// The profile lists of App_Env.
void Refresh_UserList_by_DirName(App_Env& env);
void Refresh_UserList_WMI(App_Env& env);

// True while 32-bit code runs on 64-bit Windows (set by InitEnv).
extern bool g_Win64bit;

}  // namespace App_Common
