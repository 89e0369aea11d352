// The network repair commands are not built yet: each menu command reaches
// one named call that says so in the debug log and changes nothing.
#include "repair/Browser_Repair.h"

#include <string_view>

#include "diag/App_Trace.h"

namespace Browser {

namespace {

void RepairNotAvailableYet(std::wstring_view sCommand) {
  App_Trace t(L"Browser", sCommand, ptSub);
  t.Log(L"Network repair is not available yet; nothing was changed.");
}

}  // namespace

void ResetNetworkInterfaces(bool bReleaseRenewOnly) {
  RepairNotAvailableYet(bReleaseRenewOnly ? L"ResetNetworkInterfaces(ReleaseRenewOnly)"
                                          : L"ResetNetworkInterfaces");
}

void ClearProxy() { RepairNotAvailableYet(L"ClearProxy"); }

}  // namespace Browser
