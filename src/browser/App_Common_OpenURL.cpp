// Opening a URL in the system's default browser (module App_Common).
#include "browser/App_Common_OpenURL.h"

#include <windows.h>
// after <windows.h>, which it needs
#include <shellapi.h>

#include <string>

#include "browser/App_Common_URLArg.h"
#include "diag/App_Trace.h"
#include "platform/App_COMInit.h"
#include "util/App_Variables.h"

namespace App_Common {

bool OpenURL(std::wstring_view sURL, bool bWait, int32_t lShowType) {
  App_Trace t(L"App_Common", L"OpenURL");
  t.Vars(vkPassedByVal, {L"sURL", sURL, L"bWait", bWait, L"lShowType", lShowType});
  bool bResult = false;
  t.Step([&] {
    // The shell may run the URL's handler through COM on this thread.
    App_COMInit com;
    if (!com.Usable())
      t.Log(L"CoInitializeEx failed; the shell is asked all the same", evNormal,
            pVar(L"hr", static_cast<int32_t>(com.Result())));
    const std::wstring sQuoted = QuoteURL(sURL);
    const HINSTANCE h = ::ShellExecuteW(nullptr, nullptr, sQuoted.c_str(), nullptr, nullptr, lShowType);
    bResult = reinterpret_cast<INT_PTR>(h) > 32;
    if (!bResult)
      t.APIError(L"ShellExecuteW",
                 pVar(L"sQuoted", sQuoted, L"lRet", static_cast<int32_t>(reinterpret_cast<INT_PTR>(h))));
  });
  t.Vars(vkFunctionReturn, {bResult});
  return bResult;
}

}  // namespace App_Common
