// "Diagnose Connection" (module Browser): four checks of the machine's
// Internet connection that change nothing and need no administrator
// rights. Each check runs on a thread of its own within its time limit
// while the window keeps answering, and gives its result, what it found
// and how long it took:
//
//   Adapters           IP Helper's adapters: connected, DHCP, addresses,
//                      gateways, DNS servers
//   Name resolution    the host of "Repair.CheckHost"
//   Web reachability   a WinINet GET of "Repair.CheckURL"
//   Proxy              the LAN connection's WinINet proxy and the WinHTTP
//                      proxy
//
// Every DLL is loaded at run time from the system folder; a function the
// running Windows lacks is skipped and said so.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "repair/Browser_RepairReport.h"

namespace Browser {

// The host the name check resolves; default: the host of the search
// engine URL in use.
inline constexpr std::wstring_view kSettingCheckHost = L"Repair.CheckHost";
// The address the web check fetches.
inline constexpr std::wstring_view kSettingCheckURL = L"Repair.CheckURL";
// Windows' own connectivity check.
inline constexpr std::wstring_view kDefaultCheckURL = L"http://www.msftconnecttest.com/connecttest.txt";
// The longest any one check may take.
inline constexpr uint32_t kCheckLimitMS = 5000;

// All four checks at once, each within lLimitMS; traced. Returns them in
// the order above (the report puts their lines into the debug log).
// sSearchURL is the search engine URL in use, whose host the name check
// looks up when "Repair.CheckHost" is empty (the browser hands it in).
std::vector<DiagCheck> DiagnoseConnection(std::wstring_view sSearchURL, uint32_t lLimitMS = kCheckLimitMS);

// The host and URL the checks use: the settings, else their defaults.
std::wstring DiagnoseCheckHost(std::wstring_view sSearchURL);
std::wstring DiagnoseCheckURL();

// ---- the checks, untraced: they run off the window thread ----

DiagCheck CheckAdapters_NoLog();
DiagCheck CheckNameResolution_NoLog(const std::wstring& sHost);
// WinINet's connect, send and receive time-outs are lLimitMS.
DiagCheck CheckWebReachability_NoLog(const std::wstring& sURL, uint32_t lLimitMS);
DiagCheck CheckProxy_NoLog();

// Runs each check on a thread of its own and waits for them, handling
// this thread's window messages. A check that has not ended after lLimitMS
// (or when the program is closing) fails with "No answer within ..." and is
// left to end on its own. The results keep the order of the checks.
struct DiagTask {
  std::wstring sName;
  std::function<DiagCheck()> fnCheck;
};
std::vector<DiagCheck> RunChecks_NoLog(const std::vector<DiagTask>& tasks, uint32_t lLimitMS);

}  // namespace Browser
