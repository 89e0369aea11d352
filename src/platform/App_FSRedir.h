// Switches the WOW64 file-system redirection off for the lifetime of the
// guard, so that a 32-bit process on 64-bit Windows sees the real System32.
// On systems without WOW64 (and in a 64-bit process) it does nothing.
//
// The guard goes through App_Common::DisableFSRedir / RevertFSRedir (a
// plain switch, not a counter), so the
// environment's State_Wow64FsRedirection_Disabled stays true while it is
// off. When redirection is already off on entry (an outer guard or a
// direct DisableFSRedir), the guard leaves it alone on exit as well.
#pragma once

namespace App_Common {

// ---- WOW64 file-system redirection ---------------------------------------------

// True when this 32-bit process runs on 64-bit Windows.
bool IsWow64();
void DisableFSRedir();
void RevertFSRedir();
// Whether DisableFSRedir has switched redirection off (and RevertFSRedir
// not yet back on).
bool FSRedirIsDisabled();

}  // namespace App_Common

class App_FSRedirGuard {
 public:
  App_FSRedirGuard();
  ~App_FSRedirGuard();
  App_FSRedirGuard(const App_FSRedirGuard&) = delete;
  App_FSRedirGuard& operator=(const App_FSRedirGuard&) = delete;
  // True when this guard switched redirection off (and will switch it back).
  bool Disabled() const { return disabled_; }

 private:
  bool disabled_ = false;
};
