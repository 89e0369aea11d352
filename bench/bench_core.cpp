// Figures of the framework core: one traced call, dLog, the debug-log
// buffer. Prints its measurements; never fails on time.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "app/App_Common.h"
#include "diag/App_Debug.h"
#include "diag/App_Trace.h"
#include "util/App_Time.h"
#include "util/App_Variables.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

// Committed private memory of the process, summed over its address space
// (the process memory counters are not filled under Wine).
size_t PrivateBytes() {
  size_t total = 0;
  MEMORY_BASIC_INFORMATION mbi{};
  for (char* p = nullptr; ::VirtualQuery(p, &mbi, sizeof(mbi)) == sizeof(mbi);
       p = static_cast<char*>(mbi.BaseAddress) + mbi.RegionSize) {
    if (mbi.State == MEM_COMMIT && mbi.Type == MEM_PRIVATE) total += mbi.RegionSize;
  }
  return total;
}

void Reset(bool verbose) {
  App_Debug::InitDebugModuleVars();
  App_Common::SetAppGeneratedVars();
  App_Debug::DebugLog_Verbose = verbose;
  App_Debug::DebugLog_SystemOutput = false;
}

__attribute__((noinline)) void TracedCall() { App_Trace t(L"Bench_Module", L"TracedCall"); }

void BenchTracedCall() {
  Reset(false);
  const int n = 1000000;
  for (int i = 0; i < 1000; ++i) TracedCall();  // warm the name pool
  const size_t before = PrivateBytes();
  const auto a = Clock::now();
  for (int i = 0; i < n; ++i) TracedCall();
  const auto b = Clock::now();
  const size_t after = PrivateBytes();
  std::printf("traced call (record + enter + exit): %8.1f ns/call, %6.1f bytes kept/call  (%d calls)\n",
              Seconds(a, b) * 1e9 / n, double(after - before) / n, n);
  std::printf("  App_Proc object itself: %zu bytes\n", sizeof(App_Proc));
}

void BenchDLog(bool verbose, int type, const char* label) {
  Reset(verbose);
  App_Trace t(L"Bench_Module", L"Logger");
  const int n = 200000;
  const std::wstring vars = pVar(L"lCount", 42, L"sName", L"value");
  const auto a = Clock::now();
  for (int i = 0; i < n; ++i) App_Debug::dLog(t.ID(), L"A notable step of the procedure", type, vars);
  const auto b = Clock::now();
  std::printf("dLog %-34s %8.1f ns/call  (log holds %d chars)\n", label, Seconds(a, b) * 1e9 / n,
              App_Debug::DebugLogPendingUsed());
}

void BenchTimeStamp() {
  const int n = 200000;
  std::wstring text;
  int32_t value = 0;
  const auto a = Clock::now();
  for (int i = 0; i < n; ++i) App_Time::GetTimesForLog(text, value, true);
  const auto b = Clock::now();
  std::printf("  of which the entry time stamp (GetTimesForLog): %8.1f ns/call\n", Seconds(a, b) * 1e9 / n);
}

void BenchBuffer(int n) {
  Reset(false);
  const std::wstring entry(100, L'x');
  const auto a = Clock::now();
  for (int i = 0; i < n; ++i) App_Debug::DebugLogAddEntry(entry);
  const auto b = Clock::now();
  const double s = Seconds(a, b);
  std::printf("DebugLogAddEntry x %8d (104 chars each): %8.3f s total, %6.1f ns/entry, buffer %d chars\n", n, s,
              s * 1e9 / n, App_Debug::DebugLogPendingUsed());
}

}  // namespace

int wmain() {
  App_Common::InitAppGeneratedVars();
  BenchTracedCall();
  BenchDLog(false, evNormal, "Normal, verbose off:");
  BenchDLog(false, evVerbose, "Verbose, verbose off (not written):");
  BenchDLog(true, evVerbose, "Verbose, verbose on:");
  BenchTimeStamp();
  BenchBuffer(100000);
  BenchBuffer(1000000);
  return 0;
}
