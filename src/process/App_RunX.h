// Starting programs (module App_RunX): the launcher RunX with its detailed
// result, the waits underneath it, the process creation flags, the plain
// command-line start with an optional wait for the exit code, the shell
// start; (module App_Common) shell file operations.
//
// A program named without a folder ("cmd.exe", "control.exe") is always
// Windows' own: it is looked for in the system folder, then the Windows
// folder, then the folders of PATH, never first in the program's folder or
// the current folder (the kit folder beside us holds tools named like
// Windows' own). Every wait for a started program handles this thread's
// window messages while it waits, and ends at once, keeping the message,
// when the program is told to quit.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/App_Runtime.h"
#include "util/App_Handle.h"

namespace App_RunX {

// What RunX reports about one start. Strings belong to the record; flags
// start false, numbers 0, strings empty.
struct RxResult {
  std::wstring File_Passed;         // the path as passed
  std::wstring File_Passed_To_API;  // the application path handed to process creation, NULs as "<NULL>"
  std::wstring File_CmdLineParams_Passed;       // the arguments as passed
  bool File_ContainsUnicodeCharacters = false;  // the path needs the wide form
  bool File_ExceedsMaxPath = false;             // the path is longer than 259 characters
  uint32_t Process_Creation_Flags = 0;
  bool Wait_For_Exit = false;
  bool Wait_For_Init = false;
  int32_t Wait_TimeoutMS = 0;
  int32_t ShowType_Passed = 0;
  bool Error_File_Not_Found = false;        // creation failed and the file is not there
  bool Error_Exit_Timeout_Reached = false;  // still running when the exit wait ended
  bool Error_Init_Timeout_Reached = false;  // the input-idle wait failed or timed out
  std::wstring Error_Timeout_Msg;           // "WAIT_FAILED" or "WAIT_TIMEOUT" of the last failed wait
  bool Error_Elevation_Req = false;
  bool Error_Elevation_User_Cancelled = false;
  bool Error_SRP_Blocked = false;          // a software restriction policy refused the start
  bool Error_Sent_To_ShellX = false;       // the start was handed to the shell fallback
  bool Error_Handle_Invalid = false;       // created, but no process handle came back
  bool Error_OpenProcess_Success = false;  // the waiter opened the process by its id
  uint32_t Process_ID = 0;
  uint32_t Process_Thread_ID = 0;
  uint32_t Process_Exit_Code = 0;  // 259 (STILL_ACTIVE) while the process runs
  bool Process_Create_Success = false;
};

// The message-handling wait every start waits with (platform/App_Runtime.h).
using App_Common::kMsgWaitQuit;
using App_Common::MsgWaitObj;

// Starts a program, a control panel item (.cpl, through the system's
// control.exe) or a batch file (.bat/.cmd, through the system's cmd.exe)
// directly, falling back to the shell; optionally waits for its exit
// (lWaitTimeoutMS < 1: no limit) or for it to become ready for input.
// ShowType is a show-window code (10 is passed on as 1). Never fails
// towards the caller: the record and the debug log say what happened. No
// handle outlives the call; a program still running after the time-out is
// left running.
RxResult RunX(std::wstring_view sPathAndFilename, std::wstring_view sCmdLineParams, bool bWaitForExit,
              bool bWaitForInit, int32_t lWaitTimeoutMS, int32_t ShowType);

// Starts a program hidden and waits at most lLimitMS for its end; true
// when the wait ran out (the program is left running). The registry's
// take-over runs the kit's ACL tool through it.
bool RunHiddenTimedOut(std::wstring_view sPathAndFilename, std::wstring_view sCmdLineParams,
                       int32_t lLimitMS);

// RunX's shell road: ShellExW (the elevation verb with bForceRunAs), then
// ShellPlain when that fails. True when either started the program. The
// process ShellExW started comes back in hProcess when the shell gives its
// handle; only without one is it looked up by name.
bool RunXShellX(RxResult& result, std::wstring_view sPathAndFilename, std::wstring_view sCmdLineParams,
                bool bWaitForExit, bool bWaitForInit, int32_t lWaitTimeoutMS, int32_t ShowType,
                bool& bForceRunAs, App_Handle& hProcess);

// The rewrites of a control panel item and of a batch file: the system's
// control.exe or cmd.exe becomes the program (in the wide form), the
// command line " " + quoted item, or " /c " + quoted batch file, followed by
// " " + the arguments when there are any. In: the path and arguments; out:
// the program and the command line.
void GetCPLValuesForRunX(std::wstring& sPathAndFilenameAltVar, std::wstring& sCmdLineParamsAltVar);
void GetBatchFileValuesForRunX(std::wstring& sPathAndFilenameAltVar, std::wstring& sCmdLineParamsAltVar);

// Waits as the record asks (for the exit, with or without a limit, or for
// input-idle in short slices, handling messages between them), opening the
// process by its id when the start gave no handle (hProcess then owns the
// handle opened), and records time-outs and the exit code in the record.
void RunHelper_ProcessWaitForResult(RxResult& result, App_Handle& hProcess);

// The process creation flags for a start: fixed defaults by run-as type
// and environment kind, or, when the setting "RunX.ProcFlags.EnableAltFlags"
// is "1", exactly the flags whose boolean settings
// "RunX.<kind>.<account>.[<run-as>.]ProcFlags.<flag>" are "1". The kind
// and account part is worked out once per process.
void SetProcFlags(uint32_t& flags, int32_t eRunAsType, bool bSkipUnicodeEnv, bool bLog);
// Adds lAddCFGFlag to flags when the boolean setting sCFGItem is "1".
void AddCFGFlagIfEnabled(uint32_t& flags, std::wstring_view sCFGItem, uint32_t lAddCFGFlag, bool bLog);
// The cached "RunX.<kind>.<account>." part of the flag settings' names;
// empty until SetProcFlags first runs. The reset is for tests that change
// the account.
const std::wstring& ProcFlagsSettingPrefix();
void ResetProcFlagsSettingPrefix();

// The names of the per-flag settings with their creation flags, in the
// order they are read, and whether Windows Vista or newer is needed.
struct ProcFlagSetting {
  const wchar_t* sName;
  uint32_t lFlag;
  bool bVistaOrNewer;
};
extern const ProcFlagSetting kProcFlagSettings[22];

// Where a program named without a folder is found: the system folder, the
// Windows folder, then the folders of PATH (".exe" is tried for a name
// without extension). Empty when it is in none of them. A name with a
// folder or drive in it (a backslash, a slash or a colon) is returned
// unchanged.
std::wstring FindSystemProgram(std::wstring_view sName);

// The form-style window code (0 hidden, 1 normal, 2 minimised, 3 maximised,
// 4 normal without focus, 6 minimised without focus) as a show-window code,
// and back; an unknown code gives 0.
int32_t StyleToShowWindowConstant(int32_t lStyle);
int32_t ShowWindowConstantToStyle(int32_t lShowWindow);

// Starts sPathAndFilename with sArguments (a path wrapped in quotes loses
// them; a path with a space is quoted in the command line; a path with a
// backslash must name an existing file; a bare name is found by
// FindSystemProgram and then runs in the system folder). lShowWindow is a
// show-window code (SW_*) for the program's first window. lPID receives the
// started process's id.
//
// Without bWait the call returns at once: true when the program started.
// With bWait it waits on the process, handling this thread's window
// messages, until the program ends (true, its exit code in lExitCode) or,
// with a non-zero lTimeOut (ms), until the time is up (false, lExitCode 0;
// the program keeps running). A WM_QUIT ends the wait the same way (false,
// the program keeps running, the message stays queued). No handle outlives
// the call.
bool ShellPlain(std::wstring_view sPathAndFilename, std::wstring_view sArguments, bool bWait,
                int32_t lShowWindow, int32_t lTimeOut, uint32_t& lPID, uint32_t& lExitCode);

// ShellPlain with a form-style window code (0 hidden, 1 normal, ...), the
// process id dropped and the limit used only when bUseLimit.
bool ShellX(std::wstring_view sPathAndFilename, std::wstring_view sArguments, bool bWait, int32_t lStyle,
            uint32_t& lExitCode, bool bUseLimit = false, int32_t lLimitMS = 0);

// Opens a file or program through the shell with the "open" verb, or
// "runas" when bForceRunAsVerb (or when Windows demands elevation: one retry
// with "runas"). The invisible form owns the operation, so that an elevation
// prompt comes to the front. A cancelled elevation prompt counts as done
// unless bForceFailOnCancelledUAC. ShowType is a show-window code.
// A bare name that is none of Windows' own tools is not started. With
// phProcess, the started process's handle comes back there when the shell
// gives one (it stays empty when the shell handed the file to a running
// program).
bool ShellExW(std::wstring_view sPathAndFilename, std::wstring_view sCmdLineParams, int32_t ShowType,
              bool bForceRunAsVerb, bool bForceFailOnCancelledUAC, App_Handle* phProcess = nullptr);
// How this thread's last ShellExW start ended: 0 when the shell started the
// program, else the system error (1223 when the user refused the elevation
// prompt, 740 when elevation was required and not given) or, without one,
// the shell's own failure code. ShellExW counts a refused prompt as done;
// a caller that must know whether the program runs asks here.
uint32_t ShellExW_LastError();

// Puts the window above the others (topmost or not), optionally activating
// it and first demoting the current foreground window.
bool SetTopWindow(HWND__* hWnd, bool bSetTopMost, bool bActivateWindow, bool bSetCurrentToNoTopMost,
                  bool bResetCurrentEvenIfMatchesTargetHwnd);
void SetCurrentSystemTopWindow(bool bSetTopMost, bool bActivateWindow);

}  // namespace App_RunX
