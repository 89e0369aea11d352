// The report of a "Networking" command (module Browser): what the
// diagnosis found and what the repair did, as an HTML page for the web
// view and as plain lines for the debug log.
//
// Pure text logic, without <windows.h>: the checks and the steps come in
// as records, the page and the lines go out as text. Every value is
// HTML-escaped and the page is ASCII only (anything else becomes a
// numeric character reference), so it reads the same in any code page;
// it holds no script and uses plain tables that Internet Explorer 6
// renders.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Browser {

// ---- what the report is made of ----

// One check of the diagnosis: its name, whether it passed, what it found
// (one line each) and how long it took.
struct DiagCheck {
  std::wstring sName;
  bool bOK = false;
  std::vector<std::wstring> Details;
  uint32_t lDurationMS = 0;
};

enum class RepairStepKind {
  Tool,      // a Windows tool: sWhat is its command line
  Registry,  // a registry or WinINet change: sWhat says which
  Skipped,   // a tool the command left out: sWhat is its command line
};

// One step of a repair command, in the order it ran.
struct RepairStep {
  RepairStepKind Kind = RepairStepKind::Tool;
  std::wstring sWhat;
  bool bDone = false;  // the tool started; the change was made
  uint32_t lExitCode = 0;
  uint32_t lDurationMS = 0;
};

// One network adapter as the adapter check sees it.
struct AdapterFacts {
  std::wstring sName, sDescription;
  bool bConnected = false, bDHCP = false;
  std::vector<std::wstring> Addresses, Gateways, DNSServers;
};

struct RepairReport {
  std::wstring sWhen;     // "2024-05-01 14:03:59"
  std::wstring sCommand;  // the menu item's caption
  std::wstring sWindows;  // release and edition
  bool bAdmin = false;
  bool bRepair = false;           // a repair command: diagnosis before and after
  std::vector<DiagCheck> Before;  // the diagnosis before a repair
  std::vector<DiagCheck> After;   // the diagnosis after it (or the diagnosis alone)
  std::vector<RepairStep> Steps;
};

// ---- the texts ----

inline constexpr std::wstring_view kNextRestart = L"Restart Windows to finish the reset.";
inline constexpr std::wstring_view kNextNoDHCP = L"No adapter has an address from a DHCP server.";

// & < > " ' as entities; characters outside printable ASCII as "&#N;"
// (a UTF-16 pair as one code point); tab, CR and LF as they are.
std::wstring HTMLEscape(std::wstring_view sText);

// The adapter check from the adapters' facts: a line per adapter and a
// "Problem:" line for each connected adapter with an automatic private
// address (169.254.x.x), no usable address, no gateway or no DNS server.
// Passed when at least one connected adapter has none of these problems.
DiagCheck JudgeAdapters(const std::vector<AdapterFacts>& adapters);

// What the technician does next: the restart when the Winsock or TCP/IP
// reset ran, the DHCP note when the interface resets were left out, each
// failed check of the last diagnosis by name; never empty.
std::vector<std::wstring> NextSteps(const RepairReport& r);

// The same facts as the page, one line each, for the debug log.
std::vector<std::wstring> ReportLines(const RepairReport& r);

// The page.
std::wstring ReportHTML(const RepairReport& r);

// "LumoBrowser_Repair_2024-05-01 14.03.59.html" for a date value.
std::wstring ReportFileName(double dDate);

// The host of a URL ("https://user@www.bing.com:443/search?q=" gives
// "www.bing.com"); "" when there is none.
std::wstring HostOfURL(std::wstring_view sURL);

}  // namespace Browser
