#include "util/App_Args.h"

namespace App_Args {

std::wstring WrapAsOneArgument(std::wstring_view sArg) {
  std::wstring s;
  s.reserve(sArg.size() + 4);
  s += L'"';
  s += sArg;
  // A backslash run before the closing quote would escape it: double it,
  // so the receiver reads the run as it was and the quote as the end.
  const size_t lastOther = s.find_last_not_of(L'\\');
  s.append(s.size() - lastOther - 1, L'\\');
  s += L'"';
  return s;
}

bool CanPassAsOneArgument(std::wstring_view sArg) {
  return sArg.find_first_of(std::wstring_view(L"\"\r\n\0", 4)) == std::wstring_view::npos;
}

std::wstring QuoteWhenNeeded(std::wstring_view sArg) {
  if (!sArg.empty() && sArg.find_first_of(L" \t") == std::wstring_view::npos) return std::wstring(sArg);
  return WrapAsOneArgument(sArg);
}

}  // namespace App_Args
