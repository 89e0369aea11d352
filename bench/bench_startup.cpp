// Launch to visible window: LumoBrowser.exe (with the real web view, from a
// fresh program folder) next to Wine's own iexplore.exe about:blank in the
// same prefix, which hosts the same web engine. Prints the median of a few
// runs of each; never fails on time. Needs a display (run it under Xvfb).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "gui/gui_driver.h"

namespace {

constexpr int kRuns = 7;

// Milliseconds to the visible window, or -1 when none came.
double Launch(const std::wstring& sExe, const std::wstring& sArgs, bool bRealWebView, const std::wstring& sClass) {
  gui::RunningBrowser b(sExe, sArgs, bRealWebView, sClass);
  if (!b.Window) return -1;
  const double ms = b.MsToWindow;
  b.Close();
  return ms;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? -1 : v[v.size() / 2];
}

void Report(const char* sWhat, const std::vector<double>& v) {
  std::printf("%-40s median %6.0f ms   (", sWhat, Median(v));
  for (double d : v) std::printf(" %.0f", d);
  std::printf(" )\n");
}

}  // namespace

int wmain() {
  gui::ProgramFolder folder;
  wchar_t ie[MAX_PATH] = {};
  ::ExpandEnvironmentStringsW(L"%ProgramFiles%\\Internet Explorer\\iexplore.exe", ie, MAX_PATH);

  // One warm-up of each: the first start loads the DLLs from disk.
  Launch(folder.Exe, L"", true, L"LumoForm");
  Launch(ie, L"about:blank", true, L"IEFrame");
  std::vector<double> lumo, iexplore;
  for (int i = 0; i < kRuns; ++i) {
    lumo.push_back(Launch(folder.Exe, L"", true, L"LumoForm"));
    iexplore.push_back(Launch(ie, L"about:blank", true, L"IEFrame"));
  }
  Report("LumoBrowser.exe to visible window", lumo);
  Report("iexplore.exe about:blank to its window", iexplore);
  std::printf("ratio: %.2f (goal: at most 0.5)\n", Median(lumo) / Median(iexplore));
  return 0;
}
