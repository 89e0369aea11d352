// Search text to URL text: WebSearchFileFilter then EncodeStringToURL. The
// result holds only the characters a query value may carry and "%XX"
// escapes, and decodes back to the filtered text's bytes.
#include "browser/LumoWebBrowserEx.h"
#include "fuzz_input.h"

namespace {

int HexValue(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Fuzz::FreshState();
  Fuzz::Input in(data, size);
  const std::wstring text = in.RestAsText();
  const std::wstring filtered = LumoWebBrowserEx::WebSearchFileFilter(text);
  FUZZ_CHECK(filtered.size() <= text.size() + 1);
  const std::wstring url = LumoWebBrowserEx::EncodeStringToURL(filtered);
  FUZZ_CHECK(url.empty() == filtered.empty());
  size_t lBytes = 0;
  for (size_t i = 0; i < url.size(); ++i) {
    const wchar_t c = url[i];
    if (c == L'%') {
      FUZZ_CHECK(i + 2 < url.size() && HexValue(url[i + 1]) >= 0 && HexValue(url[i + 2]) >= 0);
      i += 2;
    } else {
      FUZZ_CHECK((c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9') ||
                 c == L'-' || c == L'_' || c == L'.' || c == L'~');
    }
    ++lBytes;
  }
  // One byte of the ANSI code page per character of the text.
  FUZZ_CHECK(lBytes == filtered.size());
  return 0;
}
