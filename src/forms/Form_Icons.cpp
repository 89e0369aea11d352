// Window icons (module Form_Icons).
#include "forms/Form_Icons.h"

#include <string>

#include "diag/App_Trace.h"
#include "util/App_Variables.h"

namespace Form_Icons {

namespace {

constexpr std::wstring_view kModule = L"Form_Icons";

// The system's size of the big (ICON_BIG) or the small icon. The window
// class's icons and the window's own are loaded at these sizes, so that the
// shared images are the same.
SIZE IconSize(WPARAM which) {
  return which == ICON_BIG ? SIZE{::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON)}
                           : SIZE{::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON)};
}

// One size of the icon, shared; hModule null with LR_LOADFROMFILE for a
// file. The wide call keeps names and paths outside the ANSI code page
// intact.
HICON LoadShared(HINSTANCE hModule, const std::wstring& sName, UINT lFlags, WPARAM which) {
  const SIZE size = IconSize(which);
  return static_cast<HICON>(
      ::LoadImageW(hModule, sName.c_str(), IMAGE_ICON, size.cx, size.cy, lFlags | LR_SHARED));
}

HICON LoadOneIcon(App_Trace& t, HINSTANCE hModule, const std::wstring& sName, UINT lFlags, WPARAM which) {
  HICON h = LoadShared(hModule, sName, lFlags, which);
  if (h == nullptr) {
    const SIZE size = IconSize(which);
    t.APIError(L"LoadImageW",
               pVar(L"sName", sName, L"cx", static_cast<int>(size.cx), L"cy", static_cast<int>(size.cy)));
  }
  return h;
}

// Loads both sizes and hands them to the window (and its owner).
bool SetIcons(App_Trace& t, HWND hWnd, HINSTANCE hModule, const std::wstring& sName, UINT lFlags,
              bool bSetAsAppIcon) {
  bool bResult = false;
  t.Step([&] {
    if (hWnd == nullptr || !::IsWindow(hWnd)) {
      t.Log(L"No window to set the icon of.");
      return;
    }
    HICON hBig = LoadOneIcon(t, hModule, sName, lFlags, ICON_BIG);
    HICON hSmall = LoadOneIcon(t, hModule, sName, lFlags, ICON_SMALL);
    HWND hOwner = bSetAsAppIcon ? ::GetWindow(hWnd, GW_OWNER) : nullptr;
    auto send = [&](WPARAM which, HICON hIcon) {
      if (hIcon == nullptr) return;  // that size keeps the window's default icon
      ::SendMessageW(hWnd, WM_SETICON, which, reinterpret_cast<LPARAM>(hIcon));
      if (hOwner != nullptr) ::SendMessageW(hOwner, WM_SETICON, which, reinterpret_cast<LPARAM>(hIcon));
    };
    // The small icon first: a big one set while a window has no small icon
    // makes the system scale a small copy of it, which the small one then
    // replaces.
    send(ICON_SMALL, hSmall);
    send(ICON_BIG, hBig);
    bResult = hBig != nullptr && hSmall != nullptr;
  });
  return bResult;
}

}  // namespace

void LoadResIcons(std::wstring_view sResName, HICON& hBig, HICON& hSmall) {
  const std::wstring sName(sResName);
  const HINSTANCE hModule = ::GetModuleHandleW(nullptr);
  hBig = LoadShared(hModule, sName, 0, ICON_BIG);
  hSmall = LoadShared(hModule, sName, 0, ICON_SMALL);
}

bool SetIconFromRes(HWND hWnd, std::wstring_view sResName, bool bSetAsAppIcon) {
  App_Trace t(kModule, L"SetIconFromRes");
  t.Vars(vkPassedByVal, {L"sResName", sResName, L"bSetAsAppIcon", bSetAsAppIcon});
  const bool bResult =
      SetIcons(t, hWnd, ::GetModuleHandleW(nullptr), std::wstring(sResName), 0, bSetAsAppIcon);
  t.Vars(vkFunctionReturn, {bResult});
  return bResult;
}

bool SetIconFromFile(HWND hWnd, std::wstring_view sPath, bool bSetAsAppIcon) {
  App_Trace t(kModule, L"SetIconFromFile");
  t.Vars(vkPassedByVal, {L"sPath", sPath, L"bSetAsAppIcon", bSetAsAppIcon});
  const bool bResult = SetIcons(t, hWnd, nullptr, std::wstring(sPath), LR_LOADFROMFILE, bSetAsAppIcon);
  t.Vars(vkFunctionReturn, {bResult});
  return bResult;
}

}  // namespace Form_Icons
