// The "Networking" commands of the browser window (module Browser).
#pragma once

namespace Browser {

// Release and renew the IP address (bReleaseRenewOnly), or reset the whole
// network stack.
void ResetNetworkInterfaces(bool bReleaseRenewOnly);
// Clear every user's proxy settings.
void ClearProxy();

}  // namespace Browser
