// Opens the browser window in this process (the recording web view), prints
// its menu bar, then runs menu commands and prints what they did:
//   menu=<caption>            each command of the menu bar, in order
//   item=<caption>            each item of the "Networking" menu
//   asked=<text>              the question of a "Networking" command ("--not-admin")
//   notrestarted=<n>          how often the debug log says the elevated restart
//                             did not happen ("--refused": Yes, then the prompt is refused)
//   recorded=<line>           what the web view was asked to do
//   ran=<program> <params>    each Windows tool a "Networking" command ran
//                             ("--real-tools": the tools really start instead,
//                             for a caller that watches them from outside)
//   during=<states>           the "Networking" items while the first tool runs
//                             (1 enabled, 0 greyed, - a separator); a second
//                             command is chosen right then
//   after=<states>            the same once every command has ended
//   notstarted=<n>            how often the debug log says a command was not started
// Menus belong to their process under Wine, so they are read here.
#include <windows.h>

#include <cstdio>
#include <string>

#include "app/App_Common.h"
#include "browser/BrowserUI.h"
#include "config/Config_Class.h"
#include "config/Config_Init.h"
#include "diag/App_Debug.h"
#include "platform/App_Prompts.h"
#include "platform/App_Env.h"
#include "platform/App_Platform.h"
#include "repair/Browser_Diagnose.h"
#include "repair/Browser_Repair.h"

namespace {

HWND g_Form = nullptr;

// The "Networking" items' states: 1 enabled, 0 greyed, - a separator.
std::wstring ItemStates() {
  HMENU net = ::GetSubMenu(::GetMenu(g_Form), 0);
  std::wstring s;
  for (int i = 0; i < ::GetMenuItemCount(net); ++i) {
    const UINT state = ::GetMenuState(net, i, MF_BYPOSITION);
    s += (state & MF_SEPARATOR) ? L'-' : (state & MF_GRAYED) ? L'0' : L'1';
  }
  return s;
}

int Count(const std::wstring& sText, const wchar_t* sFind) {
  int n = 0;
  for (size_t at = 0; (at = sText.find(sFind, at)) != std::wstring::npos; ++at) ++n;
  return n;
}

void Line(const wchar_t* name, const std::wstring& value) {
  std::wprintf(L"%ls=%ls\n", name, value.c_str());
}

std::wstring MenuText(HMENU m, int i) {
  wchar_t buf[128] = {};
  ::GetMenuStringW(m, i, buf, 128, MF_BYPOSITION);
  return buf;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const bool refused = argc > 1 && std::wstring(argv[1]) == L"--refused";
  const bool notAdmin = refused || (argc > 1 && std::wstring(argv[1]) == L"--not-admin");
  const bool realTools = argc > 1 && std::wstring(argv[1]) == L"--real-tools";
  if (refused) PlatformFake().ElevatedStartError = ERROR_CANCELLED;
  ::SetEnvironmentVariableW(L"LUMO_TEST_WEBVIEW", L"record");
  App_Common::InitApp(false, L".\\");
  Config_Init::InitConfig(false, false, true);
  if (notAdmin) AppEnv().AppInst_IsAdmin = false;
  App_Prompts::SetMsgBoxSink([](std::wstring_view sMessage, std::wstring_view, uint32_t) {
    Line(L"asked", std::wstring(sMessage));
    return PlatformFake().ElevatedStartError ? IDYES : IDNO;
  });
  // One adapter that gets its address by DHCP, whatever the host has.
  PlatformFake().WMINetworkAdapters = std::vector<App_WMINetworkAdapter>{{L"NIC", {L"10.0.0.5"}, true}};
  // The diagnosis stays on this machine: a refused port and the local name.
  Cfg().SetString(Browser::kSettingCheckURL, L"http://127.0.0.1:9/");
  Cfg().SetString(Browser::kSettingCheckHost, L"localhost");
  if (!realTools) {
    Browser::SetRepairToolSink([](std::wstring_view p, std::wstring_view a, bool, uint32_t) {
      Line(L"ran", std::wstring(p) + L" " + std::wstring(a));
      static bool once = false;
      if (once) return;
      once = true;
      Line(L"during", ItemStates());
      // The user chooses "Clear Proxy Settings" while the first command waits.
      HMENU net = ::GetSubMenu(::GetMenu(g_Form), 0);
      ::SendMessageW(g_Form, WM_COMMAND, MAKEWPARAM(::GetMenuItemID(net, 1), 0), 0);
    });
  }
  if (!BrowserUI::Show()) return 2;
  ::EnumThreadWindows(
      ::GetCurrentThreadId(),
      [](HWND h, LPARAM) CALLBACK -> BOOL {
        wchar_t cls[64] = {};
        ::GetClassNameW(h, cls, 64);
        if (std::wstring(cls) != L"LumoForm" || !::IsWindowVisible(h)) return TRUE;
        g_Form = h;
        return FALSE;
      },
      0);
  if (!g_Form) return 3;
  // The web view comes once the frame has painted.
  for (DWORD until = ::GetTickCount() + 5000;
       !::FindWindowExW(g_Form, nullptr, L"LumoRecordingWebView", nullptr) && ::GetTickCount() < until;) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  HMENU bar = ::GetMenu(g_Form);
  for (int i = 0; i < ::GetMenuItemCount(bar); ++i) Line(L"menu", MenuText(bar, i));
  HMENU net = ::GetSubMenu(bar, 0);
  for (int i = 0; i < ::GetMenuItemCount(net); ++i) Line(L"item", MenuText(net, i));

  // Every command of the menu bar, the way a click sends it.
  for (int i = 0; i < ::GetMenuItemCount(net); ++i)
    ::SendMessageW(g_Form, WM_COMMAND, MAKEWPARAM(::GetMenuItemID(net, i), 0), 0);
  for (int i = 1; i < ::GetMenuItemCount(bar); ++i) {
    ::SendMessageW(g_Form, WM_COMMAND, MAKEWPARAM(::GetMenuItemID(bar, i), 0), 0);
    ::SendMessageW(g_Form, WM_COMMAND, MAKEWPARAM(::GetMenuItemID(bar, i), 0), 0);
  }
  HWND view = ::FindWindowExW(g_Form, nullptr, L"LumoRecordingWebView", nullptr);
  wchar_t text[4096] = {};
  if (view) ::GetWindowTextW(view, text, 4096);
  std::wstring rec = text, line;
  for (wchar_t c : rec) {
    if (c == L'\r') continue;
    if (c == L'\n') {
      Line(L"recorded", line);
      line.clear();
    } else {
      line += c;
    }
  }
  Line(L"after", ItemStates());
  HWND combo = ::FindWindowExW(g_Form, nullptr, L"ComboBox", nullptr);
  Line(L"history", std::to_wstring(::SendMessageW(combo, CB_GETCOUNT, 0, 0)));
  Line(L"open", ::IsWindow(g_Form) ? L"1" : L"0");
  const std::wstring log = App_Debug::DebugLogPending();
  int notRestarted = 0;
  for (size_t at = 0; (at = log.find(L"was not restarted as administrator", at)) != std::wstring::npos; ++at)
    ++notRestarted;
  Line(L"notrestarted", std::to_wstring(notRestarted));
  Line(L"notstarted", std::to_wstring(Count(log, L"this one is not started")));
  ::DestroyWindow(g_Form);
  return 0;
}
