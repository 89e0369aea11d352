// The hand-off quoting and the argument splitting, checked against
// Windows' own CommandLineToArgvW.
#include <gtest/gtest.h>
#include <windows.h>
// after <windows.h>, which it needs
#include <shellapi.h>

#include <string>
#include <vector>

#include "browser/App_Common_URLArg.h"

namespace {

// The arguments CommandLineToArgvW finds after a program path.
std::vector<std::wstring> SystemSplit(const std::wstring& sArgs) {
  const std::wstring line = L"prog.exe " + sArgs;
  int n = 0;
  std::vector<std::wstring> out;
  if (LPWSTR* v = ::CommandLineToArgvW(line.c_str(), &n)) {
    for (int i = 1; i < n; ++i) out.emplace_back(v[i]);
    ::LocalFree(v);
  }
  return out;
}

}  // namespace

TEST(URLArg, SplitArgsReadsLikeTheSystem) {
  const wchar_t* const lines[] = {
      L"a b",
      L"  a\tb  ",
      L"\"a b\" c",
      L"\"\"",
      L"a\\\\\"b c\"",
      L"a\\\\\\\"b",
      L"a\\b\\\\c",
      L"\"a\"\"\"b\"",
      L"\"a\"\"b\"",
      L"\"unclosed",
      L"\"/sp=\\\"disk cleanup\\\"\"",
      L"x\"\"\"\"\"\"y",
      L"\"C:\\Temp\\\\\"",
      L"\"C:\\Temp\\\"",
  };
  for (const wchar_t* l : lines) EXPECT_EQ(App_Common::SplitArgs(l), SystemSplit(l)) << l;
}

TEST(URLArg, EveryQuotedURLIsOneArgumentBackAsMeant) {
  struct Case {
    const wchar_t* url;
    const wchar_t* arg;
  } const cases[] = {
      {L"", L""},
      {L"http://a/b c", L"http://a/b c"},
      {L"\"http://a/\"", L"http://a/"},
      {L"\"\"http://a/\"\"", L"%22http://a/%22"},  // only one pair is dropped
      {L"http://x/?q=\" --user-data-dir=C:\\evil \"x", L"http://x/?q=%22 --user-data-dir=C:\\evil %22x"},
      {L"\"http://a/p\" --new-window \"http://evil/\"", L"http://a/p%22 --new-window %22http://evil/"},
      {L"\"C:\\Temp\\\"", L"C:\\Temp\\"},
      {L"C:\\Temp\\\\", L"C:\\Temp\\\\"},
      {L"a\\\\\\", L"a\\\\\\"},
      {L"x\\\"y", L"x\\%22y"},
      {L"q=%22a%20b%22", L"q=%22a%20b%22"},
  };
  for (const Case& c : cases) {
    const std::wstring quoted = App_Common::QuoteURL(c.url);
    EXPECT_EQ(SystemSplit(quoted), std::vector<std::wstring>{c.arg}) << c.url << L" -> " << quoted;
    EXPECT_EQ(App_Common::SplitArgs(quoted), std::vector<std::wstring>{c.arg}) << c.url;
  }
  // A NUL would cut the command line short: it is encoded too.
  EXPECT_EQ(App_Common::QuoteURL(std::wstring(L"a\0b", 3)), L"\"a%00b\"");
}
