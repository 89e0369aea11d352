// Path forms and path helpers (module App_FilePath): the extended-length form
// the wide file calls need and back, normalising paths the system hands
// back, classification, temporary files, write-access probing and the
// working directory.
#pragma once

#include <string>
#include <string_view>

namespace App_FilePath {

// Turns a path into the extended-length form for the wide file calls
// ("\\?\C:\dir", "\\?\UNC\srv\share") and appends a terminating NUL. A name
// without a backslash only gains the NUL. A path that is not fully qualified
// ("sub\x", "\x", "C:x", "C:\a\..\b") is first made full the way the plain
// wide calls would resolve it.
void PrepPathForUnicodeAPI(std::wstring& sPath, bool bAddTrailingBackslash = false);

// Normalises a path read back from the system or the registry: cut at NUL,
// trimmed, short (8.3) names expanded, the wide prefix removed, and a
// "\SystemRoot\" prefix replaced by the Windows folder.
void FixPathFromAPI(std::wstring& sPath);

// True for "\\?\...", "\??\...", "\\.\..." and "UNC\..." (leading blanks ignored).
bool IsWideAPIPathFormat(std::wstring_view sPath);
// "\\?\C:\x" becomes "C:\x", "\\?\UNC\srv\share" becomes "\\srv\share".
void RemoveWideAPIFormatFromPath(std::wstring& sPath);
// Expands short names ("PROGRA~1") of an existing path; leaves the path as
// it is (and logs the failure) when that cannot be done.
void MakeLongPath(std::wstring& sPath);

// A drive-qualified ("C:...") or UNC path; bFixPathFirst normalises a copy
// first. Both need a backslash in the path.
bool IsFullPath(std::wstring_view sPath, bool bFixPathFirst = false);
bool IsUNCPath(std::wstring_view sPath, bool bFixPathFirst = false);

// The path without its one trailing backslash; bTrimNull cuts it at its
// first NUL and trims it first.
std::wstring DirNoBS(std::wstring_view sPath, bool bTrimNull = false);

// True when a file can be created in sDir (a probe file is created and
// deleted again).
bool HasWriteAccess(std::wstring_view sDir);

// Creates an empty file with a unique name "qvt....tmp" in sAltPath, or in
// the user's temp folder when sAltPath is empty, and returns its full name;
// with bRemoveFileBeforeReturn the file is deleted again. Empty on failure.
std::wstring GetTempFile(std::wstring_view sAltPath = {}, bool bRemoveFileBeforeReturn = false,
                         bool bEnsurePathExists = false);

// Makes sPath the working directory.
bool SetCurrentDir(std::wstring_view sPath);

}  // namespace App_FilePath
