// File operations (module App_FileSystem).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace App_FileSystem {

// Text in the system's ANSI code page, as text files are written and read.
std::string WideToAnsi(std::wstring_view s);
std::wstring AnsiToWide(std::string_view s);

// True when the path names an existing directory.
bool DirExist(std::wstring_view sDir);
// True when the path names an existing file (not a directory).
bool FileExistNL(std::wstring_view sFile);

// Makes sure a directory exists, creating missing parents. An absolute path
// is required (a drive colon or a UNC "\\"). lFailReason receives the system
// error of a failed creation.
bool EnsureDirExists(std::wstring_view sDir, int32_t& lFailReason);

// The whole file as raw bytes; false when it cannot be opened or read.
bool ReadFileBytes(std::wstring_view sFile, std::string& sBytes);

}  // namespace App_FileSystem
