// Start-up of the framework (module App_Common): InitApp and the
// process-wide switches it sets.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// NeverLoadForms, DoEvents, QuitPending and AppTitle, which every floor
// uses, and the program's own command line.
#include "platform/App_CommandLine.h"
#include "platform/App_Runtime.h"

namespace App_Common {

// The built program's title.
inline constexpr std::wstring_view ProgramTitle = L"LumoBrowser";

// Prepares the framework: tracing and debug log, generated labels, build
// kind and debug defaults, the first log lines, the service switch.
void InitApp(bool bIsDLL, std::wstring_view sResPath);

// The framework's orderly stop: clean-up unless skipped, then the process
// ends with the exit code. Never returns in the executable.
[[noreturn]] void TerminateApp(int32_t lExitCode, bool bSkipCleanUp);

// The comment text of the program's version resource, and what it says
// about the build.
std::wstring VersionComment();
bool AppVer_TestBuild();
bool AppVer_FastTrack();

// The constant strings the program assembles at run time, and the debug-log
// labels derived from them.
void InitAppGeneratedVars();
void SetAppGeneratedVars();
const std::wstring& GeneratedVar(int lIndex);

}  // namespace App_Common
