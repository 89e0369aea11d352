#include "fs/App_FileSystem.h"

#include <shellapi.h>

#include <algorithm>
#include <cmath>

#include "diag/App_Debug.h"
#include "diag/App_LogMsgs.h"
#include "diag/App_Trace.h"
#include "fs/App_FilePath.h"
#include "fs/App_ShellFileOps.h"
#include "platform/App_Env.h"
#include "platform/App_Platform.h"
#include "util/App_AnsiText.h"
#include "util/App_Arrays.h"
#include "util/App_Strings.h"
#include "util/App_Variables.h"

namespace App_FileSystem {

namespace {

constexpr std::wstring_view kModule = L"App_FileSystem";
constexpr std::wstring_view kCRLF = L"\r\n";
// The attribute bits that make a name a directory for these tests:
// FILE_ATTRIBUTE_DIRECTORY and 0x08 (the old volume-label bit).
constexpr DWORD kDirBits = FILE_ATTRIBUTE_DIRECTORY | 0x08;

// Logs a failed call's error, read right after the call (before the
// variable text is built), as an APIError event of the call.
int32_t ReportAPIError(App_Trace& t, DWORD lErr, std::wstring_view sCall, const std::wstring& sVars,
                       const App_ErrNumbers& vExpectedAPI = {}) {
  ::SetLastError(lErr);
  return t.APIError(sCall, sVars, vExpectedAPI);
}

std::wstring Prepared(std::wstring_view sPath) {
  std::wstring p(sPath);
  App_FilePath::PrepPathForUnicodeAPI(p);
  return p;
}

// A prepared path as the log shows it (without the terminating NUL).
std::wstring Friendly(const std::wstring& sPrepared) {
  std::wstring s = sPrepared;
  App_Strings::TrimNull(s, false);
  return s;
}

DWORD AttributesOf(const wchar_t* p) {
  return RedirGuarded([&] { return ::GetFileAttributesW(p); });
}

// MakeSureDirectoryPathExists of imagehlp, looked up when first needed.
using MakeSureDirFn = BOOL(WINAPI*)(PCSTR);
MakeSureDirFn MakeSureDirectoryPathExistsFn() {
  static const MakeSureDirFn fn =
      App_Platform::Proc<MakeSureDirFn>(L"imagehlp.dll", "MakeSureDirectoryPathExists");
  return fn;
}

// Opening a file may be worth a second try only when the error can pass
// (a sharing or lock violation, a denied access); a missing file or an
// impossible name stays that way.
bool OpenErrorMayPass(DWORD lErr) {
  switch (lErr) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_DIRECTORY:
      return false;
    default:
      return true;
  }
}

// Reads an open file to its end; false with lErr set when a read fails.
bool ReadAllFromHandle(HANDLE h, std::string& sBytes, int64_t lSize, DWORD& lErr) {
  sBytes.clear();
  sBytes.reserve(static_cast<size_t>(lSize) + 4096);  // the end-of-file probe needs no copy
  sBytes.resize(static_cast<size_t>(lSize));
  size_t done = 0;
  for (;;) {
    if (done == sBytes.size()) sBytes.resize(done + 4096);  // room to see the end (or growth)
    const DWORD want = static_cast<DWORD>(std::min<size_t>(sBytes.size() - done, 1u << 24));
    DWORD got = 0;
    if (!::ReadFile(h, sBytes.data() + done, want, &got, nullptr)) {
      lErr = ::GetLastError();
      sBytes.resize(done);
      return false;
    }
    if (got == 0) break;
    done += got;
    if (static_cast<int64_t>(done) > MaxTextFileBytes) break;
  }
  sBytes.resize(done);
  return true;
}

// The lines of a text joined with CR LF: CR LF, LF and CR each end a line;
// no line break follows the last line.
std::wstring JoinLines(std::wstring_view s) {
  std::wstring out;
  out.reserve(s.size() + s.size() / 16);
  size_t i = 0;
  bool first = true;
  while (i < s.size()) {
    size_t end = s.find_first_of(L"\r\n", i);
    if (end == std::wstring_view::npos) end = s.size();
    if (!first) out.append(kCRLF);
    out.append(s.substr(i, end - i));
    first = false;
    if (end < s.size() && s[end] == L'\r' && end + 1 < s.size() && s[end + 1] == L'\n') ++end;
    i = end + 1;
  }
  return out;
}

// Every LF that does not follow a CR becomes CR LF.
std::wstring LoneLFToCRLF(std::wstring_view s) {
  std::wstring out;
  out.reserve(s.size() + 64);
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == L'\n' && (i == 0 || s[i - 1] != L'\r')) out.push_back(L'\r');
    out.push_back(s[i]);
  }
  return out;
}

std::vector<std::wstring> SplitExact(std::wstring_view s, std::wstring_view sDelim) {
  std::vector<std::wstring> out;
  size_t start = 0;
  for (;;) {
    const size_t p = s.find(sDelim, start);
    if (p == std::wstring_view::npos) {
      out.emplace_back(s.substr(start));
      return out;
    }
    out.emplace_back(s.substr(start, p - start));
    start = p + sDelim.size();
  }
}

// Blanks and line breaks only.
bool IsBlankText(std::wstring_view s) {
  return s.find_first_not_of(L" \r\n") == std::wstring_view::npos;
}

}  // namespace

// ---- text in the ANSI code page ------------------------------------------------------------

// ---- existence ----------------------------------------------------------------------------

bool FileExistByStringPointer(const wchar_t* p) {
  App_Trace t(kModule, L"FileExistByStringPointer");
  bool result = false;
  t.Step([&] {
    if (!p) return;
    const DWORD a = AttributesOf(p);
    if (a == INVALID_FILE_ATTRIBUTES) {
      // A sharing violation: the file is there, but locked.
      result = ::GetLastError() == ERROR_SHARING_VIOLATION;
      return;
    }
    result = (a & kDirBits) == 0;
  });
  t.Vars(vkFunctionReturn, {result});
  return result;
}

bool FSObjectExistByStringPointer(const wchar_t* lStringPointer, bool& Obj_Is_Dir) {
  App_Trace t(kModule, L"FSObjectExistByStringPointer");
  bool result = false;
  t.Step([&] {
    if (!lStringPointer) return;
    const DWORD a = AttributesOf(lStringPointer);
    if (a == INVALID_FILE_ATTRIBUTES) {
      result = ::GetLastError() == ERROR_SHARING_VIOLATION;
      return;
    }
    Obj_Is_Dir = (a & kDirBits) != 0;
    result = true;
  });
  t.Vars(vkFunctionReturn, {result});
  return result;
}

bool FileExist(std::wstring_view sFile, bool bEnsureNonZeroByte, std::wstring& sErrorMsg) {
  App_Trace t(kModule, L"FileExist");
  t.Vars(vkPassedByVal, {L"sFile", sFile, L"bEnsureNonZeroByte", bEnsureNonZeroByte});
  bool result = false;
  sErrorMsg.clear();
  t.Step([&] {
    if (sFile.empty()) {
      sErrorMsg = App_LogMsgs::LogMsg(9);  // "Passed empty string!"
      return;
    }
    if (sFile.size() < 4 || sFile.find(L'\\') == std::wstring_view::npos) {
      sErrorMsg = App_LogMsgs::LogMsg(6);  // "Path not found!"
      return;
    }
    const std::wstring p = Prepared(sFile);
    if (!FileExistByStringPointer(p.c_str())) {
      sErrorMsg = App_LogMsgs::LogMsg(3);  // "File not found!"
      return;
    }
    t.Log(L"File exists!", evVerbose);
    if (bEnsureNonZeroByte) {
      WIN32_FILE_ATTRIBUTE_DATA d{};
      if (!RedirGuarded([&] { return ::GetFileAttributesExW(p.c_str(), GetFileExInfoStandard, &d); })) {
        const DWORD lErr = ::GetLastError();
        ReportAPIError(t, lErr, L"GetFileAttributesExW", pVar(L"sFile", sFile));
        sErrorMsg = L"API Error: " + std::to_wstring(lErr);
        return;
      }
      if (d.nFileSizeHigh == 0 && d.nFileSizeLow == 0) {
        sErrorMsg = L"Zero Byte File!";
        return;
      }
    }
    result = true;
  });
  if (!sErrorMsg.empty()) t.Log(sErrorMsg, evNormal, pVar(L"sFile", sFile));
  t.Vars(vkFunctionReturn, {result});
  return result;
}

bool FileExist(std::wstring_view sFile, bool bEnsureNonZeroByte) {
  std::wstring sErrorMsg;
  return FileExist(sFile, bEnsureNonZeroByte, sErrorMsg);
}

bool FileExistNL(std::wstring_view sFile) {
  if (sFile.empty()) return false;
  try {
    const std::wstring p = Prepared(sFile);
    const DWORD a = AttributesOf(p.c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return ::GetLastError() == ERROR_SHARING_VIOLATION;
    return (a & kDirBits) == 0;
  } catch (...) {
    App_Debug::dPrint(L"App_FileSystem.FileExistNL", L"", evErrorHandler);
    return false;
  }
}

bool DirExist(std::wstring_view sDir) {
  App_Trace t(kModule, L"DirExist");
  bool result = false;
  t.Step([&] {
    if (sDir.empty()) return;
    const std::wstring p = Prepared(sDir);
    const DWORD a = AttributesOf(p.c_str());
    result = a != INVALID_FILE_ATTRIBUTES && (a & kDirBits) != 0;
  });
  t.Vars(vkFunctionReturn, {result});
  return result;
}

// ---- directories and deletion ---------------------------------------------------------------

bool CreateDirW(std::wstring_view destDir, int32_t& lFailReason) {
  App_Trace t(kModule, L"CreateDirW");
  t.Vars(vkPassedByVal, {L"destDir", destDir});
  bool result = false;
  t.Step([&] {
    std::wstring d(destDir);
    App_Strings::TrimNull(d, true);
    App_FilePath::RemoveWideAPIFormatFromPath(d);
    // The root the walk starts from: the drive ("C:"), or the share of a UNC
    // path ("\\srv\share"), which cannot be created.
    std::wstring cur;
    size_t pos = 0;
    if (d.starts_with(L"\\\\")) {
      const size_t server = d.find(L'\\', 2);
      const size_t share = server == std::wstring::npos ? server : d.find(L'\\', server + 1);
      cur = d.substr(0, share);
      pos = share == std::wstring::npos ? d.size() : share + 1;
    } else {
      const size_t first = d.find(L'\\');
      cur = d.substr(0, first);
      pos = first == std::wstring::npos ? d.size() : first + 1;
    }
    while (pos < d.size()) {
      const size_t next = std::min(d.find(L'\\', pos), d.size());
      const std::wstring piece = d.substr(pos, next - pos);
      if (piece.empty()) break;  // "C:\a\\b": the walk ends at the empty level
      cur.append(L"\\").append(piece);
      pos = next + 1;
      if (DirExist(cur)) continue;
      std::wstring p = cur + L"\\";
      App_FilePath::PrepPathForUnicodeAPI(p);
      if (!RedirGuarded([&] { return ::CreateDirectoryW(p.c_str(), nullptr); })) {
        const DWORD lErr = ::GetLastError();
        lFailReason = static_cast<int32_t>(lErr);
        ReportAPIError(t, lErr, L"CreateDirectoryW", pVar(L"sCurrentPath", cur), {ERROR_ALREADY_EXISTS});
        // Denied for a level that exists but cannot be read, or made
        // meanwhile: the next level may still work.
        if (lErr != ERROR_ACCESS_DENIED && lErr != ERROR_ALREADY_EXISTS) break;
      }
    }
    result = DirExist(destDir);
  });
  t.Vars(vkFunctionReturn, {result});
  return result;
}

bool EnsureDirExists(std::wstring_view sDirIn, int32_t& lFailReason) {
  App_Trace t(kModule, L"EnsureDirExists");
  t.Vars(vkPassedByVal, {L"sDir", sDirIn});
  bool result = false;
  lFailReason = 0;
  t.Step([&] {
    std::wstring sDir(sDirIn);
    App_Strings::TrimNull(sDir, true);
    if (sDir.find(L':') == std::wstring::npos && sDir.find(L"\\\\") == std::wstring::npos) {
      t.Log(L"Passed bad string (no colon or \\\\ in string) for sDir: [" + sDir + L"]");
      return;
    }
    std::wstring d = sDir;
    App_Strings::StripTrailingBackslash(d);
    if (DirExist(d)) {
      t.Log(L"DirExist = True!", evVerbose);
      result = true;
      return;
    }
    const std::wstring pd = Prepared(d);
    if (FileExistByStringPointer(pd.c_str())) {
      if (!FileDelete(d) && !App_Common::ShellDelete(d, true, false, true)) {
        t.Log(L"Aborting; failure to remove existing file!", evNormal, pVar(L"sDir", d));
        return;
      }
      t.Log(L"A file existed of same name, but was deleted successfully!", evNormal, pVar(L"sDir", d));
    }
    // The ANSI call takes paths the code page can spell and that fit its buffer.
    const MakeSureDirFn makeSure = MakeSureDirectoryPathExistsFn();
    const bool bWide = App_Strings::HasUnicodeCharacters(sDir) || sDir.size() > 244 ||
                       !App_Strings::IsAnsiRepresentable(sDir) || !makeSure;
    bool ok = false;
    if (bWide) {
      ok = CreateDirW(sDir, lFailReason);
    } else {
      const std::string sAnsi = App_Strings::WideToAnsi(d) + "\\";
      ok = RedirGuarded([&] { return makeSure(sAnsi.c_str()); }) != FALSE;
      if (!ok) {
        const DWORD lErr = ::GetLastError();
        lFailReason = ReportAPIError(t, lErr, L"MakeSureDirectoryPathExists", pVar(L"sDir", d));
      }
    }
    if (ok) {
      t.Log(L"Completed; Success = True!", evVerbose);
      result = true;
    } else if (DirExist(sDir)) {
      t.Log(L"Completed; Success <> True, yet DirExist = True; returning success!", evVerbose);
      result = true;
    } else {
      t.Log(bWide ? L"Completed via CreateDirectoryW; DirExist = False!"
                  : L"Completed via MakeSureDirectoryPathExists; DirExist = False!",
            evNormal, pVar(L"sDir", sDir, L"lFailReason", lFailReason));
    }
  });
  t.Vars(vkFunctionReturn, {result});
  return result;
}

bool EnsureDirExists(std::wstring_view sDir) {
  int32_t lFailReason = 0;
  return EnsureDirExists(sDir, lFailReason);
}

bool FileDelete(std::wstring_view sFile) {
  App_Trace t(kModule, L"FileDelete");
  t.Vars(vkPassedByVal, {L"sFile", sFile});
  bool result = false;
  t.Step([&] {
    if (sFile.empty()) {
      t.Log(App_LogMsgs::LogMsg(9, true));
      return;
    }
    if (sFile.back() == L'\\') {
      t.Log(L"Aborting; a file name cannot end in a backslash!", evNormal, pVar(L"sFile", sFile));
      return;
    }
    const std::wstring p = Prepared(sFile);
    const std::wstring sAPIFriendlyFileName = Friendly(p);
    const BOOL lDeleteResult = RedirGuarded([&] { return ::DeleteFileW(p.c_str()); });
    DWORD lErr = 0;
    if (!lDeleteResult) {
      lErr = ::GetLastError();
      // A name that is not there is what the caller wants: noted, not an error.
      ReportAPIError(t, lErr, L"DeleteFileW", pVar(L"sAPIFriendlyFileName", sAPIFriendlyFileName),
                     {ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND});
    }
    bool bDir = false;
    result = lDeleteResult || !FSObjectExistByStringPointer(p.c_str(), bDir);
    if (!result) {
      t.Log(bDir ? L"DeleteFileW failed; file is a directory!" : L"DeleteFileW failed!", evNormal,
            pVar(L"lDeleteResult", lDeleteResult, L"lErr", lErr, L"bDir", bDir, L"sFile", sFile,
                 L"sAPIFriendlyFileName", sAPIFriendlyFileName));
    }
  });
  t.Vars(vkFunctionReturn, {result});
  return result;
}

// ---- text files ---------------------------------------------------------------------------

void* OpenForAppend(const std::wstring& sPath) {
  std::wstring path = sPath;
  App_FilePath::PrepPathForUnicodeAPI(path);
  App_FSRedirGuard redir;
  return ::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

void CloseFileNum(App_Handle& hFile) {
  App_Trace t(kModule, L"CloseFileNum", ptSub);
  // Reset closes the handle and leaves the owner empty whatever the close says.
  t.Step([&] { hFile.Reset(); });
}

bool ReadFileBytes(std::wstring_view sFile, std::string& sBytes) {
  sBytes.clear();
  try {
    const std::wstring p = Prepared(sFile);
    App_Handle h(RedirGuarded([&] {
      return ::CreateFileW(p.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    }));
    if (!h.Valid()) return false;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(h.Get(), &size) || size.QuadPart > MaxTextFileBytes) return false;
    DWORD lErr = 0;
    return ReadAllFromHandle(h.Get(), sBytes, size.QuadPart, lErr);
  } catch (...) {
    sBytes.clear();
    App_Debug::dPrint(L"App_FileSystem.ReadFileBytes", L"", evErrorHandler);
    return false;
  }
}

std::wstring GetFileToString(std::wstring_view sFile, bool bSequentialRead, std::wstring& sErrorMsg,
                             bool bSkipFileExistCheck) {
  App_Trace t(kModule, L"GetFileToString");
  t.Vars(vkPassedByVal,
         {L"sFile", sFile, L"bSequentialRead", bSequentialRead, L"bSkipFileExistCheck", bSkipFileExistCheck});
  std::wstring result;
  sErrorMsg.clear();
  t.Step([&] {
    if (!bSkipFileExistCheck && !FileExist(sFile, true, sErrorMsg)) {
      t.Log(sErrorMsg, evNormal, pVar(L"sFile", sFile));
      return;
    }
    const std::wstring p = Prepared(sFile);
    const DWORD flags = FILE_ATTRIBUTE_NORMAL | (bSequentialRead ? FILE_FLAG_SEQUENTIAL_SCAN : 0);
    auto open = [&] {
      return RedirGuarded([&] {
        return ::CreateFileW(p.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, flags, nullptr);
      });
    };
    App_Handle h(open());
    if (!h.Valid()) {
      DWORD lErr = ::GetLastError();
      if (OpenErrorMayPass(lErr)) {
        t.Log(L"Open File Error:  " + std::to_wstring(lErr) + L"  (Trying again...)", evNormal,
              pVar(L"sFile", sFile));
        Delay(0.5);
        h.Reset(open());
        if (!h.Valid()) lErr = ::GetLastError();
      }
      if (!h.Valid()) {
        t.Log(L"Open File Error:  " + std::to_wstring(lErr) + L"  (Not trying again!)", evNormal,
              pVar(L"sFile", sFile));
        if (sErrorMsg.empty()) sErrorMsg = L"Could not open file!  Error [" + std::to_wstring(lErr) + L"]";
        return;
      }
    }
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(h.Get(), &size)) {
      const DWORD lErr = ::GetLastError();
      ReportAPIError(t, lErr, L"GetFileSizeEx", pVar(L"sFile", sFile));
      sErrorMsg = L"API Error: " + std::to_wstring(lErr);
      CloseFileNum(h);
      return;
    }
    std::string bytes;
    DWORD lErr = 0;
    bool bRead = size.QuadPart <= MaxTextFileBytes && ReadAllFromHandle(h.Get(), bytes, size.QuadPart, lErr);
    CloseFileNum(h);
    if (size.QuadPart > MaxTextFileBytes || static_cast<int64_t>(bytes.size()) > MaxTextFileBytes) {
      sErrorMsg = L"File too large for a text file!";
      t.Log(sErrorMsg, evNormal, pVar(L"sFile", sFile, L"lSize", static_cast<int64_t>(size.QuadPart)));
      return;
    }
    if (!bRead) {
      ReportAPIError(t, lErr, L"ReadFile", pVar(L"sFile", sFile));
      sErrorMsg = L"API Error: " + std::to_wstring(lErr);
      return;
    }
    // Text files hold no NUL bytes: this is a binary or UTF-16 file.
    if (bytes.find('\0') != std::string::npos) {
      sErrorMsg = L"File contains NUL characters; not a text file!";
      t.Log(sErrorMsg, evNormal, pVar(L"sFile", sFile));
      return;
    }
    std::wstring text = App_Strings::AnsiToWide(bytes);
    result = bSequentialRead ? JoinLines(text) : std::move(text);
  });
  t.Vars(vkFunctionReturn, {L"lLength", static_cast<int64_t>(result.size())});
  return result;
}

bool GetFileToArray2(std::wstring_view sFile, std::vector<std::wstring>& arr, std::wstring_view sSplitByChr,
                     bool bSequentialRead, int32_t& lUBoundArray, std::wstring& sErrorMsg,
                     bool bFailOnEmptyStringArray, bool bSkipFileExistCheck) {
  App_Trace t(kModule, L"GetFileToArray2");
  t.Vars(vkPassedByVal, {L"sFile", sFile, L"sSplitByChr", sSplitByChr, L"bSequentialRead", bSequentialRead,
                         L"bFailOnEmptyStringArray", bFailOnEmptyStringArray});
  bool result = false;
  // The caller never sees the elements of an earlier file.
  arr.clear();
  lUBoundArray = -1;
  sErrorMsg.clear();
  t.Step([&] {
    if (sSplitByChr.empty()) {
      sErrorMsg = App_LogMsgs::LogMsg(9);
      t.Log(sErrorMsg, evNormal, pVar(L"sFile", sFile, L"sSplitByChr", sSplitByChr));
      return;
    }
    std::wstring text = GetFileToString(sFile, bSequentialRead, sErrorMsg, bSkipFileExistCheck);
    if (!sErrorMsg.empty()) {
      t.Log(sErrorMsg, evNormal, pVar(L"sFile", sFile, L"sSplitByChr", sSplitByChr));
      return;
    }
    const bool bHasDelimiter = App_Strings::InStr(text, sSplitByChr, App_Strings::cmText) != 0;
    // A file edited with LF-only line ends, in part or in whole, still
    // splits into its lines.
    if (sSplitByChr == kCRLF && text.find(L'\n') != std::wstring::npos) text = LoneLFToCRLF(text);
    if (IsBlankText(text)) {
      sErrorMsg = L"Empty File!";
      t.Log(sErrorMsg, evNormal, pVar(L"sFile", sFile, L"sSplitByChr", sSplitByChr));
      return;
    }
    if (bHasDelimiter) {
      arr = SplitExact(text, sSplitByChr);
    } else {
      text = App_Strings::Trim(text);
      while (text.starts_with(kCRLF)) text.erase(0, 2);
      while (text.ends_with(kCRLF)) text.erase(text.size() - 2);
      text = App_Strings::Trim(text);
      if (text.empty()) {
        sErrorMsg = L"Empty File!";
        t.Log(sErrorMsg, evNormal, pVar(L"sFile", sFile, L"sSplitByChr", sSplitByChr));
        return;
      }
      text.append(sSplitByChr);
      arr = SplitExact(text, sSplitByChr);
    }
    lUBoundArray = static_cast<int32_t>(arr.size()) - 1;
    if (arr.empty()) {
      t.Log(L"(IsArrayEmpty = True)", evNormal, pVar(L"sFile", sFile));
      return;
    }
    if (App_Arrays::IsStringArrayEmpty(arr, false)) {
      t.Log(L"IsStringArrayEmpty = True (IsArrayEmpty <> True)", evNormal, pVar(L"sFile", sFile));
      if (bFailOnEmptyStringArray) return;
    }
    result = true;
  });
  t.Vars(vkReturnedByRef, {L"lUBoundArray", lUBoundArray, L"sErrorMsg", sErrorMsg});
  t.Vars(vkFunctionReturn, {result});
  return result;
}

bool SaveTextToFile(std::wstring_view sFile, std::wstring_view sText, bool bOverwrite, bool bNoDuplicates,
                    bool bSkipEnsureDir) {
  // Only the result is recorded; a failing save is repeated by the traced
  // twin, which logs every step.
  App_Trace t(L"App_Common", L"SaveTextToFile");
  bool result = false;
  bool bFailedStep = false;
  try {
    if (!App_Strings::Trim(sFile).empty() &&
        (bSkipEnsureDir || EnsureDirExists(App_Strings::GetFilePathOnly(sFile)))) {
      const std::wstring p = Prepared(sFile);
      if (!bOverwrite && bNoDuplicates && FileExistNL(sFile)) {
        std::wstring sErr;
        const std::wstring existing = GetFileToString(sFile, false, sErr, true);
        // A whole line (or run of lines) equal to the text, as the text
        // reads after its trip through the code page.
        const std::wstring line = App_Strings::AnsiToWide(App_Strings::WideToAnsi(sText));
        if (sErr.empty() &&
            App_Strings::InStr(std::wstring(kCRLF) + existing + std::wstring(kCRLF),
                               std::wstring(kCRLF) + line + std::wstring(kCRLF), App_Strings::cmText) != 0)
          result = true;
      }
      if (!result) {
        App_Handle h(RedirGuarded([&] {
          return ::CreateFileW(p.c_str(), bOverwrite ? GENERIC_WRITE : FILE_APPEND_DATA, FILE_SHARE_READ,
                               nullptr, bOverwrite ? CREATE_ALWAYS : OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                               nullptr);
        }));
        if (!h.Valid()) {
          bFailedStep = true;
        } else {
          const std::string bytes = App_Strings::WideToAnsi(std::wstring(sText) + std::wstring(kCRLF));
          size_t done = 0;
          while (done < bytes.size()) {
            const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 24));
            DWORD written = 0;
            if (!::WriteFile(h.Get(), bytes.data() + done, want, &written, nullptr) || written == 0) break;
            done += written;
          }
          bFailedStep = done != bytes.size();
          result = !bFailedStep;
        }
      }
    }
  } catch (...) {
    App_Err::Clear();
    bFailedStep = true;
  }
  if (bFailedStep && !result)
    result = App_Debug::SaveTextToFile_Debug(sFile, sText, bOverwrite, bNoDuplicates, bSkipEnsureDir);
  t.Vars(vkFunctionReturn, {result});
  return result;
}

// ---- file facts ---------------------------------------------------------------------------

std::wstring GetFileVersion(std::wstring_view sFile, bool bThreePartsIfNoBuild) {
  App_Trace t(kModule, L"GetFileVersion");
  t.Vars(vkPassedByVal, {L"sFile", sFile, L"bThreePartsIfNoBuild", bThreePartsIfNoBuild});
  std::wstring sRet;
  t.Step([&] {
    const std::wstring p = Prepared(sFile);
    DWORD handle = 0;
    const DWORD size = RedirGuarded([&] { return ::GetFileVersionInfoSizeW(p.c_str(), &handle); });
    if (size == 0) {
      const DWORD lErr = ::GetLastError();
      ReportAPIError(t, lErr, L"GetFileVersionInfoSizeW", pVar(L"sFile", sFile));
      return;
    }
    std::vector<BYTE> buf(size);
    if (!RedirGuarded([&] { return ::GetFileVersionInfoW(p.c_str(), 0, size, buf.data()); })) {
      const DWORD lErr = ::GetLastError();
      ReportAPIError(t, lErr, L"GetFileVersionInfoW", pVar(L"sFile", sFile));
      return;
    }
    void* block = nullptr;
    UINT len = 0;
    if (!::VerQueryValueW(buf.data(), L"\\", &block, &len) || !block || len < sizeof(VS_FIXEDFILEINFO)) {
      const DWORD lErr = ::GetLastError();
      ReportAPIError(t, lErr ? lErr : ERROR_RESOURCE_TYPE_NOT_FOUND, L"VerQueryValueW",
                     pVar(L"sFile", sFile));
      return;
    }
    const auto* ffi = static_cast<const VS_FIXEDFILEINFO*>(block);
    const unsigned major = HIWORD(ffi->dwFileVersionMS), minor = LOWORD(ffi->dwFileVersionMS);
    const unsigned build = HIWORD(ffi->dwFileVersionLS), revision = LOWORD(ffi->dwFileVersionLS);
    sRet = std::to_wstring(major) + L"." + std::to_wstring(minor) + L".";
    if (bThreePartsIfNoBuild && build == 0)
      sRet += std::to_wstring(revision);
    else
      sRet += std::to_wstring(build) + L"." + std::to_wstring(revision);
  });
  t.Vars(vkFunctionReturn, {L"sRet", sRet});
  return sRet;
}

bool GetFileWFAD(std::wstring_view sFile, WIN32_FILE_ATTRIBUTE_DATA& data) {
  App_Trace t(kModule, L"GetFileWFAD");
  t.Vars(vkPassedByVal, {L"sFile", sFile});
  bool result = false;
  t.Step([&] {
    if (!FileExist(sFile, false)) {
      t.Log(L"File does not exist!", evNormal, pVar(L"sFile", sFile));
      return;
    }
    const std::wstring p = Prepared(sFile);
    if (!RedirGuarded([&] { return ::GetFileAttributesExW(p.c_str(), GetFileExInfoStandard, &data); })) {
      const DWORD lErr = ::GetLastError();
      ReportAPIError(t, lErr, L"GetFileAttributesExW", pVar(L"sFile", sFile));
      return;
    }
    result = true;
  });
  t.Vars(vkFunctionReturn, {result});
  return result;
}

std::wstring GetFileSystemType_AsString(std::wstring_view sDriveLetter) {
  App_Trace t(kModule, L"GetFileSystemType_AsString");
  t.Vars(vkPassedByVal, {L"sDriveLetter", sDriveLetter});
  std::wstring result;
  t.Step([&] {
    std::wstring s(sDriveLetter);
    if (s.empty()) s = AppEnv().SystemDriveBS;
    if (s.empty()) {  // before the environment is filled: the Windows folder's drive
      wchar_t buf[MAX_PATH + 1] = {};
      const UINT n = ::GetSystemWindowsDirectoryW(buf, MAX_PATH + 1);
      if (n > 0 && n <= MAX_PATH) s.assign(buf, n);
    }
    const wchar_t c = s.empty() ? L'\0' : s[0];
    const bool bLetter = (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
    if (!bLetter || (s.size() >= 2 && s[1] != L':')) {
      t.Log(L"Invalid value passed as drive letter!", evNormal, pVar(L"sDriveLetter", sDriveLetter));
      return;
    }
    const std::wstring sRoot = std::wstring(1, c) + L":\\";
    wchar_t name[MAX_PATH + 1] = {}, fsName[MAX_PATH + 1] = {};
    DWORD serial = 0, maxLen = 0, fsFlags = 0;
    if (!RedirGuarded([&] {
          return ::GetVolumeInformationW(sRoot.c_str(), name, MAX_PATH + 1, &serial, &maxLen, &fsFlags,
                                         fsName, MAX_PATH + 1);
        })) {
      const DWORD lErr = ::GetLastError();
      ReportAPIError(t, lErr, L"GetVolumeInformationW", pVar(L"sRoot", sRoot));
      return;
    }
    result.assign(fsName);
  });
  t.Vars(vkFunctionReturn, {result});
  return result;
}

void Delay(double pdblSeconds) {
  App_Trace t(kModule, L"Delay", ptSub);
  t.Vars(vkPassedByVal, {L"pdblSeconds", pdblSeconds});
  t.Step([&] {
    if (!(pdblSeconds > 0) || !std::isfinite(pdblSeconds)) return;
    // Timed on the millisecond tick (its wrap-around is harmless: only
    // differences are added up).
    const uint64_t total = static_cast<uint64_t>(std::min(pdblSeconds, 4.0e6) * 1000.0 + 0.5);
    uint64_t elapsed = 0;
    DWORD last = ::GetTickCount();
    while (elapsed < total) {
      ::Sleep(static_cast<DWORD>(std::min<uint64_t>(100, total - elapsed)));
      MSG msg;
      while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {  // left for the message loop that owns it
          ::PostQuitMessage(static_cast<int>(msg.wParam));
          break;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
      }
      const DWORD now = ::GetTickCount();
      elapsed += static_cast<DWORD>(now - last);
      last = now;
    }
  });
}

}  // namespace App_FileSystem
