#include "repair/Browser_RepairReport.h"

#include <algorithm>
#include <iterator>

#include "repair/Browser_IPAddress.h"
#include "util/App_Dates.h"
#include "util/App_Strings.h"

namespace Browser {

namespace {

std::wstring Joined(const std::vector<std::wstring>& items, std::wstring_view sSep) {
  std::wstring out;
  for (const std::wstring& s : items) {
    if (!out.empty()) out += sSep;
    out += s;
  }
  return out;
}

std::wstring ListOrNone(const std::vector<std::wstring>& items) {
  return items.empty() ? std::wstring(L"none") : Joined(items, L", ");
}

std::wstring Seconds(uint32_t lMS) {
  const uint32_t tenths = (lMS + 50) / 100;
  return std::to_wstring(tenths / 10) + L"." + std::to_wstring(tenths % 10) + L" s";
}

std::wstring CheckState(const DiagCheck& c) {
  return (c.bOK ? L"OK" : L"FAILED") + std::wstring(L" (") + Seconds(c.lDurationMS) + L")";
}

// How a step ended, in words: "started, exit code 0", "not started", ...
std::wstring StepResult(const RepairStep& s) {
  switch (s.Kind) {
    case RepairStepKind::Tool:
      return s.bDone ? L"started, exit code " + std::to_wstring(s.lExitCode) : L"not started";
    case RepairStepKind::Registry:
      return s.bDone ? L"done" : L"failed";
    case RepairStepKind::Skipped:
      return L"not run: no adapter has an address from a DHCP server";
  }
  return {};
}

bool RanReset(const RepairStep& s) {
  if (s.Kind != RepairStepKind::Tool || !s.bDone) return false;
  for (const wchar_t* sReset : {L"netsh winsock reset", L"netsh interface ip reset", L"nettcpip.inf"})
    if (App_Strings::InStr(s.sWhat, sReset, App_Strings::cmText)) return true;
  return false;
}

const DiagCheck* FindCheck(const std::vector<DiagCheck>& checks, const std::wstring& sName) {
  for (const DiagCheck& c : checks)
    if (c.sName == sName) return &c;
  return nullptr;
}

// The characters that markup gives a meaning, by their entities.
struct Entity {
  wchar_t c;
  const wchar_t* sText;
};
constexpr Entity kEntities[] = {
    {L'&', L"&amp;"}, {L'<', L"&lt;"}, {L'>', L"&gt;"}, {L'"', L"&quot;"}, {L'\'', L"&#39;"}};

// ---- the page's pieces ----

constexpr wchar_t kHead[] =
    L"<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\" \"http://www.w3.org/TR/html4/strict.dtd\">\r\n"
    L"<html><head>\r\n"
    L"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=us-ascii\">\r\n"
    L"<style type=\"text/css\">\r\n"
    L"body { font-family: Tahoma, Arial, sans-serif; font-size: 10pt; margin: 12px; }\r\n"
    L"h1 { font-size: 14pt; } h2 { font-size: 11pt; margin-top: 18px; }\r\n"
    L"table { border-collapse: collapse; }\r\n"
    L"th, td { border: 1px solid #a0a0a0; padding: 3px 6px; text-align: left; vertical-align: top; }\r\n"
    L"th { background: #e8e8e8; }\r\n"
    L".ok { color: #006000; font-weight: bold; } .bad { color: #b00000; font-weight: bold; }\r\n"
    L"</style>\r\n";

std::wstring Cell(std::wstring_view sText, std::wstring_view sTag = L"td") {
  return L"<" + std::wstring(sTag) + L">" + HTMLEscape(sText) + L"</" + std::wstring(sTag) + L">";
}

std::wstring CheckCell(const DiagCheck* c) {
  if (!c) return L"<td>-</td>";
  std::wstring out = L"<td><span class=\"" + std::wstring(c->bOK ? L"ok" : L"bad") + L"\">" +
                     HTMLEscape(CheckState(*c)) + L"</span>";
  for (const std::wstring& d : c->Details) out += L"<br>" + HTMLEscape(d);
  return out + L"</td>";
}

std::wstring FactRow(std::wstring_view sName, std::wstring_view sValue) {
  return L"<tr>" + Cell(sName, L"th") + Cell(sValue) + L"</tr>\r\n";
}

}  // namespace

std::wstring HTMLEscape(std::wstring_view sText) {
  std::wstring out;
  out.reserve(sText.size() + 16);
  for (size_t i = 0; i < sText.size(); ++i) {
    const wchar_t c = sText[i];
    const auto entity =
        std::find_if(std::begin(kEntities), std::end(kEntities), [c](const Entity& e) { return e.c == c; });
    if (entity != std::end(kEntities)) {
      out += entity->sText;
      continue;
    }
    if ((c >= 0x20 && c < 0x7F) || c == L'\t' || c == L'\r' || c == L'\n') {
      out += c;
      continue;
    }
    // wchar_t is UTF-16 on Windows (a pair is one character) and a whole
    // code point where the pure logic is built natively.
    uint32_t cp = static_cast<uint32_t>(c);
    const uint32_t next = i + 1 < sText.size() ? static_cast<uint32_t>(sText[i + 1]) : 0;
    if (cp >= 0xD800 && cp <= 0xDBFF && (next & ~0x3FFu) == 0xDC00) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (next - 0xDC00);
      ++i;
    } else if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF || cp < 0x20 || cp == 0x7F) {
      cp = 0xFFFD;  // a lone half or a control character has no business on the page
    }
    out += L"&#" + std::to_wstring(cp) + L";";
  }
  return out;
}

DiagCheck JudgeAdapters(const std::vector<AdapterFacts>& adapters) {
  DiagCheck c{L"Adapters"};
  for (const AdapterFacts& a : adapters) {
    std::wstring sLine = a.sName;
    if (!a.sDescription.empty() && a.sDescription != a.sName) sLine += L" (" + a.sDescription + L")";
    sLine += a.bConnected ? L": connected" : L": not connected";
    sLine += a.bDHCP ? L", DHCP" : L", fixed address";
    sLine += L"; addresses: " + ListOrNone(a.Addresses) + L"; gateway: " + ListOrNone(a.Gateways) +
             L"; DNS servers: " + ListOrNone(a.DNSServers);
    c.Details.push_back(sLine);
    if (!a.bConnected) continue;
    std::vector<std::wstring> problems;
    bool bUsable = false;
    for (const std::wstring& ip : a.Addresses) {
      if (App_Strings::StringStartsWith(ip, L"169.254.", true))
        problems.push_back(L"automatic private address " + ip + L": no DHCP server answered");
      bUsable = bUsable || ValidateIPAddress(ip, true);
    }
    if (!bUsable) problems.push_back(L"no address");
    if (a.Gateways.empty()) problems.push_back(L"no gateway");
    if (a.DNSServers.empty()) problems.push_back(L"no DNS server");
    for (const std::wstring& p : problems) c.Details.push_back(L"Problem: " + a.sName + L" has " + p);
    c.bOK = c.bOK || problems.empty();
  }
  if (adapters.empty())
    c.Details.push_back(L"No network adapter found.");
  else if (!c.bOK)
    c.Details.push_back(L"No connected adapter has an address, a gateway and a DNS server.");
  return c;
}

std::vector<std::wstring> NextSteps(const RepairReport& r) {
  std::vector<std::wstring> out;
  if (std::any_of(r.Steps.begin(), r.Steps.end(), RanReset)) out.emplace_back(kNextRestart);
  if (std::any_of(r.Steps.begin(), r.Steps.end(),
                  [](const RepairStep& s) { return s.Kind == RepairStepKind::Skipped; }))
    out.emplace_back(kNextNoDHCP);
  for (const DiagCheck& c : r.After) {
    if (c.bOK) continue;
    std::wstring sLine = L"The check \"" + c.sName + L"\" failed";
    if (!c.Details.empty()) sLine += L": " + c.Details.back();
    out.push_back(sLine);
  }
  if (out.empty()) out.emplace_back(L"Nothing: every check passed.");
  return out;
}

std::vector<std::wstring> ReportLines(const RepairReport& r) {
  std::vector<std::wstring> out = {
      L"Network report: " + r.sCommand,
      L"When: " + r.sWhen,
      L"Windows: " + r.sWindows,
      L"Administrator: " + std::wstring(r.bAdmin ? L"yes" : L"no"),
  };
  const auto addChecks = [&out](const std::vector<DiagCheck>& checks, std::wstring_view sWhen) {
    for (const DiagCheck& c : checks)
      out.push_back(L"Check " + c.sName + std::wstring(sWhen) + L": " + CheckState(c) +
                    (c.Details.empty() ? L"" : L": " + Joined(c.Details, L" | ")));
  };
  addChecks(r.Before, L" before");
  addChecks(r.After, r.bRepair ? L" after" : L"");
  for (const RepairStep& s : r.Steps)
    out.push_back(L"Step: " + s.sWhat + L": " + StepResult(s) + L" (" + Seconds(s.lDurationMS) + L")");
  for (const std::wstring& s : NextSteps(r)) out.push_back(L"Next: " + s);
  return out;
}

std::wstring ReportHTML(const RepairReport& r) {
  std::wstring h = kHead;
  h += L"<title>" + HTMLEscape(L"Network report: " + r.sCommand) + L"</title>\r\n</head><body>\r\n";
  h += L"<h1>" + HTMLEscape(L"Network report: " + r.sCommand) + L"</h1>\r\n<table>\r\n";
  h += FactRow(L"When", r.sWhen) + FactRow(L"Command", r.sCommand) + FactRow(L"Windows", r.sWindows) +
       FactRow(L"Administrator", r.bAdmin ? L"yes" : L"no");
  h += L"</table>\r\n<h2>What to do next</h2>\r\n<ul>\r\n";
  for (const std::wstring& s : NextSteps(r)) h += L"<li>" + HTMLEscape(s) + L"</li>\r\n";
  h += L"</ul>\r\n<h2>Diagnosis</h2>\r\n<table>\r\n<tr><th>Check</th>";
  h += r.bRepair ? L"<th>Before</th><th>After</th></tr>\r\n" : L"<th>Result</th></tr>\r\n";
  for (const DiagCheck& c : r.After) {
    h += L"<tr>" + Cell(c.sName, L"th");
    if (r.bRepair) h += CheckCell(FindCheck(r.Before, c.sName));
    h += CheckCell(&c) + L"</tr>\r\n";
  }
  h += L"</table>\r\n";
  if (r.bRepair) {
    h += L"<h2>Steps</h2>\r\n<table>\r\n<tr><th>#</th><th>Step</th><th>Result</th><th>Duration</th></tr>\r\n";
    for (size_t i = 0; i < r.Steps.size(); ++i) {
      const RepairStep& s = r.Steps[i];
      h += L"<tr>" + Cell(std::to_wstring(i + 1)) + Cell(s.sWhat) + Cell(StepResult(s)) +
           Cell(Seconds(s.lDurationMS)) + L"</tr>\r\n";
    }
    h += L"</table>\r\n";
  }
  return h + L"</body></html>\r\n";
}

std::wstring ReportFileName(double dDate) {
  return L"LumoBrowser_Repair_" + App_Dates::FormatDate(dDate, L"yyyy-mm-dd hh.nn.ss") + L".html";
}

std::wstring HostOfURL(std::wstring_view sURL) {
  std::wstring_view s = sURL;
  if (const size_t scheme = s.find(L"://"); scheme != std::wstring_view::npos) s.remove_prefix(scheme + 3);
  s = s.substr(0, s.find_first_of(L"/?#"));
  if (const size_t at = s.rfind(L'@'); at != std::wstring_view::npos) s.remove_prefix(at + 1);
  if (!s.empty() && s.front() == L'[') return std::wstring(s.substr(1, s.find(L']') - 1));
  return std::wstring(s.substr(0, s.find(L':')));
}

}  // namespace Browser
