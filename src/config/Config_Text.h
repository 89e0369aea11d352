// The text of a configuration file (module Config_Text): from the file's
// bytes to the lines the loaders classify.
//
// A file may come as an editor saved it. A byte-order mark names its
// encoding: UTF-16 low byte first (FF FE, Notepad's "Unicode"), UTF-16 high
// byte first (FE FF) or UTF-8 (EF BB BF); the mark itself is no text. A file
// without a mark is read in the system's ANSI code page. CR LF, or a lone
// LF, ends a line. A line holding a NUL character is no configuration text
// and is skipped on its own; the lines around it still count.
//
// No system header: the ANSI code page comes in as the caller's decoder.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Config_Text {

enum Config_TextEncoding : int32_t {
  cteAnsi = 0,     // no byte-order mark
  cteUtf8 = 1,     // EF BB BF
  cteUtf16LE = 2,  // FF FE
  cteUtf16BE = 3,  // FE FF
};

// Bytes in the system's ANSI code page to text.
using AnsiDecoder = std::wstring (*)(std::string_view);

// The encoding the byte-order mark at the start of the bytes names, and the
// mark's length (0 without a mark, then cteAnsi).
Config_TextEncoding DetectEncoding(std::string_view sBytes, size_t& lMarkLen);
// "ANSI", "UTF-8", "UTF-16LE", "UTF-16BE".
std::wstring_view EncodingName(Config_TextEncoding lEncoding);

// The file's text in its encoding, without the mark. UTF-8 bytes that are no
// text and an odd final byte of UTF-16 become U+FFFD.
std::wstring DecodeFileBytes(std::string_view sBytes, AnsiDecoder ansi, Config_TextEncoding& lEncoding);

// The lines of a file's text. CR LF or a lone LF ends a line (a lone CR
// stays in its line); text without any line end is one line without its
// surrounding spaces. A line with a NUL character is left out, and its
// number (from 1) added to lSkippedLines.
std::vector<std::wstring> SplitFileLines(std::wstring_view sText, std::vector<int32_t>& lSkippedLines);

// Both steps. False, with no lines, for a file that holds nothing but
// spaces and line ends once its NUL lines are skipped.
bool FileLines(std::string_view sBytes, AnsiDecoder ansi, std::vector<std::wstring>& lines,
               Config_TextEncoding& lEncoding, std::vector<int32_t>& lSkippedLines);

}  // namespace Config_Text
