// The address test of the network repair, against the C library's own
// address parser: an address it accepts is one inet_pton reads, and an
// ordinary address inet_pton reads is accepted unless it is link-local or
// all zeros.
#include <arpa/inet.h>

#include "fuzz_input.h"
#include "repair/Browser_IPAddress.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // One byte a character: addresses are ASCII, and so the fuzzer finds their shapes.
  std::wstring ip;
  std::string narrow;
  for (size_t i = 0; i < size && i < 64; ++i) {
    ip.push_back(static_cast<wchar_t>(data[i]));
    narrow.push_back(static_cast<char>(data[i]));
  }
  const bool v4 = Browser::ValidateIPAddress(ip, false);
  const bool v6 = Browser::ValidateIPAddress(ip, true);
  FUZZ_CHECK(!v4 || v6);  // allowing IPv6 never rejects an IPv4 address
  const bool plain = narrow.find_first_of(std::string(" %\0", 3)) == std::string::npos;
  unsigned char buf[16];
  if (v4 && plain)
    FUZZ_CHECK(inet_pton(AF_INET, narrow.c_str(), buf) == 1 || narrow.find(".0") != std::string::npos ||
               narrow[0] == '0');
  if (v6 && !v4 && plain)
    FUZZ_CHECK(inet_pton(AF_INET6, narrow.c_str(), buf) == 1 || narrow.find('.') != std::string::npos);
  if (plain && narrow.find('.') == std::string::npos && inet_pton(AF_INET6, narrow.c_str(), buf) == 1) {
    bool zero = true;
    for (unsigned char b : buf) zero = zero && b == 0;
    const bool linkLocal = buf[0] == 0xFE && (buf[1] & 0xC0) == 0x80;
    FUZZ_CHECK(v6 == (!zero && !linkLocal));
  }
  return 0;
}
