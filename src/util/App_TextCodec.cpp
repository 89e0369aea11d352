// Text and byte conversions without system calls (module App_TextCodec).
#include "util/App_TextCodec.h"

#include <cstdint>

namespace App_TextCodec {

namespace {

bool UrlUnreserved(unsigned char b) {
  return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '-' || b == '_' ||
         b == '.' || b == '~';
}

void AppendCodePoint(std::wstring& out, uint32_t cp) {
  if (cp >= 0x10000) {
    out.push_back(static_cast<wchar_t>(0xD800 + ((cp - 0x10000) >> 10)));
    out.push_back(static_cast<wchar_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
  } else {
    out.push_back(static_cast<wchar_t>(cp));
  }
}

// One UTF-8 sequence at b[i]: its code point and its length, or length 0
// when the bytes there are no valid sequence.
size_t DecodeOne(std::string_view b, size_t i, uint32_t& cp) {
  const unsigned char c = static_cast<unsigned char>(b[i]);
  size_t extra = 0;
  uint32_t min = 0;
  if (c < 0x80) {
    cp = c;
    return 1;
  } else if (c >= 0xC2 && c <= 0xDF) {
    cp = c & 0x1F, extra = 1, min = 0x80;
  } else if (c >= 0xE0 && c <= 0xEF) {
    cp = c & 0x0F, extra = 2, min = 0x800;
  } else if (c >= 0xF0 && c <= 0xF4) {
    cp = c & 0x07, extra = 3, min = 0x10000;
  } else {
    return 0;
  }
  if (b.size() - i <= extra) return 0;  // a sequence cut short
  for (size_t k = 1; k <= extra; ++k) {
    const unsigned char t = static_cast<unsigned char>(b[i + k]);
    if ((t & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (t & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return extra + 1;
}

}  // namespace

bool Utf16ToUtf8(std::wstring_view s, std::string& out) {
  out.clear();
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    uint32_t cp = static_cast<uint16_t>(s[i]);
    if (cp >= 0xD800 && cp <= 0xDBFF) {
      if (i + 1 >= s.size()) return false;
      const uint32_t lo = static_cast<uint16_t>(s[i + 1]);
      if (lo < 0xDC00 || lo > 0xDFFF) return false;
      cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
      ++i;
    } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
      return false;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return true;
}

bool Utf8ToUtf16(std::string_view b, std::wstring& out) {
  out.clear();
  out.reserve(b.size());
  for (size_t i = 0; i < b.size();) {
    uint32_t cp = 0;
    const size_t n = DecodeOne(b, i, cp);
    if (n == 0) return false;
    AppendCodePoint(out, cp);
    i += n;
  }
  return true;
}

std::wstring Utf8ToUtf16Lenient(std::string_view b) {
  std::wstring out;
  out.reserve(b.size());
  for (size_t i = 0; i < b.size();) {
    uint32_t cp = 0;
    const size_t n = DecodeOne(b, i, cp);
    if (n == 0) {
      out.push_back(kReplacementChar);
      ++i;
    } else {
      AppendCodePoint(out, cp);
      i += n;
    }
  }
  return out;
}

std::wstring Utf16BytesToText(std::string_view b, bool bBigEndian) {
  std::wstring out;
  out.reserve(b.size() / 2 + 1);
  for (size_t i = 0; i + 1 < b.size(); i += 2) {
    const auto first = static_cast<unsigned char>(b[i]);
    const auto second = static_cast<unsigned char>(b[i + 1]);
    out.push_back(static_cast<wchar_t>(bBigEndian ? (first << 8) | second : (second << 8) | first));
  }
  if (b.size() % 2 != 0) out.push_back(kReplacementChar);
  return out;
}

std::wstring UrlEncodeBytes(std::string_view b) {
  static constexpr wchar_t kHexUpper[] = L"0123456789ABCDEF";
  std::wstring out;
  out.reserve(b.size() * 3);
  for (const char ch : b) {
    const auto c = static_cast<unsigned char>(ch);
    if (UrlUnreserved(c)) {
      out.push_back(static_cast<wchar_t>(c));
    } else {
      out.push_back(L'%');
      out.push_back(kHexUpper[c >> 4]);
      out.push_back(kHexUpper[c & 0x0F]);
    }
  }
  return out;
}

}  // namespace App_TextCodec
