// The benchmarks' figures: the median of a few runs, and one line per
// program with its median and every run.
#pragma once

#include <algorithm>
#include <cstdio>
#include <vector>

inline double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? -1 : v[v.size() / 2];
}

// "what   median 12.3 ms   ( 12 14 11 )", with the median's decimals given.
inline void Report(const char* sWhat, const std::vector<double>& v, int nDecimals = 0) {
  std::printf("%-46s median %6.*f ms   (", sWhat, nDecimals, Median(v));
  for (double d : v) std::printf(" %.0f", d);
  std::printf(" )\n");
}
