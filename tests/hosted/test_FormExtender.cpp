// The form extender: the stored placement text, bringing a rectangle onto
// the work area, and save/restore/always-on-top on a real top-level window
// with a private key below HKCU\Software.
#include <gtest/gtest.h>
#include <windows.h>

#include <ostream>
#include <string>

#include "hosted/FormExtender.h"
#include "lumo_files.h"
#include "lumo_test.h"
#include "registry/App_Registry.h"

using namespace FormPlacement;

// RECT lives in the global namespace, so its comparison and printing must
// too for the assertions to find them; static keeps them to this file.
static bool operator==(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
static std::ostream& operator<<(std::ostream& os, const RECT& r) {
  return os << "{" << r.left << "," << r.top << "," << r.right << "," << r.bottom << "}";
}

namespace {

// ---- the stored text ----------------------------------------------------------

TEST(FormPlacementText, RoundTripsAndAcceptsBoundaries) {
  PlacementData pd;
  pd.lShowCmd = SW_SHOWMAXIMIZED;
  pd.rcNormal = {-8, -30, 1200, 800};
  EXPECT_EQ(FormatPlacementText(pd), L"3,-8,-30,1200,800");
  PlacementData back;
  ASSERT_TRUE(ParsePlacementText(L"3,-8,-30,1200,800", back));
  EXPECT_EQ(back.lShowCmd, SW_SHOWMAXIMIZED);
  EXPECT_EQ(back.rcNormal, (RECT{-8, -30, 1200, 800}));

  ASSERT_TRUE(ParsePlacementText(L" 2 , +10,\t20 , 30,40", back));  // blanks and a plus sign
  EXPECT_EQ(back.lShowCmd, SW_SHOWMINIMIZED);
  EXPECT_EQ(back.rcNormal, (RECT{10, 20, 30, 40}));
  ASSERT_TRUE(ParsePlacementText(L"1,-32768,-32768,32767,32767", back));
  EXPECT_EQ(back.rcNormal, (RECT{-32768, -32768, 32767, 32767}));
  ASSERT_TRUE(ParsePlacementText(L"1,0,0,1,1", back));  // the smallest window
}

TEST(FormPlacementText, RefusesBrokenTextAndLeavesTheResultAlone) {
  const wchar_t* broken[] = {
      L"",                       // nothing
      L"a,b",                    // not numbers, too few
      L"1,2,3,4",                // four fields
      L"1,2,3,40,50,6",          // six fields
      L"1,0,0,100,100,",         // trailing comma
      L"1,,0,100,100",           // empty field
      L"1,0x10,0,100,100",       // not decimal
      L"1,1e3,0,100,100",        // not an integer
      L"1,- 5,0,100,100",        // sign apart from the digits
      L"1,0,0,99999999999,100",  // huge
      L"1,0,0,4294967396,100",   // wraps to 100 in 32 bits
      L"1,-32769,0,100,100",     // just below the coordinate range
      L"1,0,0,32768,100",        // just above it
      L"1,100,100,50,200",       // negative width
      L"1,100,100,200,50",       // negative height
      L"1,100,100,100,200",      // zero width
      L"0,0,0,100,100",          // hidden is not a placement
      L"4,0,0,100,100",          // other show commands
      L"11,0,0,100,100",
      L"-1,0,0,100,100",
  };
  for (const wchar_t* s : broken) {
    PlacementData pd;
    pd.lShowCmd = 7;
    pd.rcNormal = {1, 2, 3, 4};
    EXPECT_FALSE(ParsePlacementText(s, pd)) << std::wstring(s).c_str();
    EXPECT_EQ(pd.lShowCmd, 7);
    EXPECT_EQ(pd.rcNormal, (RECT{1, 2, 3, 4}));
  }
}

// ---- onto the work area ---------------------------------------------------------

TEST(FormPlacementDpi, ScalesInProportionOnlyBetweenKnownDpis) {
  const RECT r{20, 20, 420, 320};
  EXPECT_EQ(FormPlacement::ScaleForDpi(r, 96, 192), (RECT{40, 40, 840, 640}));
  EXPECT_EQ(FormPlacement::ScaleForDpi(r, 96, 144), (RECT{30, 30, 630, 480}));
  EXPECT_EQ(FormPlacement::ScaleForDpi({-101, 0, 99, 10}, 96, 144), (RECT{-152, 0, 149, 15}));
  for (const auto& [saved, now] :
       {std::pair{96, 96}, std::pair{0, 192}, std::pair{96, 0}, std::pair{4000, 96}})
    EXPECT_EQ(FormPlacement::ScaleForDpi(r, saved, now), r) << saved << " " << now;
}

TEST(FormPlacementFit, MovesAndShrinksIntoTheWorkArea) {
  const RECT work{0, 0, 1024, 738};
  // Inside, and exactly the work area: unchanged.
  EXPECT_EQ(FitRectToWorkArea({100, 120, 500, 420}, work), (RECT{100, 120, 500, 420}));
  EXPECT_EQ(FitRectToWorkArea(work, work), work);
  // Far to the bottom right (a screen that is gone): the size stays, the
  // window sits in the bottom right corner.
  EXPECT_EQ(FitRectToWorkArea({5000, 5000, 5400, 5300}, work), (RECT{624, 438, 1024, 738}));
  // Left of the desktop.
  EXPECT_EQ(FitRectToWorkArea({-3000, 50, -2600, 350}, work), (RECT{0, 50, 400, 350}));
  // Partly off at the top only: only the top moves.
  EXPECT_EQ(FitRectToWorkArea({200, -40, 600, 260}, work), (RECT{200, 0, 600, 300}));
  // Larger than the work area: shrunk to it.
  EXPECT_EQ(FitRectToWorkArea({-100, -100, 3000, 2000}, work), work);
  // Wider only: shrunk in width, height and top kept.
  EXPECT_EQ(FitRectToWorkArea({300, 100, 1400, 300}, work), (RECT{0, 100, 1024, 300}));
  // A work area that does not start at 0,0 (a monitor to the right with a
  // task bar at its top).
  const RECT second{1024, 30, 2304, 1024};
  EXPECT_EQ(FitRectToWorkArea({-500, -500, -100, -200}, second), (RECT{1024, 30, 1424, 330}));
  EXPECT_EQ(FitRectToWorkArea({2200, 900, 2600, 1200}, second), (RECT{1904, 724, 2304, 1024}));
}

TEST(FormPlacementFit, RestoredShowCommands) {
  EXPECT_EQ(RestoredShowCmd(SW_SHOWNORMAL), SW_SHOWNORMAL);
  EXPECT_EQ(RestoredShowCmd(SW_SHOWMAXIMIZED), SW_SHOWMAXIMIZED);
  EXPECT_EQ(RestoredShowCmd(SW_SHOWMINIMIZED), SW_SHOWNORMAL);
  EXPECT_EQ(RestoredShowCmd(SW_MINIMIZE), SW_SHOWNORMAL);
  EXPECT_EQ(RestoredShowCmd(SW_SHOWMINNOACTIVE), SW_SHOWNORMAL);
  EXPECT_EQ(RestoredShowCmd(SW_FORCEMINIMIZE), SW_SHOWNORMAL);
}

// ---- on a real window -----------------------------------------------------------

constexpr wchar_t kKey[] = L"LumoTech\\LumoFormExtenderTest";
constexpr wchar_t kSection[] = L"WindowPlacement";
constexpr wchar_t kEntry[] = L"frmTest";
constexpr wchar_t kPath[] = L"Software\\LumoTech\\LumoFormExtenderTest\\WindowPlacement";
constexpr wchar_t kBroken[] = L"Saved window placement is broken; the window is left as it is";

// One window serves every case: without a window manager (Xvfb) Wine waits
// two seconds for each shown window that is hidden or destroyed.
class FormExtenderTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"LumoFormExtenderTest";
    ::RegisterClassW(&wc);
    shared_ = ::CreateWindowExW(0, L"LumoFormExtenderTest", L"form extender test", WS_OVERLAPPEDWINDOW, 100,
                                120, 400, 300, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  }
  static void TearDownTestSuite() {
    if (shared_) ::DestroyWindow(shared_);
    shared_ = nullptr;
  }

  void SetUp() override {
    debug_.Reset();
    RemoveKey();
    hWnd_ = shared_;
    ASSERT_NE(hWnd_, nullptr) << "no window (is there a display?)";
    // Every case starts from a shown, normal, not topmost window at 100,120, 400 x 300.
    ::SetWindowPos(hWnd_, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    MoveTo(100, 120, 400, 300);
    ::ShowWindow(hWnd_, SW_SHOWNORMAL);
    ex_.Attach(hWnd_);
  }
  void TearDown() override { RemoveKey(); }
  static void RemoveKey() {
    bool bNotFound = false;
    int32_t lErr = 0;
    App_Registry::KillRegKey(hkeyCurrentUser, L"Software\\LumoTech\\LumoFormExtenderTest", bNotFound, lErr);
  }

  WINDOWPLACEMENT Placement() const {
    WINDOWPLACEMENT wp{};
    wp.length = sizeof(wp);
    ::GetWindowPlacement(hWnd_, &wp);
    return wp;
  }
  void MoveTo(int x, int y, int w, int h) {
    ::ShowWindow(hWnd_, SW_RESTORE);
    ::SetWindowPos(hWnd_, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  std::wstring Stored() const {
    wchar_t buf[256] = {};
    DWORD cb = sizeof(buf) - sizeof(wchar_t);
    DWORD type = 0;
    App_RegKey k;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, kPath, 0, KEY_QUERY_VALUE, k.Put()) != ERROR_SUCCESS ||
        ::RegQueryValueExW(k.Get(), kEntry, nullptr, &type, reinterpret_cast<BYTE*>(buf), &cb) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
      return L"<none>";
    return buf;
  }
  static void StoreRaw(DWORD type, const void* data, DWORD cb) {
    App_RegKey k;
    ::RegCreateKeyExW(HKEY_CURRENT_USER, kPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, k.Put(), nullptr);
    ::RegSetValueExW(k.Get(), kEntry, 0, type, static_cast<const BYTE*>(data), cb);
  }
  static void Store(const std::wstring& sValue) {
    StoreRaw(REG_SZ, sValue.c_str(), static_cast<DWORD>((sValue.size() + 1) * sizeof(wchar_t)));
  }
  RECT WorkArea() const {
    MONITORINFO mi{};
    mi.cbSize = sizeof(mi);
    ::GetMonitorInfoW(::MonitorFromWindow(hWnd_, MONITOR_DEFAULTTONEAREST), &mi);
    return mi.rcWork;
  }

  static inline HWND shared_ = nullptr;
  LumoDebugFixtureState debug_;
  HWND hWnd_ = nullptr;
  FormExtender ex_;
};

TEST_F(FormExtenderTest, SaveAndRestoreRoundTrip) {
  EXPECT_EQ(ex_.Window(), hWnd_);
  const RECT before = Placement().rcNormalPosition;
  EXPECT_EQ(before, (RECT{100, 120, 500, 420}));  // the work area starts at 0,0 here
  ASSERT_TRUE(ex_.SavePlacement(kKey, kSection, kEntry));
  EXPECT_EQ(Stored(), L"1,100,120,500,420");

  MoveTo(300, 200, 250, 150);
  ASSERT_TRUE(ex_.RestorePlacement(kKey, kSection, kEntry));
  const WINDOWPLACEMENT wp = Placement();
  EXPECT_EQ(wp.showCmd, static_cast<UINT>(SW_SHOWNORMAL));
  EXPECT_EQ(wp.rcNormalPosition, before);
  RECT rw{};
  ::GetWindowRect(hWnd_, &rw);
  EXPECT_EQ(rw, before);

  // A second save overwrites the first; another entry is independent.
  MoveTo(10, 20, 300, 200);
  ASSERT_TRUE(ex_.SavePlacement(kKey, kSection, kEntry));
  EXPECT_EQ(Stored(), L"1,10,20,310,220");
  EXPECT_FALSE(ex_.RestorePlacement(kKey, kSection, L"frmOther"));
  EXPECT_EQ(LumoLogCount(kBroken), 0);
}

TEST_F(FormExtenderTest, MaximisedStateIsKeptMinimisedComesBackNormal) {
  ::ShowWindow(hWnd_, SW_MAXIMIZE);
  ASSERT_TRUE(::IsZoomed(hWnd_));
  ASSERT_TRUE(ex_.SavePlacement(kKey, kSection, kEntry));
  EXPECT_EQ(Stored(), L"3,100,120,500,420");  // the normal rectangle, not the maximised one

  ::ShowWindow(hWnd_, SW_RESTORE);
  ASSERT_FALSE(::IsZoomed(hWnd_));
  ASSERT_TRUE(ex_.RestorePlacement(kKey, kSection, kEntry));
  EXPECT_TRUE(::IsZoomed(hWnd_));
  EXPECT_EQ(Placement().rcNormalPosition, (RECT{100, 120, 500, 420}));

  // Saved while minimised: stored as such, restored as a normal window.
  ::ShowWindow(hWnd_, SW_RESTORE);
  ::ShowWindow(hWnd_, SW_MINIMIZE);
  ASSERT_TRUE(::IsIconic(hWnd_));
  ASSERT_TRUE(ex_.SavePlacement(kKey, kSection, kEntry));
  EXPECT_EQ(Stored(), L"2,100,120,500,420");
  ASSERT_TRUE(ex_.RestorePlacement(kKey, kSection, kEntry));
  EXPECT_FALSE(::IsIconic(hWnd_));
  EXPECT_FALSE(::IsZoomed(hWnd_));
  EXPECT_EQ(Placement().showCmd, static_cast<UINT>(SW_SHOWNORMAL));
  EXPECT_EQ(Placement().rcNormalPosition, (RECT{100, 120, 500, 420}));
}

TEST_F(FormExtenderTest, NothingSavedOrBrokenLeavesTheWindowAlone) {
  // Nothing saved: no key at all, then the key without the value.
  EXPECT_FALSE(ex_.RestorePlacement(kKey, kSection, kEntry));
  EXPECT_EQ(Placement().rcNormalPosition, (RECT{100, 120, 500, 420}));
  EXPECT_EQ(LumoLogCount(L"No saved window placement"), 1);
  Store(L"1,0,0,10,10");
  EXPECT_FALSE(ex_.RestorePlacement(kKey, kSection, L"frmMissing"));
  EXPECT_EQ(LumoLogCount(L"No saved window placement"), 2);

  int n = 0;
  for (const wchar_t* s : {L"", L"a,b", L"1,0,0,99999999999,300", L"1,500,120,100,420", L"1,100,420,500,120",
                           L"5,100,120,500,420"}) {
    Store(s);
    EXPECT_FALSE(ex_.RestorePlacement(kKey, kSection, kEntry)) << std::wstring(s).c_str();
    EXPECT_EQ(Placement().rcNormalPosition, (RECT{100, 120, 500, 420})) << std::wstring(s).c_str();
    EXPECT_EQ(LumoLogCount(kBroken), ++n) << std::wstring(s).c_str();
    EXPECT_TRUE(LumoLogHas(std::wstring(L"sValue.String=") + s)) << std::wstring(s).c_str();
  }
  // A value of another type is broken too.
  const DWORD dw = 5;
  StoreRaw(REG_DWORD, &dw, sizeof(dw));
  EXPECT_FALSE(ex_.RestorePlacement(kKey, kSection, kEntry));
  EXPECT_EQ(LumoLogCount(kBroken), n + 1);
  EXPECT_FALSE(::IsZoomed(hWnd_));
  EXPECT_EQ(Placement().rcNormalPosition, (RECT{100, 120, 500, 420}));
}

TEST_F(FormExtenderTest, OffScreenAndOversizedPlacementsLandInTheWorkArea) {
  const RECT work = WorkArea();
  const LONG ww = work.right - work.left, wh = work.bottom - work.top;
  auto inside = [&](const RECT& r) {
    return r.left >= work.left && r.top >= work.top && r.right <= work.right && r.bottom <= work.bottom;
  };

  Store(L"1,5000,5000,5400,5300");
  ASSERT_TRUE(ex_.RestorePlacement(kKey, kSection, kEntry));
  RECT r = Placement().rcNormalPosition;
  EXPECT_TRUE(inside(r)) << r;
  EXPECT_EQ(r, (RECT{work.right - 400, work.bottom - 300, work.right, work.bottom}));
  EXPECT_TRUE(LumoLogHas(L"Saved window placement moved onto the visible desktop"));

  Store(L"1,-3000,100,-2600,400");
  ASSERT_TRUE(ex_.RestorePlacement(kKey, kSection, kEntry));
  r = Placement().rcNormalPosition;
  EXPECT_EQ(r, (RECT{work.left, 100, work.left + 400, 400}));

  Store(L"3,-100,-100,5000,4000");
  ASSERT_TRUE(ex_.RestorePlacement(kKey, kSection, kEntry));
  EXPECT_TRUE(::IsZoomed(hWnd_));
  r = Placement().rcNormalPosition;
  EXPECT_TRUE(inside(r)) << r;
  EXPECT_EQ(r.right - r.left, ww);
  EXPECT_EQ(r.bottom - r.top, wh);
}

TEST_F(FormExtenderTest, HiddenWindowGetsItsRectangleAndStaysHidden) {
  Store(L"1,40,50,440,350");
  ::ShowWindow(hWnd_, SW_HIDE);
  ASSERT_TRUE(ex_.RestorePlacement(kKey, kSection, kEntry));
  EXPECT_FALSE(::IsWindowVisible(hWnd_));
  EXPECT_EQ(Placement().rcNormalPosition, (RECT{40, 50, 440, 350}));
  ::ShowWindow(hWnd_, SW_SHOW);
  RECT rw{};
  ::GetWindowRect(hWnd_, &rw);
  EXPECT_EQ(rw, (RECT{40, 50, 440, 350}));
}

TEST_F(FormExtenderTest, AlwaysOnTopSetAndReadBack) {
  EXPECT_FALSE(ex_.AlwaysOnTop());
  ex_.SetAlwaysOnTop(true);
  EXPECT_TRUE(ex_.AlwaysOnTop());
  EXPECT_TRUE(::GetWindowLongPtrW(hWnd_, GWL_EXSTYLE) & WS_EX_TOPMOST);
  ex_.SetAlwaysOnTop(true);  // twice is the same
  EXPECT_TRUE(ex_.AlwaysOnTop());
  RECT rw{};
  ::GetWindowRect(hWnd_, &rw);
  EXPECT_EQ(rw, (RECT{100, 120, 500, 420}));  // neither moved nor sized
  ex_.SetAlwaysOnTop(false);
  EXPECT_FALSE(ex_.AlwaysOnTop());
  EXPECT_FALSE(::GetWindowLongPtrW(hWnd_, GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST_F(FormExtenderTest, WithoutAWindowNothingHappens) {
  FormExtender none;
  EXPECT_EQ(none.Window(), nullptr);
  EXPECT_FALSE(none.SavePlacement(kKey, kSection, kEntry));
  EXPECT_EQ(Stored(), L"<none>");
  Store(L"1,0,0,100,100");
  EXPECT_FALSE(none.RestorePlacement(kKey, kSection, kEntry));
  EXPECT_FALSE(none.AlwaysOnTop());
  none.SetAlwaysOnTop(true);
  EXPECT_FALSE(none.AlwaysOnTop());

  // A destroyed window (never shown, so it goes at once): refused, nothing written.
  HWND hGone = ::CreateWindowExW(0, L"LumoFormExtenderTest", L"gone", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                 nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(hGone, nullptr);
  FormExtender gone;
  gone.Attach(hGone);
  EXPECT_EQ(gone.Window(), hGone);
  ::DestroyWindow(hGone);
  RemoveKey();
  EXPECT_FALSE(gone.SavePlacement(kKey, kSection, kEntry));
  EXPECT_EQ(Stored(), L"<none>");
  EXPECT_EQ(LumoLogCount(L"No window to save the placement of"), 2);
}

}  // namespace
