// Launch modes (module Browser): reading the argument string. Plain text
// logic without a system header; it also builds natively, where it runs
// under the sanitizers and is fuzzed.
#include <algorithm>
#include <vector>

#include "browser/App_Common_URLArg.h"
#include "browser/Browser.h"

namespace Browser {

namespace {

// Removes every double quote at the start and every one at the end, unless
// the text is (apart from spaces) one double quote.
void StripWrappingQuotes(std::wstring& s) {
  const size_t first = s.find_first_not_of(L' ');
  if (first != std::wstring::npos && s[first] == L'"' && s.find_last_not_of(L' ') == first) return;
  const size_t head = s.find_first_not_of(L'"');
  if (head == std::wstring::npos) {
    s.clear();
    return;
  }
  s.erase(0, head);
  s.erase(s.find_last_not_of(L'"') + 1);
}

// The last path element: a single trailing backslash is dropped, then the
// text up to the last backslash, then leading spaces.
void KeepLastPathElement(std::wstring& s) {
  if (!s.empty() && s.back() == L'\\') s.pop_back();
  const size_t slash = s.rfind(L'\\');
  if (slash != std::wstring::npos) s.erase(0, slash + 1);
  s.erase(0, std::min(s.find_first_not_of(L' '), s.size()));
}

std::wstring Quoted(std::wstring_view s) {
  return L"\"" + std::wstring(s) + L"\"";
}

}  // namespace

LaunchArgs ParseLaunchArgs(std::wstring_view sArgs) {
  const size_t first = sArgs.find_first_not_of(L' ');
  if (first == std::wstring_view::npos) return {};
  sArgs = sArgs.substr(first, sArgs.find_last_not_of(L' ') - first + 1);

  // A caller that quotes its one argument the standard way ("/s=disk
  // cleanup" in quotes, as cmd, scripts and process APIs send it): the
  // prefixes are looked for in that argument, unquoted.
  const auto isSearch = [](std::wstring_view s) {
    return s.starts_with(L"/s=") || s.starts_with(L"/sp=") || s.starts_with(L"/sf=");
  };
  std::wstring sOneArg;
  if (!isSearch(sArgs)) {
    std::vector<std::wstring> parts = App_Common::SplitArgs(sArgs);
    if (parts.size() == 1 && isSearch(parts[0])) {
      sOneArg = std::move(parts[0]);
      sArgs = sOneArg;
    }
  }

  LaunchArgs r;
  // Asking how to use the program, in any of the spellings tools use.
  std::wstring sLower(sArgs);
  for (wchar_t& c : sLower) c = (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
  for (const wchar_t* sHelp : {L"/?", L"-?", L"/h", L"-h", L"--help"}) {
    if (sLower == sHelp) {
      r.Mode = LaunchMode::Help;
      return r;
    }
  }
  if (sArgs.starts_with(L"/s=")) {
    r.Mode = LaunchMode::Search;
    r.Text = sArgs.substr(3);
  } else if (sArgs.starts_with(L"/sp=")) {
    r.Mode = LaunchMode::PhraseSearch;
    r.Text = sArgs.substr(4);
    StripWrappingQuotes(r.Text);
    r.Text = Quoted(r.Text);
  } else if (sArgs.starts_with(L"/sf=")) {
    r.Mode = LaunchMode::FileSearch;
    r.Text = sArgs.substr(4);
    StripWrappingQuotes(r.Text);
    KeepLastPathElement(r.Text);
    r.Text = Quoted(r.Text);
  } else {
    r.Mode = LaunchMode::OpenURL;
    r.Text = sArgs;
  }
  return r;
}

}  // namespace Browser
