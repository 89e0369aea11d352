// Date values and texts, the log time stamp and the system-time routines.
#include <gtest/gtest.h>

#include <cwctype>

#include "lumo_test.h"
#include "util/App_Dates.h"
#include "util/App_Time.h"

using App_Dates::App_DateParts;
using App_Dates::DateFromParts;
using App_Dates::GeneralDateText;
using App_Dates::ParseDate;
using App_Dates::PartsFromDate;

namespace {

const double kJan5 = 44201.0 + 47229.0 / 86400.0;  // 5 January 2021, 13:07:09

// The parts of a date value as "yyyy-mm-dd hh:nn:ss", built here without FormatDate.
std::wstring PartsText(double d) {
  const App_DateParts p = PartsFromDate(d);
  wchar_t buf[40];
  swprintf(buf, 40, L"%04d-%02d-%02d %02d:%02d:%02d", p.Year, p.Month, p.Day, p.Hour, p.Minute,
           p.Second);
  return buf;
}

SYSTEMTIME Sys(WORD y, WORD m, WORD d, WORD h, WORD n, WORD s, WORD ms = 0) {
  return SYSTEMTIME{y, m, 3, d, h, n, s, ms};
}

}  // namespace

TEST(AppDates, SerialNumbersAroundTheEpoch) {
  EXPECT_EQ(DateFromParts({1899, 12, 30}), 0.0);
  EXPECT_EQ(DateFromParts({1900, 3, 1}), 61.0);  // 1900 has no 29 February
  EXPECT_EQ(DateFromParts({2021, 1, 5, 13, 7, 9}), kJan5);
  EXPECT_EQ(DateFromParts({1800, 1, 1}), -36522.0);
  // Before the epoch the whole days count back while the time still counts forward.
  EXPECT_EQ(DateFromParts({1899, 12, 29, 6}), -1.25);
  EXPECT_EQ(PartsText(-1.25), L"1899-12-29 06:00:00");
  EXPECT_EQ(PartsText(-0.25), L"1899-12-30 06:00:00");
  // Parts out of range carry over.
  EXPECT_EQ(DateFromParts({2021, 13, 1}), DateFromParts({2022, 1, 1}));
  EXPECT_EQ(DateFromParts({2021, 3, 0}), DateFromParts({2021, 2, 28}));
  EXPECT_EQ(DateFromParts({2021, 1, 5, 24}), DateFromParts({2021, 1, 6}));
  // Rounding to the second can reach the next midnight, on both sides of the epoch.
  EXPECT_EQ(PartsText(1.999999999), L"1900-01-01 00:00:00");
  EXPECT_EQ(PartsText(-1.999999999), L"1899-12-30 00:00:00");
  EXPECT_EQ(PartsText(kJan5 + 0.6 / 86400), L"2021-01-05 13:07:10");
}

TEST(AppDates, RoundTripsIncludingLeapDaysAndOldDates) {
  const App_DateParts cases[] = {
      {2000, 2, 29, 23, 59, 59}, {2024, 2, 29}, {1600, 2, 29, 12},
      {1896, 2, 29, 1, 2, 3},    {100, 1, 1},   {9999, 12, 31, 23, 59, 59},
      {1899, 12, 29, 23, 59, 59}};
  for (const App_DateParts& p : cases) {
    const double d = DateFromParts(p);
    EXPECT_EQ(DateFromParts(PartsFromDate(d)), d) << p.Year;
    EXPECT_EQ(ParseDate(GeneralDateText(d)), d) << GeneralDateText(d);
  }
  // Every 97th day from 1 January 100 to 31 December 9999: valid, ascending, and back.
  std::wstring previous;
  for (int32_t day = -657434; day <= 2958465; day += 97) {
    const std::wstring text = PartsText(day);
    ASSERT_GT(text, previous);
    ASSERT_EQ(ParseDate(text.substr(0, 10)), static_cast<double>(day)) << text;
    previous = text;
  }
  EXPECT_EQ(PartsText(-657434), L"0100-01-01 00:00:00");
  EXPECT_EQ(PartsText(2958465), L"9999-12-31 00:00:00");
}

TEST(AppDates, FormatsAndGeneralText) {
  EXPECT_EQ(GeneralDateText(kJan5), L"1/5/2021 1:07:09 PM");
  EXPECT_EQ(GeneralDateText(44201.0), L"1/5/2021");
  EXPECT_EQ(GeneralDateText(0.5), L"12:00:00 PM");
  EXPECT_EQ(GeneralDateText(0.0), L"12:00:00 AM");
  EXPECT_EQ(GeneralDateText(-1.25), L"12/29/1899 6:00:00 AM");
  EXPECT_EQ(App_Dates::FormatDate(DateFromParts({2021, 1, 5, 0, 30}), L"hh:nn AM/PM"), L"12:30 AM");
  EXPECT_EQ(App_Dates::FormatDate(0.5, L"h:nn am/pm"), L"12:00 pm");
  EXPECT_EQ(App_Dates::FormatDate(kJan5, L"yyyy-mm-dd hh:nn:ss [d.m.yy]"),
            L"2021-01-05 13:07:09 [5.1.21]");
}

TEST(AppDates, ParseAcceptsCommonForms) {
  for (const wchar_t* s : {L"1/5/2021", L"01/05/2021", L"2021-01-05", L"2021.1.5"})
    EXPECT_EQ(ParseDate(s), 44201.0) << s;
  for (const wchar_t* s :
       {L"2021/01/05 13:07:09", L"1/5/2021 1:07:09 PM", L" 1/5/2021  1:07:09pm "})
    EXPECT_EQ(ParseDate(s), kJan5) << s;
  EXPECT_EQ(ParseDate(L"13:07"), 47220.0 / 86400.0);
  EXPECT_EQ(ParseDate(L"12:00 AM"), 0.0);
  EXPECT_EQ(ParseDate(L"12:00 PM"), 0.5);
  EXPECT_EQ(ParseDate(L"2/29/2020"), DateFromParts({2020, 2, 29}));
  EXPECT_EQ(ParseDate(L"12/31/1850 6:00 AM"), DateFromParts({1850, 12, 31, 6}));
}

TEST(AppDates, ParseRejectsWhatIsNotADate) {
  // clang-format off
  for (const wchar_t* s :
       {L"not a date", L"", L"   ", L"13/45/2021", L"13/5/2021", L"0/5/2021", L"4/31/2021",
        L"2/29/2021", L"2/29/1900", L"1/5/21", L"1/5-2021", L"1/5/2021x", L"1/5/20210",
        L"2021/1/5/3", L"0099/01/01", L"24:00", L"12:60", L"1:00:60", L"0:30 AM", L"13:07 PM",
        L"13", L":30", L"1/5/2021 1:07 XM", L"1/5/20211:07", L"2021-01-05T13:07:09"})
    // clang-format on
    EXPECT_FALSE(ParseDate(s).has_value()) << s;
}

TEST(AppTime, GetDateStringExamples) {
  using App_Time::GetDateString;
  for (const wchar_t* when : {L"1/5/2021 1:07:09 PM", L"2021/01/05 13:07:09"}) {
    EXPECT_EQ(GetDateString(when), L"01/05/2021");
    EXPECT_EQ(GetDateString(when, false, L"", false, true), L"2021/01/05");
    EXPECT_EQ(GetDateString(when, false, L"", false, true, true, true), L"2021/01/05 01:07:09 PM");
    EXPECT_EQ(GetDateString(when, false, L"", false, true, true, true, true),
              L"2021/01/05 13:07:09");
    EXPECT_EQ(GetDateString(when, true, L"-", false, true), L"2021-01-05");
    EXPECT_EQ(GetDateString(when, false, L"", true), L"1/5/2021");
    EXPECT_EQ(GetDateString(when, false, L"", true, false, true), L"1/5/2021 1:07 PM");
  }
  EXPECT_EQ(GetDateString(L"1/5/2021 9:05", false, L"", true, false, true, false, true),
            L"1/5/2021 9:05");
  EXPECT_EQ(GetDateString(L"1/5/2021 0:05", false, L"", false, false, true),
            L"01/05/2021 12:05 AM");
  EXPECT_EQ(GetDateString(L"1/5/2021 1:07:09 PM", true, L"", false, true, true, true),
            L"20210105010709");  // an empty replacement removes
  EXPECT_EQ(GetDateString(L"not a date"), L"");
  EXPECT_EQ(GetDateString(L"13/45/2021", false, L"", false, true, true), L"");

  SYSTEMTIME before{}, after{};
  ::GetLocalTime(&before);
  const std::wstring today = GetDateString(L"", false, L"", false, true);
  ::GetLocalTime(&after);
  wchar_t b[16], a[16];
  swprintf(b, 16, L"%04u/%02u/%02u", before.wYear, before.wMonth, before.wDay);
  swprintf(a, 16, L"%04u/%02u/%02u", after.wYear, after.wMonth, after.wDay);
  EXPECT_TRUE(today == b || today == a) << today;
}

TEST(AppTime, GetTimesForLogTextMatchesNumber) {
  for (bool ms : {true, false}) {
    std::wstring text;
    int32_t number = -1;
    App_Time::GetTimesForLog(text, number, ms);
    ASSERT_EQ(text.size(), ms ? 12u : 8u) << text;
    std::wstring digits;
    for (size_t i = 0; i < text.size(); ++i) {
      if (i == 2 || i == 5 || i == 8)
        EXPECT_EQ(text[i], L':') << text;
      else
        digits += text[i];
    }
    ASSERT_EQ(digits.find_first_not_of(L"0123456789"), std::wstring::npos) << text;
    EXPECT_EQ(number, std::stoi(digits)) << text;  // leading zeros dropped: 00:00:00:007 is 7
    EXPECT_LE(std::stoi(text.substr(0, 2)), 23);
  }
}

TEST(AppTime, SystemTimeToDateAndString) {
  LumoDebugFixtureState dbg;
  dbg.Reset();
  double date = -1;
  App_Time::SystemTimeToDate(Sys(2021, 1, 5, 13, 7, 9, 999), date);
  EXPECT_EQ(date, kJan5);  // milliseconds are ignored
  App_Time::SystemTimeToDate(Sys(1601, 1, 1, 0, 0, 0), date);
  EXPECT_EQ(date, DateFromParts({1601, 1, 1}));

  EXPECT_EQ(App_Time::SystemTimeToDateString(Sys(2021, 1, 5, 13, 7, 9, 500)),
            L"2021/01/05 01:07:09 PM");
  App_Proc* p = LumoLastCall(L"App_Time.SystemTimeToDateString");
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->Vars_Function_Result(), L"String=2021/01/05 01:07:09 PM");
  EXPECT_EQ(App_Time::SystemTimeToDateString(Sys(2021, 1, 5, 0, 0, 0)), L"2021/01/05 12:00:00 AM");
  EXPECT_EQ(App_Time::SystemTimeToDateString(Sys(1601, 1, 1, 12, 0, 0)), L"1601/01/01 12:00:00 PM");
}

TEST(AppTime, UtcToLocal) {
  LumoDebugFixtureState dbg;
  dbg.Reset();
  const SYSTEMTIME utc = Sys(2021, 7, 15, 10, 30, 0);
  SYSTEMTIME local{}, expected{};
  ASSERT_TRUE(App_Time::SystemTimeUTC_To_SystemTimeLocal(utc, local));
  ASSERT_TRUE(::SystemTimeToTzSpecificLocalTime(nullptr, &utc, &expected));
  EXPECT_EQ(local.wDay * 10000 + local.wHour * 100 + local.wMinute,
            expected.wDay * 10000 + expected.wHour * 100 + expected.wMinute);
  EXPECT_EQ(LumoLastCall(L"App_Time.SystemTimeUTC_To_SystemTimeLocal")->EventCount_APIErrors(), 0);

  // A month that does not exist: the conversion fails and is logged with its result.
  EXPECT_FALSE(App_Time::SystemTimeUTC_To_SystemTimeLocal(Sys(2021, 13, 1, 0, 0, 0), local));
  App_Proc* p = LumoLastCall(L"App_Time.SystemTimeUTC_To_SystemTimeLocal");
  ASSERT_EQ(p->EventCount_APIErrors(), 1);
  for (const App_ProcEvent& e : p->NewEnum()) {
    if (e.EventType != evAPIError) continue;
    EXPECT_EQ(e.EventInfo, L"SystemTimeToTzSpecificLocalTime");
    EXPECT_EQ(e.EventVariables, L"lAPIRet.LongInteger=0");
    EXPECT_NE(e.Error_API_Number, 0);
  }
}
