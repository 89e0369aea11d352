#include "platform/App_Runtime.h"

#include <windows.h>

#include <optional>

#include "platform/App_Env.h"

namespace App_Common {

namespace {

std::optional<bool>& NeverLoadFormsSwitch() {
  static std::optional<bool>* s = new std::optional<bool>();
  return *s;
}

}  // namespace

bool NeverLoadForms() { return NeverLoadFormsSwitch().value_or(false); }

void SetNeverLoadForms(bool bValue) {
  if (!NeverLoadFormsSwitch()) NeverLoadFormsSwitch() = bValue;
}

bool DoEvents() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      return false;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return true;
}

bool QuitPending() {
  MSG msg;
  return ::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != FALSE;
}

std::wstring AppTitle() { return AppEnv().AppTitle; }

}  // namespace App_Common
