// The report of a "Networking" command as text: escaping, the adapter
// verdict, what to do next, the page. No system header: the native build
// runs these too.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "repair/Browser_RepairReport.h"

using namespace Browser;

namespace {

bool AsciiOnly(const std::wstring& s) {
  for (wchar_t c : s)
    if (c > 0x7E || (c < 0x20 && c != L'\r' && c != L'\n' && c != L'\t')) return false;
  return true;
}

RepairStep Tool(const wchar_t* sWhat, bool bStarted = true) {
  return {RepairStepKind::Tool, sWhat, bStarted, 0, 10};
}

}  // namespace

TEST(RepairReport, EscapesEveryValueToPlainAscii) {
  const struct {
    std::wstring in, out;
  } cases[] = {
      {L"<script>alert(\"x\")</script>", L"&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt;"},
      {L"a & b 'c'", L"a &amp; b &#39;c&#39;"},
      {L"Caf\u00e9 \u0416", L"Caf&#233; &#1046;"},
      {L"\U0001F600", L"&#128512;"},
      {std::wstring(1, wchar_t(0xD800)) + L"x", L"&#65533;x"},
      {L"bell\a", L"bell&#65533;"},
      {L"", L""},
  };
  for (const auto& c : cases) EXPECT_EQ(HTMLEscape(c.in), c.out);
}

TEST(RepairReport, HostileValuesReachThePageEscaped) {
  const std::wstring hostile = L"<script>alert('p')</script>\"&<b>";
  RepairReport r{L"2024-05-01 14:03:59", L"Reset <Networking>", L"Windows 7 [Ultimate]", true, true};
  r.Before = {{L"Proxy", true, {L"LAN settings: proxy server " + hostile}, 20}};
  r.After = {{L"Proxy", false, {L"WinHTTP: proxy server " + hostile}, 30}};
  r.Steps = {{RepairStepKind::Registry, L"HKCU\\" + hostile, false, 0, 5}};
  const std::wstring page = ReportHTML(r);
  EXPECT_TRUE(AsciiOnly(page));
  EXPECT_EQ(page.find(L"<script"), std::wstring::npos);
  EXPECT_EQ(page.find(L"<b>"), std::wstring::npos);
  EXPECT_NE(
      page.find(
          L"LAN settings: proxy server &lt;script&gt;alert(&#39;p&#39;)&lt;/script&gt;&quot;&amp;&lt;b&gt;"),
      std::wstring::npos);
  EXPECT_NE(page.find(L"Reset &lt;Networking&gt;"), std::wstring::npos);
  // Before and after side by side, in one row.
  EXPECT_NE(page.find(L"<th>Before</th><th>After</th>"), std::wstring::npos);
  const size_t row = page.find(L"<tr><th>Proxy</th>");
  ASSERT_NE(row, std::wstring::npos);
  EXPECT_LT(page.find(L"OK (0.0 s)", row), page.find(L"FAILED (0.0 s)", row));
  // The debug log's lines carry the values as they are.
  const std::vector<std::wstring> lines = ReportLines(r);
  EXPECT_EQ(lines.front(), L"Network report: Reset <Networking>");
  EXPECT_EQ(lines[5], L"Check Proxy after: FAILED (0.0 s): WinHTTP: proxy server " + hostile);
}

TEST(RepairReport, NextStepsFollowWhatRan) {
  const DiagCheck ok{L"Adapters", true, {L"fine"}, 1};
  const DiagCheck web{L"Web reachability", false, {L"GET http://x/: HTTP status 404"}, 1};
  const struct {
    std::vector<RepairStep> steps;
    std::vector<DiagCheck> after;
    std::vector<std::wstring> next;
  } cases[] = {
      {{Tool(L"cmd.exe /c ipconfig /release all"), Tool(L"cmd.exe /c ipconfig /renew all")},
       {ok},
       {L"Nothing: every check passed."}},
      {{Tool(L"cmd.exe /c netsh winsock reset")}, {ok}, {std::wstring(kNextRestart)}},
      // A reset that never started needs no restart.
      {{Tool(L"cmd.exe /c netsh winsock reset", false)}, {ok}, {L"Nothing: every check passed."}},
      {{Tool(L"rundll32.exe setupapi.dll,InstallHinfSection DefaultInstall 132 "
             L"C:\\WINDOWS\\inf\\nettcpip.inf")},
       {ok, web},
       {std::wstring(kNextRestart),
        L"The check \"Web reachability\" failed: GET http://x/: HTTP status 404"}},
      {{Tool(L"cmd.exe /c netsh winsock reset"),
        {RepairStepKind::Skipped, L"cmd.exe /c netsh interface reset all", false, 0, 0}},
       {ok},
       {std::wstring(kNextRestart), std::wstring(kNextNoDHCP)}},
  };
  for (const auto& c : cases) {
    RepairReport r;
    r.bRepair = true;
    r.Steps = c.steps;
    r.After = c.after;
    EXPECT_EQ(NextSteps(r), c.next) << c.steps.front().sWhat;
  }
}

TEST(RepairReport, AdaptersAreFlaggedForWhatTheyLack) {
  const auto adapter = [](std::vector<std::wstring> ip, std::vector<std::wstring> gw,
                          std::vector<std::wstring> dns, bool bConnected = true) {
    return AdapterFacts{L"LAN",        L"Intel <PRO>", bConnected,    true,
                        std::move(ip), std::move(gw),  std::move(dns)};
  };
  const struct {
    std::vector<AdapterFacts> adapters;
    bool ok;
    std::vector<std::wstring> problems;
  } cases[] = {
      {{adapter({L"10.0.0.5", L"fe80::1"}, {L"10.0.0.1"}, {L"10.0.0.1"})}, true, {}},
      {{adapter({L"169.254.7.8"}, {}, {L"10.0.0.1"})},
       false,
       {L"Problem: LAN has automatic private address 169.254.7.8: no DHCP server answered",
        L"Problem: LAN has no address", L"Problem: LAN has no gateway"}},
      {{adapter({}, {L"10.0.0.1"}, {})},
       false,
       {L"Problem: LAN has no address", L"Problem: LAN has no DNS server"}},
      // An unplugged adapter is listed, not blamed; another one carries the connection.
      {{adapter({}, {}, {}, false), adapter({L"192.168.1.2"}, {L"192.168.1.1"}, {L"192.168.1.1"})}, true, {}},
      {{}, false, {}},
  };
  for (const auto& c : cases) {
    const DiagCheck check = JudgeAdapters(c.adapters);
    std::vector<std::wstring> problems;
    for (const std::wstring& d : check.Details)
      if (d.rfind(L"Problem: ", 0) == 0) problems.push_back(d);
    EXPECT_EQ(check.bOK, c.ok);
    EXPECT_EQ(problems, c.problems);
  }
  EXPECT_EQ(JudgeAdapters({adapter({L"10.0.0.5"}, {L"10.0.0.1"}, {L"10.0.0.2"})}).Details,
            std::vector<std::wstring>{L"LAN (Intel <PRO>): connected, DHCP; addresses: 10.0.0.5; gateway: "
                                      L"10.0.0.1; DNS servers: 10.0.0.2"});
}

TEST(RepairReport, HostsAndFileNames) {
  const struct {
    const wchar_t *url, *host;
  } cases[] = {
      {L"https://www.bing.com/search?q=", L"www.bing.com"},
      {L"http://user:pw@example.org:8080/x", L"example.org"},
      {L"http://[::1]:80/", L"::1"},
      {L"duckduckgo.com?q=", L"duckduckgo.com"},
      {L"", L""},
  };
  for (const auto& c : cases) EXPECT_EQ(HostOfURL(c.url), c.host);
  // 1 May 2024, 14:03:59.
  EXPECT_EQ(ReportFileName(45413.0 + (14 * 3600 + 3 * 60 + 59) / 86400.0),
            L"LumoBrowser_Repair_2024-05-01 14.03.59.html");
}
