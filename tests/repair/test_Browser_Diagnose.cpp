// "Diagnose Connection" under Wine: the web check against a loopback
// server of the test's own, names through the machine's resolver, the
// adapters and the proxy as Wine reports them. Nothing leaves 127.0.0.1.
#include "lumo_net.h"
// first: <winsock2.h> goes before anything that brings in <windows.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "lumo_probe.h"
#include "registry/App_Registry.h"
#include "repair/Browser_Diagnose.h"

using namespace Browser;

namespace {

std::wstring Details(const DiagCheck& c) {
  std::wstring s;
  for (const std::wstring& d : c.Details) s += d + L"\n";
  return s;
}

}  // namespace

TEST(Diagnose, WebReachabilityNamesTheStatusOrTheError) {
  LumoLoopbackServer server, silent(true);
  const struct {
    std::wstring url;
    bool ok;
    std::vector<const wchar_t*> says;  // one of them
  } cases[] = {
      {server.URL(L"/ok"), true, {L"HTTP status 200"}},
      {server.URL(L"/missing"), false, {L"HTTP status 404"}},
      {LumoLoopbackServer::ClosedURL(), false, {L"refused"}},
      // WinINet's own time-outs, where they hold; the check's limit always.
      {silent.URL(L"/ok"), false, {L"timed out", L"No answer within 1.0 s."}},
  };
  for (const auto& c : cases) {
    const DWORD start = ::GetTickCount();
    const std::vector<DiagCheck> checks = RunChecks_NoLog(
        {{L"Web reachability", [&c] { return CheckWebReachability_NoLog(c.url, 800); }}}, 1000);
    const DWORD took = ::GetTickCount() - start;
    ASSERT_EQ(checks.size(), 1u);
    const std::wstring said = Details(checks[0]);
    EXPECT_EQ(checks[0].bOK, c.ok) << said;
    EXPECT_TRUE(std::any_of(c.says.begin(), c.says.end(), [&](const wchar_t* s) {
      return said.find(s) != std::wstring::npos;
    })) << said;
    EXPECT_LT(took, 1500u) << c.url;
  }
}

TEST(Diagnose, NamesResolveThroughTheMachinesResolver) {
  const struct {
    const wchar_t* host;
    bool ok;
  } cases[] = {{L"localhost", true}, {L"lumo-check.invalid", false}, {L"", false}};
  for (const auto& c : cases) EXPECT_EQ(CheckNameResolution_NoLog(c.host).bOK, c.ok) << c.host;
}

TEST(Diagnose, ASlowCheckIsCutAtItsLimitWhileTheWindowAnswers) {
  std::vector<DiagCheck> checks;
  const DWORD longest = LumoLongestAnswerWhile([&] {
    checks = RunChecks_NoLog({{L"Fast",
                               [] {
                                 return DiagCheck{L"", true, {L"quick"}};
                               }},
                              {L"Slow",
                               [] {
                                 ::Sleep(3000);
                                 return DiagCheck{L"", true};
                               }}},
                             1500);
  });
  // Well under the 1.5 s limit; the 32-bit road's emulated Wine answers slower.
  EXPECT_LT(longest, 500u);
  ASSERT_EQ(checks.size(), 2u);
  EXPECT_EQ(checks[0].sName, L"Fast");
  EXPECT_TRUE(checks[0].bOK);
  EXPECT_EQ(checks[0].Details, std::vector<std::wstring>{L"quick"});
  EXPECT_EQ(checks[1].sName, L"Slow");
  EXPECT_FALSE(checks[1].bOK);
  EXPECT_EQ(checks[1].Details, std::vector<std::wstring>{L"No answer within 1.5 s."});
  EXPECT_GE(checks[1].lDurationMS, 1500u);
  EXPECT_LT(checks[1].lDurationMS, 2900u);  // cut before the check would have ended
}

TEST(Diagnose, TheProxyInEffectAndTheAdaptersAreRead) {
  // A LAN proxy as malware leaves it: the check shows it as it is (the page escapes it).
  constexpr wchar_t kIS[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
  const std::wstring hostile = L"<script>&\"p\":8080";
  App_Registry::RegWriteValue(hkeyCurrentUser, kIS, L"ProxyServer", App_Registry::REGTYPE_SZ, hostile);
  App_Registry::RegWriteValue(hkeyCurrentUser, kIS, L"ProxyEnable", App_Registry::REGTYPE_DWORD, 1);
  const DiagCheck proxy = CheckProxy_NoLog();
  App_Registry::RegWriteValue(hkeyCurrentUser, kIS, L"ProxyEnable", App_Registry::REGTYPE_DWORD, 0);
  App_Registry::KillRegValueCode(hkeyCurrentUser, kIS, L"ProxyServer");
  EXPECT_TRUE(proxy.bOK) << Details(proxy);
  EXPECT_NE(Details(proxy).find(L"LAN settings: proxy server " + hostile), std::wstring::npos)
      << Details(proxy);
  EXPECT_NE(Details(proxy).find(L"WinHTTP: direct access (no proxy server)"), std::wstring::npos);
  const std::wstring page =
      ReportHTML({L"now", L"Diagnose Connection", L"Windows", false, false, {}, {proxy}});
  EXPECT_NE(page.find(L"&lt;script&gt;&amp;&quot;p&quot;:8080"), std::wstring::npos);
  EXPECT_EQ(page.find(hostile), std::wstring::npos);

  // Wine lists the machine's own adapters (not the loopback one).
  const DiagCheck adapters = CheckAdapters_NoLog();
  EXPECT_EQ(adapters.sName, L"Adapters");
  EXPECT_FALSE(adapters.Details.empty());
  EXPECT_EQ(Details(adapters).find(L"Loopback"), std::wstring::npos) << Details(adapters);
}
