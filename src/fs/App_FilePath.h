// Path forms (module App_FilePath).
#pragma once

#include <string>

namespace App_FilePath {

// Turns a path into the extended-length form for the wide file calls
// ("\\?\C:\dir", "\\?\UNC\srv\share") and appends a terminating NUL. A name
// without a backslash only gains the NUL.
void PrepPathForUnicodeAPI(std::wstring& sPath, bool bAddTrailingBackslash = false);

}  // namespace App_FilePath
