// The WMI client: value conversions, the COM apartment it leaves behind,
// real queries against Wine's WMI, and the limits that keep a dead or slow
// service from holding the caller.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include "platform/App_Platform.h"
#include "sysinfo/App_WMIClient.h"

namespace {

// Runs f on a new thread (with no COM of its own) and waits for it.
void OnFreshThread(std::function<void()> f) {
  HANDLE h = ::CreateThread(
      nullptr, 0,
      [](void* p) WINAPI -> DWORD {
        (*static_cast<std::function<void()>*>(p))();
        return 0;
      },
      &f, 0, nullptr);
  ASSERT_NE(h, nullptr);
  ::WaitForSingleObject(h, INFINITE);
  ::CloseHandle(h);
}

// Polls until no given-up worker is left (they end on their own).
bool WaitForStuckWorkers() {
  for (int i = 0; i < 500 && App_WMIClient::StuckWorkers() > 0; ++i) ::Sleep(10);
  return App_WMIClient::StuckWorkers() == 0;
}

App_WMIRequest OperatingSystemRequest() {
  App_WMIRequest req;
  req.ClassName = L"Win32_OperatingSystem";
  req.Properties = {L"OperatingSystemSKU", L"Caption"};
  return req;
}

const HRESULT kNotFound = static_cast<HRESULT>(WBEM_E_NOT_FOUND);

// Each test starts with a service that answered and no worker left behind.
class WMIClient : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(WaitForStuckWorkers());
    App_WMIClient::ForgetTimeouts();
  }
  void TearDown() override {
    PlatformFake().WMIUnreachable = false;
    PlatformFake().WMIConnectDelayMS = 0;
    EXPECT_TRUE(WaitForStuckWorkers());
    App_WMIClient::ForgetTimeouts();
  }
};

}  // namespace

TEST(WMIValue, ConversionsFollowTheScriptingRules) {
  int32_t l = -7;
  bool b = true;
  std::wstring s = L"before";
  std::vector<std::wstring> list{L"old"};

  // A null value converts to nothing and leaves the target alone.
  const App_WMIValue null = App_WMIValue::Null();
  EXPECT_TRUE(null.IsNull());
  EXPECT_FALSE(null.ToLong(l) || null.ToBool(b) || null.ToText(s) || null.ToTextList(list));
  EXPECT_EQ(l, -7);
  EXPECT_EQ(s, L"before");
  EXPECT_EQ(list, std::vector<std::wstring>{L"old"});

  // An empty value is "", 0 and false.
  const App_WMIValue empty;
  EXPECT_TRUE(empty.ToText(s) && empty.ToLong(l) && empty.ToBool(b));
  EXPECT_EQ(s, L"");
  EXPECT_EQ(l, 0);
  EXPECT_FALSE(b);

  // Texts that hold numbers or Booleans convert; others do not.
  EXPECT_TRUE(App_WMIValue::Text(L" 512 ").ToLong(l));
  EXPECT_EQ(l, 512);
  EXPECT_FALSE(App_WMIValue::Text(L"abc").ToLong(l));
  EXPECT_FALSE(App_WMIValue::Text(L"4294967296").ToLong(l));  // beyond 32 bits
  EXPECT_EQ(l, 512);
  EXPECT_TRUE(App_WMIValue::Text(L"True").ToBool(b));
  EXPECT_TRUE(b);
  EXPECT_TRUE(App_WMIValue::Bool(true).ToText(s));
  EXPECT_EQ(s, L"True");
  EXPECT_FALSE(App_WMIValue::Text(L"10.0.0.5").ToTextList(list));  // a plain value is no list
  // Texts keep embedded NULs and their full length; copies are deep.
  App_WMIValue copy;
  {
    const App_WMIValue original = App_WMIValue::Text(std::wstring(L"a\0b", 3));
    copy = original;
  }
  EXPECT_TRUE(copy.ToText(s));
  EXPECT_EQ(s, std::wstring(L"a\0b", 3));

  // A value that could not be read converts to nothing and keeps its reason.
  const App_WMIValue failed = App_WMIValue::Failed(kNotFound);
  EXPECT_FALSE(failed.Read() || failed.IsNull() || failed.ToText(s));
  EXPECT_EQ(failed.ReadResult(), kNotFound);
  EXPECT_FALSE(App_WMIValue::Failed(S_OK).Read());  // a failure is never a success

  // Rows find their properties ignoring case; a missing one is "not found".
  App_WMIRow row;
  row.Set(L"Domain", App_WMIValue::Text(L"WORKGROUP"));
  row.Set(L"DOMAIN", App_WMIValue::Text(L"LAB"));  // replaces, does not add
  EXPECT_EQ(row.Size(), 1u);
  EXPECT_TRUE(row[L"domain"].ToText(s));
  EXPECT_EQ(s, L"LAB");
  EXPECT_EQ(row[L"Name"].ReadResult(), kNotFound);
}

TEST_F(WMIClient, RealQueriesUnderWine) {
  // Win32_OperatingSystem: one instance whose SKU is what GetProductInfo says.
  const App_WMIResult os = App_WMIClient::Run(OperatingSystemRequest());
  std::printf("[ timing ] first request of the process: %lu ms\n", os.ElapsedMS);
  ASSERT_TRUE(os.Succeeded()) << os.Describe().c_str();
  EXPECT_TRUE(os.Connected);
  EXPECT_FALSE(os.TimedOut);
  ASSERT_EQ(os.Rows.size(), 1u);
  using GetProductInfoFn = BOOL(WINAPI*)(DWORD, DWORD, DWORD, DWORD, PDWORD);
  auto getProductInfo = App_Platform::Proc<GetProductInfoFn>(L"kernel32.dll", "GetProductInfo");
  ASSERT_NE(getProductInfo, nullptr);
  DWORD product = 0;
  getProductInfo(6, 0, 0, 0, &product);
  int32_t sku = -1;
  ASSERT_TRUE(os.Rows[0][L"OperatingSystemSKU"].ToLong(sku));
  EXPECT_EQ(sku, static_cast<int32_t>(product));
  std::wstring caption;
  EXPECT_TRUE(os.Rows[0][L"caption"].ToText(caption));
  EXPECT_NE(caption.find(L"Windows"), std::wstring::npos);
  EXPECT_EQ(os.Rows[0][L"NoSuchProperty"].ReadResult(), kNotFound);

  // The adapters, forward only: addresses come as a text list, or null.
  App_WMIRequest nic;
  nic.Query = L"Select * from Win32_NetworkAdapterConfiguration where IPEnabled=TRUE";
  nic.Flags = WBEM_FLAG_RETURN_IMMEDIATELY | WBEM_FLAG_FORWARD_ONLY;
  nic.Properties = {L"Description", L"IPAddress", L"DHCPEnabled"};
  const App_WMIResult r = App_WMIClient::Run(nic);
  ASSERT_TRUE(r.Succeeded()) << r.Describe().c_str();
  bool anyAddress = false;
  for (const App_WMIRow& row : r.Rows) {
    std::vector<std::wstring> ips;
    bool dhcp = false;
    EXPECT_TRUE(row[L"DHCPEnabled"].ToBool(dhcp));
    if (row[L"IPAddress"].ToTextList(ips))
      anyAddress |= !ips.empty() && !ips[0].empty();
    else
      EXPECT_TRUE(row[L"IPAddress"].IsNull());
  }
  EXPECT_TRUE(anyAddress);
}

TEST_F(WMIClient, FailuresNameTheCallThatFailed) {
  App_WMIRequest req;
  req.Query = L"Selec garbage";
  App_WMIResult r = App_WMIClient::Run(req);
  EXPECT_TRUE(r.Connected);
  EXPECT_FALSE(r.TimedOut);
  EXPECT_EQ(r.FailedCall, L"IWbemServices::ExecQuery");
  EXPECT_EQ(r.Describe(), L"IWbemServices::ExecQuery failed (0x80041017)");

  req.Namespace = L"ROOT\\NoSuchNamespace";
  req.Query = L"Select * from Win32_ComputerSystem";
  r = App_WMIClient::Run(req);
  EXPECT_FALSE(r.Connected);
  EXPECT_EQ(r.FailedCall, L"IWbemLocator::ConnectServer");
  EXPECT_EQ(r.hr, static_cast<HRESULT>(WBEM_E_INVALID_NAMESPACE));

  // A service that is gone: the connection fails at once, with the system's text.
  PlatformFake().WMIUnreachable = true;
  r = App_WMIClient::Run(OperatingSystemRequest());
  App_WMIClient direct;
  const HRESULT directHr = direct.Connect();
  PlatformFake().WMIUnreachable = false;
  EXPECT_LT(r.ElapsedMS, 100u);
  EXPECT_EQ(r.hr, HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE));
  EXPECT_EQ(r.Describe().rfind(L"IWbemLocator::ConnectServer failed (0x800706BA): ", 0), 0u);
  EXPECT_TRUE(r.Rows.empty());
  EXPECT_EQ(directHr, HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE));
  EXPECT_EQ(direct.FailedCall(), L"IWbemLocator::ConnectServer");
}

TEST_F(WMIClient, LeavesTheThreadsApartmentAsItFoundIt) {
  // A thread without COM: the client initialises it and undoes that.
  OnFreshThread([] {
    {
      App_WMIClient c;
      ASSERT_EQ(c.Connect(), S_OK);
      ASSERT_EQ(c.ExecQuery(L"Select * from Win32_ComputerSystem", 16), S_OK);
      App_WMIRow row;
      EXPECT_EQ(c.Next(2000, {L"domain"}, row), S_OK);
      EXPECT_EQ(c.Next(2000, {L"domain"}, row), static_cast<HRESULT>(WBEM_S_FALSE));
    }
    const HRESULT hr = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    EXPECT_EQ(hr, S_OK);  // a first join: nothing was left behind
    if (SUCCEEDED(hr)) ::CoUninitialize();
  });

  // A multithreaded thread keeps its apartment, and the client works there.
  OnFreshThread([] {
    ASSERT_EQ(::CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    {
      App_WMIClient c;
      EXPECT_EQ(c.Connect(), S_OK);
      EXPECT_EQ(c.InstancesOf(L"Win32_OperatingSystem", 16), S_OK);
      App_WMIRow row;
      EXPECT_EQ(c.Next(2000, {L"OperatingSystemSKU"}, row), S_OK);
    }
    const HRESULT again = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    EXPECT_EQ(again, S_FALSE);  // still initialised: the client undid nothing
    if (SUCCEEDED(again)) ::CoUninitialize();
    ::CoUninitialize();
  });

  // Calls out of order fail instead of crashing.
  OnFreshThread([] {
    App_WMIClient c;
    App_WMIRow row;
    EXPECT_EQ(c.ExecQuery(L"Select * from Win32_ComputerSystem", 16), E_POINTER);
    EXPECT_EQ(c.FailedCall(), L"IWbemServices::ExecQuery");
    EXPECT_EQ(c.Next(10, {}, row), E_POINTER);
  });
}

TEST_F(WMIClient, AHungServiceHoldsTheCallerOnlyUntilTheLimit) {
  PlatformFake().WMIConnectDelayMS = 600;  // the service answers after 600 ms
  App_WMIRequest req = OperatingSystemRequest();
  req.ConnectTimeoutMS = 200;
  const int32_t runs = App_WMIClient::RunCount();
  App_WMIResult r = App_WMIClient::Run(req);
  EXPECT_EQ(App_WMIClient::RunCount(), runs + 1);
  EXPECT_GE(r.ElapsedMS, 190u);
  EXPECT_LT(r.ElapsedMS, 400u);
  EXPECT_TRUE(r.TimedOut);
  EXPECT_FALSE(r.Connected);
  EXPECT_EQ(r.Describe(),
            L"IWbemLocator::ConnectServer failed (0x80041069): (timed out after 200 ms)");
  EXPECT_EQ(App_WMIClient::StuckWorkers(), 1);

  // While the worker waits, and for a while after, the next caller is refused at once.
  App_WMIResult quick = App_WMIClient::Run(OperatingSystemRequest());
  EXPECT_LT(quick.ElapsedMS, 50u);
  EXPECT_EQ(quick.FailedCall, L"IWbemLocator::ConnectServer");
  EXPECT_EQ(quick.Note, L"(an earlier request is still waiting for the WMI service)");
  EXPECT_FALSE(quick.TimedOut);  // refused, not timed out: the half minute is not renewed
  ASSERT_TRUE(WaitForStuckWorkers());
  PlatformFake().WMIConnectDelayMS = 0;
  quick = App_WMIClient::Run(OperatingSystemRequest());
  EXPECT_LT(quick.ElapsedMS, 50u);
  EXPECT_NE(quick.Note.find(L"did not answer in time"), std::wstring::npos);

  // Once forgotten, requests reach the service again.
  App_WMIClient::ForgetTimeouts();
  r = App_WMIClient::Run(OperatingSystemRequest());
  EXPECT_TRUE(r.Succeeded()) << r.Describe().c_str();
  EXPECT_EQ(r.Rows.size(), 1u);
}
