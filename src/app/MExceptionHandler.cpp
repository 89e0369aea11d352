#include "app/MExceptionHandler.h"

#include <cstring>
#include <cwchar>

#include "app/App_Common.h"
#include "platform/App_Env.h"
#include "diag/App_CallStack.h"
#include "diag/App_Debug.h"
#include "diag/App_Err.h"

namespace MExceptionHandler {

namespace {

struct ExceptionNameRow {
  DWORD Code;
  const wchar_t* Name;
};

constexpr ExceptionNameRow kExceptionNames[] = {
    {0x80000001, L"Guard Page Violation"},
    {0x80000002, L"Data Type Misalignment"},
    {0x80000003, L"Breakpoint"},
    {0x80000004, L"Single Step"},
    {0xC0000005, L"Access Violation"},
    {0xC0000006, L"In Page Error"},
    {0xC0000008, L"Invalid Handle"},
    {0xC000001D, L"Illegal Instruction"},
    {0xC0000025, L"Non Continuable Exception"},
    {0xC0000026, L"Invalid Disposition"},
    {0xC000008C, L"Array Bounds Exceeded"},
    {0xC000008D, L"Float Denormal Operand"},
    {0xC000008E, L"Divide By Zero"},
    {0xC000008F, L"Floating Point Inexact Result"},
    {0xC0000090, L"Invalid Operation"},
    {0xC0000091, L"Float Overflow"},
    {0xC0000092, L"Float Stack Check"},
    {0xC0000093, L"Float Underflow"},
    {0xC0000094, L"Integer Divide By Zero"},
    {0xC0000095, L"Integer Overflow"},
    {0xC0000096, L"Privileged Instruction"},
    {0xC00000FD, L"Stack Overflow"},
    {0xC000013A, L"Control-C Exit"},
};

constexpr size_t kMaxChain = 64;

// ---- text into fixed buffers ---------------------------------------------------
//
// Everything the filter writes is built in buffers of fixed size that live
// in the program image, not on the heap or the (perhaps exhausted) stack.

class FixedText {
 public:
  FixedText(wchar_t* pBuffer, size_t lCapacity) : p_(pBuffer), cap_(lCapacity) { p_[0] = L'\0'; }
  void Add(const wchar_t* s, size_t n) {
    if (n > cap_ - 1 - len_) {
      n = cap_ - 1 - len_;
      overflow_ = true;
    }
    std::memcpy(p_ + len_, s, n * sizeof(wchar_t));
    len_ += n;
    p_[len_] = L'\0';
  }
  void Add(const wchar_t* s) { Add(s, std::wcslen(s)); }
  void Add(std::wstring_view s) { Add(s.data(), s.size()); }
  // lDigits upper-case hexadecimal digits, zero-padded on the left.
  void Hex(uint64_t v, int lDigits) {
    wchar_t d[16];
    for (int i = lDigits - 1; i >= 0; --i, v >>= 4) d[i] = L"0123456789ABCDEF"[v & 0xF];
    Add(d, static_cast<size_t>(lDigits));
  }
  void Dec(int64_t v) {
    wchar_t d[24];
    size_t i = 24;
    const bool negative = v < 0;
    uint64_t u = negative ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
    do {
      d[--i] = static_cast<wchar_t>(L'0' + u % 10);
      u /= 10;
    } while (u != 0);
    if (negative) d[--i] = L'-';
    Add(d + i, 24 - i);
  }
  void Dec2(int v) {
    const wchar_t d[2] = {static_cast<wchar_t>(L'0' + v / 10 % 10),
                          static_cast<wchar_t>(L'0' + v % 10)};
    Add(d, 2);
  }
  const wchar_t* Str() const { return p_; }
  size_t Len() const { return len_; }
  bool Overflow() const { return overflow_; }

 private:
  wchar_t* p_;
  size_t cap_;
  size_t len_ = 0;
  bool overflow_ = false;
};

const wchar_t* KnownExceptionName(DWORD lCode) {
  for (const ExceptionNameRow& row : kExceptionNames)
    if (row.Code == lCode) return row.Name;
  return nullptr;
}

void AddExceptionName(FixedText& t, DWORD lCode) {
  if (const wchar_t* known = KnownExceptionName(lCode)) {
    t.Add(known);
  } else {
    t.Add(L"Unknown (&H");
    t.Hex(lCode, 8);
    t.Add(L")");
  }
}

// ---- module state --------------------------------------------------------------

bool g_installed = false;
int32_t g_filterResult = 0;

constexpr size_t kPathCapacity = 32768 + 64;

// What the filter knows of the crash and how far the report got.
struct CrashState {
  volatile LONG ReportingThread;  // the thread that owns the report, 0 before a crash
  volatile LONG WorkerThread;     // the fresh-stack thread that writes it after a stack overflow
  volatile LONG Stage;            // the last report step begun
  DWORD Code;
  ULONG_PTR Address;
  DWORD ParamCount;
  ULONG_PTR Params[EXCEPTION_MAXIMUM_PARAMETERS];
  wchar_t Name[48];
  int32_t ProcID;
  HANDLE File;
  wchar_t Path[kPathCapacity];
  wchar_t UserTemp[MAX_PATH + 1];
  wchar_t TempPath[MAX_PATH + 16];
  wchar_t Text[2048];
  char Bytes[8192];
};

CrashState g_crash;

// ---- the report file -----------------------------------------------------------

// The start time as the file name carries it; the present moment when the
// start time was never recorded.
void AddFileStamp(FixedText& t) {
  try {
    const std::wstring& stamp = AppEnv().AppInst_InitDateTime_FilenameFriendly;
    if (!stamp.empty()) {
      t.Add(stamp);
      return;
    }
  } catch (...) {
  }
  SYSTEMTIME st;
  ::GetLocalTime(&st);
  t.Dec(st.wYear);
  t.Add(L"-");
  t.Dec2(st.wMonth);
  t.Add(L"-");
  t.Dec2(st.wDay);
  t.Add(L" ");
  t.Dec2(st.wHour);
  t.Add(L".");
  t.Dec2(st.wMinute);
  t.Add(L".");
  t.Dec2(st.wSecond);
}

void AddFileName(FixedText& t) {
  t.Add(L"LumoBrowser_Crash_");
  AddFileStamp(t);
  t.Add(L".txt");
}

// Creates the folder in g_crash.Path and its missing parents, then opens
// the report in it for appending. False when the folder cannot be written.
bool OpenReportIn(const wchar_t* sFolder, size_t lLen) {
  while (lLen > 0 && (sFolder[lLen - 1] == L'\\' || sFolder[lLen - 1] == L'/')) --lLen;
  if (lLen == 0) return false;
  FixedText path(g_crash.Path, kPathCapacity);
  // Long folders need the extended-length form for the wide file calls.
  const bool extended =
      lLen >= 3 && sFolder[0] == L'\\' && sFolder[1] == L'\\' && sFolder[2] == L'?';
  if (!extended && lLen + 64 >= MAX_PATH) {
    if (lLen >= 3 && sFolder[1] == L':' && sFolder[2] == L'\\') {
      path.Add(L"\\\\?\\");
    } else if (lLen >= 3 && sFolder[0] == L'\\' && sFolder[1] == L'\\') {
      path.Add(L"\\\\?\\UNC\\");
      sFolder += 2;
      lLen -= 2;
    }
  }
  path.Add(sFolder, lLen);
  if (path.Overflow()) return false;
  // Each parent, then the folder itself; existing ones just fail.
  for (size_t i = 1; i < path.Len(); ++i) {
    const wchar_t before = g_crash.Path[i - 1];
    if (g_crash.Path[i] != L'\\' || before == L'\\' || before == L':' || before == L'?') continue;
    g_crash.Path[i] = L'\0';
    ::CreateDirectoryW(g_crash.Path, nullptr);
    g_crash.Path[i] = L'\\';
  }
  ::CreateDirectoryW(g_crash.Path, nullptr);
  path.Add(L"\\");
  AddFileName(path);
  if (path.Overflow()) return false;
  const HANDLE h = ::CreateFileW(g_crash.Path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                 OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  g_crash.File = h;
  return true;
}

void OpenReport() {
  try {
    const std::wstring& temp = AppEnv().AppPath_Temp;
    if (OpenReportIn(temp.c_str(), temp.size())) return;
  } catch (...) {
  }
  const DWORD n = ::GetTempPathW(MAX_PATH + 1, g_crash.UserTemp);
  if (n == 0 || n > MAX_PATH) return;
  FixedText folder(g_crash.TempPath, MAX_PATH + 16);
  folder.Add(g_crash.UserTemp, n);
  if (g_crash.UserTemp[n - 1] != L'\\') folder.Add(L"\\");
  folder.Add(L"Lumo");
  if (!folder.Overflow()) OpenReportIn(folder.Str(), folder.Len());
}

// Writes text in the ANSI code page, in pieces through a fixed buffer.
void WriteWide(const wchar_t* s, size_t n) {
  if (g_crash.File == nullptr) return;
  while (n > 0) {
    size_t take = n < 2048 ? n : 2048;
    // Keep a surrogate pair together.
    if (take < n && take > 1 && s[take - 1] >= 0xD800 && s[take - 1] <= 0xDBFF) --take;
    const int bytes =
        ::WideCharToMultiByte(CP_ACP, 0, s, static_cast<int>(take), g_crash.Bytes,
                              static_cast<int>(sizeof(g_crash.Bytes)), nullptr, nullptr);
    DWORD written = 0;
    if (bytes > 0)
      ::WriteFile(g_crash.File, g_crash.Bytes, static_cast<DWORD>(bytes), &written, nullptr);
    s += take;
    n -= take;
  }
}

void WriteText(const FixedText& t) {
  WriteWide(t.Str(), t.Len());
}

// The facts of the crash, written before anything that needs the heap.
void WriteHeader() {
  FixedText t(g_crash.Text, sizeof(g_crash.Text) / sizeof(wchar_t));
  t.Add(L"-------- ");
  t.Add(App_Common::ProgramTitle);
  t.Add(L" crash report --------\r\n");
  t.Add(L"Exception: ");
  t.Add(g_crash.Name);
  t.Add(L" (&H");
  t.Hex(g_crash.Code, 8);
  t.Add(L") at &H");
  t.Hex(g_crash.Address, static_cast<int>(sizeof(ULONG_PTR) * 2));
  t.Add(L"\r\n");
  if (g_crash.ParamCount > 0) {
    t.Add(L"Parameters:");
    for (DWORD i = 0; i < g_crash.ParamCount; ++i) {
      t.Add(L" &H");
      t.Hex(g_crash.Params[i], static_cast<int>(sizeof(ULONG_PTR) * 2));
    }
    t.Add(L"\r\n");
  }
  t.Add(L"Run-time error ");
  t.Dec(ErrProcessorException);
  t.Add(L" (");
  t.Add(ErrSource);
  t.Add(L") in ");
  const App_Proc* proc = g_crash.ProcID != 0 ? App_Debug::ProcObject(g_crash.ProcID) : nullptr;
  if (proc) {
    t.Add(proc->SourceModule());
    t.Add(L".");
    t.Add(proc->SourceName());
    t.Add(L".ProcID=");
    t.Dec(g_crash.ProcID);
  } else {
    t.Add(L"no traced call");
  }
  t.Add(L"\r\n\r\nPending debug log:\r\n\r\n");
  WriteText(t);
}

// Logs the exception as the run-time error of the innermost open call, as
// the step guard of that call would have logged it.
void LogRuntimeError() {
  try {
    App_ErrState& e = App_Err::Pending();
    e.Number = ErrProcessorException;
    e.Description.assign(g_crash.Name);
    e.Source.assign(ErrSource);
    e.LastDllError = 0;
    App_Debug::ProcError(g_crash.ProcID != 0 ? g_crash.ProcID : -1, L"", L"");
  } catch (...) {
  }
}

void WritePendingLog() {
  try {
    const std::wstring_view pending = App_Debug::DebugLogPendingView();
    WriteWide(pending.data(), pending.size());
  } catch (...) {
    static const wchar_t kLost[] = L"(the pending debug log could not be read)\r\n";
    WriteWide(kLost, std::wcslen(kLost));
  }
}

// Each step runs at most once: when a step faults, the filter is entered
// again and goes on with the steps after it.
bool BeginStage(LONG lStage) {
  if (g_crash.Stage >= lStage) return false;
  g_crash.Stage = lStage;
  return true;
}

void RunReport() {
  if (BeginStage(1)) OpenReport();
  if (BeginStage(2)) WriteHeader();
  if (BeginStage(3)) LogRuntimeError();
  if (BeginStage(4)) WritePendingLog();
  if (BeginStage(5) && g_crash.File != nullptr) {
    ::CloseHandle(g_crash.File);
    g_crash.File = nullptr;
  }
}

DWORD WINAPI ReportThread(void*) {
  RunReport();
  return 0;
}

// A stack overflow leaves the faulting thread almost no stack: the report
// is written by a fresh thread while the faulting one waits.
void RunReportOnFreshStack() {
  DWORD tid = 0;
  const HANDLE h =
      ::CreateThread(nullptr, 256 * 1024, &ReportThread, nullptr, CREATE_SUSPENDED, &tid);
  if (h == nullptr) {
    RunReport();
    return;
  }
  g_crash.WorkerThread = static_cast<LONG>(tid);
  ::ResumeThread(h);
  ::WaitForSingleObject(h, 15000);
  ::CloseHandle(h);
}

[[noreturn]] void EndProcess() {
  ::TerminateProcess(::GetCurrentProcess(), g_crash.Code);
  ::ExitProcess(g_crash.Code);
}

void CaptureException(const EXCEPTION_POINTERS* ep) {
  const EXCEPTION_RECORD* r = GetInnermostExceptionRecord(ep ? ep->ExceptionRecord : nullptr);
  g_crash.Code = r ? r->ExceptionCode : 0;
  g_crash.Address = r ? reinterpret_cast<ULONG_PTR>(r->ExceptionAddress) : 0;
  g_crash.ParamCount = 0;
  if (r) {
    g_crash.ParamCount = r->NumberParameters < EXCEPTION_MAXIMUM_PARAMETERS
                             ? r->NumberParameters
                             : EXCEPTION_MAXIMUM_PARAMETERS;
    for (DWORD i = 0; i < g_crash.ParamCount; ++i) g_crash.Params[i] = r->ExceptionInformation[i];
  }
  FixedText name(g_crash.Name, sizeof(g_crash.Name) / sizeof(wchar_t));
  AddExceptionName(name, g_crash.Code);
  g_crash.ProcID = App_CallStack::Innermost();
}

}  // namespace

void InstallExceptionHandler(int32_t lFilterResult) {
  if (!g_installed) {
    ::SetUnhandledExceptionFilter(&ExceptionFilter);
    g_installed = true;
  }
  g_filterResult = lFilterResult;
}

void UninstallExceptionHandler() {
  if (!g_installed) return;
  ::SetUnhandledExceptionFilter(nullptr);
  g_installed = false;
}

bool ExceptionHandlerInstalled() {
  return g_installed;
}
int32_t ExceptionFilterResult() {
  return g_filterResult;
}

std::wstring GetExceptionName(uint32_t lExceptionCode) {
  wchar_t buf[48];
  FixedText t(buf, 48);
  AddExceptionName(t, lExceptionCode);
  return std::wstring(t.Str(), t.Len());
}

const EXCEPTION_RECORD* GetInnermostExceptionRecord(const EXCEPTION_RECORD* pRecord) {
  for (size_t i = 0; pRecord && pRecord->ExceptionRecord && i < kMaxChain; ++i)
    pRecord = pRecord->ExceptionRecord;
  return pRecord;
}

std::wstring GetExceptionPointersName(const EXCEPTION_POINTERS* pExceptionPointers) {
  const EXCEPTION_RECORD* r = GetInnermostExceptionRecord(
      pExceptionPointers ? pExceptionPointers->ExceptionRecord : nullptr);
  return GetExceptionName(r ? r->ExceptionCode : 0);
}

std::wstring CrashReportFileName() {
  wchar_t buf[MAX_PATH];
  FixedText t(buf, MAX_PATH);
  AddFileName(t);
  return std::wstring(t.Str(), t.Len());
}

LONG WINAPI ExceptionFilter(EXCEPTION_POINTERS* pExceptionPointers) {
  const LONG me = static_cast<LONG>(::GetCurrentThreadId());
  const LONG owner = ::InterlockedCompareExchange(&g_crash.ReportingThread, me, 0);
  if (owner == 0) {
    CaptureException(pExceptionPointers);
    if (g_crash.Code == EXCEPTION_STACK_OVERFLOW)
      RunReportOnFreshStack();
    else
      RunReport();
  } else if (owner == me || g_crash.WorkerThread == me) {
    // A fault while the report was being written: the remaining steps.
    RunReport();
  } else {
    // Another thread is writing the report and ends the process; this one
    // waits for that, and ends it itself only if it never happens.
    ::Sleep(30000);
  }
  EndProcess();
}

}  // namespace MExceptionHandler
