// Starting programs (module App_RunX): the launcher RunX and its waits, the
// process creation flags, and where a program named without a folder is
// found. The plain and the shell start are in App_Shell.cpp.
#include "process/App_RunX.h"

#include <windows.h>

#include <vector>

#include "config/Config_Class.h"
#include "diag/App_Trace.h"
#include "fs/App_FilePath.h"
#include "fs/App_FileSystem.h"
#include "platform/App_Env.h"
#include "platform/App_FSRedir.h"
#include "platform/App_Platform.h"
#include "platform/App_Runtime.h"
#include "process/App_Processes.h"
#include "process/App_RunXShared.h"
#include "util/App_Handle.h"
#include "util/App_Strings.h"
#include "util/App_Variables.h"

namespace {

constexpr DWORD kPollMS = 100;
constexpr DWORD kErrSRPBlocked = 1260;  // ERROR_ACCESS_DISABLED_BY_POLICY
constexpr int32_t kWaitFailed = -1;
constexpr DWORD kInputIdleMS = 5500;
constexpr DWORD kInputIdleSliceMS = 50;

using App_Strings::InStr;

// A handle as the log shows it.
int64_t HandleVar(HANDLE h) {
  return static_cast<int64_t>(reinterpret_cast<intptr_t>(h));
}

// The text in double quotes, unless it already starts and ends with one.
std::wstring Q(std::wstring_view s) {
  std::wstring r(s);
  App_Strings::EnsureWrappingChr(r, L'"', false);
  return r;
}

std::wstring WindowsFolderNow() {
  const std::wstring& d = AppEnv().Dir_Windows;
  return d.empty() ? App_Platform::WindowsFolder() : d;
}

// The file in one folder list (";"-separated), ".exe" added to a name
// without extension; empty when it is not there.
std::wstring SearchIn(const std::wstring& sFolders, const std::wstring& sName) {
  if (sFolders.empty()) return {};
  std::vector<wchar_t> buf(MAX_PATH * 2);
  for (int attempt = 0; attempt < 2; ++attempt) {
    wchar_t* filePart = nullptr;
    const DWORD n = ::SearchPathW(sFolders.c_str(), sName.c_str(), L".exe", static_cast<DWORD>(buf.size()),
                                  buf.data(), &filePart);
    if (n == 0) return {};
    if (n < buf.size()) {
      std::wstring found(buf.data(), n);
      // A folder of that name is no program.
      const DWORD attr = ::GetFileAttributesW(found.c_str());
      if (attr == INVALID_FILE_ATTRIBUTES || (attr & FILE_ATTRIBUTE_DIRECTORY)) return {};
      return found;
    }
    buf.resize(n + 1);
  }
  return {};
}

// The short (8.3) form of an existing path, without the wide prefix; empty
// when the system has none.
std::wstring ShortPathOf(const std::wstring& sPath) {
  const std::wstring in = sPath.substr(0, sPath.find(L'\0'));
  std::vector<wchar_t> buf(in.size() + 1);
  DWORD n = ::GetShortPathNameW(in.c_str(), buf.data(), static_cast<DWORD>(buf.size()));
  if (n >= buf.size()) {
    buf.resize(n + 1);
    n = ::GetShortPathNameW(in.c_str(), buf.data(), static_cast<DWORD>(buf.size()));
  }
  if (n == 0 || n >= buf.size()) return {};
  std::wstring out(buf.data(), n);
  App_FilePath::RemoveWideAPIFormatFromPath(out);
  return out;
}

// The rights a waiter opens a process with: enough to wait on it and read
// its exit code, as the running Windows names them.
DWORD WaitAccess() {
  return SYNCHRONIZE |
         (AppEnv().WinVista_OrNewer ? PROCESS_QUERY_LIMITED_INFORMATION : PROCESS_QUERY_INFORMATION);
}

}  // namespace

namespace App_RunX {

bool HasBackslash(std::wstring_view s) {
  return s.find(L'\\') != std::wstring_view::npos;
}

std::wstring CommandLineProgram(std::wstring_view sPath) {
  return sPath.find_first_of(L" \t") != std::wstring_view::npos ? L"\"" + std::wstring(sPath) + L"\""
                                                                : std::wstring(sPath);
}

std::wstring SystemFolderNow() {
  const std::wstring& d = AppEnv().Dir_System32;
  return d.empty() ? App_Platform::SystemFolder() : d;
}

bool IsBareName(std::wstring_view s) {
  return !s.empty() && s.find_first_of(L"\\/:") == std::wstring_view::npos;
}

std::wstring FindToolOrRefuse(App_Trace& t, std::wstring_view sPath) {
  std::wstring path = App_Strings::UnwrapQuotes(sPath);
  if (!IsBareName(path)) return path;
  App_FSRedirGuard redir;
  path = FindSystemProgram(path);
  // Handed on by its bare name, the shell or process creation would look in
  // the program's own folder and the current folder first: never start it.
  if (path.empty())
    t.Log(L"Not found in the system folder, the Windows folder or PATH; not started", evNormal,
          pVar(L"sProgram", sPath));
  return path;
}

std::wstring FindSystemProgram(std::wstring_view sName) {
  const std::wstring name = App_Strings::UnwrapQuotes(sName);
  if (!IsBareName(name)) return name;
  std::wstring found = SearchIn(SystemFolderNow(), name);
  if (found.empty()) found = SearchIn(WindowsFolderNow(), name);
  if (found.empty()) {
    const DWORD n = ::GetEnvironmentVariableW(L"PATH", nullptr, 0);
    if (n > 0) {
      std::wstring path(n, L'\0');
      path.resize(::GetEnvironmentVariableW(L"PATH", path.data(), n));
      found = SearchIn(path, name);
    }
  }
  return found;
}

// ---- process creation flags ------------------------------------------------

const ProcFlagSetting kProcFlagSettings[22] = {
    {L"CreateUnicodeEnv", 0x400, false},
    {L"CreateDefaultErrorMode", 0x4000000, false},
    {L"CreatePreserveCodeAuthzLevel", 0x2000000, false},
    {L"CreateNewConsole", 0x10, false},
    {L"CreateNewProcessGroup", 0x200, false},
    {L"CreateNoWindow", 0x8000000, false},
    {L"DetachedProcess", 0x8, false},
    {L"CreateSeparateWOWVDM", 0x800, false},
    {L"CreateSharedWOWVDM", 0x1000, false},
    {L"DebugProcess", 0x1, false},
    {L"DebugOnlyThisProcess", 0x2, false},
    {L"PriorityNormal", 0x20, false},
    {L"PriorityIdle", 0x40, false},
    {L"PriorityHigh", 0x80, false},
    {L"PriorityRealtime", 0x100, false},
    {L"PriorityBelowNormal", 0x4000, true},
    {L"PriorityAboveNormal", 0x8000, true},
    {L"ProcessModeBackgroundBegin", 0x100000, true},
    {L"ProcessModeBackgroundEnd", 0x200000, true},
    {L"CreateBreakawayFromJob", 0x1000000, false},
    {L"CreateSuspended", 0x4, false},
    {L"ExtendedStartupInfo", 0x80000, false},
};

namespace {

std::wstring& ProcFlagsPrefix() {
  static std::wstring* s = new std::wstring();
  return *s;
}

}  // namespace

const std::wstring& ProcFlagsSettingPrefix() {
  return ProcFlagsPrefix();
}
void ResetProcFlagsSettingPrefix() {
  ProcFlagsPrefix().clear();
}

void AddCFGFlagIfEnabled(uint32_t& flags, std::wstring_view sCFGItem, uint32_t lAddCFGFlag, bool bLog) {
  App_QuietStep([&] {
    const uint32_t lFlagsPassed = flags;
    std::wstring_view sMsg = L"Flag option not set!";
    if (Cfg().GetBool(sCFGItem)) {
      if ((flags & lAddCFGFlag) == lAddCFGFlag) {
        sMsg = L"Flag option set; flag already exists!";
      } else {
        flags |= lAddCFGFlag;
        sMsg = L"Flag option set; Added flag";
      }
    }
    if (bLog)
      App_Debug::dPrint(L"App_RunX.AddCFGFlagIfEnabled", sMsg, evVerbose,
                        pVar(L"sCFGItem", sCFGItem, L"lAddCFGFlag", lAddCFGFlag, L"lFlagsPassed",
                             lFlagsPassed, L"lFlagsReturned", flags));
  });
}

void SetProcFlags(uint32_t& flags, int32_t eRunAsType, bool bSkipUnicodeEnv, bool bLog) {
  const uint32_t lFlagsPassed = flags;
  std::wstring sCFGSettingPrefix, sMsg;
  bool bStepsOK = App_QuietStep([&] {
    std::wstring& prefix = ProcFlagsPrefix();
    if (prefix.empty()) {
      const App_Env& e = AppEnv();
      prefix = std::wstring(L"RunX.") +
               (e.AppInst_IsDLL       ? L"DLL"
                : e.AppInst_IsService ? L"ServiceEXE"
                                      : L"StandardEXE") +
               L"." +
               (e.AppInst_IsSystem  ? L"LocalSystem"
                : e.AppInst_IsAdmin ? L"Admin"
                                    : L"LimitedUser") +
               L".";
    }
  });
  const wchar_t* sRunAs = nullptr;
  switch (eRunAsType) {
    case 1:
      sRunAs = L"RunAsAdmin";
      flags = bSkipUnicodeEnv ? 0x30 : 0x430;
      break;
    case 2:
      sRunAs = L"RunAsLimitedUser";
      flags = bSkipUnicodeEnv ? 0x4000210 : 0x4000610;
      break;
    case 5:
      sRunAs = L"RunAsLimitedUser";
      flags = bSkipUnicodeEnv ? 0x30 : 0x430;
      break;
    case 6:
      sRunAs = L"RunAsLocalSystem";
      flags = bSkipUnicodeEnv ? 0x6000000 : 0x6000400;
      break;
    default:
      flags = bSkipUnicodeEnv ? 0x6000000 : 0x6000400;
      break;
  }
  bStepsOK = bStepsOK && App_QuietStep([&] {
               sCFGSettingPrefix = ProcFlagsPrefix() +
                                   (sRunAs ? std::wstring(sRunAs) + L"." : std::wstring()) + L"ProcFlags.";
             });
  if (bStepsOK) {
    App_QuietStep([&] {
      if (!Cfg().GetBool(L"RunX.ProcFlags.EnableAltFlags")) {
        sMsg = L"CFG Options NOT Enabled; proceeding as normal...";
        return;
      }
      sMsg = L"CFG Options Enabled; Alt Process Creation Flags will be applied!";
      uint32_t lBuilt = 0;
      const bool bVista = AppEnv().WinVista_OrNewer;
      for (const ProcFlagSetting& f : kProcFlagSettings) {
        if (f.lFlag == 0x400 && bSkipUnicodeEnv) continue;
        if (f.bVistaOrNewer && !bVista) continue;
        AddCFGFlagIfEnabled(lBuilt, sCFGSettingPrefix + f.sName, f.lFlag, bLog);
      }
      flags = lBuilt;
    });
  }
  if (bLog)
    App_Debug::dPrint(L"App_RunX.SetProcFlags", sMsg, evVerbose,
                      pVar(L"stCFGRunXProcFlags", ProcFlagsPrefix(), L"sCFGSettingPrefix", sCFGSettingPrefix,
                           L"lFlagsPassed", lFlagsPassed, L"lFlagsReturned", flags));
}

// ---- the launcher ------------------------------------------------------------

namespace {

// A start rewritten to one of Windows' own programs in the system folder:
// sProgram becomes the application (in the wide form), the command line
// sLead + the quoted path + " " + the arguments when there are any.
void RewriteToSystemProgram(App_Trace& t, std::wstring& sPathAndFilenameAltVar,
                            std::wstring& sCmdLineParamsAltVar, const wchar_t* sProgram,
                            const wchar_t* sLead) {
  t.Vars(vkPassedByRef,
         {L"sPathAndFilenameAltVar", sPathAndFilenameAltVar, L"sCmdLineParamsAltVar", sCmdLineParamsAltVar});
  t.Step([&] {
    std::wstring sCmd = sLead + Q(sPathAndFilenameAltVar);
    if (!sCmdLineParamsAltVar.empty()) sCmd += L" " + sCmdLineParamsAltVar;
    std::wstring sApp = SystemFolderNow() + L"\\" + sProgram;
    App_FilePath::PrepPathForUnicodeAPI(sApp);
    sPathAndFilenameAltVar = std::move(sApp);
    sCmdLineParamsAltVar = std::move(sCmd);
  });
}

}  // namespace

void GetCPLValuesForRunX(std::wstring& sPathAndFilenameAltVar, std::wstring& sCmdLineParamsAltVar) {
  App_Trace t(L"App_RunX", L"GetCPLValuesForRunX", ptSub);
  // The leading blank stands in for the program's name in the command line.
  RewriteToSystemProgram(t, sPathAndFilenameAltVar, sCmdLineParamsAltVar, L"control.exe", L" ");
}

void GetBatchFileValuesForRunX(std::wstring& sPathAndFilenameAltVar, std::wstring& sCmdLineParamsAltVar) {
  App_Trace t(L"App_RunX", L"GetBatchFileValuesForRunX", ptSub);
  RewriteToSystemProgram(t, sPathAndFilenameAltVar, sCmdLineParamsAltVar, L"cmd.exe", L" /c ");
}

namespace {

// "[ACTIVE PID=n] for [file] ([file as handed to the system])" of the wait's log lines.
std::wstring PidAndFiles(const RxResult& r, bool bActive) {
  return std::wstring(bActive ? L" [ACTIVE PID=" : L" [FAILED PID=") + std::to_wstring(r.Process_ID) +
         L"] for [" + r.File_Passed + L"] ([" + r.File_Passed_To_API + L"])";
}

// Waits for the process to end with the record's limit when the handle
// cannot be waited on (a handle without the right to): asks every 100 ms
// whether the process is still in the process list, handling messages.
// The answer is MsgWaitObj's.
int32_t PollWhileRunning(uint32_t lPID, int32_t lTimeOut) {
  const uint32_t lStart = App_Platform::TickCount();
  while (App_Processes::IsProcessRunningByPID(lPID)) {
    if (lTimeOut > 0 && App_Platform::TickCount() - lStart > static_cast<uint32_t>(lTimeOut))
      return kWaitTimeout;
    const int32_t r = MsgWaitObj(static_cast<int32_t>(kPollMS), nullptr, 0);
    if (r == kMsgWaitQuit) return r;
  }
  return 0;
}

// The handle to wait on: the start's own, or one opened by the process id
// (looked up by name when the start gave none). False (logged) when there
// is none.
bool HandleToWaitOn(App_Trace& t, RxResult& r, App_Handle& hProcess) {
  if (hProcess.Valid()) {
    if (r.Process_ID != 0) {
      t.Log(L"PID=" + std::to_wstring(r.Process_ID) + L" Process started with valid handle");
    } else {
      r.Process_ID = App_Processes::GetPID(r.File_Passed);
      t.Log(L"GetPID=" + std::to_wstring(r.Process_ID) +
            L" Process started with valid handle, but NO PID, trying GetPID then OpenProcess");
    }
    return true;
  }
  if (r.Process_ID == 0) {
    r.Process_ID = App_Processes::GetPID(r.File_Passed);
    if (r.Process_ID == 0) {
      t.Log(L"Aborting after GetPID failure");
      return false;
    }
    t.Log(L"GetPID=" + std::to_wstring(r.Process_ID) +
          L" Process started, but Handle invalid and NO PID, trying GetPID then OpenProcess");
  }
  t.Log(L"PID=" + std::to_wstring(r.Process_ID) +
        L" Process started, but Handle invalid, trying OpenProcess");
  hProcess.Reset(::OpenProcess(WaitAccess(), FALSE, r.Process_ID));
  if (!hProcess.Valid()) {
    t.Log(L"OpenProcess failure");
    return false;
  }
  t.Log(L"OpenProcess success");
  r.Error_OpenProcess_Success = true;
  return true;
}

// The wait for the exit, with the record's limit; a handle without the
// right to wait is watched in the process list instead.
void WaitForEnd(App_Trace& t, RxResult& r, HANDLE h) {
  int32_t lRet = MsgWaitObj(r.Wait_TimeoutMS < 1 ? -1 : r.Wait_TimeoutMS, &h, 1);
  if (lRet == kWaitFailed) {
    r.Error_Timeout_Msg = L"WAIT_FAILED";
    t.APIError(L"WaitForSingleObject WAIT_FAILED", pVar(L"hProcess", HandleVar(h)));
    lRet = PollWhileRunning(r.Process_ID, r.Wait_TimeoutMS);
  }
  if (lRet == kWaitTimeout) {
    r.Error_Timeout_Msg = L"WAIT_TIMEOUT";
    t.Log(L"WaitForSingleObject WAIT_TIMEOUT");
    r.Error_Exit_Timeout_Reached = true;
    t.Log(L"(Process Timeout/STILL_ACTIVE) WaitForSingleObject=" + r.Error_Timeout_Msg +
          PidAndFiles(r, true));
  } else if (lRet == kMsgWaitQuit) {
    t.Log(L"(Program closing) Stopped waiting; the process keeps running" + PidAndFiles(r, true));
  }
}

// The wait until the program is ready for input: in short slices with the
// window's messages handled between them, so that the window never stands
// still for the whole wait.
void WaitForInputReady(App_Trace& t, RxResult& r, HANDLE h) {
  const uint32_t lStart = App_Platform::TickCount();
  DWORD lRet = WAIT_TIMEOUT;
  for (;;) {
    lRet = ::WaitForInputIdle(h, kInputIdleSliceMS);
    if (lRet != WAIT_TIMEOUT || App_Platform::TickCount() - lStart >= kInputIdleMS) break;
    if (!App_Common::DoEvents()) {
      t.Log(L"(Program closing) Stopped waiting for input-idle" + PidAndFiles(r, true));
      return;
    }
  }
  const wchar_t* sText = lRet == WAIT_FAILED    ? L"WAIT_FAILED"
                         : lRet == WAIT_TIMEOUT ? L"WAIT_TIMEOUT"
                                                : nullptr;
  if (!sText) return;
  r.Error_Init_Timeout_Reached = true;
  r.Error_Timeout_Msg = sText;
  t.Log(L"(no wait) Failed WaitForInputIdle=" + std::wstring(sText) +
        PidAndFiles(r, App_Processes::IsProcessRunningByPID(r.Process_ID)));
}

}  // namespace

void RunHelper_ProcessWaitForResult(RxResult& r, App_Handle& hProcess) {
  App_Trace t(L"App_RunX", L"RunHelper_ProcessWaitForResult", ptSub);
  t.Vars(vkPassedByRef, {L"hProcess", HandleVar(hProcess.Get())});
  bool bHandle = true;
  t.Step([&] { bHandle = HandleToWaitOn(t, r, hProcess); });
  if (!bHandle) {
    t.Vars(vkReturnedByRef, {L"hProcess", HandleVar(hProcess.Get())});
    return;
  }
  if (r.Wait_For_Exit) {
    t.Step([&] { WaitForEnd(t, r, hProcess.Get()); });
  } else {
    t.Log(L"Aborting WaitForExit; Flag Not Specified");
    if (r.Wait_For_Init)
      t.Step([&] { WaitForInputReady(t, r, hProcess.Get()); });
    else
      t.Log(L"Aborting WaitForInit; Flag Not Specified");
  }
  // The exit code: STILL_ACTIVE while the process runs.
  t.Step([&] {
    DWORD lExitCode = 0;
    if (::GetExitCodeProcess(hProcess.Get(), &lExitCode))
      r.Process_Exit_Code = lExitCode;
    else
      t.APIError(L"GetExitCodeProcess", pVar(L"hProcess", HandleVar(hProcess.Get())));
  });
  t.Vars(vkReturnedByRef,
         {L"hProcess", HandleVar(hProcess.Get()), L"Process_Exit_Code", r.Process_Exit_Code});
}

bool RunXShellX(RxResult& r, std::wstring_view sPathAndFilename, std::wstring_view sCmdLineParams,
                bool bWaitForExit, bool bWaitForInit, int32_t lWaitTimeoutMS, int32_t ShowType,
                bool& bForceRunAs, App_Handle& hProcess) {
  App_Trace t(L"App_RunX", L"RunXShellX");
  t.Vars(vkPassedByVal, {L"sPathAndFilename", sPathAndFilename, L"sCmdLineParams", sCmdLineParams,
                         L"bWaitForExit", bWaitForExit, L"bWaitForInit", bWaitForInit, L"lWaitTimeoutMS",
                         lWaitTimeoutMS, L"ShowType", ShowType, L"bForceRunAs", bForceRunAs});
  r.Error_Sent_To_ShellX = true;
  t.Step([&] {
    // A bare name is found once, so that the process looked for afterwards
    // is the one that was started; a name that is none of Windows' own
    // tools is not started at all.
    const std::wstring sPath = FindToolOrRefuse(t, sPathAndFilename);
    if (sPath.empty()) {
      r.Error_File_Not_Found = true;
      return;
    }
    if (ShellExW(sPath, sCmdLineParams, ShowType, bForceRunAs, true, &hProcess)) {
      t.Log(L"ShellExW success", evVerbose);
      // The process the shell started, by its handle; by name only when
      // the shell gave none.
      r.Process_ID = hProcess.Valid() ? ::GetProcessId(hProcess.Get()) : App_Processes::GetPID(sPath);
      if (bWaitForExit) r.Process_Exit_Code = 0;
      r.Process_Create_Success = true;
      return;
    }
    t.Log(L"ShellExW Failure, passing to ShellX");
    uint32_t lPID = 0, lExit = 0;
    if (ShellPlain(sPath, sCmdLineParams, bWaitForExit, ShowType, lWaitTimeoutMS, lPID, lExit)) {
      r.Process_ID = lPID;
      if (bWaitForExit) r.Process_Exit_Code = lExit;
      r.Process_Create_Success = true;
      t.Log(L"ShellX success", evVerbose);
    } else {
      t.Log(L"ShellX failure!", evVerbose);
    }
  });
  t.Vars(vkFunctionReturn, {r.Process_Create_Success});
  return r.Process_Create_Success;
}

namespace {

// What the start is: an ordinary program, or a file one of Windows' own
// programs runs.
enum class RxKind { Program, ControlPanelItem, BatchFile };

// One start as process creation gets it, worked out step by step.
struct RxStart {
  std::wstring sPath;    // the path as passed, without its quotes
  std::wstring sParams;  // the arguments as passed
  int32_t lShow = 0;     // the show-window code (SW_SHOWDEFAULT passed on as SW_SHOWNORMAL)
  RxKind eKind = RxKind::Program;
  std::wstring sPathAndFilename_Alt_W;  // control.exe or cmd.exe for an item or a batch file
  std::wstring sCmdLineParams_Alt;      // the command line handed to process creation
  std::wstring sPathAndFilename_W;      // the path, in the wide form where it needs it
  std::wstring sPathOnly_W;             // its folder: the current folder of the program
};

// What process creation gave. The handles are owned from the moment they
// are created: no early return leaks them.
struct RxCreated {
  BOOL lRet = FALSE;
  DWORD lExtErr = 0;
  App_Handle hProcess, hThread;
  uint32_t lPID = 0, lTID = 0;
};

RxResult NewRecord(std::wstring_view sPathAndFilename, std::wstring_view sCmdLineParams, bool bWaitForExit,
                   bool bWaitForInit, int32_t lWaitTimeoutMS, int32_t ShowType) {
  RxResult r;
  r.File_Passed = sPathAndFilename;
  r.File_CmdLineParams_Passed = sCmdLineParams;
  r.Wait_For_Exit = bWaitForExit;
  r.Wait_For_Init = bWaitForInit;
  r.Wait_TimeoutMS = lWaitTimeoutMS;
  r.ShowType_Passed = ShowType;
  return r;
}

// The start handed to the shell (RunXShellX), logged with the reason sFor.
bool ToShellX(App_Trace& t, RxResult& r, const RxStart& s, bool bForceRunAs, std::wstring_view sFor,
              App_Handle& hProcess) {
  const std::wstring sWhy = L"RunX (to ShellX for " + std::wstring(sFor) + L")";
  if (!RunXShellX(r, s.sPath, s.sParams, r.Wait_For_Exit, false, r.Wait_TimeoutMS, s.lShow, bForceRunAs,
                  hProcess)) {
    t.Log(L"Failure:  " + sWhy);
    return false;
  }
  t.Log(sWhy + L" Success for PID=" + std::to_wstring(r.Process_ID) + L" [" + r.File_Passed + L"]",
        evVerbose);
  return true;
}

RxKind KindOf(const std::wstring& sPath) {
  const std::wstring lower = App_Strings::LCase(sPath);
  const size_t dot = lower.rfind(L'.');
  if (dot == std::wstring::npos) return RxKind::Program;
  const std::wstring ext = lower.substr(dot + 1);
  if (ext == L"cpl") return RxKind::ControlPanelItem;
  if (ext == L"bat" || ext == L"cmd") return RxKind::BatchFile;
  return RxKind::Program;
}

// Control panel items and batch files run through Windows' own programs;
// an ordinary program gets its (quoted) file name, then the arguments, as
// its command line.
void RewriteStart(RxStart& s) {
  s.eKind = KindOf(s.sPath);
  if (s.eKind != RxKind::Program) {
    s.sPathAndFilename_Alt_W = s.sPath;
    s.sCmdLineParams_Alt = s.sParams;
    if (s.eKind == RxKind::ControlPanelItem)
      GetCPLValuesForRunX(s.sPathAndFilename_Alt_W, s.sCmdLineParams_Alt);
    else
      GetBatchFileValuesForRunX(s.sPathAndFilename_Alt_W, s.sCmdLineParams_Alt);
  }
}

void ProgramCommandLine(RxStart& s) {
  if (!s.sPathAndFilename_Alt_W.empty() || !s.sCmdLineParams_Alt.empty()) return;
  if (App_Strings::Trim(s.sParams).empty()) return;
  s.sCmdLineParams_Alt = CommandLineProgram(s.sPath.substr(s.sPath.rfind(L'\\') + 1));
  s.sCmdLineParams_Alt += (s.sParams.front() == L' ' ? L"" : L" ") + s.sParams;
}

// Path form, flags, application path and current folder.
void PreparePaths(RxResult& r, RxStart& s) {
  const std::wstring& sPath = s.sPath;
  if (sPath.size() > 259) r.File_ExceedsMaxPath = true;
  if (App_Strings::UseWideAPI(sPath)) r.File_ContainsUnicodeCharacters = true;
  const bool bWide = r.File_ExceedsMaxPath || r.File_ContainsUnicodeCharacters;
  uint32_t flags = 0;
  SetProcFlags(flags, 0, !bWide, false);
  r.Process_Creation_Flags = flags;
  s.sPathOnly_W = sPath.substr(0, sPath.rfind(L'\\'));
  if (s.sPathOnly_W.size() == 2 && s.sPathOnly_W[1] == L':')
    s.sPathOnly_W += L'\\';  // "C:" is the drive's current folder
  if (bWide) {
    App_FilePath::PrepPathForUnicodeAPI(s.sPathAndFilename_W);
    App_FilePath::PrepPathForUnicodeAPI(s.sPathOnly_W);
  }
  r.File_Passed_To_API = App_Strings::Replace(s.sPathAndFilename_W, std::wstring_view(L"\0", 1), L"<NULL>");
}

// One CreateProcessW of sApp; a retry replaces the first start's handles.
void CreateOnce(App_Trace& t, const RxResult& r, const RxStart& s, const std::wstring& sApp, RxCreated& c) {
  c.hProcess.Reset();
  c.hThread.Reset();
  PROCESS_INFORMATION pi{};
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = static_cast<WORD>(s.lShow);
  std::wstring cmd = s.sCmdLineParams_Alt;  // CreateProcessW may write into it
  {
    App_FSRedirGuard redir;
    ::SetLastError(0);
    c.lRet = ::CreateProcessW(sApp.c_str(), cmd.empty() ? nullptr : cmd.data(), nullptr, nullptr, FALSE,
                              r.Process_Creation_Flags, nullptr,
                              s.sPathOnly_W.empty() ? nullptr : s.sPathOnly_W.c_str(), &si, &pi);
    c.lExtErr = ::GetLastError();
    c.hProcess.Reset(pi.hProcess);
    c.hThread.Reset(pi.hThread);
    c.lPID = pi.dwProcessId;
    c.lTID = pi.dwThreadId;
  }
  if (c.lExtErr != 0) {
    ::SetLastError(c.lExtErr);
    t.APIError(L"CreateProcessW",
               pVar(L"lRet", static_cast<int32_t>(c.lRet), L"sPathAndFilename_W", sApp, L"sCmdLineParams_Alt",
                    s.sCmdLineParams_Alt, L"sPathOnly_W", s.sPathOnly_W));
  }
}

// A control panel item or batch file through control.exe or cmd.exe, and
// the 64-bit retry of such a start that reported success with "access
// denied".
void CreateRewritten(App_Trace& t, const RxResult& r, RxStart& s, RxCreated& c) {
  t.Log(
      L"Alt Vars Set for CreateProcessW", evVerbose,
      pVar(L"sPathAndFilename_Alt_W", s.sPathAndFilename_Alt_W, L"sCmdLineParams_Alt", s.sCmdLineParams_Alt));
  CreateOnce(t, r, s, s.sPathAndFilename_Alt_W, c);
  if (c.lRet != 1 || c.lExtErr != ERROR_ACCESS_DENIED) return;
  const std::wstring msg = App_Debug::GetSystemMsg(c.lExtErr);
  if (!AppEnv().Win64bit) {
    t.Log(L"32bit OS, no retry on error:  " + msg);
    return;
  }
  if (InStr(s.sCmdLineParams_Alt, L"System32", App_Strings::cmText) == 0 && HasBackslash(s.sPath)) {
    t.Log(
        L"64bit OS, but no retry with syswow64 (target path not in system32, or no path passed with "
        L"exe) "
        L"on error:  " +
        msg);
    return;
  }
  if (InStr(s.sPathAndFilename_Alt_W, L"System32", App_Strings::cmText) != 0) {
    s.sPathAndFilename_Alt_W =
        App_Strings::Replace(s.sPathAndFilename_Alt_W, L"System32", L"SysWOW64", App_Strings::cmText);
    t.Log(
        L"64bit OS, retry with sPathAndFilename_Alt_W modified to replace system32 with syswow64 "
        L"(target path in system32) on error:  " +
        msg);
  } else {
    t.Log(L"64bit OS, retry with no modification? (no path passed with exe?) on error:  " + msg);
  }
  c.lExtErr = 0;
  CreateOnce(t, r, s, s.sPathAndFilename_Alt_W, c);
}

// Windows cannot start a program by a path longer than MAX_PATH, even in
// the wide form (and some systems corrupt their heap trying): its short
// (8.3) form is started instead, when it has one that fits.
void CreateByShortPath(App_Trace& t, const RxResult& r, RxStart& s, RxCreated& c) {
  const std::wstring sShort = ShortPathOf(s.sPathAndFilename_W), sShortDir = ShortPathOf(s.sPathOnly_W);
  if (sShort.empty() || sShort.size() >= MAX_PATH) {
    c.lRet = FALSE;
    c.lExtErr = ERROR_FILENAME_EXCED_RANGE;
    t.Log(L"RunX (path too long for CreateProcessW, and it has no short form that fits)", evNormal,
          pVar(L"sPathAndFilename_W", s.sPathAndFilename_W));
    return;
  }
  t.Log(L"RunX (path too long for CreateProcessW, starting it by its short form)", evVerbose,
        pVar(L"sShort", sShort, L"sShortDir", sShortDir));
  s.sPathOnly_W = sShortDir.size() < MAX_PATH ? sShortDir : std::wstring();
  CreateOnce(t, r, s, sShort, c);
}

void Create(App_Trace& t, const RxResult& r, RxStart& s, RxCreated& c) {
  if (!s.sPathAndFilename_Alt_W.empty())
    CreateRewritten(t, r, s, c);
  else if (r.File_ExceedsMaxPath)
    CreateByShortPath(t, r, s, c);
  else
    CreateOnce(t, r, s, s.sPathAndFilename_W, c);
}

// The plain start (ShellPlain) after process creation failed: a control
// panel item and a batch file through Windows' own programs again.
void ShellPlainInstead(App_Trace& t, RxResult& r, const RxStart& s) {
  uint32_t lPID = 0, lExit = 0;
  bool bOK;
  if (s.eKind == RxKind::ControlPanelItem) {
    bOK = ShellPlain(L"control.exe", Q(s.sPath), r.Wait_For_Exit, s.lShow, r.Wait_TimeoutMS, lPID, lExit);
  } else if (s.eKind == RxKind::BatchFile) {
    std::wstring sArgs = L"/c " + Q(s.sPath);
    if (!s.sParams.empty()) sArgs += L" " + s.sParams;
    bOK = ShellPlain(L"cmd.exe", sArgs, r.Wait_For_Exit, s.lShow, r.Wait_TimeoutMS, lPID, lExit);
  } else {
    bOK = ShellPlain(s.sPath, s.sParams, r.Wait_For_Exit, s.lShow, r.Wait_TimeoutMS, lPID, lExit);
  }
  if (!bOK) {
    t.Log(L"ShellX returned failure", evVerbose);
    return;
  }
  r.Process_ID = lPID;
  if (r.Wait_For_Exit) r.Process_Exit_Code = lExit;
  r.Process_Create_Success = true;
  t.Log(L"ShellX returned success", evVerbose);
}

// After process creation failed: the record says why, and the start goes
// to the shell where that can help. True when the started program is to
// be waited for.
bool AfterCreateFailed(App_Trace& t, RxResult& r, const RxStart& s, RxCreated& c) {
  const DWORD lExtErr = c.lExtErr;
  const std::wstring msg = App_Debug::GetSystemMsg(lExtErr);
  const std::wstring& sApp = s.sPathAndFilename_W;
  if (!App_FileSystem::FileExistByStringPointer(sApp.c_str())) {
    r.Error_File_Not_Found = true;
    t.Log(L"RunX (post run check reveals FILE NOT FOUND via FileExistByStringPointer) error:  " + msg,
          evVerbose, pVar(L"lExtErr", lExtErr, L"sPathAndFilename_W", sApp));
    return false;
  }
  if (lExtErr == kErrElevationRequired) {
    t.Log(L"elevation req", evVerbose, pVar(L"lExtErr", lExtErr, L"sPathAndFilename_W", sApp));
    r.Error_Elevation_Req = true;
    return ToShellX(t, r, s, true, L"ERROR_ELEVATION_REQUIRED", c.hProcess);
  }
  if (lExtErr == ERROR_CANCELLED) {
    t.Log(L"RunX (UAC Prompt Cancelled by User)");
    r.Error_Elevation_User_Cancelled = r.Process_Create_Success = r.Error_Elevation_Req = true;
    return false;
  }
  if (lExtErr == kErrSRPBlocked) {
    t.Log(L"RunX (Blocked by Software Restriction Policy)");
    r.Error_SRP_Blocked = true;
    return false;
  }
  t.Log(L"RunX -> ShellX / RunX (no wait) on CreateProcessW Fail " + msg, evVerbose,
        pVar(L"lExtErr", lExtErr, L"sPathAndFilename_W", sApp));
  r.Error_Sent_To_ShellX = true;
  t.Step([&] { ShellPlainInstead(t, r, s); });
  return false;
}

// After process creation succeeded: the record takes the process, and
// what the last error still says is logged. True when the started program
// is to be waited for.
bool AfterCreated(App_Trace& t, RxResult& r, const RxStart& s, RxCreated& c) {
  r.Process_Create_Success = true;
  r.Process_ID = c.lPID;
  r.Process_Thread_ID = c.lTID;
  if (c.hProcess.Valid()) {
    t.Log(L"CreateProcessW success (PID=" + std::to_wstring(r.Process_ID) + L")", evVerbose,
          pVar(L"lRet", static_cast<int32_t>(c.lRet), L"lExtErr", c.lExtErr, L"pi.hProcess",
               HandleVar(c.hProcess.Get())));
  } else {
    r.Error_Handle_Invalid = true;
    t.Log(r.Process_ID < 2 ? std::wstring(L"CreateProcessW success, but no handle in hProcess!")
                           : L"CreateProcessW success (PID=" + std::to_wstring(r.Process_ID) +
                                 L"), but no handle in hProcess!",
          evVerbose);
  }
  switch (c.lExtErr) {
    case ERROR_ACCESS_DENIED:
      if (c.lRet == 1) {
        t.Log(L"CreateProcessW success?  (access denied...)  Doing nothing, allowing to proceed...");
      } else {
        r.Error_Sent_To_ShellX = true;
        ToShellX(t, r, s, false, L"access denied", c.hProcess);
      }
      return true;
    case ERROR_NO_MORE_FILES:
      t.Log(
          L"RunX (ERROR_NO_MORE_FILES, possible permissions and/or app that started asInvoker but "
          L"re-launched "
          L"itself again with UAC) for [" +
          r.File_Passed + L"] ([" + s.sPathAndFilename_W + L"])");
      r.Error_Elevation_Req = true;
      return true;
    case kErrElevationRequired:
      t.Log(L"Elevation Required (on CreateProcess success)", evVerbose,
            pVar(L"lExtErr", c.lExtErr, L"sPathAndFilename_W", s.sPathAndFilename_W));
      r.Error_Elevation_Req = true;
      return true;
    case ERROR_CANCELLED:
      t.Log(L"UAC Prompt Cancelled by User");
      r.Error_Elevation_User_Cancelled = true;
      return false;
    case kErrSRPBlocked:
      t.Log(L"Blocked by Software Restriction Policy");
      r.Error_SRP_Blocked = true;
      return false;
    case 0:
      return true;
    default:
      if (r.Process_ID < 1)
        t.Log(L"Unknown Error (No Process ID in pi structure!)", evNormal, pVar(L"lExtErr", c.lExtErr));
      return true;
  }
}

// The wait the start asked for, then no handle is kept and the outcome is logged.
RxResult Finish(App_Trace& t, RxResult& r, bool bWait, RxCreated& c) {
  if (bWait) RunHelper_ProcessWaitForResult(r, c.hProcess);
  c.hThread.Reset();
  c.hProcess.Reset();
  t.Log(L"RunX Finished=" + std::wstring(r.Process_Create_Success ? L"True" : L"False") + L" ReturnCode=" +
            std::to_wstring(r.Process_Exit_Code) + L" for PID=" + std::to_wstring(r.Process_ID) + L" [" +
            r.File_Passed + L"] with arguments [" + r.File_CmdLineParams_Passed + L"]",
        evVerbose);
  return r;
}

}  // namespace

RxResult RunX(std::wstring_view sPathAndFilename, std::wstring_view sCmdLineParams, bool bWaitForExit,
              bool bWaitForInit, int32_t lWaitTimeoutMS, int32_t ShowType) {
  App_Trace t(L"App_RunX", L"RunX");
  t.Vars(vkPassedByVal, {L"sPathAndFilename", sPathAndFilename, L"sCmdLineParams", sCmdLineParams,
                         L"bWaitForExit", bWaitForExit, L"bWaitForInit", bWaitForInit, L"lWaitTimeoutMS",
                         lWaitTimeoutMS, L"ShowType", ShowType});
  RxResult r =
      NewRecord(sPathAndFilename, sCmdLineParams, bWaitForExit, bWaitForInit, lWaitTimeoutMS, ShowType);
  RxStart s;
  // A path wrapped in quotes names the same file; the quotes are no part of it.
  s.sPath = App_Strings::UnwrapQuotes(sPathAndFilename);
  s.sParams = sCmdLineParams;
  s.lShow = ShowType == SW_SHOWDEFAULT ? SW_SHOWNORMAL : ShowType;
  s.sPathAndFilename_W = s.sPath;
  RxCreated c;

  // No folder: the shell finds the program (Windows' own folders first).
  if (!HasBackslash(s.sPath)) {
    t.Step([&] { ToShellX(t, r, s, false, L"exe/no path", c.hProcess); });
    return Finish(t, r, true, c);
  }

  t.Step([&] { RewriteStart(s); });
  t.Step([&] { ProgramCommandLine(s); });
  t.Step([&] { PreparePaths(r, s); });
  t.Step([&] { Create(t, r, s, c); });
  const bool bWait = c.lRet ? AfterCreated(t, r, s, c) : AfterCreateFailed(t, r, s, c);
  return Finish(t, r, bWait, c);
}

bool RunHiddenTimedOut(std::wstring_view sPathAndFilename, std::wstring_view sCmdLineParams,
                       int32_t lLimitMS) {
  return RunX(sPathAndFilename, sCmdLineParams, true, false, lLimitMS, SW_HIDE).Error_Exit_Timeout_Reached;
}

}  // namespace App_RunX
