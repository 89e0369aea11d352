// The form model, the window manager and the form helpers on real windows.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "config/Config_Class.h"
#include "forms/Form_Helper.h"
#include "forms/Form_Model.h"
#include "forms/xForms.h"
#include "hosted/FormExtender.h"
#include "lumo_files.h"
#include "lumo_test.h"
#include "platform/App_Env.h"

namespace {

class TestForm : public App_Form {
 public:
  explicit TestForm(bool bWithExtender = true) : App_Form(L"TestForm", L"Design", 6000, 4000) {
    go = &Add<App_PushButton>(L"cmdGo", L"Go", true);
    go->Move(600, 300, 1200, 450);
    combo = &Add<App_ComboBox>(L"comboURL");
    combo->Move(2000, 300, 3000, 315);
    for (int32_t i = 0; i < 3; ++i) {
      parts[i] = &Add<App_PushButton>(L"cmdPart", L"P" + std::to_wstring(i), false, i);
      parts[i]->Move(300 + 900.0 * i, 1500, 600, 300);
    }
    // The group: same name, indices 0..2.
    menuTop = &Add<App_MenuItem>(L"Menu_Top", -1, L"Top", nullptr);
    for (int32_t i = 0; i < 3; ++i) Add<App_MenuItem>(L"Menu_Item", i, L"Item", menuTop);
    if (bWithExtender) extender = &Add<App_FormExtenderControl>(L"exForm");
  }
  App_PushButton* go;
  App_ComboBox* combo;
  App_PushButton* parts[3];
  App_MenuItem* menuTop;
  App_FormExtenderControl* extender = nullptr;
};

// Counts the position, size and visibility changes of every window on this thread.
int g_WindowChanges = 0;
LRESULT CALLBACK CountWindowChanges(int code, WPARAM w, LPARAM l) {
  if (code == HC_ACTION && reinterpret_cast<const CWPRETSTRUCT*>(l)->message == WM_WINDOWPOSCHANGED)
    ++g_WindowChanges;
  return ::CallNextHookEx(nullptr, code, w, l);
}

// A thread timer: the program is told to quit at the first tick, the form unloaded at the second.
App_Form* g_FormToUnload = nullptr;
void CALLBACK QuitThenUnload(HWND, UINT, UINT_PTR id, DWORD) {
  static int ticks = 0;
  if (++ticks == 1) return ::PostQuitMessage(0);
  ::KillTimer(nullptr, id);
  g_FormToUnload->Unload();
}

class Forms : public ::testing::Test {
 protected:
  void SetUp() override {
    dbg.Reset(true);
    Cfg().WipeWindowMetrics(L"TestForm");
    Cfg().WipeWindowMetrics(L"OtherForm");
  }
  LumoDebugFixtureState dbg;
};

}  // namespace

TEST_F(Forms, TwipsFollowThePixelsPerInch) {
  HDC dc = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(dc, LOGPIXELSX);
  ::ReleaseDC(nullptr, dc);
  EXPECT_DOUBLE_EQ(Form_Model::TwipsPerPixelX(), 1440.0 / dpi);
  EXPECT_EQ(Form_Model::PixelsX(1440), dpi);
  LOGFONTW lf{};
  ASSERT_TRUE(::GetObjectW(Form_Model::FormFont(true), sizeof(lf), &lf));
  EXPECT_EQ(std::wstring(lf.lfFaceName), L"Tahoma");
  EXPECT_EQ(lf.lfWeight, FW_BOLD);
}

TEST_F(Forms, ControlsAndGroupsAreFoundByNameAndIndex) {
  TestForm f;
  ASSERT_TRUE(f.Load());
  EXPECT_EQ(f.FindControl(L"cmdGo"), f.go);
  EXPECT_EQ(f.FindControl(L"Menu_Item", 2)->Index(), 2);
  EXPECT_EQ(f.FindControl(L"Menu_Item"), nullptr);
  EXPECT_TRUE(IsControlArray(*f.FindControl(L"Menu_Item", 1)));
  EXPECT_FALSE(IsControlArray(*f.go));
  EXPECT_FALSE(IsControlSizable(*f.menuTop));
  EXPECT_FALSE(IsControlSizable(*f.extender));
  EXPECT_TRUE(IsControlSizable(*f.combo));
  // Twips on the form become pixels on the window.
  RECT r{};
  ::GetWindowRect(f.go->Handle(), &r);
  EXPECT_EQ(r.right - r.left, Form_Model::PixelsX(600 + 1200) - Form_Model::PixelsX(600));
}

TEST_F(Forms, ManagerCapturesAndScalesWithoutAccumulating) {
  TestForm f;
  ASSERT_TRUE(f.Load());
  xForms x;
  x.Init(f, f.extender, false);
  // Two buttons, the combo box and the three group members; no menus or extender.
  ASSERT_EQ(x.ControlPositions().size(), 5u);
  EXPECT_EQ(x.ControlPositions()[0].Name, L"cmdGo");
  EXPECT_EQ(x.ControlPositions()[0].Index, -1);
  EXPECT_EQ(x.ControlPositions()[0].Left, 600);
  EXPECT_EQ(x.ControlPositions()[4].Name, L"cmdPart");
  EXPECT_EQ(x.ControlPositions()[4].Index, 2);

  f.parts[1]->SetVisible(false);
  f.Move(f.Left(), f.Top(), f.Width() * 2, f.Height() * 2);
  x.ResizeControls();
  EXPECT_NEAR(x.WidthRatio(), 2.0, 0.02);
  EXPECT_NEAR(f.go->Left(), 1200, 15);
  EXPECT_NEAR(f.go->Height(), 900, 15);
  EXPECT_TRUE(f.go->Visible());
  EXPECT_FALSE(f.parts[1]->Visible());  // a hidden control stays hidden
  // Back to the start: the recorded geometry is used again, not the last one.
  f.Move(f.Left(), f.Top(), x.OrigWidth(), x.OrigHeight());
  x.ResizeControls();
  EXPECT_NEAR(f.go->Left(), 600, 1);
  EXPECT_NEAR(f.go->Width(), 1200, 1);
  // A resize that changes no size (the first show's) touches no control.
  HHOOK hook = ::SetWindowsHookExW(WH_CALLWNDPROCRET, CountWindowChanges, nullptr, ::GetCurrentThreadId());
  g_WindowChanges = 0;
  x.ResizeControls();
  EXPECT_EQ(g_WindowChanges, 0);
  // A move that keeps the size moves the combo box alone: it lays out
  // nothing again. Its window follows the twips either way.
  auto topOf = [&](App_Control* c) {
    RECT r{};
    ::GetWindowRect(c->Handle(), &r);
    ::MapWindowPoints(nullptr, f.hWnd(), reinterpret_cast<POINT*>(&r), 2);
    return r.top;
  };
  f.combo->SetTop(f.combo->Top() + 35);
  EXPECT_EQ(g_WindowChanges, 1);
  EXPECT_EQ(topOf(f.combo), Form_Model::PixelsY(335));
  f.go->Move(600, 600, 1200, 900);
  EXPECT_EQ(topOf(f.go), Form_Model::PixelsY(600));
  RECT r{};
  ::GetClientRect(f.go->Handle(), &r);
  EXPECT_EQ(r.bottom, Form_Model::PixelsY(1500) - Form_Model::PixelsY(600));
  ::UnhookWindowsHookEx(hook);
}

TEST_F(Forms, PicturesStretchToTheNearestPixel) {
  // A 4 x 2 picture of colours 0x000001 to 0x000008, row by row from the top,
  // as an 8-bit picture (stored bottom-up and top-down) and a 32-bit one.
  struct Source {
    const char* sName;
    WORD lBits;
    LONG lHeight;
  };
  for (const Source& src :
       {Source{"8-bit bottom-up", 8, 2}, Source{"8-bit top-down", 8, -2}, Source{"32-bit", 32, -2}}) {
    SCOPED_TRACE(src.sName);
    struct {
      BITMAPINFOHEADER h;
      RGBQUAD colours[256];
    } bi{};
    bi.h = {sizeof(BITMAPINFOHEADER), 4, src.lHeight, 1, src.lBits, BI_RGB, 0, 0, 0, 0, 0};
    for (int i = 0; i < 8; ++i) bi.colours[i] = {static_cast<BYTE>(i + 1), 0, 0, 0};
    void* bits = nullptr;
    HBITMAP pic =
        ::CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(pic, nullptr);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 4; ++x) {
        const int row = src.lHeight > 0 ? 1 - y : y, colour = y * 4 + x;  // colour index = value - 1
        if (src.lBits == 8)
          static_cast<BYTE*>(bits)[row * 4 + x] = static_cast<BYTE>(colour);
        else
          static_cast<uint32_t*>(bits)[row * 4 + x] = static_cast<uint32_t>(colour + 1);
      }
    for (SIZE size : {SIZE{8, 4}, SIZE{3, 1}}) {
      HBITMAP big = Form_Model::StretchPicture(pic, size);
      DIBSECTION ds{};
      ASSERT_EQ(::GetObjectW(big, sizeof(ds), &ds), static_cast<int>(sizeof(ds)));
      ASSERT_EQ(ds.dsBm.bmWidth, size.cx);
      const auto* got = static_cast<const uint32_t*>(ds.dsBm.bmBits);
      for (LONG y = 0; y < size.cy; ++y)
        for (LONG x = 0; x < size.cx; ++x)
          EXPECT_EQ(got[y * size.cx + x] & 0xFFFFFF,
                    static_cast<uint32_t>(y * 2 / size.cy * 4 + x * 4 / size.cx + 1))
              << x << "," << y << " of " << size.cx << "x" << size.cy;
      ::DeleteObject(big);
    }
    ::DeleteObject(pic);
  }
}

TEST_F(Forms, CaptionTitleAndAppendage) {
  TestForm f;
  ASSERT_TRUE(f.Load());
  xForms x;
  x.Init(f, f.extender, false);
  EXPECT_EQ(f.Caption(), AppEnv().AppTitle_Basic + L"  ");
  x.Caption_Title_Appendage(L"X");
  EXPECT_EQ(f.Caption(), AppEnv().AppTitle_Basic + L"  X");
  x.Caption_Title(L"Lumo Web Browser");
  x.Caption_Title_Appendage(L"");
  EXPECT_EQ(f.Caption(), L"Lumo Web Browser  ");
}

TEST_F(Forms, WithoutExtenderNothingIsKeptOrMoved) {
  TestForm f(false);
  ASSERT_TRUE(f.Load());
  xForms x;
  x.Init(f, nullptr, false);
  x.Enable_LoadSaveMetrics(true);
  EXPECT_FALSE(x.Is_Enabled_LoadSaveMetrics());
  EXPECT_FALSE(x.Is_Enabled_AlwaysOnTop());
  EXPECT_FALSE(Cfg().SettingExist(Config_Class::GetMetricSettingName(L"TestForm", cwmAuto_LoadSave)));
  x.ApplyMetric(waOnTop);
  EXPECT_FALSE(::GetWindowLongW(f.hWnd(), GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST_F(Forms, MetricsSwitchAndOnTopGoThroughTheStoreAndExtender) {
  TestForm f;
  ASSERT_TRUE(f.Load());
  Cfg().SetBool(Config_Class::GetMetricSettingName(L"OtherForm", cwmAuto_LoadSave), true);
  xForms x;
  x.Init(f, f.extender, false);
  x.Enable_LoadSaveMetrics(true);
  EXPECT_TRUE(x.Is_Enabled_LoadSaveMetrics());
  x.ApplyMetric(waOnTop);
  EXPECT_TRUE(x.Is_Enabled_AlwaysOnTop());
  EXPECT_TRUE(Cfg().GetBool(Config_Class::GetMetricSettingName(L"TestForm", cwmTop)));
  x.ApplyMetric(waNotOnTop);
  EXPECT_FALSE(x.Is_Enabled_AlwaysOnTop());
  x.ApplyMetric(7);  // unknown: only the z-order

  // Switching off wipes this form's window settings only.
  x.Enable_LoadSaveMetrics(false);
  EXPECT_FALSE(Cfg().SettingExist(Config_Class::GetMetricSettingName(L"TestForm", cwmAuto_LoadSave)));
  EXPECT_FALSE(Cfg().SettingExist(Config_Class::GetMetricSettingName(L"TestForm", cwmTop)));
  EXPECT_TRUE(Cfg().GetBool(Config_Class::GetMetricSettingName(L"OtherForm", cwmAuto_LoadSave)));
}

TEST_F(Forms, CleanupSavesOnceAndTheBackgroundCanBeSwitchedOff) {
  TestForm f;
  ASSERT_TRUE(f.Load());
  {
    xForms x;
    x.Init(f, f.extender, false);
    EXPECT_NE(x.oPic(), nullptr);  // the tan picture from the resources
    EXPECT_EQ(f.Picture(), x.oPic());
    x.Enable_LoadSaveMetrics(true);
    const int before = LumoLogCount(L"Refresh_Tan_Theme_Backgrounds triggered!");
    EXPECT_GE(before, 1);
    // Cleanup saves the placement once; a second cleanup does nothing.
    const std::wstring key = L"Software\\" + xForms::PlacementKey() + L"\\WindowPlacement";
    ::RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
    x.App_ClassSync_CleanUp();
    EXPECT_EQ(
        ::RegGetValueW(HKEY_CURRENT_USER, key.c_str(), L"TestForm", RRF_RT_REG_SZ, nullptr, nullptr, nullptr),
        ERROR_SUCCESS);
    ::RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
    x.App_ClassSync_CleanUp();
    EXPECT_NE(
        ::RegGetValueW(HKEY_CURRENT_USER, key.c_str(), L"TestForm", RRF_RT_REG_SZ, nullptr, nullptr, nullptr),
        ERROR_SUCCESS);
    EXPECT_EQ(f.Picture(), nullptr);
  }
  TestForm g;
  ASSERT_TRUE(g.Load());
  xForms y;
  y.Disable_Background_Gradient = true;
  const int lines = LumoLogCount(L"Refresh_Tan_Theme_Backgrounds triggered!");
  y.Init(g, g.extender, false);
  EXPECT_EQ(LumoLogCount(L"Refresh_Tan_Theme_Backgrounds triggered!"), lines);
  EXPECT_EQ(g.Picture(), nullptr);
}

TEST_F(Forms, ComboAddKeepsOneOfEachAddress) {
  dbg.Reset(true, true);  // the untraced routine writes its line to the debugger output
  TestForm f;
  ASSERT_TRUE(f.Load());
  App_ComboBox& c = *f.combo;
  EXPECT_FALSE(Form_Helper::ComboAdd(c, L""));  // nothing typed, nothing added
  EXPECT_EQ(c.ListCount(), 0);
  EXPECT_TRUE(Form_Helper::ComboSet(c, L"http://a.example/"));
  EXPECT_EQ(c.Text(), L"http://a.example/");
  EXPECT_TRUE(Form_Helper::ComboAdd(c, L"http://b.example/"));
  // Case and surrounding blanks do not make a new address; the text still changes.
  EXPECT_FALSE(Form_Helper::ComboSet(c, L"  HTTP://A.example/ "));
  EXPECT_EQ(c.Text(), L"  HTTP://A.example/ ");
  EXPECT_EQ(c.ListCount(), 2);
  int lines = 0;
  for (const std::wstring& line : dbg.systemOutput)
    lines += line.find(L"Item already exists in combobox!") != std::wstring::npos;
  EXPECT_EQ(lines, 1);
  EXPECT_TRUE(Form_Helper::ComboAdd(c, L"first", 0));
  EXPECT_EQ(c.List(0), L"first");
  // The typed text is taken when none is given.
  c.SetText(L"typed");
  EXPECT_TRUE(Form_Helper::ComboAdd(c, L""));
  EXPECT_EQ(c.List(3), L"typed");
}

TEST_F(Forms, ShowFormStatesTaskbarAndFocusRectangles) {
  EXPECT_EQ(Form_Helper::MakeLong(2, 1), 65538);
  EXPECT_EQ(Form_Helper::MakeLong(-1, 1), 65535);  // the low word is signed
  {
    TestForm f;
    App_Form* p = &f;
    ASSERT_TRUE(Form_Helper::ShowForm(p, false, false, nullptr, L"", SW_SHOWMAXIMIZED));
    EXPECT_TRUE(::IsZoomed(f.hWnd()));
    EXPECT_EQ(p, &f);
    EXPECT_TRUE(::GetWindowLongW(f.hWnd(), GWL_EXSTYLE) & WS_EX_APPWINDOW);
    EXPECT_FALSE(f.go->DrawFocusRect());  // focus rectangles are hidden
    EXPECT_TRUE(Form_Helper::ControlHasFocusRectProp(*f.combo));
    EXPECT_FALSE(Form_Helper::ControlHasFocusRectProp(*f.menuTop));
    // The test form exposes neither InMemory nor IsLoaded: logged, not there.
    EXPECT_EQ(LumoLogCount(L"Form is already loaded!"), 0);
  }
  {
    TestForm f;
    App_Form* p = &f;
    ASSERT_TRUE(Form_Helper::ShowForm(p, false, false, nullptr, L"tag1", SW_HIDE));
    EXPECT_FALSE(::IsWindowVisible(f.hWnd()));
    EXPECT_FALSE(::GetWindowLongW(f.hWnd(), GWL_EXSTYLE) & WS_EX_APPWINDOW);
    EXPECT_EQ(f.Tag(), L"tag1");
    // A style that already matches: no change. A hidden window stays hidden
    // when it gets its taskbar button.
    Form_Helper::FormVisibleInTaskbar(f.hWnd(), false);
    EXPECT_FALSE(::IsWindowVisible(f.hWnd()));
    Form_Helper::FormVisibleInTaskbar(f.hWnd(), true);
    EXPECT_TRUE(::GetWindowLongW(f.hWnd(), GWL_EXSTYLE) & WS_EX_APPWINDOW);
    EXPECT_FALSE(::IsWindowVisible(f.hWnd()));
    // A visible maximised window loses its button and stays maximised.
    ::ShowWindow(f.hWnd(), SW_SHOWMAXIMIZED);
    Form_Helper::FormVisibleInTaskbar(f.hWnd(), false);
    EXPECT_FALSE(::GetWindowLongW(f.hWnd(), GWL_EXSTYLE) & WS_EX_APPWINDOW);
    EXPECT_TRUE(::IsWindowVisible(f.hWnd()));
    EXPECT_TRUE(::IsZoomed(f.hWnd()));
  }
  {
    // The wait for the unload handles messages while a quit waits, and keeps the quit.
    TestForm f;
    App_Form* p = g_FormToUnload = &f;
    ::SetTimer(nullptr, 0, 20, QuitThenUnload);
    ASSERT_TRUE(Form_Helper::ShowForm(p, true, false, nullptr, L"", SW_HIDE));
    EXPECT_EQ(p, nullptr);
    EXPECT_FALSE(f.Loaded());
    MSG msg;
    EXPECT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  }
}

TEST_F(Forms, ZOrderPassesOverHiddenWindowsAndTheClassCarriesTheIcon) {
  TestForm f;
  ASSERT_TRUE(f.Load());
  EXPECT_NE(::GetClassLongPtrW(f.hWnd(), GCLP_HICON), 0);
  EXPECT_NE(::GetClassLongPtrW(f.hWnd(), GCLP_HICONSM), 0);
  const HWND other =
      ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 20, 20, nullptr, nullptr, nullptr, nullptr);
  ::SetWindowPos(other, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  auto otherAbove = [&] {
    for (HWND h = ::GetWindow(f.hWnd(), GW_HWNDPREV); h; h = ::GetWindow(h, GW_HWNDPREV))
      if (h == other) return true;
    return false;
  };
  // Hidden, the window above counts for nothing: the form is not moved.
  f.ZOrder();
  EXPECT_TRUE(otherAbove());
  // Shown, it does: the form comes to the front.
  ::ShowWindow(other, SW_SHOWNOACTIVATE);
  f.ZOrder();
  EXPECT_FALSE(otherAbove());
  ::DestroyWindow(other);
}
