// Quill_String: an append-only text buffer for building long texts.
//
// The reserved size it reports (lngAllocated) grows in steps of lngAllocSize
// characters, always by more than the shortfall. The storage underneath grows
// geometrically, so appending n characters in any number of pieces costs
// O(n) in total.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class Quill_String {
 public:
  Quill_String() = default;
  ~Quill_String() { App_ClassSync_CleanUp(); }

  int32_t lngAllocated = 0;   // characters reserved
  int32_t lngUsed = 0;        // characters holding text
  int32_t lngAllocSize = 1000;  // growth step

  void WipeString();
  void Add(std::wstring_view strAddString);
  // Appends as a new line: an empty text adds a bare line break.
  void AddLine(std::wstring_view strAddString);
  // Appends, separated from existing text by a line break.
  void AddNewLine(std::wstring_view strAddString);
  std::wstring GetStr() const { return buffer_; }
  std::wstring_view View() const { return buffer_; }
  void App_ClassSync_CleanUp();

 private:
  bool open_ = true;
  bool hasText_ = false;
  std::wstring buffer_;  // the content; the reserved rest is not materialised
};
