// Handing a URL to another program (module App_Common).
#include "browser/App_Common_URLArg.h"

#include "util/App_Args.h"
#include "util/App_Strings.h"

namespace App_Common {

std::wstring QuoteURL(std::wstring_view sURL) {
  const std::wstring sInner = App_Strings::UnwrapQuotes(sURL);
  std::wstring sArg;
  sArg.reserve(sInner.size() + 8);
  for (wchar_t c : sInner) {
    if (c == L'"')
      sArg += L"%22";
    else if (c == L'\0')
      sArg += L"%00";
    else
      sArg += c;
  }
  return App_Args::WrapAsOneArgument(sArg);
}

std::vector<std::wstring> SplitArgs(std::wstring_view sArgs) {
  std::vector<std::wstring> args;
  size_t i = 0;
  const size_t n = sArgs.size();
  const auto isBlank = [](wchar_t c) { return c == L' ' || c == L'\t'; };
  while (true) {
    while (i < n && isBlank(sArgs[i])) ++i;
    if (i >= n) break;
    std::wstring arg;
    int qcount = 0;  // odd while inside a quoted part
    size_t bcount = 0;
    while (i < n && (qcount % 2 == 1 || !isBlank(sArgs[i]))) {
      const wchar_t c = sArgs[i];
      if (c == L'\\') {
        arg += c;
        ++bcount;
        ++i;
      } else if (c == L'"') {
        if (bcount % 2 == 0) {
          arg.resize(arg.size() - bcount / 2);
          ++qcount;
        } else {
          arg.resize(arg.size() - bcount / 2 - 1);
          arg += L'"';
        }
        ++i;
        bcount = 0;
        // Quotes that follow at once: every third one is a literal quote.
        while (i < n && sArgs[i] == L'"') {
          if (++qcount == 3) {
            arg += L'"';
            qcount = 0;
          }
          ++i;
        }
        if (qcount == 2) qcount = 0;
      } else {
        arg += c;
        bcount = 0;
        ++i;
      }
    }
    args.push_back(std::move(arg));
  }
  return args;
}

}  // namespace App_Common
