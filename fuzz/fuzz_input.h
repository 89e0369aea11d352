// Shared helpers of the fuzz targets: the fuzzer's bytes as the program's
// texts, and a fresh tracing state for each input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "Native_Host.h"
#include "app/App_Common.h"
#include "diag/App_Debug.h"
#include "diag/App_Err.h"

namespace Fuzz {

// Reads the fuzzer's bytes front to back.
class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool Empty() const { return pos_ >= size_; }
  uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  bool Flag() { return (Byte() & 1) != 0; }
  // The rest as UTF-16 units, two bytes each, low byte first (the program's
  // texts are UTF-16; any unit, a lone surrogate or NUL included).
  std::wstring RestAsText() { return Text(size_ - pos_); }
  // Text up to a 0xFF 0xFF pair, which ends a part.
  std::wstring Part() {
    std::wstring out;
    while (pos_ + 1 < size_) {
      const uint16_t u = static_cast<uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
      pos_ += 2;
      if (u == 0xFFFF) break;
      out.push_back(static_cast<wchar_t>(u));
    }
    if (pos_ + 1 == size_) ++pos_;
    return out;
  }
  std::string RestAsBytes() {
    std::string out(reinterpret_cast<const char*>(data_ + pos_), size_ - pos_);
    pos_ = size_;
    return out;
  }

 private:
  std::wstring Text(size_t n) {
    std::wstring out;
    for (size_t i = 0; i + 1 < n; i += 2)
      out.push_back(static_cast<wchar_t>(data_[pos_ + i] | (data_[pos_ + i + 1] << 8)));
    pos_ += n;
    return out;
  }
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

// Every input starts from the state after start-up: no call records left
// from the input before (the records of a run are kept until it ends).
inline void FreshState() {
  App_Debug::InitDebugModuleVars();
  App_Common::SetAppGeneratedVars();
  App_Err::Clear();
  Native_Host::ClearFiles();
}

// Stops the run with a message; libFuzzer reports it as a crash.
[[noreturn]] inline void Fail(const char* what) {
  std::fprintf(stderr, "property broken: %s\n", what);
  std::abort();
}

#define FUZZ_CHECK(cond)            \
  do {                              \
    if (!(cond)) Fuzz::Fail(#cond); \
  } while (0)

}  // namespace Fuzz
