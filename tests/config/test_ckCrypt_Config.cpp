// The crypto component (AES-256-CBC through the CryptoAPI, the "url" and
// "hex" encodings) and the encrypted setting values built on it: round
// trips, a published AES vector, the legacy form and every kind of bad input.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cwctype>
#include <string>

#include "config/ckCrypt_Config.h"
#include "hosted/ChilkatCrypt2.h"
#include "lumo_test.h"

using namespace ckCrypt_Config;

namespace {

// NIST SP 800-38A, F.2.5 CBC-AES256.Encrypt.
const wchar_t kNistKey[] = L"603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4";
const wchar_t kNistIV[] = L"000102030405060708090a0b0c0d0e0f";
const char kNistPlain[] =
    "6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51"
    "30c81c46a35ce411e5fbc1191a0a52eff69f2445df4f9b17ad2b417be66c3710";
const wchar_t kNistCipher[] =
    L"F58C4C04D6E5F1BA779EABFB5F7BFBD69CFC4E967EDB808D679F777BC6702C7D"
    L"39F23369A9D9BACFA530E26304231461B2EB05E2C39BE9FCDA6C19078C6A9D1B";

// Text whose ANSI (code page 1252) bytes are the given hexadecimal bytes.
std::wstring AnsiTextOfHex(std::string_view hex) {
  std::string bytes;
  EXPECT_TRUE(HexDecode(LumoWiden(hex), bytes));
  std::wstring out(bytes.size(), L'\0');
  const int n = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()),
                                      out.data(), static_cast<int>(out.size()));
  out.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return out;
}

void SetUpAes(ChilkatCrypt2& c, std::wstring_view key, std::wstring_view iv) {
  c.CipherMode = L"cbc";
  c.CryptAlgorithm = L"aes";
  c.KeyLength = 256;
  c.PaddingScheme = 0;
  c.EncodingMode = L"hex";
  ASSERT_TRUE(c.SetEncodedIV(iv, L"hex"));
  ASSERT_TRUE(c.SetEncodedKey(key, L"hex"));
}

// The IV with one byte XORed: flips the same byte of a one-block message's
// plain text (CBC), which is how the bad-padding and bad-text vectors below
// are made without a cipher of our own.
std::wstring IVWithFlip(std::wstring_view iv, size_t byte, unsigned char mask) {
  std::string b;
  EXPECT_TRUE(HexDecode(iv, b));
  b[byte] = static_cast<char>(b[byte] ^ mask);
  std::wstring out;
  for (unsigned char c : b) {
    out.push_back(L"0123456789ABCDEF"[c >> 4]);
    out.push_back(L"0123456789ABCDEF"[c & 15]);
  }
  return out;
}

// Test-only legacy encoder: the text's ANSI bytes XORed with the modifier,
// in Ascii85 ("z" for a whole group of zeros, the last group shortened).
std::wstring Ascii85Encode(const std::string& b) {
  std::wstring out;
  for (size_t i = 0; i < b.size(); i += 4) {
    const size_t n = std::min<size_t>(4, b.size() - i);
    uint32_t v = 0;
    for (size_t k = 0; k < 4; ++k) {
      v = (v << 8) | (k < n ? static_cast<unsigned char>(b[i + k]) : 0u);
    }
    if (n == 4 && v == 0) {
      out.push_back(L'z');
      continue;
    }
    wchar_t digits[5];
    for (int k = 4; k >= 0; --k) {
      digits[k] = static_cast<wchar_t>(L'!' + v % 85);
      v /= 85;
    }
    out.append(digits, n + 1);
  }
  return out;
}

std::wstring LegacyScramble(std::wstring_view text) {
  std::string bytes(text.size() * 2, '\0');
  const int n =
      ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                            static_cast<int>(bytes.size()), nullptr, nullptr);
  bytes.resize(static_cast<size_t>(n));
  const std::wstring mod = Config_KVP_Encryption_Modifier();
  XorWithModifier(bytes, std::string(mod.begin(), mod.end()));
  return Ascii85Encode(bytes);
}

class CryptConfig : public ::testing::Test {
 protected:
  void SetUp() override { dbg.Reset(true); }
  LumoDebugFixtureState dbg;
};

}  // namespace

TEST(CryptComponent, Aes256CbcMatchesTheNistVectorAndAddsAFullPaddingBlock) {
  ASSERT_EQ(::GetACP(), 1252u) << "the vector's bytes are given as code page 1252 text";
  ChilkatCrypt2 c;
  SetUpAes(c, kNistKey, kNistIV);
  c.Charset = L"ansi";

  // One block: F.2.5's first block, then PKCS #7's block of sixteen 0x10.
  const std::wstring block1 = AnsiTextOfHex(std::string_view(kNistPlain, 32));
  ASSERT_EQ(block1.size(), 16u);
  const std::wstring one = c.EncryptStringENC(block1);
  ASSERT_TRUE(c.LastMethodSuccess()) << c.LastErrorText();
  ASSERT_EQ(one.size(), 64u);
  EXPECT_EQ(one.substr(0, 32), L"F58C4C04D6E5F1BA779EABFB5F7BFBD6");

  // All four blocks: the chaining matches block by block.
  const std::wstring all = AnsiTextOfHex(kNistPlain);
  const std::wstring four = c.EncryptStringENC(all);
  ASSERT_EQ(four.size(), 160u);
  EXPECT_EQ(four.substr(0, 128), kNistCipher);
  EXPECT_EQ(c.DecryptStringENC(four), all);
  EXPECT_EQ(c.DecryptStringENC(one), block1);

  // Lower-case hexadecimal is read as well; the output is upper case.
  std::wstring lower = four;
  for (auto& ch : lower) ch = static_cast<wchar_t>(towlower(ch));
  EXPECT_EQ(c.DecryptStringENC(lower), all);

  // The NIST cipher text alone has no padding block: its last plain byte
  // 0x10 claims sixteen padding bytes that are not there.
  EXPECT_EQ(c.DecryptStringENC(kNistCipher), L"");
  EXPECT_FALSE(c.LastMethodSuccess());
  EXPECT_EQ(c.LastFailedCall(), L"CryptDecrypt");
  EXPECT_NE(c.LastApiError(), 0u);
}

TEST(CryptComponent, PaddingLengthsAndSettingsThatCannotWork) {
  ChilkatCrypt2 c;
  SetUpAes(c, kNistKey, kNistIV);
  // 15, 16 and 17 bytes give one, two and two blocks.
  EXPECT_EQ(c.EncryptStringENC(std::wstring(15, L'a')).size(), 32u);
  EXPECT_EQ(c.EncryptStringENC(std::wstring(16, L'a')).size(), 64u);
  EXPECT_EQ(c.EncryptStringENC(std::wstring(17, L'a')).size(), 64u);
  // The empty text is one block of padding and comes back empty, successfully.
  const std::wstring empty = c.EncryptStringENC(L"");
  EXPECT_EQ(empty.size(), 32u);
  EXPECT_EQ(c.DecryptStringENC(empty), L"");
  EXPECT_TRUE(c.LastMethodSuccess());

  const std::wstring good = c.EncryptStringENC(L"x");
  auto refused = [&](auto change) {
    ChilkatCrypt2 d;
    SetUpAes(d, kNistKey, kNistIV);
    change(d);
    const bool enc = d.EncryptStringENC(L"x").empty() && !d.LastMethodSuccess();
    const bool dec = d.DecryptStringENC(good).empty() && !d.LastMethodSuccess();
    return enc && dec && !d.LastErrorText().empty();
  };
  EXPECT_TRUE(refused([](ChilkatCrypt2& d) { d.CryptAlgorithm = L"des"; }));
  EXPECT_TRUE(refused([](ChilkatCrypt2& d) { d.CipherMode = L"ecb"; }));
  EXPECT_TRUE(refused([](ChilkatCrypt2& d) { d.KeyLength = 128; }));  // 32-byte key
  EXPECT_TRUE(refused([](ChilkatCrypt2& d) { d.PaddingScheme = 1; }));
  EXPECT_TRUE(refused([](ChilkatCrypt2& d) { d.EncodingMode = L"base64"; }));
  EXPECT_TRUE(refused([](ChilkatCrypt2& d) { d.Charset = L"utf-16"; }));

  ChilkatCrypt2 d;
  EXPECT_FALSE(d.SetEncodedIV(L"0001", L"hex"));                        // too short
  EXPECT_FALSE(d.SetEncodedIV(std::wstring(31, L'0') + L"g", L"hex"));  // not hex
  EXPECT_FALSE(d.SetEncodedIV(kNistIV, L"base64"));
  EXPECT_FALSE(d.SetEncodedKey(std::wstring(66, L'0'), L"hex"));  // 33 bytes
  EXPECT_TRUE(d.SetEncodedKey(kNistKey, L"hex"));
  EXPECT_EQ(d.EncryptStringENC(L"x"), L"");  // no IV set
  EXPECT_FALSE(d.LastMethodSuccess());

  // A NUL cannot be encrypted, and "ansi" refuses what the code page lacks.
  EXPECT_EQ(c.EncryptStringENC(std::wstring(L"a\0b", 3)), L"");
  c.Charset = L"ansi";
  EXPECT_EQ(c.EncryptStringENC(L"\u4E2D"), L"");
  EXPECT_FALSE(c.LastMethodSuccess());
}

TEST(CryptComponent, DecryptionRefusesBadPaddingAndBytesThatAreNotText) {
  // One block "AB" + 14 x 0x0E. Changing the IV changes the decrypted block
  // byte for byte, so each case below differs from a good text in one byte.
  ChilkatCrypt2 enc;
  SetUpAes(enc, kNistKey, kNistIV);
  const std::wstring cipher = enc.EncryptStringENC(L"AB");
  ASSERT_EQ(cipher.size(), 32u);

  auto decryptWithIV = [&](const std::wstring& iv, std::wstring_view charset) {
    ChilkatCrypt2 d;
    SetUpAes(d, kNistKey, iv);
    d.Charset = std::wstring(charset);
    std::wstring out = d.DecryptStringENC(cipher);
    return std::make_pair(out, d.LastMethodSuccess());
  };
  EXPECT_EQ(decryptWithIV(kNistIV, L"utf-8"), std::make_pair(std::wstring(L"AB"), true));
  EXPECT_EQ(decryptWithIV(IVWithFlip(kNistIV, 1, 'B' ^ 'C'), L"utf-8"),
            std::make_pair(std::wstring(L"AC"), true));
  // Last padding byte 0x0F: claims one byte more than the padding holds.
  EXPECT_EQ(decryptWithIV(IVWithFlip(kNistIV, 15, 0x01), L"utf-8").second, false);
  // A padding byte in the middle differs from the others.
  EXPECT_EQ(decryptWithIV(IVWithFlip(kNistIV, 7, 0x01), L"utf-8").second, false);
  // Last byte 0x00 and last byte 0x11 (more than a block) are no padding.
  EXPECT_EQ(decryptWithIV(IVWithFlip(kNistIV, 15, 0x0E), L"utf-8").second, false);
  EXPECT_EQ(decryptWithIV(IVWithFlip(kNistIV, 15, 0x1F), L"utf-8").second, false);
  // "\xFF" "B": valid padding, but not UTF-8 text (a wrong key looks so).
  EXPECT_EQ(decryptWithIV(IVWithFlip(kNistIV, 0, 'A' ^ 0xFF), L"utf-8").second, false);
  // A NUL in the decrypted bytes is refused in either charset.
  EXPECT_EQ(decryptWithIV(IVWithFlip(kNistIV, 0, 'A'), L"utf-8").second, false);
  EXPECT_EQ(decryptWithIV(IVWithFlip(kNistIV, 0, 'A'), L"ansi").second, false);
  // The same "\xFF" byte is the letter y-diaeresis in code page 1252.
  EXPECT_EQ(decryptWithIV(IVWithFlip(kNistIV, 0, 'A' ^ 0xFF), L"ansi").first, L"\u00FFB");

  ChilkatCrypt2 d;
  SetUpAes(d, kNistKey, kNistIV);
  for (const wchar_t* bad :
       {L"", L"F58C", L"F58C4C04D6E5F1BA779EABFB5F7BFBD", L"zz",
        L"F58C4C04D6E5F1BA779EABFB5F7BFBD6 ", L"F58C4C04D6E5F1BA779EABFB5F7BFB"}) {
    EXPECT_EQ(d.DecryptStringENC(bad), L"") << bad;
    EXPECT_FALSE(d.LastMethodSuccess()) << bad;
  }
}

TEST(CryptComponent, UrlAndHexEncodingOfAnsiBytes) {
  ASSERT_EQ(::GetACP(), 1252u);
  ChilkatCrypt2 c;
  EXPECT_EQ(c.EncodeString(L"disk cleanup", L"ansi", L"url"), L"disk%20cleanup");
  EXPECT_EQ(c.EncodeString(L"a&b=c/d?e#f+g%h:i;j,k@l", L"ansi", L"url"),
            L"a%26b%3Dc%2Fd%3Fe%23f%2Bg%25h%3Ai%3Bj%2Ck%40l");
  EXPECT_EQ(c.EncodeString(L"AZaz09-_.~", L"ANSI", L"URL"), L"AZaz09-_.~");
  EXPECT_EQ(c.EncodeString(L"\"<>\\\r\n\t", L"ansi", L"url"), L"%22%3C%3E%5C%0D%0A%09");
  // Non-ASCII: the ANSI byte, not UTF-8.
  EXPECT_EQ(c.EncodeString(L"caf\u00E9", L"ansi", L"url"), L"caf%E9");
  EXPECT_EQ(c.EncodeString(L"\u20AC\u00FF", L"ansi", L"url"), L"%80%FF");
  EXPECT_EQ(c.EncodeString(L"caf\u00E9", L"utf-8", L"url"), L"caf%C3%A9");
  // A character the code page lacks becomes "?".
  EXPECT_EQ(c.EncodeString(L"\u4E2D", L"ansi", L"url"), L"%3F");
  EXPECT_TRUE(c.LastMethodSuccess());
  EXPECT_EQ(c.EncodeString(L"", L"ansi", L"url"), L"");
  EXPECT_TRUE(c.LastMethodSuccess());
  EXPECT_EQ(c.EncodeString(L"A\u00E9", L"ansi", L"hex"), L"41E9");

  EXPECT_EQ(c.EncodeString(L"a b", L"utf-16", L"url"), L"");
  EXPECT_FALSE(c.LastMethodSuccess());
  EXPECT_EQ(c.EncodeString(L"a b", L"ansi", L"base64"), L"");
  EXPECT_FALSE(c.LastMethodSuccess());
}

TEST(CryptConfigKeys, KeyMaterialHasItsFormsAndIsStable) {
  std::string bytes;
  const std::wstring iv = Crypto_Config_HexIV(), key = Crypto_Config_HexKey();
  EXPECT_EQ(iv.size(), 32u);
  EXPECT_TRUE(HexDecode(iv, bytes));
  EXPECT_EQ(key.size(), 64u);
  EXPECT_TRUE(HexDecode(key, bytes));
  const std::wstring mod = Config_KVP_Encryption_Modifier();
  EXPECT_EQ(mod.size(), 34u);
  for (wchar_t ch : mod) EXPECT_TRUE(ch > 32 && ch < 127) << static_cast<int>(ch);
  EXPECT_EQ(Crypto_Config_HexIV(), iv);
  EXPECT_EQ(Crypto_Config_HexKey(), key);
  EXPECT_NE(iv, key.substr(0, 32));
}

TEST(CryptConfigMarkers, MarkerTestCountsOnlyAMarkerWithSomethingAfterIt) {
  std::wstring marker = L"junk";
  int32_t len = 99;
  EXPECT_FALSE(IsEncryptedValue_KVP(L"", marker, len));
  EXPECT_EQ(marker, L"");
  EXPECT_EQ(len, 0);
  EXPECT_FALSE(IsEncryptedValue_KVP(L"<ev~>", marker, len));
  EXPECT_TRUE(IsEncryptedValue_KVP(L"<ev~>A", marker, len));
  EXPECT_EQ(marker, L"<ev~>");
  EXPECT_EQ(len, 5);
  EXPECT_FALSE(IsEncryptedValue_KVP(L"~{", marker, len));
  EXPECT_TRUE(IsEncryptedValue_KVP(L"~{a", marker, len));
  EXPECT_EQ(marker, L"~{");
  EXPECT_EQ(len, 2);
  EXPECT_FALSE(IsEncryptedForm(L"<EV~>ABCD"));  // case matters
  EXPECT_FALSE(IsEncryptedForm(L" <ev~>ABCD"));
  EXPECT_FALSE(IsEncryptedForm(L"~ {ab"));
  EXPECT_TRUE(IsEncryptedForm(L"<ev~>zz"));  // the form, not its validity

  // Values the marker test calls plain also read as themselves.
  EXPECT_EQ(EnsureFormat_KVP(L"<ev~>", false), L"<ev~>");
  EXPECT_EQ(EnsureFormat_KVP(L"~{", false), L"~{");
  EXPECT_EQ(EnsureFormat_KVP(L"plain", false), L"plain");
  EXPECT_EQ(EnsureFormat_KVP(L"", true), L"");
}

TEST_F(CryptConfig, RoundTripThroughTheStoredForm) {
  const std::wstring texts[] = {std::wstring(L"x"),
                                std::wstring(15, L'p'),
                                std::wstring(16, L'p'),
                                std::wstring(17, L'p'),
                                std::wstring(L"pass word=with<NL>marks ~{ <ev~>"),
                                std::wstring(L"caf\u00E9 \u03A9\u4E2D\U0001F600"),
                                std::wstring(3000, L'\u00E9')};
  for (const std::wstring& text : texts) {
    const std::wstring hex = EncryptData_Config(text);
    ASSERT_FALSE(hex.empty());
    std::string bytes;
    EXPECT_TRUE(HexDecode(hex, bytes));
    EXPECT_EQ(bytes.size() % 16, 0u);
    EXPECT_EQ(hex.find_first_of(L"abcdef"), std::wstring::npos);  // upper case
    EXPECT_EQ(DecryptData_Config(hex), text);
    EXPECT_EQ(DecryptData_Config(L"<ev~>" + hex), text);

    const std::wstring stored = EnsureFormat_KVP(text, true);
    EXPECT_EQ(stored, L"<ev~>" + hex);  // fixed key and IV: the same text, the same form
    EXPECT_TRUE(IsEncryptedForm(stored));
    EXPECT_EQ(EnsureFormat_KVP(stored, true), stored);  // already encrypted
    EXPECT_EQ(EnsureFormat_KVP(stored, false), text);
    EXPECT_EQ(EnsureFormat_KVP(stored, false, L"<ev~>", 5), text);
  }
  EXPECT_NE(EncryptData_Config(L"a"), EncryptData_Config(L"b"));
}

TEST_F(CryptConfig, BadCipherTextReadsEmptyAndIsLogged) {
  const std::wstring good = EncryptData_Config(L"0123456789abcdefXYZ");  // two blocks
  ASSERT_EQ(good.size(), 64u);
  // The low bit of block 1's last byte flips the padding's last byte: 0x0D
  // becomes 0x0C, which the twelve bytes before it do not match.
  std::wstring flipped = good;
  const wchar_t* kHex = L"0123456789ABCDEF";
  flipped[31] = kHex[(std::wstring_view(kHex).find(flipped[31])) ^ 1];

  ChilkatCrypt2 other;  // the right form, the wrong key
  SetUpAes(other, kNistKey, Crypto_Config_HexIV());
  const std::wstring wrongKey = other.EncryptStringENC(L"0123456789abcdefXYZ");

  const std::wstring bads[] = {L"<ev~>" + std::wstring(L"not hex!"),
                               L"<ev~>ABC",
                               L"<ev~>" + good.substr(0, 30),
                               L"<ev~>" + good.substr(0, 62),
                               L"<ev~>" + good + L"00",
                               L"<ev~>" + flipped,
                               L"<ev~>" + wrongKey,
                               std::wstring(L"<ev~>") + kNistCipher,
                               std::wstring(L"plain text"),
                               std::wstring(L"")};
  for (const std::wstring& bad : bads) {
    const auto before = PendingEntries().size();
    EXPECT_EQ(DecryptData_Config(bad), L"") << bad;
    EXPECT_EQ(EnsureFormat_KVP(bad, false), IsEncryptedForm(bad) ? L"" : bad) << bad;
    const auto entries = PendingEntries();
    bool logged = false;
    for (size_t i = before; i < entries.size(); ++i) {
      logged |= entries[i].find(L"Not decrypted") != std::wstring::npos ||
                entries[i].find(L"CryptDecrypt") != std::wstring::npos;
    }
    EXPECT_TRUE(logged) << bad;
  }
}

TEST_F(CryptConfig, SecretsNeverReachTheDebugLog) {
  const std::wstring stored = EnsureFormat_KVP(L"TopSecret-42", true);
  EXPECT_EQ(DecryptData_Config(stored), L"TopSecret-42");
  EXPECT_EQ(DecryptData_Config(L"<ev~>" + stored.substr(5, 30)), L"");  // a failure is logged too
  const std::wstring log = App_Debug::DebugLogPending();
  EXPECT_NE(log.find(L"DecryptData_Config"), std::wstring::npos);  // verbose: the calls are there
  EXPECT_EQ(log.find(L"TopSecret"), std::wstring::npos);
  EXPECT_EQ(log.find(Crypto_Config_HexKey()), std::wstring::npos);
  EXPECT_EQ(log.find(Crypto_Config_HexIV()), std::wstring::npos);
  EXPECT_EQ(log.find(stored.substr(5)), std::wstring::npos);
}

TEST(CryptCodecs, Ascii85AndHexDecodeTheStandardFormsAndRefuseTheRest) {
  std::string b;
  EXPECT_TRUE(Ascii85Decode(L"9jqo^", b));
  EXPECT_EQ(b, "Man ");
  EXPECT_TRUE(Ascii85Decode(L"<~F*2M7/c~>", b));
  EXPECT_EQ(b, "sure.");
  EXPECT_TRUE(Ascii85Decode(L"9jqo^ F*2M\r\n7/c", b));
  EXPECT_EQ(b, "Man sure.");
  EXPECT_TRUE(Ascii85Decode(L"z9jqo^z", b));
  EXPECT_EQ(b, std::string(4, '\0') + "Man " + std::string(4, '\0'));
  EXPECT_TRUE(Ascii85Decode(L"s8W-!", b));  // the largest group
  EXPECT_EQ(b, "\xFF\xFF\xFF\xFF");
  EXPECT_TRUE(Ascii85Decode(L"", b));
  EXPECT_EQ(b, "");
  for (const wchar_t* bad : {L"s8W-\"", L"uuuuu", L"9jqo^F", L"9jzqo", L"9jq{o", L"9j~o^",
                             L"9jqo^~>x", L"9j\u00E9o^", L"v"}) {
    b = "junk";
    EXPECT_FALSE(Ascii85Decode(bad, b)) << bad;
    EXPECT_EQ(b, "") << bad;
  }
  // The test encoder agrees with the standard vectors.
  EXPECT_EQ(Ascii85Encode("Man sure."), L"9jqo^F*2M7/c");

  EXPECT_TRUE(HexDecode(L"00fFa0", b));
  EXPECT_EQ(b, std::string("\x00\xFF\xA0", 3));
  EXPECT_FALSE(HexDecode(L"0", b));
  EXPECT_FALSE(HexDecode(L"0g", b));
  EXPECT_FALSE(HexDecode(L"0 ", b));
  EXPECT_EQ(b, "");
}

TEST_F(CryptConfig, LegacyFormIsReadButNeverWritten) {
  ASSERT_EQ(::GetACP(), 1252u);
  const std::wstring mod = Config_KVP_Encryption_Modifier();
  // Lengths 1 to 9 cover every short last group; 40 repeats the modifier;
  // the modifier's own first four characters scramble to "z".
  const std::wstring texts[] = {std::wstring(L"a"),
                                std::wstring(L"ab"),
                                std::wstring(L"abc"),
                                std::wstring(L"abcd"),
                                std::wstring(L"Caf\u00E9 \u20AC9"),
                                std::wstring(40, L'q'),
                                mod.substr(0, 4) + L"tail"};
  for (const std::wstring& text : texts) {
    const std::wstring scrambled = LegacyScramble(text);
    EXPECT_EQ(DecryptString(scrambled), text);
    EXPECT_EQ(DecryptString(L"<~" + scrambled + L"~>"), text);
    EXPECT_EQ(DecryptData_Config(L"~{" + scrambled), text);
    EXPECT_EQ(EnsureFormat_KVP(L"~{" + scrambled, false), text);
    EXPECT_EQ(EnsureFormat_KVP(L"~{" + scrambled, false, L"~{", 2), text);
    // Encrypting a legacy value wraps it; reading unwraps both layers.
    const std::wstring wrapped = EnsureFormat_KVP(L"~{" + scrambled, true);
    EXPECT_EQ(wrapped.substr(0, 5), L"<ev~>");
    EXPECT_EQ(EnsureFormat_KVP(wrapped, false), text);
    EXPECT_EQ(DecryptData_Config(wrapped), text);
    // The legacy marker never produces a legacy value.
    EXPECT_EQ(EnsureFormat_KVP(text, true, L"~{", 2).substr(0, 5), L"<ev~>");
  }
  EXPECT_EQ(LegacyScramble(mod.substr(0, 4) + L"tail").substr(0, 1), L"z");
  EXPECT_EQ(DecryptString(L""), L"");

  // Out-of-range characters and a truncated group read empty, and say why.
  for (const wchar_t* bad : {L"~{xyz", L"~{9jqo^F", L"~{uuuuu", L"~{ab~c"}) {
    EXPECT_EQ(DecryptData_Config(bad), L"") << bad;
    EXPECT_EQ(EnsureFormat_KVP(bad, false), L"") << bad;
  }
  EXPECT_NE(App_Debug::DebugLogPending().find(L"not valid Ascii85"), std::wstring::npos);
  // With the other marker given, a legacy value is not touched, and a
  // marker of the wrong length means no marker at all.
  EXPECT_EQ(EnsureFormat_KVP(L"~{9jqo^", false, L"<ev~>", 5), L"~{9jqo^");
  EXPECT_EQ(EnsureFormat_KVP(L"~{" + LegacyScramble(L"ok"), false, L"~{", 7), L"ok");
}
