// The form model: a form (a top-level window) owns an ordered collection of
// named controls; controls sharing one name form an indexed group told apart
// by their index. Positions and sizes are in twips (1/1440 inch), converted
// to pixels with the screen's pixels per inch. The controls are standard
// Windows controls (BUTTON, COMBOBOX, a real menu bar), so any program can
// find and drive them from outside.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class App_Form;
class App_WebView;
class FormExtender;

namespace Form_Model {

// Twips per screen pixel, horizontally and vertically (15 at 96 pixels per inch).
double TwipsPerPixelX();
double TwipsPerPixelY();
int PixelsX(double dTwips);
int PixelsY(double dTwips);

// The window font of the forms: Tahoma 8.25 pt, plain or bold (shared, never freed).
HFONT FormFont(bool bBold);

// The left and top (twips) that centre a window of the given outer size
// (twips) on the screen.
void CentredOnScreen(double dWidth, double dHeight, double& dLeft, double& dTop);

// The picture stretched to the size as a 32-bit bitmap (a DIB section, top
// row first), each pixel the nearest of the picture's; nullptr when it
// cannot be made. The caller owns it.
HBITMAP StretchPicture(HBITMAP hBitmap, SIZE size);

}  // namespace Form_Model

// What a control is; the layout and the focus-rectangle switch ask for it.
enum class App_ControlKind {
  PushButton,
  ComboBox,
  WebView,
  FormExtender,
  Menu,
  Label,
  ListView,
  PictureBox,
  Timer,
  Image,
};

class App_Control {
 public:
  App_Control(App_Form& form, std::wstring sName, int32_t lIndex, App_ControlKind kind,
              std::wstring sTypeName);
  virtual ~App_Control();
  App_Control(const App_Control&) = delete;
  App_Control& operator=(const App_Control&) = delete;

  const std::wstring& Name() const { return Name_; }
  // The index within its group, or -1 for a control that is not in a group.
  int32_t Index() const { return Index_; }
  App_ControlKind Kind() const { return Kind_; }
  const std::wstring& TypeName() const { return TypeName_; }
  App_Form& Parent() const { return Form_; }
  HWND Handle() const { return hWnd_; }

  // Geometry in twips, relative to the form's client area.
  double Left() const { return Left_; }
  double Top() const { return Top_; }
  double Width() const { return Width_; }
  double Height() const { return Height_; }
  void SetLeft(double d);
  void SetTop(double d);
  void SetWidth(double d);
  void SetHeight(double d);
  void Move(double dLeft, double dTop, double dWidth, double dHeight);

  bool Visible() const { return Visible_; }
  virtual void SetVisible(bool b);

  // The focus-rectangle switch of the suite's buttons and combo boxes.
  bool DrawFocusRect() const { return DrawFocusRect_; }
  // Shown or hidden focus rectangle of the control's window.
  void SetDrawFocusRect(bool b);

  // Creates the control's window on its form (called when the form loads).
  virtual void Create() {}
  // A command (WM_COMMAND) that came from this control's window.
  virtual void OnCommand(int /*lNotifyCode*/) {}

 protected:
  // Hands the twips geometry to the window.
  virtual void ApplyGeometry();
  // The twips geometry in the parent's pixels: left, top, width, height.
  RECT PixelRect() const;
  // Creates the control's window of a system class at its place.
  HWND CreateChild(const wchar_t* sClass, const wchar_t* sText, DWORD lStyle);
  void SetHandle(HWND h) { hWnd_ = h; }
  int CommandID() const { return CommandID_; }

 private:
  friend class App_Form;
  App_Form& Form_;
  std::wstring Name_;
  int32_t Index_;
  App_ControlKind Kind_;
  std::wstring TypeName_;
  HWND hWnd_ = nullptr;
  double Left_ = 0, Top_ = 0, Width_ = 0, Height_ = 0;
  // The pixel place (left, top, width, height) last handed to the window.
  RECT Given_{0, 0, -1, -1};
  bool Visible_ = true;
  bool DrawFocusRect_ = true;
  int CommandID_;
};

// A push button: a BUTTON window with a caption; Click runs OnClick.
class App_PushButton : public App_Control {
 public:
  App_PushButton(App_Form& form, std::wstring sName, std::wstring sCaption, bool bBold, int32_t lIndex = -1);
  void Create() override;
  void OnCommand(int lNotifyCode) override;
  const std::wstring& Caption() const { return Caption_; }
  // The form's default button: Enter in any other control runs its Click.
  bool Default() const { return Default_; }
  void SetDefault(bool b);
  std::function<void()> OnClick;

 private:
  std::wstring Caption_;
  bool Bold_;
  bool Default_ = false;
};

// A combo box with an editable text field (COMBOBOX, CBS_DROPDOWN).
class App_ComboBox : public App_Control {
 public:
  App_ComboBox(App_Form& form, std::wstring sName);
  void Create() override;
  std::wstring Text() const;
  void SetText(std::wstring_view s);
  int32_t ListCount() const;
  std::wstring List(int32_t lPosition) const;
  // Appends (lPosition -1) or inserts the item.
  void AddItem(std::wstring_view sItem, int32_t lPosition = -1);
  // The first visible item of the list.
  void SetTopIndex(int32_t lPosition);
  int32_t TopIndex() const;

 private:
  std::vector<std::wstring> Items_;  // kept while the window does not exist yet
  std::wstring Text_;
};

// A menu of the form's menu bar. A menu without a parent stands on the bar
// itself; a menu with a parent is an item of that menu's drop-down list.
class App_MenuItem : public App_Control {
 public:
  App_MenuItem(App_Form& form, std::wstring sName, int32_t lIndex, std::wstring sCaption,
               App_MenuItem* pParent);
  const std::wstring& Caption() const { return Caption_; }
  App_MenuItem* ParentMenu() const { return ParentMenu_; }
  // A caption of "-" makes the item a separator line.
  bool Separator() const { return Caption_ == L"-"; }
  void SetVisible(bool b) override;
  // A greyed item shows but cannot be chosen.
  bool Enabled() const { return Enabled_; }
  void SetEnabled(bool b);
  void OnCommand(int lNotifyCode) override;
  using App_Control::CommandID;
  std::function<void(int32_t lIndex)> OnClick;

 protected:
  void ApplyGeometry() override {}

 private:
  std::wstring Caption_;
  App_MenuItem* ParentMenu_;
  bool Enabled_ = true;
};

// The web view control: the hosted view placed on the form like any control.
class App_WebViewControl : public App_Control {
 public:
  App_WebViewControl(App_Form& form, std::wstring sName);
  ~App_WebViewControl() override;
  // Creates the view with the form, unless DeferCreate was called first.
  void Create() override;
  // The form creates the view itself later (CreateView), e.g. once its
  // frame has been painted: the web engine is the slowest part to load.
  void DeferCreate() { Deferred_ = true; }
  // Creates the view now, at the control's place; true when it exists.
  bool CreateView();
  App_WebView* View() const { return View_.get(); }
  void SetVisible(bool b) override;

 protected:
  void ApplyGeometry() override;

 private:
  std::unique_ptr<App_WebView> View_;
  bool Deferred_ = false;
};

// The form extender: invisible; keeps the window placement and the
// always-on-top state for the window manager.
class App_FormExtenderControl : public App_Control {
 public:
  App_FormExtenderControl(App_Form& form, std::wstring sName);
  ~App_FormExtenderControl() override;
  void Create() override;
  FormExtender& Extender() const { return *Extender_; }

 protected:
  void ApplyGeometry() override {}

 private:
  std::unique_ptr<FormExtender> Extender_;
};

// A form: one top-level window with its controls and menu bar.
class App_Form {
 public:
  // Window states, as the form model numbers them.
  static constexpr int32_t stateNormal = 0, stateMinimized = 1, stateMaximized = 2;

  // The design size is the client area's width and height in twips.
  App_Form(std::wstring sName, std::wstring sDesignCaption, double dClientWidth, double dClientHeight);
  virtual ~App_Form();
  App_Form(const App_Form&) = delete;
  App_Form& operator=(const App_Form&) = delete;

  const std::wstring& Name() const { return Name_; }
  HWND hWnd() const { return hWnd_; }
  bool Loaded() const { return hWnd_ != nullptr; }

  std::wstring Caption() const;
  void SetCaption(std::wstring_view s);
  const std::wstring& Tag() const { return Tag_; }
  void SetTag(std::wstring_view s) { Tag_ = s; }

  // Outer position and size in twips (screen coordinates).
  double Left() const;
  double Top() const;
  double Width() const;
  double Height() const;
  void Move(double dLeft, double dTop);
  void Move(double dLeft, double dTop, double dWidth, double dHeight);
  // The client area in twips.
  double ScaleWidth() const;
  double ScaleHeight() const;

  int32_t WindowState() const;
  void SetWindowState(int32_t lState);
  bool Visible() const;
  // Brings the window to the front of the z-order.
  void ZOrder();
  // Repaints the window and every control in it now.
  void Refresh();
  // Marks the window and every control in it for a repaint, which comes
  // when the message loop or a show's update gets to it.
  void Invalidate();
  void SetFocus();

  // The background picture: painted by the form's paint handler (not owned).
  HBITMAP Picture() const { return Picture_; }
  void SetPicture(HBITMAP h) {
    Picture_ = h;
    ForgetScaledPicture();
  }
  // Paints a bitmap stretched over the whole client area.
  void PaintPicture(HBITMAP hBitmap);

  const std::vector<std::unique_ptr<App_Control>>& Controls() const { return Controls_; }
  // A control by name and, for a member of an indexed group, index; nullptr when none.
  App_Control* FindControl(std::wstring_view sName, int32_t lIndex = -1) const;
  // True when the control belongs to an indexed group.
  bool IsControlArray(const App_Control& c) const;

  // Creates the window (hidden), its controls and menu bar, then runs
  // Form_Load. False when the window cannot be created.
  bool Load();
  // Shows the window (modeless, or modal with a message loop of its own).
  void Show(bool bModal, HWND hOwner);
  // Asks the form to close: Form_QueryUnload, then the window goes.
  void Unload();

  // Rebuilds the menu bar from the visible menus; during the load, once at
  // its end.
  void RefreshMenuBar();
  // The default button (Enter), or nullptr.
  App_PushButton* DefaultButton() const;

  // Number of forms whose window exists: the program runs while one does.
  static int32_t OpenForms();
  // True while a form is shown modally.
  static bool ModalShown();

  // The window protocol ShowForm asks: a form may answer whether its object
  // exists (InMemory) and whether it is loaded (IsLoaded); an empty answer
  // means the form does not expose the property.
  virtual std::optional<bool> InMemory() const { return std::nullopt; }
  virtual std::optional<bool> IsLoaded() const { return std::nullopt; }

 protected:
  template <class T, class... A>
  T& Add(A&&... args) {
    auto p = std::make_unique<T>(*this, std::forward<A>(args)...);
    T& ref = *p;
    Controls_.push_back(std::move(p));
    return ref;
  }

  virtual void Form_Load() {}
  virtual void Form_Paint() {}
  // Runs once, right after the form's first paint has finished.
  virtual void Form_FirstPaintDone() {}
  virtual void Form_Resize() {}
  // Set bCancel to keep the form open.
  virtual void Form_QueryUnload(bool& /*bCancel*/) {}
  // A command of the keyboard's or mouse's extra buttons (WM_APPCOMMAND,
  // APPCOMMAND_*); true when the form carried it out.
  virtual bool Form_AppCommand(int32_t /*lCommand*/) { return false; }

 private:
  static LRESULT CALLBACK WndProc(HWND h, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

  std::wstring Name_;
  std::wstring DesignCaption_;
  double ClientWidth_, ClientHeight_;
  std::wstring Tag_;
  HWND hWnd_ = nullptr;
  HMENU MenuBar_ = nullptr;
  bool MenuBarStale_ = false;  // a menu changed during the load
  HMENU BuildMenuBar() const;
  void InstallMenuBar();
  HBITMAP Picture_ = nullptr;
  HDC PaintDC_ = nullptr;  // the paint handler's device context while it runs
  // The picture stretched once to the client area's size; painted from
  // until the picture or the size changes.
  struct ScaledPicture {
    HBITMAP Source = nullptr;
    SIZE Size{};
    HBITMAP Scaled = nullptr;
  } PictureCache_;
  void ForgetScaledPicture();
  bool InLoad_ = false;
  bool FirstPaintDone_ = false;
  int32_t PendingState_ = -1;  // a window state chosen before the window was shown
  std::vector<std::unique_ptr<App_Control>> Controls_;
};
