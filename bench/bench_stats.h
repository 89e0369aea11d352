// The benchmarks' figures: the median of a few runs, and one line per
// program with its median and every run.
#pragma once

#include <algorithm>
#include <cstdio>
#include <vector>

// The value a share q (0 to 1) of the runs stays at or under; -1 for none.
inline double Quantile(std::vector<double> v, double q) {
  std::sort(v.begin(), v.end());
  return v.empty() ? -1 : v[static_cast<size_t>(q * static_cast<double>(v.size() - 1) + 0.5)];
}

inline double Median(const std::vector<double>& v) {
  return Quantile(v, 0.5);
}

// "what   median 12.3 ms   ( 12 14 11 )", with the median's decimals given.
inline void Report(const char* sWhat, const std::vector<double>& v, int nDecimals = 0) {
  std::printf("%-46s median %6.*f ms   (", sWhat, nDecimals, Median(v));
  for (double d : v) std::printf(" %.0f", d);
  std::printf(" )\n");
}
