// The argument string of the launch modes: the mode follows the prefix of
// the string, or of its one argument when the string is exactly one
// argument by Windows' rules (a caller that quoted it); a phrase or file
// search is handed on in one pair of double quotes, and a URL is the whole
// string without its surrounding spaces.
#include "browser/App_Common_URLArg.h"
#include "browser/Browser.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Fuzz::Input in(data, size);
  const std::wstring args = in.RestAsText();
  const Browser::LaunchArgs r = Browser::ParseLaunchArgs(args);
  const size_t first = args.find_first_not_of(L' ');
  if (first == std::wstring::npos) {
    FUZZ_CHECK(r.Mode == Browser::LaunchMode::ShowWindow && r.Text.empty());
    return 0;
  }
  const std::wstring trimmed = args.substr(first, args.find_last_not_of(L' ') - first + 1);
  const auto isSearch = [](const std::wstring& x) {
    return x.starts_with(L"/s=") || x.starts_with(L"/sp=") || x.starts_with(L"/sf=");
  };
  // What the mode is read from: the string itself, or its one argument.
  std::wstring source = trimmed;
  if (!isSearch(trimmed)) {
    const std::vector<std::wstring> parts = App_Common::SplitArgs(trimmed);
    if (parts.size() == 1 && isSearch(parts[0])) source = parts[0];
  }
  switch (r.Mode) {
    case Browser::LaunchMode::Search:
      FUZZ_CHECK(source.starts_with(L"/s=") && r.Text == source.substr(3));
      break;
    case Browser::LaunchMode::PhraseSearch:
    case Browser::LaunchMode::FileSearch:
      FUZZ_CHECK(source.starts_with(r.Mode == Browser::LaunchMode::PhraseSearch ? L"/sp=" : L"/sf="));
      FUZZ_CHECK(r.Text.size() >= 2 && r.Text.front() == L'"' && r.Text.back() == L'"');
      if (r.Mode == Browser::LaunchMode::FileSearch) FUZZ_CHECK(r.Text.find(L'\\') == std::wstring::npos);
      break;
    case Browser::LaunchMode::OpenURL:
      FUZZ_CHECK(!isSearch(source) && r.Text == trimmed);
      break;
    case Browser::LaunchMode::ShowWindow:
      Fuzz::Fail("a non-blank argument string shows the window");
  }
  return 0;
}
