// Finding one file by mask: how the mask is split, which root is searched,
// the folder filter of a relative mask, and the refusals.
#include <windows.h>

#include <gtest/gtest.h>

#include "fs/App_FindFile.h"
#include "fsdir_tree.h"
#include "lumo_test.h"

using App_FilePath::FindFileInPath;

namespace {

class FindFile : public ::testing::Test {
 protected:
  void SetUp() override {
    dbg.Reset();
    t.Dir(L"Browser");
    t.Dir(L"Browser\\v1");
    t.File(L"Browser\\v1\\app.exe", 2020, 1, 1);
    t.Dir(L"Browser\\v2");
    t.File(L"Browser\\v2\\app.exe", 2022, 2, 2);
    t.Dir(L"Other");
    t.File(L"Other\\app.exe", 2023, 3, 3);  // the newest, but not inside a "Sub" folder
    t.Dir(L"Other\\Sub");
    t.File(L"Other\\Sub\\app.exe", 2019, 1, 1);
    t.Dir(L"Subway");
    t.File(L"Subway\\app.exe", 2024, 4, 4);
  }

  std::wstring Find(const std::wstring& mask, const std::wstring& alt = {}, int32_t level = -1,
                    int32_t selector = 2) {
    count = -5;
    files = L"stale";
    return FindFileInPath(mask, alt, level, selector, count, files);
  }

  LumoDebugFixtureState dbg;
  ScratchTree t;
  int32_t count = 0;
  std::wstring files;
};

}  // namespace

TEST_F(FindFile, FullMaskSearchesItsFolderAndPicksTheNewest) {
  EXPECT_EQ(Find(t.Path(L"Browser\\app.exe")), t.Path(L"Browser\\v2\\app.exe"));
  EXPECT_EQ(count, 2);
  EXPECT_TRUE(files == t.Path(L"Browser\\v1\\app.exe") + L"\r\n" + t.Path(L"Browser\\v2\\app.exe") ||
              files == t.Path(L"Browser\\v2\\app.exe") + L"\r\n" + t.Path(L"Browser\\v1\\app.exe"))
      << LumoNarrow(files);
  // Level 0 stays in the folder itself; a wildcard mask works the same way.
  EXPECT_EQ(Find(t.Path(L"Browser\\*.exe"), {}, 0), L"");
  EXPECT_EQ(count, 0);
  EXPECT_EQ(files, L"");
  EXPECT_EQ(Find(t.Path(L"Other\\*.exe"), {}, 0), t.Path(L"Other\\app.exe"));
  EXPECT_EQ(count, 1);
}

TEST_F(FindFile, AltRootWithAnExistingRelativeFolderSearchesBelowIt) {
  EXPECT_EQ(Find(L"Browser\\app.exe", t.Root() + L"\\"), t.Path(L"Browser\\v2\\app.exe"));
  EXPECT_EQ(count, 2);
  // A mask without any folder searches the whole alternative root.
  EXPECT_EQ(Find(L"app.exe", t.Root()), t.Path(L"Subway\\app.exe"));
  EXPECT_EQ(count, 5);
}

TEST_F(FindFile, MissingRelativeFolderBecomesAFolderFilter) {
  EXPECT_EQ(Find(L"Sub\\app.exe", t.Root()), t.Path(L"Other\\Sub\\app.exe"));
  EXPECT_EQ(count, 1);  // not Subway\app.exe, not Other\app.exe
  EXPECT_EQ(files, t.Path(L"Other\\Sub\\app.exe"));
  EXPECT_EQ(
      LumoLogCount(L"Compound search path does not exist; using alt search path as root, and partial "
               L"path as a subdir comparison"),
      1);
  // Nothing inside such a folder: no result, even though other files matched.
  EXPECT_EQ(Find(L"Nowhere\\app.exe", t.Root()), L"");
  EXPECT_EQ(count, 0);
  EXPECT_EQ(files, L"");
}

TEST_F(FindFile, UnusableAltPathsAreIgnored) {
  EXPECT_EQ(Find(t.Path(L"Other\\Sub\\app.exe"), L"relative\\dir"), t.Path(L"Other\\Sub\\app.exe"));
  EXPECT_EQ(LumoLogCount(L"Alt search path invalid!"), 1);
  EXPECT_EQ(Find(t.Path(L"Other\\Sub\\app.exe"), t.Path(L"gone")), t.Path(L"Other\\Sub\\app.exe"));
  EXPECT_EQ(LumoLogCount(L"Path not found!  Alt search path invalid!"), 1);
  // With the alternative path unusable, a relative mask has no root.
  EXPECT_EQ(Find(L"Sub\\app.exe", t.Path(L"gone")), L"");
  EXPECT_TRUE(LumoLogHas(L"=[Aborting; Path not found!]") && LumoLogHas(L"sPathOnly.String=Sub"));
}

TEST_F(FindFile, RefusalsGiveAnEmptyResultAndALogLine) {
  EXPECT_EQ(Find(L""), L"");
  EXPECT_EQ(Find(L"   "), L"");
  EXPECT_EQ(LumoLogCount(L"Aborting; Passed empty string!"), 2);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(files, L"");

  EXPECT_EQ(Find(L"app.exe"), L"");  // no folder and no alternative root
  EXPECT_EQ(LumoLogCount(L"Aborting; Path not found!"), 1);

  EXPECT_EQ(Find(t.Path(L"missing\\app.exe")), L"");
  EXPECT_EQ(Find(L"C:\\" + std::wstring(32767, L'd') + L"\\app.exe"), L"");
  EXPECT_EQ(LumoLogCount(L"Aborting; Search path does not exist!"), 2);

  EXPECT_EQ(Find(L"\\\\server"), L"");
  EXPECT_EQ(LumoLogCount(L"Undetermined search path!  (Treated as UNC)"), 1);
  EXPECT_EQ(Find(L"\\\\server\\share"), L"");
  EXPECT_EQ(LumoLogCount(L"Undetermined search path!  (Treated as UNC)  No file mask!"), 1);
  EXPECT_EQ(Find(L"\\\\server\\share\\app.exe"), L"");  // an unreachable share
  EXPECT_EQ(LumoLogCount(L"Aborting; Search path does not exist!"), 3);
}

TEST_F(FindFile, SelectorsPickFirstAndLastInSearchOrder) {
  const std::wstring first = Find(t.Path(L"Browser\\app.exe"), {}, -1, 0);
  const std::wstring last = Find(t.Path(L"Browser\\app.exe"), {}, -1, 1);
  EXPECT_EQ(files, first + L"\r\n" + last);
  EXPECT_NE(first, last);
}
