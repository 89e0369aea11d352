// Encrypted setting values: the marker test, the store's conversions, the
// AES cipher through the crypto component, the legacy unscrambling and the
// program's key material.
#include "config/ckCrypt_Config.h"

#include <windows.h>

#include <initializer_list>

#include "diag/App_Trace.h"
#include "hosted/ChilkatCrypt2.h"
#include "util/App_Variables.h"

namespace ckCrypt_Config {

namespace {

constexpr wchar_t kModule[] = L"ckCrypt_Config";

// The key material is kept as masked character codes: code i is stored
// XORed with (seed + 29 * i) & 0xFF, so no whole key, IV or modifier
// stands in the program file.
std::wstring FromCodes(std::initializer_list<unsigned char> codes, unsigned seed) {
  std::wstring s;
  s.reserve(codes.size());
  unsigned i = 0;
  for (const unsigned char c : codes) {
    s.push_back(static_cast<wchar_t>(c ^ ((seed + 29 * i) & 0xFF)));
    ++i;
  }
  return s;
}

void Wipe(std::wstring& s) {
  if (!s.empty()) ::SecureZeroMemory(s.data(), s.size() * sizeof(wchar_t));
  s.clear();
}

void Wipe(std::string& s) {
  if (!s.empty()) ::SecureZeroMemory(s.data(), s.size());
  s.clear();
}

bool HasMarker(std::wstring_view sValue, std::wstring_view sMarker) {
  return sValue.size() > sMarker.size() && sValue.substr(0, sMarker.size()) == sMarker;
}

// A component set up with the cipher parameters, in the order the program
// applies them. False when the IV or the key is refused.
bool SetUpCipher(ChilkatCrypt2& c) {
  c.CipherMode = L"cbc";
  c.CryptAlgorithm = L"aes";
  c.KeyLength = 256;
  c.PaddingScheme = 0;
  c.EncodingMode = L"hex";
  std::wstring iv = Crypto_Config_HexIV();
  std::wstring key = Crypto_Config_HexKey();
  const bool ok = c.SetEncodedIV(iv, L"hex") && c.SetEncodedKey(key, L"hex");
  Wipe(iv);
  Wipe(key);
  return ok;
}

// Logs why the component failed: the system call that failed, or its
// reason. sWhat is "Not decrypted" or "Not encrypted".
void LogComponentFailure(App_Trace& t, const ChilkatCrypt2& c, std::wstring_view sWhat) {
  if (c.LastApiError() != 0) {
    ::SetLastError(c.LastApiError());
    t.APIError(c.LastFailedCall(), pVar(L"sResult", std::wstring(sWhat)));
  } else {
    t.Log(std::wstring(sWhat) + L": " + c.LastErrorText(), evNormal);
  }
}

// The hexadecimal cipher text decrypted, without any legacy step.
std::wstring DecryptHex(App_Trace& t, std::wstring_view sHex) {
  std::string probe;
  if (sHex.empty() || !HexDecode(sHex, probe)) {
    t.Log(L"Not decrypted: the cipher text is not hexadecimal text of whole bytes", evNormal,
          pVar(L"lLen", static_cast<int32_t>(sHex.size())));
    return {};
  }
  if (probe.size() % 16 != 0) {
    t.Log(L"Not decrypted: the cipher text is not a whole number of 16-byte blocks", evNormal,
          pVar(L"lLen", static_cast<int32_t>(sHex.size())));
    return {};
  }
  ChilkatCrypt2 c;
  if (!SetUpCipher(c)) {
    LogComponentFailure(t, c, L"Not decrypted");
    return {};
  }
  std::wstring plain = c.DecryptStringENC(sHex);
  if (!c.LastMethodSuccess()) {
    LogComponentFailure(t, c, L"Not decrypted");
    return {};
  }
  return plain;
}

// The legacy unscrambling, logged against the caller's call.
std::wstring Unscramble(App_Trace& t, std::wstring_view sScrambled) {
  if (sScrambled.empty()) return {};
  std::string bytes;
  if (!Ascii85Decode(sScrambled, bytes)) {
    t.Log(L"Not unscrambled: the legacy value is not valid Ascii85 text", evNormal,
          pVar(L"lLen", static_cast<int32_t>(sScrambled.size())));
    return {};
  }
  if (bytes.empty()) return {};
  std::wstring modifier = Config_KVP_Encryption_Modifier();
  std::string modBytes(modifier.begin(), modifier.end());  // ASCII: its own ANSI codes
  Wipe(modifier);
  XorWithModifier(bytes, modBytes);
  Wipe(modBytes);
  std::wstring out;
  const int n = static_cast<int>(bytes.size());
  const int need = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), n, nullptr, 0);
  if (need > 0) {
    out.resize(static_cast<size_t>(need));
    if (::MultiByteToWideChar(CP_ACP, 0, bytes.data(), n, out.data(), need) != need) out.clear();
  }
  if (need <= 0 || out.empty()) t.APIError(L"MultiByteToWideChar");
  Wipe(bytes);
  return out;
}

// The plain form of a stored value: "<ev~>" decrypted, then the legacy form
// unscrambled. Other values come back unchanged.
std::wstring ToPlain(App_Trace& t, std::wstring_view sValue) {
  std::wstring s(sValue);
  if (HasMarker(s, EncryptedMarker)) {
    std::wstring plain = DecryptHex(t, std::wstring_view(s).substr(EncryptedMarker.size()));
    Wipe(s);
    s = std::move(plain);
  }
  if (HasMarker(s, LegacyMarker)) {
    std::wstring plain = Unscramble(t, std::wstring_view(s).substr(LegacyMarker.size()));
    Wipe(s);
    s = std::move(plain);
  }
  return s;
}

}  // namespace

bool IsEncryptedValue_KVP(std::wstring_view sValue, std::wstring& sMarker, int32_t& lMarkerLen) {
  sMarker.clear();
  lMarkerLen = 0;
  if (HasMarker(sValue, EncryptedMarker)) {
    sMarker = EncryptedMarker;
    lMarkerLen = static_cast<int32_t>(EncryptedMarker.size());
    return true;
  }
  if (HasMarker(sValue, LegacyMarker)) {
    sMarker = LegacyMarker;
    lMarkerLen = static_cast<int32_t>(LegacyMarker.size());
    return true;
  }
  return false;
}

bool IsEncryptedForm(std::wstring_view sValue) {
  return HasMarker(sValue, EncryptedMarker) || HasMarker(sValue, LegacyMarker);
}

std::wstring EnsureFormat_KVP(std::wstring_view sValue, bool bEncrypted) {
  // Reads of plain values are the common case: no call record for them.
  if (sValue.empty()) return {};
  if (bEncrypted) {
    if (HasMarker(sValue, EncryptedMarker)) return std::wstring(sValue);
    std::wstring hex = EncryptData_Config(sValue);
    if (hex.empty()) return {};
    return std::wstring(EncryptedMarker) + hex;
  }
  if (!IsEncryptedForm(sValue)) return std::wstring(sValue);
  return DecryptData_Config(sValue);
}

std::wstring EnsureFormat_KVP(std::wstring_view sValue, bool bEncrypted, std::wstring_view sMarker,
                              int32_t lMarkerLen) {
  const bool known = sMarker == EncryptedMarker || sMarker == LegacyMarker;
  if (!known || lMarkerLen != static_cast<int32_t>(sMarker.size())) {
    return EnsureFormat_KVP(sValue, bEncrypted);
  }
  if (sValue.empty()) return {};
  if (bEncrypted) return EnsureFormat_KVP(sValue, true);
  if (!HasMarker(sValue, sMarker)) return std::wstring(sValue);
  App_Trace t(kModule, L"EnsureFormat_KVP");
  std::wstring out;
  t.Step([&] {
    out = sMarker == LegacyMarker ? Unscramble(t, sValue.substr(LegacyMarker.size()))
                                  : DecryptHex(t, sValue.substr(EncryptedMarker.size()));
  });
  return out;
}

std::wstring EncryptData_Config(std::wstring_view sText) {
  App_Trace t(kModule, L"EncryptData_Config");
  t.Vars(vkPassedByVal, {L"lTextLen", static_cast<int32_t>(sText.size())});
  std::wstring out;
  t.Step([&] {
    ChilkatCrypt2 c;
    if (!SetUpCipher(c)) {
      LogComponentFailure(t, c, L"Not encrypted");
      return;
    }
    out = c.EncryptStringENC(sText);
    if (!c.LastMethodSuccess()) {
      out.clear();
      LogComponentFailure(t, c, L"Not encrypted");
    }
  });
  t.Vars(vkFunctionReturn, {L"lHexLen", static_cast<int32_t>(out.size())});
  return out;
}

std::wstring DecryptData_Config(std::wstring_view sStoredValue) {
  App_Trace t(kModule, L"DecryptData_Config");
  t.Vars(vkPassedByVal, {L"lValueLen", static_cast<int32_t>(sStoredValue.size())});
  std::wstring out;
  t.Step([&] {
    if (HasMarker(sStoredValue, EncryptedMarker) || HasMarker(sStoredValue, LegacyMarker)) {
      out = ToPlain(t, sStoredValue);
      return;
    }
    out = DecryptHex(t, sStoredValue);
    if (HasMarker(out, LegacyMarker)) {
      std::wstring plain = Unscramble(t, std::wstring_view(out).substr(LegacyMarker.size()));
      Wipe(out);
      out = std::move(plain);
    }
  });
  t.Vars(vkFunctionReturn, {L"lTextLen", static_cast<int32_t>(out.size())});
  return out;
}

std::wstring DecryptString(std::wstring_view sScrambled) {
  App_Trace t(kModule, L"DecryptString");
  t.Vars(vkPassedByVal, {L"lTextLen", static_cast<int32_t>(sScrambled.size())});
  std::wstring out;
  t.Step([&] { out = Unscramble(t, sScrambled); });
  return out;
}

std::wstring Crypto_Config_HexIV() {
  return FromCodes({8,  104, 53,  172, 247, 255, 211, 57,  97,  115, 103, 56,  173, 143, 224, 177,
                    78, 108, 126, 33,  185, 168, 255, 154, 194, 86,  28,  116, 93,  194, 145, 243},
                   0x3D);
}

std::wstring Crypto_Config_HexKey() {
  return FromCodes({66,  186, 157, 137, 166, 54,  44,  125, 104, 71,  209, 130, 254, 168, 70,  97,
                    113, 28,  73,  171, 243, 227, 171, 73,  107, 3,   81,  196, 171, 136, 147, 193,
                    82,  106, 126, 93,  181, 147, 141, 158, 184, 80,  7,   103, 41,  201, 145, 241,
                    167, 206, 46,  13,  22,  54,  188, 237, 139, 212, 70,  99,  15,  110, 50,  160},
                   0x71);
}

std::wstring Config_KVP_Encryption_Modifier() {
  return FromCodes(
      {202, 253, 176, 185, 82, 116, 57, 33,  245, 220, 175, 202, 40,  122, 18, 118, 59,
       216, 151, 253, 182, 49, 120, 8,  113, 34,  230, 236, 131, 169, 69,  81, 21,  35},
      0xA4);
}

}  // namespace ckCrypt_Config
