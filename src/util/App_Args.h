// Arguments for another program's command line (module App_Args): the one
// quoting every hand-off uses, by Windows' own argument rules. Pure text,
// no Windows headers, so that it also builds natively for the sanitizers
// and the fuzz targets.
#pragma once

#include <string>
#include <string_view>

namespace App_Args {

// sArg wrapped in one pair of double quotes, the backslashes just before
// the closing quote doubled, so that Windows' splitting gives back exactly
// sArg as one argument. sArg must hold no double quote and no NUL (see
// CanPassAsOneArgument); an empty sArg gives "" (one empty argument).
std::wstring WrapAsOneArgument(std::wstring_view sArg);

// False for a text that cannot reach another program as exactly one
// argument as it is: one with a double quote, a NUL or a line break.
bool CanPassAsOneArgument(std::wstring_view sArg);

// WrapAsOneArgument, but only when the text needs quotes (it is empty or
// holds a blank or a tab); otherwise the text as it is.
std::wstring QuoteWhenNeeded(std::wstring_view sArg);

}  // namespace App_Args
