// File dates of module App_Time: the dates of a file's attribute data, in
// the file-system room since they ask the volume and read the file.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace App_Time {

// Which file time of the attribute data: 0 creation, 1 last write
// (modified), 2 last access; any other value converts a zero file time
// (1 January 1601 UTC).
enum App_FileDateType : int32_t { fdtCreated = 0, fdtModified = 1, fdtAccessed = 2 };

// One file time of the attribute data as a date and as its text
// ("yyyy/mm/dd hh:nn:ss AM/PM"), in UTC or in local time. On a volume whose
// file-system name contains "FAT" (sFile's drive, or the system drive when
// sFile is empty) the file time is taken as local time. False when a
// conversion failed (the outputs are then made from what was converted).
bool GetFileDate_FromWFAD(const WIN32_FILE_ATTRIBUTE_DATA& wfad, double& dtReturn, std::wstring& sReturn,
                          int32_t FileDateType, bool bReturnAsUTC, std::wstring_view sFile = {});
// The date of GetFileDate_FromWFAD; a failure is logged.
double GetFileDate_FromWFAD_AsDate(const WIN32_FILE_ATTRIBUTE_DATA& wfad, int32_t FileDateType,
                                   bool bReturnAsUTC, std::wstring_view sFile = {});
// The creation, last-access and last-write dates of a file. False, with
// the three dates left as they were, when its attribute data cannot be read.
bool GetFileDates_AsDate(std::wstring_view sFile, double& dtCreated_FileDate, double& dtAccessed_FileDate,
                         double& dtModified_FileDate, bool bReturnAsUTC);

}  // namespace App_Time
