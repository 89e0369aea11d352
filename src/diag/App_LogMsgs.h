// Standard texts of the debug log (module App_LogMsgs). Callers pass the
// numbers as literals; the numbering never changes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace App_LogMsgs {

// The text of a message number ("Unknown Error!" for 25 and any number
// outside 0..26), with "Aborting; " in front when bAborting, and the detail
// after two spaces (in brackets when bBracketDetail).
std::wstring LogMsg(int32_t lMsgNumber, bool bAborting = false, std::wstring_view sDetail = {},
                    bool bBracketDetail = false);

}  // namespace App_LogMsgs
