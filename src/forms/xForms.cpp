// The per-window manager and its proportional layout.
#include "forms/xForms.h"

#include <cmath>

#include "config/Config_Class.h"
#include "diag/App_Debug.h"
#include "diag/App_Trace.h"
#include "forms/Form_Model.h"
#include "hosted/FormExtender.h"
#include "platform/App_Env.h"
#include "registry/App_Registry.h"
#include "util/App_Variables.h"

namespace {

constexpr wchar_t kModule[] = L"xForms";
constexpr wchar_t kBackgroundResource[] = L"BACKGROUND_TAN_800X576";
constexpr wchar_t kPlacementSection[] = L"WindowPlacement";

// Two positions that land on the same pixel at any common dpi.
bool SameTwips(double a, double b) {
  return a - b < 0.5 && b - a < 0.5;
}

int32_t RoundTwips(double d) {
  return static_cast<int32_t>(std::lround(d));
}

}  // namespace

bool IsControlSizable(const App_Control& c) {
  switch (c.Kind()) {
    case App_ControlKind::Menu:
    case App_ControlKind::Timer:
    case App_ControlKind::Image:
    case App_ControlKind::FormExtender:
      return false;
    default:
      return true;
  }
}

bool IsControlArray(const App_Control& c) {
  bool result = false;
  App_QuietStep([&] { result = c.Parent().IsControlArray(c); });
  return result;
}

xForms::xForms() = default;

xForms::~xForms() {
  ShutdownClass();
}

std::wstring xForms::PlacementKey() {
  return L"LumoTech\\" + AppEnv().AppTitle_Basic;
}

void xForms::Set_Init_Form_Has_Visible_Toplevel_Menus(bool Has_Visible_Menus) {
  App_Trace t(kModule, L"Init_Form_Has_Visible_Toplevel_Menus", ptProperty);
  t.Vars(vkPassedByVal, {L"Has_Visible_Menus", Has_Visible_Menus});
  Init_Form_Has_Visible_Toplevel_Menus_ = Has_Visible_Menus;
}

void xForms::LoadBackgroundPicture() {
  // The same picture every time: loaded once, kept while the form may show it.
  if (oPic_.Valid()) return;
  oPic_.Reset(static_cast<HBITMAP>(::LoadImageW(::GetModuleHandleW(nullptr), kBackgroundResource,
                                                IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
}

ControlPosition xForms::PositionOf(const App_Control& c) const {
  ControlPosition p;
  p.Name = c.Name();
  p.Index = IsControlArray(c) ? c.Index() : -1;
  p.Left = RoundTwips(c.Left());
  p.Top = RoundTwips(c.Top());
  p.Width = RoundTwips(c.Width());
  p.Height = RoundTwips(c.Height());
  return p;
}

void xForms::Init_Form_Control_Collections(bool bPersistExistingProperties) {
  (void)bPersistExistingProperties;  // only labels, list views and picture boxes read it
  App_QuietStep([&] {
    ControlPositions_.clear();
    LabelsToResize_.clear();
    BackgroundPicBoxes_.clear();
  });
  App_QuietStep([&] { LoadBackgroundPicture(); });
  if (!Form_) return;
  for (const auto& c : Form_->Controls()) {
    App_QuietStep([&] {
      if (IsControlSizable(*c)) ControlPositions_.push_back(PositionOf(*c));
      // The form model has no labels, list views or picture boxes of the
      // suite yet; their collections stay empty.
    });
  }
}

void xForms::PaintMe(App_Form& objMe) {
  App_Trace t(kModule, L"PaintMe", ptSub);
  t.Step([&] {
    if (oPic_.Valid()) objMe.PaintPicture(oPic_.Get());
  });
}

int32_t xForms::GetMenuHeight() {
  App_Trace t(kModule, L"GetMenuHeight");
  int32_t result = 0;
  t.Step([&] { result = RoundTwips(Form_Model::TwipsPerPixelY() * ::GetSystemMetrics(SM_CYMENU)); });
  t.Vars(vkFunctionReturn, {result});
  return result;
}

void xForms::ResizeControls() {
  if (!Form_) return;
  App_QuietStep([&] {
    if (Form_->Picture()) Form_->PaintPicture(Form_->Picture());
  });
  int32_t lMenu = 0;
  App_QuietStep([&] { lMenu = GetMenuHeight(); });
  App_QuietStep([&] {
    if (OrigWidth_ > 0) WidthRatio_ = Form_->Width() / OrigWidth_;
  });
  App_QuietStep([&] {
    if (OrigHeight_ <= 0) return;
    const double h = Form_->Height();
    if (Init_Form_Has_Visible_Toplevel_Menus_ == Form_Currently_Has_Visible_Toplevel_Menus) {
      HeightRatio_ = h / OrigHeight_;
    } else if (Init_Form_Has_Visible_Toplevel_Menus_) {
      // The menu bar has gone since the capture: its height now belongs to the controls.
      HeightRatio_ = (h + lMenu) / OrigHeight_;
    } else {
      // A menu bar has appeared: it takes its height from the controls.
      HeightRatio_ = (h - lMenu) / OrigHeight_;
    }
  });
  for (const ControlPosition& p : ControlPositions_) {
    App_QuietStep([&] {
      App_Control* c = Form_->FindControl(p.Name, p.Index);
      if (!c) return;
      // A control already in its place is not touched: the first show's
      // resize, which changes no size, moves nothing.
      const double l = p.Left * WidthRatio_, tp = p.Top * HeightRatio_, w = p.Width * WidthRatio_,
                   h = p.Height * HeightRatio_;
      if (SameTwips(c->Left(), l) && SameTwips(c->Top(), tp) && SameTwips(c->Width(), w) &&
          SameTwips(c->Height(), h))
        return;
      const bool hide = c->Visible();
      if (hide) c->SetVisible(false);
      // One move with all four values: the same place as setting them one by
      // one, without three moves of the window in between.
      c->Move(l, tp, w, h);
      if (hide) c->SetVisible(true);
    });
  }
}

void xForms::KeepPlaceOf(const App_Control& c) {
  const ControlPosition now = PositionOf(c);
  for (ControlPosition& p : ControlPositions_)
    if (p.Name == now.Name && p.Index == now.Index) p = now;
}

void xForms::Init(App_Form& frmMe, App_FormExtenderControl* FormExtenderControl,
                  bool bEnforceMinimumHeightFromIDE) {
  App_QuietStep([&] {
    Form_ = &frmMe;
    Extender_ = FormExtenderControl;
    FormName_ = frmMe.Name();
  });
  // The extender of this program has no minimum size to enforce.
  (void)bEnforceMinimumHeightFromIDE;
  App_QuietStep([&] { Init_Form_Control_Collections(false); });
  App_QuietStep([&] {
    ControlPositions_.clear();
    for (const auto& c : Form_->Controls())
      if (IsControlSizable(*c)) ControlPositions_.push_back(PositionOf(*c));
  });
  App_QuietStep([&] {
    OrigHeight_ = RoundTwips(Form_->Height());
    OrigWidth_ = RoundTwips(Form_->Width());
  });
  App_QuietStep([&] { SetCaption(); });
  App_QuietStep([&] { Apply_Window_Settings(lssApplyOnInit); });
}

void xForms::CenterForm() {
  if (!Form_) return;
  App_QuietStep([&] {
    double left = 0, top = 0;
    Form_Model::CentredOnScreen(Form_->Width(), Form_->Height(), left, top);
    Form_->Move(left, top);
  });
  App_QuietStep([&] { Form_->ZOrder(); });
}

void xForms::Apply_Window_Settings(int32_t LOAD_SAVE_SETTING_OPTIONS) {
  App_Trace t(kModule, L"Apply_Window_Settings");
  t.Vars(vkPassedByVal, {L"LOAD_SAVE_SETTING_OPTIONS", LOAD_SAVE_SETTING_OPTIONS});
  const bool apply =
      LOAD_SAVE_SETTING_OPTIONS == lssApplyOnLoad || LOAD_SAVE_SETTING_OPTIONS == lssApplyOnInit;
  const bool save =
      LOAD_SAVE_SETTING_OPTIONS == lssSaveOnClose || LOAD_SAVE_SETTING_OPTIONS == lssSaveOnShutdown;
  if (apply) t.Step([&] { Refresh_Tan_Theme_Backgrounds(true); });
  if (!Extender_) return;
  if (apply) {
    t.Step([&] {
      if (Is_Enabled_LoadSaveMetrics())
        ApplyMetric(waRestorePlacement);
      else
        CenterForm();
    });
    t.Step([&] { ApplyMetric(Is_Enabled_AlwaysOnTop() ? waOnTop : waNotOnTop); });
  }
  if (save) {
    t.Step([&] {
      if (Is_Enabled_LoadSaveMetrics())
        ApplyMetric(waSavePlacement);
      else
        RemoveSavedPositionsFromHKCU();
    });
  }
}

void xForms::Enable_LoadSaveMetrics(bool bEnable) {
  App_Trace t(kModule, L"Enable_LoadSaveMetrics", ptSub);
  t.Vars(vkPassedByVal, {L"bEnable", bEnable});
  if (!Extender_) return;
  MetricsEnabled_ = bEnable;
  if (bEnable) {
    t.Step([&] { Cfg().SetBool(Config_Class::GetMetricSettingName(FormName_, cwmAuto_LoadSave), true); });
  } else {
    t.Step([&] { Cfg().WipeWindowMetrics(FormName_); });
    t.Step([&] { RemoveSavedPositionsFromHKCU(); });
  }
}

bool xForms::Is_Enabled_LoadSaveMetrics() {
  App_Trace t(kModule, L"Is_Enabled_LoadSaveMetrics");
  bool result = false;
  t.Step([&] {
    if (Extender_) result = Cfg().GetBool(Config_Class::GetMetricSettingName(FormName_, cwmAuto_LoadSave));
  });
  t.Vars(vkFunctionReturn, {result});
  return result;
}

bool xForms::Is_Enabled_AlwaysOnTop() {
  App_Trace t(kModule, L"Is_Enabled_AlwaysOnTop");
  bool result = false;
  t.Step([&] {
    if (Extender_) result = Extender_->Extender().AlwaysOnTop();
  });
  t.Vars(vkFunctionReturn, {result});
  return result;
}

void xForms::ApplyMetric(int32_t WindowAction) {
  App_Trace t(kModule, L"ApplyMetric", ptSub);
  t.Vars(vkPassedByVal, {L"WindowAction", WindowAction});
  if (!Extender_) return;
  t.Step([&] {
    FormExtender& ex = Extender_->Extender();
    switch (WindowAction) {
      case waCenter:
        CenterForm();
        break;
      case waOnTop:
      case waNotOnTop: {
        const bool top = WindowAction == waOnTop;
        if (MetricsEnabled_) Cfg().SetBool(Config_Class::GetMetricSettingName(FormName_, cwmTop), top);
        ex.SetAlwaysOnTop(top);
        break;
      }
      case waSavePlacement:
        ex.SavePlacement(PlacementKey(), kPlacementSection, FormName_);
        break;
      case waRestorePlacement:
        if (ex.RestorePlacement(PlacementKey(), kPlacementSection, FormName_) && ex.ShowMaximisedPending() &&
            Form_)
          Form_->SetWindowState(App_Form::stateMaximized);  // applied by the window's first show
        break;
      default:
        break;
    }
  });
  t.Step([&] {
    if (Form_) Form_->ZOrder();
  });
}

void xForms::RemoveSavedPositionsFromHKCU() {
  App_Trace t(kModule, L"RemoveSavedPositionsFromHKCU", ptSub);
  t.Step([&] {
    // Only the placements: the program's key may hold other values of the kit.
    bool bNotFound = false;
    int32_t lAPIError = 0;
    App_Registry::KillRegKey(hkeyCurrentUser, L"Software\\" + PlacementKey() + L"\\" + kPlacementSection,
                             bNotFound, lAPIError);
  });
}

std::wstring xForms::Caption_Title() {
  App_Trace t(kModule, L"Caption_Title", ptProperty);
  t.Vars(vkFunctionReturn, {Caption_Title_});
  return Caption_Title_;
}

void xForms::Caption_Title(std::wstring_view The_Caption_Title) {
  App_Trace t(kModule, L"Caption_Title", ptProperty);
  t.Vars(vkPassedByVal, {L"The_Caption_Title", The_Caption_Title});
  t.Step([&] { Caption_Title_ = The_Caption_Title; });
  t.Step([&] { SetCaption(); });
}

std::wstring xForms::Caption_Title_Appendage() {
  App_Trace t(kModule, L"Caption_Title_Appendage", ptProperty);
  t.Vars(vkFunctionReturn, {Caption_Title_Appendage_});
  return Caption_Title_Appendage_;
}

void xForms::Caption_Title_Appendage(std::wstring_view Append_String) {
  App_Trace t(kModule, L"Caption_Title_Appendage", ptProperty);
  t.Vars(vkPassedByVal, {L"Append_String", Append_String});
  t.Step([&] { Caption_Title_Appendage_ = Append_String; });
  t.Step([&] { SetCaption(); });
}

void xForms::SetCaption() {
  App_Trace t(kModule, L"SetCaption", ptSub);
  t.Step([&] {
    if (!Form_) return;
    const std::wstring title = Caption_Title_.empty() ? AppEnv().AppTitle_Basic : Caption_Title_;
    Form_->SetCaption(title + L"  " + Caption_Title_Appendage_);
  });
}

void xForms::Refresh_Tan_Theme_Backgrounds(bool bEnable) {
  App_Trace t(kModule, L"Refresh_Tan_Theme_Backgrounds", ptSub);
  t.Vars(vkPassedByVal, {L"bEnable", bEnable});
  if (Disable_Background_Gradient) return;
  t.Log(L"Refresh_Tan_Theme_Backgrounds triggered!");
  if (!Form_) return;
  if (bEnable) {
    t.Step([&] { LoadBackgroundPicture(); });
    t.Step([&] {
      if (!Form_->Picture()) Form_->SetPicture(oPic_.Get());
      Form_->PaintPicture(oPic_.Get());
    });
  } else {
    t.Step([&] {
      Form_->SetPicture(nullptr);
      oPic_.Reset();
    });
  }
}

void xForms::App_ClassSync_CleanUp() {
  ShutdownClass();
}

void xForms::ShutdownClass() {
  if (!ShutdownPending_) return;
  ShutdownPending_ = false;
  App_QuietStep([&] { Apply_Window_Settings(lssSaveOnShutdown); });
  App_QuietStep([&] {
    LabelsToResize_.clear();
    BackgroundPicBoxes_.clear();
    // The form keeps no picture that this manager is about to free.
    if (Form_ && Form_->Picture() == oPic_.Get()) Form_->SetPicture(nullptr);
    Extender_ = nullptr;
    Form_ = nullptr;
  });
}
