// The browser window: the web view under the toolbar (Back, Forward, the
// address box, Go, Search) and the menu bar with the "Networking" commands.
#include "browser/BrowserUI.h"

#include <windows.h>

#include <cwctype>
#include <memory>
#include <string>
#include <vector>

#include "browser/Browser.h"
#include "browser/LumoWebBrowserEx.h"
#include "diag/App_Trace.h"
#include "forms/Form_Helper.h"
#include "forms/Form_Model.h"
#include "forms/xForms.h"
#include "hosted/App_WebView.h"
#include "platform/App_COMInit.h"
#include "platform/App_ClassSync.h"
#include "platform/App_Env.h"
#include "platform/App_Prompts.h"
#include "process/App_RunX.h"
#include "repair/Browser_Repair.h"
#include "util/App_Variables.h"

namespace BrowserUI {

namespace {

constexpr wchar_t kModule[] = L"BrowserUI";
// The Windows Update web site: its host alone, without a path.
constexpr wchar_t kWindowsUpdateURL[] = L"http://windowsupdate.microsoft.com";
// The timer that creates the web view once the frame is on the screen.
constexpr UINT_PTR kCreateViewTimer = 1;
// The "Networking" menu's commands, by their index (Browser::NetworkingCommand).
constexpr const wchar_t* kRepairCaptions[] = {L"Release/Renew IP", L"Clear Proxy Settings",
                                              L"Reset Networking", L"Diagnose Connection"};

// What a browser key or mouse button asks for.
enum class PageKey { None, Back, Forward, Refresh, Stop, Address, Find, Print, ZoomIn, ZoomOut, ZoomReset };

// The keys every browser has. Alt is the message's own context bit; a key
// with Ctrl and Alt together (AltGr on many keyboards) types a character.
PageKey PageKeyFor(WPARAM vk, bool bAlt, bool bCtrl) {
  const bool bCtrlOnly = bCtrl && !bAlt;
  switch (vk) {
    case 'F':
      return bCtrlOnly ? PageKey::Find : PageKey::None;
    case 'P':
      return bCtrlOnly ? PageKey::Print : PageKey::None;
    case VK_OEM_PLUS:
    case VK_ADD:
      return bCtrlOnly ? PageKey::ZoomIn : PageKey::None;
    case VK_OEM_MINUS:
    case VK_SUBTRACT:
      return bCtrlOnly ? PageKey::ZoomOut : PageKey::None;
    case '0':
    case VK_NUMPAD0:
      return bCtrlOnly ? PageKey::ZoomReset : PageKey::None;
    case VK_LEFT:
      return bAlt && !bCtrl ? PageKey::Back : PageKey::None;
    case VK_RIGHT:
      return bAlt && !bCtrl ? PageKey::Forward : PageKey::None;
    case VK_F5:
      return bAlt ? PageKey::None : PageKey::Refresh;
    case 'L':
      return bCtrl && !bAlt ? PageKey::Address : PageKey::None;
    case 'D':
      return bAlt && !bCtrl ? PageKey::Address : PageKey::None;
    case VK_F6:
      return bAlt || bCtrl ? PageKey::None : PageKey::Address;
    case VK_ESCAPE:
      return bAlt || bCtrl ? PageKey::None : PageKey::Stop;
    default:
      return PageKey::None;
  }
}

// Addresses a page may not hand us for a new window: run in our view they
// would run script in the page that asked for the window.
bool IsScriptAddress(std::wstring_view sURL) {
  while (!sURL.empty() && (sURL.front() == L' ' || sURL.front() == L'\t')) sURL.remove_prefix(1);
  std::wstring s;
  for (wchar_t c : sURL.substr(0, 11)) s += static_cast<wchar_t>(std::towlower(c));
  return s.rfind(L"javascript:", 0) == 0 || s.rfind(L"vbscript:", 0) == 0;
}

class BrowserUIForm : public App_Form {
 public:
  BrowserUIForm() : App_Form(L"BrowserUI", L"LumoBrowser", 12255, 8655) {
    // Added in tab order: the address box first.
    comboURL = &Add<App_ComboBox>(L"comboURL");
    comboURL->Move(1200, 120, 9135, 315);
    cmdGo = &Add<App_PushButton>(L"cmdGo", L"Go", true);
    cmdGo->Move(10440, 120, 735, 375);
    cmdGo->SetDefault(true);
    cmdSearch = &Add<App_PushButton>(L"cmdSearch", L"Search", true);
    cmdSearch->Move(11160, 120, 975, 375);
    wb = &Add<App_WebViewControl>(L"wb");
    wb->Move(0, 600, 12255, 8055);
    // The frame (menu, toolbar, background) shows first; the web engine
    // loads right after the first paint (wb_Create).
    wb->DeferCreate();
    cmdBack = &Add<App_PushButton>(L"cmdBack", L"<", true);
    cmdBack->Move(120, 120, 495, 375);
    cmdFwd = &Add<App_PushButton>(L"cmdFwd", L">", true);
    cmdFwd->Move(600, 120, 495, 375);
    exForm = &Add<App_FormExtenderControl>(L"exForm");

    Menu_RepairParent = &Add<App_MenuItem>(L"Menu_RepairParent", -1, L"Networking", nullptr);
    for (int32_t i = 0; i <= Browser::ncDiagnose; ++i) {
      // The diagnosis, which changes nothing, stands apart from the repairs.
      if (i == Browser::ncDiagnose) Add<App_MenuItem>(L"Menu_RepairLine", -1, L"-", Menu_RepairParent);
      auto& item = Add<App_MenuItem>(L"Menu_Repair", i, kRepairCaptions[i], Menu_RepairParent);
      item.OnClick = [this](int32_t lIndex) { Menu_Repair_Click(lIndex); };
      Menu_Repair.push_back(&item);
    }
    Menu_WindowsUpdate = &Add<App_MenuItem>(L"Menu_WindowsUpdate", -1, L"Windows Update (XP/2003)", nullptr);
    Menu_WindowsUpdate->OnClick = [this](int32_t) { Menu_WindowsUpdate_Click(); };
    // Hidden until the load shows it where it belongs: on most Windows it
    // stays hidden, and a bar the load leaves as it was is built only once.
    Menu_WindowsUpdate->SetVisible(false);

    cmdBack->OnClick = [this] { cmdBack_Click(); };
    cmdFwd->OnClick = [this] { cmdFwd_Click(); };
    cmdGo->OnClick = [this] { cmdGo_Click(); };
    cmdSearch->OnClick = [this] { cmdSearch_Click(); };
  }

  void NavigateToURL(std::wstring_view sURL) {
    App_Trace t(kModule, L"NavigateToURL", ptSub);
    t.Vars(vkPassedByVal, {L"sURL", sURL});
    std::wstring url(sURL);
    if (!url.empty()) {
      t.Step([&] { Form_Helper::ComboSet(*comboURL, url, -1, true); });
    } else {
      t.Step([&] { url = comboURL->Text(); });
    }
    if (url.empty()) return;
    t.Step([&] { ShowPage(url); });
  }

  void SearchWeb(std::wstring_view sSearchTerms) {
    App_Trace t(kModule, L"SearchWeb", ptSub);
    t.Vars(vkPassedByVal, {L"sSearchTerms", sSearchTerms});
    std::wstring terms(sSearchTerms);
    if (terms.empty()) t.Step([&] { terms = comboURL->Text(); });
    if (terms.empty()) return;
    std::wstring url;
    t.Step([&] {
      std::wstring engine;
      url = LumoWebBrowserEx::GetSearchEngineURL(engine) +
            LumoWebBrowserEx::EncodeStringToURL(LumoWebBrowserEx::WebSearchFileFilter(terms));
    });
    t.Step([&] { NavigateToURL(url); });
  }

  // The browser keys and the mouse's back and forward buttons, wherever the
  // focus is in this window, before the page or the address box sees them.
  // True when the message was used (it then goes nowhere else); Esc also
  // goes on to the page, which may close a dialog of its own with it.
  bool BrowserKey(const MSG& msg) {
    if (!hWnd() || !msg.hwnd || ::GetAncestor(msg.hwnd, GA_ROOT) != hWnd()) return false;
    PageKey k = PageKey::None;
    if (msg.message == WM_XBUTTONUP) {
      k = HIWORD(msg.wParam) == XBUTTON1   ? PageKey::Back
          : HIWORD(msg.wParam) == XBUTTON2 ? PageKey::Forward
                                           : PageKey::None;
    } else if (msg.message == WM_MOUSEWHEEL && (GET_KEYSTATE_WPARAM(msg.wParam) & MK_CONTROL) &&
               ::GetKeyState(VK_MENU) >= 0) {
      // Ctrl and the wheel zoom the page, a step per turn.
      k = GET_WHEEL_DELTA_WPARAM(msg.wParam) > 0 ? PageKey::ZoomIn : PageKey::ZoomOut;
    } else if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) {
      k = PageKeyFor(msg.wParam, (msg.lParam & (1L << 29)) != 0, ::GetKeyState(VK_CONTROL) < 0);
    } else if ((msg.message == WM_SYSKEYUP || msg.message == WM_KEYUP) && msg.wParam == VK_MENU &&
               AltKeyUsed_) {
      // Alt went down and up with no other key the window saw: left alone,
      // that opens the menu bar, and what is typed next goes to the menu.
      AltKeyUsed_ = false;
      return true;
    }
    const bool used = RunPageKey(k);
    if (used && msg.message == WM_SYSKEYDOWN) AltKeyUsed_ = true;
    return used && k != PageKey::Stop;
  }

  // Keys typed in the page go to the page first (Tab, Enter, copy and paste).
  bool TranslateAccel(MSG& msg) {
    App_WebView* v = wb->View();
    return v && v->Window() && (msg.hwnd == v->Window() || ::IsChild(v->Window(), msg.hwnd)) &&
           v->TranslateAccel(msg);
  }

 protected:
  void Form_Load() override {
    App_Trace t(kModule, L"Form_Load", ptSub);
    t.Step([&] {
      xForm = std::make_unique<xForms>();
      xForm->Init(*this, exForm, false);
    });
    t.Step([&] { xForm->Caption_Title(Browser::GetAppTitle()); });
    t.Step([&] {
      xForm->Enable_LoadSaveMetrics(true);
      xForm->Init_Form_Control_Collections(true);
      xForm->Set_Init_Form_Has_Visible_Toplevel_Menus(true);
      xForm->Form_Currently_Has_Visible_Toplevel_Menus = true;
      xForm->Apply_Window_Settings(lssApplyOnLoad);
    });
    t.Step([&] {
      // The first true flag decides; a failed read shows the item.
      bool show = true;
      const bool ok = t.Step([&] {
        const App_Env& e = AppEnv();
        show = e.WinXP || e.WinServer2003 || e.WinServer2003r2;
      });
      Menu_WindowsUpdate->SetVisible(ok ? show : true);
    });
    // The address box sits centred against the taller buttons, also after
    // the window's first resize: the layout scales it from this place.
    t.Step([&] {
      comboURL->SetTop(comboURL->Top() + 35);
      xForm->KeepPlaceOf(*comboURL);
    });
    t.Step([&] { Browser::InitFormIcon(hWnd()); });
  }

  // The window has painted its background. The web view waits until the
  // rest of the frame (buttons, address box, menu) has painted too and is on
  // the screen: a timer message comes only when nothing is left to paint.
  void Form_FirstPaintDone() override {
    if (!::SetTimer(hWnd(), kCreateViewTimer, USER_TIMER_MINIMUM, &CreateViewTimer)) wb_Create();
  }
  static void CALLBACK CreateViewTimer(HWND h, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(h, id);
    if (auto* form = reinterpret_cast<App_Form*>(::GetWindowLongPtrW(h, GWLP_USERDATA)))
      static_cast<BrowserUIForm*>(form)->wb_Create();
  }

  // Now the web view, its three options, its events, and the page asked
  // for in the meantime.
  void wb_Create() {
    if (wb->View()) return;
    App_Trace t(kModule, L"wb_Create", ptSub);
    // The web view is an OLE control. OLE starts here, after the first
    // paint, so that its libraries do not hold up the frame.
    App_Common::Init_OLE_COM();
    bool created = false;
    t.Step([&] { created = wb->CreateView(); });
    if (!created) {
      t.Log(L"The web view could not be created");
      return;
    }
    t.Step([&] {
      if (App_WebView* v = wb->View()) {
        v->SetRegisterAsBrowser(true);
        v->SetRegisterAsDropTarget(true);
        v->SetSilent(true);
      }
    });
    t.Step([&] {
      if (App_WebView* v = wb->View()) {
        v->OnNavigateComplete = [this](std::wstring_view sURL) { wb_NavigateComplete(sURL); };
        v->OnNewWindow = [this](std::wstring_view sURL) { wb_NewWindow(sURL); };
      }
    });
    t.Step([&] {
      if (wb->View() && !PendingURL_.empty()) wb->View()->Navigate(PendingURL_);
      PendingURL_.clear();
    });
  }

  // The same commands from the keyboard's and the mouse's browser buttons.
  bool Form_AppCommand(int32_t lCommand) override {
    switch (lCommand) {
      case APPCOMMAND_BROWSER_BACKWARD:
        return RunPageKey(PageKey::Back);
      case APPCOMMAND_BROWSER_FORWARD:
        return RunPageKey(PageKey::Forward);
      case APPCOMMAND_BROWSER_REFRESH:
        return RunPageKey(PageKey::Refresh);
      case APPCOMMAND_BROWSER_STOP:
        return RunPageKey(PageKey::Stop);
      default:
        return false;
    }
  }

  void Form_Paint() override {
    App_QuietStep([&] {
      if (xForm) xForm->PaintMe(*this);
    });
  }

  void Form_Resize() override {
    App_QuietStep([&] {
      wb->SetVisible(false);
      if (WindowState() == stateMinimized) return;
      if (xForm) xForm->ResizeControls();
      wb->SetVisible(true);
      // One repaint: the show's own, or the message loop's after a drag.
      Invalidate();
    });
  }

  void Form_QueryUnload(bool& /*bCancel*/) override {
    App_Trace t(kModule, L"Form_QueryUnload", ptSub);
    t.Step([&] {
      if (xForm) xForm->Apply_Window_Settings(lssSaveOnClose);
    });
    t.Step([&] { App_Common::DestroyObject(xForm); });
  }

 private:
  void ShowPage(const std::wstring& sURL) {
    if (wb->View())
      wb->View()->Navigate(sURL);
    else
      PendingURL_ = sURL;  // the view is not there yet: it goes there once created
  }

  bool RunPageKey(PageKey k) {
    switch (k) {
      case PageKey::Back:
        cmdBack_Click();
        return true;
      case PageKey::Forward:
        cmdFwd_Click();
        return true;
      case PageKey::Refresh:
        wb_Refresh();
        return true;
      case PageKey::Stop:
        wb_Stop();
        return true;
      case PageKey::Address:
        comboURL_Focus();
        return true;
      case PageKey::Find:
        wb_Command(L"wb_Find", [](App_WebView& v) { return v.Find(); });
        return true;
      case PageKey::Print:
        wb_Command(L"wb_Print", [](App_WebView& v) { return v.Print(); });
        return true;
      case PageKey::ZoomIn:
      case PageKey::ZoomOut:
      case PageKey::ZoomReset: {
        const int lStep = k == PageKey::ZoomIn ? 1 : k == PageKey::ZoomOut ? -1 : 0;
        wb_Command(L"wb_Zoom", [lStep](App_WebView& v) { return v.Zoom(lStep); });
        return true;
      }
      default:
        return false;
    }
  }

  // The page has arrived at an address: the address box shows it. Only the
  // box's text changes; the history list keeps what the user navigated to.
  // An address the user is typing right now is not overwritten.
  void wb_NavigateComplete(std::wstring_view sURL) {
    App_Trace t(kModule, L"wb_NavigateComplete", ptSub);
    t.Vars(vkPassedByVal, {L"sURL", sURL});
    if (sURL.empty()) return;
    HWND edit = ::GetWindow(comboURL->Handle(), GW_CHILD);
    if (edit && ::GetFocus() == edit && ::SendMessageW(edit, EM_GETMODIFY, 0, 0)) {
      t.Log(L"The address box is being edited; its text is kept", evVerbose);
      return;
    }
    t.Step([&] { comboURL->SetText(sURL); });
  }

  // The page asked for a new window, which the web view has cancelled: the
  // address opens here instead, without becoming a history item.
  void wb_NewWindow(std::wstring_view sURL) {
    App_Trace t(kModule, L"wb_NewWindow", ptSub);
    t.Vars(vkPassedByVal, {L"sURL", sURL});
    if (sURL.empty()) {
      t.Log(L"A new window without an address was cancelled", evVerbose);
      return;
    }
    if (IsScriptAddress(sURL)) {
      t.Log(L"A new window with a script address was cancelled", evVerbose);
      return;
    }
    t.Step([&] {
      if (wb->View()) wb->View()->Navigate(sURL);
    });
  }

  void wb_Refresh() {
    App_Trace t(kModule, L"wb_Refresh", ptSub);
    AddressEditDone();
    t.Step([&] {
      if (wb->View()) wb->View()->Refresh();
    });
  }

  // A command for the page (find, print, zoom): nothing before the view is there.
  template <class F>
  void wb_Command(const wchar_t* sProc, F&& command) {
    App_Trace t(kModule, sProc, ptSub);
    t.Step([&] {
      if (wb->View()) command(*wb->View());
    });
  }

  void wb_Stop() {
    App_Trace t(kModule, L"wb_Stop", ptSub);
    t.Step([&] {
      if (wb->View()) wb->View()->Stop();
    });
  }

  // The focus goes to the address box, its whole text selected for typing over.
  void comboURL_Focus() {
    App_Trace t(kModule, L"comboURL_Focus", ptSub);
    t.Step([&] {
      ::SetFocus(comboURL->Handle());
      ::SendMessageW(comboURL->Handle(), CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
    });
  }

  // A navigation the user starts ends their editing of the address box: the
  // page's address may replace the text again when it arrives.
  void AddressEditDone() {
    if (HWND edit = ::GetWindow(comboURL->Handle(), GW_CHILD)) ::SendMessageW(edit, EM_SETMODIFY, FALSE, 0);
  }

  void cmdBack_Click() {
    App_Trace t(kModule, L"cmdBack_Click", ptSub);
    AddressEditDone();
    t.Step([&] {
      if (wb->View()) wb->View()->GoBack();
    });
  }

  void cmdFwd_Click() {
    App_Trace t(kModule, L"cmdFwd_Click", ptSub);
    AddressEditDone();
    t.Step([&] {
      if (wb->View()) wb->View()->GoForward();
    });
  }

  void cmdGo_Click() {
    App_Trace t(kModule, L"cmdGo_Click", ptSub);
    AddressEditDone();
    t.Step([&] { NavigateToURL(L""); });
  }

  void cmdSearch_Click() {
    App_Trace t(kModule, L"cmdSearch_Click", ptSub);
    AddressEditDone();
    t.Step([&] { SearchWeb(L""); });
  }

  // While a "Networking" command runs, every item of its menu is greyed
  // and a command chosen meanwhile (the waits keep the window answering) is
  // not started; the items come back however the command ends.
  class RepairRunning {
   public:
    explicit RepairRunning(BrowserUIForm& form) : form_(form) { form_.SetRepairRunning(true); }
    ~RepairRunning() { form_.SetRepairRunning(false); }
    RepairRunning(const RepairRunning&) = delete;
    RepairRunning& operator=(const RepairRunning&) = delete;

   private:
    BrowserUIForm& form_;
  };
  void SetRepairRunning(bool b) {
    RepairRunning_ = b;
    for (App_MenuItem* item : Menu_Repair) App_QuietStep([&] { item->SetEnabled(!b); });
  }

  void Menu_Repair_Click(int32_t Index) {
    App_Trace t(kModule, L"Menu_Repair_Click", ptSub);
    t.Vars(vkPassedByVal, {L"Index", Index});
    if (RepairRunning_) {
      t.Log(L"A Networking command is still running; this one is not started", evNormal,
            pVar(L"Index", Index));
      return;
    }
    if (Index < 0 || Index > Browser::ncDiagnose) return;
    const RepairRunning running(*this);
    const App_Env& e = AppEnv();
    // The diagnosis changes nothing: it needs no administrator.
    if (e.AppInst_IsAdmin || Index == Browser::ncDiagnose) {
      std::wstring sReport;
      t.Step([&] {
        std::wstring sEngine;
        sReport = Browser::RunNetworkingCommand(Index, kRepairCaptions[Index],
                                                LumoWebBrowserEx::GetSearchEngineURL(sEngine));
      });
      // The window may have been closed meanwhile. The report is no history item.
      if (!sReport.empty() && Loaded()) t.Step([&] { ShowPage(sReport); });
      return;
    }
    bool yes = false;
    t.Step([&] {
      yes = App_Prompts::AskYesNo(
          L"You must re-run this app as Administrator to use these features.  Do it now?");
    });
    if (!yes) return;
    // The window closes only when the elevated copy was started: after a
    // refused prompt or a failed start the user still has this one.
    bool started = false;
    uint32_t lError = 0;
    t.Step([&] {
      started = App_RunX::ShellExW(e.AppEXE, e.AppInst_CommandLineArgs_String, SW_SHOWNORMAL, true, false);
      lError = App_RunX::ShellExW_LastError();
      started = started && lError == 0;
    });
    if (!started) {
      t.Log(L"The program was not restarted as administrator; the window stays open", evNormal,
            pVar(L"lError", static_cast<int32_t>(lError)));
      return;
    }
    t.Step([&] { Unload(); });
  }

  void Menu_WindowsUpdate_Click() {
    App_Trace t(kModule, L"Menu_WindowsUpdate_Click", ptSub);
    t.Step([&] { NavigateToURL(kWindowsUpdateURL); });
  }

  App_ComboBox* comboURL;
  App_PushButton *cmdGo, *cmdSearch, *cmdBack, *cmdFwd;
  App_WebViewControl* wb;
  App_FormExtenderControl* exForm;
  App_MenuItem *Menu_RepairParent, *Menu_WindowsUpdate;
  std::vector<App_MenuItem*> Menu_Repair;  // the commands, by index
  bool RepairRunning_ = false;
  std::unique_ptr<xForms> xForm;
  std::wstring PendingURL_;  // asked for before the web view existed
  bool AltKeyUsed_ = false;  // an Alt combination was ours: its Alt release opens no menu
};

// The one browser window of the process, created on first use.
std::unique_ptr<BrowserUIForm>& TheWindow() {
  static std::unique_ptr<BrowserUIForm> w;
  return w;
}

}  // namespace

bool Show() {
  App_Trace t(kModule, L"Show");
  bool shown = false;
  t.Step([&] {
    if (!TheWindow()) TheWindow() = std::make_unique<BrowserUIForm>();
    App_Form* form = TheWindow().get();
    shown = Form_Helper::ShowForm(form, false, false, nullptr, L"", SW_SHOWNORMAL, true, true, false);
  });
  t.Vars(vkFunctionReturn, {shown});
  return shown;
}

void NavigateToURL(std::wstring_view sURL) {
  if (TheWindow() && TheWindow()->Loaded()) TheWindow()->NavigateToURL(sURL);
}

void SearchWeb(std::wstring_view sSearchTerms) {
  if (TheWindow() && TheWindow()->Loaded()) TheWindow()->SearchWeb(sSearchTerms);
}

bool PreTranslateMessage(MSG& msg) {
  BrowserUIForm* w = TheWindow().get();
  if (w && w->BrowserKey(msg)) return true;
  if (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST && w && w->TranslateAccel(msg)) return true;
  // Tab between the controls and Enter for the default button, as in a dialog.
  HWND top = msg.hwnd ? ::GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
  return top && ::IsDialogMessageW(top, &msg);
}

void RunMessageLoop() {
  if (App_Form::OpenForms() == 0) return;
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (PreTranslateMessage(msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  TheWindow().reset();
}

}  // namespace BrowserUI
