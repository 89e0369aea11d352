// The Ascii85 and hex decoders of the encrypted values, and the UTF-8 and
// UTF-16 conversions: failures leave nothing behind, hex and UTF-8 round
// trips give back what went in.
#include "config/ckCrypt_Config.h"
#include "fuzz_input.h"
#include "util/App_TextCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Fuzz::Input in(data, size);
  const std::string raw(reinterpret_cast<const char*>(data), size);
  const std::wstring text = in.RestAsText();

  std::string out;
  if (!ckCrypt_Config::Ascii85Decode(text, out)) FUZZ_CHECK(out.empty());
  FUZZ_CHECK(out.size() <= 4 * text.size());  // at most four bytes per digit ("z")
  if (ckCrypt_Config::HexDecode(text, out)) {
    FUZZ_CHECK(out.size() * 2 == text.size());
    std::wstring again;
    for (const char c : out) {
      static constexpr wchar_t kHex[] = L"0123456789abcdef";
      again.push_back(kHex[static_cast<unsigned char>(c) >> 4]);
      again.push_back(kHex[static_cast<unsigned char>(c) & 0x0F]);
    }
    std::wstring lower = text;
    for (wchar_t& c : lower)
      if (c >= L'A' && c <= L'F') c = static_cast<wchar_t>(c + 32);
    FUZZ_CHECK(again == lower);
  } else {
    FUZZ_CHECK(out.empty());
  }

  std::wstring wide;
  const std::wstring lenient = App_TextCodec::Utf8ToUtf16Lenient(raw);
  if (App_TextCodec::Utf8ToUtf16(raw, wide)) {
    FUZZ_CHECK(wide == lenient);
    std::string back;
    FUZZ_CHECK(App_TextCodec::Utf16ToUtf8(wide, back) && back == raw);
  } else {
    FUZZ_CHECK(lenient.find(App_TextCodec::kReplacementChar) != std::wstring::npos);
  }
  std::string utf8;
  if (App_TextCodec::Utf16ToUtf8(text, utf8)) {
    FUZZ_CHECK(App_TextCodec::Utf8ToUtf16(utf8, wide) && wide == text);
  }
  FUZZ_CHECK(App_TextCodec::Utf16BytesToText(raw, false).size() == (raw.size() + 1) / 2);
  return 0;
}
