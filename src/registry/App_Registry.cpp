#include "registry/App_Registry.h"

#include <cmath>
#include <cwchar>
#include <optional>

#include "diag/App_Err.h"
#include "diag/App_Trace.h"
#include "platform/App_Env.h"
#include "platform/App_Platform.h"
#include "registry/App_Permissions.h"
#include "util/App_Strings.h"
#include "util/App_Variables.h"

using App_Strings::cmText;

namespace App_Registry {

namespace {

constexpr std::wstring_view kModule = L"App_Registry";
constexpr uint32_t kViewFlags = KEY_WOW64_64KEY | KEY_WOW64_32KEY;
constexpr uint32_t kFullControl = 0xF003F;
// RegEnumKey stops after this many failing indexes in a row (other than
// "no more items"), so a key deleted under it cannot keep it going forever.
constexpr int32_t kMaxEnumFailuresInARow = 16;

// The root as it appears in the trace: its short name, or its number.
std::wstring RootText(App_HKEY eHKEY) {
  std::wstring s = GetHKEYName(eHKEY, true);
  if (!s.empty()) return s;
  wchar_t buf[16];
  std::swprintf(buf, 16, L"0x%08X", static_cast<unsigned>(eHKEY));
  return buf;
}

std::wstring WithoutTrailingBackslashes(std::wstring_view s) {
  while (!s.empty() && s.back() == L'\\') s.remove_suffix(1);
  return std::wstring(s);
}

std::wstring WithoutOuterBackslashes(std::wstring_view s) {
  while (!s.empty() && s.front() == L'\\') s.remove_prefix(1);
  return WithoutTrailingBackslashes(s);
}

// Registry calls return their error instead of setting the thread's last
// error; hand it to the trace so the API event names the real failure.
int32_t LogAPI(App_Trace& t, LONG lRet, std::wstring_view sCall, std::wstring_view sVars = {}) {
  ::SetLastError(static_cast<DWORD>(lRet));
  t.APIError(sCall, sVars);
  return static_cast<int32_t>(lRet);
}

// "5  Access is denied." - the code and its text as the log lines show them.
std::wstring CodeAndText(LONG lRet) {
  return std::to_wstring(lRet) + L"  " + GetRegAPIReturnMsg(static_cast<int32_t>(lRet));
}

// Deletes one subkey (which must have no subkeys) in the given view.
// RegDeleteKeyExW is newer than 32-bit XP: looked up, with the plain call as
// the fallback where it is missing (there is no other view to choose there).
LONG DeleteSubKeyInView(HKEY hParent, const std::wstring& sName, uint32_t lView) {
  using RegDeleteKeyExW_t = LONG(WINAPI*)(HKEY, LPCWSTR, REGSAM, DWORD);
  if (lView != 0) {
    static const auto pDeleteEx = App_Platform::Proc<RegDeleteKeyExW_t>(L"advapi32.dll", "RegDeleteKeyExW");
    if (pDeleteEx) return pDeleteEx(hParent, sName.c_str(), lView, 0);
  }
  return ::RegDeleteKeyW(hParent, sName.c_str());
}

// A value for REG_DWORD: numbers as they are (unsigned 32-bit values
// included), texts as decimal or "&H" hex numbers; anything else is a type
// mismatch, out-of-range numbers an overflow (both raised to the step guard).
uint32_t ToRegDWORD(const App_Variant& v) {
  auto fromWide = [](long double d) -> uint32_t {
    if (!std::isfinite(d)) App_Err::Raise(App_Err::ErrOverflow);
    const long double r = std::nearbyint(d);
    if (r < -2147483648.0L || r > 4294967295.0L) App_Err::Raise(App_Err::ErrOverflow);
    return static_cast<uint32_t>(static_cast<int64_t>(r));
  };
  switch (v.VarType()) {
    case vtEmpty:
      return 0;
    case vtBoolean:
      return v.AsInteger() ? 1u : 0u;
    case vtByte:
    case vtInteger:
    case vtLong:
    case vtLongLong:
      return fromWide(static_cast<long double>(v.AsInteger()));
    case vtSingle:
    case vtDouble:
      return fromWide(v.AsDouble());
    case vtString: {
      const std::wstring s = App_Strings::Trim(v.AsString());
      if (s.size() > 2 && (s[0] == L'&') && (s[1] == L'H' || s[1] == L'h')) {
        const std::wstring hex = s.substr(2);
        if (hex.size() > 8 || hex.find_first_not_of(L"0123456789abcdefABCDEF") != std::wstring::npos)
          App_Err::Raise(App_Err::ErrTypeMismatch);
        return static_cast<uint32_t>(std::wcstoul(hex.c_str(), nullptr, 16));
      }
      if (s.empty() || s.find_first_not_of(L"0123456789+-.eE") != std::wstring::npos)
        App_Err::Raise(App_Err::ErrTypeMismatch);
      wchar_t* end = nullptr;
      const long double d = std::wcstold(s.c_str(), &end);
      if (end != s.c_str() + s.size()) App_Err::Raise(App_Err::ErrTypeMismatch);
      return fromWide(d);
    }
    default:
      App_Err::Raise(App_Err::ErrTypeMismatch);
  }
}

// Every string of a REG_MULTI_SZ value (empty strings end the list).
LONG ReadStringList(HKEY hKey, const std::wstring& sValueName, std::vector<std::wstring>& entries) {
  entries.clear();
  for (int tries = 0; tries < 4; ++tries) {
    DWORD cb = 0;
    LONG r = ::RegQueryValueExW(hKey, sValueName.c_str(), nullptr, nullptr, nullptr, &cb);
    if (r != ERROR_SUCCESS && r != ERROR_MORE_DATA) return r;
    std::wstring buf(cb / sizeof(wchar_t) + 2, L'\0');
    cb = static_cast<DWORD>((buf.size() - 2) * sizeof(wchar_t));
    r = ::RegQueryValueExW(hKey, sValueName.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(buf.data()),
                           &cb);
    if (r == ERROR_MORE_DATA) continue;  // grew in between: ask again
    if (r != ERROR_SUCCESS) return r;
    for (size_t pos = 0; pos < buf.size() && buf[pos] != L'\0';) {
      const size_t end = buf.find(L'\0', pos);
      entries.push_back(buf.substr(pos, end - pos));
      pos = end + 1;
    }
    return ERROR_SUCCESS;
  }
  return ERROR_MORE_DATA;
}

// The raw bytes of a value.
LONG ReadRaw(HKEY hKey, const std::wstring& sValueName, std::vector<uint8_t>& bytes) {
  for (int tries = 0; tries < 4; ++tries) {
    DWORD cb = 0;
    LONG r = ::RegQueryValueExW(hKey, sValueName.c_str(), nullptr, nullptr, nullptr, &cb);
    if (r != ERROR_SUCCESS && r != ERROR_MORE_DATA) return r;
    bytes.assign(cb, 0);
    r = ::RegQueryValueExW(hKey, sValueName.c_str(), nullptr, nullptr, cb ? bytes.data() : nullptr, &cb);
    if (r == ERROR_MORE_DATA) continue;
    if (r != ERROR_SUCCESS) return r;
    bytes.resize(cb);
    return ERROR_SUCCESS;
  }
  return ERROR_MORE_DATA;
}

}  // namespace

HKEY RootHandle(App_HKEY eHKEY) {
  // The predefined handles are 32-bit values sign extended to pointer size.
  return reinterpret_cast<HKEY>(static_cast<LONG_PTR>(static_cast<LONG>(static_cast<uint32_t>(eHKEY))));
}

// ---- choosing the view ---------------------------------------------------------------

bool AddRegFlagWOW64(App_HKEY eHKEY, std::wstring& sRegKey, uint32_t& lDesiredSAM, bool& bRemovedWow6432Node,
                     bool bIsGuestSession) {
  App_Trace t(kModule, L"AddRegFlagWOW64");
  bool result = false;
  t.Vars(vkPassedByRef, {L"eHKEY", RootText(eHKEY), L"sRegKey", sRegKey, L"lDesiredSAM", lDesiredSAM,
                         L"bIsGuestSession", bIsGuestSession});
  t.Step([&] {
    if (sRegKey.empty()) {
      t.Log(L"Aborting; Passed empty string!", evNormal);
      return;
    }
    bRemovedWow6432Node = false;
    if (!AppEnv().Win64bit) return;

    // Only the redirected branches: HKLM\SOFTWARE and the per-user classes.
    bool bRedirected = false;
    switch (static_cast<uint32_t>(eHKEY)) {
      case hkeyLocalMachine:
        bRedirected = App_Strings::InStr(sRegKey, L"SOFTWARE\\", cmText) > 0;
        break;
      case hkeyCurrentUser:
      case hkeyUsers:
      case hkeyCurrentUserLocalSettings:
        bRedirected = App_Strings::InStr(sRegKey, L"SOFTWARE\\Classes\\", cmText) > 0;
        break;
      default:
        break;
    }
    if (!bRedirected) return;

    if (App_Strings::InStr(sRegKey, L"WOW6432Node", cmText) == 0) {
      lDesiredSAM |= KEY_WOW64_64KEY;
      result = true;
      return;
    }
    // A hive loaded from another installation is not redirected: its
    // WOW6432Node is an ordinary key.
    if (IsRegKeyOffline(sRegKey)) return;
    // The caller means the 32-bit branch: open its plain path in the 32-bit
    // view (the view a 32-bit process gets anyway; a 64-bit process needs
    // the flag to get there too).
    sRegKey = App_Strings::Replace(sRegKey, L"WOW6432Node\\", L"", cmText);
    lDesiredSAM |= KEY_WOW64_32KEY;
    bRemovedWow6432Node = true;
    t.Log(L"Removed 'WOW6432Node\\' from non-offline/guest registry key string...", evVerbose,
          pVar(L"RootHKEY", GetHKEYName(eHKEY, true), L"sRegKey", sRegKey, L"bIsGuestSession",
               bIsGuestSession));
  });
  t.Vars(vkReturnedByRef,
         {L"sRegKey", sRegKey, L"lDesiredSAM", lDesiredSAM, L"bRemovedWow6432Node", bRemovedWow6432Node});
  t.Vars(vkFunctionReturn, {result});
  return result;
}

// ---- existence ---------------------------------------------------------------------

bool RegKeyExist(App_HKEY eHKEY, std::wstring_view sRegKey, bool bOpenLink) {
  App_Trace t(kModule, L"RegKeyExist");
  bool result = false;
  t.Vars(vkPassedByVal, {L"eHKEY", RootText(eHKEY), L"sRegKey", sRegKey, L"bOpenLink", bOpenLink});
  t.Step([&] {
    std::wstring key(sRegKey);
    uint32_t sam = KEY_QUERY_VALUE;
    bool bRemoved = false;
    AddRegFlagWOW64(eHKEY, key, sam, bRemoved);
    App_RegKey k;
    const LONG lReturn =
        ::RegOpenKeyExW(RootHandle(eHKEY), key.c_str(), bOpenLink ? REG_OPTION_OPEN_LINK : 0, sam, k.Put());
    if (lReturn == ERROR_SUCCESS) {
      result = true;
      return;
    }
    LogAPI(t, lReturn, L"RegOpenKeyExW", pVar(L"sRegKey", key));
    const std::wstring vars = pVar(L"sRegKey", key, L"lReturn", static_cast<int32_t>(lReturn), L"sAPIRet",
                                   GetRegAPIReturnMsg(lReturn));
    if (lReturn == ERROR_FILE_NOT_FOUND || lReturn == ERROR_PATH_NOT_FOUND) {
      t.Log(L"Registry key does not exist!", evVerbose, vars);
    } else if (lReturn == ERROR_ACCESS_DENIED) {
      t.Log(L"Access Denied; Returning True!", evVerbose, vars);
      result = true;
    } else {
      t.Log(L"WARNING:  Registry key may or may not exist!", evVerbose, vars);
    }
  });
  t.Vars(vkFunctionReturn, {result});
  return result;
}

// ---- reading -----------------------------------------------------------------------

bool RegReadValue(App_HKEY eHKEY, std::wstring_view sRegKey, std::wstring_view sValueName, int32_t lValueType,
                  const App_Variant& vDefault, App_Variant& vResult) {
  App_Trace t(kModule, L"RegReadValue");
  bool result = false;
  t.Vars(vkPassedByVal, {L"eHKEY", RootText(eHKEY), L"sRegKey", sRegKey, L"sValueName", sValueName,
                         L"lValueType", lValueType, L"vDefault", vDefault});
  t.Step([&] {
    const App_Variant vDefaultCopy = vDefault;  // the caller may pass one variable for both
    std::wstring key = WithoutTrailingBackslashes(sRegKey);
    const std::wstring name(sValueName);
    uint32_t sam = KEY_QUERY_VALUE;
    bool bRemoved = false;
    AddRegFlagWOW64(eHKEY, key, sam, bRemoved);
    vResult = vDefaultCopy;

    App_RegKey k;
    const LONG lOpen = ::RegOpenKeyExW(RootHandle(eHKEY), key.c_str(), 0, sam, k.Put());
    if (lOpen != ERROR_SUCCESS) {
      LogAPI(t, lOpen, L"RegOpenKeyExW", pVar(L"sRegKey", key, L"sValueName", name));
      return;
    }

    switch (lValueType) {
      case REGTYPE_SZ:
      case REGTYPE_EXPAND_SZ:
      case REGTYPE_MULTI_SZ: {
        const std::wstring_view sTypeName = lValueType == REGTYPE_SZ          ? L"REG_SZ"
                                            : lValueType == REGTYPE_EXPAND_SZ ? L"REG_EXPAND_SZ"
                                                                              : L"REG_MULTI_SZ";
        DWORD cb = 0;
        LONG r = ::RegQueryValueExW(k.Get(), name.c_str(), nullptr, nullptr, nullptr, &cb);
        if (r != ERROR_SUCCESS && r != ERROR_MORE_DATA) {
          LogAPI(t, r, L"RegQueryValueExW " + std::wstring(sTypeName) + L" (Length)",
                 pVar(L"sRegKey", key, L"sValueName", name));
          return;
        }
        // Space-filled, so a value stored without its terminating NUL
        // still ends cleanly after the trim below.
        std::wstring buf(cb / sizeof(wchar_t) + 1, L' ');
        cb = static_cast<DWORD>(buf.size() * sizeof(wchar_t));
        r = ::RegQueryValueExW(k.Get(), name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(buf.data()),
                               &cb);
        if (r != ERROR_SUCCESS) {
          if (lValueType == REGTYPE_MULTI_SZ) {
            LogAPI(t, r, L"RegQueryValueExW REG_MULTI_SZ (Data)", pVar(L"sRegKey", key, L"sValueName", name));
          } else {
            t.Log(L"RegQueryValueExW " + std::wstring(sTypeName) + L" (Data) msg=" + GetRegAPIReturnMsg(r),
                  evNormal, pVar(L"sRegKey", key, L"sValueName", name, L"lRet", static_cast<int32_t>(r)));
          }
          return;
        }
        const size_t nul = buf.find(L'\0');
        vResult = App_Variant(App_Strings::Trim(
            std::wstring_view(buf).substr(0, nul == std::wstring::npos ? buf.size() : nul)));
        result = true;
        break;
      }
      case REGTYPE_DWORD: {
        DWORD lData = 0;
        DWORD cb = sizeof(lData);
        const LONG r =
            ::RegQueryValueExW(k.Get(), name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&lData), &cb);
        if (r != ERROR_SUCCESS) {
          LogAPI(t, r, L"RegQueryValueExW REG_DWORD", pVar(L"sRegKey", key, L"sValueName", name));
          return;
        }
        vResult = App_Variant(static_cast<int32_t>(lData));
        result = true;
        break;
      }
      case REGTYPE_BINARY: {
        // A variant cannot carry the bytes (RegReadBinary does): report
        // whether the value is there, as a byte array marker.
        std::vector<uint8_t> bytes;
        const LONG r = ReadRaw(k.Get(), name, bytes);
        if (r != ERROR_SUCCESS) {
          LogAPI(t, r, L"RegQueryValueExW REG_BINARY", pVar(L"sRegKey", key, L"sValueName", name));
          return;
        }
        vResult = App_Variant::ArrayOf(vtByte);
        result = true;
        break;
      }
      default:
        t.Log(L"Registry value type not supported in this function.", evNormal,
              pVar(L"lValueType", lValueType));
        break;
    }
  });
  t.Vars(vkReturnedByRef, {L"vResult", vResult});
  t.Vars(vkFunctionReturn, {result});
  return result;
}

bool RegReadBinary(App_HKEY eHKEY, std::wstring_view sRegKey, std::wstring_view sValueName,
                   std::vector<uint8_t>& bytes) {
  App_Trace t(kModule, L"RegReadBinary");
  bool result = false;
  t.Vars(vkPassedByVal, {L"eHKEY", RootText(eHKEY), L"sRegKey", sRegKey, L"sValueName", sValueName});
  t.Step([&] {
    bytes.clear();
    std::wstring key = WithoutTrailingBackslashes(sRegKey);
    const std::wstring name(sValueName);
    uint32_t sam = KEY_QUERY_VALUE;
    bool bRemoved = false;
    AddRegFlagWOW64(eHKEY, key, sam, bRemoved);
    App_RegKey k;
    const LONG lOpen = ::RegOpenKeyExW(RootHandle(eHKEY), key.c_str(), 0, sam, k.Put());
    if (lOpen != ERROR_SUCCESS) {
      LogAPI(t, lOpen, L"RegOpenKeyExW", pVar(L"sRegKey", key, L"sValueName", name));
      return;
    }
    const LONG r = ReadRaw(k.Get(), name, bytes);
    if (r != ERROR_SUCCESS) {
      bytes.clear();
      LogAPI(t, r, L"RegQueryValueExW REG_BINARY", pVar(L"sRegKey", key, L"sValueName", name));
      return;
    }
    result = true;
  });
  t.Vars(vkFunctionReturn, {result});
  return result;
}

// ---- writing -----------------------------------------------------------------------

namespace {

// The key, created where it is missing, opened with sam (the view's flag
// added; sViewKey may lose "WOW6432Node\"); not valid (logged) when it
// cannot be.
App_RegKey CreateToWrite(App_Trace& t, App_HKEY eHKEY, std::wstring& sViewKey, uint32_t sam) {
  bool bRemoved = false;
  AddRegFlagWOW64(eHKEY, sViewKey, sam, bRemoved);
  App_RegKey k;
  const LONG r =
      ::RegCreateKeyExW(RootHandle(eHKEY), sViewKey.c_str(), 0, nullptr, 0, sam, nullptr, k.Put(), nullptr);
  if (r != ERROR_SUCCESS) {
    LogAPI(t, r, L"RegCreateKeyExW", pVar(L"sRegKey", sViewKey));
    return {};
  }
  return k;
}

std::vector<uint8_t> BytesOf(const void* p, size_t lLen) {
  const auto* b = static_cast<const uint8_t*>(p);
  return {b, b + lLen};
}

// A REG_MULTI_SZ value's data: the list already there, then the new text
// as further entries (a text holding NULs gives several). Empty entries
// cannot be stored in such a list and are left out. None (logged) when the
// list there cannot be read: it is not overwritten.
std::optional<std::vector<uint8_t>> ExtendedListBytes(App_Trace& t, HKEY hKey, const std::wstring& key,
                                                      const std::wstring& name, const App_Variant& vRegData) {
  std::vector<std::wstring> entries;
  const LONG r = ReadStringList(hKey, name, entries);
  if (r != ERROR_SUCCESS && r != ERROR_FILE_NOT_FOUND) {
    LogAPI(t, r, L"RegQueryValueExW REG_MULTI_SZ (Data)", pVar(L"sRegKey", key, L"sValueName", name));
    return std::nullopt;
  }
  const std::wstring sNew = App_Variables::VariantToString(vRegData);
  for (size_t pos = 0; pos <= sNew.size();) {
    size_t end = sNew.find(L'\0', pos);
    if (end == std::wstring::npos) end = sNew.size();
    if (end > pos) entries.push_back(sNew.substr(pos, end - pos));
    pos = end + 1;
  }
  std::wstring sText;
  for (const std::wstring& e : entries) sText.append(e).push_back(L'\0');
  sText.push_back(L'\0');
  if (entries.empty()) sText.push_back(L'\0');
  // The data ends with two NULs.
  return BytesOf(sText.data(), sText.size() * sizeof(wchar_t));
}

// The data to write for vRegData as a value of type lValueType; none
// (logged) when it cannot be built.
std::optional<std::vector<uint8_t>> ValueBytes(App_Trace& t, HKEY hKey, const std::wstring& key,
                                               const std::wstring& name, int32_t lValueType,
                                               const App_Variant& vRegData) {
  switch (lValueType) {
    case REGTYPE_SZ:
    case REGTYPE_EXPAND_SZ: {
      // The terminating NUL is part of the data: readers that trust the
      // stored length then get a terminated string.
      const std::wstring sText = App_Variables::VariantToString(vRegData);
      return BytesOf(sText.c_str(), (sText.size() + 1) * sizeof(wchar_t));
    }
    case REGTYPE_DWORD: {
      const DWORD lNumber = ToRegDWORD(vRegData);
      return BytesOf(&lNumber, sizeof(lNumber));
    }
    case REGTYPE_MULTI_SZ:
      return ExtendedListBytes(t, hKey, key, name, vRegData);
    case REGTYPE_BINARY:
      t.Log(L"REG_BINARY not supported in this function.", evNormal);
      return std::nullopt;
    default:
      t.Log(L"Registry value type not supported in this function.", evNormal,
            pVar(L"lValueType", lValueType));
      return std::nullopt;
  }
}

}  // namespace

bool RegWriteValue(App_HKEY eHKEY, std::wstring_view sRegKey, std::wstring_view sValueName,
                   int32_t lValueType, const App_Variant& vRegData) {
  App_Trace t(kModule, L"RegWriteValue");
  bool result = false;
  t.Vars(vkPassedByVal, {L"eHKEY", RootText(eHKEY), L"sRegKey", sRegKey, L"sValueName", sValueName,
                         L"lValueType", lValueType, L"vRegData", vRegData});
  std::wstring key = WithoutTrailingBackslashes(sRegKey);
  const std::wstring name(sValueName);
  App_RegKey k;
  // A list is extended, so its write also reads the list already there.
  const uint32_t sam =
      KEY_SET_VALUE | KEY_CREATE_SUB_KEY | (lValueType == REGTYPE_MULTI_SZ ? KEY_QUERY_VALUE : 0);
  t.Step([&] { k = CreateToWrite(t, eHKEY, key, sam); });
  // Nothing is written when the bytes cannot be built.
  std::optional<std::vector<uint8_t>> data;
  if (k.Valid()) t.Step([&] { data = ValueBytes(t, k.Get(), key, name, lValueType, vRegData); });
  if (data) {
    t.Step([&] {
      const LONG r = ::RegSetValueExW(k.Get(), name.c_str(), 0, static_cast<DWORD>(lValueType), data->data(),
                                      static_cast<DWORD>(data->size()));
      if (r != ERROR_SUCCESS) {
        LogAPI(t, r, L"RegSetValueExW",
               pVar(L"vRegData", vRegData, L"lDataLen", static_cast<int32_t>(data->size())));
        return;
      }
      result = true;
    });
  }
  k.Reset();
  t.Vars(vkFunctionReturn, {result});
  return result;
}

bool RegWriteBinary(App_HKEY eHKEY, std::wstring_view sRegKey, std::wstring_view sValueName,
                    const std::vector<uint8_t>& bytes) {
  App_Trace t(kModule, L"RegWriteBinary");
  bool result = false;
  t.Vars(vkPassedByVal, {L"eHKEY", RootText(eHKEY), L"sRegKey", sRegKey, L"sValueName", sValueName,
                         L"lDataLen", static_cast<int32_t>(bytes.size())});
  t.Step([&] {
    std::wstring key = WithoutTrailingBackslashes(sRegKey);
    const std::wstring name(sValueName);
    const App_RegKey k = CreateToWrite(t, eHKEY, key, KEY_SET_VALUE | KEY_CREATE_SUB_KEY);
    if (!k.Valid()) return;
    const LONG r = ::RegSetValueExW(k.Get(), name.c_str(), 0, REG_BINARY,
                                    bytes.empty() ? nullptr : bytes.data(), static_cast<DWORD>(bytes.size()));
    if (r != ERROR_SUCCESS) {
      LogAPI(t, r, L"RegSetValueExW", pVar(L"sRegKey", key, L"lDataLen", static_cast<int32_t>(bytes.size())));
      return;
    }
    result = true;
  });
  t.Vars(vkFunctionReturn, {result});
  return result;
}

// ---- deleting ----------------------------------------------------------------------

bool KillRegValue(App_HKEY eHKEY, std::wstring_view sRegKey, std::wstring_view sValueName, bool& bNotFound,
                  int32_t& lErrorCode) {
  App_Trace t(kModule, L"KillRegValue");
  bNotFound = false;
  lErrorCode = 0;
  LONG lRet = ERROR_SUCCESS;
  t.Vars(vkPassedByVal, {L"eHKEY", RootText(eHKEY), L"sRegKey", sRegKey, L"sValueName", sValueName});
  t.Step([&] {
    // The take-over works on the key as the caller named it, so it picks
    // the same view this call opens.
    const std::wstring sCallerKey = WithoutOuterBackslashes(sRegKey);
    std::wstring key = sCallerKey;
    const std::wstring name(sValueName);
    uint32_t sam = KEY_SET_VALUE;
    bool bRemoved = false;
    AddRegFlagWOW64(eHKEY, key, sam, bRemoved);

    bool bTakeControlRetry = false;
    for (;;) {
      App_RegKey k;
      lRet = ::RegOpenKeyExW(RootHandle(eHKEY), key.c_str(), 0, sam, k.Put());
      if (lRet != ERROR_SUCCESS) {
        if (lRet == ERROR_FILE_NOT_FOUND) bNotFound = true;
        LogAPI(t, lRet, L"RegOpenKeyExW", pVar(L"sRegKey", key));
        // No key, no value: what the caller wanted is already true.
        if (lRet == ERROR_FILE_NOT_FOUND || lRet == ERROR_PATH_NOT_FOUND) {
          bNotFound = true;
          lRet = ERROR_SUCCESS;
          t.Log(L"Registry key not found!", evVerbose, pVar(L"sRegKey", key));
        }
        return;  // a refused open is not taken over
      }
      const std::wstring sRetry = bTakeControlRetry ? L"  (after fail/take control/retry!)" : L"";
      lRet = ::RegDeleteValueW(k.Get(), name.c_str());
      switch (lRet) {
        case ERROR_SUCCESS:
          t.Log(L"Delete registry value success!" + sRetry, evVerbose);
          return;
        case ERROR_FILE_NOT_FOUND:
          lRet = ERROR_SUCCESS;
          t.Log(L"Registry value not found!" + sRetry, evVerbose);
          if (!bTakeControlRetry) bNotFound = true;
          return;
        case ERROR_PATH_NOT_FOUND:
          lRet = ERROR_SUCCESS;
          t.Log(L"Registry path not found!" + sRetry, evVerbose);
          if (!bTakeControlRetry) bNotFound = true;
          return;
        default:
          break;
      }
      LogAPI(t, lRet, L"RegDeleteValueW",
             pVar(L"lRet", static_cast<int32_t>(lRet), L"sRegKey", key, L"sValueName", name,
                  L"bTakeControlRetry", bTakeControlRetry));
      t.Log(L"RegDeleteValueW lRet=" + CodeAndText(lRet), evNormal);
      k.Reset();
      if (bTakeControlRetry) return;  // two attempts at most

      bTakeControlRetry = true;
      t.Log(L"Attempting to obtain ownership/permissions over the registry key...", evNormal,
            pVar(L"sRegKey", sCallerKey, L"sValueName", name));
      std::wstring sOwner, sPerm;
      App_Permissions::TakeControlReg(eHKEY, sCallerKey, sOwner, sPerm);
      GetRegKeyPermissions(eHKEY, sCallerKey);
    }
  });
  lErrorCode = static_cast<int32_t>(lRet);
  const bool result = lRet == ERROR_SUCCESS;
  t.Vars(vkReturnedByRef, {L"bNotFound", bNotFound, L"lErrorCode", lErrorCode});
  t.Vars(vkFunctionReturn, {result});
  return result;
}

int32_t KillRegValueCode(App_HKEY eHKEY, std::wstring_view sRegKey, std::wstring_view sValueName,
                         bool& bNotFound) {
  int32_t lErrorCode = 0;
  if (KillRegValue(eHKEY, sRegKey, sValueName, bNotFound, lErrorCode)) return 0;
  return lErrorCode;
}

int32_t KillRegValueCode(App_HKEY eHKEY, std::wstring_view sRegKey, std::wstring_view sValueName) {
  bool bNotFound = false;
  return KillRegValueCode(eHKEY, sRegKey, sValueName, bNotFound);
}

bool KillRegKey(App_HKEY eHKEY, std::wstring_view sRegKey, bool& bNotFound, int32_t& lAPIError) {
  App_Trace t(kModule, L"KillRegKey");
  bool result = false;
  bNotFound = false;
  lAPIError = 0;
  t.Vars(vkPassedByVal, {L"eHKEY", RootText(eHKEY), L"sRegKey", sRegKey});
  t.Step([&] {
    const std::wstring sCallerKey = WithoutOuterBackslashes(sRegKey);
    if (sCallerKey.empty()) {
      // An empty path would name the root itself: never delete a root.
      t.Log(L"Aborting; Passed empty string!", evNormal, pVar(L"sRegKey", sRegKey));
      return;
    }
    std::wstring key = sCallerKey;
    uint32_t sam = KEY_CREATE_SUB_KEY;
    bool bRemoved = false;
    AddRegFlagWOW64(eHKEY, key, sam, bRemoved);
    const uint32_t lView = sam & kViewFlags;
    const size_t cut = key.rfind(L'\\');
    const std::wstring sParentKey = cut == std::wstring::npos ? L"" : key.substr(0, cut);
    const std::wstring sKeyName = cut == std::wstring::npos ? key : key.substr(cut + 1);

    for (int attempt = 1; attempt <= 2; ++attempt) {
      if (attempt == 2) {
        std::wstring sOwner, sPerm;
        App_Permissions::TakeControlReg(eHKEY, sCallerKey, sOwner, sPerm);
      }
      GetRegKeyPermissions(eHKEY, sCallerKey);

      App_RegKey parent;
      LONG lRet = ::RegOpenKeyExW(RootHandle(eHKEY), sParentKey.c_str(), 0, sam, parent.Put());
      if (lRet != ERROR_SUCCESS) {
        t.Log(L"RegOpenKeyExW lRet=" + CodeAndText(lRet), evNormal, pVar(L"sParentKey", sParentKey));
        // Without its parent the key cannot exist: that is what the caller wanted.
        if (lRet == ERROR_FILE_NOT_FOUND || lRet == ERROR_PATH_NOT_FOUND) {
          bNotFound = true;
          result = true;
        }
        return;
      }
      // The subtree is deleted through the caller's path, so every level
      // is opened in the same view as this key.
      RegDeleteSubKeys(eHKEY, sCallerKey);
      lRet = DeleteSubKeyInView(parent.Get(), sKeyName, lView);
      parent.Reset();

      switch (lRet) {
        case ERROR_SUCCESS:
          t.Log(L"Delete Key Success!", evVerbose);
          result = true;
          return;
        case ERROR_FILE_NOT_FOUND:
          t.Log(L"Key Not Found!", evVerbose);
          bNotFound = true;
          result = true;
          return;
        case ERROR_PATH_NOT_FOUND:
          t.Log(L"Reg Path Not Found!", evVerbose);
          bNotFound = true;
          result = true;
          return;
        default:
          break;
      }
      lAPIError = LogAPI(t, lRet, L"RegDeleteKeyExW/RegDeleteKeyW", pVar(L"sRegKey", key, L"lView", lView));
      if (attempt == 1) {
        t.Log(L"(First run fail, trying again...) RegDeleteKeyExW/RegDeleteKeyW lRet=" + CodeAndText(lRet),
              evNormal);
        continue;
      }
      if (!RegKeyExist(eHKEY, sCallerKey, false)) {
        t.Log(L"Key no longer exists (despite NOT receiving ERROR_FILE_NOT_FOUND) returning TRUE...",
              evNormal);
        result = true;
      } else {
        t.Log(L"RegDeleteKeyExW/RegDeleteKeyW lRet=" + CodeAndText(lRet), evNormal);
      }
    }
  });
  t.Vars(vkReturnedByRef, {L"bNotFound", bNotFound, L"lAPIError", lAPIError});
  t.Vars(vkFunctionReturn, {result});
  return result;
}

void RegDeleteSubKeys(App_HKEY eHKEY, std::wstring_view sRegKey) {
  App_Trace t(kModule, L"RegDeleteSubKeys", ptSub);
  t.Vars(vkPassedByVal, {L"eHKEY", RootText(eHKEY), L"sRegKey", sRegKey});
  t.Step([&] {
    const std::wstring sCallerKey = WithoutTrailingBackslashes(sRegKey);
    if (WithoutOuterBackslashes(sCallerKey).empty()) {
      // An empty path would empty the whole root.
      t.Log(L"Aborting; Passed empty string!", evNormal, pVar(L"sRegKey", sRegKey));
      return;
    }
    std::wstring key = sCallerKey;
    uint32_t sam = kFullControl;
    bool bRemoved = false;
    AddRegFlagWOW64(eHKEY, key, sam, bRemoved);
    const uint32_t lView = sam & kViewFlags;
    App_RegKey k;
    const LONG lOpen = ::RegOpenKeyExW(RootHandle(eHKEY), key.c_str(), 0, sam, k.Put());
    if (lOpen != ERROR_SUCCESS) {
      LogAPI(t, lOpen, L"RegOpenKeyExW", pVar(L"sRegKey", key));
      return;
    }
    // All names first: deleting while listing would shift the indexes.
    std::vector<std::wstring> names;
    for (DWORD i = 0;; ++i) {
      wchar_t buf[256] = {};
      if (::RegEnumKeyW(k.Get(), i, buf, 256) != ERROR_SUCCESS) break;
      names.emplace_back(buf);
    }
    for (const std::wstring& sName : names) {
      const std::wstring sChild = sCallerKey + L"\\" + sName;
      std::wstring sOwner, sPerm;
      App_Permissions::TakeControlReg(eHKEY, sChild, sOwner, sPerm);
      GetRegKeyPermissions(eHKEY, sChild);
      RegDeleteSubKeys(eHKEY, sChild);
      const LONG r = DeleteSubKeyInView(k.Get(), sName, lView);
      if (r != ERROR_SUCCESS) LogAPI(t, r, L"RegDeleteKeyExW/RegDeleteKeyW", pVar(L"sRegKey", sChild));
    }
  });
}

// ---- listing -----------------------------------------------------------------------

int32_t RegEnumKey(App_HKEY eHKEY, std::wstring_view sRegKey, std::wstring& sSubKeyList) {
  App_Trace t(kModule, L"RegEnumKey");
  int32_t lCount = 0;
  t.Vars(vkPassedByVal, {L"eHKEY", RootText(eHKEY), L"sRegKey", sRegKey});
  t.Step([&] {
    std::wstring key = WithoutTrailingBackslashes(sRegKey);
    uint32_t sam = KEY_ENUMERATE_SUB_KEYS;
    bool bRemoved = false;
    AddRegFlagWOW64(eHKEY, key, sam, bRemoved);
    App_RegKey k;
    const LONG lOpen = ::RegOpenKeyExW(RootHandle(eHKEY), key.c_str(), 0, sam, k.Put());
    if (lOpen != ERROR_SUCCESS) {
      LogAPI(t, lOpen, L"RegOpenKeyExW", pVar(L"sRegKey", key));
      return;
    }
    bool bAppended = false;
    int32_t lFailuresInARow = 0;
    std::wstring buf;
    for (DWORD i = 0;; ++i) {
      buf.assign(2048, L'\0');
      const LONG r = ::RegEnumKeyW(k.Get(), i, buf.data(), 2048);
      if (r == ERROR_SUCCESS) {
        lFailuresInARow = 0;
        // A list the caller already holds gets a separator, so its last
        // name and the first new one do not run together.
        if (!bAppended && !sSubKeyList.empty() && sSubKeyList.back() != L'\0') sSubKeyList.push_back(L'\0');
        sSubKeyList.append(App_Strings::LTrim(buf.c_str())).push_back(L'\0');
        bAppended = true;
        continue;
      }
      if (r == ERROR_NO_MORE_ITEMS) {
        lCount = static_cast<int32_t>(i);
        break;
      }
      LogAPI(
          t, r, L"RegEnumKeyW",
          pVar(L"RootHKEY", GetHKEYName(eHKEY, true), L"sRegKey", key, L"lIndex", static_cast<int32_t>(i)));
      if (++lFailuresInARow >= kMaxEnumFailuresInARow) {
        t.Log(L"Stopped listing subkeys after repeated failures.", evNormal,
              pVar(L"sRegKey", key, L"lIndex", static_cast<int32_t>(i)));
        lCount = static_cast<int32_t>(i) + 1 - lFailuresInARow;
        break;
      }
    }
    if (bAppended) sSubKeyList.pop_back();  // no NUL after the last name
  });
  t.Vars(vkReturnedByRef, {L"sSubKeyList", sSubKeyList});
  t.Vars(vkFunctionReturn, {lCount});
  return lCount;
}

// ---- permissions before a deletion -------------------------------------------------

bool GetRegKeyPermissions(App_HKEY eHKEY, std::wstring_view sSubKey) {
  App_Trace t(kModule, L"GetRegKeyPermissions");
  bool result = true;
  t.Vars(vkPassedByVal, {L"eHKEY", RootText(eHKEY), L"sSubKey", sSubKey});
  // Every account is tried, whatever became of the ones before.
  for (const wchar_t* sAccount : {L"", L"System", L"Administrators", L"Power Users", L"users"}) {
    bool bDone = false;
    t.Step([&] {
      std::wstring sAccountName = sAccount;
      bool bAllowAccess = true;
      bDone = App_Permissions::RegSetKeyPermission(eHKEY, sSubKey, sAccountName, bAllowAccess, kFullControl);
    });
    if (!bDone) result = false;
  }
  t.Vars(vkFunctionReturn, {result});
  return result;
}

// ---- untraced helpers --------------------------------------------------------------

bool IsRegKeyOffline(std::wstring_view sRegKey) {
  try {
    const std::wstring s = App_Strings::Trim(sRegKey);
    return s.size() >= 6 && App_Strings::EqualText(std::wstring_view(s).substr(0, 6), L"guest_", false);
  } catch (...) {
    return false;
  }
}

std::wstring GetRegAPIReturnMsg(int32_t lReturnCode) {
  switch (lReturnCode) {
    case 0:
      return L"API Success!";
    case 1:
      return L"Incorrect function.";
    case 2:
      return L"The system cannot find the file specified. (key)";
    case 3:
      return L"The system cannot find the path specified.";
    case 4:
      return L"The system cannot open the file. (ERROR_TOO_MANY_OPEN_FILES)";
    case 5:
      return L"Access is denied.";
    case 6:
      return L"The handle is invalid.";
    case 7:
      return L"The storage control blocks were destroyed.";
    case 8:
      return L"Not enough storage is available to process this command.";
    case 14:
      return L"Not enough storage is available to complete this operation.";
    case 87:
      return L"The parameter is incorrect.";
    case 234:
      return L"More data is available.";
    case 259:
      return L"No more data is available.";
    case 1009:
      return L"The configuration registry database is corrupt.";
    case 1010:
      return L"The configuration registry key is invalid.";
    case 1011:
      return L"The configuration registry key could not be opened.";
    case 1012:
      return L"The configuration registry key could not be read.";
    case 1013:
      return L"The configuration registry key could not be written.";
    default:
      return L"Unknown Return Value.";
  }
}

std::wstring GetHKEYName(App_HKEY eHKEY, bool bShort) {
  switch (static_cast<uint32_t>(eHKEY)) {
    case hkeyClassesRoot:
      return bShort ? L"hkcr" : L"hkey_classes_root";
    case hkeyCurrentUser:
      return bShort ? L"hkcu" : L"hkey_current_user";
    case hkeyLocalMachine:
      return bShort ? L"hklm" : L"hkey_local_machine";
    case hkeyUsers:
      return bShort ? L"hku" : L"hkey_users";
    case hkeyPerformanceData:
      return bShort ? L"hkpd" : L"hkey_performance_data";
    case hkeyCurrentConfig:
      return bShort ? L"hkcc" : L"hkey_current_config";
    case hkeyDynData:
      return bShort ? L"hkdd" : L"hkey_dyn_data";
    default:
      return L"";
  }
}

namespace {

// The quiet readers' answer, told to the caller who asked for it.
bool QueryAnswer(LONG lResult, LONG* pResult) {
  if (pResult) *pResult = lResult;
  return lResult == ERROR_SUCCESS;
}

bool IsText(DWORD lType) {
  return lType == REG_SZ || lType == REG_EXPAND_SZ;
}

}  // namespace

bool QueryString(const App_RegKey& k, const wchar_t* sName, std::wstring& sValue, LONG* pResult,
                 DWORD lMaxBytes) {
  if (!k.Valid()) return QueryAnswer(ERROR_INVALID_HANDLE, pResult);
  DWORD type = 0, cb = 0;
  LONG r = ::RegQueryValueExW(k.Get(), sName, nullptr, &type, nullptr, &cb);
  if (r != ERROR_SUCCESS) return QueryAnswer(r, pResult);
  if (!IsText(type) || (lMaxBytes != 0 && cb > lMaxBytes)) return QueryAnswer(ERROR_INVALID_DATA, pResult);
  // One character more than asked for: the stored text need not end in a NUL.
  std::wstring buf(cb / sizeof(wchar_t) + 1, L'\0');
  cb = static_cast<DWORD>(buf.size() * sizeof(wchar_t));
  r = ::RegQueryValueExW(k.Get(), sName, nullptr, &type, reinterpret_cast<BYTE*>(buf.data()), &cb);
  if (r != ERROR_SUCCESS) return QueryAnswer(r, pResult);
  if (!IsText(type)) return QueryAnswer(ERROR_INVALID_DATA, pResult);
  sValue.assign(buf.c_str());
  return QueryAnswer(ERROR_SUCCESS, pResult);
}

bool QueryDword(const App_RegKey& k, const wchar_t* sName, DWORD& lValue, LONG* pResult) {
  if (!k.Valid()) return QueryAnswer(ERROR_INVALID_HANDLE, pResult);
  DWORD type = 0, v = 0, cb = sizeof(v);
  const LONG r = ::RegQueryValueExW(k.Get(), sName, nullptr, &type, reinterpret_cast<BYTE*>(&v), &cb);
  if (r == ERROR_MORE_DATA || (r == ERROR_SUCCESS && (type != REG_DWORD || cb != sizeof(v))))
    return QueryAnswer(ERROR_INVALID_DATA, pResult);
  if (r != ERROR_SUCCESS) return QueryAnswer(r, pResult);
  lValue = v;
  return QueryAnswer(ERROR_SUCCESS, pResult);
}

}  // namespace App_Registry
