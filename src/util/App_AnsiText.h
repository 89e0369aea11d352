// Text in the ANSI code page (module App_Strings): the conversions the log
// writer, the configuration files and the file helpers share.
#pragma once

#include <string>
#include <string_view>

namespace App_Strings {

// Characters the code page lacks become its default character ("?").
std::string WideToAnsi(std::wstring_view s);
std::wstring AnsiToWide(std::string_view s);
// True when the text survives the trip to the ANSI code page unchanged.
bool IsAnsiRepresentable(std::wstring_view s);

}  // namespace App_Strings
