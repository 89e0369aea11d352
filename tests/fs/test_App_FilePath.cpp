// Path forms and path helpers, against Wine's real file system.
#include <vector>

#include "fs/App_FilePath.h"
#include "fs/App_FileSystem.h"
#include "fs_test_util.h"
#include "util/App_Strings.h"

using namespace App_FilePath;
using fs_test::FsTest;

namespace {

std::wstring Prep(std::wstring s, bool bAddBS = false) {
  PrepPathForUnicodeAPI(s, bAddBS);
  return s;
}

std::wstring Fixed(std::wstring s) {
  FixPathFromAPI(s);
  return s;
}

std::wstring Removed(std::wstring s) {
  RemoveWideAPIFormatFromPath(s);
  return s;
}

std::wstring CurrentDir() {
  wchar_t buf[1024] = {};
  ::GetCurrentDirectoryW(1024, buf);
  return buf;
}

const std::wstring kNul(1, L'\0');

}  // namespace

TEST(PrepPathForUnicodeAPI, GivesTheExtendedLengthFormsWithATerminatingNul) {
  EXPECT_EQ(Prep(L"C:\\dir"), L"\\\\?\\C:\\dir" + kNul);
  EXPECT_EQ(Prep(L"\\\\srv\\share"), L"\\\\?\\UNC\\srv\\share" + kNul);
  EXPECT_EQ(Prep(L"\\\\\\srv\\share"),
            L"\\\\?\\UNC\\srv\\share" + kNul);  // every leading backslash
  EXPECT_EQ(Prep(L"name.txt"), L"name.txt" + kNul);
  EXPECT_EQ(Prep(L""), kNul);
  EXPECT_EQ(Prep(L"C:"), L"C:" + kNul);
  // Already prepared forms stay; a lower-case UNC prefix is put in upper case.
  EXPECT_EQ(Prep(L"\\\\?\\C:\\x"), L"\\\\?\\C:\\x" + kNul);
  EXPECT_EQ(Prep(L"\\\\?\\UNC\\srv\\s"), L"\\\\?\\UNC\\srv\\s" + kNul);
  EXPECT_EQ(Prep(L"\\\\?\\unc\\srv\\s"), L"\\\\?\\UNC\\srv\\s" + kNul);
  // The native and the device forms.
  EXPECT_EQ(Prep(L"\\??\\C:\\x"), L"\\\\?\\C:\\x" + kNul);
  EXPECT_EQ(Prep(L"\\\\.\\C:\\x"), L"\\\\?\\C:\\x" + kNul);  // a device, not a share called "."
  // Quotes, blanks, and anything after a NUL go; the flag adds one backslash.
  EXPECT_EQ(Prep(L"  \"C:\\dir\"  "), L"\\\\?\\C:\\dir" + kNul);
  EXPECT_EQ(Prep(std::wstring(L"C:\\x\0junk", 9)), L"\\\\?\\C:\\x" + kNul);
  EXPECT_EQ(Prep(L"C:\\dir", true), L"\\\\?\\C:\\dir\\" + kNul);
  EXPECT_EQ(Prep(L"C:\\dir\\", true), L"\\\\?\\C:\\dir\\" + kNul);
  EXPECT_EQ(Prep(L"\\\\srv\\share", true), L"\\\\?\\UNC\\srv\\share\\" + kNul);
}

TEST(PrepPathForUnicodeAPI, ResolvesPathsTheLongFormWouldTakeLiterally) {
  // The long form skips the system's own resolution; "\\?\sub\x" or
  // "\\?\C:\a\..\b" would name nothing.
  const std::wstring cwd = CurrentDir();
  EXPECT_EQ(Prep(L"sub\\x.txt"),
            L"\\\\?\\" + cwd + (cwd.back() == L'\\' ? L"" : L"\\") + L"sub\\x.txt" + kNul);
  EXPECT_EQ(Prep(L"C:\\a\\..\\b"), L"\\\\?\\C:\\b" + kNul);
  EXPECT_EQ(Prep(L"C:\\a/b\\c"), L"\\\\?\\C:\\a\\b\\c" + kNul);
  EXPECT_EQ(Prep(L"\\windows\\x").substr(0, 7), L"\\\\?\\" + cwd.substr(0, 2) + L"\\");
  // A path at the limit of the system (and beyond) is turned, not refused.
  const std::wstring huge = L"C:\\" + std::wstring(32767, L'a');
  const std::wstring p = Prep(huge);
  EXPECT_EQ(p.substr(0, 7), L"\\\\?\\C:\\");
  EXPECT_EQ(p.back(), L'\0');
}

TEST(WideAPIFormat, IsRecognisedAndRemoved) {
  EXPECT_TRUE(IsWideAPIPathFormat(L"\\\\?\\C:\\x"));
  EXPECT_TRUE(IsWideAPIPathFormat(L"  \\??\\C:\\x"));
  EXPECT_TRUE(IsWideAPIPathFormat(L"\\\\.\\PhysicalDrive0"));
  EXPECT_TRUE(IsWideAPIPathFormat(L"UNC\\srv\\s"));
  EXPECT_FALSE(IsWideAPIPathFormat(L"C:\\x"));
  EXPECT_FALSE(IsWideAPIPathFormat(L"\\\\srv\\s"));
  EXPECT_FALSE(IsWideAPIPathFormat(L""));
  EXPECT_FALSE(IsWideAPIPathFormat(L"   "));

  EXPECT_EQ(Removed(L"\\\\?\\C:\\x"), L"C:\\x");
  EXPECT_EQ(Removed(L" \\\\?\\UNC\\srv\\share"), L"\\\\srv\\share");
  EXPECT_EQ(Removed(L"\\??\\C:\\x"), L"C:\\x");
  EXPECT_EQ(Removed(L"\\\\.\\C:"), L"C:");
  EXPECT_EQ(Removed(L"  C:\\x"), L"  C:\\x");  // not a wide path: untouched
  // Round trips.
  for (const std::wstring p : {L"C:\\dir\\f.txt", L"\\\\srv\\share\\f.txt"}) {
    std::wstring s = Prep(p);
    s.pop_back();
    EXPECT_EQ(Removed(s), p);
  }
}

TEST(FixPathFromAPI, NormalisesWhatTheSystemHandsBack) {
  LumoDebugFixtureState dbg;
  dbg.Reset();
  EXPECT_EQ(Fixed(L""), L"");
  EXPECT_EQ(Fixed(L"\\\\?\\C:\\x\\f.sys"), L"C:\\x\\f.sys");
  EXPECT_EQ(Fixed(std::wstring(L"  \\??\\C:\\x  \0rest", 17)), L"C:\\x");
  EXPECT_EQ(Fixed(L"\\\\?\\UNC\\srv\\s"), L"\\\\srv\\s");
  EXPECT_EQ(Fixed(L"\\\\srv\\s"), L"\\\\srv\\s");

  // A registry image path: the Windows folder of the environment, or the
  // system's before the environment is filled.
  AppEnv().Dir_Windows = L"D:\\WinDir";
  EXPECT_EQ(Fixed(L"\\SystemRoot\\System32\\drivers\\x.sys"),
            L"D:\\WinDir\\System32\\drivers\\x.sys");
  EXPECT_EQ(Fixed(L"systemroot\\x.sys"), L"D:\\WinDir\\x.sys");
  EXPECT_EQ(Fixed(L"\\SystemRootX\\x.sys"), L"SystemRootX\\x.sys");
  AppEnv().Dir_Windows.clear();
  wchar_t win[MAX_PATH] = {};
  ::GetWindowsDirectoryW(win, MAX_PATH);
  EXPECT_TRUE(
      App_Strings::StringMatch(Fixed(L"\\SystemRoot\\x.sys"), std::wstring(win) + L"\\x.sys"));
}

TEST_F(FsTest, FixPathFromAPIExpandsShortNamesAndKeepsUnknownOnes) {
  const std::wstring longDir = Path(L"A folder with a long name");
  ASSERT_TRUE(::CreateDirectoryW(longDir.c_str(), nullptr));
  wchar_t shortBuf[1024] = {};
  ASSERT_GT(::GetShortPathNameW(longDir.c_str(), shortBuf, 1024), 0u);
  const std::wstring shortName = shortBuf;
  ASSERT_NE(shortName.find(L'~'), std::wstring::npos);
  EXPECT_TRUE(App_Strings::StringMatch(Fixed(shortName), longDir));

  // A short name that names nothing: unchanged, and the failure is logged.
  const std::wstring missing = Path(L"NOSUCH~1\\x.txt");
  EXPECT_EQ(Fixed(missing), missing);
  EXPECT_TRUE(fs_test::Logged(L"GetLongPathNameW failure!"));

  // An expansion longer than the first buffer of 519 characters.
  const std::wstring deep =
      Path(std::wstring(240, L'd') + L"\\" + std::wstring(240, L'e') + L" long");
  ASSERT_TRUE(App_FileSystem::EnsureDirExists(deep));
  std::vector<wchar_t> buf(4096);
  ASSERT_GT(::GetShortPathNameW(fs_test::Long(deep).c_str(), buf.data(), 4096), 0u);
  std::wstring shortDeep = buf.data();
  App_FilePath::RemoveWideAPIFormatFromPath(shortDeep);
  ASSERT_NE(shortDeep.find(L'~'), std::wstring::npos);
  std::wstring expanded = shortDeep;
  MakeLongPath(expanded);
  EXPECT_GT(expanded.size(), 519u);
  EXPECT_TRUE(App_Strings::StringMatch(expanded, deep));
}

TEST(PathClasses, FullAndUNCPathsAndTheirTraceResults) {
  LumoDebugFixtureState dbg;
  dbg.Reset();
  EXPECT_TRUE(IsFullPath(L"C:\\x"));
  EXPECT_TRUE(IsFullPath(L"\\\\srv\\s"));
  EXPECT_FALSE(IsFullPath(L"C:"));  // no backslash
  EXPECT_FALSE(IsFullPath(L"x.txt"));
  EXPECT_FALSE(IsFullPath(L"sub\\x.txt"));
  EXPECT_FALSE(IsFullPath(L"\\x.txt"));
  EXPECT_TRUE(IsFullPath(L"\\??\\C:\\x", true));
  EXPECT_FALSE(IsFullPath(L"\\??\\C:\\x", false));
  App_Proc* call = LumoLastCall(L"App_FilePath.IsFullPath");
  ASSERT_NE(call, nullptr);
  EXPECT_EQ(call->Vars_Function_Result(), L"Boolean=False");

  EXPECT_TRUE(IsUNCPath(L"\\\\srv\\s"));
  EXPECT_FALSE(IsUNCPath(L"C:\\x"));
  EXPECT_TRUE(IsUNCPath(L"\\\\?\\UNC\\srv\\s", true));
  EXPECT_FALSE(IsUNCPath(L"\\\\?\\C:\\x", true));
  call = LumoLastCall(L"App_FilePath.IsUNCPath");
  ASSERT_NE(call, nullptr);
  EXPECT_EQ(call->Vars_Function_Result(), L"Boolean=False");
}

TEST(DirNoBS, RemovesOneTrailingBackslash) {
  EXPECT_EQ(DirNoBS(L"C:\\x\\"), L"C:\\x");
  EXPECT_EQ(DirNoBS(L"C:\\x\\\\"), L"C:\\x\\");
  EXPECT_EQ(DirNoBS(L"C:\\x"), L"C:\\x");
  EXPECT_EQ(DirNoBS(L""), L"");
  EXPECT_EQ(DirNoBS(L"\\"), L"");
  const std::wstring withNul(L" C:\\x\\ \0zz", 10);
  EXPECT_EQ(DirNoBS(withNul, true), L"C:\\x");
  EXPECT_EQ(DirNoBS(withNul, false), withNul);
}

TEST_F(FsTest, GetTempFileCreatesRemovesAndRefuses) {
  // The default folder: the environment's, else the variable "Temp".
  const std::wstring t1 = GetTempFile();
  ASSERT_FALSE(t1.empty());
  EXPECT_TRUE(fs_test::Exists(t1));
  EXPECT_NE(t1.find(L"\\qvt"), std::wstring::npos);
  EXPECT_EQ(t1.substr(t1.size() - 4), L".tmp");
  EXPECT_EQ(t1.find(L"\\\\?\\"), std::wstring::npos);  // normalised
  ::DeleteFileW(t1.c_str());
  AppEnv().UserDirBS_CurrentUser_Temp = dir + L"\\";
  const std::wstring t2 = GetTempFile({}, true);
  AppEnv().UserDirBS_CurrentUser_Temp.clear();
  EXPECT_TRUE(App_Strings::StringMatch(t2.substr(0, dir.size() + 4), dir + L"\\qvt"));
  EXPECT_FALSE(fs_test::Exists(t2));  // removed before return

  // An alternative folder: made when asked, refused when it cannot be made.
  const std::wstring sub = Path(L"made\\here");
  EXPECT_EQ(GetTempFile(sub, false, false), L"");
  EXPECT_TRUE(fs_test::Logged(L"GetTempFileNameW", L"App_FilePath.GetTempFile"));
  const std::wstring t3 = GetTempFile(sub, false, true);
  EXPECT_TRUE(App_Strings::StringMatch(t3.substr(0, sub.size() + 4), sub + L"\\qvt"));
  EXPECT_TRUE(fs_test::Exists(t3));
  fs_test::WriteBytes(Path(L"afile"), "x");
  EXPECT_EQ(GetTempFile(Path(L"afile\\sub"), false, true), L"");
  EXPECT_TRUE(fs_test::Logged(L"Could not create path!", L"App_FilePath.GetTempFile"));

  // A folder name outside the ANSI code page.
  const std::wstring cyr = Path(L"\u041f\u0430\u043f\u043a\u0430");
  const std::wstring t4 = GetTempFile(cyr, false, true);
  EXPECT_TRUE(App_Strings::StringMatch(t4.substr(0, cyr.size()), cyr));
  EXPECT_TRUE(fs_test::Exists(t4));
}

TEST_F(FsTest, HasWriteAccessProbesAndLeavesNothingBehind) {
  EXPECT_TRUE(HasWriteAccess(dir));
  EXPECT_TRUE(HasWriteAccess(dir + L"\\"));
  WIN32_FIND_DATAW fd{};
  HANDLE h = ::FindFirstFileW((dir + L"\\*.tmp").c_str(), &fd);
  EXPECT_EQ(h, INVALID_HANDLE_VALUE) << "probe file left behind";
  if (h != INVALID_HANDLE_VALUE) ::FindClose(h);
  EXPECT_FALSE(HasWriteAccess(Path(L"missing")));
  EXPECT_FALSE(fs_test::Exists(Path(L"missing")));  // never created by the probe
  EXPECT_FALSE(HasWriteAccess(L""));
  EXPECT_TRUE(fs_test::Logged(L"Aborting; Passed empty string!", L"App_FilePath.HasWriteAccess"));
}

TEST_F(FsTest, SetCurrentDirChangesTheWorkingDirectory) {
  const std::wstring before = CurrentDir();
  EXPECT_TRUE(SetCurrentDir(dir));
  std::wstring now = CurrentDir();
  App_FilePath::FixPathFromAPI(now);
  EXPECT_TRUE(App_Strings::StringMatch(DirNoBS(now), dir));
  // Relative names now resolve below it.
  fs_test::WriteBytes(Path(L"rel.txt"), "r");
  EXPECT_TRUE(App_FileSystem::FileExist(L"sub\\..\\rel.txt"));
  EXPECT_FALSE(SetCurrentDir(Path(L"missing")));
  EXPECT_TRUE(fs_test::Logged(L"SetCurrentDirectoryW", L"App_FilePath.SetCurrentDir"));
  EXPECT_FALSE(SetCurrentDir(L""));
  EXPECT_TRUE(SetCurrentDir(before));
  EXPECT_TRUE(App_Strings::StringMatch(DirNoBS(CurrentDir()), DirNoBS(before)));
}
