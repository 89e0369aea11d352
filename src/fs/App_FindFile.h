// Finding one file by mask below a folder (module App_FilePath): the search
// the launcher uses to locate the portable browser's executable.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace App_FilePath {

// Searches for sPathFileMask ("C:\Kit\Tools\*.exe", "Sub\app.exe", "app.exe")
// and returns one match chosen by ResultSelector (0 first, 1 last, 2 newest;
// see FS_DirList::GetSingleFileResult), or "" when nothing matches or the
// search cannot start.
//
// The search root is sAltSearchPath when it names an existing folder (with a
// relative folder part of the mask appended when that folder exists below
// it; otherwise the whole root is searched and only hits inside a folder of
// that relative part count), else the mask's own folder, which must then be
// a full, existing path. RecursionLevel: 0 only the root, N levels below it,
// negative the whole tree. lFoundFiles and sFoundFiles receive the number
// and the full paths (CR LF between them) of all counted matches.
std::wstring FindFileInPath(std::wstring_view sPathFileMask, std::wstring_view sAltSearchPath,
                            int32_t RecursionLevel, int32_t ResultSelector, int32_t& lFoundFiles,
                            std::wstring& sFoundFiles);

}  // namespace App_FilePath
