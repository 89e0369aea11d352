#include "repair/Browser_Diagnose.h"

#include <winsock2.h>
#include <ws2tcpip.h>
// after <winsock2.h>, which they need
#include <iphlpapi.h>
#include <process.h>
#include <wininet.h>

#include <algorithm>
#include <cstddef>
#include <memory>
#include <mutex>

#include "config/Config_Class.h"
#include "diag/App_Trace.h"
#include "platform/App_Platform.h"
#include "platform/App_Runtime.h"
#include "util/App_AnsiText.h"
#include "util/App_Handle.h"
#include "util/App_Variables.h"

namespace Browser {

namespace {

constexpr std::wstring_view kModule = L"Browser";

// The system's text for an error, with its number, for the report; from
// the module's own table when it has one (WinINet's codes). Untraced and
// uncached: it runs on the checks' threads.
std::wstring SystemText(DWORD lCode, HMODULE hFrom = nullptr) {
  std::wstring s = App_Debug::SystemMessageText(lCode, hFrom);
  while (!s.empty() && s.back() == L'.') s.pop_back();
  return (s.empty() ? L"error" : s) + L" (error " + std::to_wstring(lCode) + L")";
}

void AddOnce(std::vector<std::wstring>& list, const std::wstring& s) {
  if (!s.empty() && std::find(list.begin(), list.end(), s) == list.end()) list.push_back(s);
}

// Winsock for one check, started and cleaned up with it: name lookups and
// address texts. Its functions come from ws2_32.dll in the system folder.
class Winsock {
 public:
  Winsock() {
    using StartupFn = int(WSAAPI*)(WORD, LPWSADATA);
    const auto startup = App_Platform::Proc<StartupFn>(L"ws2_32.dll", "WSAStartup");
    getAddrInfo_ = App_Platform::Proc<GetAddrInfoFn>(L"ws2_32.dll", "getaddrinfo");
    freeAddrInfo_ = App_Platform::Proc<FreeAddrInfoFn>(L"ws2_32.dll", "freeaddrinfo");
    getNameInfo_ = App_Platform::Proc<GetNameInfoFn>(L"ws2_32.dll", "getnameinfo");
    cleanup_ = App_Platform::Proc<CleanupFn>(L"ws2_32.dll", "WSACleanup");
    WSADATA data{};
    started_ = startup && cleanup_ && startup(MAKEWORD(2, 2), &data) == 0;
  }
  ~Winsock() {
    if (started_) cleanup_();
  }
  Winsock(const Winsock&) = delete;
  Winsock& operator=(const Winsock&) = delete;
  bool Ready() const { return started_ && getAddrInfo_ && freeAddrInfo_ && getNameInfo_; }

  // The numeric text of an address ("10.0.0.5", "fe80::1%2").
  std::wstring Text(const sockaddr* sa, int lLen) const {
    char host[NI_MAXHOST] = {};
    if (!sa || !Ready() || getNameInfo_(sa, lLen, host, NI_MAXHOST, nullptr, 0, NI_NUMERICHOST) != 0)
      return {};
    return App_Strings::AnsiToWide(host);
  }

  // The host's addresses; 0, or the lookup's error code.
  int Resolve(const std::wstring& sHost, std::vector<std::wstring>& addresses) const {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int r = getAddrInfo_(App_Strings::WideToAnsi(sHost).c_str(), nullptr, &hints, &found);
    if (r != 0) return r;
    for (const addrinfo* a = found; a; a = a->ai_next)
      AddOnce(addresses, Text(a->ai_addr, static_cast<int>(a->ai_addrlen)));
    freeAddrInfo_(found);
    return 0;
  }

 private:
  using GetAddrInfoFn = int(WSAAPI*)(const char*, const char*, const addrinfo*, addrinfo**);
  using FreeAddrInfoFn = void(WSAAPI*)(addrinfo*);
  using GetNameInfoFn = int(WSAAPI*)(const sockaddr*, socklen_t, char*, DWORD, char*, DWORD, int);
  using CleanupFn = int(WSAAPI*)();
  GetAddrInfoFn getAddrInfo_ = nullptr;
  FreeAddrInfoFn freeAddrInfo_ = nullptr;
  GetNameInfoFn getNameInfo_ = nullptr;
  CleanupFn cleanup_ = nullptr;
  bool started_ = false;
};

// ---- adapters ----

// An IP Helper answer in a buffer that grows until the list fits.
template <class F>
std::vector<BYTE> AdapterBuffer(F&& query) {
  std::vector<BYTE> buf(16 * 1024);
  for (int tries = 0; tries < 4; ++tries) {
    ULONG size = static_cast<ULONG>(buf.size());
    const ULONG r = query(buf.data(), &size);
    if (r == ERROR_SUCCESS) return buf;
    if (r != ERROR_BUFFER_OVERFLOW) break;
    buf.resize(size + 1024);
  }
  return {};
}

// GetAdaptersInfo's IPv4 view, by adapter name: DHCP, addresses and
// gateways (GetAdaptersAddresses names no gateway before Vista).
std::vector<std::pair<std::string, AdapterFacts>> AdaptersInfo() {
  using InfoFn = ULONG(WINAPI*)(PIP_ADAPTER_INFO, PULONG);
  const auto info = App_Platform::Proc<InfoFn>(L"iphlpapi.dll", "GetAdaptersInfo");
  std::vector<std::pair<std::string, AdapterFacts>> out;
  if (!info) return out;
  const std::vector<BYTE> buf =
      AdapterBuffer([&](BYTE* p, ULONG* size) { return info(reinterpret_cast<PIP_ADAPTER_INFO>(p), size); });
  for (auto* a = buf.empty() ? nullptr : reinterpret_cast<const IP_ADAPTER_INFO*>(buf.data()); a;
       a = a->Next) {
    AdapterFacts f;
    f.sName = f.sDescription = App_Strings::AnsiToWide(a->Description);
    f.bDHCP = a->DhcpEnabled != 0;
    for (const IP_ADDR_STRING* s = &a->IpAddressList; s; s = s->Next)
      if (std::string(s->IpAddress.String) != "0.0.0.0")
        AddOnce(f.Addresses, App_Strings::AnsiToWide(s->IpAddress.String));
    for (const IP_ADDR_STRING* s = &a->GatewayList; s; s = s->Next)
      if (std::string(s->IpAddress.String) != "0.0.0.0")
        AddOnce(f.Gateways, App_Strings::AnsiToWide(s->IpAddress.String));
    f.bConnected = !f.Addresses.empty();
    out.emplace_back(a->AdapterName, std::move(f));
  }
  return out;
}

// The DNS servers of the machine, for the older view that has none per adapter.
std::vector<std::wstring> NetworkDNSServers() {
  using ParamsFn = DWORD(WINAPI*)(PFIXED_INFO, PULONG);
  const auto params = App_Platform::Proc<ParamsFn>(L"iphlpapi.dll", "GetNetworkParams");
  std::vector<std::wstring> out;
  if (!params) return out;
  const std::vector<BYTE> buf =
      AdapterBuffer([&](BYTE* p, ULONG* size) { return params(reinterpret_cast<PFIXED_INFO>(p), size); });
  if (buf.empty()) return out;
  for (const IP_ADDR_STRING* s = &reinterpret_cast<const FIXED_INFO*>(buf.data())->DnsServerList; s;
       s = s->Next)
    AddOnce(out, App_Strings::AnsiToWide(s->IpAddress.String));
  return out;
}

// GetAdaptersAddresses' view (Windows XP and later): every adapter but
// loopback and tunnels; false when the call is missing or fails.
bool AdaptersAddresses(std::vector<AdapterFacts>& out) {
  using AddressesFn = ULONG(WINAPI*)(ULONG, ULONG, PVOID, PIP_ADAPTER_ADDRESSES, PULONG);
  const auto addresses = App_Platform::Proc<AddressesFn>(L"iphlpapi.dll", "GetAdaptersAddresses");
  if (!addresses) return false;
  const auto query = [&](ULONG flags) {
    return AdapterBuffer([&](BYTE* p, ULONG* size) {
      return addresses(AF_UNSPEC, flags, nullptr, reinterpret_cast<PIP_ADAPTER_ADDRESSES>(p), size);
    });
  };
  constexpr ULONG kBase = GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST;
  constexpr ULONG kIncludeGateways = 0x80;  // GAA_FLAG_INCLUDE_GATEWAYS, Vista and later
  std::vector<BYTE> buf = query(kBase | kIncludeGateways);
  if (buf.empty()) buf = query(kBase);
  if (buf.empty()) return false;
  const Winsock ws;
  const auto older = AdaptersInfo();
  // The Vista layout is a longer record; the length says which one came.
  constexpr size_t kGatewayEnd = offsetof(IP_ADAPTER_ADDRESSES_LH, FirstGatewayAddress) + sizeof(void*);
  for (auto* a = reinterpret_cast<const IP_ADAPTER_ADDRESSES_LH*>(buf.data()); a; a = a->Next) {
    if (a->IfType == IF_TYPE_SOFTWARE_LOOPBACK || a->IfType == IF_TYPE_TUNNEL) continue;
    AdapterFacts f;
    f.sName = a->FriendlyName ? a->FriendlyName : L"";
    f.sDescription = a->Description ? a->Description : L"";
    f.bConnected = a->OperStatus == IfOperStatusUp;
    f.bDHCP = (a->Flags & IP_ADAPTER_DHCP_ENABLED) != 0;
    for (auto* u = a->FirstUnicastAddress; u; u = u->Next)
      AddOnce(f.Addresses, ws.Text(u->Address.lpSockaddr, u->Address.iSockaddrLength));
    for (auto* d = a->FirstDnsServerAddress; d; d = d->Next)
      AddOnce(f.DNSServers, ws.Text(d->Address.lpSockaddr, d->Address.iSockaddrLength));
    if (a->Length >= kGatewayEnd) {
      for (auto* g = a->FirstGatewayAddress; g; g = g->Next)
        AddOnce(f.Gateways, ws.Text(g->Address.lpSockaddr, g->Address.iSockaddrLength));
    }
    for (const auto& [sName, o] : older)
      if (a->AdapterName && sName == a->AdapterName)
        for (const std::wstring& g : o.Gateways) AddOnce(f.Gateways, g);
    out.push_back(std::move(f));
  }
  return true;
}

// ---- WinINet ----

// An Internet handle, closed with the function found at run time.
class InternetHandle {
 public:
  using CloseFn = BOOL(WINAPI*)(HINTERNET);
  InternetHandle(HINTERNET h, CloseFn close) : h_(h), close_(close) {}
  ~InternetHandle() {
    if (h_ && close_) close_(h_);
  }
  InternetHandle(const InternetHandle&) = delete;
  InternetHandle& operator=(const InternetHandle&) = delete;
  HINTERNET Get() const { return h_; }

 private:
  HINTERNET h_;
  CloseFn close_;
};

// WinINet's errors a technician meets most, in plain words.
constexpr struct {
  DWORD lCode;
  const wchar_t* sText;
} kInternetErrors[] = {
    {ERROR_INTERNET_TIMEOUT, L"the request timed out"},
    {ERROR_INTERNET_NAME_NOT_RESOLVED, L"the server name could not be resolved"},
    {ERROR_INTERNET_CANNOT_CONNECT, L"the connection was refused or could not be made"},
    {ERROR_INTERNET_CONNECTION_ABORTED, L"the connection was aborted"},
    {ERROR_INTERNET_CONNECTION_RESET, L"the connection was reset"},
    {ERROR_HTTP_INVALID_SERVER_RESPONSE, L"the server's answer could not be read"},
};

std::wstring InternetErrorText(DWORD lCode) {
  for (const auto& e : kInternetErrors)
    if (e.lCode == lCode) return std::wstring(e.sText) + L" (error " + std::to_wstring(lCode) + L")";
  return SystemText(lCode, ::GetModuleHandleW(L"wininet.dll"));
}

// The proxy that WinHTTP's default configuration names; declared here, as
// <winhttp.h> cannot be included beside <wininet.h>.
struct WinHttpProxyInfo {
  DWORD dwAccessType;
  LPWSTR lpszProxy;
  LPWSTR lpszProxyBypass;
};
constexpr DWORD kWinHttpNamedProxy = 3;  // WINHTTP_ACCESS_TYPE_NAMED_PROXY

// A text WinINet or WinHTTP allocated, taken over and freed.
std::wstring TakeGlobalText(LPWSTR p) {
  std::wstring s = p ? p : L"";
  if (p) ::GlobalFree(p);
  return s;
}

// ---- running the checks ----

struct CheckJob {
  std::function<DiagCheck()> fnCheck;
  DWORD lStart = 0;
  std::mutex lock;
  DiagCheck result;
  bool bFinished = false;
};

unsigned __stdcall CheckWorker(void* param) {
  const std::unique_ptr<std::shared_ptr<CheckJob>> owner(static_cast<std::shared_ptr<CheckJob>*>(param));
  CheckJob& job = **owner;
  DiagCheck r;
  try {
    r = job.fnCheck();
  } catch (...) {
    r.bOK = false;
    r.Details = {L"The check stopped with an unexpected error."};
  }
  r.lDurationMS = ::GetTickCount() - job.lStart;
  const std::lock_guard<std::mutex> g(job.lock);
  job.result = std::move(r);
  job.bFinished = true;
  return 0;
}

}  // namespace

DiagCheck CheckAdapters_NoLog() {
  std::vector<AdapterFacts> adapters;
  if (!AdaptersAddresses(adapters)) {
    const std::vector<std::wstring> dns = NetworkDNSServers();
    for (auto& [sName, f] : AdaptersInfo()) {
      f.DNSServers = dns;
      adapters.push_back(std::move(f));
    }
  }
  return JudgeAdapters(adapters);
}

DiagCheck CheckNameResolution_NoLog(const std::wstring& sHost) {
  DiagCheck c{L"Name resolution"};
  if (sHost.empty()) {
    c.Details.push_back(L"No host to look up.");
    return c;
  }
  const Winsock ws;
  if (!ws.Ready()) {
    c.Details.push_back(L"Winsock could not be started.");
    return c;
  }
  std::vector<std::wstring> addresses;
  const int r = ws.Resolve(sHost, addresses);
  c.bOK = r == 0 && !addresses.empty();
  c.Details.push_back(
      c.bOK ? sHost + L": " + addresses.front() +
                  (addresses.size() > 1 ? L" and " + std::to_wstring(addresses.size() - 1) + L" more" : L"")
            : sHost + L": not resolved: " + SystemText(static_cast<DWORD>(r)));
  return c;
}

DiagCheck CheckWebReachability_NoLog(const std::wstring& sURL, uint32_t lLimitMS) {
  DiagCheck c{L"Web reachability"};
  using OpenFn = HINTERNET(WINAPI*)(LPCWSTR, DWORD, LPCWSTR, LPCWSTR, DWORD);
  using SetOptionFn = BOOL(WINAPI*)(HINTERNET, DWORD, LPVOID, DWORD);
  using OpenUrlFn = HINTERNET(WINAPI*)(HINTERNET, LPCWSTR, LPCWSTR, DWORD, DWORD, DWORD_PTR);
  using QueryInfoFn = BOOL(WINAPI*)(HINTERNET, DWORD, LPVOID, LPDWORD, LPDWORD);
  const auto open = App_Platform::Proc<OpenFn>(L"wininet.dll", "InternetOpenW");
  const auto setOption = App_Platform::Proc<SetOptionFn>(L"wininet.dll", "InternetSetOptionW");
  const auto openUrl = App_Platform::Proc<OpenUrlFn>(L"wininet.dll", "InternetOpenUrlW");
  const auto queryInfo = App_Platform::Proc<QueryInfoFn>(L"wininet.dll", "HttpQueryInfoW");
  const auto close = App_Platform::Proc<InternetHandle::CloseFn>(L"wininet.dll", "InternetCloseHandle");
  if (sURL.empty() || !open || !setOption || !openUrl || !queryInfo || !close) {
    c.Details.push_back(sURL.empty() ? L"No address to fetch." : L"WinINet is not available.");
    return c;
  }
  // The connection the browser itself would use, its proxy included.
  const InternetHandle session(open(L"LumoBrowser", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0),
                               close);
  if (!session.Get()) {
    c.Details.push_back(L"WinINet could not start: " + InternetErrorText(::GetLastError()));
    return c;
  }
  DWORD lTimeout = lLimitMS;
  for (const DWORD option :
       {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT})
    setOption(session.Get(), option, &lTimeout, sizeof(lTimeout));
  DWORD lRetries = 1;
  setOption(session.Get(), INTERNET_OPTION_CONNECT_RETRIES, &lRetries, sizeof(lRetries));
  const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE |
                      INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI;
  const InternetHandle page(openUrl(session.Get(), sURL.c_str(), nullptr, 0, flags, 0), close);
  if (!page.Get()) {
    c.Details.push_back(L"GET " + sURL + L": " + InternetErrorText(::GetLastError()));
    return c;
  }
  DWORD lStatus = 0, size = sizeof(lStatus);
  if (!queryInfo(page.Get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &lStatus, &size, nullptr)) {
    c.Details.push_back(L"GET " + sURL + L": no status: " + InternetErrorText(::GetLastError()));
    return c;
  }
  c.bOK = lStatus >= 200 && lStatus < 300;
  c.Details.push_back(L"GET " + sURL + L": HTTP status " + std::to_wstring(lStatus));
  return c;
}

DiagCheck CheckProxy_NoLog() {
  DiagCheck c{L"Proxy", true};
  using QueryOptionFn = BOOL(WINAPI*)(HINTERNET, DWORD, LPVOID, LPDWORD);
  const auto queryOption = App_Platform::Proc<QueryOptionFn>(L"wininet.dll", "InternetQueryOptionW");
  INTERNET_PER_CONN_OPTIONW options[4] = {};
  options[0].dwOption = INTERNET_PER_CONN_FLAGS;
  options[1].dwOption = INTERNET_PER_CONN_PROXY_SERVER;
  options[2].dwOption = INTERNET_PER_CONN_PROXY_BYPASS;
  options[3].dwOption = INTERNET_PER_CONN_AUTOCONFIG_URL;
  INTERNET_PER_CONN_OPTION_LISTW list{};
  list.dwSize = sizeof(list);
  list.dwOptionCount = 4;
  list.pOptions = options;
  DWORD size = sizeof(list);
  if (queryOption && queryOption(nullptr, INTERNET_OPTION_PER_CONNECTION_OPTION, &list, &size)) {
    const DWORD lFlags = options[0].Value.dwValue;
    const std::wstring sServer = TakeGlobalText(options[1].Value.pszValue);
    const std::wstring sBypass = TakeGlobalText(options[2].Value.pszValue);
    const std::wstring sScript = TakeGlobalText(options[3].Value.pszValue);
    if (lFlags & PROXY_TYPE_PROXY) {
      c.Details.push_back(L"LAN settings: proxy server " + sServer +
                          (sBypass.empty() ? L"" : L"; not for " + sBypass));
      c.Details.push_back(
          L"A proxy server is set: if pages do not load, \"Clear Proxy Settings\" removes it.");
    } else {
      c.Details.push_back(L"LAN settings: no proxy server");
    }
    if (lFlags & PROXY_TYPE_AUTO_PROXY_URL)
      c.Details.push_back(L"LAN settings: configuration script " + sScript);
    if (lFlags & PROXY_TYPE_AUTO_DETECT)
      c.Details.push_back(L"LAN settings: settings detected automatically");
  } else {
    c.bOK = false;
    c.Details.push_back(L"LAN settings could not be read: " +
                        (queryOption ? InternetErrorText(::GetLastError()) : std::wstring(L"no WinINet")));
  }
  // WinHTTP came with Windows XP SP2.
  using DefaultProxyFn = BOOL(WINAPI*)(WinHttpProxyInfo*);
  const auto defaultProxy =
      App_Platform::Proc<DefaultProxyFn>(L"winhttp.dll", "WinHttpGetDefaultProxyConfiguration");
  WinHttpProxyInfo info{};
  if (!defaultProxy) {
    c.Details.push_back(L"WinHTTP: not on this Windows (before XP SP2); skipped");
  } else if (!defaultProxy(&info)) {
    c.bOK = false;
    c.Details.push_back(L"WinHTTP proxy could not be read: " + SystemText(::GetLastError()));
  } else {
    const std::wstring sServer = TakeGlobalText(info.lpszProxy);
    const std::wstring sBypass = TakeGlobalText(info.lpszProxyBypass);
    c.Details.push_back(info.dwAccessType == kWinHttpNamedProxy
                            ? L"WinHTTP: proxy server " + sServer +
                                  (sBypass.empty() ? L"" : L"; not for " + sBypass)
                            : L"WinHTTP: direct access (no proxy server)");
  }
  return c;
}

std::vector<DiagCheck> RunChecks_NoLog(const std::vector<DiagTask>& tasks, uint32_t lLimitMS) {
  const DWORD start = ::GetTickCount();
  std::vector<std::shared_ptr<CheckJob>> jobs;
  std::vector<App_Handle> threads;
  std::vector<HANDLE> pending;
  for (const DiagTask& task : tasks) {
    auto job = std::make_shared<CheckJob>();
    job->fnCheck = task.fnCheck;
    job->lStart = start;
    auto* param = new std::shared_ptr<CheckJob>(job);
    App_Handle thread(reinterpret_cast<HANDLE>(::_beginthreadex(nullptr, 0, CheckWorker, param, 0, nullptr)));
    if (thread.Valid()) {
      pending.push_back(thread.Get());
    } else {
      delete param;
      const std::lock_guard<std::mutex> g(job->lock);
      job->result.Details = {L"The check could not be started: " + SystemText(::GetLastError())};
      job->bFinished = true;
    }
    jobs.push_back(std::move(job));
    threads.push_back(std::move(thread));
  }
  bool bClosing = false;
  while (!pending.empty()) {
    const DWORD used = ::GetTickCount() - start;
    if (used >= lLimitMS) break;
    const int32_t r = App_Common::MsgWaitObj(static_cast<int32_t>(lLimitMS - used), pending.data(),
                                             static_cast<uint32_t>(pending.size()));
    if (r < 0 || r >= static_cast<int32_t>(pending.size())) {
      bClosing = r == App_Common::kMsgWaitQuit;
      break;
    }
    pending.erase(pending.begin() + r);
  }
  std::vector<DiagCheck> out;
  for (size_t i = 0; i < jobs.size(); ++i) {
    const std::lock_guard<std::mutex> g(jobs[i]->lock);
    DiagCheck r = jobs[i]->result;
    if (!jobs[i]->bFinished) {
      r.lDurationMS = ::GetTickCount() - start;
      r.Details = {bClosing ? std::wstring(L"Not finished: the program is closing.")
                            : L"No answer within " + std::to_wstring(lLimitMS / 1000) + L"." +
                                  std::to_wstring(lLimitMS % 1000 / 100) + L" s."};
    }
    r.sName = tasks[i].sName;
    out.push_back(std::move(r));
  }
  return out;
}

std::wstring DiagnoseCheckHost(std::wstring_view sSearchURL) {
  std::wstring sHost = Cfg().GetString(kSettingCheckHost);
  if (sHost.empty()) sHost = HostOfURL(sSearchURL);
  return sHost;
}

std::wstring DiagnoseCheckURL() {
  const std::wstring sURL = Cfg().GetString(kSettingCheckURL);
  return sURL.empty() ? std::wstring(kDefaultCheckURL) : sURL;
}

std::vector<DiagCheck> DiagnoseConnection(std::wstring_view sSearchURL, uint32_t lLimitMS) {
  App_Trace t(kModule, L"DiagnoseConnection");
  std::wstring sHost, sURL;
  t.Step([&] { sHost = DiagnoseCheckHost(sSearchURL); });
  t.Step([&] { sURL = DiagnoseCheckURL(); });
  t.Vars(vkCreated, {L"sHost", sHost, L"sURL", sURL, L"lLimitMS", static_cast<int32_t>(lLimitMS)});
  std::vector<DiagCheck> checks;
  t.Step([&] {
    // WinINet gets a little less than the check, so that its own error
    // names what it was waiting for.
    const uint32_t lWebMS = lLimitMS - lLimitMS / 5;
    checks = RunChecks_NoLog(
        {{L"Adapters", CheckAdapters_NoLog},
         {L"Name resolution", [sHost] { return CheckNameResolution_NoLog(sHost); }},
         {L"Web reachability", [sURL, lWebMS] { return CheckWebReachability_NoLog(sURL, lWebMS); }},
         {L"Proxy", CheckProxy_NoLog}},
        lLimitMS);
  });
  return checks;
}

}  // namespace Browser
