// The directory search against real folder trees: levels, kinds, masks,
// counts, the single-result choice, missing, empty, locked and looping
// folders.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "fs/FS_DirList.h"
#include "fsdir_tree.h"
#include "lumo_test.h"
#include "util/App_Dates.h"
#include "util/App_Strings.h"

namespace {

class DirList : public ::testing::Test {
 protected:
  void SetUp() override {
    dbg.Reset();
    // root: five files, three subfolders; s1 holds one more level.
    t.File(L"a.cfg");
    t.File(L"b.txt");
    t.File(L"c.CFG");
    t.File(L"ab.cfg");
    t.File(L"notes");
    t.Dir(L"s1");
    t.File(L"s1\\d.cfg");
    t.File(L"s1\\e.txt");
    t.Dir(L"s1\\s11");
    t.File(L"s1\\s11\\f.cfg");
    t.Dir(L"s1\\s11\\s111");
    t.File(L"s1\\s11\\s111\\g.cfg");
    t.Dir(L"s2");
    t.Dir(L"s3.cfg");
  }

  std::set<std::wstring> Found(const FS_DirList& d) {
    std::set<std::wstring> out;
    for (const std::wstring& p : d.MatchingFilesFullPath().Items()) {
      EXPECT_TRUE(App_Strings::StringStartsWith(p, t.Root() + L"\\", true)) << LumoNarrow(p);
      out.insert(p.substr(t.Root().size() + 1));
    }
    return out;
  }

  size_t IndexOf(const FS_DirList& d, const std::wstring& rel) {
    const auto& items = d.MatchingFilesFullPath().Items();
    return std::find(items.begin(), items.end(), t.Path(rel)) - items.begin();
  }

  LumoDebugFixtureState dbg;
  ScratchTree t;
};

using Set = std::set<std::wstring>;

}  // namespace

TEST_F(DirList, DefaultsAreFilesOnlyWholeTree) {
  FS_DirList d;
  EXPECT_TRUE(d.IncludeFiles());
  EXPECT_FALSE(d.IncludeDirs());
  EXPECT_EQ(d.RecursionLevel(), -1);
  EXPECT_EQ(d.MatchingFileCount(), 0);
  EXPECT_EQ(d.MatchingDirCount(), 0);
  d.AddSearchPath(t.Root());
  d.StartSearch();  // no mask: every file matches, at any depth
  EXPECT_EQ(d.MatchingFileCount(), 9);
  EXPECT_EQ(d.MatchingDirCount(), 0);
  EXPECT_EQ(Found(d), (Set{L"a.cfg", L"b.txt", L"c.CFG", L"ab.cfg", L"notes", L"s1\\d.cfg",
                           L"s1\\e.txt", L"s1\\s11\\f.cfg", L"s1\\s11\\s111\\g.cfg"}));
}

TEST_F(DirList, LevelZeroListsOnlyTheGivenFolder) {
  FS_DirList d;
  d.RecursionLevel(0);
  d.IncludeDirs(true);
  d.IncludeFiles(false);
  d.AddSearchPath(t.Root() + L"\\");  // a trailing backslash is not doubled
  d.StartSearch();
  EXPECT_EQ(d.MatchingDirCount(), 3);
  EXPECT_EQ(d.MatchingFileCount(), 0);
  EXPECT_EQ(d.MatchingFilesFullPath().Count(), 3);
  EXPECT_EQ(Found(d), (Set{L"s1", L"s2", L"s3.cfg"}));  // no "." or ".."

  FS_DirList f;
  f.RecursionLevel(0);
  f.AddSearchPath(t.Root());
  f.StartSearch();
  EXPECT_EQ(f.MatchingFileCount(), 5);
  EXPECT_EQ(f.MatchingDirCount(), 0);
}

TEST_F(DirList, RecursionLevelsLimitTheDepth) {
  auto run = [&](int32_t level) {
    FS_DirList d;
    d.RecursionLevel(level);
    d.AddFileMask(L"*.cfg");
    d.AddSearchPath(t.Root());
    d.StartSearch();
    EXPECT_EQ(d.MatchingFileCount(), static_cast<int32_t>(d.MatchingFilesFullPath().Count()));
    return Found(d);
  };
  EXPECT_EQ(run(0), (Set{L"a.cfg", L"ab.cfg", L"c.CFG"}));
  EXPECT_EQ(run(1), (Set{L"a.cfg", L"ab.cfg", L"c.CFG", L"s1\\d.cfg"}));
  EXPECT_EQ(run(2), (Set{L"a.cfg", L"ab.cfg", L"c.CFG", L"s1\\d.cfg", L"s1\\s11\\f.cfg"}));
  const Set all{L"a.cfg",     L"ab.cfg",         L"c.CFG",
                L"s1\\d.cfg", L"s1\\s11\\f.cfg", L"s1\\s11\\s111\\g.cfg"};
  EXPECT_EQ(run(-1), all);
  EXPECT_EQ(run(-7), all);
  EXPECT_EQ(run(50), all);
}

TEST_F(DirList, MasksAreAlternativesAndApplyToFoldersToo) {
  FS_DirList d;
  d.IncludeDirs(true);
  d.AddFileMask(L"?.cfg");
  d.AddFileMask(L"*.TXT");
  d.AddFileMask(L"");  // ignored
  d.AddSearchPath(t.Root());
  d.StartSearch();
  // "?" stands for exactly one character: ab.cfg stays out; s3.cfg is a
  // folder whose name fits.
  EXPECT_EQ(Found(d), (Set{L"a.cfg", L"b.txt", L"c.CFG", L"s1\\d.cfg", L"s1\\e.txt",
                           L"s1\\s11\\f.cfg", L"s1\\s11\\s111\\g.cfg"}));
  EXPECT_EQ(d.MatchingFileCount(), 7);
  EXPECT_EQ(d.MatchingDirCount(), 0);

  FS_DirList e;
  e.IncludeDirs(true);
  e.AddFileMask(L"*.cfg");
  e.AddSearchPath(t.Root());
  e.StartSearch();
  EXPECT_EQ(e.MatchingDirCount(), 1);  // s3.cfg
  EXPECT_EQ(e.MatchingFileCount(), 6);
}

TEST_F(DirList, MasksAndPathsDifferingOnlyInCaseCountOnce) {
  FS_DirList d;
  d.AddFileMask(L"*.CFG");
  d.AddFileMask(L"*.cfg");
  d.AddSearchPath(t.Root());
  d.AddSearchPath(App_Strings::UCase(t.Root()));
  d.RecursionLevel(0);
  d.StartSearch();
  EXPECT_EQ(d.MatchingFileCount(), 3);                        // the folder was searched once
  EXPECT_EQ(Found(d), (Set{L"a.cfg", L"ab.cfg", L"c.CFG"}));  // in the first spelling
  // The mask list that the search used holds the first mask only.
  const App_Proc* search = LumoLastCall(L"FS_DirList.StartSearch");
  ASSERT_NE(search, nullptr);
  const std::wstring created = search->Vars_Created();
  EXPECT_TRUE(App_Strings::StringEndsWith(created, L"sMaskList.String=*.CFG", true)) << LumoNarrow(created);
}

TEST_F(DirList, SubfolderMatchesComeBeforeTheSubfolder) {
  FS_DirList d;
  d.IncludeDirs(true);
  d.AddSearchPath(t.Root());
  d.StartSearch();
  EXPECT_EQ(d.MatchingDirCount(), 5);
  EXPECT_EQ(d.MatchingFileCount(), 9);
  EXPECT_LT(IndexOf(d, L"s1\\s11\\s111\\g.cfg"), IndexOf(d, L"s1\\s11\\s111"));
  EXPECT_LT(IndexOf(d, L"s1\\s11\\s111"), IndexOf(d, L"s1\\s11"));
  EXPECT_LT(IndexOf(d, L"s1\\d.cfg"), IndexOf(d, L"s1"));
  EXPECT_LT(IndexOf(d, L"s1\\s11"), IndexOf(d, L"s1"));
  // Depth first: s1's whole subtree (seven entries) is listed in one run.
  std::vector<size_t> run;
  for (const wchar_t* rel : {L"s1", L"s1\\d.cfg", L"s1\\e.txt", L"s1\\s11", L"s1\\s11\\f.cfg",
                             L"s1\\s11\\s111", L"s1\\s11\\s111\\g.cfg"}) {
    run.push_back(IndexOf(d, rel));
  }
  EXPECT_EQ(*std::max_element(run.begin(), run.end()) - *std::min_element(run.begin(), run.end()),
            6u);
}

TEST_F(DirList, OverlappingSearchPathsCountTwiceButStoreOnce) {
  FS_DirList d;
  d.AddFileMask(L"*.cfg");
  d.AddSearchPath(t.Root());
  d.AddSearchPath(t.Path(L"s1"));
  d.StartSearch();
  EXPECT_EQ(d.MatchingFileCount(), 9);  // 6 from the root, 3 again from s1
  EXPECT_EQ(d.MatchingFilesFullPath().Count(), 6);
  EXPECT_EQ(LumoLogCount(L"Could not add the match; it is already listed (overlapping search paths)!"),
            3);
  // The last file is a stored one, never an empty position.
  EXPECT_FALSE(d.GetSingleFileResult(1).empty());
}

TEST_F(DirList, MissingEmptyAndOverlongFoldersGiveNothing) {
  t.Dir(L"empty");
  FS_DirList d;
  d.AddSearchPath(t.Path(L"missing"));
  d.AddSearchPath(t.Path(L"empty"));
  d.AddSearchPath(L"C:\\" + std::wstring(32767, L'x'));
  d.AddSearchPath(L"");  // ignored
  d.StartSearch();
  EXPECT_EQ(d.MatchingFileCount(), 0);
  EXPECT_EQ(d.MatchingFilesFullPath().Count(), 0);
  EXPECT_EQ(LumoLogCount(L"Path does not exist!"), 2);
  EXPECT_TRUE(LumoLogHas(L"sPath.String=" + t.Path(L"missing")));
  EXPECT_EQ(d.GetSingleFileResult(0), L"");
  EXPECT_EQ(d.GetNewestFileByModifiedDate(), L"");
  EXPECT_EQ(LumoLogCount(L"No Matching Files!"), 2);
}

TEST_F(DirList, SingleResultFirstLastAndNewest) {
  ScratchTree u;
  // Two files share the newest time: the one found first wins.
  u.File(L"old.log", 2019, 5, 1, 8, 0, 0);
  u.File(L"new1.log", 2021, 3, 4, 12, 30, 15);
  u.File(L"new2.log", 2021, 3, 4, 12, 30, 15);
  u.File(L"mid.log", 2020, 1, 1, 0, 0, 0);
  FS_DirList d;
  d.AddSearchPath(u.Root());
  d.AddFileMask(L"*.log");
  d.StartSearch();
  ASSERT_EQ(d.MatchingFileCount(), 4);
  const std::vector<std::wstring> items = d.MatchingFilesFullPath().Items();
  const auto n1 = std::find(items.begin(), items.end(), u.Path(L"new1.log"));
  const auto n2 = std::find(items.begin(), items.end(), u.Path(L"new2.log"));
  const std::wstring newest = n1 < n2 ? *n1 : *n2;
  EXPECT_EQ(d.GetSingleFileResult(0), items.front());
  EXPECT_EQ(d.GetSingleFileResult(1), items.back());
  EXPECT_EQ(d.GetSingleFileResult(2), newest);
  double when = 0;
  EXPECT_EQ(d.GetNewestFileByModifiedDate(&when), newest);
  EXPECT_DOUBLE_EQ(when, App_Dates::DateFromParts({2021, 3, 4, 12, 30, 15}));
  EXPECT_EQ(d.GetSingleFileResult(7), L"");

  // No time can be read any more: the newest is the last file.
  for (const std::wstring& p : items) ::DeleteFileW(p.c_str());
  EXPECT_EQ(d.GetSingleFileResult(2), items.back());
  EXPECT_EQ(LumoLogCount(L"Cannot determine file date!"), 4);
}

TEST_F(DirList, FoldersNeverBecomeTheSingleResult) {
  FS_DirList d;
  d.IncludeDirs(true);
  d.AddSearchPath(t.Root());
  d.AddFileMask(L"s*");  // folders s1, s11, s111, s2, s3.cfg; no file
  d.StartSearch();
  EXPECT_EQ(d.MatchingDirCount(), 5);
  EXPECT_EQ(d.MatchingFileCount(), 0);
  EXPECT_EQ(d.GetSingleFileResult(0), L"");
  EXPECT_EQ(d.GetSingleFileResult(1), L"");

  FS_DirList e;
  e.IncludeDirs(true);
  e.RecursionLevel(0);
  e.AddSearchPath(t.Root());
  e.AddFileMask(L"s1");
  e.AddFileMask(L"notes");
  e.StartSearch();
  ASSERT_EQ(e.MatchingFileCount(), 1);
  EXPECT_EQ(e.GetSingleFileResult(0), t.Path(L"notes"));
  EXPECT_EQ(e.GetSingleFileResult(1), t.Path(L"notes"));
}

TEST_F(DirList, NamesAreKeptAsTheSystemGivesThem) {
  t.File(L" lead.cfg");
  FS_DirList d;
  d.RecursionLevel(0);
  d.AddSearchPath(t.Root());
  d.AddFileMask(L"*lead.cfg");
  d.StartSearch();
  ASSERT_EQ(d.MatchingFileCount(), 1);
  const std::wstring p = d.GetSingleFileResult(0);
  EXPECT_EQ(p, t.Path(L" lead.cfg"));
  EXPECT_NE(::GetFileAttributesW(p.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(DirList, AFolderHeldWithoutSharingIsLoggedAndSkipped) {
  HANDLE lock = ::CreateFileW(t.Path(L"s1").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  FS_DirList d;
  d.AddSearchPath(t.Root());
  d.StartSearch();
  ::CloseHandle(lock);
  // The root's own files still count; s1 cannot be listed.
  EXPECT_EQ(Found(d), (Set{L"a.cfg", L"b.txt", L"c.CFG", L"ab.cfg", L"notes"}));
  EXPECT_EQ(LumoLogCount(L"FindFirstFileW"), 1);
  EXPECT_TRUE(LumoLogHas(L"sPathBS.String=" + t.Path(L"s1\\")));
}

TEST_F(DirList, AFolderLinkPointingUpwardDoesNotLoop) {
  if (!t.Link(L"s1\\up", t.Root())) GTEST_SKIP() << "no folder link can be made here";
  FS_DirList d;
  d.IncludeDirs(true);
  d.AddSearchPath(t.Root());
  d.AddFileMask(L"*.cfg");
  d.StartSearch();
  // Each real file once; the link itself is a folder entry but is not entered.
  EXPECT_EQ(d.MatchingFileCount(), 6);
  EXPECT_EQ(Found(d).count(L"s1\\up\\a.cfg"), 0u);
  EXPECT_EQ(LumoLogCount(L"Skipping folder; already searched through another path (folder link loop)!"),
            1);
  EXPECT_TRUE(LumoLogHas(L"sPath.String=" + t.Path(L"s1\\up\\")));
}
