// Owners of system handles: each releases its handle when it goes out of
// scope, in the scope that acquired it. One template serves every kind of
// handle; a kind only says what "empty" is and how its handle is released.
#pragma once

#include <windows.h>

#include <utility>

// Traits: static bool Valid(T) and static void Release(T).
template <class T, class Traits>
class App_Owner {
 public:
  App_Owner() = default;
  explicit App_Owner(T h) : h_(h) {}
  ~App_Owner() { Reset(); }
  App_Owner(App_Owner&& o) noexcept : h_(std::exchange(o.h_, T{})) {}
  App_Owner& operator=(App_Owner&& o) noexcept {
    if (this != &o) {
      Reset();
      h_ = std::exchange(o.h_, T{});
    }
    return *this;
  }
  App_Owner(const App_Owner&) = delete;
  App_Owner& operator=(const App_Owner&) = delete;

  T Get() const { return h_; }
  bool Valid() const { return Traits::Valid(h_); }
  // Releases the handle held (if any) and keeps h instead.
  void Reset(T h = T{}) {
    if (Valid()) Traits::Release(h_);
    h_ = h;
  }
  // For the out parameter of an opening call: releases any handle held and
  // hands out the slot.
  T* Put() {
    Reset();
    return &h_;
  }

 private:
  T h_{};
};

// Kernel handles: NULL and INVALID_HANDLE_VALUE both mean "no handle".
struct App_KernelHandleTraits {
  static bool Valid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Release(HANDLE h) { ::CloseHandle(h); }
};
using App_Handle = App_Owner<HANDLE, App_KernelHandleTraits>;

// Handles of FindFirstFileW, closed with FindClose.
struct App_FindHandleTraits {
  static bool Valid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Release(HANDLE h) { ::FindClose(h); }
};
using App_FindHandle = App_Owner<HANDLE, App_FindHandleTraits>;
