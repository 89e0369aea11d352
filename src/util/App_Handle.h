// Small owners of system handles: each closes its handle when it goes out
// of scope, in the call that acquired it.
#pragma once

#include <windows.h>

#include <utility>

// A kernel handle closed with CloseHandle. Holds INVALID_HANDLE_VALUE or
// NULL when empty (both mean "no handle").
class App_Handle {
 public:
  App_Handle() = default;
  explicit App_Handle(HANDLE h) : h_(h) {}
  ~App_Handle() { Reset(); }
  App_Handle(App_Handle&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
  App_Handle& operator=(App_Handle&& o) noexcept {
    if (this != &o) {
      Reset();
      h_ = std::exchange(o.h_, nullptr);
    }
    return *this;
  }
  App_Handle(const App_Handle&) = delete;
  App_Handle& operator=(const App_Handle&) = delete;

  HANDLE Get() const { return h_; }
  bool Valid() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
  void Reset(HANDLE h = nullptr) {
    if (Valid()) ::CloseHandle(h_);
    h_ = h;
  }

 private:
  HANDLE h_ = nullptr;
};
