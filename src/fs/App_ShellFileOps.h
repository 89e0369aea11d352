// Shell file operations (SHFileOperationW) of module App_Common: copying,
// moving, renaming and deleting through the shell.
#pragma once

#include <cstdint>
#include <string_view>

namespace App_Common {

// Shell file operation codes (the SHFileOperationW functions).
enum ShellOperationEnum : int32_t { soMove = 1, soCopy = 2, soDelete = 3, soRename = 4 };

// Deletes a file or folder through the shell: without confirmation
// (bNoConfirm), into the recycle bin (bRecycle), without progress or error
// boxes (bInvisiblePlusNoErrors). True when nothing was aborted.
bool ShellDelete(std::wstring_view sObject, bool bNoConfirm, bool bRecycle, bool bInvisiblePlusNoErrors);
// One shell file operation on one object (cut at its first NUL), with the
// operation flags lFlags (16 bits); sObjectDest is empty for a delete.
bool ShellOperation(int32_t eShellOperation, int32_t lFlags, std::wstring_view sObject,
                    std::wstring_view sObjectDest);

}  // namespace App_Common
