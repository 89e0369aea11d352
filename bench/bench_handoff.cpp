// A "/s=" hand-off to the portable browser, from launch until LumoBrowser.exe
// has ended, next to the cheapest Windows process (bench_trivial.exe) in the
// same prefix, started alternately. Prints the medians and their ratio;
// never fails on time.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_stats.h"
#include "gui/gui_driver.h"

namespace {

constexpr int kRuns = 15;
constexpr DWORD kStandInEnds = 250;  // ms: the stand-in browser writes its line and ends
constexpr wchar_t kToolsKey[] = L"SOFTWARE\\LumoTech\\Lumo\\Session\\Paths";

// Milliseconds from CreateProcessW until the process has ended.
double RunToEnd(const std::wstring& sCmdLine) {
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  std::wstring cmd = sCmdLine;
  LARGE_INTEGER f, a, b;
  ::QueryPerformanceFrequency(&f);
  ::QueryPerformanceCounter(&a);
  if (!::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return -1;
  ::WaitForSingleObject(pi.hProcess, 30000);
  ::QueryPerformanceCounter(&b);
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  return (b.QuadPart - a.QuadPart) * 1000.0 / f.QuadPart;
}

}  // namespace

int wmain() {
  gui::ProgramFolder folder("Browser.UseInternal=2\r\nBrowser.PortablePath=x.exe\r\n", {}, gui::kShippedExe);
  const std::wstring tools = folder.Root + L"\\Tools";
  ::CreateDirectoryW(tools.c_str(), nullptr);
  ::CopyFileW((LumoTestDir() + L"probe_urlsink.exe").c_str(), (tools + L"\\x.exe").c_str(), FALSE);
  HKEY k = nullptr;
  ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kToolsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr);
  ::RegSetValueExW(k, L"3ptDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(tools.c_str()),
                   static_cast<DWORD>((tools.size() + 1) * sizeof(wchar_t)));
  ::RegCloseKey(k);

  const std::wstring lumo = L"\"" + folder.Exe + L"\" /s=disk cleanup";
  const std::wstring trivial = L"\"" + LumoTestDir() + L"bench_trivial.exe\"";
  RunToEnd(lumo);  // warm-up: the first start loads the DLLs from disk
  RunToEnd(trivial);
  std::vector<double> handoff, bare;
  for (int i = 0; i < kRuns; ++i) {
    handoff.push_back(RunToEnd(lumo));
    // The stand-in browser the hand-off started runs on after the program
    // has ended: each start that is timed comes after it has finished.
    ::Sleep(kStandInEnds);
    bare.push_back(RunToEnd(trivial));
  }
  Report("LumoBrowser.exe /s= hand-off to its end", handoff, 1);
  Report("bench_trivial.exe to its end", bare, 1);
  std::printf("ratio: %.2f (goal: at most 3)\n", Median(handoff) / Median(bare));
  ::Sleep(500);  // the stand-ins finish writing
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kToolsKey, 0, KEY_SET_VALUE, &k) == ERROR_SUCCESS) {
    ::RegDeleteValueW(k, L"3ptDir");
    ::RegCloseKey(k);
  }
  return 0;
}
