#include "registry/App_FSRedir.h"

#include <windows.h>

namespace {
// Looked up at run time: 32-bit Windows XP has neither function.
using DisableFn = BOOL(WINAPI*)(PVOID*);
using RevertFn = BOOL(WINAPI*)(PVOID);

template <class F>
F Kernel32Proc(const char* name) {
  HMODULE k = ::GetModuleHandleW(L"kernel32.dll");
  return k ? reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(k, name))) : nullptr;
}
}  // namespace

App_FSRedirGuard::App_FSRedirGuard() {
  static const DisableFn disable = Kernel32Proc<DisableFn>("Wow64DisableWow64FsRedirection");
  if (disable) disabled_ = disable(&old_) != FALSE;
}

App_FSRedirGuard::~App_FSRedirGuard() {
  static const RevertFn revert = Kernel32Proc<RevertFn>("Wow64RevertWow64FsRedirection");
  if (disabled_ && revert) revert(old_);
}
