// The per-window manager: window placement and always-on-top through the
// form extender, centring, the caption, the tan background picture and the
// proportional layout of the controls.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/App_ClassSync.h"
#include "util/App_Handle.h"

class App_Form;
class App_Control;
class App_FormExtenderControl;

// One sizable control's geometry when it was captured (twips).
struct ControlPosition {
  std::wstring Name;
  int32_t Index = -1;  // -1: not a member of an indexed group
  int32_t Left = 0, Top = 0, Width = 0, Height = 0;
};

// Options of Apply_Window_Settings: 0 and 1 apply (at load), 2 and 3 save
// (at close, at shutdown).
enum xForms_LoadSaveOption : int32_t {
  lssApplyOnLoad = 0,
  lssApplyOnInit = 1,
  lssSaveOnClose = 2,
  lssSaveOnShutdown = 3
};

// Actions of ApplyMetric.
enum xForms_WindowAction : int32_t {
  waCenter = 0,
  waOnTop = 1,
  waNotOnTop = 2,
  waSavePlacement = 3,
  waRestorePlacement = 4
};

// GDI bitmaps, deleted with DeleteObject.
struct App_BitmapTraits {
  static bool Valid(HBITMAP h) { return h != nullptr; }
  static void Release(HBITMAP h) { ::DeleteObject(h); }
};
using App_Bitmap = App_Owner<HBITMAP, App_BitmapTraits>;

// True unless the control is a menu, timer, image or the form extender
// (components without a visible rectangle).
bool IsControlSizable(const App_Control& c);
bool IsControlArray(const App_Control& c);

class xForms : public App_ClassSync {
 public:
  xForms();
  ~xForms() override;

  bool Disable_Background_Gradient = false;
  bool Form_Currently_Has_Visible_Toplevel_Menus = false;
  HBITMAP oPic() const { return oPic_.Get(); }

  void Set_Init_Form_Has_Visible_Toplevel_Menus(bool Has_Visible_Menus);
  void Init_Form_Control_Collections(bool bPersistExistingProperties);
  void PaintMe(App_Form& objMe);
  void ResizeControls();
  // The control's present place becomes the one it is scaled from: for a
  // control the form's load moves after the manager has taken the places.
  void KeepPlaceOf(const App_Control& c);
  int32_t GetMenuHeight();
  void Init(App_Form& frmMe, App_FormExtenderControl* FormExtenderControl, bool bEnforceMinimumHeightFromIDE);
  void CenterForm();
  void Apply_Window_Settings(int32_t LOAD_SAVE_SETTING_OPTIONS);
  void Enable_LoadSaveMetrics(bool bEnable);
  bool Is_Enabled_LoadSaveMetrics();
  bool Is_Enabled_AlwaysOnTop();
  void ApplyMetric(int32_t WindowAction);
  void RemoveSavedPositionsFromHKCU();
  std::wstring Caption_Title();
  void Caption_Title(std::wstring_view The_Caption_Title);
  std::wstring Caption_Title_Appendage();
  void Caption_Title_Appendage(std::wstring_view Append_String);
  void App_ClassSync_CleanUp() override;

  const std::vector<ControlPosition>& ControlPositions() const { return ControlPositions_; }
  double HeightRatio() const { return HeightRatio_; }
  double WidthRatio() const { return WidthRatio_; }
  int32_t OrigHeight() const { return OrigHeight_; }
  int32_t OrigWidth() const { return OrigWidth_; }
  const std::wstring& FormName() const { return FormName_; }

  // The registry key (below HKEY_CURRENT_USER "Software\") that holds this
  // program's window placements: "LumoTech\" + the program's basic title.
  static std::wstring PlacementKey();

 private:
  void Refresh_Tan_Theme_Backgrounds(bool bEnable);
  void SetCaption();
  void ShutdownClass();
  void LoadBackgroundPicture();
  ControlPosition PositionOf(const App_Control& c) const;

  App_Bitmap oPic_;
  bool ShutdownPending_ = true;
  App_Form* Form_ = nullptr;
  App_FormExtenderControl* Extender_ = nullptr;
  bool MetricsEnabled_ = false;
  bool Init_Form_Has_Visible_Toplevel_Menus_ = false;
  std::vector<App_Control*> LabelsToResize_;
  std::vector<App_Control*> BackgroundPicBoxes_;
  std::wstring FormName_;
  std::wstring Caption_Title_;
  std::wstring Caption_Title_Appendage_;
  std::vector<ControlPosition> ControlPositions_;
  int32_t OrigHeight_ = 0, OrigWidth_ = 0;
  double HeightRatio_ = 1.0, WidthRatio_ = 1.0;
};
