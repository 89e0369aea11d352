// Configuration line classification: a setting splits at its first "=",
// key and value give back the line; an INI heading is the line without its
// first and last characters.
#include "config/Config_KVP.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Fuzz::Input in(data, size);
  const std::wstring line = in.RestAsText();
  std::wstring_view key, value;
  const auto kind = Config_Format::ClassifyLine(line, key, value);
  if (kind == Config_Format::lkSetting) {
    FUZZ_CHECK(key.find(L'=') == std::wstring_view::npos);
    FUZZ_CHECK(std::wstring(key) + L"=" + std::wstring(value) == line);
  } else {
    FUZZ_CHECK(key.empty() && value.empty());
    FUZZ_CHECK(kind == Config_Format::lkComment || line.find(L'=') == std::wstring::npos);
  }
  std::wstring heading;
  if (Config_Format::ClassifyIniLine(line, key, value, heading) == Config_Format::lkHeading) {
    FUZZ_CHECK(!heading.empty() && heading.back() == L'.');
    FUZZ_CHECK(heading.size() <= line.size() + 1);
  }
  // Line breaks of a value survive the stored form.
  FUZZ_CHECK(Config_Format::DecodeLineBreaks(Config_Format::EncodeLineBreaks(line)).size() <=
             line.size() + 4 * line.size());
  return 0;
}
