// Opening a URL in the system's default browser (module App_Common).
#pragma once

#include <cstdint>
#include <string_view>

namespace App_Common {

// Opens the URL through the shell, quoted as one argument (QuoteURL): no
// owner window, the default verb, no parameters, no directory, lShowType as
// the show-window code. COM is initialised apartment-threaded on this
// thread for the call, as the shell's handlers may need it. The shell
// hands the URL to whatever browser is registered, often one that already
// runs, so there is no process of this call to wait for: bWait is accepted
// for the callers' sake and has no effect. True when the shell accepted
// the URL.
bool OpenURL(std::wstring_view sURL, bool bWait, int32_t lShowType);

}  // namespace App_Common
