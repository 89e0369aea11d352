#include "fs/App_ShellFileOps.h"

#include <windows.h>
// after <windows.h>, which it needs
#include <shellapi.h>

#include <string>

#include "diag/App_Trace.h"
#include "platform/App_FSRedir.h"
#include "util/App_Variables.h"

namespace App_Common {

bool ShellDelete(std::wstring_view sObject, bool bNoConfirm, bool bRecycle, bool bInvisiblePlusNoErrors) {
  int32_t lFlags = bInvisiblePlusNoErrors ? (FOF_SILENT | FOF_NOERRORUI) : 0;
  if (bNoConfirm) lFlags |= FOF_NOCONFIRMATION;
  if (bRecycle) lFlags |= FOF_ALLOWUNDO;
  return ShellOperation(soDelete, lFlags, sObject, {});
}

bool ShellOperation(int32_t eShellOperation, int32_t lFlags, std::wstring_view sObject,
                    std::wstring_view sObjectDest) {
  App_Trace t(L"App_Common", L"ShellOperation");
  t.Vars(vkPassedByVal, {L"eShellOperation", eShellOperation, L"lFlags", lFlags, L"sObject", sObject,
                         L"sObjectDest", sObjectDest});
  bool bResult = false;
  t.Step([&] {
    if (sObject.empty()) return;
    // Each list holds one entry and ends with two NULs (c_str() adds the second).
    const auto list = [](std::wstring_view s) {
      std::wstring l(s.substr(0, s.find(L'\0')));
      l.push_back(L'\0');
      return l;
    };
    const std::wstring from = list(sObject), to = sObjectDest.empty() ? std::wstring() : list(sObjectDest);
    SHFILEOPSTRUCTW op{};
    op.hwnd = ::GetForegroundWindow();
    op.wFunc = static_cast<UINT>(eShellOperation);
    op.pFrom = from.c_str();
    op.pTo = to.empty() ? nullptr : to.c_str();
    op.fFlags = static_cast<FILEOP_FLAGS>(lFlags & 0xFFFF);
    int lRet;
    {
      App_FSRedirGuard redir;
      lRet = ::SHFileOperationW(&op);
    }
    bResult = lRet == 0 && !op.fAnyOperationsAborted;
    if (!bResult) t.Log(L"SHFileOperationW failed", evNormal, pVar(L"lRet", lRet, L"sObject", sObject));
  });
  t.Vars(vkFunctionReturn, {bResult});
  return bResult;
}

}  // namespace App_Common
