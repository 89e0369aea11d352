// The few platform answers that Wine cannot give, behind one narrow seam.
//
// By default every routine here asks the real system. Tests set a field of
// App_PlatformFake to stand in for a machine Wine cannot be (a 32-bit
// process on 64-bit Windows, a non-administrator, a Windows edition, a WMI
// service without user accounts or without an answer at all).
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

// One row of Win32_UserAccount as the user list reads it; an empty
// optional stands for a null property value.
struct App_WMIUserAccount {
  std::optional<std::wstring> Name;
  std::optional<int32_t> SIDType = 1;
  std::optional<int32_t> AccountType = 512;
  std::optional<bool> Disabled = false;
  std::optional<std::wstring> Status = L"OK";
};

// One row of Win32_NetworkAdapterConfiguration as the network repair reads it.
struct App_WMINetworkAdapter {
  std::wstring Description;
  std::vector<std::wstring> IPAddress;
  bool DHCPEnabled = false;
};

struct App_PlatformFake {
  std::optional<bool> IsWow64Process;      // what IsWow64Process says of this process
  std::optional<bool> Wow64FsRedirection;  // whether the redirection functions exist and work
  std::optional<bool> IsUserAnAdmin;       // the administrator check
  std::optional<uint32_t> ProductInfo;     // GetProductInfo's product type (0xFFFFFFFF: the call fails)
  std::map<int, int> SystemMetrics;        // GetSystemMetrics answers by index
  std::optional<std::vector<App_WMIUserAccount>> WMIUserAccounts;  // rows of Win32_UserAccount
  std::optional<int32_t> WMIOperatingSystemSKU;  // OperatingSystemSKU of Win32_OperatingSystem
  std::optional<std::vector<App_WMINetworkAdapter>> WMINetworkAdapters;  // rows of the adapter query
  bool WMIUnreachable = false;                   // WMI cannot be reached at all
  uint32_t WMIConnectDelayMS = 0;                // connecting to WMI takes this long (a hung service)
  uint32_t TickCountOffset = 0;                  // added to the tick count (a clock near its wrap-around)
  // What an elevated shell start ("runas") ends with instead of starting
  // anything: the system error (1223: the user refused the elevation prompt).
  std::optional<uint32_t> ElevatedStartError;
};

// The fake answers; empty fields mean "ask the system".
App_PlatformFake& PlatformFake();

namespace App_Platform {

// A kernel32/advapi32/... export looked up at run time (nullptr when the
// running Windows lacks it). Functions newer than Windows XP SP3 are always
// reached this way. A DLL that is not loaded yet is loaded by its full path
// in the system folder, never from the program's or the current folder.
FARPROC ProcAddress(const wchar_t* sModule, const char* sFunction);

// Loads a system DLL ("winmm.dll") by its full path in the system folder.
HMODULE LoadSystemLibrary(const wchar_t* sModule);

template <class F>
F Proc(const wchar_t* sModule, const char* sFunction) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(ProcAddress(sModule, sFunction)));
}

int GetSystemMetrics(int nIndex);

// The screen's pixels per inch (LOGPIXELSX or LOGPIXELSY), read once per
// process, as the program is system-DPI aware; 96 when it cannot be read.
int ScreenDpi(int lIndex);

}  // namespace App_Platform

// The delay-load helper's hook: loads each delay-loaded DLL (but comctl32)
// by its full path in the system folder. Installed for the whole program.
struct DelayLoadInfo;
FARPROC WINAPI App_DelayLoadHook(unsigned dliNotify, DelayLoadInfo* pdli);

namespace App_Platform {

// The system folder ("C:\Windows\System32") and the Windows folder, as
// the system reports them, without a trailing backslash.
std::wstring SystemFolder();
std::wstring WindowsFolder();

// Milliseconds since the system started, 32 bits wide (it wraps after
// 49.7 days). Every deadline is computed from this clock.
uint32_t TickCount();

// Takes the current folder out of the DLL search path (SetDllDirectoryW
// with an empty text), so that no DLL is ever picked up from the folder
// the program was started in. Looked up at run time; a Windows without it
// keeps its search order.
void RemoveCurrentFolderFromDllSearch();

}  // namespace App_Platform
