#include "platform/App_CommandLine.h"

#include <windows.h>

#include "util/App_Strings.h"

namespace App_Common {

bool IsServiceArgs(std::wstring_view sArgs) {
  const std::wstring t = App_Strings::Trim(sArgs);
  return t.size() >= 2 && t[0] == L'$';
}

bool HasServiceArgs() {
  static const bool service = IsServiceArgs(GetMyCommandLineArgs());
  return service;
}

std::wstring ArgsFromCommandLine(std::wstring_view s) {
  size_t i = 0;
  while (i < s.size() && (s[i] == L' ' || s[i] == L'\t')) ++i;
  if (i < s.size() && s[i] == L'"') {
    const size_t close = s.find(L'"', i + 1);
    i = close == std::wstring_view::npos ? s.size() : close + 1;
  }
  // The program part runs to the first blank (also after a quoted part).
  while (i < s.size() && s[i] != L' ' && s[i] != L'\t') ++i;
  while (i < s.size() && (s[i] == L' ' || s[i] == L'\t')) ++i;
  return std::wstring(s.substr(i));
}

std::wstring GetMyCommandLineArgs() {
  const wchar_t* cl = ::GetCommandLineW();
  return cl ? ArgsFromCommandLine(cl) : std::wstring();
}

}  // namespace App_Common
