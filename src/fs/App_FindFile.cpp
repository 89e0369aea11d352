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

  std::wstring sMask(sPathFileMask);
  std::wstring sPathOnly, sFileMask;
  bool bRelativeDir = false;
  bool bAbort = false;

  // 1. and 2.: the folder part and the file mask.
  t.Step([&] {
    App_Strings::TrimNull(sMask, true);
    if (sMask.empty()) {
      t.Log(L"Aborting; Passed empty string!");
      bAbort = true;
      return;
    }
    if (sMask.find(L'\\') == std::wstring::npos) {
      sFileMask = sMask;
    } else {
      FixPathFromAPI(sMask);
      const bool bFull = IsFullPath(sMask, false);
      const bool bUNC = IsUNCPath(sMask, false);
      StripTrailingBackslashes(sMask);
      if (bFull && !bUNC) {
        SplitAtLastBackslash(sMask, sPathOnly, sFileMask);
      } else if (bUNC) {
        std::wstring sRest = sMask;
        const int32_t lRemovedBSes = StripLeadingBackslashes(sRest);
        const size_t bs = sRest.find(L'\\');
        if (bs == std::wstring::npos) {
          t.Log(L"Undetermined search path!  (Treated as UNC)", evNormal,
                pVar(L"sPathFileMask", sMask, L"lRemovedBSes", lRemovedBSes));
          bAbort = true;
          return;
        }
        const std::wstring sServer = sRest.substr(0, bs);
        std::wstring sSharePath;
        if (!SplitAtLastBackslash(std::wstring_view(sRest).substr(bs + 1), sSharePath, sFileMask)) {
          t.Log(L"Undetermined search path!  (Treated as UNC)  No file mask!", evNormal,
                pVar(L"sPathFileMask", sMask, L"lRemovedBSes", lRemovedBSes));
          bAbort = true;
          return;
        }
        sPathOnly = L"\\\\" + sServer + L"\\" + sSharePath;
      } else {
        StripLeadingBackslashes(sMask);
        if (!SplitAtLastBackslash(sMask, sPathOnly, sFileMask))
          sFileMask = App_Strings::Trim(sMask);
        bRelativeDir = !sPathOnly.empty();
      }
    }
    if (sFileMask.empty()) {
      t.Log(L"Undetermined file mask!", evNormal, pVar(L"sPathFileMask", sMask));
      bAbort = true;
    }
  });
  if (bAbort) {
    t.Vars(vkFunctionReturn, {sResult});
    return sResult;
  }

  // 3. The search root.
  std::wstring sRoot;
  bool bSubDirFilter = false;
  t.Step([&] {
    std::wstring sAlt(sAltSearchPath);
    App_Strings::TrimNull(sAlt, true);
    if (sAlt.empty()) return;
    FixPathFromAPI(sAlt);
    if (!IsFullPath(sAlt, false)) {
      t.Log(L"Alt search path invalid!", evNormal, pVar(L"sAltSearchPath", sAlt));
      return;
    }
    StripTrailingBackslashes(sAlt);
    if (!App_FileSystem::DirExist(sAlt)) {
      t.Log(L"Path not found!  Alt search path invalid!", evNormal, pVar(L"sAltSearchPath", sAlt));
      return;
    }
    sRoot = sAlt;
    if (bRelativeDir) {
      sRoot = sAlt + L"\\" + sPathOnly;
      if (!App_FileSystem::DirExist(sRoot)) {
        t.Log(
            L"Compound search path does not exist; using alt search path as root, and partial path "
            L"as a subdir comparison",
            evNormal, pVar(L"sAltSearchPath", sAlt, L"sPathOnly", sPathOnly));
        sRoot = sAlt;
        bSubDirFilter = true;
      }
    }
  });
  if (sRoot.empty()) {
    t.Step([&] {
      if (sPathOnly.empty()) {
        t.Log(L"Aborting; Path not found!");
      } else if (bRelativeDir) {
        t.Log(L"Aborting; Path not found!", evNormal, pVar(L"sPathOnly", sPathOnly));
      } else if (!App_FileSystem::DirExist(sPathOnly)) {
        t.Log(L"Aborting; Search path does not exist!", evNormal, pVar(L"sPathOnly", sPathOnly));
      } else {
        sRoot = sPathOnly;
      }
    });
  }
  if (sRoot.empty()) {
    t.Vars(vkFunctionReturn, {sResult});
    return sResult;
  }

  // 4. and 5.: the search and what it found.
  t.Step([&] {
    FS_DirList oDirList;
    oDirList.AddSearchPath(sRoot);
    oDirList.AddFileMask(sFileMask);
    oDirList.RecursionLevel(RecursionLevel);
    oDirList.StartSearch();
    sResult = oDirList.GetSingleFileResult(ResultSelector);

    // With the folder filter a hit counts only when it lies inside a folder
    // of the mask's relative folder part: "Sub" matches ...\Sub\app.exe and
    // ...\x\Sub\app.exe, not ...\Subway\app.exe.
    const std::wstring sNeedle = L"\\" + App_Strings::LCase(sPathOnly) + L"\\";
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
  });

  t.Vars(vkCreated, {L"lFoundFiles", lFoundFiles, L"sFoundFiles", sFoundFiles});
  t.Vars(vkFunctionReturn, {sResult});
  return sResult;
}

}  // namespace App_FilePath
