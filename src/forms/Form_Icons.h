// Window icons (module Form_Icons): sets a window's large and small icon
// from an icon resource of the program or from an .ico file.
//
// Both sizes are loaded at the system's icon sizes (SM_CXICON/SM_CYICON and
// SM_CXSMICON/SM_CYSMICON) as shared images: the system keeps them for the
// life of the process, so a window may hold them without an owner here.
// With bSetAsAppIcon the window's owner (the application's hidden top-level
// window, when there is one) gets the same icons, so the task bar shows them.
#pragma once

#include <windows.h>

#include <string_view>

namespace Form_Icons {

// The program's own window icon: an icon group of its module.
inline constexpr std::wstring_view kProgramIconName = L"_0001A";

// Both sizes of an icon group of the program's module, loaded as
// SetIconFromRes loads them; null for a size that could not be loaded.
void LoadResIcons(std::wstring_view sResName, HICON& hBig, HICON& hSmall);

// The icon group resource sResName of the program's own module. True when
// both sizes were loaded and set.
bool SetIconFromRes(HWND hWnd, std::wstring_view sResName, bool bSetAsAppIcon);

// The icon file sPath. True when both sizes were loaded and set.
bool SetIconFromFile(HWND hWnd, std::wstring_view sPath, bool bSetAsAppIcon);

}  // namespace Form_Icons
