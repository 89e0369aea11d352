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
#include <string_view>

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

}  // namespace Browser

namespace App_Common {

// Switches a connection (the LAN settings when sConnectionName is empty)
// to direct access, without proxy, and tells WinINet the settings changed.
// True when WinINet accepted the change.
bool DisableConnectionProxy(std::wstring_view sConnectionName);

}  // namespace App_Common
