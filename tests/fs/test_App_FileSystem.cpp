// File operations, against Wine's real file system in a scratch folder.
#include <cmath>
#include <vector>

#include "fs/App_FilePath.h"
#include "fs/App_FileSystem.h"
#include "fs_test_util.h"

using namespace App_FileSystem;
using fs_test::Exists;
using fs_test::FsTest;
using fs_test::Logged;
using fs_test::ReadBytes;
using fs_test::WriteBytes;

namespace {

constexpr std::wstring_view kFE = L"App_FileSystem.FileExist";
// "Файл" and "文件": not in code page 1252.
const std::wstring kCyrillic = L"\u0424\u0430\u0439\u043b";
const std::wstring kCJK = L"\u6587\u4ef6";

std::wstring Prepared(std::wstring s) {
  App_FilePath::PrepPathForUnicodeAPI(s);
  return s;
}

// A copy of this test program carrying a version resource with the given
// file version (a bare VS_VERSIONINFO: header, key, fixed block).
bool MakeVersionedFile(const std::wstring& target, WORD a, WORD b, WORD c, WORD d) {
  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  if (!::CopyFileW(self, target.c_str(), FALSE)) return false;
  std::vector<BYTE> res(40 + sizeof(VS_FIXEDFILEINFO), 0);
  const WORD header[3] = {static_cast<WORD>(res.size()), sizeof(VS_FIXEDFILEINFO), 0};
  memcpy(res.data(), header, sizeof header);
  memcpy(res.data() + 6, L"VS_VERSION_INFO", 32);
  VS_FIXEDFILEINFO ffi{};
  ffi.dwSignature = 0xFEEF04BD;
  ffi.dwStrucVersion = 0x00010000;
  ffi.dwFileVersionMS = MAKELONG(b, a);
  ffi.dwFileVersionLS = MAKELONG(d, c);
  ffi.dwProductVersionMS = ffi.dwFileVersionMS;
  ffi.dwProductVersionLS = ffi.dwFileVersionLS;
  memcpy(res.data() + 40, &ffi, sizeof ffi);
  HANDLE h = ::BeginUpdateResourceW(target.c_str(), TRUE);
  if (!h) return false;
  if (!::UpdateResourceW(h, MAKEINTRESOURCEW(16), MAKEINTRESOURCEW(1),
                         MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), res.data(),
                         static_cast<DWORD>(res.size()))) {
    ::EndUpdateResourceW(h, TRUE);
    return false;
  }
  return ::EndUpdateResourceW(h, FALSE) != FALSE;
}

}  // namespace

TEST_F(FsTest, FileExistNamesTheReasonOfEveryNo) {
  std::wstring err = L"stale";
  EXPECT_FALSE(FileExist(L"", false, err));
  EXPECT_EQ(err, L"Passed empty string!");
  EXPECT_FALSE(FileExist(L"C:\\", false, err));  // three characters
  EXPECT_EQ(err, L"Path not found!");
  EXPECT_FALSE(FileExist(L"C:file.txt", false, err));  // drive-relative, no backslash
  EXPECT_EQ(err, L"Path not found!");
  EXPECT_TRUE(Logged(L"Path not found!", kFE));
  EXPECT_FALSE(FileExist(Path(L"missing.txt"), false, err));
  EXPECT_EQ(err, L"File not found!");
  EXPECT_FALSE(FileExist(dir, false, err));  // a directory is no file
  EXPECT_EQ(err, L"File not found!");

  WriteBytes(Path(L"empty.txt"), "");
  EXPECT_TRUE(FileExist(Path(L"empty.txt"), false, err));
  EXPECT_EQ(err, L"");
  EXPECT_TRUE(Logged(L"File exists!", kFE));
  EXPECT_FALSE(FileExist(Path(L"empty.txt"), true, err));
  EXPECT_EQ(err, L"Zero Byte File!");
  EXPECT_TRUE(Logged(L"Zero Byte File!", kFE));
  WriteBytes(Path(L"one.txt"), "1");
  EXPECT_TRUE(FileExist(Path(L"one.txt"), true, err));
  EXPECT_TRUE(FileExistNL(Path(L"one.txt")));
  EXPECT_FALSE(FileExistNL(dir));

  // Locked by another handle without sharing: it still exists.
  fs_test::ExclusiveLock lock(Path(L"locked.txt"));
  ASSERT_NE(lock.h, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(FileExist(Path(L"locked.txt"), false, err));

  // Names outside the ANSI code page, and a path of 32,767 characters.
  WriteBytes(Path(kCyrillic + L".txt"), "x");
  WriteBytes(Path(kCJK + L".txt"), "x");
  EXPECT_TRUE(FileExist(Path(kCyrillic + L".txt"), true, err));
  EXPECT_TRUE(FileExist(Path(kCJK + L".txt"), true, err));
  EXPECT_FALSE(FileExist(L"C:\\" + std::wstring(32764, L'a'), true, err));
  EXPECT_EQ(err, L"File not found!");
}

TEST_F(FsTest, ExistenceByPointerAndDirExist) {
  EXPECT_FALSE(FileExistByStringPointer(nullptr));
  WriteBytes(Path(L"f.txt"), "f");
  EXPECT_TRUE(FileExistByStringPointer(Prepared(Path(L"f.txt")).c_str()));
  EXPECT_FALSE(FileExistByStringPointer(Prepared(dir).c_str()));

  bool bDir = true;
  EXPECT_TRUE(FSObjectExistByStringPointer(Prepared(Path(L"f.txt")).c_str(), bDir));
  EXPECT_FALSE(bDir);
  EXPECT_TRUE(FSObjectExistByStringPointer(Prepared(dir).c_str(), bDir));
  EXPECT_TRUE(bDir);
  bDir = true;
  EXPECT_FALSE(FSObjectExistByStringPointer(Prepared(Path(L"none")).c_str(), bDir));
  EXPECT_TRUE(bDir);  // unchanged
  EXPECT_FALSE(FSObjectExistByStringPointer(nullptr, bDir));

  EXPECT_TRUE(DirExist(dir));
  EXPECT_TRUE(DirExist(dir + L"\\"));
  EXPECT_FALSE(DirExist(Path(L"f.txt")));
  EXPECT_FALSE(DirExist(Path(L"none")));
  EXPECT_FALSE(DirExist(L""));
}

TEST_F(FsTest, EnsureDirExistsCreatesReplacesAndRefuses) {
  constexpr std::wstring_view kED = L"App_FileSystem.EnsureDirExists";
  int32_t lFail = -1;
  EXPECT_FALSE(EnsureDirExists(L"logs", lFail));
  EXPECT_TRUE(Logged(L"Passed bad string (no colon or \\\\ in string) for sDir: [logs]", kED));

  // Nested levels through the ANSI call, then an existing folder.
  EXPECT_TRUE(EnsureDirExists(Path(L"a\\b\\c\\"), lFail));
  EXPECT_EQ(lFail, 0);
  EXPECT_TRUE(fs_test::IsDir(Path(L"a\\b\\c")));
  EXPECT_TRUE(Logged(L"Completed; Success = True!", kED));
  EXPECT_TRUE(EnsureDirExists(Path(L"a\\b"), lFail));
  EXPECT_TRUE(Logged(L"DirExist = True!", kED));

  // A file of the same name gives way; a locked one does not.
  WriteBytes(Path(L"was_file"), "x");
  EXPECT_TRUE(EnsureDirExists(Path(L"was_file"), lFail));
  EXPECT_TRUE(fs_test::IsDir(Path(L"was_file")));
  EXPECT_TRUE(Logged(L"A file existed of same name, but was deleted successfully!", kED));
  {
    fs_test::ExclusiveLock lock(Path(L"held"));
    EXPECT_FALSE(EnsureDirExists(Path(L"held"), lFail));
    EXPECT_TRUE(Logged(L"Aborting; failure to remove existing file!", kED));
  }
  EXPECT_TRUE(Exists(Path(L"held")));

  // A path through a file cannot be made.
  lFail = 0;
  EXPECT_FALSE(EnsureDirExists(Path(L"held\\sub"), lFail));
  EXPECT_NE(lFail, 0);
  EXPECT_TRUE(Logged(L"Completed via MakeSureDirectoryPathExists; DirExist = False!", kED));

  // Names outside the code page and paths past MAX_PATH take the wide calls.
  EXPECT_TRUE(EnsureDirExists(Path(kCyrillic + L"\\" + kCJK), lFail));
  EXPECT_TRUE(fs_test::IsDir(Path(kCyrillic + L"\\" + kCJK)));
  std::wstring deep = dir;
  for (int i = 0; i < 6; ++i) deep += L"\\" + std::wstring(60, static_cast<wchar_t>(L'k' + i));
  EXPECT_TRUE(EnsureDirExists(deep, lFail));
  EXPECT_TRUE(fs_test::IsDir(deep));

  // A level longer than any name, and a path of 32,767 characters.
  lFail = 0;
  EXPECT_FALSE(EnsureDirExists(Path(std::wstring(300, L'z')), lFail));
  EXPECT_NE(lFail, 0);
  EXPECT_TRUE(Logged(L"Completed via CreateDirectoryW; DirExist = False!", kED));
  EXPECT_FALSE(EnsureDirExists(L"C:\\" + std::wstring(32764, L'y'), lFail));
}

TEST_F(FsTest, CreateDirWWalksTheLevelsAndStopsAtAnEmptyOne) {
  int32_t lFail = 0;
  EXPECT_TRUE(CreateDirW(Path(L"x\\y\\z"), lFail));
  EXPECT_TRUE(fs_test::IsDir(Path(L"x\\y\\z")));
  EXPECT_TRUE(CreateDirW(L"\\\\?\\" + Path(L"x\\w"), lFail));  // the long form is accepted
  EXPECT_TRUE(fs_test::IsDir(Path(L"x\\w")));

  EXPECT_FALSE(CreateDirW(Path(L"p\\\\q"), lFail));
  EXPECT_TRUE(fs_test::IsDir(Path(L"p")));
  EXPECT_FALSE(Exists(Path(L"q")));
  EXPECT_FALSE(Exists(Path(L"p\\q")));

  WriteBytes(Path(L"file"), "x");
  lFail = 0;
  EXPECT_FALSE(CreateDirW(Path(L"file\\under"), lFail));
  EXPECT_NE(lFail, 0);
}

TEST_F(FsTest, FileDeleteTellsFilesFromDirectoriesAndLocks) {
  constexpr std::wstring_view kFD = L"App_FileSystem.FileDelete";
  EXPECT_FALSE(FileDelete(L""));
  EXPECT_FALSE(FileDelete(Path(L"trailing\\")));
  WriteBytes(Path(L"gone.txt"), "x");
  EXPECT_TRUE(FileDelete(Path(L"gone.txt")));
  EXPECT_FALSE(Exists(Path(L"gone.txt")));
  EXPECT_TRUE(FileDelete(Path(L"never.txt")));  // nothing of that name: done
  EXPECT_FALSE(FileDelete(dir));
  EXPECT_TRUE(Logged(L"DeleteFileW failed; file is a directory!", kFD));
  EXPECT_TRUE(fs_test::IsDir(dir));
  WriteBytes(Path(kCJK), "x");
  EXPECT_TRUE(FileDelete(Path(kCJK)));
  EXPECT_FALSE(Exists(Path(kCJK)));

  fs_test::ExclusiveLock lock(Path(L"locked.txt"));
  EXPECT_FALSE(FileDelete(Path(L"locked.txt")));
  EXPECT_TRUE(Logged(L"DeleteFileW failed!", kFD));
  EXPECT_TRUE(Exists(Path(L"locked.txt")));
}

TEST_F(FsTest, GetFileToStringReadsWholeOrByLines) {
  std::wstring err;
  WriteBytes(Path(L"t.txt"), "caf\xe9 one\r\ntwo\nthree\rfour\r\n");
  EXPECT_EQ(GetFileToString(Path(L"t.txt"), false, err), L"caf\u00e9 one\r\ntwo\nthree\rfour\r\n");
  EXPECT_EQ(err, L"");
  EXPECT_EQ(GetFileToString(Path(L"t.txt"), true, err), L"caf\u00e9 one\r\ntwo\r\nthree\r\nfour");
  WriteBytes(Path(L"blank_lines.txt"), "a\r\n\r\nb\n\n");
  EXPECT_EQ(GetFileToString(Path(L"blank_lines.txt"), true, err), L"a\r\n\r\nb\r\n");
  WriteBytes(Path(kCyrillic + L".cfg"), "k=v");
  EXPECT_EQ(GetFileToString(Path(kCyrillic + L".cfg"), false, err), L"k=v");

  EXPECT_EQ(GetFileToString(Path(L"missing.txt"), false, err), L"");
  EXPECT_EQ(err, L"File not found!");
  WriteBytes(Path(L"zero.txt"), "");
  EXPECT_EQ(GetFileToString(Path(L"zero.txt"), false, err), L"");
  EXPECT_EQ(err, L"Zero Byte File!");
  EXPECT_EQ(GetFileToString(Path(L"zero.txt"), false, err, true), L"");
  EXPECT_EQ(err, L"");
  // Without the check a missing file is not worth a second try.
  const DWORD t0 = ::GetTickCount();
  EXPECT_EQ(GetFileToString(Path(L"missing.txt"), false, err, true), L"");
  EXPECT_LT(::GetTickCount() - t0, 400u);
  EXPECT_EQ(err, L"Could not open file!  Error [2]");
  EXPECT_TRUE(Logged(L"Open File Error:  2  (Not trying again!)"));
}

TEST_F(FsTest, GetFileToStringRefusesLockedBinaryAndHugeFiles) {
  constexpr std::wstring_view kGS = L"App_FileSystem.GetFileToString";
  std::wstring err;
  WriteBytes(Path(L"locked.txt"), "data");
  {
    fs_test::ExclusiveLock lock(Path(L"locked.txt"));
    const DWORD t0 = ::GetTickCount();
    EXPECT_EQ(GetFileToString(Path(L"locked.txt"), false, err), L"");
    EXPECT_GE(::GetTickCount() - t0, 450u);  // one retry after half a second
    EXPECT_EQ(err, L"Could not open file!  Error [32]");
    EXPECT_TRUE(Logged(L"Open File Error:  32  (Trying again...)", kGS));
    EXPECT_TRUE(Logged(L"Open File Error:  32  (Not trying again!)", kGS));
  }
  WriteBytes(Path(L"bin.dat"), std::string("MZ\0\0\x90\x01", 6));
  EXPECT_EQ(GetFileToString(Path(L"bin.dat"), false, err), L"");
  EXPECT_EQ(err, L"File contains NUL characters; not a text file!");
  WriteBytes(Path(L"utf16.txt"), std::string("\xff\xfe"
                                             "a\0b\0",
                                             6));
  EXPECT_EQ(GetFileToString(Path(L"utf16.txt"), true, err), L"");

  // One byte over the limit (a sparse file: nothing is written).
  HANDLE h = ::CreateFileW(Path(L"huge.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                           nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  LARGE_INTEGER size{};
  size.QuadPart = MaxTextFileBytes + 1;
  ::SetFilePointerEx(h, size, nullptr, FILE_BEGIN);
  ::SetEndOfFile(h);
  ::CloseHandle(h);
  EXPECT_EQ(GetFileToString(Path(L"huge.txt"), false, err), L"");
  EXPECT_EQ(err, L"File too large for a text file!");
  EXPECT_TRUE(Logged(L"File too large for a text file!", kGS));
}

TEST_F(FsTest, GetFileToArray2SplitsLinesOfEveryEnding) {
  constexpr std::wstring_view kGA = L"App_FileSystem.GetFileToArray2";
  std::vector<std::wstring> arr{L"stale"};
  int32_t ub = 99;
  std::wstring err;
  using V = std::vector<std::wstring>;

  WriteBytes(Path(L"crlf.cfg"), "a=1\r\nb=2\r\n");
  EXPECT_TRUE(GetFileToArray2(Path(L"crlf.cfg"), arr, L"\r\n", false, ub, err, true));
  EXPECT_EQ(arr, (V{L"a=1", L"b=2", L""}));
  EXPECT_EQ(ub, 2);
  WriteBytes(Path(L"lf.cfg"), "a=1\nb=2\nc=3");
  EXPECT_TRUE(GetFileToArray2(Path(L"lf.cfg"), arr, L"\r\n", false, ub, err, true));
  EXPECT_EQ(arr, (V{L"a=1", L"b=2", L"c=3", L""}));
  WriteBytes(Path(L"mixed.cfg"), "a=1\r\nb=2\nc=3\r\n");
  EXPECT_TRUE(GetFileToArray2(Path(L"mixed.cfg"), arr, L"\r\n", false, ub, err, true));
  EXPECT_EQ(arr, (V{L"a=1", L"b=2", L"c=3", L""}));
  WriteBytes(Path(L"one.cfg"), "  \r\n single \r\n\r\n");
  EXPECT_TRUE(GetFileToArray2(Path(L"one.cfg"), arr, L"|", true, ub, err, true));
  EXPECT_EQ(arr, (V{L"single", L""}));  // no delimiter: trimmed, one line plus the end
  WriteBytes(Path(L"list.txt"), "x<sep>y");
  EXPECT_TRUE(GetFileToArray2(Path(L"list.txt"), arr, L"<SEP>", false, ub, err, true));
  EXPECT_EQ(arr, (V{L"x<sep>y"}));  // found ignoring case, split exactly

  // Blanks and line breaks only, of either kind: an empty file.
  for (const char* blank : {"  \r\n \n  ", "   \n\n", " \r\n\r\n "}) {
    WriteBytes(Path(L"blank.cfg"), blank);
    arr = {L"stale"};
    EXPECT_FALSE(GetFileToArray2(Path(L"blank.cfg"), arr, L"\r\n", false, ub, err, true)) << blank;
    EXPECT_EQ(err, L"Empty File!");
    EXPECT_TRUE(arr.empty());
    EXPECT_EQ(ub, -1);
  }
  EXPECT_TRUE(Logged(L"Empty File!", kGA));

  // Only delimiters: empty elements, a failure when the caller says so.
  WriteBytes(Path(L"commas.txt"), ",");
  EXPECT_FALSE(GetFileToArray2(Path(L"commas.txt"), arr, L",", false, ub, err, true));
  EXPECT_EQ(arr, (V{L"", L""}));
  EXPECT_TRUE(Logged(L"IsStringArrayEmpty = True (IsArrayEmpty <> True)", kGA));
  EXPECT_TRUE(GetFileToArray2(Path(L"commas.txt"), arr, L",", false, ub, err, false));

  // Failures leave no elements of an earlier file.
  arr = {L"stale"};
  EXPECT_FALSE(GetFileToArray2(Path(L"missing.cfg"), arr, L"\r\n", false, ub, err, true));
  EXPECT_EQ(err, L"File not found!");
  EXPECT_TRUE(arr.empty());
  EXPECT_EQ(ub, -1);
  EXPECT_FALSE(GetFileToArray2(Path(L"crlf.cfg"), arr, L"", false, ub, err, true));
  EXPECT_EQ(err, L"Passed empty string!");
}

TEST_F(FsTest, SaveTextToFileWritesAppendsAndSkipsWholeLineDuplicates) {
  const std::wstring file = Path(L"new\\folder\\notes.txt");
  EXPECT_FALSE(SaveTextToFile(L"", L"x"));
  EXPECT_TRUE(SaveTextToFile(file, L"Line One"));               // the folders are made
  EXPECT_TRUE(SaveTextToFile(file, L"LINE ONE", false, true));  // already there, ignoring case
  EXPECT_EQ(ReadBytes(file), "Line One\r\n");
  EXPECT_TRUE(SaveTextToFile(file, L"Line", false, true));  // only part of a line: not a duplicate
  EXPECT_TRUE(SaveTextToFile(file, L"caf\u00e9 " + kCyrillic, false, true));
  EXPECT_TRUE(
      SaveTextToFile(file, L"caf\u00e9 " + kCyrillic, false, true));  // as the file spells it
  EXPECT_EQ(ReadBytes(file), "Line One\r\nLine\r\ncaf\xe9 ????\r\n");
  App_Proc* call = LumoLastCall(L"App_Common.SaveTextToFile");
  ASSERT_NE(call, nullptr);
  EXPECT_EQ(call->Vars_Function_Result(), L"Boolean=True");

  EXPECT_TRUE(SaveTextToFile(file, L"fresh", true));
  EXPECT_EQ(ReadBytes(file), "fresh\r\n");
  EXPECT_TRUE(SaveTextToFile(Path(kCJK + L".log"), L"", false, false, true));
  EXPECT_EQ(ReadBytes(Path(kCJK + L".log")), "\r\n");
  EXPECT_FALSE(SaveTextToFile(L"relative.txt", L"x"));

  // A locked file: the save fails and is repeated by the traced twin.
  fs_test::ExclusiveLock lock(Path(L"locked.log"));
  EXPECT_FALSE(SaveTextToFile(Path(L"locked.log"), L"x", false, false, true));
  EXPECT_NE(LumoLastCall(L"App_Debug.SaveTextToFile_Debug"), nullptr);
  EXPECT_TRUE(Logged(L"CreateFileW", L"App_Debug.SaveTextToFile_Debug"));
  EXPECT_EQ(LumoLastCall(L"App_Common.SaveTextToFile")->Vars_Function_Result(), L"Boolean=False");
}

TEST_F(FsTest, CloseFileNumLeavesTheOwnerEmpty) {
  WriteBytes(Path(L"c.txt"), "c");
  App_Handle h(
      ::CreateFileW(Path(L"c.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(h.Valid());
  CloseFileNum(h);
  EXPECT_FALSE(h.Valid());
  CloseFileNum(h);                               // closing an empty owner is harmless
  fs_test::ExclusiveLock again(Path(L"c.txt"));  // no handle is left open on it
  EXPECT_NE(again.h, INVALID_HANDLE_VALUE);
}

TEST_F(FsTest, GetFileVersionGivesThreeOrFourParts) {
  const std::wstring v = Path(L"v1207.exe");
  ASSERT_TRUE(MakeVersionedFile(v, 1, 2, 0, 7));
  EXPECT_EQ(GetFileVersion(v, true), L"1.2.7");
  EXPECT_EQ(GetFileVersion(v, false), L"1.2.0.7");
  EXPECT_EQ(LumoLastCall(L"App_FileSystem.GetFileVersion")->Vars_Function_Result(), L"sRet.String=1.2.0.7");
  const std::wstring w = Path(kCyrillic + L".exe");
  ASSERT_TRUE(MakeVersionedFile(w, 65535, 0, 65535, 65535));  // unsigned 16-bit parts
  EXPECT_EQ(GetFileVersion(w, true), L"65535.0.65535.65535");

  WriteBytes(Path(L"plain.txt"), "no resources");
  EXPECT_EQ(GetFileVersion(Path(L"plain.txt"), false), L"");
  EXPECT_TRUE(Logged(L"GetFileVersionInfoSizeW", L"App_FileSystem.GetFileVersion"));
  EXPECT_EQ(GetFileVersion(Path(L"missing.exe"), false), L"");
}

TEST_F(FsTest, GetFileWFADAndTheFileSystemName) {
  WIN32_FILE_ATTRIBUTE_DATA d{};
  EXPECT_FALSE(GetFileWFAD(Path(L"missing.txt"), d));
  EXPECT_TRUE(Logged(L"File does not exist!", L"App_FileSystem.GetFileWFAD"));
  WriteBytes(Path(L"five.txt"), "12345");
  ASSERT_TRUE(GetFileWFAD(Path(L"five.txt"), d));
  EXPECT_EQ(d.nFileSizeLow, 5u);
  EXPECT_EQ(d.nFileSizeHigh, 0u);
  EXPECT_EQ(d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_FALSE(GetFileWFAD(dir, d));  // a directory

  constexpr std::wstring_view kFS = L"App_FileSystem.GetFileSystemType_AsString";
  const std::wstring sys = GetFileSystemType_AsString();
  EXPECT_FALSE(sys.empty());
  EXPECT_EQ(sys.find(L'\0'), std::wstring::npos);
  EXPECT_EQ(GetFileSystemType_AsString(L"C"), GetFileSystemType_AsString(L"c:\\"));
  EXPECT_EQ(GetFileSystemType_AsString(L"C:"), GetFileSystemType_AsString(L"C"));
  EXPECT_EQ(GetFileSystemType_AsString(L"CX"), L"");
  EXPECT_TRUE(Logged(L"Invalid value passed as drive letter!", kFS));
  EXPECT_EQ(GetFileSystemType_AsString(L"1"), L"");
  EXPECT_EQ(GetFileSystemType_AsString(L"\\\\?\\C:\\"), L"");
  EXPECT_EQ(GetFileSystemType_AsString(L"Q"), L"");  // no such drive
  EXPECT_TRUE(Logged(L"GetVolumeInformationW", kFS));
}

TEST(Delay, WaitsAndHandlesWindowMessages) {
  LumoDebugFixtureState dbg;
  dbg.Reset();
  DWORD t0 = ::GetTickCount();
  Delay(0.3);
  const DWORD waited = ::GetTickCount() - t0;
  EXPECT_GE(waited, 290u);
  EXPECT_LT(waited, 1000u);
  t0 = ::GetTickCount();
  Delay(0);
  Delay(-5);
  Delay(std::nan(""));
  EXPECT_LT(::GetTickCount() - t0, 50u);

  MSG msg;
  ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the thread has a queue
  ASSERT_TRUE(::PostThreadMessageW(::GetCurrentThreadId(), WM_APP + 1, 0, 0));
  Delay(0.15);
  EXPECT_FALSE(::PeekMessageW(&msg, nullptr, WM_APP + 1, WM_APP + 1, PM_REMOVE));  // handled
  ::PostQuitMessage(7);
  Delay(0.15);
  ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));  // left for its owner
  EXPECT_EQ(msg.wParam, 7u);
}
