// Clock and date texts (module App_Time).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace App_Time {

// The time stamp of a log entry: "hh:nn:ss:mmm" and the number hhnnssmmm
// (with milliseconds), or "hh:nn:ss" and hhnnss.
void GetTimesForLog(std::wstring& sTime, int32_t& lTime, bool bWithMilliseconds);

std::wstring GetDateString(std::wstring_view sAltDate = {}, bool bReplaceNonNumericChars = false,
                           std::wstring_view sNonNumericCharReplacement = {}, bool bStripLeadingZeros = false,
                           bool bYearFirst = false, bool bIncludeTime = false,
                           bool bIncludeTimeSeconds = false, bool bUse24HourTime = false);

// The local date and time now, as a date value.
double NowAsDate();
void SystemTimeToDate(const SYSTEMTIME& st, double& dDate);
std::wstring SystemTimeToDateString(const SYSTEMTIME& st);
bool SystemTimeUTC_To_SystemTimeLocal(const SYSTEMTIME& stUTC, SYSTEMTIME& stLocal);

}  // namespace App_Time
