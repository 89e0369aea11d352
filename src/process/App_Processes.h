// Process queries (module App_Processes): is a process id alive, which
// process runs a given program, which process started a given one, and
// which executable a process runs. Every query takes its own fresh look at
// the system (a process snapshot or an opened process) and keeps nothing.
//
// CloseMyHandle (module App_Common) is the program's one routine for
// closing kernel handles.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace App_Processes {

// True when a process with this id is in the process list.
bool IsProcessRunningByPID(uint32_t lPID);

// The id of the first process that runs the program, 0 when none does. The
// program is a file name with or without extension ("notepad",
// "NOTEPAD.EXE"; without one the extension is ignored), or a full path
// (compared with the process's executable path, ignoring case).
uint32_t GetPID(std::wstring_view program);

// The id of the process that created lPID; 0 when lPID is not running.
uint32_t GetParentPID(uint32_t lPID);

// The full path of the process's executable; empty when it cannot be read.
// bCleanPath passes it through FixPathFromAPI.
std::wstring GetPathFromPID(uint32_t lPID, bool bCleanPath);

// The fallback of GetPathFromPID: opens the process with full query rights
// and reads the main module's file name.
std::wstring fGetPathFromPID2(uint32_t lPID, bool bCleanPath);

}  // namespace App_Processes

namespace App_Common {

// Closes a kernel handle; 0 and INVALID_HANDLE_VALUE are refused with a log
// line, a failed close is retried once with NtClose. The caller's variable
// keeps its value.
void CloseMyHandle(HANDLE& handle);

}  // namespace App_Common
