// Opens the browser window in this process (the recording web view) and
// presses the browser keys with the focus in the address box and in the web
// view, through the window's own message handling. One line per key:
//   key=<name>@<address|view> did=<what the web view recorded> focus=<address|view|other> sel=<all|part>
// The keyboard state (Ctrl) belongs to the thread, so the keys are pressed here.
#include <windows.h>

#include <cstdio>
#include <string>

#include "app/App_Common.h"
#include "browser/BrowserUI.h"
#include "config/Config_Init.h"
#include "gui/gui_driver.h"

namespace {

std::wstring TextOf(HWND h) {
  wchar_t buf[8192] = {};
  ::GetWindowTextW(h, buf, 8192);
  return buf;
}

void Pump() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (BrowserUI::PreTranslateMessage(msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

void SetCtrl(bool bDown) {
  BYTE keys[256] = {};
  ::GetKeyboardState(keys);
  keys[VK_CONTROL] = keys[VK_LCONTROL] = bDown ? 0x80 : 0;
  ::SetKeyboardState(keys);
}

struct Key {
  const wchar_t* name;
  UINT message;
  WPARAM vk;
  bool alt, ctrl;
};

}  // namespace

int wmain() {
  ::SetEnvironmentVariableW(L"LUMO_TEST_WEBVIEW", L"record");
  App_Common::InitApp(false, L".\\");
  Config_Init::InitConfig(false, false, true);
  if (!BrowserUI::Show()) return 2;
  HWND form = gui::VisibleForm(true);
  if (!form) return 3;
  // The web view comes once the frame has painted.
  for (DWORD until = ::GetTickCount() + 5000;
       !::FindWindowExW(form, nullptr, L"LumoRecordingWebView", nullptr) && ::GetTickCount() < until;) {
    Pump();
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  HWND combo = ::FindWindowExW(form, nullptr, L"ComboBox", nullptr);
  HWND edit = ::GetWindow(combo, GW_CHILD);
  HWND view = ::FindWindowExW(form, nullptr, L"LumoRecordingWebView", nullptr);
  if (!edit || !view) return 4;
  ::SetWindowTextW(combo, L"http://typed.example/");

  const Key keys[] = {
      {L"Alt+Left", WM_SYSKEYDOWN, VK_LEFT, true, false},
      {L"Alt+Right", WM_SYSKEYDOWN, VK_RIGHT, true, false},
      {L"F5", WM_KEYDOWN, VK_F5, false, false},
      {L"Ctrl+L", WM_KEYDOWN, 'L', false, true},
      {L"Alt+D", WM_SYSKEYDOWN, 'D', true, false},
      {L"F6", WM_KEYDOWN, VK_F6, false, false},
      {L"Esc", WM_KEYDOWN, VK_ESCAPE, false, false},
      {L"Left", WM_KEYDOWN, VK_LEFT, false, false},
      {L"A", WM_KEYDOWN, 'A', false, false},
      {L"Ctrl+Alt+D", WM_SYSKEYDOWN, 'D', true, true},
      {L"XButton1", WM_XBUTTONUP, MAKEWPARAM(0, XBUTTON1), false, false},
      {L"XButton2", WM_XBUTTONUP, MAKEWPARAM(0, XBUTTON2), false, false},
      {L"Ctrl+F", WM_KEYDOWN, 'F', false, true},
      {L"Ctrl+P", WM_KEYDOWN, 'P', false, true},
      {L"Ctrl+Plus", WM_KEYDOWN, VK_OEM_PLUS, false, true},
      {L"Ctrl+NumMinus", WM_KEYDOWN, VK_SUBTRACT, false, true},
      {L"Ctrl+0", WM_KEYDOWN, '0', false, true},
      {L"Ctrl+WheelUp", WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, WHEEL_DELTA), false, false},
      {L"Ctrl+WheelDown", WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, -WHEEL_DELTA), false, false},
      {L"Ctrl+Alt+F", WM_SYSKEYDOWN, 'F', true, true},
      {L"Ctrl+Alt+0", WM_SYSKEYDOWN, '0', true, true},
  };
  for (HWND target : {edit, view}) {
    for (const Key& k : keys) {
      ::SetFocus(target);
      ::SendMessageW(edit, EM_SETSEL, 0, 0);
      Pump();
      const size_t before = TextOf(view).size();
      SetCtrl(k.ctrl);
      const bool bMouse = k.message == WM_XBUTTONUP || k.message == WM_MOUSEWHEEL;
      LPARAM lp = bMouse ? 0 : (1 | (::MapVirtualKeyW(static_cast<UINT>(k.vk), 0) << 16));
      if (k.alt) lp |= 1L << 29;
      ::PostMessageW(target, k.message, k.vk, lp);
      Pump();
      SetCtrl(false);
      std::wstring did;
      for (wchar_t c : TextOf(view).substr(before)) {
        if (c == L'\r') continue;
        did += c == L'\n' ? L',' : c;
      }
      if (!did.empty()) did.pop_back();
      const HWND f = ::GetFocus();
      DWORD s = 0, e = 0;
      ::SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
      const DWORD len = static_cast<DWORD>(::GetWindowTextLengthW(edit));
      std::wprintf(L"key=%ls@%ls did=%ls focus=%ls sel=%ls\n", k.name, target == edit ? L"address" : L"view",
                   did.c_str(),
                   f == edit   ? L"address"
                   : f == view ? L"view"
                               : L"other",
                   s == 0 && e == len ? L"all" : L"part");
    }
  }
  std::wprintf(L"caption=%ls\n", TextOf(form).c_str());
  ::DestroyWindow(form);
  return 0;
}
