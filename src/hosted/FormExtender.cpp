#include "hosted/FormExtender.h"

#include <algorithm>
#include <vector>

#include "diag/App_Trace.h"
#include "platform/App_Platform.h"
#include "registry/App_Registry.h"
#include "util/App_Variables.h"

namespace {

constexpr wchar_t kModule[] = L"FormExtender";

// HKCU path of a placement: "Software\" + key + "\" + section, leaving out
// empty parts and doubled backslashes at the joins.
std::wstring PlacementKeyPath(std::wstring_view sKey, std::wstring_view sSection) {
  std::wstring path = L"Software";
  for (std::wstring_view part : {sKey, sSection}) {
    while (!part.empty() && part.front() == L'\\') part.remove_prefix(1);
    while (!part.empty() && part.back() == L'\\') part.remove_suffix(1);
    if (!part.empty()) path.append(L"\\").append(part);
  }
  return path;
}

std::wstring_view TrimBlanks(std::wstring_view s) {
  while (!s.empty() && (s.front() == L' ' || s.front() == L'\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == L' ' || s.back() == L'\t')) s.remove_suffix(1);
  return s;
}

// A decimal integer with an optional sign and nothing else; false for
// anything longer than a coordinate can be.
bool ParseInt(std::wstring_view s, int64_t& v) {
  s = TrimBlanks(s);
  bool negative = false;
  if (!s.empty() && (s.front() == L'-' || s.front() == L'+')) {
    negative = s.front() == L'-';
    s.remove_prefix(1);
  }
  if (s.empty() || s.size() > 10) return false;
  int64_t n = 0;
  for (wchar_t c : s) {
    if (c < L'0' || c > L'9') return false;
    n = n * 10 + (c - L'0');
  }
  v = negative ? -n : n;
  return true;
}

// The offset of workspace coordinates (those of a window placement) from
// screen coordinates: the origin of the primary monitor's work area, except
// for tool windows, whose placement is in screen coordinates.
POINT WorkspaceOffset(HWND hWnd) {
  POINT off{0, 0};
  if (::GetWindowLongPtrW(hWnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) return off;
  RECT work{};
  if (::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0)) off = {work.left, work.top};
  return off;
}

// The value beside a placement that says at which dpi it was saved.
std::wstring DpiValueName(std::wstring_view sEntry) {
  return std::wstring(sEntry) + L"Dpi";
}

}  // namespace

namespace FormPlacement {

std::wstring FormatPlacementText(const PlacementData& pd) {
  return std::to_wstring(pd.lShowCmd) + L"," + std::to_wstring(pd.rcNormal.left) + L"," +
         std::to_wstring(pd.rcNormal.top) + L"," + std::to_wstring(pd.rcNormal.right) + L"," +
         std::to_wstring(pd.rcNormal.bottom);
}

bool ParsePlacementText(std::wstring_view sText, PlacementData& pd) {
  std::vector<std::wstring_view> fields;
  size_t start = 0;
  while (true) {
    const size_t comma = sText.find(L',', start);
    fields.push_back(sText.substr(start, comma == std::wstring_view::npos ? comma : comma - start));
    if (comma == std::wstring_view::npos) break;
    start = comma + 1;
  }
  if (fields.size() != 5) return false;
  int64_t v[5] = {};
  for (size_t i = 0; i < 5; ++i) {
    if (!ParseInt(fields[i], v[i])) return false;
  }
  if (v[0] != SW_SHOWNORMAL && v[0] != SW_SHOWMINIMIZED && v[0] != SW_SHOWMAXIMIZED) return false;
  for (size_t i = 1; i < 5; ++i) {
    if (v[i] < kMinCoord || v[i] > kMaxCoord) return false;
  }
  if (v[3] <= v[1] || v[4] <= v[2]) return false;
  pd.lShowCmd = static_cast<int32_t>(v[0]);
  pd.rcNormal = {static_cast<LONG>(v[1]), static_cast<LONG>(v[2]), static_cast<LONG>(v[3]),
                 static_cast<LONG>(v[4])};
  return true;
}

RECT FitRectToWorkArea(RECT r, RECT work) {
  const LONG workW = std::max<LONG>(0, work.right - work.left);
  const LONG workH = std::max<LONG>(0, work.bottom - work.top);
  const LONG w = std::min(r.right - r.left, workW);
  const LONG h = std::min(r.bottom - r.top, workH);
  const LONG left = std::clamp(r.left, work.left, work.right - w);
  const LONG top = std::clamp(r.top, work.top, work.bottom - h);
  return {left, top, left + w, top + h};
}

RECT ScaleForDpi(RECT r, int32_t lSavedDpi, int32_t lDpi) {
  const auto sane = [](int32_t d) { return d >= 48 && d <= 960; };
  if (!sane(lSavedDpi) || !sane(lDpi) || lSavedDpi == lDpi) return r;
  const auto scale = [&](LONG v) {
    return static_cast<LONG>((static_cast<int64_t>(v) * lDpi + (v >= 0 ? lSavedDpi / 2 : -lSavedDpi / 2)) /
                             lSavedDpi);
  };
  return {scale(r.left), scale(r.top), scale(r.right), scale(r.bottom)};
}

int32_t RestoredShowCmd(int32_t lSavedShowCmd) {
  switch (lSavedShowCmd) {
    case SW_SHOWMAXIMIZED:
      return SW_SHOWMAXIMIZED;
    default:  // minimised states and anything else
      return SW_SHOWNORMAL;
  }
}

}  // namespace FormPlacement

void FormExtender::Attach(HWND hWnd) {
  App_Trace t(kModule, L"Attach", ptSub);
  t.Vars(vkPassedByVal, {L"hWnd", reinterpret_cast<intptr_t>(hWnd)});
  hWnd_ = hWnd;
}

bool FormExtender::SavePlacement(std::wstring_view sKey, std::wstring_view sSection,
                                 std::wstring_view sEntry) {
  App_Trace t(kModule, L"SavePlacement");
  t.Vars(vkPassedByVal, {L"sKey", sKey, L"sSection", sSection, L"sEntry", sEntry});
  bool result = false;
  t.Step([&] {
    if (!hWnd_ || !::IsWindow(hWnd_)) {
      t.Log(L"No window to save the placement of");
      return;
    }
    WINDOWPLACEMENT wp{};
    wp.length = sizeof(wp);
    if (!::GetWindowPlacement(hWnd_, &wp)) {
      t.APIError(L"GetWindowPlacement");
      return;
    }
    PlacementData pd;
    pd.lShowCmd = (wp.showCmd == SW_SHOWMINIMIZED || wp.showCmd == SW_SHOWMAXIMIZED)
                      ? static_cast<int32_t>(wp.showCmd)
                      : SW_SHOWNORMAL;
    pd.rcNormal = wp.rcNormalPosition;
    const std::wstring sValue = FormPlacement::FormatPlacementText(pd);
    // Store only what a restore would accept.
    PlacementData check;
    if (!FormPlacement::ParsePlacementText(sValue, check)) {
      t.Log(L"Window placement not saved: the window has no usable rectangle", evNormal,
            pVar(L"sValue", sValue));
      return;
    }
    const std::wstring sPath = PlacementKeyPath(sKey, sSection);
    const std::wstring sName(sEntry);
    App_RegKey k;
    LONG r = ::RegCreateKeyExW(HKEY_CURRENT_USER, sPath.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                               k.Put(), nullptr);
    if (r != ERROR_SUCCESS) {
      ::SetLastError(static_cast<DWORD>(r));
      t.APIError(L"RegCreateKeyExW", pVar(L"sPath", sPath));
      return;
    }
    r = ::RegSetValueExW(k.Get(), sName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(sValue.c_str()),
                         static_cast<DWORD>((sValue.size() + 1) * sizeof(wchar_t)));
    if (r != ERROR_SUCCESS) {
      ::SetLastError(static_cast<DWORD>(r));
      t.APIError(L"RegSetValueExW", pVar(L"sPath", sPath, L"sEntry", sName));
      return;
    }
    // The dpi it was saved at: a later start on another dpi scales it.
    const DWORD lDpi = static_cast<DWORD>(App_Platform::ScreenDpi(LOGPIXELSX));
    const std::wstring sDpiName = DpiValueName(sName);
    if (::RegSetValueExW(k.Get(), sDpiName.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&lDpi),
                         sizeof(lDpi)) != ERROR_SUCCESS)
      t.Log(L"The placement's dpi was not saved", evNormal, pVar(L"sEntry", sDpiName));
    t.Vars(vkCreated, {L"sValue", sValue});
    result = true;
  });
  t.Vars(vkFunctionReturn, {result});
  return result;
}

bool FormExtender::RestorePlacement(std::wstring_view sKey, std::wstring_view sSection,
                                    std::wstring_view sEntry) {
  App_Trace t(kModule, L"RestorePlacement");
  t.Vars(vkPassedByVal, {L"sKey", sKey, L"sSection", sSection, L"sEntry", sEntry});
  bool result = false;
  ShowMaximisedPending_ = false;
  t.Step([&] {
    if (!hWnd_ || !::IsWindow(hWnd_)) {
      t.Log(L"No window to restore the placement of");
      return;
    }
    const std::wstring sPath = PlacementKeyPath(sKey, sSection);
    const std::wstring sName(sEntry);

    // The stored text: a missing key or value is the normal first run.
    std::wstring sValue;
    DWORD lSavedDpi = 0;
    {
      App_RegKey k;
      LONG r = ::RegOpenKeyExW(HKEY_CURRENT_USER, sPath.c_str(), 0, KEY_QUERY_VALUE, k.Put());
      // A placement text is short: anything longer is not one.
      if (r == ERROR_SUCCESS) App_Registry::QueryString(k, sName.c_str(), sValue, &r, 256);
      if (r == ERROR_FILE_NOT_FOUND) {
        t.Log(L"No saved window placement", evNormal, pVar(L"sPath", sPath, L"sEntry", sName));
        return;
      }
      if (r == ERROR_INVALID_DATA) {
        t.Log(L"Saved window placement is broken; the window is left as it is", evNormal,
              pVar(L"sPath", sPath, L"sEntry", sName));
        return;
      }
      // Saved before the dpi was kept: taken as the screen's own.
      if (r == ERROR_SUCCESS && !App_Registry::QueryDword(k, DpiValueName(sName).c_str(), lSavedDpi))
        lSavedDpi = 0;
      if (r != ERROR_SUCCESS) {
        ::SetLastError(static_cast<DWORD>(r));
        t.APIError(L"RegQueryValueExW", pVar(L"sPath", sPath, L"sEntry", sName));
        return;
      }
    }

    PlacementData pd;
    if (!FormPlacement::ParsePlacementText(sValue, pd)) {
      t.Log(L"Saved window placement is broken; the window is left as it is", evNormal,
            pVar(L"sPath", sPath, L"sEntry", sName, L"sValue", sValue));
      return;
    }

    // In proportion when the screen's dpi has changed since it was saved.
    const int32_t lDpi = App_Platform::ScreenDpi(LOGPIXELSX);
    const RECT scaled = FormPlacement::ScaleForDpi(pd.rcNormal, static_cast<int32_t>(lSavedDpi), lDpi);
    if (!::EqualRect(&scaled, &pd.rcNormal)) {
      t.Log(L"Saved window placement scaled from " + std::to_wstring(lSavedDpi) + L" to " +
                std::to_wstring(lDpi) + L" dpi",
            evNormal, pVar(L"sValue", sValue));
      pd.rcNormal = scaled;
    }

    // Onto the visible desktop: the nearest monitor's work area, in screen
    // coordinates, then back to the placement's own coordinates.
    const POINT off = WorkspaceOffset(hWnd_);
    RECT rScreen = pd.rcNormal;
    ::OffsetRect(&rScreen, off.x, off.y);
    MONITORINFO mi{};
    mi.cbSize = sizeof(mi);
    HMONITOR hMon = ::MonitorFromRect(&rScreen, MONITOR_DEFAULTTONEAREST);
    if (hMon && ::GetMonitorInfoW(hMon, &mi)) {
      RECT fitted = FormPlacement::FitRectToWorkArea(rScreen, mi.rcWork);
      if (!::EqualRect(&fitted, &rScreen)) {
        t.Log(L"Saved window placement moved onto the visible desktop", evNormal,
              pVar(L"sValue", sValue, L"lLeft", static_cast<int32_t>(fitted.left), L"lTop",
                   static_cast<int32_t>(fitted.top), L"lRight", static_cast<int32_t>(fitted.right),
                   L"lBottom", static_cast<int32_t>(fitted.bottom)));
      }
      ::OffsetRect(&fitted, -off.x, -off.y);
      pd.rcNormal = fitted;
    } else {
      t.APIError(L"GetMonitorInfoW");
    }

    WINDOWPLACEMENT wp{};
    wp.length = sizeof(wp);
    if (!::GetWindowPlacement(hWnd_, &wp)) {
      t.APIError(L"GetWindowPlacement");
      return;
    }
    const WINDOWPLACEMENT current = wp;
    wp.flags = 0;
    wp.showCmd = static_cast<UINT>(FormPlacement::RestoredShowCmd(pd.lShowCmd));
    // A window not yet shown stays hidden; its first show uses the restored
    // rectangle, and maximises it when the saved state was maximised.
    const bool bHidden = !::IsWindowVisible(hWnd_);
    // The state it is in after the call: a hidden window stays normal.
    const UINT lStateAfter = bHidden ? SW_SHOWNORMAL : wp.showCmd;
    if (bHidden) {
      ShowMaximisedPending_ = wp.showCmd == SW_SHOWMAXIMIZED;
      wp.showCmd = SW_HIDE;
    }
    // The same placement again (the settings are applied at the manager's
    // start and at the window's load): no move through the window manager.
    if (::EqualRect(&current.rcNormalPosition, &pd.rcNormal) && current.showCmd == lStateAfter) {
      result = true;
      return;
    }
    wp.rcNormalPosition = pd.rcNormal;
    if (!::SetWindowPlacement(hWnd_, &wp)) {
      t.APIError(L"SetWindowPlacement");
      return;
    }
    result = true;
  });
  t.Vars(vkFunctionReturn, {result});
  return result;
}

bool FormExtender::AlwaysOnTop() const {
  App_Trace t(kModule, L"AlwaysOnTop", ptProperty);
  bool result = false;
  t.Step([&] {
    if (hWnd_) result = (::GetWindowLongPtrW(hWnd_, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
  });
  t.Vars(vkFunctionReturn, {result});
  return result;
}

void FormExtender::SetAlwaysOnTop(bool bOnTop) {
  App_Trace t(kModule, L"AlwaysOnTop", ptProperty);
  t.Vars(vkPassedByVal, {L"bOnTop", bOnTop});
  t.Step([&] {
    if (!hWnd_) return;
    // Already so: no move through the window manager.
    if (((::GetWindowLongPtrW(hWnd_, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0) == bOnTop) return;
    if (!::SetWindowPos(hWnd_, bOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                        SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE)) {
      t.APIError(L"SetWindowPos");
    }
  });
}
