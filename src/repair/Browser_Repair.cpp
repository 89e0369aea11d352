#include "repair/Browser_Repair.h"

#include <windows.h>
// after <windows.h>, which it needs
#include <wininet.h>

#include <string>
#include <vector>

#include "diag/App_Trace.h"
#include "fs/App_FileSystem.h"
#include "platform/App_Env.h"
#include "platform/App_Platform.h"
#include "platform/App_Runtime.h"
#include "process/App_RunX.h"
#include "registry/App_Permissions.h"
#include "registry/App_Registry.h"
#include "repair/Browser_Diagnose.h"
#include "repair/Browser_IPAddress.h"
#include "sysinfo/App_WMIClient.h"
#include "util/App_Dates.h"
#include "util/App_Strings.h"
#include "util/App_Time.h"
#include "util/App_Variables.h"

// The per-connection option list WinINet takes: 20 bytes in the 32-bit
// program; the 64-bit build has its own layout, so the size always comes
// from sizeof.
#if defined(__i386__)
static_assert(sizeof(INTERNET_PER_CONN_OPTION_LISTA) == 20, "WinINet's 32-bit option list");
#endif

namespace Browser {

namespace {

constexpr std::wstring_view kModule = L"Browser";
constexpr wchar_t kInternetSettings[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
constexpr wchar_t kProfileList[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
constexpr const wchar_t* kWinsockKeys[] = {
    L"SYSTEM\\CurrentControlSet\\services\\AFD",
    L"SYSTEM\\CurrentControlSet\\Enum\\Root\\Legacy_AFD",
    L"SYSTEM\\CurrentControlSet\\services\\Winsock",
    L"SYSTEM\\CurrentControlSet\\services\\Winsock2",
};
// The adapter question gets its own limit, whatever became of WMI questions before it.
constexpr DWORD kNICQueryLimitMS = 10000;

RepairToolSink& Sink() {
  static RepairToolSink* s = new RepairToolSink();
  return *s;
}

// The recorder that records now; the window thread's alone.
RepairRecorder* g_recorder = nullptr;

void Record(RepairStepKind kind, std::wstring sWhat, bool bDone, DWORD lStartTick, uint32_t lExitCode = 0) {
  RecordRepairStep({kind, std::move(sWhat), bDone, lExitCode, ::GetTickCount() - lStartTick});
}

// One Windows tool, waited for in a normal window without a time limit.
// False when the program is closing: then the caller stops its sequence.
bool RunTool(App_Trace& t, std::wstring_view sProgram, std::wstring_view sParams) {
  if (App_Common::QuitPending()) {
    t.Log(L"The program is closing; the remaining repair steps are not run.", evNormal,
          pVar(L"sProgram", sProgram, L"sParams", sParams));
    return false;
  }
  uint32_t lExitCode = 0;
  bool bStarted = false;
  const DWORD lStart = ::GetTickCount();
  t.Step([&] { bStarted = App_RunX::ShellX(sProgram, sParams, true, 1, lExitCode); });
  Record(RepairStepKind::Tool, std::wstring(sProgram) + L" " + std::wstring(sParams), bStarted, lStart,
         lExitCode);
  if (Sink()) Sink()(sProgram, sParams, bStarted, lExitCode);
  return !App_Common::QuitPending();
}

bool RunCmd(App_Trace& t, std::wstring_view sParams) {
  return RunTool(t, L"cmd.exe", sParams);
}

// ProxyEnable 0, ProxyServer and ProxyOverride gone, under one root.
void ClearProxyValues(App_Trace& t, App_HKEY eHKEY, const std::wstring& sKey) {
  const DWORD lStart = ::GetTickCount();
  bool bWritten = false;
  int32_t lServer = -1, lOverride = -1;
  t.Step([&] {
    bWritten = App_Registry::RegWriteValue(eHKEY, sKey, L"ProxyEnable", App_Registry::REGTYPE_DWORD, 0);
  });
  t.Step([&] { lServer = App_Registry::KillRegValueCode(eHKEY, sKey, L"ProxyServer"); });
  t.Step([&] { lOverride = App_Registry::KillRegValueCode(eHKEY, sKey, L"ProxyOverride"); });
  Record(RepairStepKind::Registry,
         App_Registry::GetHKEYName(eHKEY, true) + L"\\" + sKey +
             L": ProxyEnable 0, ProxyServer and ProxyOverride removed",
         bWritten && lServer == 0 && lOverride == 0, lStart);
}

struct NICRow {
  std::wstring sDescription;
  std::vector<std::wstring> IPAddress;
  bool bDHCPEnabled = false;
};

}  // namespace

void SetRepairToolSink(RepairToolSink sink) {
  Sink() = std::move(sink);
}

void ClearProxy() {
  App_Trace t(kModule, L"ClearProxy", ptSub);
  const DWORD lStart = ::GetTickCount();
  bool bDirect = false;
  t.Step([&] { bDirect = App_Common::DisableConnectionProxy(L""); });
  Record(RepairStepKind::Registry, L"LAN connection (WinINet): direct access, no proxy server", bDirect,
         lStart);
  t.Step([&] {
    std::wstring sList;
    App_Registry::RegEnumKey(hkeyLocalMachine, kProfileList, sList);
    if (sList.empty()) {
      t.Log(L"Error enumerating HKLM!");
      return;
    }
    size_t start = 0;
    while (start <= sList.size()) {
      size_t end = sList.find(L'\0', start);
      if (end == std::wstring::npos) end = sList.size();
      const std::wstring sSID = sList.substr(start, end - start);
      start = end + 1;
      // Short SIDs are the system's own service accounts.
      if (sSID.size() <= 10) continue;
      // A profile whose hive is not loaded has no key under HKEY_USERS;
      // nothing is created there for it.
      if (!App_Registry::RegKeyExist(hkeyUsers, sSID)) {
        t.Log(L"Profile hive not loaded; skipped", evVerbose, pVar(L"sSID", sSID));
        continue;
      }
      ClearProxyValues(t, hkeyUsers, sSID + L"\\" + kInternetSettings);
    }
  });
  ClearProxyValues(t, hkeyCurrentUser, kInternetSettings);
  ClearProxyValues(t, hkeyLocalMachine, kInternetSettings);
  RunCmd(t, AppEnv().WinVista_OrNewer ? L"/c netsh winhttp reset proxy" : L"/c proxycfg -d");
}

bool SysInfoCode_GetActiveNIC() {
  App_Trace t(kModule, L"SysInfoCode_GetActiveNIC");
  bool result = false;
  std::vector<NICRow> rows;
  t.Step([&] {
    if (const auto& fake = PlatformFake().WMINetworkAdapters; fake && !PlatformFake().WMIUnreachable) {
      for (const App_WMINetworkAdapter& a : *fake)
        rows.push_back({a.Description, a.IPAddress, a.DHCPEnabled});
      return;
    }
    App_WMIRequest req;
    req.Query = L"Select * from Win32_NetworkAdapterConfiguration where IPEnabled=TRUE";
    req.Properties = {L"Description", L"IPAddress", L"DHCPEnabled"};
    req.ConnectTimeoutMS = req.ObjectTimeoutMS = req.TotalTimeoutMS = kNICQueryLimitMS;
    req.IgnoreEarlierTimeouts = true;
    req.PumpMessages = true;  // the window answers while WMI thinks
    const App_WMIResult r = App_WMIClient::Run(req);
    if (!r.Succeeded()) {
      t.Log(L"The adapter query failed; the interface resets are skipped: " + r.Describe());
      return;
    }
    for (const App_WMIRow& row : r.Rows) {
      NICRow n;
      row[L"Description"].ToText(n.sDescription);
      row[L"IPAddress"].ToTextList(n.IPAddress);
      row[L"DHCPEnabled"].ToBool(n.bDHCPEnabled);
      rows.push_back(std::move(n));
    }
  });
  for (const NICRow& n : rows) {
    t.Step([&] {
      if (App_Strings::InStr(n.sDescription, L"virtual", App_Strings::cmText) ||
          App_Strings::InStr(n.sDescription, L"loopback", App_Strings::cmText))
        return;
      bool bValid = false;
      for (const std::wstring& ip : n.IPAddress) bValid = bValid || ValidateIPAddress(ip, true);
      if (!bValid) return;
      result = n.bDHCPEnabled;
      t.Log(L"Adapter [" + n.sDescription + L"] DHCPEnabled=" + (n.bDHCPEnabled ? L"True" : L"False"),
            evVerbose);
    });
  }
  t.Vars(vkFunctionReturn, {result});
  return result;
}

void ResetNetworkInterfaces(bool bReleaseRenewOnly) {
  App_Trace t(kModule, L"ResetNetworkInterfaces", ptSub);
  t.Vars(vkPassedByVal, {L"bReleaseRenewOnly", bReleaseRenewOnly});
  const App_Env& e = AppEnv();
  if (!bReleaseRenewOnly) {
    ClearProxy();
    if (App_Common::QuitPending()) return;
    // Taken over for the administrators: owner and full control.
    for (const wchar_t* sKey : kWinsockKeys) {
      const DWORD lStart = ::GetTickCount();
      bool bTaken = false;
      t.Step([&] {
        std::wstring sOwner, sPerm = L"everyone";
        bTaken = App_Permissions::TakeControlReg(hkeyLocalMachine, sKey, sOwner, sPerm);
      });
      Record(RepairStepKind::Registry,
             App_Registry::GetHKEYName(hkeyLocalMachine, true) + L"\\" + sKey +
                 L": taken over for the administrators",
             bTaken, lStart);
    }
    if (!RunCmd(t, L"/c netsh winsock reset")) return;
    if (!RunCmd(t, L"/c netsh winsock reset catalog")) return;
    // The log goes to the root of the system drive.
    const std::wstring sLog =
        (e.SystemDriveBS.empty() ? std::wstring(L"C:\\") : e.SystemDriveBS) + L"NIC_Reset_Log.txt";
    const std::wstring sIPReset = L"/c netsh interface ip reset " + sLog,
                       sInterfaceReset = L"/c netsh interface reset all";
    if (SysInfoCode_GetActiveNIC()) {
      if (!RunCmd(t, sIPReset)) return;
      if (!RunCmd(t, sInterfaceReset)) return;
    } else {
      for (const std::wstring& sParams : {sIPReset, sInterfaceReset})
        Record(RepairStepKind::Skipped, L"cmd.exe " + sParams, false, ::GetTickCount());
    }
    if (!RunCmd(t, L"/c netsh interface ip delete arpcache")) return;
    if (e.WinXP) {
      const std::wstring sWindows = e.Dir_Windows.empty() ? App_Platform::WindowsFolder() : e.Dir_Windows;
      if (!RunTool(
              t, L"rundll32.exe",
              L"setupapi.dll,InstallHinfSection DefaultInstall 132 " + sWindows + L"\\inf\\nettcpip.inf"))
        return;
    }
  }
  for (const wchar_t* sParams : {L"/c ipconfig /release all", L"/c ipconfig /flushdns",
                                 L"/c ipconfig /renew all", L"/c ipconfig /registerdns"})
    if (!RunCmd(t, sParams)) return;
}

RepairRecorder::RepairRecorder() : Outer_(g_recorder) {
  g_recorder = this;
}
RepairRecorder::~RepairRecorder() {
  g_recorder = Outer_;
}

void RecordRepairStep(RepairStep step) {
  if (g_recorder) App_QuietStep([&] { g_recorder->Steps_.push_back(std::move(step)); });
}

namespace {

// "Windows 7 [Ultimate] Service Pack 1, 64-bit"
std::wstring WindowsText() {
  const App_Env& e = AppEnv();
  std::wstring s = e.WinVer_StringWithSKU.Get();
  if (!e.WinVer_CSDVersion.empty()) s += L" " + e.WinVer_CSDVersion;
  return s + (e.Win64bit ? L", 64-bit" : L", 32-bit");
}

void RunRepair(int32_t lCommand) {
  switch (lCommand) {
    case ncReleaseRenew:
      ResetNetworkInterfaces(true);
      break;
    case ncClearProxy:
      ClearProxy();
      break;
    case ncResetNetworking:
      ResetNetworkInterfaces(false);
      break;
    default:
      break;
  }
}

}  // namespace

std::wstring RunNetworkingCommand(int32_t lCommand, std::wstring_view sCaption,
                                  std::wstring_view sSearchURL) {
  App_Trace t(kModule, L"RunNetworkingCommand");
  t.Vars(vkPassedByVal, {L"lCommand", lCommand, L"sCaption", sCaption});
  RepairReport r;
  r.sCommand = sCaption;
  r.bRepair = lCommand != ncDiagnose;
  double dNow = 0;
  t.Step([&] {
    dNow = App_Time::NowAsDate();
    r.sWhen = App_Dates::FormatDate(dNow, L"yyyy-mm-dd hh:nn:ss");
  });
  t.Step([&] { r.sWindows = WindowsText(); });
  t.Step([&] { r.bAdmin = AppEnv().AppInst_IsAdmin; });
  if (r.bRepair) {
    t.Step([&] { r.Before = DiagnoseConnection(sSearchURL); });
    RepairRecorder recorder;
    t.Step([&] { RunRepair(lCommand); });
    r.Steps = recorder.Steps();
  }
  // A closing program waits for no second diagnosis.
  if (!App_Common::QuitPending()) t.Step([&] { r.After = DiagnoseConnection(sSearchURL); });
  t.Step([&] {
    for (const std::wstring& sLine : ReportLines(r)) t.Log(sLine);
  });
  std::wstring sFile;
  t.Step([&] { sFile = SaveRepairReport(ReportHTML(r), dNow); });
  if (sFile.empty()) t.Log(L"The report could not be written; the command has run all the same.");
  t.Vars(vkFunctionReturn, {sFile});
  return sFile;
}

std::wstring SaveRepairReport(std::wstring_view sHTML, double dDate) {
  App_Trace t(kModule, L"SaveRepairReport");
  const App_Env& e = AppEnv();
  std::vector<std::wstring> folders = {e.AppPath_Temp};
  if (!e.UserDirBS_CurrentUser_Temp.empty()) folders.push_back(e.UserDirBS_CurrentUser_Temp + L"Lumo");
  std::wstring sFile;
  for (const std::wstring& sFolder : folders) {
    if (sFolder.empty()) continue;
    t.Step([&] {
      const std::wstring sPath = sFolder + L"\\" + ReportFileName(dDate);
      if (App_FileSystem::EnsureDirExists(sFolder) &&
          App_FileSystem::SaveTextToFile(sPath, sHTML, true, false, true))
        sFile = sPath;
    });
    if (!sFile.empty()) break;
    t.Log(L"The report could not be written in this folder", evNormal, pVar(L"sFolder", sFolder));
  }
  t.Vars(vkFunctionReturn, {sFile});
  return sFile;
}

}  // namespace Browser

namespace App_Common {

bool DisableConnectionProxy(std::wstring_view sConnectionName) {
  App_Trace t(L"App_Common", L"DisableConnectionProxy");
  t.Vars(vkPassedByVal, {L"sConnectionName", sConnectionName});
  bool result = false;
  t.Step([&] {
    using SetOptionFn = BOOL(WINAPI*)(HINTERNET, DWORD, LPVOID, DWORD);
    const auto setOption = App_Platform::Proc<SetOptionFn>(L"wininet.dll", "InternetSetOptionA");
    if (!setOption) {
      t.APIError(L"GetProcAddress InternetSetOptionA");
      return;
    }
    std::string sName;
    if (!sConnectionName.empty()) {
      const std::wstring w(sConnectionName);
      const int n = ::WideCharToMultiByte(CP_ACP, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
      sName.assign(n > 0 ? static_cast<size_t>(n) : 1, '\0');
      ::WideCharToMultiByte(CP_ACP, 0, w.c_str(), -1, sName.data(), n, nullptr, nullptr);
    }
    INTERNET_PER_CONN_OPTIONA option{};
    option.dwOption = INTERNET_PER_CONN_FLAGS;
    option.Value.dwValue = PROXY_TYPE_DIRECT;
    INTERNET_PER_CONN_OPTION_LISTA list{};
    list.dwSize = sizeof(list);
    list.pszConnection = sConnectionName.empty() ? nullptr : sName.data();
    list.dwOptionCount = 1;
    list.pOptions = &option;
    result = setOption(nullptr, INTERNET_OPTION_PER_CONNECTION_OPTION, &list, sizeof(list)) != FALSE;
    if (!result) t.APIError(L"InternetSetOptionA INTERNET_OPTION_PER_CONNECTION_OPTION");
    setOption(nullptr, INTERNET_OPTION_SETTINGS_CHANGED, nullptr, 0);
    setOption(nullptr, INTERNET_OPTION_REFRESH, nullptr, 0);
  });
  t.Vars(vkFunctionReturn, {result});
  return result;
}

}  // namespace App_Common
