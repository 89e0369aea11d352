#include "fs/FS_DirList.h"

#include <windows.h>

#include <shlwapi.h>

#include "diag/App_Trace.h"
#include "fs/App_FileDates.h"
#include "fs/App_FilePath.h"
#include "fs/App_FileSystem.h"
#include "util/App_Handle.h"
#include "util/App_Strings.h"
#include "util/App_Variables.h"

namespace {

constexpr wchar_t kModule[] = L"FS_DirList";

}  // namespace

FS_DirList::FS_DirList() {
  ShutdownPending_ = true;
  InitClassVars();
}

FS_DirList::~FS_DirList() {
  ShutdownClass();
}

void FS_DirList::App_ClassSync_CleanUp() {
  ShutdownClass();
}

void FS_DirList::InitClassVars() {
  App_Trace t(kModule, L"InitClassVars", ptSub);
  t.Step([&] {
    MatchingFilesFullPath_.Clear();
    SearchPaths_.Clear();
    FileMasks_.Clear();
    MatchingFilesOnly_.clear();
    Visited_.clear();
    MaskList_.clear();
    MatchingFileCount_ = 0;
    MatchingDirCount_ = 0;
    IncludeFiles_ = true;
    IncludeDirs_ = false;
    RecursionLevel_ = -1;
    Recurse_ = false;
  });
}

void FS_DirList::ShutdownClass() {
  if (!ShutdownPending_) return;
  ShutdownPending_ = false;
  App_Trace t(kModule, L"ShutdownClass", ptSub);
  t.Step([&] {
    MatchingFilesFullPath_.Clear();
    SearchPaths_.Clear();
    FileMasks_.Clear();
    MatchingFilesOnly_.clear();
    MatchingFilesOnly_.shrink_to_fit();
    Visited_.clear();
  });
}

void FS_DirList::AddSearchPath(std::wstring_view sFullPath) {
  App_Trace t(kModule, L"AddSearchPath", ptSub);
  t.Vars(vkPassedByVal, {L"sFullPath", sFullPath});
  t.Step([&] {
    if (sFullPath.empty()) return;
    const std::wstring key = App_Strings::LCase(sFullPath);
    if (SearchPaths_.Find(key)) return;  // the first spelling added stays
    SearchPaths_.Add(std::wstring(sFullPath), key);
  });
}

void FS_DirList::AddFileMask(std::wstring_view sFileMask) {
  App_Trace t(kModule, L"AddFileMask", ptSub);
  t.Vars(vkPassedByVal, {L"sFileMask", sFileMask});
  t.Step([&] {
    if (sFileMask.empty()) return;
    const std::wstring key = App_Strings::LCase(sFileMask);
    if (FileMasks_.Find(key)) return;
    FileMasks_.Add(std::wstring(sFileMask), key);
  });
}

void FS_DirList::StartSearch() {
  App_Trace t(kModule, L"StartSearch", ptSub);
  int32_t lStartLevel = 0;
  t.Step([&] {
    if (RecursionLevel_ != 0) {
      Recurse_ = true;
      lStartLevel = RecursionLevel_;
    }
  });
  t.Step([&] {
    // The list grows with every start; it is not cleared first.
    for (const std::wstring& mask : FileMasks_.Items()) {
      if (!MaskList_.empty()) MaskList_.push_back(L';');
      MaskList_.append(mask);
    }
  });
  t.Vars(vkCreated, {L"lStartLevel", lStartLevel, L"sMaskList", MaskList_});
  t.Step([&] {
    for (const std::wstring& path : SearchPaths_.Items()) {
      // Each search path is walked on its own: overlapping search paths list
      // their common folders twice, as the counts promise.
      Visited_.clear();
      SearchDir(path, lStartLevel);
    }
    Visited_.clear();
  });
}

bool FS_DirList::FolderIdentity(const std::wstring& sPath, FolderId& id) {
  std::wstring p = sPath;
  App_FilePath::PrepPathForUnicodeAPI(p);
  // Attribute access only: a folder that another program holds open without
  // sharing still answers.
  App_Handle h(App_FileSystem::RedirGuarded([&] {
    return ::CreateFileW(p.c_str(), FILE_READ_ATTRIBUTES,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  }));
  if (!h.Valid()) return false;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(h.Get(), &info)) return false;
  // Some network file systems give every folder the index 0: no identity.
  if (info.nFileIndexHigh == 0 && info.nFileIndexLow == 0) return false;
  id = {info.dwVolumeSerialNumber,
        (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
  return true;
}

void FS_DirList::SearchDir(std::wstring sPathBS, int32_t lRecursionLevel) {
  App_Trace t(kModule, L"SearchDir", ptSub);
  t.Vars(vkPassedByVal, {L"sPathBS", sPathBS, L"lRecursionLevel", lRecursionLevel});

  bool bExists = false;
  t.Step([&] { bExists = App_FileSystem::DirExist(sPathBS); });
  if (!bExists) {
    t.Log(L"Path does not exist!", evNormal, pVar(L"sPath", sPathBS));
    return;
  }
  const bool bDescend = Recurse_ && lRecursionLevel != 0;
  t.Step([&] {
    if (sPathBS.empty() || sPathBS.back() != L'\\') sPathBS.push_back(L'\\');
  });

  // A folder already entered in this walk is not entered again: only a link
  // (junction, symbolic link) can lead back to one, and following it would
  // never end.
  t.Step([&] {
    FolderId id;
    if (FolderIdentity(sPathBS, id) && !Visited_.insert(id).second) {
      t.Log(L"Skipping folder; already searched through another path (folder link loop)!", evNormal,
            pVar(L"sPath", sPathBS));
      bExists = false;
    }
  });
  if (!bExists) return;

  WIN32_FIND_DATAW fd{};
  std::wstring sSearch = sPathBS + L"*";
  App_FilePath::PrepPathForUnicodeAPI(sSearch);
  App_FindHandle find(
      App_FileSystem::RedirGuarded([&] { return ::FindFirstFileW(sSearch.c_str(), &fd); }));
  if (!find.Valid()) {
    // Nothing found. A folder that cannot be listed (access denied, held
    // open without sharing, a path too long) says why in the log.
    const DWORD lErr = ::GetLastError();
    if (lErr != ERROR_FILE_NOT_FOUND && lErr != ERROR_NO_MORE_FILES) {
      t.APIError(L"FindFirstFileW", pVar(L"sPathBS", sPathBS));
    }
    return;
  }

  bool bMore = true;
  while (bMore) {
    t.Step([&] {
      // The name exactly as the system gives it: a name may begin with a
      // blank, and a trimmed name would lead to another file.
      const std::wstring sName(fd.cFileName, ::wcsnlen(fd.cFileName, MAX_PATH));
      if (sName.empty()) return;
      const bool bDir = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
      if (bDir) {
        if (sName == L"." || sName == L"..") return;
        if (bDescend) SearchDir(sPathBS + sName, lRecursionLevel - 1);
        if (!IncludeDirs_) return;
      } else if (!IncludeFiles_) {
        return;
      }
      if (!MaskList_.empty() && !::PathMatchSpecW(sName.c_str(), MaskList_.c_str())) return;

      const std::wstring sFull = sPathBS + sName;
      if (bDir) {
        ++MatchingDirCount_;
      } else {
        ++MatchingFileCount_;
      }
      if (!MatchingFilesFullPath_.Add(sFull, App_Strings::LCase(sFull))) {
        t.Log(L"Could not add the match; it is already listed (overlapping search paths)!",
              evNormal, pVar(L"sFile", sFull));
      } else if (!bDir) {
        MatchingFilesOnly_.push_back(sFull);
      }
    });
    bMore = App_FileSystem::RedirGuarded([&] { return ::FindNextFileW(find.Get(), &fd); }) != FALSE;
    if (!bMore && ::GetLastError() != ERROR_NO_MORE_FILES) {
      // The listing broke off before its end.
      t.APIError(L"FindNextFileW", pVar(L"sPathBS", sPathBS));
    }
  }
}

std::wstring FS_DirList::GetNewestFileByModifiedDate(double* vReturnDateUTC) {
  App_Trace t(kModule, L"GetNewestFileByModifiedDate");
  std::wstring sNewest;
  t.Step([&] {
    if (MatchingFileCount_ < 1) {
      t.Log(L"No Matching Files!");
      return;
    }
    bool bHave = false;
    double dNewest = 0;
    // Files only: a folder is never the newest file.
    for (const std::wstring& sFile : MatchingFilesOnly_) {
      double dCreated = 0, dAccessed = 0, dModified = 0;
      if (!App_Time::GetFileDates_AsDate(sFile, dCreated, dAccessed, dModified, true)) {
        t.Log(L"Cannot determine file date!", evNormal, pVar(L"sFile", sFile));
        continue;
      }
      if (!bHave || dModified > dNewest) {  // of equal times the earlier entry wins
        bHave = true;
        dNewest = dModified;
        sNewest = sFile;
      }
    }
    if (bHave && vReturnDateUTC) *vReturnDateUTC = dNewest;
  });
  t.Vars(vkFunctionReturn, {sNewest});
  return sNewest;
}

std::wstring FS_DirList::GetSingleFileResult(int32_t FileCompare) {
  App_Trace t(kModule, L"GetSingleFileResult");
  t.Vars(vkPassedByVal, {L"FileCompare", FileCompare});
  std::wstring sResult;
  t.Step([&] {
    if (MatchingFileCount_ < 1 || MatchingFilesOnly_.empty()) {
      t.Log(L"No Matching Files!");
      return;
    }
    switch (FileCompare) {
      case 0:
        sResult = MatchingFilesOnly_.front();
        break;
      case 1:
        sResult = MatchingFilesOnly_.back();
        break;
      case 2:
        sResult = GetNewestFileByModifiedDate();
        if (sResult.empty()) sResult = MatchingFilesOnly_.back();
        break;
      default:
        t.Log(L"Unknown result selector; no file chosen!", evNormal,
              pVar(L"FileCompare", FileCompare));
        break;
    }
  });
  t.Vars(vkFunctionReturn, {sResult});
  return sResult;
}
