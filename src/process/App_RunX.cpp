// Shell launching (module App_RunX) and opening a URL (module App_Common).
#include "process/App_RunX.h"

#include <windows.h>
// after <windows.h>, which it needs
#include <shellapi.h>

#include "app/App_Common.h"
#include "app/App_Env.h"
#include "diag/App_Trace.h"
#include "forms/App_InvForm.h"
#include "fs/App_FileSystem.h"
#include "registry/App_FSRedir.h"
#include "util/App_Handle.h"
#include "util/App_Variables.h"

namespace {

constexpr DWORD kStillActive = 259;  // STILL_ACTIVE
constexpr DWORD kPollMS = 100;
constexpr DWORD kErrElevationRequired = 740;  // ERROR_ELEVATION_REQUIRED (Vista and later)




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

bool ShellPlain(std::wstring_view sPathAndFilename, std::wstring_view sArguments, bool bWait,
                int32_t lShowWindow, int32_t lTimeOut, uint32_t& lPID, uint32_t& lExitCode) {
  App_Trace t(L"App_RunX", L"ShellPlain");
  t.Vars(vkPassedByVal, {L"sPathAndFilename", sPathAndFilename, L"sArguments", sArguments, L"bWait",
                         bWait, L"lShowWindow", lShowWindow, L"lTimeOut", lTimeOut});
  bool bResult = false;
  std::wstring sShell;
  bool bGoOn = true;

  t.Step([&] {
    if (sPathAndFilename.empty()) {
      t.Log(L"Passed empty string!");
      bGoOn = false;
    } else if (sPathAndFilename.find(L'\\') != std::wstring_view::npos &&
               !App_FileSystem::FileExist(sPathAndFilename)) {
      t.Log(L"File not found!", evNormal, pVar(L"sPathAndFilename", sPathAndFilename));
      bGoOn = false;
    }
  });

  if (bGoOn) {
    t.Step([&] {
      sShell = sPathAndFilename.find(L' ') != std::wstring_view::npos
                   ? L"\"" + std::wstring(sPathAndFilename) + L"\""
                   : std::wstring(sPathAndFilename);
      if (!sArguments.empty()) sShell += L" " + std::wstring(sArguments);
    });
    const int32_t lStyle = ShowWindowConstantToStyle(lShowWindow);
    const bool bUseTimeOut = lTimeOut != 0;

    App_Handle hProcess;
    t.Step([&] {
      App_FSRedirGuard redir;
      lPID = 0;
      STARTUPINFOW si{};
      si.cb = sizeof(si);
      si.dwFlags = STARTF_USESHOWWINDOW;
      si.wShowWindow = static_cast<WORD>(StyleToShowWindowConstant(lStyle));
      PROCESS_INFORMATION pi{};
      std::wstring cmd = sShell;  // CreateProcessW may write into its command line
      if (::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                           &pi)) {
        // Held until the process is opened below, so the id cannot be reused meanwhile.
        App_Handle started(pi.hProcess);
        App_Handle thread(pi.hThread);
        lPID = pi.dwProcessId;
        if (bWait) {
          hProcess.Reset(::OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, lPID));
          if (!hProcess.Valid()) t.APIError(L"OpenProcess", pVar(L"sShell", sShell));
        }
      } else {
        t.APIError(L"CreateProcessW", pVar(L"sShell", sShell));
      }
      if (lPID == 0) t.Log(L"Shell (Failed); Could not obtain a Process ID!");
    });

    if (!bWait) {
      bResult = lPID != 0;
    } else {
      t.Step([&] {
        if (!hProcess.Valid()) return;
        const DWORD lStart = ::GetTickCount();
        DWORD lErrLvl = kStillActive;
        for (;;) {
          if (!::GetExitCodeProcess(hProcess.Get(), &lErrLvl)) {
            t.APIError(L"GetExitCodeProcess", pVar(L"sShell", sShell));
            break;
          }
          App_Common::DoEvents();
          ::Sleep(kPollMS);
          if (!bUseTimeOut) {
            if (lErrLvl != kStillActive) {
              lExitCode = lErrLvl;
              bResult = true;
              break;
            }
            continue;
          }
          const DWORD lElapsed = ::GetTickCount() - lStart;
          if (lElapsed <= static_cast<DWORD>(lTimeOut) && lErrLvl != kStillActive) {
            lExitCode = lErrLvl;
            bResult = true;
            break;
          }
          if (lElapsed > static_cast<DWORD>(lTimeOut)) {
            t.Log(L"ShellX (Failed) The process has timed out.", evNormal,
                  pVar(L"sShell", sShell, L"lErrLvl", static_cast<int32_t>(lErrLvl), L"bUseTimeOut",
                       bUseTimeOut, L"lTimeOut", lTimeOut));
            lExitCode = 0;
            break;
          }
        }
      });
      if (!bResult)
        t.Log(L"ShellX (Failed) The process has timed out.", evNormal, pVar(L"sShell", sShell));
      // The process is left running; only our handle goes (hProcess closes it).
    }
  }

  t.Vars(vkReturnedByRef, {L"lPID", lPID, L"lExitCode", lExitCode});
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
    if (!::SetWindowPos(::GetForegroundWindow(), bSetTopMost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, flags))
      t.APIError(L"SetWindowPos(GetForegroundWindow, ...", pVar(L"bSetTopMost", bSetTopMost, L"lFlags", static_cast<int32_t>(flags)));
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
    if (!result) t.APIError(L"SetWindowPos", pVar(L"bSetTopMost", bSetTopMost, L"lFlags", static_cast<int32_t>(flags)));
  });
  t.Vars(vkFunctionReturn, {result});
  return result;
}

bool ShellExW(std::wstring_view sPathAndFilename, std::wstring_view sCmdLineParams, int32_t ShowType,
              bool bForceRunAsVerb, bool bForceFailOnCancelledUAC) {
  App_Trace t(L"App_RunX", L"ShellExW");
  t.Vars(vkPassedByVal, {L"sPathAndFilename", sPathAndFilename, L"sCmdLineParams", sCmdLineParams,
                         L"ShowType", ShowType, L"bForceRunAsVerb", bForceRunAsVerb,
                         L"bForceFailOnCancelledUAC", bForceFailOnCancelledUAC});
  bool result = false;
  const std::wstring path(sPathAndFilename), params(sCmdLineParams);
  std::wstring sSourceOf_hWnd = L"null", sVerb = bForceRunAsVerb ? L"runas" : L"open", sPathOnly;
  HWND owner = nullptr;
  bool bUnloadInvForm = false;
  t.Step([&] { App_Common::DoEvents(); });
  t.Step([&] {
    const size_t slash = path.rfind(L'\\');
    if (slash != std::wstring::npos) sPathOnly = path.substr(0, slash);
  });
  if (!App_Common::NeverLoadForms()) {
    t.Step([&] {
      sSourceOf_hWnd = L"App_InvForm";
      App_InvForm& inv = InvForm();
      if (!inv.IsLoaded().value_or(false)) {
        inv.Show(false, nullptr);
        bUnloadInvForm = true;
      }
      owner = inv.hWnd();
      SetTopWindow(owner, true, true, true, true);
    });
  }
  bool retry = true;
  while (retry) {
    retry = false;
    HINSTANCE hRet = nullptr;
    DWORD lError = 0;
    t.Step([&] {
      App_FSRedirGuard redir;
      ::SetLastError(0);
      hRet = ::ShellExecuteW(owner, sVerb.c_str(), path.c_str(), params.c_str(),
                             sPathOnly.empty() ? nullptr : sPathOnly.c_str(), ShowType);
      lError = ::GetLastError();
      if (lError != 0)
        t.APIError(L"ShellExecute2", pVar(L"sVerb", sVerb, L"sPathAndFilename", path, L"sCmdLineParams", params,
                                          L"sPathOnly", sPathOnly, L"ShowType", ShowType, L"sSourceOf_hWnd", sSourceOf_hWnd));
    });
    const INT_PTR lRet = reinterpret_cast<INT_PTR>(hRet);
    const std::wstring file = L"  File = [" + path + L"]";
    if (lError == kErrElevationRequired) {
      if (bForceFailOnCancelledUAC) {
        t.Log(L"ShellExW.ShellExecuteW lRet = " + std::to_wstring(lRet) +
              L"  Error = ERROR_ELEVATION_REQUIRED  AppRunningAsAdmin = " +
              (AppEnv().AppInst_IsAdmin ? L"True" : L"False") +
              L" (LAUNCH FAIL AS ADMIN, NO RETRY SPECIFIED BY BOOLEAN)  verb = " + sVerb + file);
        result = false;
      } else if (sVerb == L"open") {
        t.Log(L"ShellExW  Error = ERROR_ELEVATION_REQUIRED  AppRunningAsAdmin = False  verb = 'open' "
              L"(retrying run using 'runas' verb!)" + file);
        sVerb = L"runas";
        retry = true;
      } else {
        t.Log(L"ShellExW  Error = ERROR_ELEVATION_REQUIRED  AppRunningAsAdmin = False  verb = 'runas' "
              L"(aborting run, assume UAC prompt was cancelled)" + file);
        result = true;
      }
    } else if (lError == ERROR_CANCELLED) {
      t.Log(L"ShellExW.ShellExecuteW (UAC Prompt Cancelled by User)");
      result = true;
    } else if (lRet < 0 || lRet > 32) {
      result = true;
    } else {
      t.Log(L"ShellExW.ShellExecuteW lRet = " + std::to_wstring(lRet) + L"  Error = " + std::to_wstring(lError) +
            L" [" + App_Debug::GetSystemMsg(lError) + L"]  verb = " + sVerb + L"  (LAUNCH FAIL, NO RETRY)" + file);
      result = false;
    }
  }
  if (bUnloadInvForm) t.Step([&] { InvForm().Unload(); });
  t.Vars(vkFunctionReturn, {result});
  return result;
}

}  // namespace App_RunX

namespace App_Common {

std::wstring QuoteURL(std::wstring_view sURL) {
  if (sURL.size() >= 2 && sURL.front() == L'"' && sURL.back() == L'"') return std::wstring(sURL);
  return L"\"" + std::wstring(sURL) + L"\"";
}

bool OpenURL(std::wstring_view sURL, bool bWait, int32_t lShowType) {
  App_Trace t(L"App_Common", L"OpenURL");
  t.Vars(vkPassedByVal, {L"sURL", sURL, L"bWait", bWait, L"lShowType", lShowType});
  bool bResult = false;
  t.Step([&] {
    const std::wstring sQuoted = QuoteURL(sURL);
    const HINSTANCE h =
        ::ShellExecuteW(nullptr, nullptr, sQuoted.c_str(), nullptr, nullptr, lShowType);
    bResult = reinterpret_cast<INT_PTR>(h) > 32;
    if (!bResult)
      t.APIError(L"ShellExecuteW", pVar(L"sQuoted", sQuoted, L"lRet",
                                        static_cast<int32_t>(reinterpret_cast<INT_PTR>(h))));
  });
  t.Vars(vkFunctionReturn, {bResult});
  return bResult;
}

}  // namespace App_Common
