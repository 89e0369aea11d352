// The form extender: keeps a top-level window's placement between runs and
// switches its always-on-top state.
//
// A placement is stored below HKEY_CURRENT_USER "Software\" + key, in the
// subkey named by the section, as a REG_SZ value named by the entry:
// "showCmd,left,top,right,bottom", the show command (1 normal, 2 minimised,
// 3 maximised) and the window's normal rectangle as GetWindowPlacement
// gives it (workspace coordinates), in decimal.
//
// Restoring checks the stored text before it touches the window: a missing
// value, or a broken one (wrong field count, not a number, out of range, an
// empty or negative size), leaves the window as it is. A rectangle that
// lies on no current monitor, or reaches past the work area of its nearest
// monitor, is moved (and if needed shrunk) into that work area, so the
// window always comes back where the user can reach it. A minimised state
// comes back as normal.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

// One stored placement.
struct PlacementData {
  int32_t lShowCmd = SW_SHOWNORMAL;  // SW_SHOWNORMAL, SW_SHOWMINIMIZED or SW_SHOWMAXIMIZED
  RECT rcNormal{};                   // the normal (restored) rectangle
};

namespace FormPlacement {

// Coordinates outside this range are refused as broken.
inline constexpr int32_t kMinCoord = -32768;
inline constexpr int32_t kMaxCoord = 32767;

// "showCmd,left,top,right,bottom" of a placement.
std::wstring FormatPlacementText(const PlacementData& pd);

// Reads a stored text back. False (pd untouched) unless there are exactly
// five comma-separated decimal integers (blanks around each allowed), the
// show command is one of 1, 2, 3, every coordinate lies in
// kMinCoord..kMaxCoord and the rectangle has a width and height of at
// least one pixel.
bool ParsePlacementText(std::wstring_view sText, PlacementData& pd);

// The rectangle moved, and shrunk when larger, so that it lies wholly
// inside the work area. A rectangle already inside is returned unchanged;
// the size is kept whenever it fits.
RECT FitRectToWorkArea(RECT r, RECT work);

// The show command a restore applies: minimised states become normal,
// maximised stays maximised, anything else is normal.
int32_t RestoredShowCmd(int32_t lSavedShowCmd);

// A rectangle saved at lSavedDpi, for a screen of lDpi: every coordinate in
// proportion, so the window keeps its size in inches. Unchanged when either
// dpi is unknown (0) or outside 48 to 960.
RECT ScaleForDpi(RECT r, int32_t lSavedDpi, int32_t lDpi);

}  // namespace FormPlacement

class FormExtender {
 public:
  // The window it serves (a top-level window).
  void Attach(HWND hWnd);
  HWND Window() const { return hWnd_; }

  // Stores the window's position, size and show state. False when there is
  // no window or the registry refuses (logged).
  bool SavePlacement(std::wstring_view sKey, std::wstring_view sSection, std::wstring_view sEntry);

  // Applies a placement saved with the same strings. False when nothing is
  // saved, the value is broken (logged) or there is no window; the window
  // is then left as it is. A window that is still hidden stays hidden in
  // the normal state (its rectangle is set for the coming show), also for a
  // maximised placement: ShowMaximisedPending then tells the window's owner
  // to show it maximised, so it never appears in the normal state first. A
  // visible window with a maximised placement is maximised at once.
  bool RestorePlacement(std::wstring_view sKey, std::wstring_view sSection, std::wstring_view sEntry);
  // True when the last RestorePlacement left a hidden window whose saved
  // placement is maximised.
  bool ShowMaximisedPending() const { return ShowMaximisedPending_; }

  // WS_EX_TOPMOST of the window; false without one.
  bool AlwaysOnTop() const;
  // Puts the window into or out of the topmost band without moving, sizing
  // or activating it.
  void SetAlwaysOnTop(bool bOnTop);

 private:
  HWND hWnd_ = nullptr;
  bool ShowMaximisedPending_ = false;
};
