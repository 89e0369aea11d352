#include "fs/App_FileDates.h"

#include <cmath>

#include "diag/App_Trace.h"
#include "fs/App_FilePath.h"
#include "fs/App_FileSystem.h"
#include "util/App_Time.h"
#include "util/App_Variables.h"

namespace App_Time {

namespace {

// A date the date type can hold: 1 January 100 to 31 December 9999.
bool IsValidDate(double dDate) {
  return std::isfinite(dDate) && dDate >= -657434.0 && dDate < 2958466.0;
}

}  // namespace

bool GetFileDate_FromWFAD(const WIN32_FILE_ATTRIBUTE_DATA& wfad, double& dtReturn, std::wstring& sReturn,
                          int32_t FileDateType, bool bReturnAsUTC, std::wstring_view sFile) {
  App_Trace t(L"App_Time", L"GetFileDate_FromWFAD");
  t.Vars(vkPassedByVal, {L"FileDateType", FileDateType, L"bReturnAsUTC", bReturnAsUTC, L"sFile", sFile});
  bool bFailed = false;
  const bool bStepsDone = t.Step([&] {
    // The volume's file system: FAT keeps local times, NTFS UTC.
    std::wstring sDrive(sFile);
    App_FilePath::RemoveWideAPIFormatFromPath(sDrive);
    sDrive = sDrive.substr(0, 3);
    const bool bFileSystemTimeIsLocalTime =
        App_FileSystem::GetFileSystemType_AsString(sDrive).find(L"FAT") != std::wstring::npos;
    t.Vars(vkCreated, {L"bFileSystemTimeIsLocalTime", bFileSystemTimeIsLocalTime, L"sFile", sFile});

    FILETIME ft{};
    switch (FileDateType) {
      case fdtCreated:
        ft = wfad.ftCreationTime;
        break;
      case fdtModified:
        ft = wfad.ftLastWriteTime;
        break;
      case fdtAccessed:
        ft = wfad.ftLastAccessTime;
        break;
      default:
        break;  // a zero file time
    }
    // The system hands out file times in UTC on every file system: it
    // converts the local times FAT keeps on disk itself. Converting them
    // again would shift FAT times by the time-zone offset, so the volume's
    // kind is recorded for the trace only.
    const FILETIME ftUTC = ft;
    SYSTEMTIME stUTC{};
    const BOOL lAPIRet = ::FileTimeToSystemTime(&ftUTC, &stUTC);
    if (!lAPIRet) {
      t.APIError(L"FileTimeToSystemTime", pVar(L"lAPIRet", lAPIRet));
      bFailed = true;
    }
    if (bReturnAsUTC) {
      SystemTimeToDate(stUTC, dtReturn);
      sReturn = SystemTimeToDateString(stUTC);
    } else {
      SYSTEMTIME stLocal{};
      if (!SystemTimeUTC_To_SystemTimeLocal(stUTC, stLocal)) {
        t.Log(L"Failure in SystemTimeUTC_To_SystemTimeLocal");
        bFailed = true;
      }
      SystemTimeToDate(stLocal, dtReturn);
      sReturn = SystemTimeToDateString(stLocal);
    }
  });
  const bool result = bStepsDone && !bFailed;
  t.Vars(vkReturnedByRef, {L"dtReturn", App_Variant::Date(dtReturn), L"sReturn", sReturn});
  t.Vars(vkFunctionReturn, {result});
  return result;
}

double GetFileDate_FromWFAD_AsDate(const WIN32_FILE_ATTRIBUTE_DATA& wfad, int32_t FileDateType,
                                   bool bReturnAsUTC, std::wstring_view sFile) {
  App_Trace t(L"App_Time", L"GetFileDate_FromWFAD_AsDate");
  double dtReturn = 0;
  t.Step([&] {
    std::wstring sReturn;
    if (GetFileDate_FromWFAD(wfad, dtReturn, sReturn, FileDateType, bReturnAsUTC, sFile)) return;
    const std::wstring sVars = pVar(L"dtReturn", App_Variant::Date(dtReturn), L"sReturn", sReturn);
    if (!IsValidDate(dtReturn))
      t.Log(L"Error; file date returned from API is not valid!", evNormal, sVars);
    else
      t.Log(
          L"Warning; file date returned from API is valid, but it appears there was a failure in "
          L"function returning the system time structure of the file!",
          evNormal, sVars);
  });
  t.Vars(vkFunctionReturn, {App_Variant::Date(dtReturn)});
  return dtReturn;
}

bool GetFileDates_AsDate(std::wstring_view sFile, double& dtCreated_FileDate, double& dtAccessed_FileDate,
                         double& dtModified_FileDate, bool bReturnAsUTC) {
  App_Trace t(L"App_Time", L"GetFileDates_AsDate");
  t.Vars(vkPassedByVal, {L"sFile", sFile, L"bReturnAsUTC", bReturnAsUTC});
  bool result = false;
  t.Step([&] {
    WIN32_FILE_ATTRIBUTE_DATA wfad{};
    if (!App_FileSystem::GetFileWFAD(sFile, wfad)) {
      t.Log(L"Could not retrieve file attribute structure!", evNormal, pVar(L"sFile", sFile));
      return;
    }
    result = true;
    // The file name is not passed on: the local-time test looks at the
    // system drive.
    dtCreated_FileDate = GetFileDate_FromWFAD_AsDate(wfad, fdtCreated, bReturnAsUTC);
    dtAccessed_FileDate = GetFileDate_FromWFAD_AsDate(wfad, fdtAccessed, bReturnAsUTC);
    dtModified_FileDate = GetFileDate_FromWFAD_AsDate(wfad, fdtModified, bReturnAsUTC);
  });
  t.Vars(vkReturnedByRef, {L"dtCreated_FileDate", App_Variant::Date(dtCreated_FileDate),
                           L"dtAccessed_FileDate", App_Variant::Date(dtAccessed_FileDate),
                           L"dtModified_FileDate", App_Variant::Date(dtModified_FileDate)});
  t.Vars(vkFunctionReturn, {result});
  return result;
}

}  // namespace App_Time
