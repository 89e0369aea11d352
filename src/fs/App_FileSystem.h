// File operations (module App_FileSystem): existence tests, directory
// creation, deletion, whole text files in and out, version numbers and file
// attribute data.
//
// Every routine hands the system an extended-length path
// (App_FilePath::PrepPathForUnicodeAPI) and makes its path-based system calls
// with the WOW64 file-system redirection switched off (RedirGuarded).
// Text files are in the system's ANSI code page with CR LF line ends and no
// byte-order mark. Nothing throws: failures come back as false or an empty
// string, with the reason in sErrorMsg / lFailReason and in the debug log.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/App_FSRedir.h"
#include "util/App_Handle.h"

namespace App_FileSystem {

// The largest file GetFileToString reads (64 MB): text and configuration
// files are far smaller, and a 32-bit process must hold the bytes and their
// UTF-16 form at once.
inline constexpr int64_t MaxTextFileBytes = 64LL * 1024 * 1024;

// Runs one path-based system call with the redirection switched off and
// keeps the call's last error past the guard's own calls, so that an
// APIError logged right afterwards reports the call's error.
template <class F>
auto RedirGuarded(F&& f) -> decltype(f()) {
  DWORD lErr = 0;
  decltype(f()) r{};
  {
    App_FSRedirGuard guard;
    r = f();
    lErr = ::GetLastError();
  }
  ::SetLastError(lErr);
  return r;
}

// ---- existence ----
// True for an existing file (not a directory). A name shorter than 4
// characters or without a backslash is "Path not found!". With
// bEnsureNonZeroByte an empty file is "Zero Byte File!". A file that another
// process holds open without sharing exists.
bool FileExist(std::wstring_view sFile, bool bEnsureNonZeroByte, std::wstring& sErrorMsg);
bool FileExist(std::wstring_view sFile, bool bEnsureNonZeroByte = false);
// The same test, untraced and without the name checks.
bool FileExistNL(std::wstring_view sFile);
// p: a prepared, NUL-terminated path. True for a file; true on a sharing
// violation (the file exists but is locked).
bool FileExistByStringPointer(const wchar_t* p);
// True for a file or a directory; Obj_Is_Dir tells which (left unchanged on
// a sharing violation).
bool FSObjectExistByStringPointer(const wchar_t* lStringPointer, bool& Obj_Is_Dir);
bool DirExist(std::wstring_view sDir);

// ---- directories and deletion ----
// Makes sure a directory exists, creating missing parents. An absolute path
// is required (a drive colon or a UNC "\\"). A file of the same name is
// deleted first. lFailReason receives the system error of a failed creation.
bool EnsureDirExists(std::wstring_view sDir, int32_t& lFailReason);
bool EnsureDirExists(std::wstring_view sDir);
// Creates destDir level by level with CreateDirectoryW ("C:\a\b" or
// "\\srv\share\a\b"); an empty level ("C:\a\\b") ends the walk. True when
// destDir exists afterwards.
bool CreateDirW(std::wstring_view destDir, int32_t& lFailReason);
// True when the file was deleted or does not exist (any more).
bool FileDelete(std::wstring_view sFile);

// ---- text files ----
// The whole file as text. bSequentialRead reads it line by line (CR LF, LF
// or CR end a line) and joins the lines with CR LF, without a line break
// after the last one; otherwise the text is the file as it is. Without
// bSkipFileExistCheck a missing or empty file is refused first. A file of
// more than MaxTextFileBytes or with NUL bytes (not a text file) gives an
// empty string and sErrorMsg.
std::wstring GetFileToString(std::wstring_view sFile, bool bSequentialRead, std::wstring& sErrorMsg,
                             bool bSkipFileExistCheck = false);
// The file split at sSplitByChr. With CR LF as the delimiter, lone LFs count
// as line ends too. lUBoundArray is the last index (-1 for no elements).
bool GetFileToArray2(std::wstring_view sFile, std::vector<std::wstring>& arr, std::wstring_view sSplitByChr,
                     bool bSequentialRead, int32_t& lUBoundArray, std::wstring& sErrorMsg,
                     bool bFailOnEmptyStringArray, bool bSkipFileExistCheck = false);
// Writes sText and CR LF: replacing the file with bOverwrite, else
// appending. With bNoDuplicates nothing is appended when a line (or run of
// lines) equal to sText, ignoring case, is already in the file. A save that
// fails is repeated by App_Debug::SaveTextToFile_Debug, which logs each step.
bool SaveTextToFile(std::wstring_view sFile, std::wstring_view sText, bool bOverwrite = false,
                    bool bNoDuplicates = false, bool bSkipEnsureDir = false);
// Opens a file for appending, shared for reading and writing, creating it
// when missing: any length of path, and the real System32 for a 32-bit
// process on 64-bit Windows. INVALID_HANDLE_VALUE when it cannot. The debug
// log is opened through it.
void* OpenForAppend(const std::wstring& sPath);
// Closes an open file and leaves the owner empty (also when closing fails).
void CloseFileNum(App_Handle& hFile);
// The whole file as raw bytes; false when it cannot be opened or read.
bool ReadFileBytes(std::wstring_view sFile, std::string& sBytes);

// ---- file facts ----
// "major.minor.build.revision", or "major.minor.revision" when
// bThreePartsIfNoBuild and the build is 0; empty without a version resource.
std::wstring GetFileVersion(std::wstring_view sFile, bool bThreePartsIfNoBuild = false);
// Attributes, times and size of an existing file.
bool GetFileWFAD(std::wstring_view sFile, WIN32_FILE_ATTRIBUTE_DATA& data);
// "NTFS", "FAT32", ... of the volume of a drive letter ("C", "C:", "C:\");
// empty means the system drive. Empty result on failure.
std::wstring GetFileSystemType_AsString(std::wstring_view sDriveLetter = {});

// Waits, handling this thread's window messages every 100 ms.
void Delay(double pdblSeconds);

}  // namespace App_FileSystem

namespace App_Debug {

// The traced twin of the text-file writer (module App_Debug): repeats a
// failed save with every step logged.
bool SaveTextToFile_Debug(std::wstring_view sFile, std::wstring_view sText, bool bOverwrite,
                          bool bNoDuplicates, bool bSkipFolderCheck);

}  // namespace App_Debug
