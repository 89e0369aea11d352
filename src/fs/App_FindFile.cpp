#include "fs/App_FindFile.h"

#include "diag/App_Trace.h"
#include "fs/App_FilePath.h"
#include "fs/App_FileSystem.h"
#include "fs/FS_DirList.h"
#include "util/App_Strings.h"
#include "util/App_Variables.h"

namespace {

void StripTrailingBackslashes(std::wstring& s) {
  while (!s.empty() && s.back() == L'\\') s.pop_back();
}

// Removes the leading backslashes; returns how many there were.
int32_t StripLeadingBackslashes(std::wstring& s) {
  const size_t n = std::min(s.find_first_not_of(L'\\'), s.size());
  s.erase(0, n);
  return static_cast<int32_t>(n);
}

// Splits at the last backslash into folder and file parts, both trimmed.
// False when there is no backslash.
bool SplitAtLastBackslash(std::wstring_view s, std::wstring& sDir, std::wstring& sFile) {
  const size_t bs = s.rfind(L'\\');
  if (bs == std::wstring_view::npos) return false;
  sDir = App_Strings::Trim(s.substr(0, bs));
  sFile = App_Strings::Trim(s.substr(bs + 1));
  return true;
}

// A search mask taken apart: the folder to search and the file mask.
struct SearchMask {
  std::wstring sPathOnly;     // the folder part ("" when the mask has none)
  std::wstring sFileMask;     // the file part
  bool bRelativeDir = false;  // sPathOnly is relative (to the alternative search path)
};

// "\\server\share\...\mask": the folder part and the mask. False (logged)
// when the path names no share folder or no mask.
bool SplitUNCMask(App_Trace& t, const std::wstring& sMask, SearchMask& m) {
  std::wstring sRest = sMask;
  const int32_t lRemovedBSes = StripLeadingBackslashes(sRest);
  const size_t bs = sRest.find(L'\\');
  if (bs == std::wstring::npos) {
    t.Log(L"Undetermined search path!  (Treated as UNC)", evNormal,
          pVar(L"sPathFileMask", sMask, L"lRemovedBSes", lRemovedBSes));
    return false;
  }
  const std::wstring sServer = sRest.substr(0, bs);
  std::wstring sSharePath;
  if (!SplitAtLastBackslash(std::wstring_view(sRest).substr(bs + 1), sSharePath, m.sFileMask)) {
    t.Log(L"Undetermined search path!  (Treated as UNC)  No file mask!", evNormal,
          pVar(L"sPathFileMask", sMask, L"lRemovedBSes", lRemovedBSes));
    return false;
  }
  m.sPathOnly = L"\\\\" + sServer + L"\\" + sSharePath;
  return true;
}

// The folder part and the file mask of sPathFileMask. False (logged) when
// either cannot be told.
bool SplitMask(App_Trace& t, std::wstring_view sPathFileMask, SearchMask& m) {
  std::wstring sMask(sPathFileMask);
  App_Strings::TrimNull(sMask, true);
  if (sMask.empty()) {
    t.Log(L"Aborting; Passed empty string!");
    return false;
  }
  if (sMask.find(L'\\') == std::wstring::npos) {
    m.sFileMask = sMask;
  } else {
    App_FilePath::FixPathFromAPI(sMask);
    const bool bFull = App_FilePath::IsFullPath(sMask, false);
    const bool bUNC = App_FilePath::IsUNCPath(sMask, false);
    StripTrailingBackslashes(sMask);
    if (bUNC) {
      if (!SplitUNCMask(t, sMask, m)) return false;
    } else if (bFull) {
      SplitAtLastBackslash(sMask, m.sPathOnly, m.sFileMask);
    } else {
      StripLeadingBackslashes(sMask);
      if (!SplitAtLastBackslash(sMask, m.sPathOnly, m.sFileMask)) m.sFileMask = App_Strings::Trim(sMask);
      m.bRelativeDir = !m.sPathOnly.empty();
    }
  }
  if (m.sFileMask.empty()) {
    t.Log(L"Undetermined file mask!", evNormal, pVar(L"sPathFileMask", sMask));
    return false;
  }
  return true;
}

// The search root given by sAltSearchPath, "" (logged) when it names no
// existing folder. A relative folder part of the mask is appended when that
// folder exists below it; otherwise bSubDirFilter is set.
std::wstring AltSearchRoot(App_Trace& t, std::wstring_view sAltSearchPath, const SearchMask& m,
                           bool& bSubDirFilter) {
  std::wstring sAlt(sAltSearchPath);
  App_Strings::TrimNull(sAlt, true);
  if (sAlt.empty()) return {};
  App_FilePath::FixPathFromAPI(sAlt);
  if (!App_FilePath::IsFullPath(sAlt, false)) {
    t.Log(L"Alt search path invalid!", evNormal, pVar(L"sAltSearchPath", sAlt));
    return {};
  }
  StripTrailingBackslashes(sAlt);
  if (!App_FileSystem::DirExist(sAlt)) {
    t.Log(L"Path not found!  Alt search path invalid!", evNormal, pVar(L"sAltSearchPath", sAlt));
    return {};
  }
  if (!m.bRelativeDir) return sAlt;
  const std::wstring sCompound = sAlt + L"\\" + m.sPathOnly;
  if (App_FileSystem::DirExist(sCompound)) return sCompound;
  t.Log(
      L"Compound search path does not exist; using alt search path as root, and partial path "
      L"as a subdir comparison",
      evNormal, pVar(L"sAltSearchPath", sAlt, L"sPathOnly", m.sPathOnly));
  bSubDirFilter = true;
  return sAlt;
}

// The mask's own folder as the search root: a full path to an existing
// folder, else "" (logged).
std::wstring MaskSearchRoot(App_Trace& t, const SearchMask& m) {
  if (m.sPathOnly.empty()) {
    t.Log(L"Aborting; Path not found!");
  } else if (m.bRelativeDir) {
    t.Log(L"Aborting; Path not found!", evNormal, pVar(L"sPathOnly", m.sPathOnly));
  } else if (!App_FileSystem::DirExist(m.sPathOnly)) {
    t.Log(L"Aborting; Search path does not exist!", evNormal, pVar(L"sPathOnly", m.sPathOnly));
  } else {
    return m.sPathOnly;
  }
  return {};
}

// The search below sRoot: the chosen result, and the count and list of the
// hits that count. With the folder filter a hit counts only when it lies
// inside a folder of the mask's relative folder part: "Sub" matches
// ...\Sub\app.exe and ...\x\Sub\app.exe, not ...\Subway\app.exe.
std::wstring Search(const std::wstring& sRoot, const SearchMask& m, bool bSubDirFilter,
                    int32_t RecursionLevel, int32_t ResultSelector, int32_t& lFoundFiles,
                    std::wstring& sFoundFiles) {
  FS_DirList oDirList;
  oDirList.AddSearchPath(sRoot);
  oDirList.AddFileMask(m.sFileMask);
  oDirList.RecursionLevel(RecursionLevel);
  oDirList.StartSearch();
  std::wstring sResult = oDirList.GetSingleFileResult(ResultSelector);

  const std::wstring sNeedle = L"\\" + App_Strings::LCase(m.sPathOnly) + L"\\";
  auto bInside = [&](const std::wstring& sPath) {
    return App_Strings::LCase(sPath).find(sNeedle) != std::wstring::npos;
  };
  std::wstring sLastCounted;
  for (const std::wstring& sPath : oDirList.MatchingFilesFullPath().Items()) {
    if (bSubDirFilter && !bInside(sPath)) continue;
    if (!sFoundFiles.empty()) sFoundFiles.append(L"\r\n");
    sFoundFiles.append(sPath);
    ++lFoundFiles;
    sLastCounted = sPath;
  }
  // A result outside the folder filter is replaced by the last hit that
  // counted (none: no result).
  if (bSubDirFilter && !sResult.empty() && !bInside(sResult)) sResult = sLastCounted;
  oDirList.App_ClassSync_CleanUp();
  return sResult;
}

}  // namespace

namespace App_FilePath {

std::wstring FindFileInPath(std::wstring_view sPathFileMask, std::wstring_view sAltSearchPath,
                            int32_t RecursionLevel, int32_t ResultSelector, int32_t& lFoundFiles,
                            std::wstring& sFoundFiles) {
  App_Trace t(L"App_FilePath", L"FindFileInPath");
  t.Vars(vkPassedByVal, {L"sPathFileMask", sPathFileMask, L"sAltSearchPath", sAltSearchPath,
                         L"RecursionLevel", RecursionLevel, L"ResultSelector", ResultSelector});
  std::wstring sResult;
  lFoundFiles = 0;
  sFoundFiles.clear();

  SearchMask m;
  bool bMaskKnown = true;
  t.Step([&] { bMaskKnown = SplitMask(t, sPathFileMask, m); });
  if (!bMaskKnown) {
    t.Vars(vkFunctionReturn, {sResult});
    return sResult;
  }

  std::wstring sRoot;
  bool bSubDirFilter = false;
  t.Step([&] { sRoot = AltSearchRoot(t, sAltSearchPath, m, bSubDirFilter); });
  if (sRoot.empty()) t.Step([&] { sRoot = MaskSearchRoot(t, m); });
  if (sRoot.empty()) {
    t.Vars(vkFunctionReturn, {sResult});
    return sResult;
  }

  t.Step([&] {
    sResult = Search(sRoot, m, bSubDirFilter, RecursionLevel, ResultSelector, lFoundFiles, sFoundFiles);
  });
  t.Vars(vkCreated, {L"lFoundFiles", lFoundFiles, L"sFoundFiles", sFoundFiles});
  t.Vars(vkFunctionReturn, {sResult});
  return sResult;
}

}  // namespace App_FilePath
