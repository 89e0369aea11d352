// The text of a configuration file: encodings by byte-order mark, line ends
// and NUL lines. Pure logic: these tests also run in the native build.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/Config_Text.h"

namespace {

// The system's ANSI code page is not needed for these cases: bytes as
// Latin-1.
std::wstring Latin1(std::string_view b) {
  std::wstring out;
  for (const char c : b) out.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
  return out;
}

std::string Utf16LE(std::wstring_view s, bool bMark) {
  std::string out = bMark ? "\xFF\xFE" : "";
  for (const wchar_t c : s) {
    out.push_back(static_cast<char>(c & 0xFF));
    out.push_back(static_cast<char>((c >> 8) & 0xFF));
  }
  return out;
}

std::string Utf16BE(std::wstring_view s) {
  std::string out = "\xFE\xFF";
  for (const wchar_t c : s) {
    out.push_back(static_cast<char>((c >> 8) & 0xFF));
    out.push_back(static_cast<char>(c & 0xFF));
  }
  return out;
}

}  // namespace

TEST(Config_Text, ByteOrderMarkNamesTheEncoding) {
  const std::wstring text = L"TitleBar.Text=Caf\u00e9 \u20ac\r\nKey=1";
  struct Case {
    std::string bytes;
    Config_Text::Config_TextEncoding encoding;
  };
  const Case cases[] = {
      {Utf16LE(text, true), Config_Text::cteUtf16LE},
      {Utf16BE(text), Config_Text::cteUtf16BE},
      {"\xEF\xBB\xBFTitleBar.Text=Caf\xC3\xA9 \xE2\x82\xAC\r\nKey=1", Config_Text::cteUtf8},
  };
  for (const Case& c : cases) {
    std::vector<std::wstring> lines;
    std::vector<int32_t> skipped;
    Config_Text::Config_TextEncoding enc = Config_Text::cteAnsi;
    ASSERT_TRUE(Config_Text::FileLines(c.bytes, &Latin1, lines, enc, skipped));
    EXPECT_EQ(enc, c.encoding);
    EXPECT_EQ(lines, (std::vector<std::wstring>{L"TitleBar.Text=Caf\u00e9 \u20ac", L"Key=1"}));
  }
  // Without a mark the ANSI decoder reads the bytes, a UTF-16 text included.
  Config_Text::Config_TextEncoding enc = Config_Text::cteUtf8;
  EXPECT_EQ(Config_Text::DecodeFileBytes("Caf\xE9", &Latin1, enc), L"Caf\u00e9");
  EXPECT_EQ(enc, Config_Text::cteAnsi);
  EXPECT_EQ(Config_Text::DecodeFileBytes(Utf16LE(L"A", false), &Latin1, enc), std::wstring(L"A\0", 2));
}

TEST(Config_Text, BrokenBytesBecomeReplacementCharacters) {
  Config_Text::Config_TextEncoding enc = Config_Text::cteAnsi;
  EXPECT_EQ(Config_Text::DecodeFileBytes("\xEF\xBB\xBF"
                                         "a\xC3(b\xE2\x82",
                                         &Latin1, enc),
            L"a\uFFFD(b\uFFFD\uFFFD");
  const std::string oddUtf16("\xFF\xFE\x61\x00\x62", 5);
  EXPECT_EQ(Config_Text::DecodeFileBytes(oddUtf16, &Latin1, enc), L"a\uFFFD");
  EXPECT_EQ(Config_Text::DecodeFileBytes("\xFF\xFE", &Latin1, enc), L"");
}

TEST(Config_Text, NulCostsOnlyItsOwnLine) {
  struct Case {
    std::wstring text;
    std::vector<std::wstring> lines;
    std::vector<int32_t> skipped;
  };
  const Case cases[] = {
      {std::wstring(L"A=1\r\nB=\0x\r\nC=3", 14), {L"A=1", L"C=3"}, {2}},
      {std::wstring(L"\0\nA=1\nB=2\r\n", 11), {L"A=1", L"B=2", L""}, {1}},
      {std::wstring(L"A=1\0", 4), {}, {1}},
      {L"  A=1  ", {L"A=1"}, {}},                          // one line: trimmed
      {L"A=1\rX\r\nB=2\n", {L"A=1\rX", L"B=2", L""}, {}},  // a lone CR stays
  };
  for (const Case& c : cases) {
    std::vector<int32_t> skipped;
    EXPECT_EQ(Config_Text::SplitFileLines(c.text, skipped), c.lines);
    EXPECT_EQ(skipped, c.skipped);
  }
  // A file that is nothing but NUL lines and blanks holds no text.
  std::vector<std::wstring> lines;
  std::vector<int32_t> skipped;
  Config_Text::Config_TextEncoding enc = Config_Text::cteAnsi;
  EXPECT_FALSE(Config_Text::FileLines(std::string("\0\r\n  \r\n", 6), &Latin1, lines, enc, skipped));
  EXPECT_TRUE(lines.empty());
}
