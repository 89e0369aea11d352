#include "platform/App_Runtime.h"

#include <windows.h>

#include <optional>

#include "platform/App_Env.h"
#include "platform/App_Platform.h"

namespace App_Common {

namespace {

std::optional<bool>& NeverLoadFormsSwitch() {
  static std::optional<bool>* s = new std::optional<bool>();
  return *s;
}

}  // namespace

bool NeverLoadForms() {
  return NeverLoadFormsSwitch().value_or(false);
}

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

int32_t MsgWaitObj(int32_t lTimeOut, void* const* handles, uint32_t lCount) {
  const bool bLimit = lTimeOut >= 0;
  const uint32_t lDeadline = App_Platform::TickCount() + static_cast<uint32_t>(lTimeOut);
  DWORD r = WAIT_FAILED;
  for (;;) {
    DWORD lRemaining = INFINITE;
    if (bLimit) {
      // Read as signed: once the deadline has passed this is negative, or
      // (across the wrap-around) larger than the whole time-out.
      const int32_t lLeft = static_cast<int32_t>(lDeadline - App_Platform::TickCount());
      if (lLeft < 0 || lLeft > lTimeOut) return static_cast<int32_t>(WAIT_TIMEOUT);
      lRemaining = static_cast<DWORD>(lLeft);
    }
    r = ::MsgWaitForMultipleObjects(lCount, handles, FALSE, lRemaining, QS_ALLINPUT);
    if (!DoEvents()) return kMsgWaitQuit;
    if (r != WAIT_OBJECT_0 + lCount) break;
  }
  return r == WAIT_FAILED ? -1 : static_cast<int32_t>(r);
}

bool QuitPending() {
  MSG msg;
  return ::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != FALSE;
}

std::wstring AppTitle() {
  return AppEnv().AppTitle;
}

}  // namespace App_Common
