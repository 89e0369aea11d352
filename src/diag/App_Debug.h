// Procedure tracing and the debug log (module App_Debug).
//
// Every traced procedure opens a call record (ProcNew), may attach its
// arguments, variables and results (ProcVar), logs its notable events
// against the record (dLog, ProcAPIError, ProcError) and closes it
// (ProcExit). Use App_Trace (diag/App_Trace.h) rather than calling
// ProcNew/ProcExit by hand. Each logged event becomes one entry of the
// in-memory debug log, and optionally a line on the system debug output.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "diag/App_Proc.h"
#include "util/App_Variant.h"

// Expected error numbers of a log call: missing, one number, or a list
// ("5,9" or {5, 9}).
class App_ErrNumbers {
 public:
  App_ErrNumbers() = default;
  App_ErrNumbers(int32_t lNumber) : given_(true), numbers_{lNumber} {}
  App_ErrNumbers(std::initializer_list<int32_t> numbers) : given_(true), numbers_(numbers) {}
  App_ErrNumbers(std::wstring_view sCommaList);
  App_ErrNumbers(const wchar_t* sCommaList) : App_ErrNumbers(std::wstring_view(sCommaList)) {}
  bool Given() const { return given_; }
  bool Contains(int64_t lNumber) const;

 private:
  bool given_ = false;
  std::vector<int32_t> numbers_;
};

namespace App_Debug {

// ---- module state ----------------------------------------------------------
extern bool DebugLog_Verbose;       // Verbose, enter and exit entries are written only when set
extern bool DebugLog_SystemOutput;  // entries also go to the system debug output
extern std::wstring DebugLog_SystemOutputPrefix;

// Counters of the tracing; all start at 0 in InitDebugModuleVars.
struct App_DebugCounters {
  int32_t GlobalEvent = 0;
  int32_t GlobalNonFlowEvent = 0;
  int32_t Entered = 0;
  int32_t Exited = 0;
  int32_t Normal = 0;
  int32_t Verbose = 0;
  int32_t ErrorHandler = 0;
  int32_t APIError = 0;
  int32_t ErrorsOutsideHandler = 0;
};
const App_DebugCounters& Counters();

// Labels L1..L12 of the entry bodies (set at start-up from the generated
// names; see App_GeneratedVars).
void SetDebugLabels(const std::wstring (&labels)[12]);

void InitDebugModuleVars();
void CleanupDebug();
void CleanupDebug_WriteLogs();

// ---- tracing ---------------------------------------------------------------
int32_t ProcNew(std::wstring_view sSourceModule, std::wstring_view sProcName, std::wstring_view sProcType);
int32_t ProcNew(std::wstring_view sSourceModule, std::wstring_view sProcName, App_ProcType type);
// Values: one value (no name), or name, value, name, value, ...
void ProcVar(int32_t lProcID, int32_t lVarKind, std::initializer_list<App_Variant> values);
void ProcVar(int32_t lProcID, int32_t lVarKind, const std::vector<App_Variant>& values);
void ProcExit(int32_t lProcID);
// The error hook: logs the pending error as an ErrorHandler event and
// returns the pending number (system error first, else run-time error).
int32_t ProcError(int32_t lProcID, std::wstring_view sMsg, std::wstring_view sVars,
                  const App_ErrNumbers& vExpectedRT = {}, const App_ErrNumbers& vExpectedAPI = {});
// After a failed system call: logs GetLastError() as an APIError event.
// Returns the error number, or 0 (nothing logged) when there is none.
int32_t ProcAPIError(int32_t lProcID, std::wstring_view sMsg, std::wstring_view sVars,
                     const App_ErrNumbers& vExpectedAPI = {});
bool ProcExists(int32_t lProcID);
// The call record, or nullptr.
App_Proc* ProcObject(int32_t lProcID);
int32_t ProcCount();

std::wstring GetProcedureTypeAsString(int32_t lProcType);
int32_t GetProcedureTypeFromString(std::wstring_view sProcType);
std::wstring GetEventTypeAsString(int32_t lEventType);

// ---- performance timer -----------------------------------------------------
void PerfTimer_InitValues(bool bEnable);
bool PerfTimer_IsOn();
void PerfTimer_HighRes_Start(int32_t& lStart);
void PerfTimer_HighRes_Stop(int32_t& lEnd);
int32_t PerfTimer_GetTime();
std::wstring PerfTimer_MakeTimePretty(int64_t lMilliseconds, bool bIncludeDecimal);

// ---- debug log -------------------------------------------------------------
void dLog(int32_t lProcID, std::wstring_view sMsg, int32_t lEventType = evNormal,
          std::wstring_view sVars = {}, const App_ErrNumbers& vExpectedRT = {},
          const App_ErrNumbers& vExpectedAPI = {});
void dPrint(std::wstring_view sSource, std::wstring_view sMsg, int32_t lEventType = evNormal,
            std::wstring_view sVars = {});
void OutputDebugStringRaw(std::wstring_view sText);

std::wstring ConstructDebugMsg(int32_t lEventType, std::wstring_view sCallRef, std::wstring_view sMsg,
                               std::wstring_view sVars, int32_t lEventNumber, int64_t lAPINum,
                               std::wstring_view sAPIDesc, int32_t lRTNum, std::wstring_view sRTDesc,
                               std::wstring_view sRTSource, std::wstring_view sArgsByVal,
                               std::wstring_view sArgsByRef, std::wstring_view sVarsCreated);

std::wstring GetSystemMsg(int64_t lMsgNumber, bool bUseSecondCache = false, bool bRefresh = false,
                          bool bIncludeNumber = false);
// How many times GetSystemMsg asked the system (the rest came from a cache).
int32_t GetSystemMsg_SystemCalls();
// The system's text for a message number (from the message table of the
// module hFrom when given), on one line and trimmed; "" when there is none.
// Not cached, not traced.
std::wstring SystemMessageText(uint32_t lMsgNumber, void* hFrom = nullptr);

void DebugLogAddEntry(std::wstring_view sText);
void DebugLogWrite(bool bReopen);
void DebugLogOpen();
void DebugLogClose();
bool DebugLogIsOpen();
// Where the log would be written. Nothing in the program assigns it.
void DebugLogSetFile(std::wstring_view sFolder, std::wstring_view sFileName);
std::wstring DebugLogPath(bool bWithTrailingBackslash);
std::wstring DebugLogFile();
std::wstring DebugLogFileNoExt();

// The pending (not yet written) log text and its buffer figures.
std::wstring DebugLogPending();
// The same without a copy (valid until the next entry is added).
std::wstring_view DebugLogPendingView();
int32_t DebugLogPendingUsed();
int32_t DebugLogPendingCapacity();

bool DebugStringMatch(std::wstring_view a, std::wstring_view b);

// Opens the debug log's file for appending; INVALID_HANDLE_VALUE when it
// cannot. The file-system floor hands in its own at start-up (long paths,
// the real System32 for a 32-bit process on 64-bit Windows); until then the
// file is opened by its plain path.
using LogFileOpener = void* (*)(const std::wstring& sPath);
void SetLogFileOpener(LogFileOpener fnOpen);

// Seam: where system debug output goes (OutputDebugStringW by default).
// Tests install a recorder; an empty function restores the default.
void SetSystemOutputSink(std::function<void(std::wstring_view)> sink);

}  // namespace App_Debug
