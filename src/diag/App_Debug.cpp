#include "diag/App_Debug.h"

#include <windows.h>
// after <windows.h>, which it needs
#include <mmsystem.h>

#include <cstdio>
#include <deque>
#include <unordered_map>
#include <unordered_set>

#include "diag/App_Err.h"
#include "util/App_AnsiText.h"
#include "util/App_Handle.h"
#include "util/App_Strings.h"
#include "util/App_Time.h"
#include "util/App_Variables.h"
#include "util/Quill_String.h"

namespace App_Debug {

bool DebugLog_Verbose = false;
bool DebugLog_SystemOutput = false;
std::wstring DebugLog_SystemOutputPrefix;

namespace {

// Everything the module keeps for the run.
struct DebugState {
  App_DebugCounters counters;
  std::deque<App_Proc> registry;  // call n at index n - 1; never removed before shut-down
  // Module and procedure names, shared by the records; looked up without
  // building a string.
  struct NameHash {
    using is_transparent = void;
    size_t operator()(std::wstring_view s) const { return std::hash<std::wstring_view>{}(s); }
  };
  std::unordered_set<std::wstring, NameHash, std::equal_to<>> names;
  std::unordered_map<int64_t, std::wstring> msgCache[2];
  int32_t systemMsgCalls = 0;
  Quill_String pending;  // entries not yet written to the log file
  // Log file.
  App_Handle logFile;
  std::wstring logFolder, logFileName;
  // Performance timer.
  bool perfOn = false;
  DWORD perfBase = 0;
  std::function<void(std::wstring_view)> sink;
};

DebugState& S() {
  static DebugState* s = new DebugState();  // lives until the process ends
  return *s;
}

std::wstring_view Intern(std::wstring_view s) {
  auto& names = S().names;
  auto it = names.find(s);
  if (it == names.end()) it = names.emplace(s).first;
  return *it;
}

std::wstring Num(int64_t n) {
  return std::to_wstring(n);
}

// Appends "  " before an addition to a message that is not empty.
void AppendNote(std::wstring& sMsg, std::wstring_view sNote) {
  if (!sMsg.empty()) sMsg.append(L"  ");
  sMsg.append(sNote);
}

// The call reference with "[prefix] " in front of each of its occurrences.
std::wstring MarkReferences(std::wstring_view sBody, std::wstring_view sRef) {
  if (sRef.empty()) return std::wstring(sBody);
  const std::wstring mark = L"[" + DebugLog_SystemOutputPrefix + L"] ";
  std::wstring out;
  size_t from = 1;
  while (true) {
    const size_t p = App_Strings::InStr(sBody, sRef, App_Strings::cmText, from);
    if (p == 0) break;
    out.append(sBody.substr(from - 1, p - from)).append(mark).append(sBody.substr(p - 1, sRef.size()));
    from = p + sRef.size();
  }
  out.append(sBody.substr(from - 1));
  return out;
}

}  // namespace

const App_DebugCounters& Counters() {
  return S().counters;
}

void SetSystemOutputSink(std::function<void(std::wstring_view)> sink) {
  S().sink = std::move(sink);
}

void InitDebugModuleVars() {
  DebugState& s = S();
  s.counters = App_DebugCounters{};
  s.registry.clear();
  s.msgCache[0].clear();
  s.msgCache[1].clear();
  s.systemMsgCalls = 0;
  s.pending.WipeString();
  s.pending.lngAllocSize = 1000;
}

void CleanupDebug_WriteLogs() {
  DebugLogWrite(false);
  DebugLogClose();
}

void CleanupDebug() {
  CleanupDebug_WriteLogs();
  PerfTimer_InitValues(false);
  DebugState& s = S();
  s.registry.clear();
  s.msgCache[0].clear();
  s.msgCache[1].clear();
}

// ---- call records -------------------------------------------------------------------

int32_t ProcCount() {
  return static_cast<int32_t>(S().registry.size());
}

App_Proc* ProcObject(int32_t id) {
  auto& reg = S().registry;
  if (id < 1 || static_cast<size_t>(id) > reg.size()) return nullptr;
  return &reg[static_cast<size_t>(id) - 1];
}

bool ProcExists(int32_t id) {
  return ProcObject(id) != nullptr;
}

int32_t ProcNew(std::wstring_view sSourceModule, std::wstring_view sProcName, App_ProcType type) {
  try {
    DebugState& s = S();
    const int32_t id = ProcCount() + 1;
    if (ProcExists(id)) {
      dPrint(L"App_Debug.ProcNew", L"Procedure ID [" + Num(id) +
                                       L"] would be a duplicate ID, aborting new procedure object creation!");
      return 0;
    }
    ++s.counters.GlobalEvent;
    ++s.counters.Entered;
    App_Proc& p = s.registry.emplace_back(id, type, Intern(sSourceModule), Intern(sProcName));
    p.Add_ProcedureEvent(s.counters.GlobalEvent, 0, 0, evEnterProcedure, {}, {}, 0, 0, {}, 0, {}, {}, false);
    return id;
  } catch (...) {
    App_Err::Clear();
    dPrint(L"App_Debug.ProcNew", L"Could not create the procedure record!");
    return 0;
  }
}

int32_t ProcNew(std::wstring_view sSourceModule, std::wstring_view sProcName, std::wstring_view sProcType) {
  return ProcNew(sSourceModule, sProcName, static_cast<App_ProcType>(GetProcedureTypeFromString(sProcType)));
}

void ProcVar(int32_t id, int32_t kind, const std::vector<App_Variant>& values) {
  try {
    std::wstring text = App_Variables::pVarList(values);
    if (App_Proc* p = ProcObject(id)) {
      p->SetVars(kind, text);
      return;
    }
    const wchar_t* label = nullptr;
    switch (kind) {
      case vkPassedByVal:
        label = L"PassedByVal=[";
        break;
      case vkPassedByRef:
        label = L"PassedByRef=[";
        break;
      case vkCreated:
        label = L"Created=[";
        break;
      case vkReturnedByRef:
        label = L"ReturnedByRef=[";
        break;
      case vkFunctionReturn:
        label = L"FunctionReturn=[";
        break;
    }
    const bool empty = text.empty();
    if (label) text = label + App_Strings::FilterCRLF(text, true) + L"]";
    const std::wstring head = L"ProcVar:  ProcID [" + Num(id) + L"] does not exist!";
    if (!empty)
      OutputDebugStringRaw(head + L"  Variables_" + text);
    else if (id != -1)
      OutputDebugStringRaw(head);
  } catch (...) {
    App_Err::Clear();
    dPrint(L"App_Debug.ProcVar", L"Could not record the variables!");
  }
}

void ProcVar(int32_t id, int32_t kind, std::initializer_list<App_Variant> values) {
  if (values.size() == 0 && id == -1) return;
  ProcVar(id, kind, std::vector<App_Variant>(values));
}

void ProcExit(int32_t id) {
  try {
    App_Proc* p = ProcObject(id);
    if (!p) {
      dPrint(L"App_Debug.ProcExit", L"Procedure ID [" + Num(id) + L"] does not exist!");
      return;
    }
    DebugState& s = S();
    ++s.counters.GlobalEvent;
    ++s.counters.Exited;
    p->Add_ProcedureEvent(s.counters.GlobalEvent, 0, 0, evExitProcedure, {}, {}, 0, 0, {}, 0, {}, {}, false);
  } catch (...) {
    App_Err::Clear();
    dPrint(L"App_Debug.ProcExit", L"Could not record the procedure exit!");
  }
}

int32_t ProcError(int32_t id, std::wstring_view sMsg, std::wstring_view sVars,
                  const App_ErrNumbers& vExpectedRT, const App_ErrNumbers& vExpectedAPI) {
  const App_ErrState& e = App_Err::Pending();
  const int32_t pending = e.LastDllError != 0 ? static_cast<int32_t>(e.LastDllError) : e.Number;
  dLog(id, sMsg, evErrorHandler, sVars, vExpectedRT, vExpectedAPI);
  return pending;
}

int32_t ProcAPIError(int32_t id, std::wstring_view sMsg, std::wstring_view sVars,
                     const App_ErrNumbers& vExpectedAPI) {
  const DWORD e = ::GetLastError();
  if (e == 0) return 0;
  App_Err::SetLastDllError(e);
  dLog(id, sMsg, evAPIError, sVars, {}, vExpectedAPI);
  return static_cast<int32_t>(e);
}

// ---- performance timer ---------------------------------------------------------------

void PerfTimer_InitValues(bool bEnable) {
  DebugState& s = S();
  if (bEnable && !s.perfOn) {
    ::timeBeginPeriod(1);
    s.perfBase = ::timeGetTime();
  } else if (!bEnable && s.perfOn) {
    ::timeEndPeriod(1);
  }
  s.perfOn = bEnable;
}

bool PerfTimer_IsOn() {
  return S().perfOn;
}

int32_t PerfTimer_GetTime() {
  const DebugState& s = S();
  if (!s.perfOn) return 0;
  // A reading of 0 means "not taken": the clock starts at 1.
  return static_cast<int32_t>((::timeGetTime() - s.perfBase) & 0x7FFFFFFF) + 1;
}

void PerfTimer_HighRes_Start(int32_t& lStart) {
  lStart = PerfTimer_GetTime();
}
void PerfTimer_HighRes_Stop(int32_t& lEnd) {
  lEnd = PerfTimer_GetTime();
}

// ---- system messages ------------------------------------------------------------------

int32_t GetSystemMsg_SystemCalls() {
  return S().systemMsgCalls;
}

std::wstring SystemMessageText(uint32_t lMsgNumber, void* hFrom) {
  // FORMAT_MESSAGE_MAX_WIDTH_MASK: the message's line breaks become spaces.
  wchar_t* p = nullptr;
  const DWORD n = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS |
                                       FORMAT_MESSAGE_MAX_WIDTH_MASK |
                                       (hFrom ? FORMAT_MESSAGE_FROM_HMODULE : FORMAT_MESSAGE_FROM_SYSTEM),
                                   hFrom, lMsgNumber, 0, reinterpret_cast<wchar_t*>(&p), 0, nullptr);
  std::wstring text;
  if (n && p)
    for (DWORD i = 0; i < n; ++i)
      if (p[i] != L'\0') text.push_back(p[i]);
  if (p) ::LocalFree(p);
  return App_Strings::Trim(text);
}

std::wstring GetSystemMsg(int64_t lMsgNumber, bool bUseSecondCache, bool bRefresh, bool bIncludeNumber) {
  std::wstring text;
  try {
    auto& cache = S().msgCache[bUseSecondCache ? 1 : 0];
    auto it = bRefresh ? cache.end() : cache.find(lMsgNumber);
    if (it != cache.end()) {
      text = it->second;
    } else {
      ++S().systemMsgCalls;
      text = SystemMessageText(static_cast<uint32_t>(lMsgNumber));
      if (text.empty()) text = L"FormatMessageW failure (lRet=0) Could not retrieve message from system!";
      cache[lMsgNumber] = text;
    }
  } catch (...) {
    App_Err::Clear();
  }
  if (bIncludeNumber) return L"[" + Num(lMsgNumber) + L"=" + text + L"]";
  return text;
}

// ---- logging ------------------------------------------------------------------------------------

void OutputDebugStringRaw(std::wstring_view sText) {
  if (!DebugLog_SystemOutput) return;
  const auto& sink = S().sink;
  if (sink) {
    sink(sText);
  } else {
    const std::wstring s(sText);
    ::OutputDebugStringW(s.c_str());
  }
}

void dLog(int32_t id, std::wstring_view sMsgIn, int32_t type, std::wstring_view sVars,
          const App_ErrNumbers& vExpectedRT, const App_ErrNumbers& vExpectedAPI) {
  try {
    DebugState& s = S();
    // 1. Take the pending error and clear it.
    App_ErrState err = std::move(App_Err::Pending());
    App_Err::Clear();
    const bool outside = (err.LastDllError != 0 || err.Number != 0) && type != evErrorHandler;

    // 2. The time of the event.
    std::wstring timeText;
    int32_t timeValue = 0;
    App_Time::GetTimesForLog(timeText, timeValue, true);

    // 3. and 4. Expected errors turn the event into a Verbose one.
    std::wstring sMsg(sMsgIn);
    int64_t apiNum = 0;
    std::wstring apiDesc;
    if (err.LastDllError != 0) {
      if (vExpectedAPI.Given() && vExpectedAPI.Contains(err.LastDllError)) {
        type = evVerbose;
        AppendNote(sMsg, L"Expected APIError=" + Num(err.LastDllError) + L" (" +
                             GetSystemMsg(err.LastDllError) + L")");
      } else {
        apiNum = err.LastDllError;
        apiDesc = GetSystemMsg(err.LastDllError);
      }
    }
    int32_t rtNum = 0;
    std::wstring rtDesc, rtSource;
    if (err.Number != 0) {
      if (DebugStringMatch(err.Source, App_Err::ProjectName)) err.Source.clear();
      if (vExpectedRT.Given() && vExpectedRT.Contains(err.Number)) {
        type = evVerbose;
        std::wstring note = L"Expected VBError=" + Num(err.Number) + L" Desc=" + err.Description;
        if (!err.Source.empty()) note.append(L" Source=").append(err.Source);
        AppendNote(sMsg, note);
      } else {
        rtNum = err.Number;
        rtDesc = std::move(err.Description);
        rtSource = std::move(err.Source);
      }
    }

    // 5. Counting.
    App_DebugCounters& c = s.counters;
    ++c.GlobalEvent;
    ++c.GlobalNonFlowEvent;
    int32_t typeCount = 0;
    bool errorLike = false;
    switch (type) {
      case evNormal:
        typeCount = ++c.Normal;
        break;
      case evVerbose:
        typeCount = ++c.Verbose;
        break;
      case evErrorHandler:
        typeCount = ++c.ErrorHandler;
        errorLike = true;
        break;
      case evAPIError:
        typeCount = ++c.APIError;
        errorLike = true;
        break;
      default:
        break;
    }
    const bool flow = type == evEnterProcedure || type == evExitProcedure;
    if (outside && !flow && type != evErrorHandler && type != evAPIError) {
      ++c.ErrorsOutsideHandler;
      errorLike = true;
    }

    // 6. The call's record and reference.
    std::wstring ref;
    int32_t eventNumber = 0;
    std::wstring byVal, byRef, created;
    if (id == -1) {
      ref = L"-1";
    } else if (App_Proc* p = ProcObject(id)) {
      p->Add_ProcedureEvent(c.GlobalEvent, c.GlobalNonFlowEvent, typeCount, type, sMsg, sVars, timeValue,
                            static_cast<int32_t>(apiNum), apiDesc, rtNum, rtDesc, rtSource, outside);
      ref = p->ProcedureSource() + L".ProcID=" + Num(id);
      eventNumber = p->EventCount_NonFlow();
      if (errorLike) {
        byVal = p->Vars_Passed_ByVal();
        byRef = p->Vars_Passed_ByRef();
        created = p->Vars_Created();
      }
    } else {
      ref = L"Err-0.ProcID=" + Num(id);
      dPrint(L"App_Debug.dLog", L"Procedure does not exist!", evNormal, L"ProcedureID=" + Num(id));
    }

    // 8. Verbose and flow events are written only in verbose mode (the body
    //    is not built for nothing).
    if ((type == evVerbose || flow) && !DebugLog_Verbose) return;

    // 7. The body.
    const std::wstring body = ConstructDebugMsg(type, ref, sMsg, sVars, eventNumber, apiNum, apiDesc, rtNum,
                                                rtDesc, rtSource, byVal, byRef, created);
    // 9. The system debug output.
    if (DebugLog_SystemOutput) OutputDebugStringRaw(MarkReferences(body, ref) + L"\r\n");
    // 10. The entry.
    std::wstring entry;
    entry.reserve(timeText.size() + body.size() + 32);
    entry.append(timeText).append(L" ").append(GetEventTypeAsString(type)).append(L" Event\r\n").append(body);
    DebugLogAddEntry(entry);
  } catch (...) {
    App_Err::Clear();
    dPrint(L"App_Debug.dLog", L"Could not log the event!", evErrorHandler);
  }
}

void dPrint(std::wstring_view sSource, std::wstring_view sMsg, int32_t type, std::wstring_view sVars) {
  try {
    App_ErrState err = std::move(App_Err::Pending());
    App_Err::Clear();
    if (!(DebugLog_SystemOutput && DebugLog_Verbose)) return;
    const std::wstring apiDesc = err.LastDllError ? GetSystemMsg(err.LastDllError) : std::wstring();
    const std::wstring body = ConstructDebugMsg(type, sSource, sMsg, sVars, 0, err.LastDllError, apiDesc,
                                                err.Number, err.Description, err.Source, {}, {}, {});
    OutputDebugStringRaw(L"[" + DebugLog_SystemOutputPrefix + L"]  " + body);
  } catch (...) {
    App_Err::Clear();
  }
}

bool DebugStringMatch(std::wstring_view a, std::wstring_view b) {
  return App_Strings::StringMatch(a, b, false);
}

// ---- the pending buffer and the log file ----------------------------------------------------------

void DebugLogAddEntry(std::wstring_view sText) {
  DebugState& s = S();
  try {
    std::wstring entry;
    entry.reserve(sText.size() + 4);
    entry.append(sText).append(L"\r\n\r\n");
    s.pending.Add(entry);
  } catch (...) {
    App_Err::Clear();
  }
  DebugLogWrite(true);
}

std::wstring DebugLogPending() {
  return S().pending.GetStr();
}
std::wstring_view DebugLogPendingView() {
  return S().pending.View();
}
int32_t DebugLogPendingUsed() {
  return S().pending.lngUsed;
}
int32_t DebugLogPendingCapacity() {
  return S().pending.lngAllocated;
}

bool DebugLogIsOpen() {
  return S().logFile.Valid();
}

void DebugLogSetFile(std::wstring_view sFolder, std::wstring_view sFileName) {
  DebugLogClose();
  S().logFolder = sFolder;
  S().logFileName = sFileName;
}

std::wstring DebugLogPath(bool bWithTrailingBackslash) {
  std::wstring p = S().logFolder;
  if (bWithTrailingBackslash && !p.empty() && p.back() != L'\\') p.push_back(L'\\');
  return p;
}

std::wstring DebugLogFile() {
  return S().logFileName;
}

std::wstring DebugLogFileNoExt() {
  return DebugLogPath(true) + App_Strings::StripFileExtension(S().logFileName);
}

namespace {

void* OpenPlain(const std::wstring& sPath) {
  return ::CreateFileW(sPath.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

LogFileOpener g_openLogFile = &OpenPlain;

}  // namespace

void SetLogFileOpener(LogFileOpener fnOpen) {
  g_openLogFile = fnOpen ? fnOpen : &OpenPlain;
}

void DebugLogOpen() {
  DebugState& s = S();
  if (s.logFile.Valid() || s.logFileName.empty()) return;
  s.logFile.Reset(static_cast<HANDLE>(g_openLogFile(DebugLogPath(true) + s.logFileName)));
}

void DebugLogClose() {
  S().logFile.Reset();
}

void DebugLogWrite(bool bReopen) {
  DebugState& s = S();
  if (!s.logFile.Valid()) return;
  if (s.pending.lngUsed > 1) {
    std::string bytes = App_Strings::WideToAnsi(s.pending.View());
    bytes.append("\r\n");
    DWORD written = 0;
    if (::WriteFile(s.logFile.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
      s.pending.WipeString();
  }
  if (bReopen) {
    DebugLogClose();
    DebugLogOpen();
  }
}

}  // namespace App_Debug
