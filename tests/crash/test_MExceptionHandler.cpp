// Crash reporting: exception names, the walk to the innermost nested record,
// installing the filter, the tracking of open traced calls, and the report
// that a real crash writes before the process ends with the exception code.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/MExceptionHandler.h"
#include "diag/App_CallStack.h"
#include "diag/App_Trace.h"
#include "lumo_files.h"
#include "lumo_probe.h"
#include "lumo_test.h"
#include "platform/App_Env.h"

using namespace MExceptionHandler;

namespace {

std::wstring UserTemp() {
  wchar_t buf[MAX_PATH + 1] = {};
  ::GetTempPathW(MAX_PATH + 1, buf);
  return buf;  // with its trailing backslash
}

std::wstring UniqueName(const wchar_t* sPrefix) {
  return sPrefix + std::to_wstring(::GetCurrentProcessId()) + L"_" + std::to_wstring(::GetTickCount());
}

// The exception a probe's fault raises: its code and its name in the report.
// Under qemu-user (the 32-bit road: scripts/wow64.sh sets LUMO_WOW64_QEMU)
// every fault of 32-bit code arrives as an illegal instruction instead.
struct Fault {
  DWORD Code;
  std::string Name;
  std::string ReportLine() const {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%08lX", static_cast<unsigned long>(Code));
    return "Exception: " + Name + " (&H" + hex + ")";
  }
};
Fault Expected(DWORD lCode, const char* sName) {
  if (::GetEnvironmentVariableW(L"LUMO_WOW64_QEMU", nullptr, 0) > 0)
    return {0xC000001D, "Illegal Instruction"};
  return {lCode, sName};
}
const Fault kAccessViolation = Expected(0xC0000005, "Access Violation");

std::vector<std::wstring> FindReports(const std::wstring& sFolder) {
  std::vector<std::wstring> out;
  WIN32_FIND_DATAW fd;
  const HANDLE h = ::FindFirstFileW((sFolder + L"\\LumoBrowser_Crash_*.txt").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return out;
  do {
    out.push_back(sFolder + L"\\" + fd.cFileName);
  } while (::FindNextFileW(h, &fd));
  ::FindClose(h);
  return out;
}

// The line of the text that contains sWhat ("" when none does).
std::string LineWith(const std::string& sText, const std::string& sWhat) {
  const size_t p = sText.find(sWhat);
  if (p == std::string::npos) return {};
  const size_t start = sText.rfind('\n', p);
  const size_t end = sText.find('\r', p);
  return sText.substr(
      start == std::string::npos ? 0 : start + 1,
      (end == std::string::npos ? sText.size() : end) - (start == std::string::npos ? 0 : start + 1));
}

LONG WINAPI SentinelFilter(EXCEPTION_POINTERS*) {
  return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

TEST(ExceptionNames, KnownCodesByNameAnyOtherByItsEightHexDigits) {
  // A few codes of the known ones (the first and last, and neighbours), then
  // codes the handler does not know, neighbours of known ones among them.
  // clang-format off
  const struct { uint32_t in; const wchar_t* want; } cases[] = {
      {0x80000001, L"Guard Page Violation"}, {0xC0000005, L"Access Violation"},
      {0xC0000094, L"Integer Divide By Zero"}, {0xC0000095, L"Integer Overflow"},
      {0xC000013A, L"Control-C Exit"},
      {0xC0000409, L"Unknown (&HC0000409)"}, {1, L"Unknown (&H00000001)"}, {0, L"Unknown (&H00000000)"},
      {0xFFFFFFFF, L"Unknown (&HFFFFFFFF)"}, {0xABCDEF, L"Unknown (&H00ABCDEF)"},
      {0xC0000004, L"Unknown (&HC0000004)"}, {0xC00000FC, L"Unknown (&HC00000FC)"},
      {0x80000000, L"Unknown (&H80000000)"}};
  // clang-format on
  // Named as the filter names it: from the exception record it is handed.
  LumoEachCase(cases, [](const auto& c) {
    EXCEPTION_RECORD record{};
    record.ExceptionCode = c.in;
    EXCEPTION_POINTERS ep{&record, nullptr};
    EXPECT_EQ(GetExceptionPointersName(&ep), c.want);
    EXPECT_EQ(GetExceptionName(c.in), c.want);
  });
}

TEST(ExceptionChain, TheInnermostRecordOfTheChainNamesTheException) {
  EXCEPTION_RECORD inner{}, middle{}, outer{};
  inner.ExceptionCode = 0xC00000FD;
  middle.ExceptionCode = 0xC0000094;
  middle.ExceptionRecord = &inner;
  outer.ExceptionCode = 0xC0000005;
  outer.ExceptionRecord = &middle;
  EXCEPTION_POINTERS ep{&outer, nullptr};
  EXPECT_EQ(GetInnermostExceptionRecord(&outer), &inner);
  EXPECT_EQ(GetExceptionPointersName(&ep), L"Stack Overflow");

  // A lone record names itself.
  EXCEPTION_RECORD lone{};
  lone.ExceptionCode = 0xC0000409;
  EXCEPTION_POINTERS epLone{&lone, nullptr};
  EXPECT_EQ(GetInnermostExceptionRecord(&lone), &lone);
  EXPECT_EQ(GetExceptionPointersName(&epLone), L"Unknown (&HC0000409)");

  // Nothing to read: code 0.
  EXPECT_EQ(GetInnermostExceptionRecord(nullptr), nullptr);
  EXPECT_EQ(GetExceptionPointersName(nullptr), L"Unknown (&H00000000)");
  EXCEPTION_POINTERS empty{nullptr, nullptr};
  EXPECT_EQ(GetExceptionPointersName(&empty), L"Unknown (&H00000000)");

  // A chain that loops back on itself (a damaged record) ends the walk
  // instead of hanging it.
  EXCEPTION_RECORD a{}, b{};
  a.ExceptionCode = 0xC0000005;
  b.ExceptionCode = 0xC0000006;
  a.ExceptionRecord = &b;
  b.ExceptionRecord = &a;
  const EXCEPTION_RECORD* end = GetInnermostExceptionRecord(&a);
  EXPECT_TRUE(end == &a || end == &b);
}

TEST(ExceptionHandlerInstall, InstallingTwiceRegistersOnceAndUninstallingTwiceRemovesOnce) {
  const LPTOP_LEVEL_EXCEPTION_FILTER original = ::SetUnhandledExceptionFilter(nullptr);
  if (ExceptionHandlerInstalled()) UninstallExceptionHandler();

  InstallExceptionHandler(-1);
  EXPECT_TRUE(ExceptionHandlerInstalled());
  EXPECT_EQ(ExceptionFilterResult(), -1);
  EXPECT_EQ(::SetUnhandledExceptionFilter(&SentinelFilter), &ExceptionFilter);

  // The second call only changes the stored result: it does not register
  // again over the filter that is there now.
  InstallExceptionHandler(1);
  EXPECT_EQ(ExceptionFilterResult(), 1);
  EXPECT_EQ(::SetUnhandledExceptionFilter(&SentinelFilter), &SentinelFilter);

  UninstallExceptionHandler();
  EXPECT_FALSE(ExceptionHandlerInstalled());
  EXPECT_EQ(::SetUnhandledExceptionFilter(&SentinelFilter), nullptr);

  // Not installed any more: the second uninstall leaves the filter alone.
  UninstallExceptionHandler();
  EXPECT_FALSE(ExceptionHandlerInstalled());
  EXPECT_EQ(::SetUnhandledExceptionFilter(original), &SentinelFilter);
}

TEST(CallStack, TracksTheInnermostOpenTracedCall) {
  LumoDebugFixtureState fx;
  fx.Reset();
  const int32_t depth = App_CallStack::Depth();
  const int32_t base = App_CallStack::Innermost();
  {
    App_Trace a(L"Test_Crash", L"A");
    EXPECT_EQ(App_CallStack::Innermost(), a.ID());
    {
      App_Trace b(L"Test_Crash", L"B");
      EXPECT_EQ(App_CallStack::Innermost(), b.ID());
      EXPECT_EQ(App_CallStack::Depth(), depth + 2);
    }
    { App_Trace c(L"Test_Crash", L"C"); }
    // B and C have closed: A is innermost again.
    EXPECT_EQ(App_CallStack::Innermost(), a.ID());
    // A record that could not be made, and a close of a call that is not
    // innermost, change nothing.
    App_CallStack::Push(0);
    App_CallStack::Pop(a.ID() + 100);
    EXPECT_EQ(App_CallStack::Innermost(), a.ID());
    EXPECT_EQ(App_CallStack::Depth(), depth + 1);
  }
  EXPECT_EQ(App_CallStack::Innermost(), base);
  EXPECT_EQ(App_CallStack::Depth(), depth);
}

TEST(CrashReport, FileNameCarriesTheStartTime) {
  std::wstring& stamp = AppEnv().AppInst_InitDateTime_FilenameFriendly;
  const std::wstring saved = stamp;
  stamp = L"2024-01-02 03.04.05";
  EXPECT_EQ(CrashReportFileName(), L"LumoBrowser_Crash_2024-01-02 03.04.05.txt");
  // Without a recorded start time the present moment stands in, in the
  // same form.
  stamp.clear();
  const std::wstring now = CrashReportFileName();
  ASSERT_EQ(now.size(), std::wstring(L"LumoBrowser_Crash_yyyy-mm-dd hh.nn.ss.txt").size()) << now;
  EXPECT_EQ(now.substr(0, 18), L"LumoBrowser_Crash_");
  EXPECT_EQ(now[22], L'-');
  EXPECT_EQ(now[28], L' ');
  EXPECT_EQ(now[31], L'.');
  EXPECT_EQ(now.substr(now.size() - 4), L".txt");
  stamp = saved;
}

TEST(CrashReport, AccessViolationIsLoggedReportedAndEndsTheProcessWithItsCode) {
  const std::wstring base = UserTemp() + UniqueName(L"lumo_crash_");
  // Neither the folder nor its parent exists yet: both are created.
  const std::wstring folder = base + L"\\Deep\\Temp";
  // Given with a trailing backslash (doubled before the closing quote).
  const DWORD code =
      LumoRunProbe(L"\"" + LumoTestDir() + L"probe_crash_av.exe\" \"" + folder + L"\\\\\"").ExitCode;
  EXPECT_EQ(code, kAccessViolation.Code);

  const std::vector<std::wstring> reports = FindReports(folder);
  ASSERT_EQ(reports.size(), 1u);
  const std::string text = LumoReadBytes(reports[0]);
  EXPECT_NE(text.find(kAccessViolation.ReportLine()), std::string::npos) << text;

  // The line logged just before the fault, then the error entry of the
  // innermost open call (not the closed one, not the outer one).
  const size_t logged = text.find("About to read through a null pointer");
  ASSERT_NE(logged, std::string::npos) << text;
  const std::string entry = LineWith(text.substr(logged), "10000");
  EXPECT_NE(entry.find("Probe_Crash.ReadNothing.ProcID="), std::string::npos) << text;
  EXPECT_NE(entry.find("ErrorHandler"), std::string::npos) << entry;
  EXPECT_NE(entry.find("ExceptionHandler"), std::string::npos) << entry;
  EXPECT_NE(entry.find(kAccessViolation.Name), std::string::npos) << entry;
  // The start-up lines of the log are there too.
  EXPECT_NE(text.find("--== New Instance [LumoBrowser] ==--"), std::string::npos);
  EXPECT_EQ(text.find("AlreadyClosed.ProcID"), std::string::npos);
  LumoRemoveTree(base);
}

TEST(CrashReport, UnwritableTempFolderFallsBackToTheUserTempFolder) {
  // A folder below a file can be neither created nor written.
  const std::wstring blocker = UserTemp() + UniqueName(L"lumo_blocker_") + L".txt";
  const HANDLE h = ::CreateFileW(blocker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  ::CloseHandle(h);
  const std::string marker =
      "marker-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(::GetTickCount());
  const DWORD code = LumoRunProbe(L"\"" + LumoTestDir() + L"probe_crash_av.exe\" \"" + blocker +
                                  L"\\Temp\" " + LumoWiden(marker))
                         .ExitCode;
  EXPECT_EQ(code, kAccessViolation.Code);
  ::DeleteFileW(blocker.c_str());

  const std::wstring fallback = UserTemp() + L"Lumo";
  bool found = false;
  for (const std::wstring& report : FindReports(fallback)) {
    const std::string text = LumoReadBytes(report);
    if (text.find(marker) == std::string::npos) continue;
    found = true;
    EXPECT_NE(text.find(kAccessViolation.Name), std::string::npos);
    ::DeleteFileW(report.c_str());
  }
  EXPECT_TRUE(found);
  ::RemoveDirectoryW(fallback.c_str());  // only when nothing else is left in it
}

TEST(CrashReport, StackOverflowIsReportedFromAFreshStack) {
  const std::wstring folder = UserTemp() + UniqueName(L"lumo_crash_so_");
  const DWORD code =
      LumoRunProbe(L"\"" + LumoTestDir() + L"probe_crash_so.exe\" \"" + folder + L"\"").ExitCode;
  const Fault overflow = Expected(0xC00000FD, "Stack Overflow");
  EXPECT_EQ(code, overflow.Code);
  const std::vector<std::wstring> reports = FindReports(folder);
  ASSERT_EQ(reports.size(), 1u);
  const std::string text = LumoReadBytes(reports[0]);
  EXPECT_NE(text.find(overflow.ReportLine()), std::string::npos) << text;
  const size_t logged = text.find("About to run out of stack");
  ASSERT_NE(logged, std::string::npos) << text;
  const std::string entry = LineWith(text.substr(logged), "10000");
  EXPECT_NE(entry.find("Probe_Crash.RecurseForever.ProcID="), std::string::npos) << text;
  LumoRemoveTree(folder);
}
