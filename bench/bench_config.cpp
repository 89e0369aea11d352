// Figures of the configuration store: loading a 100,000-line file against
// reading and splitting the same file, and lookups by key among 100,000
// settings. Prints its measurements; never fails on time.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_stats.h"
#include "app/App_Common.h"
#include "config/Config_Class.h"
#include "diag/App_Debug.h"
#include "fs/App_FileSystem.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

constexpr int kLines = 100000;
constexpr int kRuns = 9;

std::string Key(int i) {
  return "Section" + std::to_string(i % 100) + ".Setting_" + std::to_string(i);
}

std::wstring WKey(int i) {
  return L"Section" + std::to_wstring(i % 100) + L".Setting_" + std::to_wstring(i);
}

std::wstring WriteTestFile() {
  wchar_t buf[MAX_PATH + 1] = {};
  ::GetTempPathW(MAX_PATH, buf);
  std::wstring path = std::wstring(buf) + L"lumo_bench_config_" +
                      std::to_wstring(::GetCurrentProcessId()) + L".cfg";
  std::string text = "; generated settings\r\n[Bench]\r\n";
  for (int i = 0; i < kLines - 2; ++i) {
    text += Key(i) + "=value number " + std::to_string(i) + " of the bench file\r\n";
  }
  HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD done = 0;
  if (h != INVALID_HANDLE_VALUE) {
    ::WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &done, nullptr);
    ::CloseHandle(h);
  }
  std::printf("bench file: %d lines, %zu bytes\n", kLines, text.size());
  return path;
}

void BenchLoad(const std::wstring& path) {
  std::vector<double> readSplit, load, ratio;
  for (int r = 0; r < kRuns; ++r) {
    std::vector<std::wstring> lines;
    int32_t lUBound = -1;
    std::wstring sErr;
    const auto a = Clock::now();
    const bool ok =
        App_FileSystem::GetFileToArray2(path, lines, L"\r\n", false, lUBound, sErr, true);
    const auto b = Clock::now();
    if (!ok) std::printf("  read failed: %ls\n", sErr.c_str());
    readSplit.push_back(Seconds(a, b));

    Config_Class c;
    const auto e = Clock::now();
    c.LoadFile(path);
    const auto f = Clock::now();
    load.push_back(Seconds(e, f));
    ratio.push_back(load.back() / readSplit.back());
    if (r == 0) std::printf("settings loaded: %d\n", c.Count());
  }
  // The two are timed back to back in each run, so that a busy machine
  // weighs on both alike; the ratio is the median of the runs' ratios.
  const double rs = Median(readSplit), ld = Median(load);
  std::printf("read + split (GetFileToArray2): %8.1f ms median, %8.1f ms best  (%d runs)\n",
              rs * 1e3, *std::min_element(readSplit.begin(), readSplit.end()) * 1e3, kRuns);
  std::printf("LoadFile into a new store:      %8.1f ms median, %8.1f ms best\n", ld * 1e3,
              *std::min_element(load.begin(), load.end()) * 1e3);
  std::printf("  ratio load / read+split:      %8.2f x  (median of the runs; goal <= 2)\n",
              Median(ratio));
  std::printf("  per line: %.0f ns load, %.0f ns read+split\n", ld * 1e9 / kLines,
              rs * 1e9 / kLines);
}

void BenchLookup(int lSettings) {
  Config_Class c;
  for (int i = 0; i < lSettings; ++i) c.SetString(WKey(i), L"v" + std::to_wstring(i));
  // Keys in another case than stored, prepared outside the timing.
  std::vector<std::wstring> keys;
  const int n = 1000000;
  keys.reserve(4096);
  for (int i = 0; i < 4096; ++i) {
    std::wstring k = WKey(static_cast<int>((i * 7919LL) % lSettings));
    for (wchar_t& ch : k) ch = static_cast<wchar_t>(::towupper(ch));
    keys.push_back(std::move(k));
  }
  size_t found = 0;
  auto a = Clock::now();
  for (int i = 0; i < n; ++i) found += c.Item(keys[i & 4095]) != nullptr;
  auto b = Clock::now();
  const double item = Seconds(a, b) * 1e9 / n;
  size_t chars = 0;
  a = Clock::now();
  for (int i = 0; i < n; ++i) chars += c.GetString(keys[i & 4095]).size();
  b = Clock::now();
  const double get = Seconds(a, b) * 1e9 / n;
  size_t missing = 0;
  a = Clock::now();
  for (int i = 0; i < n; ++i) missing += c.ItemExists(L"Section1.Missing_Key") ? 0 : 1;
  b = Clock::now();
  const double miss = Seconds(a, b) * 1e9 / n;
  std::printf(
      "lookup among %6d settings: Item %6.1f ns, GetString %6.1f ns, missing key %6.1f ns"
      "  (%zu found, %zu chars, %zu misses)\n",
      lSettings, item, get, miss, found, chars, missing);
}

}  // namespace

int wmain() {
  App_Debug::InitDebugModuleVars();
  App_Common::SetAppGeneratedVars();
  App_Debug::DebugLog_Verbose = false;
  App_Debug::DebugLog_SystemOutput = false;

  const std::wstring path = WriteTestFile();
  BenchLoad(path);
  ::DeleteFileW(path.c_str());
  for (int lSettings : {1000, 10000, 100000}) BenchLookup(lSettings);
  return 0;
}
