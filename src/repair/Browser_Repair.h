// The "Networking" commands of the browser window (module Browser), and
// switching a connection to direct access (module App_Common).
//
// Each command runs its steps one after another inside the menu click;
// every Windows tool is the system's own, started through cmd.exe in the
// system folder and waited for while the window keeps handling its
// messages. A failed step is logged and the next one runs. When the
// program is told to close while a tool runs, the remaining steps are not
// started.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "repair/Browser_RepairReport.h"

namespace Browser {

// Release and renew the IP address (bReleaseRenewOnly), or reset the whole
// network stack: the proxy settings, the Winsock keys taken over for the
// administrators, the Winsock and interface resets, then release/renew.
void ResetNetworkInterfaces(bool bReleaseRenewOnly);
// Clears the proxy settings of every loaded user profile, the current user
// and the machine, through WinINet and the system's proxy tool.
void ClearProxy();
// True when the last qualifying network adapter (not virtual or loopback,
// with a usable address) gets its address by DHCP; false when none
// qualifies or WMI cannot answer in its own time limit.
bool SysInfoCode_GetActiveNIC();

// Reports every tool the repair starts (program, parameters, whether it
// ran, its exit code), after it ended; for the tests. Empty: nothing.
using RepairToolSink = std::function<void(std::wstring_view sProgram, std::wstring_view sParams,
                                          bool bStarted, uint32_t lExitCode)>;
void SetRepairToolSink(RepairToolSink sink);

// Collects the steps the repair commands take while it lives, in order:
// each tool with its exit code and duration, each registry change with its
// result, the tools left out. A recorder made while another one records
// takes the steps until it ends.
class RepairRecorder {
 public:
  RepairRecorder();
  ~RepairRecorder();
  RepairRecorder(const RepairRecorder&) = delete;
  RepairRecorder& operator=(const RepairRecorder&) = delete;
  const std::vector<RepairStep>& Steps() const { return Steps_; }

 private:
  friend void RecordRepairStep(RepairStep step);
  std::vector<RepairStep> Steps_;
  RepairRecorder* Outer_;
};
// Hands a step to the recorder that records now (none: nothing happens).
void RecordRepairStep(RepairStep step);

// The "Networking" menu's commands, by their item index.
enum NetworkingCommand : int32_t {
  ncReleaseRenew = 0,
  ncClearProxy = 1,
  ncResetNetworking = 2,
  ncDiagnose = 3,
};

// Runs one "Networking" command (sCaption: its menu item) with its report:
// a repair between a diagnosis before and one after it, or the diagnosis
// alone. The report's lines go to the debug log and its page is saved
// (SaveRepairReport). Returns the page's full path; "" when it could not be
// written, which is logged: the command has run all the same. sSearchURL:
// the search engine URL in use (the name check's default host).
std::wstring RunNetworkingCommand(int32_t lCommand, std::wstring_view sCaption, std::wstring_view sSearchURL);

// Saves the page as ReportFileName(dDate) where crash reports go: the
// program's temp folder, else the user's temp folder + "\Lumo". The full
// path, or "" when neither can be written.
std::wstring SaveRepairReport(std::wstring_view sHTML, double dDate);

}  // namespace Browser

namespace App_Common {

// Switches a connection (the LAN settings when sConnectionName is empty)
// to direct access, without proxy, and tells WinINet the settings changed.
// True when WinINet accepted the change.
bool DisableConnectionProxy(std::wstring_view sConnectionName);

}  // namespace App_Common
