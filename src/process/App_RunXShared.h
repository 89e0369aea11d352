// What the launcher (App_RunX.cpp) and the shell start (App_Shell.cpp) of
// module App_RunX share: how a program is found and how it is named in a
// command line. Not for other modules: App_RunX.h is their header.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class App_Trace;

namespace App_RunX {

inline constexpr uint32_t kErrElevationRequired = 740;  // ERROR_ELEVATION_REQUIRED (Vista and later)
inline constexpr int32_t kWaitTimeout = 258;            // MsgWaitObj's answer when the time ran out

bool HasBackslash(std::wstring_view s);
// A program named without any folder or drive ("cmd.exe", "netsh"): a name
// Windows would look for in the program's own folder and the current folder
// first. A URL or a document path is no bare name.
bool IsBareName(std::wstring_view s);
// The system folder as the environment knows it, else as Windows says.
std::wstring SystemFolderNow();
// A program path as the first part of a command line: quoted when it
// holds a blank, so that it is never split.
std::wstring CommandLineProgram(std::wstring_view sPath);
// The path to start: a bare name becomes Windows' own tool of that name,
// or "" (logged against t) when there is none.
std::wstring FindToolOrRefuse(App_Trace& t, std::wstring_view sPath);

}  // namespace App_RunX
