#include "fs/App_FilePath.h"

#include <windows.h>

#include <vector>

#include "platform/App_Env.h"
#include "diag/App_Debug.h"
#include "diag/App_LogMsgs.h"
#include "diag/App_Trace.h"
#include "fs/App_FileSystem.h"
#include "util/App_Strings.h"
#include "util/App_Variables.h"

namespace App_FilePath {

namespace {

constexpr std::wstring_view kModule = L"App_FilePath";
constexpr std::wstring_view kLongUNC = L"\\\\?\\UNC\\";
constexpr std::wstring_view kLong = L"\\\\?\\";
// Buffer of the path calls that hand back a path (GetLongPathNameW, GetTempFileNameW).
constexpr DWORD kPathBuffer = 519;

// Replaces up to four occurrences of sFrom by sTo (exact case).
void ReplacePrefixForm(std::wstring& s, std::wstring_view sFrom, std::wstring_view sTo) {
  size_t pos = 0;
  for (int i = 0; i < 4; ++i) {
    pos = s.find(sFrom, pos);
    if (pos == std::wstring::npos) break;
    s.replace(pos, sFrom.size(), sTo);
    pos += sTo.size();
  }
}

// The fully qualified form of a path, as the plain wide calls resolve it
// (working directory, ".", "..", "/"); the path itself when that fails.
// The extended-length form skips that resolution, so it must be done first.
std::wstring FullPathOf(const std::wstring& sPath) {
  std::vector<wchar_t> buf(kPathBuffer + 1);
  for (int attempt = 0; attempt < 2; ++attempt) {
    const DWORD n =
        ::GetFullPathNameW(sPath.c_str(), static_cast<DWORD>(buf.size()), buf.data(), nullptr);
    if (n == 0) break;
    if (n < buf.size()) return std::wstring(buf.data(), n);
    buf.resize(static_cast<size_t>(n) + 1);
  }
  return sPath;
}

// Logs a failed call's error, read right after the call (before the
// variable text is built), as an APIError event of the call.
void ReportAPIError(App_Trace& t, DWORD lErr, std::wstring_view sCall, const std::wstring& sVars) {
  ::SetLastError(lErr);
  t.APIError(sCall, sVars);
}

bool StartsWithText(std::wstring_view s, std::wstring_view sStart) {
  return s.size() >= sStart.size() &&
         App_Strings::EqualText(s.substr(0, sStart.size()), sStart, false);
}

// The Windows folder: the environment's, or the system's before the
// environment is filled.
std::wstring WindowsDir() {
  if (!AppEnv().Dir_Windows.empty()) return AppEnv().Dir_Windows;
  wchar_t buf[MAX_PATH + 1] = {};
  const UINT n = ::GetWindowsDirectoryW(buf, MAX_PATH + 1);
  std::wstring s = (n > 0 && n <= MAX_PATH) ? std::wstring(buf, n) : std::wstring();
  App_Strings::StripTrailingBackslash(s);
  return s;
}

// The user's temp folder with a trailing backslash: the environment's, else
// the variable "Temp", else the system's answer.
std::wstring DefaultTempDirBS() {
  std::wstring d = AppEnv().UserDirBS_CurrentUser_Temp;
  if (d.empty()) {
    wchar_t buf[kPathBuffer + 1] = {};
    const DWORD n = ::GetEnvironmentVariableW(L"Temp", buf, kPathBuffer + 1);
    if (n > 0 && n <= kPathBuffer) d.assign(buf, n);
  }
  if (d.empty()) {
    wchar_t buf[MAX_PATH + 2] = {};
    const DWORD n = ::GetTempPathW(MAX_PATH + 2, buf);
    if (n > 0 && n <= MAX_PATH + 1) d.assign(buf, n);
  }
  if (!d.empty() && d.back() != L'\\') d.push_back(L'\\');
  return d;
}

}  // namespace

namespace {

// The extended-length form of a path that contains a backslash. A path that
// is not yet in one of the known forms is resolved first (bResolve); the
// working directory may itself be a share, or already in the long form.
void ToExtendedForm(std::wstring& sPath, bool bResolve) {
  const std::wstring_view p(sPath);
  const std::wstring_view p8 = p.substr(0, 8), p4 = p.substr(0, 4);
  if (p8 == kLongUNC) {
    // already the extended-length UNC form
  } else if (App_Strings::EqualText(p8, kLongUNC, false)) {
    sPath.replace(0, 8, kLongUNC);
  } else if (p4 == kLong) {
    // already the extended-length form
  } else if (p4 == L"\\\\.\\") {
    // A device path starts with two backslashes as well: it is told apart
    // before the bare UNC form, or "\\.\C:" would become a share.
    ReplacePrefixForm(sPath, L"\\\\.\\", kLong);
  } else if (p.substr(0, 2) == L"\\\\") {
    const size_t first = sPath.find_first_not_of(L'\\');
    sPath = std::wstring(kLongUNC) +
            (first == std::wstring::npos ? std::wstring() : sPath.substr(first));
  } else if (p4 == L"\\??\\") {
    ReplacePrefixForm(sPath, L"\\??\\", kLong);
  } else if (bResolve) {
    std::wstring full = FullPathOf(sPath);
    if (full.size() >= 2 && full[1] == L':') {
      sPath = std::wstring(kLong) + full;
    } else {
      ToExtendedForm(full, false);
      sPath = std::move(full);
    }
  } else {
    sPath.insert(0, kLong);
  }
}

}  // namespace

void PrepPathForUnicodeAPI(std::wstring& sPath, bool bAddTrailingBackslash) {
  try {
    App_Strings::TrimNull(sPath, true);
    if (sPath.size() >= 2 && sPath.front() == L'"' && sPath.back() == L'"')
      sPath = sPath.substr(1, sPath.size() - 2);
    if (!sPath.empty() && sPath.find(L'\\') != std::wstring::npos) {
      if (bAddTrailingBackslash && sPath.back() != L'\\') sPath.push_back(L'\\');
      ToExtendedForm(sPath, true);
    }
    sPath.push_back(L'\0');
  } catch (...) {
    App_Debug::dPrint(L"App_FilePath.PrepPathForUnicodeAPI", L"", evErrorHandler);
  }
}

bool IsWideAPIPathFormat(std::wstring_view sPath) {
  const size_t first = sPath.find_first_not_of(L' ');
  if (first == std::wstring_view::npos) return false;
  const std::wstring_view p = sPath.substr(first);
  if (p.size() >= 3 && p[0] == L'\\' && (p[2] == L'?' || p[2] == L'.')) return true;
  return StartsWithText(p, L"UNC\\");
}

void RemoveWideAPIFormatFromPath(std::wstring& sPath) {
  try {
    if (!IsWideAPIPathFormat(sPath)) return;
    sPath = App_Strings::LTrim(sPath);
    if (sPath.size() >= 3 && sPath[0] == L'\\' && (sPath[2] == L'?' || sPath[2] == L'.')) {
      sPath.erase(0, std::min<size_t>(4, sPath.size()));
      sPath.erase(0, std::min(sPath.find_first_not_of(L'\\'), sPath.size()));
    }
    if (StartsWithText(sPath, L"UNC\\")) sPath.replace(0, 4, L"\\\\");
  } catch (...) {
    App_Debug::dPrint(L"App_FilePath.RemoveWideAPIFormatFromPath", L"", evErrorHandler);
  }
}

void MakeLongPath(std::wstring& sPath) {
  try {
    if (sPath.empty() || sPath.find(L'~') == std::wstring::npos) return;
    std::wstring sTempString = App_Strings::Trim(sPath);
    // The long prefix only where the classic limit needs it: Wine passes
    // any name that starts with two backslashes through unexpanded.
    if (!IsWideAPIPathFormat(sTempString) && sTempString.size() >= MAX_PATH)
      PrepPathForUnicodeAPI(sTempString);
    std::vector<wchar_t> buf(kPathBuffer, L'\0');
    DWORD n = 0, lErr = 0;
    for (int attempt = 0; attempt < 2; ++attempt) {
      n = App_FileSystem::RedirGuarded([&] {
        return ::GetLongPathNameW(sTempString.c_str(), buf.data(), static_cast<DWORD>(buf.size()));
      });
      lErr = ::GetLastError();
      if (n < buf.size()) break;
      buf.assign(static_cast<size_t>(n) + 1, L'\0');  // n is the size needed
    }
    if (n == 0 || n >= buf.size()) {
      std::wstring sBuffer(buf.data(), std::min<size_t>(n, buf.size()));
      App_Strings::TrimNull(sBuffer, false);
      App_Strings::TrimNull(sTempString, false);
      const std::wstring sVars = pVar(L"sTempString", sTempString, L"sBuffer", sBuffer);
      ::SetLastError(n == 0 ? lErr : ERROR_INSUFFICIENT_BUFFER);
      App_Debug::ProcAPIError(-1, L"GetLongPathNameW failure!", sVars);
      return;
    }
    std::wstring sBuffer(buf.data(), n);
    App_Strings::TrimNull(sBuffer, false);
    RemoveWideAPIFormatFromPath(sBuffer);
    sPath = App_Strings::Trim(sBuffer);
  } catch (...) {
    App_Debug::dPrint(L"App_FilePath.MakeLongPath", L"", evErrorHandler);
  }
}

void FixPathFromAPI(std::wstring& sPath) {
  try {
    if (sPath.empty()) return;
    App_Strings::TrimNull(sPath, true);
    if (sPath.find(L'~') != std::wstring::npos)
      MakeLongPath(sPath);
    else
      RemoveWideAPIFormatFromPath(sPath);
    const bool bUNC = sPath.size() >= 2 && sPath[0] == L'\\' && sPath[1] == L'\\';
    const bool bDrive = sPath.size() >= 2 && sPath[1] == L':';
    if (!bUNC && !bDrive) {
      sPath.erase(0, std::min(sPath.find_first_not_of(L'\\'), sPath.size()));
      // A registry image path: \SystemRoot\System32\drivers\x.sys
      if (StartsWithText(sPath, L"systemroot\\")) sPath.replace(0, 10, WindowsDir());
    }
    sPath = App_Strings::Trim(sPath);
  } catch (...) {
    App_Debug::dPrint(L"App_FilePath.FixPathFromAPI", L"", evErrorHandler);
  }
}

bool IsFullPath(std::wstring_view sPath, bool bFixPathFirst) {
  App_Trace t(kModule, L"IsFullPath");
  bool result = false;
  t.Step([&] {
    if (sPath.find(L'\\') == std::wstring_view::npos) return;
    std::wstring s(sPath);
    if (bFixPathFirst) FixPathFromAPI(s);
    result = (s.size() >= 2 && s[1] == L':') || s.starts_with(L"\\\\");
  });
  t.Vars(vkFunctionReturn, {result});
  return result;
}

bool IsUNCPath(std::wstring_view sPath, bool bFixPathFirst) {
  App_Trace t(kModule, L"IsUNCPath");
  bool result = false;
  t.Step([&] {
    if (sPath.find(L'\\') == std::wstring_view::npos) return;
    std::wstring s(sPath);
    if (bFixPathFirst) FixPathFromAPI(s);
    result = s.starts_with(L"\\\\");
  });
  t.Vars(vkFunctionReturn, {result});
  return result;
}

std::wstring DirNoBS(std::wstring_view sPath, bool bTrimNull) {
  std::wstring s;
  try {
    s.assign(sPath);
    if (bTrimNull && !s.empty()) App_Strings::TrimNull(s, true);
    App_Strings::StripTrailingBackslash(s);
  } catch (...) {
    App_Debug::dPrint(L"App_FilePath.DirNoBS", L"", evErrorHandler);
  }
  return s;
}

std::wstring GetTempFile(std::wstring_view sAltPath, bool bRemoveFileBeforeReturn,
                         bool bEnsurePathExists) {
  App_Trace t(kModule, L"GetTempFile");
  t.Vars(vkPassedByVal, {L"sAltPath", sAltPath, L"bRemoveFileBeforeReturn", bRemoveFileBeforeReturn,
                         L"bEnsurePathExists", bEnsurePathExists});
  std::wstring result;
  t.Step([&] {
    std::wstring d(sAltPath);
    if (d.empty())
      d = DefaultTempDirBS();
    else if (d.back() != L'\\')
      d.push_back(L'\\');
    t.Vars(vkCreated, {L"sDir", d});
    if (bEnsurePathExists && !App_FileSystem::EnsureDirExists(d)) {
      t.Log(App_LogMsgs::LogMsg(8), evNormal, pVar(L"sDir", d));  // "Could not create path!"
      return;
    }
    std::wstring sDirW = d;
    PrepPathForUnicodeAPI(sDirW);
    std::vector<wchar_t> buf(kPathBuffer + 1, L'\0');
    const UINT n = App_FileSystem::RedirGuarded(
        [&] { return ::GetTempFileNameW(sDirW.c_str(), L"qvt", 0, buf.data()); });
    if (n == 0) {
      const DWORD lErr = ::GetLastError();
      ReportAPIError(t, lErr, L"GetTempFileNameW", pVar(L"sDir", d));
      return;
    }
    std::wstring name(buf.data());
    FixPathFromAPI(name);
    if (bRemoveFileBeforeReturn) App_FileSystem::FileDelete(name);
    result = name;
  });
  t.Vars(vkFunctionReturn, {result});
  return result;
}

bool HasWriteAccess(std::wstring_view sDir) {
  App_Trace t(kModule, L"HasWriteAccess");
  t.Vars(vkPassedByVal, {L"sDir", sDir});
  bool result = false;
  t.Step([&] {
    // An empty folder would probe the temp folder instead and answer for it.
    if (App_Strings::Trim(sDir).empty()) {
      t.Log(App_LogMsgs::LogMsg(9, true));
      return;
    }
    result = !GetTempFile(sDir, true, false).empty();
  });
  t.Vars(vkFunctionReturn, {result});
  return result;
}

bool SetCurrentDir(std::wstring_view sPath) {
  App_Trace t(kModule, L"SetCurrentDir");
  t.Vars(vkPassedByVal, {L"sPath", sPath});
  bool result = false;
  t.Step([&] {
    if (App_Strings::Trim(sPath).empty()) {
      t.Log(App_LogMsgs::LogMsg(9, true));
      return;
    }
    std::wstring p(sPath);
    if (p.back() != L'\\') p.push_back(L'\\');
    PrepPathForUnicodeAPI(p);
    if (!App_FileSystem::RedirGuarded([&] { return ::SetCurrentDirectoryW(p.c_str()); })) {
      const DWORD lErr = ::GetLastError();
      ReportAPIError(t, lErr, L"SetCurrentDirectoryW", pVar(L"sPath", sPath));
      return;
    }
    result = true;
  });
  t.Vars(vkFunctionReturn, {result});
  return result;
}

}  // namespace App_FilePath
