// File dates from the attribute data, on Wine's real file system.
#include "fs/App_FileDates.h"
#include "fs/App_FileSystem.h"
#include "fs_test_util.h"
#include "util/App_Dates.h"
#include "util/App_Time.h"

using namespace App_Time;
using fs_test::FsTest;
using fs_test::Logged;

namespace {

FILETIME FileTimeOf(int y, int mo, int d, int h, int mi, int s) {
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(y);
  st.wMonth = static_cast<WORD>(mo);
  st.wDay = static_cast<WORD>(d);
  st.wHour = static_cast<WORD>(h);
  st.wMinute = static_cast<WORD>(mi);
  st.wSecond = static_cast<WORD>(s);
  FILETIME ft{};
  ::SystemTimeToFileTime(&st, &ft);
  return ft;
}

double DateOf(int y, int mo, int d, int h, int mi, int s) {
  App_Dates::App_DateParts p;
  p.Year = y;
  p.Month = mo;
  p.Day = d;
  p.Hour = h;
  p.Minute = mi;
  p.Second = s;
  return App_Dates::DateFromParts(p);
}

// The local-time value of a UTC moment, as this machine's zone gives it.
double LocalDateOf(const FILETIME& utc) {
  SYSTEMTIME st{}, loc{};
  ::FileTimeToSystemTime(&utc, &st);
  ::SystemTimeToTzSpecificLocalTime(nullptr, &st, &loc);
  return DateOf(loc.wYear, loc.wMonth, loc.wDay, loc.wHour, loc.wMinute, loc.wSecond);
}

}  // namespace

TEST_F(FsTest, FileDatesReadTheThreeTimesOfAFile) {
  const std::wstring file = Path(L"dated.txt");
  fs_test::WriteBytes(file, "x");
  const FILETIME accessed = FileTimeOf(2022, 6, 30, 23, 59, 58);
  const FILETIME modified = FileTimeOf(2023, 12, 31, 0, 0, 1);
  HANDLE h =
      ::CreateFileW(file.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(::SetFileTime(h, nullptr, &accessed, &modified));
  ::CloseHandle(h);
  // Wine's file system keeps no creation time of its own: whatever it reports.
  WIN32_FILE_ATTRIBUTE_DATA raw{};
  ASSERT_TRUE(::GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &raw));
  SYSTEMTIME cst{};
  ::FileTimeToSystemTime(&raw.ftCreationTime, &cst);

  double dc = 0, da = 0, dm = 0;
  ASSERT_TRUE(GetFileDates_AsDate(file, dc, da, dm, true));
  EXPECT_EQ(dc, DateOf(cst.wYear, cst.wMonth, cst.wDay, cst.wHour, cst.wMinute, cst.wSecond));
  EXPECT_EQ(da, DateOf(2022, 6, 30, 23, 59, 58));
  EXPECT_EQ(dm, DateOf(2023, 12, 31, 0, 0, 1));
  ASSERT_TRUE(GetFileDates_AsDate(file, dc, da, dm, false));
  EXPECT_EQ(da, LocalDateOf(accessed));
  EXPECT_EQ(dm, LocalDateOf(modified));
  // The volume (NTFS under Wine) keeps UTC: no local-time correction.
  App_Proc* call = LumoLastCall(L"App_Time.GetFileDate_FromWFAD");
  ASSERT_NE(call, nullptr);
  EXPECT_NE(call->Vars_Created().find(L"bFileSystemTimeIsLocalTime.Boolean=False"),
            std::wstring::npos);
  EXPECT_EQ(call->Vars_Function_Result(), L"Boolean=True");
}

TEST_F(FsTest, FileDateTypesPickTheirTimeAndText) {
  WIN32_FILE_ATTRIBUTE_DATA wfad{};
  wfad.ftCreationTime = FileTimeOf(2021, 1, 5, 13, 7, 9);
  wfad.ftLastAccessTime = FileTimeOf(2022, 6, 30, 23, 59, 58);
  wfad.ftLastWriteTime = FileTimeOf(2023, 12, 31, 0, 0, 1);
  const std::wstring file = Path(L"any.txt");
  double dt = 0;
  std::wstring s;
  EXPECT_TRUE(GetFileDate_FromWFAD(wfad, dt, s, fdtCreated, true, file));
  EXPECT_EQ(dt, DateOf(2021, 1, 5, 13, 7, 9));
  EXPECT_EQ(s, L"2021/01/05 01:07:09 PM");
  EXPECT_TRUE(GetFileDate_FromWFAD(wfad, dt, s, fdtModified, true, L"\\\\?\\" + file));
  EXPECT_EQ(s, L"2023/12/31 12:00:01 AM");
  EXPECT_TRUE(GetFileDate_FromWFAD(wfad, dt, s, fdtAccessed, true, L""));
  EXPECT_EQ(s, L"2022/06/30 11:59:58 PM");
  App_Proc* call = LumoLastCall(L"App_Time.GetFileDate_FromWFAD");
  ASSERT_NE(call, nullptr);
  EXPECT_NE(call->Vars_Returned_ByRef().find(L"sReturn.String=2022/06/30 11:59:58 PM"),
            std::wstring::npos);
  EXPECT_EQ(GetFileDate_FromWFAD_AsDate(wfad, fdtModified, false, file),
            LocalDateOf(wfad.ftLastWriteTime));
}

TEST_F(FsTest, FileDatesOfOtherTypesBadTimesAndMissingFiles) {
  WIN32_FILE_ATTRIBUTE_DATA wfad{};
  wfad.ftCreationTime = FileTimeOf(2021, 1, 5, 13, 7, 9);
  double dt = -1;
  std::wstring s;
  // A type outside 0 to 2 converts a zero file time: 1 January 1601 UTC.
  EXPECT_TRUE(GetFileDate_FromWFAD(wfad, dt, s, 7, true, L""));
  EXPECT_EQ(dt, DateOf(1601, 1, 1, 0, 0, 0));
  EXPECT_EQ(s, L"1601/01/01 12:00:00 AM");
  EXPECT_EQ(GetFileDate_FromWFAD_AsDate(wfad, -1, true), DateOf(1601, 1, 1, 0, 0, 0));

  // A file time no system time can hold: failure, and the date is no date.
  wfad.ftLastWriteTime.dwHighDateTime = 0xFFFFFFFF;
  wfad.ftLastWriteTime.dwLowDateTime = 0xFFFFFFFF;
  EXPECT_FALSE(GetFileDate_FromWFAD(wfad, dt, s, fdtModified, true, L""));
  EXPECT_TRUE(Logged(L"FileTimeToSystemTime", L"App_Time.GetFileDate_FromWFAD"));
  GetFileDate_FromWFAD_AsDate(wfad, fdtModified, true);
  EXPECT_TRUE(Logged(L"Error; file date returned from API is not valid!",
                     L"App_Time.GetFileDate_FromWFAD_AsDate"));

  // A missing file leaves the caller's dates as they were.
  double dc = 1.5, da = 2.5, dm = 3.5;
  EXPECT_FALSE(GetFileDates_AsDate(Path(L"missing.txt"), dc, da, dm, true));
  EXPECT_EQ(dc, 1.5);
  EXPECT_EQ(da, 2.5);
  EXPECT_EQ(dm, 3.5);
  EXPECT_TRUE(
      Logged(L"Could not retrieve file attribute structure!", L"App_Time.GetFileDates_AsDate"));
  EXPECT_FALSE(GetFileDates_AsDate(L"C:\\" + std::wstring(32764, L'q'), dc, da, dm, false));
  EXPECT_EQ(dc, 1.5);
}
