// The launcher's cost per start: RunX starting a trivial child and waiting
// for it, against CreateProcessW plus WaitForSingleObject done directly, in
// alternating rounds. Prints medians and the overhead; never fails on time.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_stats.h"
#include "app/App_Common.h"
#include "diag/App_Debug.h"
#include "process/App_RunX.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double, std::milli>(b - a).count();
}

}  // namespace

int wmain() {
  App_Debug::InitDebugModuleVars();
  App_Common::SetAppGeneratedVars();
  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring exe(self);
  exe = exe.substr(0, exe.rfind(L'\\') + 1) + L"probe_procprobe.exe";

  const int kRounds = 21;
  std::vector<double> direct, runx;
  for (int i = 0; i < kRounds; ++i) {
    auto a = Clock::now();
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    std::wstring cmd = L"probe_procprobe.exe exit";
    if (::CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
      ::WaitForSingleObject(pi.hProcess, INFINITE);
      ::CloseHandle(pi.hThread);
      ::CloseHandle(pi.hProcess);
    }
    auto b = Clock::now();
    const App_RunX::RxResult r = App_RunX::RunX(exe, L"exit", true, false, 0, SW_HIDE);
    auto c = Clock::now();
    if (!r.Process_Create_Success) std::printf("RunX failed in round %d\n", i);
    if (i == 0) continue;  // the first round warms the caches
    direct.push_back(Ms(a, b));
    runx.push_back(Ms(b, c));
  }
  const double d = Median(direct), x = Median(runx);
  std::printf("start and wait, median of %zu alternating rounds:\n", direct.size());
  std::printf("  CreateProcessW + WaitForSingleObject: %.1f ms\n", d);
  std::printf("  RunX:                                 %.1f ms\n", x);
  std::printf("  overhead per start:                   %.1f ms (ratio %.2f)\n", x - d, x / d);
  return 0;
}
