#include "app/App_Common.h"

#include <windows.h>
// after <windows.h>, which it needs
#include <objbase.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <cwchar>
#include <iterator>
#include <optional>
#include <vector>

#include "app/App_Common_Env.h"
#include "app/MExceptionHandler.h"
#include "diag/App_Debug.h"
#include "diag/App_Trace.h"
#include "fs/App_FileSystem.h"
#include "platform/App_COMInit.h"
#include "platform/App_Env.h"
#include "platform/App_Platform.h"
#include "process/App_RunX.h"
#include "registry/App_Common_Privileges.h"
#include "registry/App_Permissions.h"
#include "util/App_Strings.h"
#include "util/App_Time.h"
#include "util/App_Variables.h"

namespace App_Common {

namespace {

struct CommonState {
  std::optional<std::wstring> versionComment;
  std::vector<std::wstring> generated;
};

CommonState& C() {
  static CommonState* c = new CommonState();
  return *c;
}

// The generated names, kept as character codes so that the texts do not
// stand in the program file as plain strings. Each row ends with 0.
constexpr unsigned short kGeneratedCodes[][12] = {
    {69, 118, 101, 110, 116, 84, 121, 112, 101, 0},  // L1: event type
    {77, 115, 103, 0},                               // L2: message
    {86, 97, 114, 115, 0},                           // L3: variables
    {65, 114, 103, 115, 66, 121, 86, 97, 108, 0},    // L4: arguments by value
    {65, 114, 103, 115, 66, 121, 82, 101, 102, 0},   // L5: arguments by reference
    {76, 111, 99, 97, 108, 86, 97, 114, 115, 0},     // L6: local variables
    {69, 114, 114, 111, 114, 0},                     // L7: error
    {65, 80, 73, 69, 114, 114, 0},                   // L8: system error number
    {82, 84, 69, 114, 114, 0},                       // L9: run-time error number
    {40, 72, 101, 120, 0},                           // L10: hexadecimal form
    {83, 111, 117, 114, 99, 101, 0},                 // L11: source
    {68, 101, 115, 99, 0},                           // L12: description
};

}  // namespace

void InitAppGeneratedVars() {
  auto& g = C().generated;
  g.clear();
  for (const auto& row : kGeneratedCodes) {
    std::wstring s;
    for (unsigned short code : row) {
      if (code == 0) break;
      s.push_back(static_cast<wchar_t>(code));
    }
    g.push_back(std::move(s));
  }
}

const std::wstring& GeneratedVar(int i) {
  static const std::wstring empty;
  const auto& g = C().generated;
  return (i >= 0 && static_cast<size_t>(i) < g.size()) ? g[static_cast<size_t>(i)] : empty;
}

void SetAppGeneratedVars() {
  if (C().generated.empty()) InitAppGeneratedVars();
  std::wstring labels[12];
  for (int i = 0; i < 12; ++i) labels[i] = GeneratedVar(i);
  App_Debug::SetDebugLabels(labels);
}

std::wstring VersionComment() {
  auto& cached = C().versionComment;
  if (cached) return *cached;
  cached = std::wstring();
  // The running program's own version resource, already in memory: no need
  // to open the file again. A copy, as the version functions want one they
  // may write to (twice the size, as GetFileVersionInfo leaves).
  const HMODULE self = ::GetModuleHandleW(nullptr);
  HRSRC found = ::FindResourceW(self, MAKEINTRESOURCEW(VS_VERSION_INFO), MAKEINTRESOURCEW(16));  // RT_VERSION
  HGLOBAL loaded = found ? ::LoadResource(self, found) : nullptr;
  const void* raw = loaded ? ::LockResource(loaded) : nullptr;
  const DWORD size = found ? ::SizeofResource(self, found) : 0;
  if (!raw || size == 0) return *cached;
  std::vector<unsigned char> data(static_cast<size_t>(size) * 2);
  std::memcpy(data.data(), raw, size);
  struct LangCodePage {
    WORD lang, codePage;
  }* tr = nullptr;
  UINT trLen = 0;
  if (!::VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&tr), &trLen) ||
      trLen < sizeof(LangCodePage))
    return *cached;
  wchar_t key[64];
  std::swprintf(key, 64, L"\\StringFileInfo\\%04x%04x\\Comments", tr->lang, tr->codePage);
  wchar_t* text = nullptr;
  UINT len = 0;
  if (::VerQueryValueW(data.data(), key, reinterpret_cast<void**>(&text), &len) && text && len > 0)
    cached = std::wstring(text, wcsnlen(text, len));
  return *cached;
}

bool AppVer_TestBuild() {
  return VersionComment().find(L"TestBuild") != std::wstring::npos;
}
bool AppVer_FastTrack() {
  return VersionComment().find(L"FastTrack") != std::wstring::npos;
}

void InitApp(bool bIsDLL, std::wstring_view sResPath) {
  // 1. to 3. Random numbers, the tracing and debug-log state.
  // DLLs come from the system folder, never from the folder we were started in.
  App_Platform::RemoveCurrentFolderFromDllSearch();
  std::srand(static_cast<unsigned>(std::time(nullptr)) ^ ::GetTickCount());
  App_Debug::InitDebugModuleVars();
  // The floors above the log writer hand it what it cannot reach itself:
  // the file system's opener for the log, the launcher for the ACL tool.
  App_Debug::SetLogFileOpener(&App_FileSystem::OpenForAppend);
  App_Permissions::SetACLToolRunner(&App_RunX::RunHiddenTimedOut);
  App_Trace t(L"App_Common", L"InitApp", ptSub);
  // 4. and 5. The environment object.
  App_Env& e = AppEnv();
  t.Step([&] {
    e.AppInst_IsIDE = false;
    e.AppInst_IsDLL = bIsDLL;
  });
  // 6. The start time.
  t.Step([&] { InitEnv_AppInstStartDateTime(); });
  // 7. Processor exceptions become reported errors.
  t.Step([&] {
    if (!bIsDLL) MExceptionHandler::InstallExceptionHandler(-1);
  });
  // 8. The generated names and the debug-log labels.
  t.Step([&] {
    InitAppGeneratedVars();
    SetAppGeneratedVars();
  });
  // 9. and 10. Version, title and the debug defaults of the build kind.
  t.Step([&] { InitEnv_VersionAndTitle(); });
  t.Step([&] {
    if (e.AppVer_TestBuild) {
      App_Debug::DebugLog_Verbose = true;
      App_Debug::DebugLog_SystemOutput = true;
      App_Debug::OutputDebugStringRaw(L"\r\n[" + std::wstring(ProgramTitle) + L"]  --== New Instance @ " +
                                      e.AppInst_InitTime24h + L" ==--");
    } else if (e.AppVer_FastTrack) {
      App_Debug::DebugLog_Verbose = true;
    }
  });
  // 11. to 13. The first lines of the log.
  t.Step([&] {
    App_Debug::DebugLogAddEntry(e.AppInst_InitTime24h + L" --== New Instance [" + std::wstring(ProgramTitle) +
                                L"] ==--");
  });
  t.Step([&] { SetAppPathExeInfo(); });
  t.Step([&] {
    const wchar_t* raw = ::GetCommandLineW();
    const std::wstring details = L"Instance Details:  [" + e.AppEXE + L"] started with parameters [" +
                                 (raw ? std::wstring(raw) : std::wstring()) + L"]\r\n--------";
    if (e.AppVer_TestBuild)
      App_Debug::OutputDebugStringRaw(L"[" + std::wstring(ProgramTitle) + L"] " + details);
    App_Debug::DebugLogAddEntry(details);
  });
  // 14. Service and form policy.
  t.Step([&] {
    SetNeverLoadForms(bIsDLL ? true : HasServiceArgs());
    SetCOMInitFlags(bIsDLL ? COINIT_MULTITHREADED : COINIT_APARTMENTTHREADED);
  });
  // 15. The environment.
  t.Step([&] { InitEnv(sResPath); });
}

}  // namespace App_Common

namespace App_Common {

void TerminateApp(int32_t lExitCode, bool bSkipCleanUp) {
  const bool bIsDLL = AppEnv().AppInst_IsDLL;
  if (!bSkipCleanUp) {
    // Each release on its own: one that fails does not keep the next.
    App_QuietStep([] { App_Debug::CleanupDebug(); });
    App_QuietStep([] { AppEnv().App_ClassSync_CleanUp(); });
    App_QuietStep([] { ReleasePrivilegeRegistry(); });
    if (!bIsDLL) App_QuietStep([] { Uninit_OLE_COM(); });
    App_QuietStep([] { InitVisualStyles(false); });
  }
  if (!bIsDLL) MExceptionHandler::UninstallExceptionHandler();
  // The code as given, 0 included: the code the running process itself
  // reports is STILL_ACTIVE (259), which a parent waiting for the end would
  // read as "still running".
  ::ExitProcess(static_cast<DWORD>(lExitCode));
}

}  // namespace App_Common
