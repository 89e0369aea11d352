// Whether an adapter's address is one the network repair counts (module
// Browser). Pure text logic, without <windows.h>.
#pragma once

#include <string_view>

namespace Browser {

// True for a usable address of an adapter:
//  - IPv4: four decimal parts of 0 to 255 ("10.0.0.5"), not 0.0.0.0 and
//    not link-local (169.254.x.x);
//  - IPv6 (only with bAllowIPv6): any valid form, compressed "::" and an
//    embedded IPv4 tail included, not the all-zero address and not
//    link-local (fe80::/10); a zone suffix ("%11") is ignored.
bool ValidateIPAddress(std::wstring_view sIPAddress, bool bAllowIPv6);

}  // namespace Browser
