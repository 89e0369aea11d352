// Encrypted setting values (module ckCrypt_Config).
//
// A setting may stand in a configuration file in one of two protected forms:
//   "<ev~>" & hexadecimal text   AES-256 in CBC mode with PKCS #7 padding,
//                                done by the crypto component ChilkatCrypt2;
//   "~{" & Ascii85 text          the legacy scrambled form (Ascii85 bytes in
//                                the ANSI code page, XORed with a modifier);
//                                it is read, never written.
// A marker counts only when something follows it: "<ev~>" and "~{" alone are
// plain values, for the marker test and for reading alike.
//
// Nothing here throws. A value that cannot be decrypted or unscrambled
// reads as empty text, with the reason in the debug log; the plain text,
// the key and the IV never reach the log (only lengths do).
//
// The codecs at the end of this header are pure functions without any
// system header, so they also build and can be fuzzed outside Windows.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ckCrypt_Config {

inline constexpr std::wstring_view EncryptedMarker = L"<ev~>";
inline constexpr std::wstring_view LegacyMarker = L"~{";

// ---- marker test -----------------------------------------------------------
// True for a value longer than 5 characters that begins with "<ev~>"
// (marker "<ev~>", length 5), else for one longer than 2 characters that
// begins with "~{" (marker "~{", length 2). Otherwise false with marker ""
// and length 0. Case matters.
bool IsEncryptedValue_KVP(std::wstring_view sValue, std::wstring& sMarker, int32_t& lMarkerLen);
// The same test without the out values: the stored value is in a protected form.
bool IsEncryptedForm(std::wstring_view sValue);

// ---- the store's conversions -----------------------------------------------
// The value in encrypted form (bEncrypted) or plain form. Empty stays empty.
// To plain: "<ev~>" values are decrypted, then a result (or a value) in the
// legacy form is unscrambled; anything else is returned unchanged.
// To encrypted: "<ev~>" values are returned unchanged; anything else,
// legacy values included, becomes "<ev~>" & EncryptData_Config(value).
// An encryption that fails gives empty text rather than a value that could
// pass for encrypted.
std::wstring EnsureFormat_KVP(std::wstring_view sValue, bool bEncrypted);
// With a marker: only that marker is considered. To encrypted, a value not
// beginning with "<ev~>" becomes "<ev~>" & cipher text; since the legacy
// form is never written, the marker "~{" also encrypts to the "<ev~>" form.
// To plain, a value in the given marker's form is decrypted or unscrambled.
// A marker other than the two, or a length that is not the marker's own,
// means the form without a marker.
std::wstring EnsureFormat_KVP(std::wstring_view sValue, bool bEncrypted, std::wstring_view sMarker,
                              int32_t lMarkerLen);

// ---- the cipher --------------------------------------------------------------
// The text encrypted with the program's key and IV, as upper-case
// hexadecimal text without a marker; empty when the crypto component fails.
std::wstring EncryptData_Config(std::wstring_view sText);
// The plain text of an encrypted value: sStoredValue is the hexadecimal
// cipher text that EncryptData_Config gave, or a whole stored value with its
// "<ev~>" or "~{" marker. A decrypted text in the legacy form is unscrambled
// too. Empty on any failure: text that is not hexadecimal or not whole
// cipher blocks, wrong padding (a wrong key or IV), decrypted bytes that are
// not text, an invalid legacy form.
std::wstring DecryptData_Config(std::wstring_view sStoredValue);
// The legacy unscrambling of the text after the "~{" marker: Ascii85 to
// bytes, each byte XORed with the modifier's byte at the same position (the
// modifier repeated), the result read in the ANSI code page. Empty for empty
// text or invalid Ascii85.
std::wstring DecryptString(std::wstring_view sScrambled);

// ---- key material (built at run time from character codes) ----------------
std::wstring Crypto_Config_HexIV();             // 32 hexadecimal characters
std::wstring Crypto_Config_HexKey();            // 64 hexadecimal characters
std::wstring Config_KVP_Encryption_Modifier();  // 34 characters, all ASCII

// ---- pure codecs ---------------------------------------------------------------
// Hexadecimal text (either case) to bytes. False, with out empty, for text
// of odd length or with a character that is not a hexadecimal digit.
inline bool HexDecode(std::wstring_view sHex, std::string& out) {
  auto digit = [](wchar_t c) -> int {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
  };
  out.clear();
  if (sHex.size() % 2 != 0) return false;
  out.reserve(sHex.size() / 2);
  for (size_t i = 0; i < sHex.size(); i += 2) {
    const int hi = digit(sHex[i]), lo = digit(sHex[i + 1]);
    if (hi < 0 || lo < 0) {
      out.clear();
      return false;
    }
    out.push_back(static_cast<char>(hi * 16 + lo));
  }
  return true;
}

// Ascii85 to bytes: digits "!" to "u", "z" for four zero bytes (only between
// groups), an optional "<~" at the start and "~>" at the end; spaces, tabs
// and line breaks are skipped. A final group of n (2 to 4) digits gives n - 1
// bytes. False, with out empty, for any other character, a "z" inside a
// group, a group worth more than 32 bits, or a final group of one digit.
inline bool Ascii85Decode(std::wstring_view sText, std::string& out) {
  out.clear();
  if (sText.substr(0, 2) == L"<~") sText.remove_prefix(2);
  if (sText.size() >= 2 && sText.substr(sText.size() - 2) == L"~>") sText.remove_suffix(2);
  out.reserve(sText.size() / 5 * 4 + 4);
  uint64_t value = 0;
  int count = 0;
  auto emit = [&out](uint64_t v, int bytes) {
    for (int k = 0; k < bytes; ++k) out.push_back(static_cast<char>((v >> (24 - 8 * k)) & 0xFF));
  };
  for (const wchar_t c : sText) {
    if (c == L' ' || c == L'\t' || c == L'\r' || c == L'\n') continue;
    if (c == L'z' && count == 0) {
      out.append(4, '\0');
      continue;
    }
    if (c < L'!' || c > L'u') {
      out.clear();
      return false;
    }
    value = value * 85 + static_cast<uint64_t>(c - L'!');
    if (++count == 5) {
      if (value > 0xFFFFFFFFull) {
        out.clear();
        return false;
      }
      emit(value, 4);
      value = 0;
      count = 0;
    }
  }
  if (count == 1) {
    out.clear();
    return false;
  }
  if (count > 1) {
    for (int k = count; k < 5; ++k) value = value * 85 + 84;  // padded with "u"
    if (value > 0xFFFFFFFFull) {
      out.clear();
      return false;
    }
    emit(value, count - 1);
  }
  return true;
}

// Each byte XORed with the modifier's byte at the same position, the
// modifier repeated as often as needed. An empty modifier changes nothing.
inline void XorWithModifier(std::string& bytes, std::string_view sModifier) {
  if (sModifier.empty()) return;
  for (size_t i = 0; i < bytes.size(); ++i) {
    bytes[i] = static_cast<char>(bytes[i] ^ sModifier[i % sModifier.size()]);
  }
}

}  // namespace ckCrypt_Config
