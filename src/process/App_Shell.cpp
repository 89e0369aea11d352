// Shell launching (module App_RunX): the plain command-line start with an
// optional wait for the exit code, and the start through the shell.
#include <windows.h>
// after <windows.h>, which it needs
#include <shellapi.h>

#include <optional>

#include "diag/App_Trace.h"
#include "forms/App_InvForm.h"
#include "fs/App_FileSystem.h"
#include "platform/App_Env.h"
#include "platform/App_FSRedir.h"
#include "platform/App_Platform.h"
#include "platform/App_Runtime.h"
#include "process/App_RunX.h"
#include "process/App_RunXShared.h"
#include "util/App_Handle.h"
#include "util/App_Strings.h"
#include "util/App_Variables.h"

namespace {

constexpr DWORD kStillActive = 259;  // STILL_ACTIVE

}  // namespace

namespace App_RunX {

// Show-window code -> form-style window code (0 hidden, 1 normal, 2
// minimised, 3 maximised, 4 normal without focus, 6 minimised without
// focus).
int32_t ShowWindowConstantToStyle(int32_t lShowWindow) {
  switch (lShowWindow) {
    case 1:
    case 5:
    case 9:
    case 10:
      return 1;
    case 2:
      return 2;
    case 3:
      return 3;
    case 4:
    case 8:
      return 4;
    case 6:
    case 7:
      return 6;
    default:
      return 0;
  }
}

// Form-style window code -> the show-window code the started program gets.
int32_t StyleToShowWindowConstant(int32_t lStyle) {
  switch (lStyle) {
    case 1:
    case 2:
    case 3:
    case 4:
    case 6:
      return lStyle;
    default:
      return 0;
  }
}

namespace {

// What ShellPlain starts: the path, and for a bare name Windows' own tool
// of that name with the system folder as its current folder.
struct PlainStart {
  std::wstring sPath, sApp, sDir;
};

// False (logged) when there is nothing to start.
bool FindPlainStart(App_Trace& t, std::wstring_view sPathAndFilename, PlainStart& p) {
  p.sPath = App_Strings::UnwrapQuotes(App_Strings::Trim(sPathAndFilename));
  if (p.sPath.empty()) {
    t.Log(L"Passed empty string!");
    return false;
  }
  if (IsBareName(p.sPath)) {
    // Windows' own tool, run in the system folder, so that whatever it
    // starts in turn is looked for there first as well.
    p.sApp = FindToolOrRefuse(t, p.sPath);
    p.sDir = SystemFolderNow();
    return !p.sApp.empty();
  }
  if (HasBackslash(p.sPath) && !App_FileSystem::FileExist(p.sPath)) {
    t.Log(L"File not found!", evNormal, pVar(L"sPathAndFilename", sPathAndFilename));
    return false;
  }
  return true;
}

// Starts the program with sShell as its command line; its handle comes
// back in hProcess, its id in lPID (0, logged, when it did not start).
void StartPlain(App_Trace& t, const PlainStart& p, const std::wstring& sShell, int32_t lShowWindow,
                App_Handle& hProcess, uint32_t& lPID) {
  App_FSRedirGuard redir;
  lPID = 0;
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = static_cast<WORD>(StyleToShowWindowConstant(ShowWindowConstantToStyle(lShowWindow)));
  PROCESS_INFORMATION pi{};
  std::wstring cmd = sShell;  // CreateProcessW may write into its command line
  if (::CreateProcessW(p.sApp.empty() ? nullptr : p.sApp.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0,
                       nullptr, p.sDir.empty() ? nullptr : p.sDir.c_str(), &si, &pi)) {
    App_Handle thread(pi.hThread);
    hProcess.Reset(pi.hProcess);
    lPID = pi.dwProcessId;
  } else {
    t.APIError(L"CreateProcessW", pVar(L"sShell", sShell));
  }
  if (lPID == 0) t.Log(L"Shell (Failed); Could not obtain a Process ID!");
}

// Waits for the process's end (lTimeOut 0: no limit), handling messages:
// true with its exit code in lExitCode. The wait is on the process itself:
// a program that really ends with 259 ends it too.
bool WaitForExitCode(App_Trace& t, HANDLE h, int32_t lTimeOut, const std::wstring& sShell,
                     uint32_t& lExitCode) {
  const bool bUseTimeOut = lTimeOut != 0;
  const int32_t r = MsgWaitObj(bUseTimeOut ? (lTimeOut < 0 ? 0 : lTimeOut) : -1, &h, 1);
  DWORD lErrLvl = kStillActive;
  if (r == 0) {
    if (::GetExitCodeProcess(h, &lErrLvl)) {
      lExitCode = lErrLvl;
      return true;
    }
    t.APIError(L"GetExitCodeProcess", pVar(L"sShell", sShell));
  } else if (r == kMsgWaitQuit) {
    t.Log(L"ShellX (Stopped waiting) The program is closing; the process keeps running.", evNormal,
          pVar(L"sShell", sShell));
    lExitCode = 0;
  } else if (r == kWaitTimeout) {
    t.Log(L"ShellX (Failed) The process has timed out.", evNormal,
          pVar(L"sShell", sShell, L"lErrLvl", static_cast<int32_t>(lErrLvl), L"bUseTimeOut", bUseTimeOut,
               L"lTimeOut", lTimeOut));
    lExitCode = 0;
  } else {
    t.APIError(L"MsgWaitForMultipleObjects", pVar(L"sShell", sShell));
  }
  return false;
}

}  // namespace

bool ShellPlain(std::wstring_view sPathAndFilename, std::wstring_view sArguments, bool bWait,
                int32_t lShowWindow, int32_t lTimeOut, uint32_t& lPID, uint32_t& lExitCode) {
  App_Trace t(L"App_RunX", L"ShellPlain");
  t.Vars(vkPassedByVal, {L"sPathAndFilename", sPathAndFilename, L"sArguments", sArguments, L"bWait", bWait,
                         L"lShowWindow", lShowWindow, L"lTimeOut", lTimeOut});
  const auto finish = [&](bool bResult) {
    t.Vars(vkReturnedByRef, {L"lPID", lPID, L"lExitCode", lExitCode});
    t.Vars(vkFunctionReturn, {bResult});
    return bResult;
  };
  PlainStart p;
  bool bFound = true;
  t.Step([&] { bFound = FindPlainStart(t, sPathAndFilename, p); });
  if (!bFound) return finish(false);

  std::wstring sShell;
  App_Handle hProcess;
  t.Step([&] {
    sShell = CommandLineProgram(p.sApp.empty() ? p.sPath : p.sApp);
    if (!sArguments.empty()) sShell += L" " + std::wstring(sArguments);
    StartPlain(t, p, sShell, lShowWindow, hProcess, lPID);
  });
  if (!bWait) return finish(lPID != 0);

  bool bResult = false;
  if (hProcess.Valid())
    t.Step([&] { bResult = WaitForExitCode(t, hProcess.Get(), lTimeOut, sShell, lExitCode); });
  if (!bResult) t.Log(L"ShellX (Failed) The process has timed out.", evNormal, pVar(L"sShell", sShell));
  // The process is left running; only our handle goes (hProcess closes it).
  return finish(bResult);
}

bool ShellX(std::wstring_view sPathAndFilename, std::wstring_view sArguments, bool bWait, int32_t lStyle,
            uint32_t& lExitCode, bool bUseLimit, int32_t lLimitMS) {
  App_Trace t(L"App_RunX", L"ShellX");
  t.Vars(vkPassedByVal, {L"sPathAndFilename", sPathAndFilename, L"sArguments", sArguments, L"bWait", bWait,
                         L"lStyle", lStyle, L"bUseLimit", bUseLimit, L"lLimitMS", lLimitMS});
  uint32_t lPID = 0;
  const bool bResult = ShellPlain(sPathAndFilename, sArguments, bWait, StyleToShowWindowConstant(lStyle),
                                  bUseLimit ? lLimitMS : 0, lPID, lExitCode);
  t.Vars(vkReturnedByRef, {L"lExitCode", lExitCode});
  t.Vars(vkFunctionReturn, {bResult});
  return bResult;
}

namespace {

UINT TopWindowFlags(bool bActivateWindow) {
  // Keep size and position; without activation also SWP_NOACTIVATE.
  return bActivateWindow ? (SWP_NOSIZE | SWP_NOMOVE) : (SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
}

}  // namespace

void SetCurrentSystemTopWindow(bool bSetTopMost, bool bActivateWindow) {
  App_Trace t(L"App_RunX", L"SetCurrentSystemTopWindow", ptSub);
  t.Vars(vkPassedByVal, {L"bSetTopMost", bSetTopMost, L"bActivateWindow", bActivateWindow});
  t.Step([&] {
    const UINT flags = TopWindowFlags(bActivateWindow);
    if (!::SetWindowPos(::GetForegroundWindow(), bSetTopMost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                        flags))
      t.APIError(L"SetWindowPos(GetForegroundWindow, ...",
                 pVar(L"bSetTopMost", bSetTopMost, L"lFlags", static_cast<int32_t>(flags)));
  });
}

bool SetTopWindow(HWND hWnd, bool bSetTopMost, bool bActivateWindow, bool bSetCurrentToNoTopMost,
                  bool bResetCurrentEvenIfMatchesTargetHwnd) {
  App_Trace t(L"App_RunX", L"SetTopWindow");
  t.Vars(vkPassedByVal, {L"bSetTopMost", bSetTopMost, L"bActivateWindow", bActivateWindow,
                         L"bSetCurrentToNoTopMost", bSetCurrentToNoTopMost,
                         L"bResetCurrentEvenIfMatchesTargetHwnd", bResetCurrentEvenIfMatchesTargetHwnd});
  bool result = false;
  t.Step([&] {
    const UINT flags = TopWindowFlags(bActivateWindow);
    if (bSetCurrentToNoTopMost && (bResetCurrentEvenIfMatchesTargetHwnd || ::GetForegroundWindow() != hWnd))
      SetCurrentSystemTopWindow(false, false);
    result = ::SetWindowPos(hWnd, bSetTopMost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, flags) != FALSE;
    if (!result)
      t.APIError(L"SetWindowPos", pVar(L"bSetTopMost", bSetTopMost, L"lFlags", static_cast<int32_t>(flags)));
  });
  t.Vars(vkFunctionReturn, {result});
  return result;
}

namespace {

thread_local uint32_t g_ShellExLastError = 0;

// One start through the shell, as ShellExW asks for it.
struct ShellStart {
  std::wstring sVerb, sPath, sParams, sPathOnly;
  int32_t ShowType = 0;
  HWND owner = nullptr;
  std::wstring sSourceOf_hWnd = L"null";
};

// The invisible form owns the start, above the other windows, so that an
// elevation prompt comes to the front; bUnloadInvForm is set when it was
// shown for this start.
void OwnStartByInvForm(ShellStart& s, bool& bUnloadInvForm) {
  s.sSourceOf_hWnd = L"App_InvForm";
  App_InvForm& inv = InvForm();
  if (!inv.IsLoaded().value_or(false)) {
    inv.Show(false, nullptr);
    bUnloadInvForm = true;
  }
  s.owner = inv.hWnd();
  SetTopWindow(s.owner, true, true, true, true);
}

// ShellExecuteExW once: lRet is the shell's answer (above 32: started),
// lError the system error.
void ShellExecuteOnce(App_Trace& t, const ShellStart& s, App_Handle* phProcess, INT_PTR& lRet,
                      DWORD& lError) {
  App_FSRedirGuard redir;
  ::SetLastError(0);
  if (s.sVerb == L"runas" && PlatformFake().ElevatedStartError) {
    lRet = SE_ERR_ACCESSDENIED;
    lError = *PlatformFake().ElevatedStartError;
  } else {
    // The started process comes back as a handle where the shell gives
    // one, so a caller waits on that process and no other of its name.
    SHELLEXECUTEINFOW sei{};
    sei.cbSize = sizeof(sei);
    sei.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    sei.hwnd = s.owner;
    sei.lpVerb = s.sVerb.c_str();
    sei.lpFile = s.sPath.c_str();
    sei.lpParameters = s.sParams.c_str();
    sei.lpDirectory = s.sPathOnly.empty() ? nullptr : s.sPathOnly.c_str();
    sei.nShow = s.ShowType;
    const BOOL bOK = ::ShellExecuteExW(&sei);
    lError = bOK ? 0 : ::GetLastError();
    App_Handle hStarted(sei.hProcess);
    lRet = bOK ? 33 : reinterpret_cast<INT_PTR>(sei.hInstApp);
    if (phProcess) *phProcess = std::move(hStarted);
  }
  ::SetLastError(lError);
  if (lError != 0)
    t.APIError(L"ShellExecute2",
               pVar(L"sVerb", s.sVerb, L"sPathAndFilename", s.sPath, L"sCmdLineParams", s.sParams,
                    L"sPathOnly", s.sPathOnly, L"ShowType", s.ShowType, L"sSourceOf_hWnd", s.sSourceOf_hWnd));
}

// What one start's answer means for ShellExW: its result, or none when the
// start is to be tried again with the elevation verb (s.sVerb is then
// "runas"). Keeps the answer for ShellExW_LastError.
std::optional<bool> JudgeShellStart(App_Trace& t, ShellStart& s, INT_PTR lRet, DWORD lError,
                                    bool bForceFailOnCancelledUAC) {
  const bool bStarted =
      lError != kErrElevationRequired && lError != ERROR_CANCELLED && (lRet < 0 || lRet > 32);
  g_ShellExLastError = bStarted ? 0 : lError != 0 ? lError : static_cast<uint32_t>(lRet);
  const std::wstring file = L"  File = [" + s.sPath + L"]";
  if (lError == kErrElevationRequired) {
    if (bForceFailOnCancelledUAC) {
      t.Log(L"ShellExW.ShellExecuteW lRet = " + std::to_wstring(lRet) +
            L"  Error = ERROR_ELEVATION_REQUIRED  AppRunningAsAdmin = " +
            (AppEnv().AppInst_IsAdmin ? L"True" : L"False") +
            L" (LAUNCH FAIL AS ADMIN, NO RETRY SPECIFIED BY BOOLEAN)  verb = " + s.sVerb + file);
      return false;
    }
    if (s.sVerb == L"open") {
      t.Log(
          L"ShellExW  Error = ERROR_ELEVATION_REQUIRED  AppRunningAsAdmin = False  verb = 'open' "
          L"(retrying run using 'runas' verb!)" +
          file);
      s.sVerb = L"runas";
      return std::nullopt;
    }
    t.Log(
        L"ShellExW  Error = ERROR_ELEVATION_REQUIRED  AppRunningAsAdmin = False  verb = 'runas' "
        L"(aborting run, assume UAC prompt was cancelled)" +
        file);
    return true;
  }
  if (lError == ERROR_CANCELLED) {
    t.Log(L"ShellExW.ShellExecuteW (UAC Prompt Cancelled by User)");
    return true;
  }
  if (lRet < 0 || lRet > 32) return true;
  t.Log(L"ShellExW.ShellExecuteW lRet = " + std::to_wstring(lRet) + L"  Error = " + std::to_wstring(lError) +
        L" [" + App_Debug::GetSystemMsg(lError) + L"]  verb = " + s.sVerb + L"  (LAUNCH FAIL, NO RETRY)" +
        file);
  return false;
}

}  // namespace

uint32_t ShellExW_LastError() {
  return g_ShellExLastError;
}

bool ShellExW(std::wstring_view sPathAndFilename, std::wstring_view sCmdLineParams, int32_t ShowType,
              bool bForceRunAsVerb, bool bForceFailOnCancelledUAC, App_Handle* phProcess) {
  App_Trace t(L"App_RunX", L"ShellExW");
  t.Vars(vkPassedByVal,
         {L"sPathAndFilename", sPathAndFilename, L"sCmdLineParams", sCmdLineParams, L"ShowType", ShowType,
          L"bForceRunAsVerb", bForceRunAsVerb, L"bForceFailOnCancelledUAC", bForceFailOnCancelledUAC});
  ShellStart s;
  s.sVerb = bForceRunAsVerb ? L"runas" : L"open";
  s.sParams = sCmdLineParams;
  s.ShowType = ShowType;
  if (phProcess) phProcess->Reset();
  // A bare program name is Windows' own tool (a document or URL stays as it is).
  t.Step([&] { s.sPath = FindToolOrRefuse(t, sPathAndFilename); });
  if (s.sPath.empty()) {
    g_ShellExLastError = ERROR_FILE_NOT_FOUND;
    t.Vars(vkFunctionReturn, {false});
    return false;
  }
  bool bUnloadInvForm = false;
  t.Step([&] { App_Common::DoEvents(); });
  t.Step([&] {
    const size_t slash = s.sPath.rfind(L'\\');
    if (slash != std::wstring::npos) s.sPathOnly = s.sPath.substr(0, slash);
  });
  if (!App_Common::NeverLoadForms()) t.Step([&] { OwnStartByInvForm(s, bUnloadInvForm); });
  std::optional<bool> result;
  while (!result) {
    INT_PTR lRet = 0;
    DWORD lError = 0;
    t.Step([&] { ShellExecuteOnce(t, s, phProcess, lRet, lError); });
    result = JudgeShellStart(t, s, lRet, lError, bForceFailOnCancelledUAC);
  }
  if (bUnloadInvForm) t.Step([&] { InvForm().Unload(); });
  t.Vars(vkFunctionReturn, {*result});
  return *result;
}

}  // namespace App_RunX
