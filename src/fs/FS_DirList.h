// FS_DirList: the directory search. A search object is given one or more
// folders, optional file-name masks, whether files and whether folders count
// as results, and how deep to descend; StartSearch walks the folders and
// collects the full path of every match, counting files and folders
// separately; GetSingleFileResult then picks one result. One object serves
// exactly one search.
//
//   FS_DirList d;
//   d.RecursionLevel(-1);
//   d.AddSearchPath(L"C:\\Kit\\Tools");
//   d.AddFileMask(L"*.exe");
//   d.StartSearch();
//   std::wstring sNewest = d.GetSingleFileResult(2);
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "util/App_Collections.h"

class FS_DirList {
 public:
  FS_DirList();
  ~FS_DirList();
  FS_DirList(const FS_DirList&) = delete;
  FS_DirList& operator=(const FS_DirList&) = delete;

  // ---- properties ----
  bool IncludeFiles() const { return IncludeFiles_; }
  void IncludeFiles(bool bValue) { IncludeFiles_ = bValue; }
  bool IncludeDirs() const { return IncludeDirs_; }
  void IncludeDirs(bool bValue) { IncludeDirs_ = bValue; }
  // 0: only the given folders; N > 0: at most N levels of subfolders;
  // negative: the whole tree.
  int32_t RecursionLevel() const { return RecursionLevel_; }
  void RecursionLevel(int32_t RecursionValue) { RecursionLevel_ = RecursionValue; }
  int32_t MatchingDirCount() const { return MatchingDirCount_; }
  int32_t MatchingFileCount() const { return MatchingFileCount_; }
  // Every match (file or folder) in the order found, keyed by its
  // lower-cased full path.
  const App_Collection& MatchingFilesFullPath() const { return MatchingFilesFullPath_; }

  // ---- operations ----
  // The matching file modified last (UTC); of equal times the one found
  // first. vReturnDateUTC, when given, receives its time.
  std::wstring GetNewestFileByModifiedDate(double* vReturnDateUTC = nullptr);
  // One matching file: 0 the first, 1 the last, 2 the newest (the last when
  // no time can be read). Empty when no file matched.
  std::wstring GetSingleFileResult(int32_t FileCompare);
  void AddSearchPath(std::wstring_view sFullPath);
  void AddFileMask(std::wstring_view sFileMask);
  void StartSearch();

  void App_ClassSync_CleanUp();

 private:
  // The identity of a folder: its volume's serial number and its file index.
  using FolderId = std::pair<uint32_t, uint64_t>;

  void SearchDir(std::wstring sPathBS, int32_t lRecursionLevel);
  void InitClassVars();
  void ShutdownClass();
  static bool FolderIdentity(const std::wstring& sPath, FolderId& id);

  bool ShutdownPending_ = true;
  App_Collection MatchingFilesFullPath_;
  int32_t MatchingFileCount_ = 0;
  int32_t MatchingDirCount_ = 0;
  App_Collection SearchPaths_;
  App_Collection FileMasks_;
  std::wstring MaskList_;
  bool IncludeFiles_ = true;
  bool IncludeDirs_ = false;
  int32_t RecursionLevel_ = -1;
  bool Recurse_ = false;

  // The matching files alone (the collection also holds folders), so that
  // the single-result choice never returns a folder.
  std::vector<std::wstring> MatchingFilesOnly_;
  // Folders entered during the walk of the current search path: a linked
  // folder (junction, symbolic link) that leads to one of them is not
  // entered again, so a link pointing upward cannot loop.
  std::set<FolderId> Visited_;
};
