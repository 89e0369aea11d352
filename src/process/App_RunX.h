// Shell launching (module App_RunX): the plain command-line start with an
// optional wait for the exit code, and (module App_Common) handing a URL to
// the system's default browser.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct HWND__;  // a window handle, as <windows.h> declares it

namespace App_RunX {

// The form-style window code (0 hidden, 1 normal, 2 minimised, 3 maximised,
// 4 normal without focus, 6 minimised without focus) as a show-window code,
// and back; an unknown code gives 0.
int32_t StyleToShowWindowConstant(int32_t lStyle);
int32_t ShowWindowConstantToStyle(int32_t lShowWindow);

// Starts sPathAndFilename with sArguments (a path with a space is quoted;
// a path with a backslash must name an existing file, a bare name is found
// the way Windows finds a command line's program). lShowWindow is a
// show-window code (SW_*) for the program's first window. lPID receives the
// started process's id.
//
// Without bWait the call returns at once: true when the program started.
// With bWait it polls every 100 ms, dispatching this thread's window
// messages, until the program ends (true, its exit code in lExitCode) or,
// with a non-zero lTimeOut (ms), until the time is up (false, lExitCode 0;
// the program keeps running). No handle outlives the call.
bool ShellPlain(std::wstring_view sPathAndFilename, std::wstring_view sArguments, bool bWait,
                int32_t lShowWindow, int32_t lTimeOut, uint32_t& lPID, uint32_t& lExitCode);

// Opens a file or program through the shell with the "open" verb, or
// "runas" when bForceRunAsVerb (or when Windows demands elevation: one retry
// with "runas"). The invisible form owns the operation, so that an elevation
// prompt comes to the front. A cancelled elevation prompt counts as done
// unless bForceFailOnCancelledUAC. ShowType is a show-window code.
bool ShellExW(std::wstring_view sPathAndFilename, std::wstring_view sCmdLineParams, int32_t ShowType,
              bool bForceRunAsVerb, bool bForceFailOnCancelledUAC);

// Puts the window above the others (topmost or not), optionally activating
// it and first demoting the current foreground window.
bool SetTopWindow(HWND__* hWnd, bool bSetTopMost, bool bActivateWindow, bool bSetCurrentToNoTopMost,
                  bool bResetCurrentEvenIfMatchesTargetHwnd);
void SetCurrentSystemTopWindow(bool bSetTopMost, bool bActivateWindow);

}  // namespace App_RunX

namespace App_Common {

// sURL in double quotes, unless it already starts and ends with one; an
// empty URL gives a pair of quotes.
std::wstring QuoteURL(std::wstring_view sURL);

// Opens the (quoted) URL through the shell: no owner window, the default
// verb, no parameters, no directory, lShowType as the show-window code.
// The shell hands the URL to whatever browser is registered, often one
// that already runs, so there is no process of this call to wait for:
// bWait is accepted for the callers' sake and has no effect. True when the
// shell accepted the URL.
bool OpenURL(std::wstring_view sURL, bool bWait, int32_t lShowType);

}  // namespace App_Common
