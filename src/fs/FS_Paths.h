// Path forms (module FS_Paths).
#pragma once

#include <string>

namespace FS_Paths {

// Turns a path into the extended-length form for the wide file calls
// ("\\?\C:\dir", "\\?\UNC\srv\share") and appends a terminating NUL. A name
// without a backslash only gains the NUL.
void PrepPathForUnicodeAPI(std::wstring& sPath, bool bAddTrailingBackslash = false);

}  // namespace FS_Paths
