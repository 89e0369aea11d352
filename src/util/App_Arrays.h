// String arrays (modules App_Arrays, Array_BinComp, Array_TxtComp). An array
// is a std::vector starting at index 0; "no elements" is the empty vector.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace App_Arrays {

// True when the array has no elements; otherwise the count and the bounds.
template <class T>
bool IsArrayEmpty(const std::vector<T>& arr, int32_t& lCount, int32_t& lLBound, int32_t& lUBound) {
  if (arr.empty()) return true;
  lCount = static_cast<int32_t>(arr.size());
  lLBound = 0;
  lUBound = lCount - 1;
  return false;
}

template <class T>
bool ArrayHasElements(const std::vector<T>& arr) {
  return !arr.empty();
}

// True when there are no elements or every element is empty (after
// removing surrounding blanks with bTrimElements).
bool IsStringArrayEmpty(const std::vector<std::wstring>& arr, bool bTrimElements);
// Trims every element; with bRemoveEmpty drops the empty ones. Returns the
// number dropped.
int32_t TrimStringArray(std::vector<std::wstring>& arr, bool bRemoveEmpty);
// Drops the elements that are empty after trimming; the others keep their
// blanks. Returns the number dropped.
int32_t StringArrayRemoveEmptyElements(std::vector<std::wstring>& arr);
// Keeps the first of equal elements, in order (ignoring case with bTextCompare).
void RemoveDuplicatesFromStringArray(std::vector<std::wstring>& arr, bool bTextCompare);
void ArrayAddString(const std::wstring& sText, std::vector<std::wstring>& arr);

}  // namespace App_Arrays

namespace Array_BinComp {
// Ascending by character code; lHigh 0 means the whole array.
void QuickSortStringArrayB(std::vector<std::wstring>& arr, int32_t lLow = 0, int32_t lHigh = 0);
}  // namespace Array_BinComp

namespace Array_TxtComp {
// Ascending ignoring case; lHigh 0 means the whole array.
void QuickSortStringArray(std::vector<std::wstring>& arr, int32_t lLow = 0, int32_t lHigh = 0);
}  // namespace Array_TxtComp
