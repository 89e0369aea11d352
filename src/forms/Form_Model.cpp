// The form model on plain Win32 windows.
#include "forms/Form_Model.h"

#include <commctrl.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "forms/Form_Icons.h"
#include "hosted/App_WebView.h"
#include "hosted/FormExtender.h"
#include "platform/App_Platform.h"

namespace Form_Model {

using App_Platform::ScreenDpi;

double TwipsPerPixelX() {
  return 1440.0 / ScreenDpi(LOGPIXELSX);
}
double TwipsPerPixelY() {
  return 1440.0 / ScreenDpi(LOGPIXELSY);
}
int PixelsX(double d) {
  return static_cast<int>(std::lround(d / TwipsPerPixelX()));
}
int PixelsY(double d) {
  return static_cast<int>(std::lround(d / TwipsPerPixelY()));
}

HFONT FormFont(bool bBold) {
  static HFONT fonts[2] = {nullptr, nullptr};
  HFONT& f = fonts[bBold ? 1 : 0];
  if (!f) {
    // 8.25 points at the screen's pixels per inch.
    const int height = -static_cast<int>(std::lround(8.25 * ScreenDpi(LOGPIXELSY) / 72.0));
    f = ::CreateFontW(height, 0, 0, 0, bBold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                      OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                      L"Tahoma");
  }
  return f;
}

void CentredOnScreen(double dWidth, double dHeight, double& dLeft, double& dTop) {
  const double screenW = ::GetSystemMetrics(SM_CXSCREEN) * TwipsPerPixelX();
  const double screenH = ::GetSystemMetrics(SM_CYSCREEN) * TwipsPerPixelY();
  dLeft = static_cast<double>(std::llround(screenW - dWidth) / 2);
  dTop = static_cast<double>(std::llround(screenH - dHeight) / 2);
}

namespace {

// Fills a 32-bit target of the given size, top row first, with the nearest
// pixel of a picture of the given size (as GDI's COLORONCOLOR stretch
// does): colourAt(row, column) is the picture's colour there, rows counted
// from the top.
template <typename ColourAt>
void StretchNearest(uint32_t* to, SIZE target, SIZE source, ColourAt colourAt) {
  std::vector<LONG> column(static_cast<size_t>(target.cx));
  for (LONG x = 0; x < target.cx; ++x)
    column[x] = static_cast<LONG>(static_cast<LONGLONG>(x) * source.cx / target.cx);
  for (LONG y = 0; y < target.cy; ++y) {
    const LONG row = static_cast<LONG>(static_cast<LONGLONG>(y) * source.cy / target.cy);
    for (LONG x = 0; x < target.cx; ++x) *to++ = colourAt(row, column[x]);
  }
}

// The header of a top-down picture of the size with lBits per pixel.
BITMAPINFOHEADER TopDownHeader(SIZE size, WORD lBits) {
  BITMAPINFOHEADER h{};
  h.biSize = sizeof(h);
  h.biWidth = size.cx;
  h.biHeight = -size.cy;
  h.biPlanes = 1;
  h.biBitCount = lBits;
  h.biCompression = BI_RGB;
  return h;
}

}  // namespace

// A 32-bit bitmap paints copy unchanged. The program's own loop: GDI's
// stretch of a paletted picture costs several times more under Wine, on the
// window's first show and at every resize.
HBITMAP StretchPicture(HBITMAP hBitmap, SIZE size) {
  DIBSECTION ds{};
  const int got = ::GetObjectW(hBitmap, sizeof(ds), &ds);
  if (!got || ds.dsBm.bmWidth <= 0 || ds.dsBm.bmHeight <= 0) return nullptr;
  const SIZE source{ds.dsBm.bmWidth, ds.dsBm.bmHeight};
  const SIZE target{size.cx > 0 ? size.cx : 1, size.cy > 0 ? size.cy : 1};
  // The picture, the top row first: a paletted one (the tan background) as
  // its bytes and colour table, a quarter of its size in 32-bit colours;
  // any other as 32-bit colours.
  const bool paletted = got == static_cast<int>(sizeof(ds)) && ds.dsBmih.biBitCount == 8;
  struct {
    BITMAPINFOHEADER h;
    RGBQUAD colours[256];
  } in{};
  in.h = TopDownHeader(source, paletted ? 8 : 32);
  const size_t stride =
      paletted ? (static_cast<size_t>(source.cx) + 3) / 4 * 4 : static_cast<size_t>(source.cx) * 4;
  std::vector<uint8_t> from(stride * static_cast<size_t>(source.cy));
  HDC screen = ::GetDC(nullptr);
  const bool read = screen && ::GetDIBits(screen, hBitmap, 0, static_cast<UINT>(source.cy), from.data(),
                                          reinterpret_cast<BITMAPINFO*>(&in), DIB_RGB_COLORS) == source.cy;
  if (screen) ::ReleaseDC(nullptr, screen);
  if (!read) return nullptr;

  BITMAPINFO out{};
  out.bmiHeader = TopDownHeader(target, 32);
  void* bits = nullptr;
  HBITMAP scaled = ::CreateDIBSection(nullptr, &out, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!scaled || !bits) return scaled;
  auto* to = static_cast<uint32_t*>(bits);
  if (paletted) {
    // An RGBQUAD is the colour as a 32-bit pixel (blue in the low byte).
    static_assert(sizeof(RGBQUAD) == sizeof(uint32_t), "RGBQUAD is a 32-bit pixel");
    uint32_t palette[256];
    for (int i = 0; i < 256; ++i) {
      in.colours[i].rgbReserved = 0;
      std::memcpy(&palette[i], &in.colours[i], sizeof(uint32_t));
    }
    StretchNearest(to, target, source, [&](LONG row, LONG x) { return palette[from[row * stride + x]]; });
  } else {
    StretchNearest(to, target, source, [&](LONG row, LONG x) {
      uint32_t c;
      std::memcpy(&c, &from[row * stride + static_cast<size_t>(x) * 4], sizeof(c));
      return c;
    });
  }
  return scaled;
}

}  // namespace Form_Model

namespace {

constexpr wchar_t kFormClass[] = L"LumoForm";
int g_NextCommandID = 1000;
int32_t g_OpenForms = 0;
int32_t g_ModalForms = 0;

// A window not on the screen yet (a control made while its form loads) is
// not repainted for it: its first show paints it with the font.
void SetWindowFont(HWND h, bool bBold) {
  if (h)
    ::SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(Form_Model::FormFont(bBold)),
                   ::IsWindowVisible(h) ? TRUE : FALSE);
}

}  // namespace

// ---- controls ---------------------------------------------------------------------

App_Control::App_Control(App_Form& form, std::wstring sName, int32_t lIndex, App_ControlKind kind,
                         std::wstring sTypeName)
    : Form_(form),
      Name_(std::move(sName)),
      Index_(lIndex),
      Kind_(kind),
      TypeName_(std::move(sTypeName)),
      CommandID_(g_NextCommandID++) {}

App_Control::~App_Control() = default;

void App_Control::SetLeft(double d) {
  Left_ = d;
  ApplyGeometry();
}
void App_Control::SetTop(double d) {
  Top_ = d;
  ApplyGeometry();
}
void App_Control::SetWidth(double d) {
  Width_ = d;
  ApplyGeometry();
}
void App_Control::SetHeight(double d) {
  Height_ = d;
  ApplyGeometry();
}
void App_Control::Move(double dLeft, double dTop, double dWidth, double dHeight) {
  Left_ = dLeft;
  Top_ = dTop;
  Width_ = dWidth;
  Height_ = dHeight;
  ApplyGeometry();
}

void App_Control::SetVisible(bool b) {
  Visible_ = b;
  if (hWnd_) ::ShowWindow(hWnd_, b ? SW_SHOWNA : SW_HIDE);
}

void App_Control::SetDrawFocusRect(bool b) {
  DrawFocusRect_ = b;
  if (hWnd_) ::SendMessageW(hWnd_, WM_CHANGEUISTATE, MAKEWPARAM(b ? UIS_CLEAR : UIS_SET, UISF_HIDEFOCUS), 0);
}

RECT App_Control::PixelRect() const {
  using namespace Form_Model;
  const int x = PixelsX(Left_), y = PixelsY(Top_);
  return {x, y, PixelsX(Left_ + Width_) - x, PixelsY(Top_ + Height_) - y};
}

void App_Control::ApplyGeometry() {
  if (!hWnd_) return;
  const RECT r = PixelRect();
  if (::EqualRect(&r, &Given_)) return;
  // The same size as last time: the window is only moved. A combo box
  // sizes itself to its font, and each size handed to it again makes it
  // lay out and move its parts anew.
  if (r.right == Given_.right && r.bottom == Given_.bottom)
    ::SetWindowPos(hWnd_, nullptr, r.left, r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  else
    ::MoveWindow(hWnd_, r.left, r.top, r.right, r.bottom, TRUE);
  Given_ = r;
}

HWND App_Control::CreateChild(const wchar_t* sClass, const wchar_t* sText, DWORD lStyle) {
  // Made at its place: the first show finds nothing to move.
  const RECT r = PixelRect();
  HWND h = ::CreateWindowExW(0, sClass, sText, lStyle, r.left, r.top, r.right, r.bottom, Parent().hWnd(),
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(CommandID())),
                             ::GetModuleHandleW(nullptr), nullptr);
  if (h) Given_ = r;
  return h;
}

App_PushButton::App_PushButton(App_Form& form, std::wstring sName, std::wstring sCaption, bool bBold,
                               int32_t lIndex)
    : App_Control(form, std::move(sName), lIndex, App_ControlKind::PushButton, L"PushButton"),
      Caption_(std::move(sCaption)),
      Bold_(bBold) {}

void App_PushButton::Create() {
  const DWORD style =
      WS_CHILD | WS_TABSTOP | (Visible() ? WS_VISIBLE : 0) | (Default_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
  SetHandle(CreateChild(WC_BUTTONW, Caption_.c_str(), style));
  SetWindowFont(Handle(), Bold_);
  SetDrawFocusRect(DrawFocusRect());
}

void App_PushButton::OnCommand(int lNotifyCode) {
  if (lNotifyCode == BN_CLICKED && OnClick) OnClick();
}

void App_PushButton::SetDefault(bool b) {
  Default_ = b;
  if (Handle()) ::SendMessageW(Handle(), BM_SETSTYLE, b ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

App_ComboBox::App_ComboBox(App_Form& form, std::wstring sName)
    : App_Control(form, std::move(sName), -1, App_ControlKind::ComboBox, L"ComboBox") {}

void App_ComboBox::Create() {
  const DWORD style =
      WS_CHILD | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL | (Visible() ? WS_VISIBLE : 0);
  // The window's height includes the drop-down list. With the font the
  // combo box works out the height of its edit part itself.
  SetHandle(CreateChild(WC_COMBOBOXW, L"", style));
  SetWindowFont(Handle(), false);
  for (const std::wstring& item : Items_)
    ::SendMessageW(Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
  Items_.clear();
  // It is made empty: only a text given before it was made is set.
  if (!Text_.empty()) ::SetWindowTextW(Handle(), Text_.c_str());
}

std::wstring App_ComboBox::Text() const {
  if (!Handle()) return Text_;
  const int n = ::GetWindowTextLengthW(Handle());
  std::wstring s(static_cast<size_t>(n) + 1, L'\0');
  s.resize(static_cast<size_t>(::GetWindowTextW(Handle(), s.data(), n + 1)));
  return s;
}

void App_ComboBox::SetText(std::wstring_view s) {
  Text_ = s;
  if (Handle()) ::SetWindowTextW(Handle(), Text_.c_str());
}

int32_t App_ComboBox::ListCount() const {
  if (!Handle()) return static_cast<int32_t>(Items_.size());
  const LRESULT n = ::SendMessageW(Handle(), CB_GETCOUNT, 0, 0);
  return n < 0 ? 0 : static_cast<int32_t>(n);
}

std::wstring App_ComboBox::List(int32_t lPosition) const {
  if (!Handle()) {
    return lPosition >= 0 && static_cast<size_t>(lPosition) < Items_.size() ? Items_[lPosition] : L"";
  }
  const LRESULT n = ::SendMessageW(Handle(), CB_GETLBTEXTLEN, lPosition, 0);
  if (n == CB_ERR) return L"";
  std::wstring s(static_cast<size_t>(n) + 1, L'\0');
  const LRESULT got = ::SendMessageW(Handle(), CB_GETLBTEXT, lPosition, reinterpret_cast<LPARAM>(s.data()));
  s.resize(got == CB_ERR ? 0 : static_cast<size_t>(got));
  return s;
}

void App_ComboBox::AddItem(std::wstring_view sItem, int32_t lPosition) {
  const std::wstring item(sItem);
  if (!Handle()) {
    if (lPosition < 0 || static_cast<size_t>(lPosition) > Items_.size())
      Items_.push_back(item);
    else
      Items_.insert(Items_.begin() + lPosition, item);
    return;
  }
  ::SendMessageW(Handle(), CB_INSERTSTRING, lPosition < 0 ? static_cast<WPARAM>(-1) : lPosition,
                 reinterpret_cast<LPARAM>(item.c_str()));
}

void App_ComboBox::SetTopIndex(int32_t lPosition) {
  if (Handle()) ::SendMessageW(Handle(), CB_SETTOPINDEX, lPosition, 0);
}

int32_t App_ComboBox::TopIndex() const {
  return Handle() ? static_cast<int32_t>(::SendMessageW(Handle(), CB_GETTOPINDEX, 0, 0)) : 0;
}

App_MenuItem::App_MenuItem(App_Form& form, std::wstring sName, int32_t lIndex, std::wstring sCaption,
                           App_MenuItem* pParent)
    : App_Control(form, std::move(sName), lIndex, App_ControlKind::Menu, L"Menu"),
      Caption_(std::move(sCaption)),
      ParentMenu_(pParent) {}

void App_MenuItem::SetVisible(bool b) {
  const bool changed = b != Visible();
  App_Control::SetVisible(b);
  if (changed) Parent().RefreshMenuBar();
}

void App_MenuItem::SetEnabled(bool b) {
  Enabled_ = b;
  HWND h = Parent().hWnd();
  if (HMENU bar = h ? ::GetMenu(h) : nullptr) {
    ::EnableMenuItem(bar, static_cast<UINT>(CommandID()), MF_BYCOMMAND | (b ? MF_ENABLED : MF_GRAYED));
    if (!ParentMenu()) ::DrawMenuBar(h);
  }
}

void App_MenuItem::OnCommand(int) {
  if (OnClick) OnClick(Index());
}

App_WebViewControl::App_WebViewControl(App_Form& form, std::wstring sName)
    : App_Control(form, std::move(sName), -1, App_ControlKind::WebView, L"WebBrowser") {}

App_WebViewControl::~App_WebViewControl() = default;

void App_WebViewControl::Create() {
  if (!Deferred_) CreateView();
}

bool App_WebViewControl::CreateView() {
  if (View_) return true;
  // The page renders in the newest document mode this machine offers.
  SetBrowserEmulation();
  auto view = CreateWebView();
  if (!view || !view->Create(Parent().hWnd())) return false;  // the form shows no page
  View_ = std::move(view);
  SetHandle(View_->Window());
  ApplyGeometry();
  View_->SetVisible(Visible());
  return true;
}

void App_WebViewControl::SetVisible(bool b) {
  App_Control::SetVisible(b);
  if (View_) View_->SetVisible(b);
}

void App_WebViewControl::ApplyGeometry() {
  if (!View_) return;
  using namespace Form_Model;
  const int x = PixelsX(Left()), y = PixelsY(Top());
  View_->Move(x, y, PixelsX(Left() + Width()) - x, PixelsY(Top() + Height()) - y);
}

App_FormExtenderControl::App_FormExtenderControl(App_Form& form, std::wstring sName)
    : App_Control(form, std::move(sName), -1, App_ControlKind::FormExtender, L"FormExtender"),
      Extender_(std::make_unique<FormExtender>()) {}

App_FormExtenderControl::~App_FormExtenderControl() = default;

void App_FormExtenderControl::Create() {
  Extender_->Attach(Parent().hWnd());
}

// ---- the form ---------------------------------------------------------------------

App_Form::App_Form(std::wstring sName, std::wstring sDesignCaption, double dClientWidth, double dClientHeight)
    : Name_(std::move(sName)),
      DesignCaption_(std::move(sDesignCaption)),
      ClientWidth_(dClientWidth),
      ClientHeight_(dClientHeight) {}

App_Form::~App_Form() {
  ForgetScaledPicture();
  if (hWnd_) {
    ::SetWindowLongPtrW(hWnd_, GWLP_USERDATA, 0);
    ::DestroyWindow(hWnd_);
    hWnd_ = nullptr;
    --g_OpenForms;
  }
}

int32_t App_Form::OpenForms() {
  return g_OpenForms;
}
bool App_Form::ModalShown() {
  return g_ModalForms > 0;
}

std::wstring App_Form::Caption() const {
  if (!hWnd_) return DesignCaption_;
  const int n = ::GetWindowTextLengthW(hWnd_);
  std::wstring s(static_cast<size_t>(n) + 1, L'\0');
  s.resize(static_cast<size_t>(::GetWindowTextW(hWnd_, s.data(), n + 1)));
  return s;
}

void App_Form::SetCaption(std::wstring_view s) {
  DesignCaption_ = s;
  if (hWnd_) ::SetWindowTextW(hWnd_, DesignCaption_.c_str());
}

namespace {

RECT WindowRectOf(HWND h) {
  RECT r{};
  if (h) ::GetWindowRect(h, &r);
  return r;
}

}  // namespace

double App_Form::Left() const {
  return WindowRectOf(hWnd_).left * Form_Model::TwipsPerPixelX();
}
double App_Form::Top() const {
  return WindowRectOf(hWnd_).top * Form_Model::TwipsPerPixelY();
}
double App_Form::Width() const {
  const RECT r = WindowRectOf(hWnd_);
  return (r.right - r.left) * Form_Model::TwipsPerPixelX();
}
double App_Form::Height() const {
  const RECT r = WindowRectOf(hWnd_);
  return (r.bottom - r.top) * Form_Model::TwipsPerPixelY();
}

void App_Form::Move(double dLeft, double dTop) {
  Move(dLeft, dTop, Width(), Height());
}

void App_Form::Move(double dLeft, double dTop, double dWidth, double dHeight) {
  if (!hWnd_) return;
  using namespace Form_Model;
  const int x = PixelsX(dLeft), y = PixelsY(dTop), cx = PixelsX(dWidth), cy = PixelsY(dHeight);
  // Already there (a normal window): no move through the window manager.
  const RECT now = WindowRectOf(hWnd_);
  if (now.left == x && now.top == y && now.right - now.left == cx && now.bottom - now.top == cy &&
      !::IsIconic(hWnd_) && !::IsZoomed(hWnd_))
    return;
  ::MoveWindow(hWnd_, x, y, cx, cy, TRUE);
}

double App_Form::ScaleWidth() const {
  RECT r{};
  if (hWnd_) ::GetClientRect(hWnd_, &r);
  return r.right * Form_Model::TwipsPerPixelX();
}

double App_Form::ScaleHeight() const {
  RECT r{};
  if (hWnd_) ::GetClientRect(hWnd_, &r);
  return r.bottom * Form_Model::TwipsPerPixelY();
}

int32_t App_Form::WindowState() const {
  if (!hWnd_) return stateNormal;
  if (::IsIconic(hWnd_)) return stateMinimized;
  if (::IsZoomed(hWnd_)) return stateMaximized;
  return stateNormal;
}

void App_Form::SetWindowState(int32_t lState) {
  if (!hWnd_) return;
  if (!::IsWindowVisible(hWnd_)) {
    PendingState_ = lState;  // applied when the window is shown
    return;
  }
  ::ShowWindow(hWnd_, lState == stateMinimized   ? SW_MINIMIZE
                      : lState == stateMaximized ? SW_MAXIMIZE
                                                 : SW_RESTORE);
}

bool App_Form::Visible() const {
  return hWnd_ && ::IsWindowVisible(hWnd_);
}

void App_Form::ZOrder() {
  if (!hWnd_) return;
  // Already first of its band (above it nothing, or only always-on-top
  // windows while it is not one): no move through the window manager.
  // Hidden windows above it count for nothing, as nobody sees them: a
  // window that loads has its own drop-down lists and input window above
  // it. A few are looked at; past them the window is simply moved.
  auto onTop = [](HWND h) { return (::GetWindowLongPtrW(h, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; };
  HWND prev = ::GetWindow(hWnd_, GW_HWNDPREV);
  for (int hidden = 0; prev && !::IsWindowVisible(prev) && hidden < 8; ++hidden)
    prev = ::GetWindow(prev, GW_HWNDPREV);
  if (!prev || (onTop(prev) && !onTop(hWnd_))) return;
  ::SetWindowPos(hWnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void App_Form::Refresh() {
  if (hWnd_)
    ::RedrawWindow(hWnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void App_Form::Invalidate() {
  if (hWnd_) ::RedrawWindow(hWnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void App_Form::SetFocus() {
  if (hWnd_) ::SetForegroundWindow(hWnd_);
}

void App_Form::ForgetScaledPicture() {
  if (PictureCache_.Scaled) ::DeleteObject(PictureCache_.Scaled);
  PictureCache_ = {};
}

void App_Form::PaintPicture(HBITMAP hBitmap) {
  if (!hWnd_ || !hBitmap) return;
  // A hidden window shows nothing drawn on it: its first paint draws the
  // picture, stretched once at the size it is shown at.
  if (!PaintDC_ && !::IsWindowVisible(hWnd_)) return;
  // Outside a paint, the window's own picture is repainted through the
  // paint handler, which draws it: a resize then paints it once, not once
  // here and once more in the paint that follows.
  if (!PaintDC_ && hBitmap == Picture_) {
    ::InvalidateRect(hWnd_, nullptr, FALSE);
    return;
  }
  RECT r{};
  ::GetClientRect(hWnd_, &r);
  // Stretching is the costly part: done once per picture and client size,
  // every paint after that copies the result.
  if (PictureCache_.Source != hBitmap || PictureCache_.Size.cx != r.right ||
      PictureCache_.Size.cy != r.bottom) {
    ForgetScaledPicture();
    PictureCache_.Scaled = Form_Model::StretchPicture(hBitmap, {r.right, r.bottom});
    PictureCache_.Source = hBitmap;
    PictureCache_.Size = {r.right, r.bottom};
  }
  HDC dc = PaintDC_ ? PaintDC_ : ::GetDC(hWnd_);
  if (!dc) return;
  HDC mem = ::CreateCompatibleDC(dc);
  HGDIOBJ old = ::SelectObject(mem, PictureCache_.Scaled);
  ::BitBlt(dc, 0, 0, r.right, r.bottom, mem, 0, 0, SRCCOPY);
  ::SelectObject(mem, old);
  ::DeleteDC(mem);
  if (dc != PaintDC_) ::ReleaseDC(hWnd_, dc);
}

App_Control* App_Form::FindControl(std::wstring_view sName, int32_t lIndex) const {
  for (const auto& c : Controls_)
    if (c->Name() == sName && c->Index() == lIndex) return c.get();
  return nullptr;
}

bool App_Form::IsControlArray(const App_Control& c) const {
  // Looking the name up without an index finds no single control of that name.
  return FindControl(c.Name(), -1) != &c;
}

App_PushButton* App_Form::DefaultButton() const {
  for (const auto& c : Controls_)
    if (c->Kind() == App_ControlKind::PushButton) {
      auto* b = static_cast<App_PushButton*>(c.get());
      if (b->Default()) return b;
    }
  return nullptr;
}

HMENU App_Form::BuildMenuBar() const {
  HMENU bar = ::CreateMenu();
  for (const auto& c : Controls_) {
    if (c->Kind() != App_ControlKind::Menu || !c->Visible()) continue;
    auto* top = static_cast<App_MenuItem*>(c.get());
    if (top->ParentMenu()) continue;
    HMENU popup = nullptr;
    for (const auto& d : Controls_) {
      if (d->Kind() != App_ControlKind::Menu || !d->Visible()) continue;
      auto* item = static_cast<App_MenuItem*>(d.get());
      if (item->ParentMenu() != top) continue;
      if (!popup) popup = ::CreatePopupMenu();
      if (item->Separator())
        ::AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
      else
        ::AppendMenuW(popup, MF_STRING | (item->Enabled() ? 0u : MF_GRAYED), item->CommandID(),
                      item->Caption().c_str());
    }
    if (popup)
      ::AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), top->Caption().c_str());
    else
      ::AppendMenuW(bar, MF_STRING, top->CommandID(), top->Caption().c_str());
  }
  return bar;
}

void App_Form::RefreshMenuBar() {
  if (!hWnd_) return;
  // While the window loads, the changes of its load come to one new bar at
  // its end: each new bar makes the window work out its frame again.
  if (InLoad_) {
    MenuBarStale_ = true;
    return;
  }
  InstallMenuBar();
}

void App_Form::InstallMenuBar() {
  HMENU old = MenuBar_;
  MenuBar_ = BuildMenuBar();
  // Setting the bar redraws the frame: no DrawMenuBar after it.
  ::SetMenu(hWnd_, MenuBar_);
  if (old) ::DestroyMenu(old);
}

bool App_Form::Load() {
  if (hWnd_) return true;
  static const ATOM atom = [] {
    WNDCLASSEXW wc{sizeof(wc)};
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = &App_Form::WndProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kFormClass;
    // The class carries the program's icon. The system then never loads
    // its default icon for a form, and the window's own icons, set when it
    // loads, are these same shared images.
    Form_Icons::LoadResIcons(Form_Icons::kProgramIconName, wc.hIcon, wc.hIconSm);
    return ::RegisterClassExW(&wc);
  }();
  (void)atom;
  using namespace Form_Model;
  // The outer size that gives the design client area with a menu bar.
  RECT r{0, 0, PixelsX(ClientWidth_), PixelsY(ClientHeight_)};
  const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  ::AdjustWindowRectEx(&r, style, TRUE, 0);
  // A form has its taskbar button from the start, so that showing it with
  // one (ShowForm's usual case) needs no hiding and showing again.
  // The menu bar comes with the window, so its frame is worked out once.
  HMENU bar = BuildMenuBar();
  // Centred on the screen, where the window manager's first settings put a
  // window without a saved place: then they need not move it.
  const int cx = r.right - r.left, cy = r.bottom - r.top;
  double left = 0, top = 0;
  CentredOnScreen(cx * TwipsPerPixelX(), cy * TwipsPerPixelY(), left, top);
  hWnd_ = ::CreateWindowExW(WS_EX_APPWINDOW, kFormClass, DesignCaption_.c_str(), style, PixelsX(left),
                            PixelsY(top), cx, cy, nullptr, bar, ::GetModuleHandleW(nullptr), this);
  if (!hWnd_) {
    ::DestroyMenu(bar);
    return false;
  }
  MenuBar_ = bar;
  ++g_OpenForms;
  SetWindowFont(hWnd_, false);
  for (const auto& c : Controls_) c->Create();
  InLoad_ = true;
  MenuBarStale_ = false;
  Form_Load();
  // Still inside the load: the size the new bar changes is the load's.
  if (MenuBarStale_) InstallMenuBar();
  InLoad_ = false;
  return true;
}

void App_Form::Show(bool bModal, HWND hOwner) {
  if (!Load()) return;
  if (hOwner) ::SetWindowLongPtrW(hWnd_, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(hOwner));
  const int cmd = PendingState_ == stateMaximized   ? SW_SHOWMAXIMIZED
                  : PendingState_ == stateMinimized ? SW_SHOWMINIMIZED
                                                    : SW_SHOW;
  PendingState_ = -1;
  // A window shown maximised for the first time has its frame settled
  // first. Under Wine without a window manager, the display's late notice
  // of the hidden window's last move or restacking would otherwise arrive
  // after the maximising and bring the window back to its normal size,
  // still marked maximised; a settled frame makes that notice an old one.
  if (cmd == SW_SHOWMAXIMIZED && !::IsWindowVisible(hWnd_))
    ::SetWindowPos(hWnd_, nullptr, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  ::ShowWindow(hWnd_, cmd);
  ::UpdateWindow(hWnd_);
  if (!bModal) return;
  if (hOwner) ::EnableWindow(hOwner, FALSE);
  ++g_ModalForms;
  MSG msg;
  while (hWnd_ && ::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (!::IsDialogMessageW(hWnd_, &msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
  --g_ModalForms;
  if (hOwner) ::EnableWindow(hOwner, TRUE);
}

void App_Form::Unload() {
  if (hWnd_) ::SendMessageW(hWnd_, WM_CLOSE, 0, 0);
}

LRESULT CALLBACK App_Form::WndProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
    ::SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
  }
  auto* form = reinterpret_cast<App_Form*>(::GetWindowLongPtrW(h, GWLP_USERDATA));
  if (!form) return ::DefWindowProcW(h, msg, wp, lp);
  // Nothing escapes a window procedure.
  if (msg == WM_NCCREATE) form->hWnd_ = h;
  try {
    return form->HandleMessage(msg, wp, lp);
  } catch (...) {
    return ::DefWindowProcW(h, msg, wp, lp);
  }
}

LRESULT App_Form::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND: {
      const int id = LOWORD(wp);
      if (id == IDOK) {  // Enter: the default button's Click
        if (App_PushButton* b = DefaultButton()) b->OnCommand(BN_CLICKED);
        return 0;
      }
      for (const auto& c : Controls_)
        if (c->CommandID() == id) {
          c->OnCommand(HIWORD(wp));
          return 0;
        }
      break;
    }
    case DM_GETDEFID:
      if (App_PushButton* b = DefaultButton()) return MAKELRESULT(b->CommandID(), DC_HASDEFID);
      return 0;
    case WM_ERASEBKGND:
      if (Picture_) return 1;  // the paint handler covers the whole client area
      break;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      PaintDC_ = ::BeginPaint(hWnd_, &ps);
      Form_Paint();
      PaintDC_ = nullptr;
      ::EndPaint(hWnd_, &ps);
      if (!FirstPaintDone_) {
        FirstPaintDone_ = true;
        Form_FirstPaintDone();
      }
      return 0;
    }
    case WM_SIZE:
      if (!InLoad_) Form_Resize();
      return 0;
    case WM_APPCOMMAND:
      if (Form_AppCommand(GET_APPCOMMAND_LPARAM(lp))) return TRUE;
      break;
    case WM_CLOSE: {
      bool cancel = false;
      Form_QueryUnload(cancel);
      if (!cancel) ::DestroyWindow(hWnd_);
      return 0;
    }
    case WM_DESTROY:
      if (MenuBar_) {
        ::SetMenu(hWnd_, nullptr);
        ::DestroyMenu(MenuBar_);
        MenuBar_ = nullptr;
      }
      ForgetScaledPicture();
      hWnd_ = nullptr;
      if (--g_OpenForms == 0) ::PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return ::DefWindowProcW(hWnd_, msg, wp, lp);
}
