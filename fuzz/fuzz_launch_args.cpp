// The argument string of the launch modes: the mode follows the prefix,
// a phrase or file search is handed on in one pair of double quotes, and a
// URL is the whole string without its surrounding spaces.
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
  switch (r.Mode) {
    case Browser::LaunchMode::Search:
      FUZZ_CHECK(trimmed.starts_with(L"/s=") && r.Text == trimmed.substr(3));
      break;
    case Browser::LaunchMode::PhraseSearch:
    case Browser::LaunchMode::FileSearch:
      FUZZ_CHECK(trimmed.starts_with(r.Mode == Browser::LaunchMode::PhraseSearch ? L"/sp=" : L"/sf="));
      FUZZ_CHECK(r.Text.size() >= 2 && r.Text.front() == L'"' && r.Text.back() == L'"');
      if (r.Mode == Browser::LaunchMode::FileSearch) FUZZ_CHECK(r.Text.find(L'\\') == std::wstring::npos);
      break;
    case Browser::LaunchMode::OpenURL:
      FUZZ_CHECK(!trimmed.starts_with(L"/s=") && !trimmed.starts_with(L"/sp=") &&
                 !trimmed.starts_with(L"/sf=") && r.Text == trimmed);
      break;
    case Browser::LaunchMode::ShowWindow:
      Fuzz::Fail("a non-blank argument string shows the window");
  }
  return 0;
}
