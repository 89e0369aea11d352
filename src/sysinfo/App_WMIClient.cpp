#include "sysinfo/App_WMIClient.h"

#include <process.h>

#include <algorithm>
#include <memory>

#include "diag/App_Debug.h"
#include "platform/App_Platform.h"
#include "platform/App_Runtime.h"
#include "util/App_Handle.h"
#include "util/App_Strings.h"

namespace {

// wbemprox's locator; defined here so the program needs no extra GUID library.
const CLSID kCLSID_WbemLocator = {
    0x4590f811, 0x1d3a, 0x11d0, {0x89, 0x1f, 0x00, 0xaa, 0x00, 0x4b, 0x2e, 0x24}};

const wchar_t kConnectServer[] = L"IWbemLocator::ConnectServer";

// What a dead service answers; also what the fake "unreachable" gives.
const HRESULT kUnreachable = HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE);

std::wstring Hex(HRESULT hr) {
  wchar_t buf[16];
  ::wsprintfW(buf, L"0x%08lX", static_cast<unsigned long>(hr));
  return buf;
}

// Element types of a SAFEARRAY that fit the union of a VARIANT.
bool ScalarElement(VARTYPE vt) {
  switch (vt) {
    case VT_BSTR:
    case VT_I1:
    case VT_UI1:
    case VT_I2:
    case VT_UI2:
    case VT_I4:
    case VT_UI4:
    case VT_I8:
    case VT_UI8:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_R8:
    case VT_BOOL:
    case VT_DATE:
      return true;
    default:
      return false;
  }
}

// A VARIANT converted to one type, or false.
bool Convert(const VARIANT& src, VARTYPE vt, App_ComVariant& out) {
  return SUCCEEDED(::VariantChangeTypeEx(out.Receive(), const_cast<VARIANT*>(&src), LOCALE_USER_DEFAULT,
                                         VARIANT_ALPHABOOL, vt));
}

}  // namespace

// ---- owners ---------------------------------------------------------------

App_Bstr::App_Bstr(std::wstring_view s) {
  b_ = ::SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
}

App_Bstr& App_Bstr::operator=(App_Bstr&& o) noexcept {
  if (this != &o) {
    Reset();
    b_ = std::exchange(o.b_, nullptr);
  }
  return *this;
}

void App_Bstr::Reset() {
  if (b_) ::SysFreeString(std::exchange(b_, nullptr));
}

App_ComVariant::App_ComVariant(const App_ComVariant& o) {
  ::VariantInit(&v_);
  ::VariantCopy(&v_, const_cast<VARIANT*>(&o.v_));
}

App_ComVariant& App_ComVariant::operator=(const App_ComVariant& o) {
  if (this != &o) ::VariantCopy(Receive(), const_cast<VARIANT*>(&o.v_));
  return *this;
}

App_ComVariant::App_ComVariant(App_ComVariant&& o) noexcept {
  v_ = o.v_;  // a VARIANT moves by its bits
  ::VariantInit(&o.v_);
}

App_ComVariant& App_ComVariant::operator=(App_ComVariant&& o) noexcept {
  if (this != &o) {
    ::VariantClear(&v_);
    v_ = o.v_;
    ::VariantInit(&o.v_);
  }
  return *this;
}

VARIANT* App_ComVariant::Receive() {
  ::VariantClear(&v_);
  ::VariantInit(&v_);
  return &v_;
}

// ---- values ---------------------------------------------------------------

App_WMIValue App_WMIValue::Failed(HRESULT hr) {
  App_WMIValue v;
  v.hr_ = FAILED(hr) ? hr : E_FAIL;
  return v;
}

App_WMIValue App_WMIValue::Null() {
  App_WMIValue v;
  v.v_.Receive()->vt = VT_NULL;
  return v;
}

App_WMIValue App_WMIValue::Text(std::wstring_view s) {
  App_WMIValue v;
  VARIANT* p = v.v_.Receive();
  p->bstrVal = ::SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
  if (p->bstrVal)
    p->vt = VT_BSTR;
  else
    v.hr_ = E_OUTOFMEMORY;
  return v;
}

App_WMIValue App_WMIValue::Long(int32_t l) {
  App_WMIValue v;
  VARIANT* p = v.v_.Receive();
  p->vt = VT_I4;
  p->lVal = l;
  return v;
}

App_WMIValue App_WMIValue::Bool(bool b) {
  App_WMIValue v;
  VARIANT* p = v.v_.Receive();
  p->vt = VT_BOOL;
  p->boolVal = b ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}

App_WMIValue App_WMIValue::Take(App_ComVariant&& cv) {
  const VARTYPE base = cv.Type() & VT_TYPEMASK;
  if (base == VT_UNKNOWN || base == VT_DISPATCH || (cv.Type() & VT_BYREF)) return Failed(DISP_E_TYPEMISMATCH);
  App_WMIValue v;
  v.v_ = std::move(cv);
  return v;
}

bool App_WMIValue::ToText(std::wstring& s) const {
  if (!Read() || Type() == VT_NULL || (Type() & VT_ARRAY)) return false;
  if (Type() == VT_EMPTY) {
    s.clear();
    return true;
  }
  if (Type() == VT_BSTR) {
    const BSTR b = Raw().bstrVal;
    s.assign(b ? b : L"", b ? ::SysStringLen(b) : 0);
    return true;
  }
  App_ComVariant t;
  if (!Convert(Raw(), VT_BSTR, t)) return false;
  const BSTR b = t.Get().bstrVal;
  s.assign(b ? b : L"", b ? ::SysStringLen(b) : 0);
  return true;
}

bool App_WMIValue::ToLong(int32_t& l) const {
  if (!Read() || Type() == VT_NULL || (Type() & VT_ARRAY)) return false;
  App_ComVariant t;
  if (!Convert(Raw(), VT_I4, t)) return false;
  l = t.Get().lVal;
  return true;
}

bool App_WMIValue::ToBool(bool& b) const {
  if (!Read() || Type() == VT_NULL || (Type() & VT_ARRAY)) return false;
  App_ComVariant t;
  if (!Convert(Raw(), VT_BOOL, t)) return false;
  b = t.Get().boolVal != VARIANT_FALSE;
  return true;
}

bool App_WMIValue::ToTextList(std::vector<std::wstring>& list) const {
  if (!Read() || !(Type() & VT_ARRAY)) return false;
  SAFEARRAY* psa = Raw().parray;
  const VARTYPE elem = Type() & VT_TYPEMASK;
  if (!psa || ::SafeArrayGetDim(psa) != 1 || (elem != VT_VARIANT && !ScalarElement(elem))) return false;
  LONG lo = 0, hi = -1;
  if (FAILED(::SafeArrayGetLBound(psa, 1, &lo)) || FAILED(::SafeArrayGetUBound(psa, 1, &hi))) return false;
  std::vector<std::wstring> out;
  for (LONG i = lo; i <= hi; ++i) {
    App_WMIValue e;
    VARIANT* p = e.v_.Receive();
    HRESULT hr;
    if (elem == VT_VARIANT) {
      hr = ::SafeArrayGetElement(psa, &i, p);
    } else {
      hr = ::SafeArrayGetElement(psa, &i, &p->llVal);  // every member starts at the union's start
      if (SUCCEEDED(hr)) p->vt = elem;
    }
    std::wstring s;
    if (FAILED(hr) || !e.ToText(s)) return false;
    out.push_back(std::move(s));
  }
  list = std::move(out);
  return true;
}

void App_WMIRow::Set(std::wstring_view sName, App_WMIValue v) {
  for (auto& [name, value] : values_) {
    if (App_Strings::EqualText(name, sName, false)) {
      value = std::move(v);
      return;
    }
  }
  values_.emplace_back(std::wstring(sName), std::move(v));
}

const App_WMIValue& App_WMIRow::operator[](std::wstring_view sName) const {
  static const App_WMIValue* const notFound =
      new App_WMIValue(App_WMIValue::Failed(static_cast<HRESULT>(WBEM_E_NOT_FOUND)));
  for (const auto& [name, value] : values_)
    if (App_Strings::EqualText(name, sName, false)) return value;
  return *notFound;
}

std::wstring App_WMIResult::Describe() const {
  if (Succeeded()) return {};
  std::wstring s = FailedCall + L" failed (" + Hex(hr) + L")";
  const std::wstring text = App_Debug::SystemMessageText(static_cast<uint32_t>(hr));
  if (!text.empty()) s += L": " + text;
  if (!Note.empty()) s += (text.empty() ? L": " : L" ") + Note;
  return s;
}

// ---- the client -----------------------------------------------------------

App_WMIClient::App_WMIClient() = default;

App_WMIClient::~App_WMIClient() {
  // The COM objects go before COM itself (com_ is destroyed last).
  enum_.Reset();
  services_.Reset();
}

HRESULT App_WMIClient::Fail(const wchar_t* sCall, HRESULT hr) {
  failedCall_ = sCall;
  return hr;
}

HRESULT App_WMIClient::Connect(std::wstring_view sNamespace) {
  enum_.Reset();
  services_.Reset();
  failedCall_.clear();
  if (!com_.Usable()) return Fail(L"CoInitializeEx", com_.Result());
  if (PlatformFake().WMIUnreachable) return Fail(kConnectServer, kUnreachable);

  App_ComPtr<IWbemLocator> locator;
  HRESULT hr = ::CoCreateInstance(kCLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IWbemLocator),
                                  reinterpret_cast<void**>(locator.Receive()));
  if (FAILED(hr)) return Fail(L"CoCreateInstance(WbemLocator)", hr);
  App_Bstr ns(sNamespace);
  if (!ns.Valid()) return Fail(kConnectServer, E_OUTOFMEMORY);
  hr = locator->ConnectServer(ns.Get(), nullptr, nullptr, nullptr, WBEM_FLAG_CONNECT_USE_MAX_WAIT, nullptr,
                              nullptr, services_.Receive());
  if (FAILED(hr)) return Fail(kConnectServer, hr);
  if (!services_) return Fail(kConnectServer, E_POINTER);
  // Impersonate, as the scripting layer does by default. An in-process
  // service object (no proxy) has no blanket to set: E_NOINTERFACE.
  hr = ::CoSetProxyBlanket(services_.Get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                           RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
  if (FAILED(hr) && hr != E_NOINTERFACE) {
    services_.Reset();
    return Fail(L"CoSetProxyBlanket", hr);
  }
  return S_OK;
}

HRESULT App_WMIClient::ExecQuery(std::wstring_view sQuery, long lFlags) {
  enum_.Reset();
  failedCall_.clear();
  if (!services_) return Fail(L"IWbemServices::ExecQuery", E_POINTER);
  App_Bstr lang(L"WQL"), query(sQuery);
  if (!lang.Valid() || !query.Valid()) return Fail(L"IWbemServices::ExecQuery", E_OUTOFMEMORY);
  HRESULT hr = services_->ExecQuery(lang.Get(), query.Get(), lFlags, nullptr, enum_.Receive());
  if (SUCCEEDED(hr) && !enum_) hr = E_POINTER;
  return FAILED(hr) ? Fail(L"IWbemServices::ExecQuery", hr) : S_OK;
}

HRESULT App_WMIClient::InstancesOf(std::wstring_view sClassName, long lFlags) {
  enum_.Reset();
  failedCall_.clear();
  if (!services_) return Fail(L"IWbemServices::CreateInstanceEnum", E_POINTER);
  App_Bstr cls(sClassName);
  if (!cls.Valid()) return Fail(L"IWbemServices::CreateInstanceEnum", E_OUTOFMEMORY);
  HRESULT hr = services_->CreateInstanceEnum(cls.Get(), lFlags, nullptr, enum_.Receive());
  if (SUCCEEDED(hr) && !enum_) hr = E_POINTER;
  return FAILED(hr) ? Fail(L"IWbemServices::CreateInstanceEnum", hr) : S_OK;
}

HRESULT App_WMIClient::Next(long lTimeoutMS, const std::vector<std::wstring>& properties, App_WMIRow& row) {
  if (!enum_) return Fail(L"IEnumWbemClassObject::Next", E_POINTER);
  App_ComPtr<IWbemClassObject> obj;
  ULONG returned = 0;
  const HRESULT hr = enum_->Next(lTimeoutMS, 1, obj.Receive(), &returned);
  if (FAILED(hr)) return Fail(L"IEnumWbemClassObject::Next", hr);
  if (returned == 0 || !obj) {
    // WBEM_S_TIMEDOUT when the time ran out; anything else is the end.
    return hr == static_cast<HRESULT>(WBEM_S_TIMEDOUT) ? hr : static_cast<HRESULT>(WBEM_S_FALSE);
  }
  row = App_WMIRow();
  for (const std::wstring& name : properties) row.Set(name, ReadProperty(obj.Get(), name));
  return S_OK;
}

App_WMIValue App_WMIClient::ReadProperty(IWbemClassObject* pObject, std::wstring_view sName) {
  if (!pObject) return App_WMIValue::Failed(E_POINTER);
  const std::wstring name(sName);
  App_ComVariant v;
  const HRESULT hr = pObject->Get(name.c_str(), 0, v.Receive(), nullptr, nullptr);
  if (FAILED(hr)) return App_WMIValue::Failed(hr);
  return App_WMIValue::Take(std::move(v));
}

// ---- the bounded request ----------------------------------------------------

namespace {

volatile LONG g_runs = 0;
volatile LONG g_stuck = 0;
// The last time a request ran out of time (valid while g_timedOut is 1).
volatile LONG g_timedOut = 0;
volatile LONG g_timedOutTick = 0;
// How long after a time-out later requests fail at once. Start-up asks WMI
// three times in a row: a service that did not answer the first time does
// not get to hold start-up again.
constexpr DWORD kCoolDownMS = 30000;

// What the caller and its worker share; the last of the two frees it.
struct WMIJob {
  App_WMIRequest req;
  DWORD start = 0;
  DWORD connectDelay = 0;  // the platform fake of a service that does not answer
  App_Handle connected{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  CRITICAL_SECTION cs;
  // Under cs:
  App_WMIResult result;
  std::wstring stage = kConnectServer;  // the call the worker is in (COM set-up included)
  bool finished = false, abandoned = false;
  WMIJob() { ::InitializeCriticalSection(&cs); }
  ~WMIJob() { ::DeleteCriticalSection(&cs); }
};

class JobLock {
 public:
  explicit JobLock(WMIJob& j) : cs_(&j.cs) { ::EnterCriticalSection(cs_); }
  ~JobLock() { ::LeaveCriticalSection(cs_); }
  JobLock(const JobLock&) = delete;
  JobLock& operator=(const JobLock&) = delete;

 private:
  CRITICAL_SECTION* cs_;
};

void SetStage(WMIJob& job, const wchar_t* s) {
  JobLock lock(job);
  job.stage = s;
}

void Failure(WMIJob& job, const std::wstring& sCall, HRESULT hr, std::wstring sNote = {}) {
  JobLock lock(job);
  if (!job.result.FailedCall.empty()) return;
  job.result.FailedCall = sCall;
  job.result.hr = hr;
  job.result.Note = std::move(sNote);
}

// True when the caller has given up on the request.
bool Abandoned(WMIJob& job) {
  JobLock lock(job);
  return job.abandoned;
}

DWORD Elapsed(const WMIJob& job) {
  return ::GetTickCount() - job.start;
}

void Work(WMIJob& job) {
  const App_WMIRequest& r = job.req;
  App_WMIClient client;
  if (job.connectDelay) ::Sleep(job.connectDelay);
  HRESULT hr = client.Connect(r.Namespace);
  {
    JobLock lock(job);
    job.result.Connected = SUCCEEDED(hr);
  }
  ::SetEvent(job.connected.Get());
  if (FAILED(hr)) return Failure(job, client.FailedCall(), hr);
  if (Abandoned(job)) return;

  const bool byClass = !r.ClassName.empty();
  SetStage(job, byClass ? L"IWbemServices::CreateInstanceEnum" : L"IWbemServices::ExecQuery");
  hr = byClass ? client.InstancesOf(r.ClassName, r.Flags) : client.ExecQuery(r.Query, r.Flags);
  if (FAILED(hr)) return Failure(job, client.FailedCall(), hr);

  SetStage(job, L"IEnumWbemClassObject::Next");
  for (;;) {
    if (Abandoned(job)) return;
    const DWORD used = Elapsed(job);
    if (used >= r.TotalTimeoutMS) {
      return Failure(job, L"IEnumWbemClassObject::Next", static_cast<HRESULT>(WBEM_E_TIMED_OUT),
                     L"(the request ran out of its " + std::to_wstring(r.TotalTimeoutMS) + L" ms)");
    }
    const DWORD wait = std::min<DWORD>(r.ObjectTimeoutMS, r.TotalTimeoutMS - used);
    App_WMIRow row;
    hr = client.Next(static_cast<long>(wait), r.Properties, row);
    if (hr == S_OK) {
      JobLock lock(job);
      job.result.Rows.push_back(std::move(row));
      continue;
    }
    if (hr == static_cast<HRESULT>(WBEM_S_FALSE)) return;
    if (hr == static_cast<HRESULT>(WBEM_S_TIMEDOUT)) {
      return Failure(job, L"IEnumWbemClassObject::Next", static_cast<HRESULT>(WBEM_E_TIMED_OUT),
                     L"(no object within " + std::to_wstring(wait) + L" ms)");
    }
    return Failure(job, client.FailedCall(), hr);
  }
}

unsigned __stdcall Worker(void* p) {
  std::shared_ptr<WMIJob> job = std::move(*static_cast<std::shared_ptr<WMIJob>*>(p));
  delete static_cast<std::shared_ptr<WMIJob>*>(p);
  try {
    Work(*job);
  } catch (...) {
    try {
      Failure(*job, L"App_WMIClient", E_OUTOFMEMORY);
    } catch (...) {
    }
  }
  ::SetEvent(job->connected.Get());
  JobLock lock(*job);
  job->finished = true;
  if (job->abandoned) ::InterlockedDecrement(&g_stuck);
  return 0;
}

App_WMIResult FailAtOnce(DWORD start, const wchar_t* sCall, HRESULT hr, std::wstring sNote = {}) {
  App_WMIResult r;
  r.FailedCall = sCall;
  r.hr = hr;
  r.Note = std::move(sNote);
  r.ElapsedMS = ::GetTickCount() - start;
  return r;
}

}  // namespace

int32_t App_WMIClient::RunCount() {
  return g_runs;
}
int32_t App_WMIClient::StuckWorkers() {
  return g_stuck;
}
void App_WMIClient::ForgetTimeouts() {
  ::InterlockedExchange(&g_timedOut, 0);
}

App_WMIResult App_WMIClient::Run(const App_WMIRequest& request) {
  const DWORD start = ::GetTickCount();
  ::InterlockedIncrement(&g_runs);
  if (PlatformFake().WMIUnreachable) return FailAtOnce(start, kConnectServer, kUnreachable);
  if (g_stuck > 0 && !request.IgnoreEarlierTimeouts) {
    return FailAtOnce(start, kConnectServer, static_cast<HRESULT>(WBEM_E_TIMED_OUT),
                      L"(an earlier request is still waiting for the WMI service)");
  }
  if (g_timedOut && !request.IgnoreEarlierTimeouts) {
    const DWORD ago = start - static_cast<DWORD>(g_timedOutTick);
    if (ago < kCoolDownMS) {
      return FailAtOnce(start, kConnectServer, static_cast<HRESULT>(WBEM_E_TIMED_OUT),
                        L"(the WMI service did not answer in time " + std::to_wstring(ago) + L" ms ago)");
    }
  }
  try {
    auto job = std::make_shared<WMIJob>();
    job->req = request;
    job->start = start;
    job->connectDelay = PlatformFake().WMIConnectDelayMS;
    if (!job->connected.Valid())
      return FailAtOnce(start, L"CreateEventW", HRESULT_FROM_WIN32(::GetLastError()));

    auto* param = new std::shared_ptr<WMIJob>(job);
    App_Handle thread(reinterpret_cast<HANDLE>(::_beginthreadex(nullptr, 0, Worker, param, 0, nullptr)));
    if (!thread.Valid()) {
      const DWORD err = ::GetLastError();
      delete param;
      return FailAtOnce(start, L"_beginthreadex", HRESULT_FROM_WIN32(err ? err : ERROR_NOT_ENOUGH_MEMORY));
    }

    // First the connection, then the rest of the request, each within its limit.
    const DWORD connectLimit = std::min(request.ConnectTimeoutMS, request.TotalTimeoutMS);
    const auto wait = [&request](HANDLE h, DWORD ms) {
      if (!request.PumpMessages) return ::WaitForSingleObject(h, ms) == WAIT_OBJECT_0;
      return App_Common::MsgWaitObj(static_cast<int32_t>(std::min<DWORD>(ms, 0x7FFFFFFF)), &h, 1) == 0;
    };
    if (wait(job->connected.Get(), connectLimit)) {
      const DWORD used = ::GetTickCount() - start;
      const DWORD left = used < request.TotalTimeoutMS ? request.TotalTimeoutMS - used : 0;
      wait(thread.Get(), left);
    }

    JobLock lock(*job);
    App_WMIResult r = job->result;  // a copy: the worker may still add to its own
    if (!job->finished) {
      job->abandoned = true;
      ::InterlockedIncrement(&g_stuck);
      r.TimedOut = true;
      if (r.FailedCall.empty()) {
        const DWORD limit = r.Connected ? request.TotalTimeoutMS : connectLimit;
        r.FailedCall = job->stage;
        r.hr = static_cast<HRESULT>(WBEM_E_TIMED_OUT);
        r.Note = L"(timed out after " + std::to_wstring(limit) + L" ms)";
      }
    } else if (r.hr == static_cast<HRESULT>(WBEM_E_TIMED_OUT)) {
      r.TimedOut = true;
    }
    r.ElapsedMS = ::GetTickCount() - start;
    if (r.TimedOut) {
      ::InterlockedExchange(&g_timedOutTick, static_cast<LONG>(::GetTickCount()));
      ::InterlockedExchange(&g_timedOut, 1);
    }
    return r;
  } catch (...) {
    return FailAtOnce(start, L"App_WMIClient", E_OUTOFMEMORY);
  }
}
