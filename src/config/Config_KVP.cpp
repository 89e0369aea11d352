#include "config/Config_KVP.h"

#include <cstdint>
#include <utility>

#include "config/ckCrypt_Config.h"
#include "util/App_Strings.h"

// ---- Config_KVP -------------------------------------------------------------------------------

void Config_KVP::ValueData(std::wstring_view sValue) {
  if (sValue.empty()) {
    Value_.clear();
    return;
  }
  Encrypted_ = ckCrypt_Config::IsEncryptedForm(sValue);
  Value_.assign(sValue);
}

void Config_KVP::AdoptValue(std::wstring&& sValue) {
  Encrypted_ = ckCrypt_Config::IsEncryptedForm(sValue);
  Value_ = std::move(sValue);
}

std::wstring Config_KVP::ValueData() const {
  try {
    return ckCrypt_Config::EnsureFormat_KVP(Value_, false);
  } catch (...) {
    return L"";
  }
}

void Config_KVP::Encrypted(bool bValue) {
  try {
    Encrypted_ = bValue;
    std::wstring sConverted = ckCrypt_Config::EnsureFormat_KVP(Value_, bValue);
    // A value that cannot be encrypted or decrypted keeps its stored form
    // (and the flag tells which form that is): emptying it would lose it.
    if (sConverted.empty() && !Value_.empty()) {
      Encrypted_ = ckCrypt_Config::IsEncryptedForm(Value_);
      return;
    }
    Value_ = std::move(sConverted);
  } catch (...) {
    // Out of memory: the value stays as it was.
  }
}

// ---- line format ------------------------------------------------------------------------------

namespace Config_Format {

namespace {

constexpr size_t npos = std::wstring_view::npos;

// The first character after leading spaces (tabs are not blanks here), or
// NUL for a line of spaces only.
wchar_t FirstNonSpace(std::wstring_view sLine) {
  const size_t p = sLine.find_first_not_of(L' ');
  return p == npos ? L'\0' : sLine[p];
}

}  // namespace

Config_LineKind ClassifyLine(std::wstring_view sLine, std::wstring_view& sKey,
                             std::wstring_view& sValue) {
  sKey = {};
  sValue = {};
  const size_t eq = sLine.find(L'=');
  if (eq == npos) return lkIgnored;
  if (FirstNonSpace(sLine) == L';') return lkComment;
  sKey = sLine.substr(0, eq);
  sValue = sLine.substr(eq + 1);
  return lkSetting;
}

Config_LineKind ClassifyIniLine(std::wstring_view sLine, std::wstring_view& sKey,
                                std::wstring_view& sValue, std::wstring& sHeading) {
  if (FirstNonSpace(sLine) == L'[') {
    sKey = {};
    sValue = {};
    // The heading is the line as it stands without its first and last
    // characters; "[" alone leaves an empty heading.
    sHeading.assign(sLine.size() >= 2 ? sLine.substr(1, sLine.size() - 2) : std::wstring_view());
    sHeading.push_back(L'.');
    return lkHeading;
  }
  return ClassifyLine(sLine, sKey, sValue);
}

std::vector<std::wstring_view> SplitLines(std::wstring_view sText) {
  std::vector<std::wstring_view> lines;
  if (sText.empty()) return lines;
  size_t from = 0;
  for (;;) {
    const size_t p = sText.find(CRLF, from);
    if (p == npos) break;
    lines.push_back(sText.substr(from, p - from));
    from = p + CRLF.size();
  }
  lines.push_back(sText.substr(from));
  return lines;
}

namespace {

std::wstring ReplaceAll(std::wstring_view sText, std::wstring_view sFind, std::wstring_view sWith) {
  size_t hit = sText.find(sFind);
  if (hit == npos) return std::wstring(sText);
  std::wstring out;
  out.reserve(sText.size() + 16);
  size_t from = 0;
  while (hit != npos) {
    out.append(sText.substr(from, hit - from)).append(sWith);
    from = hit + sFind.size();
    hit = sText.find(sFind, from);
  }
  out.append(sText.substr(from));
  return out;
}

}  // namespace

std::wstring EncodeLineBreaks(std::wstring_view sValue) {
  // Most values hold no CR at all: one memchr-like scan decides.
  if (sValue.find(L'\r') == npos) return std::wstring(sValue);
  return ReplaceAll(sValue, CRLF, NewLineMark);
}

std::wstring DecodeLineBreaks(std::wstring_view sValue) {
  if (sValue.find(L'<') == npos) return std::wstring(sValue);
  return ReplaceAll(sValue, NewLineMark, CRLF);
}

std::wstring PrefixedKey(std::wstring_view sPrefix, std::wstring_view sKey) {
  if (sPrefix.empty()) return std::wstring(sKey);
  if (sKey.size() >= sPrefix.size() && FoldedEqual(sKey.substr(0, sPrefix.size()), sPrefix)) {
    return std::wstring(sKey);
  }
  std::wstring out;
  out.reserve(sPrefix.size() + sKey.size());
  out.append(sPrefix).append(sKey);
  return out;
}

std::wstring FilePrefix(std::wstring_view sFile) {
  std::wstring sName = App_Strings::StripFileExtension(App_Strings::StripPath(sFile));
  for (wchar_t& c : sName) {
    if (c == L' ') c = L'_';
  }
  sName.push_back(L'.');
  return sName;
}

bool ParseWholeNumber(std::wstring_view sText, int32_t& lValue) {
  size_t i = 0, n = sText.size();
  while (i < n && sText[i] == L' ') ++i;
  while (n > i && sText[n - 1] == L' ') --n;
  bool bNegative = false;
  if (i < n && (sText[i] == L'+' || sText[i] == L'-')) bNegative = sText[i++] == L'-';
  auto isDigit = [&](size_t k) { return k < n && sText[k] >= L'0' && sText[k] <= L'9'; };

  // Beyond this the number cannot fit 32 bits whatever follows; stop
  // accumulating so that no run of digits can overflow the counter.
  constexpr uint64_t kCap = 100000000000ull;
  uint64_t lMagnitude = 0;
  bool bDigits = false;
  while (isDigit(i)) {
    bDigits = true;
    if (lMagnitude < kCap) lMagnitude = lMagnitude * 10 + static_cast<uint64_t>(sText[i] - L'0');
    ++i;
  }
  bool bRoundUp = false;
  if (i < n && sText[i] == L'.') {
    ++i;
    const size_t lFirst = i;
    bool bRestNonZero = false;
    while (isDigit(i)) {
      bDigits = true;
      if (i > lFirst && sText[i] != L'0') bRestNonZero = true;
      ++i;
    }
    if (i > lFirst) {
      const wchar_t c = sText[lFirst];
      // Exactly one half goes to the even neighbour, anything above up.
      bRoundUp = c > L'5' || (c == L'5' && (bRestNonZero || (lMagnitude & 1) != 0));
    }
  }
  if (!bDigits || i != n || lMagnitude >= kCap) return false;
  if (bRoundUp) ++lMagnitude;
  if (bNegative) {
    if (lMagnitude > 2147483648ull) return false;
    lValue = static_cast<int32_t>(-static_cast<int64_t>(lMagnitude));
  } else {
    if (lMagnitude > 2147483647ull) return false;
    lValue = static_cast<int32_t>(lMagnitude);
  }
  return true;
}

namespace {

// The case folding of text comparisons, with ASCII (nearly every key)
// folded here without a call.
inline wchar_t FoldChar(wchar_t c) {
  if (c < 0x80) return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 0x20) : c;
  return App_Strings::LowerChar(c);
}

}  // namespace

size_t FoldedHash(std::wstring_view s) {
  // FNV-1a over the folded characters, one character at a time.
  uint64_t h = 14695981039346656037ull;
  for (wchar_t c : s) {
    h ^= static_cast<uint32_t>(FoldChar(c));
    h *= 1099511628211ull;
  }
  return static_cast<size_t>(h ^ (h >> 29));
}

bool FoldedEqual(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i] && FoldChar(a[i]) != FoldChar(b[i])) return false;
  }
  return true;
}

}  // namespace Config_Format
