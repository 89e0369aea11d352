// Crash reporting (module MExceptionHandler).
//
// A processor exception that nothing else handles (an access violation, a
// division by zero, a stack overflow, ...) reaches the program's unhandled-
// exception filter. The filter names the exception, logs it as run-time
// error 10000 from "ExceptionHandler" against the innermost traced call
// that was open, writes the pending debug log to a crash report file and
// ends the process with the exception code. No exception resumes: going on
// at the faulting instruction would only fault again, forever.
//
// The report is "LumoBrowser_Crash_" + the start time + ".txt" in the
// program's temp folder (created when missing), or in the user's temp
// folder + "\Lumo" when that one cannot be written.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace MExceptionHandler {

// The run-time error that a processor exception becomes.
inline constexpr int32_t ErrProcessorException = 10000;
inline constexpr std::wstring_view ErrSource = L"ExceptionHandler";

// Registers the filter once (a second call only changes the stored filter
// result) and stores lFilterResult. The start-up passes -1.
void InstallExceptionHandler(int32_t lFilterResult);
// Registers no filter any more; does nothing when not installed.
void UninstallExceptionHandler();
bool ExceptionHandlerInstalled();
// The stored filter result. It is kept for the callers' sake only: the
// filter always ends the process and never returns it (see above).
int32_t ExceptionFilterResult();

// "Access Violation", "Divide By Zero", ...; any other code gives
// "Unknown (&H" + 8 upper-case hexadecimal digits + ")".
std::wstring GetExceptionName(uint32_t lExceptionCode);

// The exception that started a chain of nested records: the last record
// of the chain (at most 64 steps, so a looped chain cannot hang the walk).
// nullptr stays nullptr.
const EXCEPTION_RECORD* GetInnermostExceptionRecord(const EXCEPTION_RECORD* pRecord);
// The name of the innermost record's exception (code 0 when there is none).
std::wstring GetExceptionPointersName(const EXCEPTION_POINTERS* pExceptionPointers);

// The crash report's file name for this run, without a folder.
std::wstring CrashReportFileName();

// The filter itself. It never returns: the process ends with the
// exception code once the report is written.
LONG WINAPI ExceptionFilter(EXCEPTION_POINTERS* pExceptionPointers);

}  // namespace MExceptionHandler
