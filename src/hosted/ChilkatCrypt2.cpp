// The crypto component's encryption class on top of the CryptoAPI.
//
// Every EncryptStringENC / DecryptStringENC runs the same short road:
// acquire a verify-only context of Microsoft's AES provider, import the key
// as a plain-text key blob, set CBC mode and the IV on the key, let
// CryptEncrypt / CryptDecrypt with Final=TRUE add or check and strip the
// PKCS #7 padding, and release key and context again (RAII, in that order).
#include "hosted/ChilkatCrypt2.h"

#include <windows.h>
// After windows.h, whose types it uses.
#include <wincrypt.h>

#include <cstddef>
#include <cstring>
#include <vector>

#include "util/App_Handle.h"
#include "util/App_Strings.h"
#include "util/App_TextCodec.h"

using App_TextCodec::Utf16ToUtf8;
using App_TextCodec::Utf8ToUtf16;

namespace {

// The AES provider's names: Windows Vista and later, then Windows XP SP3's
// prototype of the same provider; last, whatever the system names as the
// default provider of the AES type.
const wchar_t* const kProviderNames[] = {
    L"Microsoft Enhanced RSA and AES Cryptographic Provider",
    L"Microsoft Enhanced RSA and AES Cryptographic Provider (Prototype)",
    nullptr,
};

constexpr size_t kBlockBytes = 16;
constexpr size_t kMaxKeyBytes = 32;
// Far above any setting's size; keeps every length inside a DWORD.
constexpr size_t kMaxTextBytes = 64u * 1024 * 1024;

// The cryptographic context and key of one call, released when it ends.
struct CryptProvTraits {
  static bool Valid(HCRYPTPROV h) { return h != 0; }
  static void Release(HCRYPTPROV h) { ::CryptReleaseContext(h, 0); }
};
struct CryptKeyTraits {
  static bool Valid(HCRYPTKEY h) { return h != 0; }
  static void Release(HCRYPTKEY h) { ::CryptDestroyKey(h); }
};
using CryptProvOwner = App_Owner<HCRYPTPROV, CryptProvTraits>;
using CryptKeyOwner = App_Owner<HCRYPTKEY, CryptKeyTraits>;

struct AesKeyBlob {
  BLOBHEADER hdr;
  DWORD cbKeySize;
  BYTE rgbKeyData[kMaxKeyBytes];
};

void Wipe(std::string& s) {
  if (!s.empty()) ::SecureZeroMemory(s.data(), s.size());
  s.clear();
}

wchar_t AsciiLower(wchar_t c) {
  return (c >= L'A' && c <= L'Z') ? c + (L'a' - L'A') : c;
}

bool SameWord(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

bool FromHex(std::wstring_view s, std::string& out) {
  out.clear();
  if (s.size() % 2 != 0) return false;
  out.reserve(s.size() / 2);
  for (size_t i = 0; i < s.size(); i += 2) {
    const int hi = App_Strings::HexDigit(s[i]), lo = App_Strings::HexDigit(s[i + 1]);
    if (hi < 0 || lo < 0) {
      out.clear();
      return false;
    }
    out.push_back(static_cast<char>(hi * 16 + lo));
  }
  return true;
}

const wchar_t kHexUpper[] = L"0123456789ABCDEF";

std::wstring ToHex(const BYTE* p, size_t n) {
  std::wstring out;
  out.reserve(n * 2);
  for (size_t i = 0; i < n; ++i) {
    out.push_back(kHexUpper[p[i] >> 4]);
    out.push_back(kHexUpper[p[i] & 0x0F]);
  }
  return out;
}

// The text in the ANSI code page. With bExact a character the code page
// lacks makes the conversion fail; otherwise it becomes the default "?".
bool Utf16ToAnsi(std::wstring_view s, std::string& out, bool bExact) {
  out.clear();
  if (s.empty()) return true;
  if (s.size() > kMaxTextBytes) return false;
  const int n = static_cast<int>(s.size());
  BOOL usedDefault = FALSE;
  const int need = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, s.data(), n, nullptr, 0,
                                         nullptr, nullptr);
  if (need <= 0) return false;
  out.resize(static_cast<size_t>(need));
  const int got = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, s.data(), n, out.data(), need,
                                        nullptr, bExact ? &usedDefault : nullptr);
  if (got != need || (bExact && usedDefault)) {
    out.clear();
    return false;
  }
  return true;
}

bool AnsiToUtf16(std::string_view b, std::wstring& out) {
  out.clear();
  if (b.empty()) return true;
  const int n = static_cast<int>(b.size());
  const int need = ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, b.data(), n, nullptr, 0);
  if (need <= 0) return false;
  out.resize(static_cast<size_t>(need));
  if (::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, b.data(), n, out.data(), need) != need) {
    out.clear();
    return false;
  }
  return true;
}

enum class CharsetKind { Unknown, Ansi, Utf8 };

CharsetKind CharsetOf(std::wstring_view s) {
  if (SameWord(s, L"ansi")) return CharsetKind::Ansi;
  if (SameWord(s, L"utf-8") || SameWord(s, L"utf8")) return CharsetKind::Utf8;
  return CharsetKind::Unknown;
}

// What one cipher call needs, and what it reports back.
struct CipherJob {
  const std::string* key = nullptr;
  const std::string* iv = nullptr;
  ALG_ID alg = 0;
  bool encrypt = true;
  std::vector<BYTE> data;  // in: plain or cipher bytes; out: the result
  const wchar_t* failedCall = nullptr;
  DWORD apiError = 0;
};

// One whole cipher call, with its context and key released on return.
bool RunCipher(CipherJob& job) {
  auto fail = [&job](const wchar_t* sCall) {
    job.apiError = ::GetLastError();
    job.failedCall = sCall;
    return false;
  };

  CryptProvOwner prov;
  BOOL ok = FALSE;
  for (const wchar_t* name : kProviderNames) {
    ok = ::CryptAcquireContextW(prov.Put(), nullptr, name, PROV_RSA_AES, CRYPT_VERIFYCONTEXT);
    if (ok) break;
  }
  if (!ok) return fail(L"CryptAcquireContextW");

  AesKeyBlob blob{};
  blob.hdr.bType = PLAINTEXTKEYBLOB;
  blob.hdr.bVersion = CUR_BLOB_VERSION;
  blob.hdr.reserved = 0;
  blob.hdr.aiKeyAlg = job.alg;
  blob.cbKeySize = static_cast<DWORD>(job.key->size());
  memcpy(blob.rgbKeyData, job.key->data(), job.key->size());
  CryptKeyOwner key;
  ok = ::CryptImportKey(prov.Get(), reinterpret_cast<const BYTE*>(&blob),
                        static_cast<DWORD>(offsetof(AesKeyBlob, rgbKeyData) + job.key->size()), 0,
                        0, key.Put());
  ::SecureZeroMemory(&blob, sizeof(blob));
  if (!ok) return fail(L"CryptImportKey");

  DWORD mode = CRYPT_MODE_CBC;
  if (!::CryptSetKeyParam(key.Get(), KP_MODE, reinterpret_cast<const BYTE*>(&mode), 0)) {
    return fail(L"CryptSetKeyParam");
  }
  if (!::CryptSetKeyParam(key.Get(), KP_IV, reinterpret_cast<const BYTE*>(job.iv->data()), 0)) {
    return fail(L"CryptSetKeyParam");
  }

  DWORD len = static_cast<DWORD>(job.data.size());
  if (job.encrypt) {
    // PKCS #7 always adds 1 to 16 bytes.
    const DWORD bufLen = len + static_cast<DWORD>(kBlockBytes - len % kBlockBytes);
    job.data.resize(bufLen);
    if (!::CryptEncrypt(key.Get(), 0, TRUE, 0, job.data.data(), &len, bufLen)) {
      return fail(L"CryptEncrypt");
    }
  } else {
    if (!::CryptDecrypt(key.Get(), 0, TRUE, 0, job.data.data(), &len)) {
      ::SecureZeroMemory(job.data.data(), job.data.size());
      return fail(L"CryptDecrypt");
    }
  }
  job.data.resize(len);
  return true;
}

}  // namespace

ChilkatCrypt2::~ChilkatCrypt2() {
  Wipe(iv_);
  Wipe(key_);
}

void ChilkatCrypt2::Begin() {
  lastSuccess_ = true;
  lastError_.clear();
  lastApiError_ = 0;
  lastFailedCall_.clear();
}

void ChilkatCrypt2::Fail(std::wstring_view sReason) {
  lastSuccess_ = false;
  lastError_.assign(sReason);
}

void ChilkatCrypt2::FailApi(std::wstring_view sCall, uint32_t lError) {
  lastSuccess_ = false;
  lastFailedCall_.assign(sCall);
  lastApiError_ = lError;
  lastError_ = std::wstring(sCall) + L" failed";
}

bool ChilkatCrypt2::SetEncodedIV(std::wstring_view sIV, std::wstring_view sEncoding) {
  Begin();
  Wipe(iv_);
  if (!SameWord(sEncoding, L"hex")) {
    Fail(L"Unsupported encoding of the IV");
    return false;
  }
  if (!FromHex(sIV, iv_) || iv_.size() != kBlockBytes) {
    Wipe(iv_);
    Fail(L"The IV is not 16 bytes of hexadecimal text");
    return false;
  }
  return true;
}

bool ChilkatCrypt2::SetEncodedKey(std::wstring_view sKey, std::wstring_view sEncoding) {
  Begin();
  Wipe(key_);
  if (!SameWord(sEncoding, L"hex")) {
    Fail(L"Unsupported encoding of the key");
    return false;
  }
  if (!FromHex(sKey, key_) || key_.empty() || key_.size() > kMaxKeyBytes) {
    Wipe(key_);
    Fail(L"The key is not hexadecimal text of 16, 24 or 32 bytes");
    return false;
  }
  return true;
}

bool ChilkatCrypt2::CheckCipherSettings() {
  if (!SameWord(CryptAlgorithm, L"aes")) {
    Fail(L"Unsupported CryptAlgorithm");
    return false;
  }
  if (!SameWord(CipherMode, L"cbc")) {
    Fail(L"Unsupported CipherMode");
    return false;
  }
  if (KeyLength != 128 && KeyLength != 192 && KeyLength != 256) {
    Fail(L"Unsupported KeyLength");
    return false;
  }
  if (PaddingScheme != 0) {
    Fail(L"Unsupported PaddingScheme");
    return false;
  }
  if (!SameWord(EncodingMode, L"hex")) {
    Fail(L"Unsupported EncodingMode");
    return false;
  }
  if (CharsetOf(Charset) == CharsetKind::Unknown) {
    Fail(L"Unsupported Charset");
    return false;
  }
  if (iv_.size() != kBlockBytes) {
    Fail(L"No IV has been set");
    return false;
  }
  if (key_.size() * 8 != static_cast<size_t>(KeyLength)) {
    Fail(L"The key's length does not match KeyLength");
    return false;
  }
  return true;
}

std::wstring ChilkatCrypt2::EncryptStringENC(std::wstring_view sText) {
  Begin();
  if (!CheckCipherSettings()) return {};
  if (sText.find(L'\0') != std::wstring_view::npos) {
    Fail(L"The text contains a NUL character");
    return {};
  }
  std::string bytes;
  const bool converted = CharsetOf(Charset) == CharsetKind::Utf8 ? Utf16ToUtf8(sText, bytes)
                                                                 : Utf16ToAnsi(sText, bytes, true);
  if (!converted || bytes.size() > kMaxTextBytes) {
    Wipe(bytes);
    Fail(L"The text cannot be written in the Charset");
    return {};
  }
  CipherJob job;
  job.key = &key_;
  job.iv = &iv_;
  job.alg = KeyLength == 128 ? CALG_AES_128 : KeyLength == 192 ? CALG_AES_192 : CALG_AES_256;
  job.encrypt = true;
  job.data.assign(bytes.begin(), bytes.end());
  Wipe(bytes);
  std::wstring out;
  if (RunCipher(job)) {
    out = ToHex(job.data.data(), job.data.size());
  } else {
    FailApi(job.failedCall, job.apiError);
  }
  // The cipher's resources are released by now; leave the failed call's
  // error for the caller's log.
  if (lastApiError_ != 0) ::SetLastError(lastApiError_);
  return out;
}

std::wstring ChilkatCrypt2::DecryptStringENC(std::wstring_view sEncoded) {
  Begin();
  if (!CheckCipherSettings()) return {};
  std::string cipher;
  if (!FromHex(sEncoded, cipher)) {
    Fail(L"The cipher text is not hexadecimal text of whole bytes");
    return {};
  }
  if (cipher.empty() || cipher.size() % kBlockBytes != 0 || cipher.size() > kMaxTextBytes) {
    Fail(L"The cipher text is not a whole number of blocks");
    return {};
  }
  CipherJob job;
  job.key = &key_;
  job.iv = &iv_;
  job.alg = KeyLength == 128 ? CALG_AES_128 : KeyLength == 192 ? CALG_AES_192 : CALG_AES_256;
  job.encrypt = false;
  job.data.assign(cipher.begin(), cipher.end());
  std::wstring out;
  if (!RunCipher(job)) {
    FailApi(job.failedCall, job.apiError);
    ::SetLastError(lastApiError_);
    return {};
  }
  const std::string_view plain(reinterpret_cast<const char*>(job.data.data()), job.data.size());
  const bool converted =
      plain.find('\0') == std::string_view::npos &&
      (CharsetOf(Charset) == CharsetKind::Utf8 ? Utf8ToUtf16(plain, out) : AnsiToUtf16(plain, out));
  ::SecureZeroMemory(job.data.data(), job.data.size());
  if (!converted) {
    out.clear();
    Fail(L"The decrypted bytes are not text in the Charset");
    return {};
  }
  return out;
}

std::wstring ChilkatCrypt2::EncodeString(std::wstring_view sText, std::wstring_view sCharset,
                                         std::wstring_view sEncoding) {
  Begin();
  const CharsetKind cs = CharsetOf(sCharset);
  const bool url = SameWord(sEncoding, L"url");
  if (cs == CharsetKind::Unknown) {
    Fail(L"Unsupported charset");
    return {};
  }
  if (!url && !SameWord(sEncoding, L"hex")) {
    Fail(L"Unsupported encoding");
    return {};
  }
  std::string bytes;
  const bool converted =
      cs == CharsetKind::Utf8 ? Utf16ToUtf8(sText, bytes) : Utf16ToAnsi(sText, bytes, false);
  if (!converted) {
    Fail(L"The text cannot be written in the charset");
    return {};
  }
  if (!url) return ToHex(reinterpret_cast<const BYTE*>(bytes.data()), bytes.size());
  return App_TextCodec::UrlEncodeBytes(bytes);
}
