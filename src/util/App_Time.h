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
                           std::wstring_view sNonNumericCharReplacement = {},
                           bool bStripLeadingZeros = false, bool bYearFirst = false,
                           bool bIncludeTime = false, bool bIncludeTimeSeconds = false,
                           bool bUse24HourTime = false);

void SystemTimeToDate(const SYSTEMTIME& st, double& dDate);
std::wstring SystemTimeToDateString(const SYSTEMTIME& st);
bool SystemTimeUTC_To_SystemTimeLocal(const SYSTEMTIME& stUTC, SYSTEMTIME& stLocal);

// ---- file dates ----
// Which file time of the attribute data: 0 creation, 1 last write
// (modified), 2 last access; any other value converts a zero file time
// (1 January 1601 UTC).
enum App_FileDateType : int32_t { fdtCreated = 0, fdtModified = 1, fdtAccessed = 2 };

// One file time of the attribute data as a date and as its text
// ("yyyy/mm/dd hh:nn:ss AM/PM"), in UTC or in local time. On a volume whose
// file-system name contains "FAT" (sFile's drive, or the system drive when
// sFile is empty) the file time is taken as local time. False when a
// conversion failed (the outputs are then made from what was converted).
bool GetFileDate_FromWFAD(const WIN32_FILE_ATTRIBUTE_DATA& wfad, double& dtReturn,
                          std::wstring& sReturn, int32_t FileDateType, bool bReturnAsUTC,
                          std::wstring_view sFile = {});
// The date of GetFileDate_FromWFAD; a failure is logged.
double GetFileDate_FromWFAD_AsDate(const WIN32_FILE_ATTRIBUTE_DATA& wfad, int32_t FileDateType,
                                   bool bReturnAsUTC, std::wstring_view sFile = {});
// The creation, last-access and last-write dates of a file. False, with
// the three dates left as they were, when its attribute data cannot be read.
bool GetFileDates_AsDate(std::wstring_view sFile, double& dtCreated_FileDate,
                         double& dtAccessed_FileDate, double& dtModified_FileDate,
                         bool bReturnAsUTC);

}  // namespace App_Time
