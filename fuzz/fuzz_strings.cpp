// InStr and Replace against naive versions, in binary and in text mode.
#include "fuzz_input.h"
#include "util/App_Strings.h"

namespace {

bool SameChar(wchar_t a, wchar_t b, bool bText) {
  return bText ? App_Strings::LowerChar(a) == App_Strings::LowerChar(b) : a == b;
}

bool MatchAt(std::wstring_view s, std::wstring_view f, size_t i, bool bText) {
  if (i + f.size() > s.size()) return false;
  for (size_t k = 0; k < f.size(); ++k)
    if (!SameChar(s[i + k], f[k], bText)) return false;
  return true;
}

size_t NaiveInStr(std::wstring_view s, std::wstring_view f, bool bText, size_t lStart) {
  if (f.empty() || lStart == 0) return 0;
  for (size_t i = lStart - 1; i < s.size(); ++i)
    if (MatchAt(s, f, i, bText)) return i + 1;
  return 0;
}

std::wstring NaiveReplace(std::wstring_view s, std::wstring_view f, std::wstring_view w, bool bText) {
  if (f.empty()) return std::wstring(s);
  std::wstring out;
  for (size_t i = 0; i < s.size();) {
    if (MatchAt(s, f, i, bText)) {
      out.append(w);
      i += f.size();
    } else {
      out.push_back(s[i++]);
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Fuzz::Input in(data, size);
  const bool bText = in.Flag();
  const size_t lStart = 1 + in.Byte() % 16;
  const std::wstring find = in.Part();
  const std::wstring with = in.Part();
  const std::wstring text = in.RestAsText();
  const int32_t mode = bText ? App_Strings::cmText : App_Strings::cmBinary;
  FUZZ_CHECK(App_Strings::InStr(text, find, mode, lStart) == NaiveInStr(text, find, bText, lStart));
  FUZZ_CHECK(App_Strings::Replace(text, find, with, mode) == NaiveReplace(text, find, with, bText));
  return 0;
}
