// The crypto component's encryption class (ChilkatCrypt2): AES in CBC mode
// with PKCS #7 padding and hexadecimal text on both sides, and the "url" and
// "hex" string encodings. The cipher work is done by the platform's CryptoAPI
// (Microsoft's AES provider); no cipher code of our own.
//
// One object per call: every encryption or decryption acquires its own
// provider context and key and releases them before it returns, so an
// object holds nothing but its settings. Nothing throws. A failing call
// returns an empty text (or false); LastMethodSuccess tells an empty result
// from a failure, LastErrorText says why, and LastApiError / LastFailedCall
// name the system call that failed (0 and empty when none did). The reason
// never contains the text, the key or the IV.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class ChilkatCrypt2 {
 public:
  ChilkatCrypt2() = default;
  ~ChilkatCrypt2();
  ChilkatCrypt2(const ChilkatCrypt2&) = delete;
  ChilkatCrypt2& operator=(const ChilkatCrypt2&) = delete;

  // ---- cipher settings (compared ignoring case) ----
  std::wstring CipherMode = L"cbc";      // only "cbc"
  std::wstring CryptAlgorithm = L"aes";  // only "aes"
  int32_t KeyLength = 256;               // 128, 192 or 256 bits
  int32_t PaddingScheme = 0;             // only 0: PKCS #7 block padding
  std::wstring EncodingMode = L"hex";    // only "hex" (upper case out, either case in)
  // The byte form of the texts that EncryptStringENC encrypts and
  // DecryptStringENC returns: "utf-8" (default) keeps every UTF-16 text
  // intact; "ansi" is the system's ANSI code page, and a text with a
  // character the code page lacks is then refused rather than changed.
  std::wstring Charset = L"utf-8";

  // The IV (16 bytes) and the key (KeyLength / 8 bytes) as encoded text;
  // the only encoding is "hex". False (and nothing set) for text that is not
  // whole hexadecimal bytes.
  bool SetEncodedIV(std::wstring_view sIV, std::wstring_view sEncoding);
  bool SetEncodedKey(std::wstring_view sKey, std::wstring_view sEncoding);

  // The text's bytes (Charset) encrypted and written as hexadecimal text.
  // A text with a NUL character is refused: no setting can hold one, and
  // the decryption takes a NUL as the sign of a wrong key.
  std::wstring EncryptStringENC(std::wstring_view sText);
  // Hexadecimal cipher text decrypted back to text. Empty, with
  // LastMethodSuccess false, when the text is not hexadecimal, not whole
  // blocks, its padding is wrong (a wrong key or IV shows this way), or the
  // plain bytes are not valid text in Charset or contain a NUL character.
  std::wstring DecryptStringENC(std::wstring_view sEncoded);

  // The text's bytes in sCharset ("ansi": the system's ANSI code page, a
  // character it lacks becoming "?"; or "utf-8") written in sEncoding:
  // "url" escapes every byte except A-Z a-z 0-9 - _ . ~ as "%" and two
  // upper-case hexadecimal digits (a space is "%20"); "hex" writes every
  // byte as two upper-case hexadecimal digits.
  std::wstring EncodeString(std::wstring_view sText, std::wstring_view sCharset,
                            std::wstring_view sEncoding);

  bool LastMethodSuccess() const { return lastSuccess_; }
  const std::wstring& LastErrorText() const { return lastError_; }
  uint32_t LastApiError() const { return lastApiError_; }
  const std::wstring& LastFailedCall() const { return lastFailedCall_; }

 private:
  void Begin();
  void Fail(std::wstring_view sReason);
  void FailApi(std::wstring_view sCall, uint32_t lError);
  bool CheckCipherSettings();

  std::string iv_, key_;  // raw bytes; wiped when replaced and on destruction
  bool lastSuccess_ = true;
  std::wstring lastError_;
  uint32_t lastApiError_ = 0;
  std::wstring lastFailedCall_;
};
