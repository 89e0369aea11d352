// Switches the WOW64 file-system redirection off for the lifetime of the
// guard, so that a 32-bit process on 64-bit Windows sees the real System32.
// On systems without WOW64 (and in a 64-bit process) it does nothing.
#pragma once

class App_FSRedirGuard {
 public:
  App_FSRedirGuard();
  ~App_FSRedirGuard();
  App_FSRedirGuard(const App_FSRedirGuard&) = delete;
  App_FSRedirGuard& operator=(const App_FSRedirGuard&) = delete;
  bool Disabled() const { return disabled_; }

 private:
  void* old_ = nullptr;
  bool disabled_ = false;
};
