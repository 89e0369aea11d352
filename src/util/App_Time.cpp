#include "util/App_Time.h"

#include <cmath>
#include <optional>

#include "diag/App_Trace.h"
#include "util/App_Dates.h"
#include "util/App_Strings.h"
#include "util/App_Variables.h"

namespace App_Time {
namespace {

std::wstring Pad(int n, size_t width) {
  std::wstring s = std::to_wstring(n);
  if (s.size() < width) s.insert(0, width - s.size(), L'0');
  return s;
}

// The date text of GetDateString for a date value, before any replacing of
// the non-numeric characters.
std::wstring DateText(double dDate, bool bStripLeadingZeros, bool bYearFirst, bool bIncludeTime,
                      bool bIncludeTimeSeconds, bool bUse24HourTime) {
  std::wstring timePart;
  if (bIncludeTime) {
    std::wstring pattern = bStripLeadingZeros ? L"h:nn" : L"hh:nn";
    if (bIncludeTimeSeconds) pattern += L":ss";
    if (!bUse24HourTime) pattern += L" AM/PM";
    timePart = L" " + App_Dates::FormatDate(dDate, pattern);
  }
  const wchar_t* datePattern = bYearFirst ? (bStripLeadingZeros ? L"yyyy/m/d" : L"yyyy/mm/dd")
                                          : (bStripLeadingZeros ? L"m/d/yyyy" : L"mm/dd/yyyy");
  return App_Dates::FormatDate(dDate, datePattern) + timePart;
}

double DateOfSystemTime(const SYSTEMTIME& st) {
  App_Dates::App_DateParts p;
  p.Year = st.wYear;
  p.Month = st.wMonth;
  p.Day = st.wDay;
  p.Hour = st.wHour;
  p.Minute = st.wMinute;
  p.Second = st.wSecond;
  return App_Dates::DateFromParts(p);
}


// GetTimeZoneInformationForYear exists from Windows Vista on; the program
// also runs on XP, so it is looked up rather than imported. The dynamic
// zone argument is always null here, hence the untyped pointer.
using GetTZIForYearFn = BOOL(WINAPI*)(USHORT, void*, LPTIME_ZONE_INFORMATION);

GetTZIForYearFn TZIForYearFunction() {
  static const GetTZIForYearFn fn = [] {
    HMODULE k32 = ::GetModuleHandleW(L"kernel32.dll");
    return k32 ? reinterpret_cast<GetTZIForYearFn>(
                     reinterpret_cast<void*>(::GetProcAddress(k32, "GetTimeZoneInformationForYear")))
               : nullptr;
  }();
  return fn;
}

}  // namespace

void GetTimesForLog(std::wstring& sTime, int32_t& lTime, bool bWithMilliseconds) {
  SYSTEMTIME st{};
  ::GetLocalTime(&st);
  const int32_t hms = st.wHour * 10000 + st.wMinute * 100 + st.wSecond;
  try {
    sTime = Pad(st.wHour, 2) + L":" + Pad(st.wMinute, 2) + L":" + Pad(st.wSecond, 2);
    if (bWithMilliseconds) sTime += L":" + Pad(st.wMilliseconds, 3);
  } catch (...) {
    // Out of memory: the text stays as it was; the number is still given.
  }
  lTime = bWithMilliseconds ? hms * 1000 + st.wMilliseconds : hms;
}

std::wstring GetDateString(std::wstring_view sAltDate, bool bReplaceNonNumericChars,
                           std::wstring_view sNonNumericCharReplacement, bool bStripLeadingZeros,
                           bool bYearFirst, bool bIncludeTime, bool bIncludeTimeSeconds,
                           bool bUse24HourTime) {
  try {
    double date = 0.0;
    if (sAltDate.empty()) {
      date = NowAsDate();
    } else if (const std::optional<double> parsed = App_Dates::ParseDate(sAltDate)) {
      date = *parsed;
    } else {
      return L"";
    }
    std::wstring text =
        DateText(date, bStripLeadingZeros, bYearFirst, bIncludeTime, bIncludeTimeSeconds, bUse24HourTime);
    if (bReplaceNonNumericChars)
      text = App_Strings::StripNonNumericValuesFromTimeDateString(text, sNonNumericCharReplacement);
    return text;
  } catch (...) {
    return L"";
  }
}

double NowAsDate() {
  SYSTEMTIME st{};
  ::GetLocalTime(&st);
  return DateOfSystemTime(st);
}

void SystemTimeToDate(const SYSTEMTIME& st, double& dDate) {
  App_Trace t(L"App_Time", L"SystemTimeToDate", ptSub);
  t.Step([&] { dDate = DateOfSystemTime(st); });
}

std::wstring SystemTimeToDateString(const SYSTEMTIME& st) {
  App_Trace t(L"App_Time", L"SystemTimeToDateString");
  std::wstring result;
  // The same text as GetDateString with the year first and the time with
  // seconds, made from the date value itself rather than from its text.
  t.Step([&] { result = DateText(DateOfSystemTime(st), false, true, true, true, false); });
  t.Vars(vkFunctionReturn, {result});
  return result;
}

bool SystemTimeUTC_To_SystemTimeLocal(const SYSTEMTIME& stUTC, SYSTEMTIME& stLocal) {
  App_Trace t(L"App_Time", L"SystemTimeUTC_To_SystemTimeLocal");
  bool ok = false;
  t.Step([&] {
    TIME_ZONE_INFORMATION tzi{};
    const TIME_ZONE_INFORMATION* zone = &tzi;
    if (GetTZIForYearFn forYear = TZIForYearFunction()) {
      // The rules of the year of the given time (daylight-saving dates move).
      if (!forYear(stUTC.wYear, nullptr, &tzi)) {
        t.APIError(L"GetTimeZoneInformationForYear", pVar(L"wYear", stUTC.wYear));
        zone = nullptr;  // the zone in effect now
      }
    } else if (::GetTimeZoneInformation(&tzi) == TIME_ZONE_ID_INVALID) {
      t.APIError(L"GetTimeZoneInformation");
      zone = nullptr;
    }
    const BOOL lAPIRet = ::SystemTimeToTzSpecificLocalTime(zone, &stUTC, &stLocal);
    if (!lAPIRet) {
      t.APIError(L"SystemTimeToTzSpecificLocalTime", pVar(L"lAPIRet", lAPIRet));
      return;
    }
    ok = true;
  });
  return ok;
}

}  // namespace App_Time
