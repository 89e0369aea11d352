#include "util/Quill_String.h"

void Quill_String::WipeString() {
  buffer_.clear();
  buffer_.shrink_to_fit();
  lngAllocated = 0;
  lngUsed = 0;
  lngAllocSize = 1000;
  hasText_ = false;
}

void Quill_String::Add(std::wstring_view s) {
  if (s.empty()) return;
  try {
    const int64_t n = static_cast<int64_t>(s.size());
    if (static_cast<int64_t>(lngUsed) + n > INT32_MAX) return;  // the counters are 32-bit
    hasText_ = true;
    if (lngAllocated < lngUsed + n) {
      const int64_t step = lngAllocSize > 0 ? lngAllocSize : 1000;
      const int64_t grow = ((lngUsed + n - lngAllocated) / step + 1) * step;
      if (lngAllocated + grow > INT32_MAX) return;
      lngAllocated += static_cast<int32_t>(grow);
    }
    buffer_.append(s);
    lngUsed += static_cast<int32_t>(n);
  } catch (...) {
    // Out of memory: the piece is skipped, the content stays as it was.
  }
}

void Quill_String::AddLine(std::wstring_view s) {
  if (s.empty()) {
    Add(L"\r\n");
  } else if (hasText_) {
    std::wstring piece;
    piece.reserve(s.size() + 2);
    piece.append(L"\r\n").append(s);
    Add(piece);
  } else {
    Add(s);
  }
}

void Quill_String::AddNewLine(std::wstring_view s) {
  if (lngUsed != 0) {
    std::wstring piece;
    piece.reserve(s.size() + 2);
    piece.append(L"\r\n").append(s);
    Add(piece);
  } else {
    Add(s);
  }
}

void Quill_String::App_ClassSync_CleanUp() {
  if (!open_) return;
  open_ = false;
  buffer_.clear();
  buffer_.shrink_to_fit();
  lngAllocated = 0;
  lngUsed = 0;
  hasText_ = false;
}
