// Text and byte conversions that need no system call (module
// App_TextCodec): UTF-8 both ways, UTF-16 bytes of either order, and the
// URL escaping of bytes. The ANSI code page stays with the system (see
// App_Strings::AnsiToWide); everything here also builds natively, where
// it runs under the sanitizers and is fuzzed.
#pragma once

#include <string>
#include <string_view>

namespace App_TextCodec {

// The character that stands in for bytes that are no text.
inline constexpr wchar_t kReplacementChar = 0xFFFD;

// Strict UTF-8 both ways: a lone surrogate cannot be encoded, and overlong
// forms, surrogate code points, values above U+10FFFF and sequences cut
// short do not decode. False (out partly filled) on such text.
bool Utf16ToUtf8(std::wstring_view s, std::string& out);
bool Utf8ToUtf16(std::string_view b, std::wstring& out);
// The lenient reading of a file's UTF-8: each byte that does not start a
// valid sequence, and each sequence cut short, becomes one U+FFFD; the rest
// of the text is kept.
std::wstring Utf8ToUtf16Lenient(std::string_view b);

// UTF-16 bytes, low byte first (bBigEndian false) or high byte first. An odd
// final byte is no character and becomes U+FFFD.
std::wstring Utf16BytesToText(std::string_view b, bool bBigEndian);

// Every byte except A-Z a-z 0-9 - _ . ~ as "%" and two upper-case
// hexadecimal digits (a space is "%20").
std::wstring UrlEncodeBytes(std::string_view b);

}  // namespace App_TextCodec
