// A small client of Windows Management Instrumentation (WMI) through COM,
// and the owners it needs for COM pointers, BSTRs and VARIANTs.
//
// Two ways to use it:
//
//  - App_WMIClient::Run(request): the whole request (connect, query, read
//    the wanted properties of every object) runs on a worker thread of its
//    own, and the caller waits at most the limits of the request. A WMI
//    service that is stopped, broken or hung therefore never holds the
//    caller longer than that; a worker that is still stuck in the service
//    when its caller gives up is left to finish on its own. Until it has,
//    and for half a minute after any request ran out of time, later
//    requests fail at once instead of waiting again. The rows come back as
//    plain values that any thread may use. No logging is done here: the
//    caller logs the failure that the result describes.
//
//  - An App_WMIClient object: Connect, ExecQuery or InstancesOf, then Next
//    until it reports the end. Every call stays on the thread that made the
//    object (COM pointers belong to their apartment); COM is initialised
//    for the object's lifetime when that thread had not done it.
//
// PlatformFake().WMIUnreachable makes every connection fail at once, as if
// the WMI service were gone.
#pragma once

#include <oaidl.h>
#include <wbemcli.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/App_COMInit.h"

// ---- owners ---------------------------------------------------------------

// One reference to a COM object, released when the owner goes.
template <class T>
class App_ComPtr {
 public:
  App_ComPtr() = default;
  ~App_ComPtr() { Reset(); }
  App_ComPtr(App_ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  App_ComPtr& operator=(App_ComPtr&& o) noexcept {
    if (this != &o) {
      Reset();
      p_ = std::exchange(o.p_, nullptr);
    }
    return *this;
  }
  App_ComPtr(const App_ComPtr&) = delete;
  App_ComPtr& operator=(const App_ComPtr&) = delete;

  T* Get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // For an out parameter: releases the current object first.
  T** Receive() {
    Reset();
    return &p_;
  }
  void Reset() {
    if (p_) std::exchange(p_, nullptr)->Release();
  }

 private:
  T* p_ = nullptr;
};

// A BSTR, freed when the owner goes.
class App_Bstr {
 public:
  App_Bstr() = default;
  explicit App_Bstr(std::wstring_view s);
  ~App_Bstr() { Reset(); }
  App_Bstr(App_Bstr&& o) noexcept : b_(std::exchange(o.b_, nullptr)) {}
  App_Bstr& operator=(App_Bstr&& o) noexcept;
  App_Bstr(const App_Bstr&) = delete;
  App_Bstr& operator=(const App_Bstr&) = delete;

  BSTR Get() const { return b_; }
  // False when the text could not be allocated (a non-empty text was asked for).
  bool Valid() const { return b_ != nullptr; }
  void Reset();

 private:
  BSTR b_ = nullptr;
};

// A VARIANT, cleared when the owner goes.
class App_ComVariant {
 public:
  App_ComVariant() { ::VariantInit(&v_); }
  ~App_ComVariant() { ::VariantClear(&v_); }
  App_ComVariant(const App_ComVariant& o);
  App_ComVariant& operator=(const App_ComVariant& o);
  App_ComVariant(App_ComVariant&& o) noexcept;
  App_ComVariant& operator=(App_ComVariant&& o) noexcept;

  const VARIANT& Get() const { return v_; }
  VARTYPE Type() const { return v_.vt; }
  // For an out parameter: clears the current value first.
  VARIANT* Receive();

 private:
  VARIANT v_;
};

// ---- values ---------------------------------------------------------------

// One property of one WMI object as it was read. The conversions follow the
// implicit conversions of the scripting layer: a null value converts to
// nothing (false); an empty value gives "", 0 or false; anything else goes
// through VariantChangeTypeEx (numbers in range, "True"/"False" texts...).
class App_WMIValue {
 public:
  App_WMIValue() = default;                // an empty value
  static App_WMIValue Failed(HRESULT hr);  // reading it failed
  static App_WMIValue Null();
  static App_WMIValue Text(std::wstring_view s);
  static App_WMIValue Long(int32_t l);
  static App_WMIValue Bool(bool b);
  // Takes over a VARIANT that IWbemClassObject::Get filled. Objects
  // (VT_UNKNOWN, VT_DISPATCH) belong to their apartment and are refused.
  static App_WMIValue Take(App_ComVariant&& v);

  // S_OK when the property was read; the failure of the read otherwise.
  HRESULT ReadResult() const { return hr_; }
  bool Read() const { return SUCCEEDED(hr_); }
  bool IsNull() const { return Read() && v_.Type() == VT_NULL; }
  VARTYPE Type() const { return v_.Type(); }
  const VARIANT& Raw() const { return v_.Get(); }

  bool ToText(std::wstring& s) const;
  bool ToLong(int32_t& l) const;
  bool ToBool(bool& b) const;
  // A one-dimensional array of texts or numbers, each as text.
  bool ToTextList(std::vector<std::wstring>& list) const;

 private:
  HRESULT hr_ = S_OK;
  App_ComVariant v_;
};

// The properties read from one object, by name (ignoring case).
class App_WMIRow {
 public:
  void Set(std::wstring_view sName, App_WMIValue v);
  // A property that was not read gives a value that failed with WBEM_E_NOT_FOUND.
  const App_WMIValue& operator[](std::wstring_view sName) const;
  size_t Size() const { return values_.size(); }

 private:
  std::vector<std::pair<std::wstring, App_WMIValue>> values_;
};

// ---- the client -----------------------------------------------------------

struct App_WMIRequest {
  std::wstring Namespace = L"ROOT\\CIMV2";
  std::wstring Query;      // WQL for IWbemServices::ExecQuery ...
  std::wstring ClassName;  // ... or, when set instead, every instance of this class
  long Flags = WBEM_FLAG_RETURN_IMMEDIATELY;
  std::vector<std::wstring> Properties;  // what to read from each object
  // Limits, in milliseconds: for the connection, for each object to arrive,
  // and for the whole request from its start.
  DWORD ConnectTimeoutMS = 2000;
  DWORD ObjectTimeoutMS = 2000;
  DWORD TotalTimeoutMS = 3000;
  // Tried even while an earlier request is stuck or ran out of time a
  // moment ago: a question that gets its own chance, with its own limits.
  bool IgnoreEarlierTimeouts = false;
  // Asked on a window's thread: the wait handles the thread's messages, so
  // the window repaints and answers while WMI thinks. A WM_QUIT met on the
  // way ends the wait (the request counts as timed out; the message stays).
  bool PumpMessages = false;
};

struct App_WMIResult {
  HRESULT hr = S_OK;             // the failure, S_OK when the request completed
  std::wstring FailedCall;       // the call that failed ("IWbemLocator::ConnectServer", ...), "" when none
  std::wstring Note;             // what went wrong beyond the number ("timed out after 2000 ms", ...)
  bool Connected = false;        // the service was reached
  bool TimedOut = false;         // a limit ended the request
  std::vector<App_WMIRow> Rows;  // the objects read, in WMI's order (also those before a failure)
  DWORD ElapsedMS = 0;

  bool Succeeded() const { return FailedCall.empty(); }
  // "IWbemLocator::ConnectServer failed (0x800706BA): The RPC server is unavailable."
  std::wstring Describe() const;
};

class App_WMIClient {
 public:
  App_WMIClient();
  ~App_WMIClient();
  App_WMIClient(const App_WMIClient&) = delete;
  App_WMIClient& operator=(const App_WMIClient&) = delete;

  // IWbemLocator::ConnectServer with WBEM_FLAG_CONNECT_USE_MAX_WAIT, then the
  // impersonate blanket on the service proxy.
  HRESULT Connect(std::wstring_view sNamespace = L"ROOT\\CIMV2");
  HRESULT ExecQuery(std::wstring_view sQuery, long lFlags);
  HRESULT InstancesOf(std::wstring_view sClassName, long lFlags);
  // The next object: S_OK with its properties in row, WBEM_S_FALSE at the
  // end, WBEM_S_TIMEDOUT when none arrived in time, or the failure.
  HRESULT Next(long lTimeoutMS, const std::vector<std::wstring>& properties, App_WMIRow& row);
  // The name of the call that failed last ("" when none did).
  const std::wstring& FailedCall() const { return failedCall_; }

  static App_WMIValue ReadProperty(IWbemClassObject* pObject, std::wstring_view sName);

  // The whole request on a worker thread, bounded by its limits.
  static App_WMIResult Run(const App_WMIRequest& request);
  // Requests started by Run in this process (those that failed at once included).
  static int32_t RunCount();
  // Workers that were given up on and have not finished yet.
  static int32_t StuckWorkers();
  // Forgets that a request ran out of time: the next one tries the service again.
  static void ForgetTimeouts();

 private:
  HRESULT Fail(const wchar_t* sCall, HRESULT hr);

  App_COMInit com_;
  App_ComPtr<IWbemServices> services_;
  App_ComPtr<IEnumWbemClassObject> enum_;
  std::wstring failedCall_;
};
