// The shape of every traced procedure, in one C++ form:
//
//   App_Trace t(L"App_Strings", L"SplitString");    // ProcNew
//   t.Vars(vkPassedByVal, {L"sFullStr", sFullStr});  // ProcVar
//   t.Step([&] { ... });                             // a failing step is logged, the next runs
//   t.Log(L"message", evNormal, pVar(L"x", x));      // dLog
//   ...                                              // ProcExit when t goes out of scope
//
// A step that throws (App_Err::Raise, std::bad_alloc, any exception) is
// logged as an ErrorHandler event against the call; nothing escapes.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "diag/App_Debug.h"
#include "diag/App_Err.h"

class App_Trace {
 public:
  App_Trace(std::wstring_view sModule, std::wstring_view sProcName, App_ProcType type = ptFunction) noexcept;
  ~App_Trace();
  App_Trace(const App_Trace&) = delete;
  App_Trace& operator=(const App_Trace&) = delete;

  int32_t ID() const { return id_; }

  // Runs one step. Returns true when it completed, false when it failed
  // (the failure is then logged against this call).
  template <class F>
  bool Step(F&& f) noexcept {
    try {
      f();
      return true;
    } catch (...) {
      App_Err::CaptureCurrentException();
      Failed();
      return false;
    }
  }

  void Vars(int32_t lVarKind, std::initializer_list<App_Variant> values) noexcept;
  void Log(std::wstring_view sMsg, int32_t lEventType = evNormal, std::wstring_view sVars = {},
           const App_ErrNumbers& vExpectedRT = {}, const App_ErrNumbers& vExpectedAPI = {}) noexcept;
  // After a failed system call: logs GetLastError(); returns it (0: nothing logged).
  int32_t APIError(std::wstring_view sMsg, std::wstring_view sVars = {},
                   const App_ErrNumbers& vExpectedAPI = {}) noexcept;

 private:
  void Failed() noexcept;
  int32_t id_ = 0;
};

// One step of an untraced routine that ignores its errors: a failure is
// cleared without a log line and the caller's next step runs.
template <class F>
bool App_QuietStep(F&& f) noexcept {
  try {
    f();
    return true;
  } catch (...) {
    App_Err::Clear();
    return false;
  }
}
