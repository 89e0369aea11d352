#include "util/App_Arrays.h"

#include <unordered_set>
#include <utility>

#include "diag/App_Trace.h"
#include "util/App_Strings.h"

namespace App_Arrays {

namespace {
// Surrounding blanks: spaces, tabs and line breaks.
std::wstring TrimBlanks(const std::wstring& s) {
  const size_t a = s.find_first_not_of(L" \t\r\n");
  if (a == std::wstring::npos) return {};
  const size_t b = s.find_last_not_of(L" \t\r\n");
  return s.substr(a, b - a + 1);
}

bool IsBlank(const std::wstring& s) { return s.find_first_not_of(L" \t\r\n") == std::wstring::npos; }
}  // namespace

bool IsStringArrayEmpty(const std::vector<std::wstring>& arr, bool bTrimElements) {
  App_Trace t(L"App_Arrays", L"IsStringArrayEmpty");
  bool empty = true;
  t.Step([&] {
    for (const std::wstring& s : arr) {
      if (bTrimElements ? !IsBlank(s) : !s.empty()) {
        empty = false;
        break;
      }
    }
  });
  t.Vars(vkFunctionReturn, {empty});
  return empty;
}

int32_t TrimStringArray(std::vector<std::wstring>& arr, bool bRemoveEmpty) {
  if (arr.empty()) return 0;
  int32_t removed = 0;
  try {
    for (std::wstring& s : arr) s = TrimBlanks(s);
    if (bRemoveEmpty) {
      std::vector<std::wstring> kept;
      kept.reserve(arr.size());
      for (std::wstring& s : arr) {
        if (s.empty()) ++removed;
        else kept.push_back(std::move(s));
      }
      if (removed > 0) arr = std::move(kept);
      else for (size_t i = 0; i < arr.size(); ++i) arr[i] = std::move(kept[i]);
    }
  } catch (...) {
  }
  return removed;
}

int32_t StringArrayRemoveEmptyElements(std::vector<std::wstring>& arr) {
  if (arr.empty()) return 0;
  int32_t removed = 0;
  try {
    std::vector<std::wstring> kept;
    kept.reserve(arr.size());
    for (const std::wstring& s : arr) {
      if (IsBlank(s)) ++removed;
      else kept.push_back(s);
    }
    if (removed > 0) arr = std::move(kept);
  } catch (...) {
  }
  return removed;
}

void RemoveDuplicatesFromStringArray(std::vector<std::wstring>& arr, bool bTextCompare) {
  App_Trace t(L"App_Arrays", L"RemoveDuplicatesFromStringArray", ptSub);
  if (IsStringArrayEmpty(arr, true)) return;
  t.Step([&] {
    // Equal elements have equal keys (the folded text in text mode), so a
    // hash of the kept keys finds the first equal kept element.
    std::unordered_set<std::wstring> seen;
    std::vector<std::wstring> kept;
    kept.reserve(arr.size());
    for (std::wstring& s : arr) {
      if (seen.insert(bTextCompare ? App_Strings::LCase(s) : s).second) kept.push_back(std::move(s));
    }
    arr = std::move(kept);
  });
}

void ArrayAddString(const std::wstring& sText, std::vector<std::wstring>& arr) {
  App_Trace t(L"App_Arrays", L"ArrayAddString", ptSub);
  t.Step([&] { arr.push_back(sText); });
}

}  // namespace App_Arrays

namespace {

int CompareBin(const std::wstring& a, const std::wstring& b) { return a.compare(b); }

int CompareTxt(const std::wstring& a, const std::wstring& b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const wchar_t x = App_Strings::LowerChar(a[i]), y = App_Strings::LowerChar(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// The partition of the framework's quicksort; recursion goes into the
// smaller part and the larger is handled by the loop, so the depth stays
// logarithmic.
template <int (*Cmp)(const std::wstring&, const std::wstring&)>
void QuickSort(std::vector<std::wstring>& arr, int32_t low, int32_t high) {
  if (arr.empty()) return;
  if (high == 0) {
    low = 0;
    high = static_cast<int32_t>(arr.size()) - 1;
  }
  if (low < 0 || high >= static_cast<int32_t>(arr.size())) return;
  while (low < high) {
    const std::wstring pivot = arr[static_cast<size_t>(low + (high - low) / 2)];
    int32_t i = low, j = high;
    while (i <= j) {
      while (Cmp(arr[i], pivot) < 0 && i < high) ++i;
      while (Cmp(pivot, arr[j]) < 0 && j > low) --j;
      if (i <= j) {
        std::swap(arr[i], arr[j]);
        ++i;
        --j;
      }
    }
    if (j - low < high - i) {
      if (low < j) QuickSort<Cmp>(arr, low, j);
      low = i;
    } else {
      if (i < high) QuickSort<Cmp>(arr, i, high);
      high = j;
    }
  }
}

}  // namespace

namespace Array_BinComp {
void QuickSortStringArrayB(std::vector<std::wstring>& arr, int32_t lLow, int32_t lHigh) {
  try {
    QuickSort<CompareBin>(arr, lLow, lHigh);
  } catch (...) {
  }
}
}  // namespace Array_BinComp

namespace Array_TxtComp {
void QuickSortStringArray(std::vector<std::wstring>& arr, int32_t lLow, int32_t lHigh) {
  try {
    QuickSort<CompareTxt>(arr, lLow, lHigh);
  } catch (...) {
  }
}
}  // namespace Array_TxtComp
