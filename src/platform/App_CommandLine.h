// The program's own command line (module App_Common): its arguments and
// whether they ask for a service start.
#pragma once

#include <string>
#include <string_view>

namespace App_Common {

// True when the argument string, trimmed of spaces, is at least two
// characters long and starts with "$" (a service start). Computed once.
bool HasServiceArgs();
bool IsServiceArgs(std::wstring_view sArgs);

// The program's argument string: the raw command line without the
// program's own path.
std::wstring GetMyCommandLineArgs();
// Splits a raw command line into the program part and the arguments.
std::wstring ArgsFromCommandLine(std::wstring_view sCommandLine);

}  // namespace App_Common
