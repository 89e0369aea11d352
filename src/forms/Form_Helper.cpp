// Showing forms, the taskbar and focus-rectangle switches, and the combo
// box list routines.
#include "forms/Form_Helper.h"

#include <optional>

#include "diag/App_Debug.h"
#include "diag/App_Err.h"
#include "diag/App_Trace.h"
#include "forms/Form_Model.h"
#include "platform/App_Runtime.h"
#include "util/App_Strings.h"
#include "util/App_Variables.h"

namespace Form_Helper {

namespace {

constexpr wchar_t kModule[] = L"Form_Helper";
constexpr int32_t kErrNoSuchProperty = 438;

// A window protocol property; a form that does not expose it is logged as
// the failed query it is and counts as "no".
bool AskForm(App_Trace& t, const std::optional<bool>& answer) {
  bool result = false;
  t.Step([&] {
    if (!answer) App_Err::Raise(kErrNoSuchProperty, L"Object doesn't support this property or method");
    result = *answer;
  });
  return result;
}

// Handles this thread's messages until the form is unloaded. Only a
// message handled here (a close, a timer, a call from another thread) can
// unload it, so the thread sleeps until the next one comes. A WM_QUIT met
// meanwhile is held back, as it would wake every wait at once, and put back
// when the wait ends.
void WaitUntilUnloaded(App_Form*& TheForm) {
  // A form that cannot report IsLoaded counts as loaded while its window exists.
  auto loaded = [&] {
    if (!TheForm) return false;
    const std::optional<bool> answer = TheForm->IsLoaded();
    return answer ? *answer : TheForm->Loaded();
  };
  std::optional<WPARAM> quit;
  for (;;) {
    if (!App_Common::DoEvents()) {
      MSG msg;
      if (::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) quit = msg.wParam;
      continue;  // the messages after it
    }
    if (!loaded()) break;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, INFINITE, QS_ALLINPUT);
  }
  if (quit) ::PostQuitMessage(static_cast<int>(*quit));
  TheForm = nullptr;
}

}  // namespace

bool ShowForm(App_Form*& TheForm, bool bWaitUntilUnloaded, bool bModal, App_Form* OwnerForm,
              std::wstring_view sAltStringForTagProperty, int32_t ShowCmd, bool bShowInTaskbar,
              bool /*bReserved*/, bool bUseShowWindow) {
  App_Trace t(kModule, L"ShowForm");
  t.Vars(vkPassedByVal, {L"bWaitUntilUnloaded", bWaitUntilUnloaded, L"bModal", bModal,
                         L"sAltStringForTagProperty", sAltStringForTagProperty, L"ShowCmd", ShowCmd,
                         L"bShowInTaskbar", bShowInTaskbar, L"bUseShowWindow", bUseShowWindow});
  if (App_Common::NeverLoadForms()) {
    t.Log(L"Aborting; NeverLoadForms Enabled!");
    return false;
  }
  if (!TheForm) return false;
  const std::wstring sTypeName = TheForm->Name();
  // A modeless window cannot come up while a modal one is displayed.
  auto modalConflict = [&] {
    if (!App_Form::ModalShown()) return false;
    t.Log(L"Modal form already displayed!  Exiting Sub now...", evErrorHandler, pVar(L"TheForm", sTypeName));
    return true;
  };
  if (modalConflict()) return false;

  bool bAlreadyThere = false;
  t.Step([&] {
    const bool inMemory = AskForm(t, TheForm->InMemory());
    const bool isLoaded = !inMemory && AskForm(t, TheForm->IsLoaded());
    const bool tagMatches = sAltStringForTagProperty.empty() ||
                            App_Strings::StringMatch(TheForm->Tag(), sAltStringForTagProperty);
    if (inMemory && tagMatches) {
      t.Log(L"Form NOT loaded, but IS found in memory...", evNormal, pVar(L"TypeName", sTypeName));
      bAlreadyThere = true;
    } else if (isLoaded && tagMatches) {
      std::wstring vars =
          pVar(L"TypeName", sTypeName, L"Name", TheForm->Name(), L"Visible", TheForm->Visible());
      if (!sAltStringForTagProperty.empty())
        vars = pVar(L"TypeName", sTypeName, L"Name", TheForm->Name(), L"Visible", TheForm->Visible(),
                    L"sAltStringForTagProperty", sAltStringForTagProperty);
      t.Log(L"Form is already loaded!", evNormal, vars);
      bAlreadyThere = true;
    }
  });

  int32_t lState = App_Form::stateNormal;
  t.Step([&] {
    if (ShowCmd == SW_SHOWNORMAL) {
      lState = App_Form::stateNormal;
    } else if (ShowCmd == SW_SHOWMAXIMIZED) {
      lState = App_Form::stateMaximized;
    } else {
      if (ShowCmd == SW_HIDE) bShowInTaskbar = false;
      bUseShowWindow = true;
    }
  });
  if (bModal) bUseShowWindow = false;

  auto setTag = [&] {
    if (!bAlreadyThere && !sAltStringForTagProperty.empty()) TheForm->SetTag(sAltStringForTagProperty);
  };
  t.Step([&] {
    if (modalConflict()) return;
    const bool bNewWindow = TheForm->hWnd() == nullptr;
    if (!TheForm->Load()) App_Err::Raise(App_Err::ErrObjectNotSet, L"The window could not be created");
    if (bUseShowWindow) {
      ::ShowWindow(TheForm->hWnd(), ShowCmd);
      setTag();
      TheForm->SetFocus();
      TheForm->Refresh();
      return;
    }
    setTag();
    // A window created just now and shown in its normal way keeps the state
    // its saved placement gave it (maximised stays maximised).
    if (!(bNewWindow && lState == App_Form::stateNormal)) TheForm->SetWindowState(lState);
    TheForm->Show(bModal, OwnerForm ? OwnerForm->hWnd() : nullptr);
    if (bModal) {
      TheForm = nullptr;
    } else {
      TheForm->SetFocus();
      // A window shown for the first time has just painted in its show.
      if (!bNewWindow) TheForm->Refresh();
    }
  });
  t.Step([&] {
    if (TheForm) FormVisibleInTaskbar(TheForm->hWnd(), bShowInTaskbar);
  });
  t.Step([&] {
    if (TheForm) ToggleFocusRectangle(*TheForm, false);
  });
  if (bWaitUntilUnloaded) t.Step([&] { WaitUntilUnloaded(TheForm); });
  t.Vars(vkFunctionReturn, {true});
  return true;
}

void FormVisibleInTaskbar(HWND hWnd, bool bShowInTaskbar) {
  App_Trace t(kModule, L"FormVisibleInTaskbar", ptSub);
  t.Vars(vkPassedByVal, {L"bShowInTaskbar", bShowInTaskbar});
  t.Step([&] {
    if (!hWnd) return;
    const LONG style = ::GetWindowLongW(hWnd, GWL_EXSTYLE);
    LONG wanted = style;
    if (bShowInTaskbar)
      wanted |= WS_EX_APPWINDOW;
    else
      wanted &= ~WS_EX_APPWINDOW;
    if (wanted == style) return;
    ::SetWindowLongW(hWnd, GWL_EXSTYLE, wanted);
    // The taskbar notices the change when the window is shown again. Only a
    // visible window is shown again, in the state it has (maximised stays
    // maximised); a hidden window stays hidden and gets its button when shown.
    if (!::IsWindowVisible(hWnd)) return;
    const int show = ::IsZoomed(hWnd)   ? SW_SHOWMAXIMIZED
                     : ::IsIconic(hWnd) ? SW_SHOWMINNOACTIVE
                                        : SW_SHOWNORMAL;
    ::ShowWindow(hWnd, SW_HIDE);
    ::ShowWindow(hWnd, show);
  });
}

int32_t MakeLong(int32_t lLow, int32_t lHigh) {
  return static_cast<int32_t>(static_cast<uint32_t>(lHigh) * 65536u +
                              static_cast<uint32_t>(static_cast<int32_t>(static_cast<int16_t>(lLow))));
}

bool ControlHasFocusRectProp(const App_Control& control) {
  bool result = false;
  App_QuietStep([&] {
    for (std::wstring_view kind : {L"CheckBox", L"ComboBox", L"RadioButton", L"FlatEdit", L"PushButton"})
      if (App_Strings::StringMatch(control.TypeName(), kind)) result = true;
  });
  return result;
}

namespace {

void SendUIState(HWND h, bool bShow) {
  if (h)
    ::SendMessageA(h, WM_CHANGEUISTATE,
                   static_cast<WPARAM>(MakeLong(bShow ? UIS_CLEAR : UIS_SET, UISF_HIDEFOCUS)), 0);
}

}  // namespace

void ToggleFocusRectangle(App_Form& form, bool bShow) {
  App_QuietStep([&] { SendUIState(form.hWnd(), bShow); });
  for (const auto& c : form.Controls())
    App_QuietStep([&] {
      if (ControlHasFocusRectProp(*c)) c->SetDrawFocusRect(bShow);
    });
}

void ToggleFocusRectangle(App_Control& control, bool bShow) {
  App_QuietStep([&] { SendUIState(control.Handle(), bShow); });
  App_QuietStep([&] {
    if (ControlHasFocusRectProp(control)) control.SetDrawFocusRect(bShow);
  });
}

namespace {

// The trace of an indexed combo box names its index.
void NoteIndex(App_ComboBox& combo, std::wstring_view sSource) {
  if (combo.Parent().IsControlArray(combo))
    App_Debug::dPrint(sSource, L"", evVerbose, pVar(L"ControlArrayIndex", combo.Index()));
}

}  // namespace

bool ComboSet(App_ComboBox& combo, std::wstring_view sText, int32_t lInsertAt, bool bNoDuplicates) {
  bool result = false;
  App_QuietStep([&] { NoteIndex(combo, L"Form_Helper.ComboSet"); });
  App_QuietStep([&] { combo.SetText(sText); });
  App_QuietStep([&] { result = ComboAdd(combo, sText, lInsertAt, bNoDuplicates); });
  return result;
}

bool ComboAdd(App_ComboBox& combo, std::wstring_view sText, int32_t lInsertAt, bool bNoDuplicates) {
  bool result = false;
  App_QuietStep([&] {
    NoteIndex(combo, L"Form_Helper.ComboAdd");
    std::wstring text(sText);
    if (text.empty()) text = combo.Text();
    if (text.empty()) return;
    if (bNoDuplicates) {
      const int32_t n = combo.ListCount();
      for (int32_t i = 0; i < n; ++i) {
        if (!App_Strings::StringMatch(combo.List(i), text)) continue;
        App_Debug::dPrint(L"Form_Helper.ComboAdd", L"Item already exists in combobox!", evNormal,
                          pVar(L"Index", i, L"sTheItem", text));
        combo.SetTopIndex(i);
        return;
      }
    }
    combo.AddItem(text, lInsertAt);
    result = true;
  });
  return result;
}

}  // namespace Form_Helper
