// Handing a URL to another program (module App_Common): the one quoting
// every browser hand-off uses, and the reading of an argument string by
// Windows' own splitting rules. Pure text, no Windows headers, so that it
// also builds natively for the sanitizers and a fuzz target.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace App_Common {

// sURL as exactly one command-line argument, quotes included: one pair of
// double quotes wrapping the whole URL is dropped first, every double quote
// left inside becomes "%22" (a raw double quote is never valid in a URL),
// a NUL becomes "%00", the backslashes just before the closing quote are
// doubled, and the result is wrapped in one pair of double quotes. Split
// by CommandLineToArgvW, it gives back one argument: the URL without its
// wrapping pair, with those quotes and NULs percent-encoded. An empty URL
// gives "" (one empty argument).
std::wstring QuoteURL(std::wstring_view sURL);

// Splits an argument string (the part after the program's own path) as
// CommandLineToArgvW does: spaces and tabs outside quotes separate; 2n
// backslashes before a double quote give n backslashes and the quote
// opens or closes a quoted part; 2n+1 give n backslashes and a literal
// quote; three quotes in a row inside a quoted part give one literal quote.
std::vector<std::wstring> SplitArgs(std::wstring_view sArgs);

}  // namespace App_Common
