#include "platform/App_FSRedir.h"

#include <windows.h>

#include "diag/App_Err.h"
#include "platform/App_Env.h"
#include "platform/App_Platform.h"

namespace {

// A 32-bit process's answer to "do I run under WOW64?", asked once.
bool RealIsWow64() {
  static const bool wow64 = [] {
    using Fn = BOOL(WINAPI*)(HANDLE, PBOOL);
    const Fn f = App_Platform::Proc<Fn>(L"kernel32.dll", "IsWow64Process");
    BOOL b = FALSE;
    return f != nullptr && f(::GetCurrentProcess(), &b) && b;
  }();
  return wow64;
}

struct RedirState {
  bool off = false;
  void* old = nullptr;
};

RedirState& R() {
  static RedirState r;
  return r;
}

void MirrorRedirFlag() {
  try {
    AppEnv().State_Wow64FsRedirection_Disabled = R().off;
  } catch (...) {
    App_Err::Clear();
  }
}

}  // namespace

namespace App_Common {

bool IsWow64() {
  if (PlatformFake().IsWow64Process) return *PlatformFake().IsWow64Process;
  return RealIsWow64();
}

void DisableFSRedir() {
  RedirState& r = R();
  if (!r.off && IsWow64()) {
    if (PlatformFake().Wow64FsRedirection) {
      if (*PlatformFake().Wow64FsRedirection) {
        r.old = nullptr;
        r.off = true;
      }
    } else {
      using Fn = BOOL(WINAPI*)(PVOID*);
      const Fn disable = App_Platform::Proc<Fn>(L"kernel32.dll", "Wow64DisableWow64FsRedirection");
      PVOID old = nullptr;
      if (disable && disable(&old)) {
        r.old = old;
        r.off = true;
      }
    }
  }
  MirrorRedirFlag();
}

void RevertFSRedir() {
  RedirState& r = R();
  if (r.off && IsWow64()) {
    if (PlatformFake().Wow64FsRedirection) {
      if (*PlatformFake().Wow64FsRedirection) r.off = false;
    } else {
      using Fn = BOOL(WINAPI*)(PVOID);
      const Fn revert = App_Platform::Proc<Fn>(L"kernel32.dll", "Wow64RevertWow64FsRedirection");
      if (revert && revert(r.old)) r.off = false;
    }
    if (!r.off) r.old = nullptr;
  }
  MirrorRedirFlag();
}

bool FSRedirIsDisabled() {
  return R().off;
}

}  // namespace App_Common

App_FSRedirGuard::App_FSRedirGuard() {
  if (App_Common::FSRedirIsDisabled()) return;  // someone outside owns the switch
  App_Common::DisableFSRedir();
  disabled_ = App_Common::FSRedirIsDisabled();
}

App_FSRedirGuard::~App_FSRedirGuard() {
  if (disabled_) App_Common::RevertFSRedir();
}
