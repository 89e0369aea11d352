#include "repair/Browser_IPAddress.h"

#include <array>
#include <cstdint>
#include <optional>

#include "util/App_Strings.h"

namespace Browser {

namespace {

// Four dotted decimal parts, each 0 to 255 with at most three digits.
std::optional<std::array<uint32_t, 4>> ParseIPv4(std::wstring_view s) {
  std::array<uint32_t, 4> parts{};
  size_t part = 0, digits = 0;
  uint32_t value = 0;
  for (size_t i = 0; i <= s.size(); ++i) {
    if (i == s.size() || s[i] == L'.') {
      if (digits == 0 || part > 3) return std::nullopt;
      parts[part++] = value;
      value = 0;
      digits = 0;
      continue;
    }
    if (s[i] < L'0' || s[i] > L'9' || ++digits > 3) return std::nullopt;
    value = value * 10 + static_cast<uint32_t>(s[i] - L'0');
    if (value > 255) return std::nullopt;
  }
  if (part != 4) return std::nullopt;
  return parts;
}

// The eight 16-bit groups of an IPv6 address.
std::optional<std::array<uint32_t, 8>> ParseIPv6(std::wstring_view s) {
  std::array<uint32_t, 8> head{}, tail{};
  size_t nHead = 0, nTail = 0;
  bool compressed = false;
  size_t i = 0;
  if (s.size() >= 2 && s[0] == L':' && s[1] == L':') {
    compressed = true;
    i = 2;
  } else if (!s.empty() && s[0] == L':') {
    return std::nullopt;
  }
  while (i < s.size()) {
    auto& groups = compressed ? tail : head;
    size_t& n = compressed ? nTail : nHead;
    // An IPv4 tail takes the place of the last two groups.
    const size_t next = s.find(L':', i);
    const std::wstring_view token =
        s.substr(i, next == std::wstring_view::npos ? std::wstring_view::npos : next - i);
    if (token.find(L'.') != std::wstring_view::npos) {
      if (next != std::wstring_view::npos || nHead + nTail + 2 > 8) return std::nullopt;
      const auto v4 = ParseIPv4(token);
      if (!v4) return std::nullopt;
      groups[n++] = ((*v4)[0] << 8) | (*v4)[1];
      groups[n++] = ((*v4)[2] << 8) | (*v4)[3];
      i = s.size();
      break;
    }
    if (token.empty() || token.size() > 4 || nHead + nTail >= 8) return std::nullopt;
    uint32_t value = 0;
    for (wchar_t c : token) {
      const int d = App_Strings::HexDigit(c);
      if (d < 0) return std::nullopt;
      value = value * 16 + static_cast<uint32_t>(d);
    }
    groups[n++] = value;
    if (next == std::wstring_view::npos) {
      i = s.size();
    } else if (next + 1 < s.size() && s[next + 1] == L':') {
      if (compressed) return std::nullopt;  // "::" only once
      compressed = true;
      i = next + 2;
    } else {
      if (next + 1 == s.size()) return std::nullopt;  // a trailing single ':'
      i = next + 1;
    }
  }
  const size_t total = nHead + nTail;
  if (compressed ? total > 7 : total != 8) return std::nullopt;
  std::array<uint32_t, 8> all{};
  for (size_t k = 0; k < nHead; ++k) all[k] = head[k];
  for (size_t k = 0; k < nTail; ++k) all[8 - nTail + k] = tail[k];
  return all;
}

}  // namespace

bool ValidateIPAddress(std::wstring_view sIPAddress, bool bAllowIPv6) {
  std::wstring_view s = sIPAddress;
  while (!s.empty() && s.front() == L' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == L' ') s.remove_suffix(1);
  if (s.find(L':') == std::wstring_view::npos) {
    const auto v4 = ParseIPv4(s);
    if (!v4) return false;
    const auto& p = *v4;
    if (p[0] == 0 && p[1] == 0 && p[2] == 0 && p[3] == 0) return false;
    return !(p[0] == 169 && p[1] == 254);
  }
  if (!bAllowIPv6) return false;
  s = s.substr(0, s.find(L'%'));
  const auto v6 = ParseIPv6(s);
  if (!v6) return false;
  bool allZero = true;
  for (uint32_t g : *v6) allZero = allZero && g == 0;
  if (allZero) return false;
  return ((*v6)[0] & 0xFFC0) != 0xFE80;
}

}  // namespace Browser
