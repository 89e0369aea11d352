// Windows-only test plumbing for registry keys: an open key that closes
// itself on every way out of a test, a failed assertion included, and
// Wine's per-program Windows release.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "registry/App_Registry.h"

// The program's key owner with the opening and writing calls the tests make.
class LumoKey : public App_RegKey {
 public:
  // Opens an existing key; the Win32 result (0 when it is open).
  LONG Open(HKEY root, const std::wstring& sKey, REGSAM access) {
    return Keep(::RegOpenKeyExW(root, sKey.c_str(), 0, access, Put()));
  }
  // Opens the key, creating it and the keys above it when missing.
  LONG Create(HKEY root, const std::wstring& sKey, REGSAM access) {
    return Keep(::RegCreateKeyExW(root, sKey.c_str(), 0, nullptr, 0, access, nullptr, Put(), nullptr));
  }
  // Writes a text with its terminating NUL (REG_SZ unless another type is given).
  LONG SetText(const wchar_t* sName, std::wstring_view sText, DWORD lType = REG_SZ) {
    const std::wstring t(sText);
    return ::RegSetValueExW(Get(), sName, 0, lType, reinterpret_cast<const BYTE*>(t.c_str()),
                            static_cast<DWORD>((t.size() + 1) * sizeof(wchar_t)));
  }
  LONG SetDword(const wchar_t* sName, DWORD lValue) {
    return ::RegSetValueExW(Get(), sName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&lValue), sizeof(lValue));
  }

 private:
  // A failed call leaves no handle to close.
  LONG Keep(LONG r) {
    if (r != ERROR_SUCCESS) *Put() = nullptr;
    return r;
  }
};

// Wine's Windows release ("winxp", "win10", ...) for one program of the
// prefix ("probe_version.exe"); an empty or no release removes the switch.
inline void LumoSetWineRelease(const std::wstring& sExe, const wchar_t* sRelease) {
  const std::wstring key = L"Software\\Wine\\AppDefaults\\" + sExe;
  if (!sRelease || !*sRelease) {
    ::RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
    return;
  }
  LumoKey k;
  if (k.Create(HKEY_CURRENT_USER, key, KEY_SET_VALUE) == ERROR_SUCCESS) k.SetText(L"Version", sRelease);
}
