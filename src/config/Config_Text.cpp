// The text of a configuration file (module Config_Text).
#include "config/Config_Text.h"

#include "util/App_Strings.h"
#include "util/App_TextCodec.h"

namespace Config_Text {

namespace {

constexpr std::string_view kMarkUtf8 = "\xEF\xBB\xBF";
constexpr std::string_view kMarkUtf16LE = "\xFF\xFE";
constexpr std::string_view kMarkUtf16BE = "\xFE\xFF";

bool IsBlank(std::wstring_view s) {
  return s.find_first_not_of(L" \r\n") == std::wstring_view::npos;
}

}  // namespace

Config_TextEncoding DetectEncoding(std::string_view sBytes, size_t& lMarkLen) {
  if (sBytes.starts_with(kMarkUtf8)) {
    lMarkLen = kMarkUtf8.size();
    return cteUtf8;
  }
  if (sBytes.starts_with(kMarkUtf16LE)) {
    lMarkLen = kMarkUtf16LE.size();
    return cteUtf16LE;
  }
  if (sBytes.starts_with(kMarkUtf16BE)) {
    lMarkLen = kMarkUtf16BE.size();
    return cteUtf16BE;
  }
  lMarkLen = 0;
  return cteAnsi;
}

std::wstring_view EncodingName(Config_TextEncoding lEncoding) {
  switch (lEncoding) {
    case cteUtf8:
      return L"UTF-8";
    case cteUtf16LE:
      return L"UTF-16LE";
    case cteUtf16BE:
      return L"UTF-16BE";
    default:
      return L"ANSI";
  }
}

std::wstring DecodeFileBytes(std::string_view sBytes, AnsiDecoder ansi, Config_TextEncoding& lEncoding) {
  size_t lMarkLen = 0;
  lEncoding = DetectEncoding(sBytes, lMarkLen);
  sBytes.remove_prefix(lMarkLen);
  switch (lEncoding) {
    case cteUtf8:
      return App_TextCodec::Utf8ToUtf16Lenient(sBytes);
    case cteUtf16LE:
      return App_TextCodec::Utf16BytesToText(sBytes, false);
    case cteUtf16BE:
      return App_TextCodec::Utf16BytesToText(sBytes, true);
    default:
      return sBytes.empty() || !ansi ? std::wstring() : ansi(sBytes);
  }
}

std::vector<std::wstring> SplitFileLines(std::wstring_view sText, std::vector<int32_t>& lSkippedLines) {
  std::vector<std::wstring> lines;
  if (sText.find(L'\n') == std::wstring_view::npos) {
    if (sText.find(L'\0') != std::wstring_view::npos) {
      lSkippedLines.push_back(1);
    } else {
      lines.push_back(App_Strings::Trim(sText));
    }
    return lines;
  }
  int32_t lNumber = 0;
  size_t from = 0;
  for (;;) {
    const size_t lf = sText.find(L'\n', from);
    size_t end = lf == std::wstring_view::npos ? sText.size() : lf;
    if (lf != std::wstring_view::npos && end > from && sText[end - 1] == L'\r') --end;
    const std::wstring_view line = sText.substr(from, end - from);
    ++lNumber;
    if (line.find(L'\0') != std::wstring_view::npos) {
      lSkippedLines.push_back(lNumber);
    } else {
      lines.emplace_back(line);
    }
    if (lf == std::wstring_view::npos) break;
    from = lf + 1;
  }
  return lines;
}

bool FileLines(std::string_view sBytes, AnsiDecoder ansi, std::vector<std::wstring>& lines,
               Config_TextEncoding& lEncoding, std::vector<int32_t>& lSkippedLines) {
  lSkippedLines.clear();
  lines = SplitFileLines(DecodeFileBytes(sBytes, ansi, lEncoding), lSkippedLines);
  for (const std::wstring& line : lines) {
    if (!IsBlank(line)) return true;
  }
  lines.clear();
  return false;
}

}  // namespace Config_Text
