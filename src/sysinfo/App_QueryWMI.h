// Facts that only Windows Management Instrumentation (WMI) gives
// (module App_QueryWMI): the edition name from the operating system's SKU
// number, the local user accounts, and the workgroup or domain.
//
// Each routine is traced; a WMI service that cannot be reached, refuses a
// query or does not answer in time leaves the routine's defaults and logs
// the failed step against the call. No routine waits on WMI for more than a
// few seconds (see App_WMIClient).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "util/App_Collections.h"

namespace App_QueryWMI {

// The edition text of the SKU number that Win32_OperatingSystem reports,
// with lFoundSKU set to that number. An empty text (lFoundSKU untouched)
// when no query was made: WMI queries disabled (App_Env.Disable_WMI_Queries)
// or a Windows older than Vista. WMI out of reach gives the text of SKU 0.
std::wstring WMI_GetWinSKU(int32_t& lFoundSKU);

// Adds the names of the local accounts (Win32_UserAccount) that pass the
// filters to colUsers, each under itself as key (ignoring case), so a name
// already present in any case is not added again. Existing entries stay.
// bNormalUsersOnly keeps accounts with SIDType 1 and AccountType 512 whose
// name does not begin with "VUSR_"; bSkipDisabled leaves out disabled ones,
// bSkipDegraded those whose status is "Degraded".
void WMI_GetUserList(App_Collection& colUsers, bool bSkipDisabled, bool bSkipDegraded,
                     bool bNormalUsersOnly);
// The same; an absent collection is created (empty) first.
void WMI_GetUserList(std::optional<App_Collection>& colUsers, bool bSkipDisabled,
                     bool bSkipDegraded, bool bNormalUsersOnly);

// The workgroup name, or the domain name on a domain member, as
// Win32_ComputerSystem reports it; empty when WMI gives nothing.
std::wstring GetWindowsWorkgroupName();

}  // namespace App_QueryWMI
