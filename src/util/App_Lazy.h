// A value that is worked out when it is first read: start-up installs how
// to get it, and only a reader pays for the asking (a WMI query, say).
#pragma once

#include <functional>
#include <memory>
#include <utility>

template <class T>
class App_Lazy {
 public:
  App_Lazy() = default;
  // A value set outright replaces any pending way of getting it.
  App_Lazy& operator=(T v) {
    fill_ = nullptr;
    value_ = std::move(v);
    return *this;
  }
  // How to get the value on its first read.
  void SetFiller(std::function<T()> fn) { fill_ = std::move(fn); }
  bool Pending() const { return static_cast<bool>(fill_); }

  const T& Get() const {
    if (fill_) {
      auto fn = std::move(fill_);
      fill_ = nullptr;  // asked once, even when the asking fails
      value_ = fn();
    }
    return value_;
  }
  operator const T&() const { return Get(); }

 private:
  mutable T value_{};
  mutable std::function<T()> fill_;
};

// Several values that one routine works out together: the first read of any
// of them runs the routine once, and the routine assigns them all.
template <class... T>
void App_LazyTogether(std::function<void()> fnFillAll, App_Lazy<T>&... values) {
  auto pending = std::make_shared<std::function<void()>>(std::move(fnFillAll));
  const auto fillOnce = [pending] {
    if (!*pending) return;
    auto fn = std::move(*pending);
    *pending = nullptr;
    fn();
  };
  (values.SetFiller([fillOnce, &values] {
     fillOnce();
     return values.Get();  // the routine has assigned it; nothing is pending
   }),
   ...);
}
