#include "forms/App_InvForm.h"

#include "diag/App_Trace.h"

App_InvForm::App_InvForm() : App_Form(L"App_InvForm", L"", 300, 300) {}

void App_InvForm::Form_Load() {
  InMemory_ = true;
  IsLoaded_ = true;
  SetTranslucent(hWnd(), 0);
}

void App_InvForm::Form_QueryUnload(bool& /*bCancel*/) {
  IsLoaded_ = false;
}

App_InvForm& InvForm() {
  static App_InvForm form;
  return form;
}

bool SetTranslucent(HWND hWnd, BYTE bAlpha) {
  App_Trace t(L"Form_Helper", L"SetTranslucent");
  bool ok = false;
  t.Step([&] {
    if (!hWnd) return;
    ::SetWindowLongW(hWnd, GWL_EXSTYLE, ::GetWindowLongW(hWnd, GWL_EXSTYLE) | WS_EX_LAYERED);
    ok = ::SetLayeredWindowAttributes(hWnd, RGB(0, 0, 0), bAlpha, LWA_ALPHA) != FALSE;
    if (!ok) t.APIError(L"SetLayeredWindowAttributes");
  });
  return ok;
}
