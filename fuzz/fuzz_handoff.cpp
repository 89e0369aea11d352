// The hand-off of a URL to another browser: whatever the URL, the command
// line built for it splits, by Windows' argument rules, into exactly one
// argument, equal to the URL without its wrapping quotes and with its
// inner quotes and NULs percent-encoded. The splitter here is written
// from the rules themselves, apart from the program's own.
#include "browser/App_Common_URLArg.h"
#include "fuzz_input.h"

namespace {

// Windows' rules for the arguments after the program's path: blanks outside
// quotes separate; 2n backslashes and a quote give n backslashes and toggle
// quoting; 2n+1 give n backslashes and a literal quote; inside quotes, a
// doubled quote gives a literal quote (and stays quoted).
std::vector<std::wstring> ReferenceSplit(const std::wstring& s) {
  std::vector<std::wstring> out;
  size_t i = 0;
  for (;;) {
    while (i < s.size() && (s[i] == L' ' || s[i] == L'\t')) ++i;
    if (i >= s.size()) break;
    std::wstring arg;
    bool quoted = false;
    while (i < s.size() && (quoted || (s[i] != L' ' && s[i] != L'\t'))) {
      size_t slashes = 0;
      while (i < s.size() && s[i] == L'\\') ++slashes, ++i;
      if (i < s.size() && s[i] == L'"') {
        arg.append(slashes / 2, L'\\');
        if (slashes % 2) {
          arg.push_back(L'"');
          ++i;
        } else if (quoted && i + 1 < s.size() && s[i + 1] == L'"') {
          arg.push_back(L'"');
          i += 2;
        } else {
          quoted = !quoted;
          ++i;
        }
      } else {
        arg.append(slashes, L'\\');
        if (i < s.size() && (quoted || (s[i] != L' ' && s[i] != L'\t'))) arg.push_back(s[i++]);
      }
    }
    out.push_back(arg);
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Fuzz::Input in(data, size);
  const std::wstring url = in.RestAsText();
  std::wstring expected = url;
  if (expected.size() >= 2 && expected.front() == L'"' && expected.back() == L'"')
    expected = expected.substr(1, expected.size() - 2);
  std::wstring encoded;
  for (wchar_t c : expected) {
    if (c == L'"')
      encoded += L"%22";
    else if (c == L'\0')
      encoded += L"%00";
    else
      encoded.push_back(c);
  }
  const std::wstring line = App_Common::QuoteURL(url);
  const std::vector<std::wstring> args = ReferenceSplit(line);
  FUZZ_CHECK(args.size() == 1);
  FUZZ_CHECK(args[0] == encoded);
  FUZZ_CHECK(App_Common::SplitArgs(line) == args);
  return 0;
}
