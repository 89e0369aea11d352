#include "diag/App_LogMsgs.h"

namespace App_LogMsgs {

namespace {
constexpr std::wstring_view kUnknown = L"Unknown Error!";
constexpr std::wstring_view kTexts[27] = {
    L"Aborting; Could not initialize OLE/COM!",
    L"OleCreatePictureIndirect returned E_NOINTERFACE (The object does not support the interface specified in riid.)",
    L"OleCreatePictureIndirect returned E_POINTER (The address in pPictDesc or lplpvObj is not valid. For example, it may be NULL.)",
    L"File not found!",
    L"File not found or contains no valid data!",
    L"File contains no valid data!",
    L"Path not found!",
    L"Could not write file!",
    L"Could not create path!",
    L"Passed empty string!",
    L"Delete Success!",
    L"Delete Failure!",
    L"RegOp Success!",
    L"RegOp Failure!",
    L"RegOp Error!",
    L"RegOp Error!  (Successfully received string data!)",
    L"Retry Failure!",
    L"Retry Success!",
    L"User Aborted.",
    L"No Object Returned!",
    L"No valid data!",
    L"Missing config data!",
    L"Code logic error!",
    L"Unexpected data!",
    L"Unexpected data or code logic error!",
    kUnknown,  // 25 has no text of its own
    L"User msg prompt displayed.",
};
}  // namespace

std::wstring LogMsg(int32_t lMsgNumber, bool bAborting, std::wstring_view sDetail, bool bBracketDetail) {
  std::wstring s;
  try {
    // Compared as unsigned: negative numbers fall to the default.
    const uint32_t n = static_cast<uint32_t>(lMsgNumber);
    if (bAborting) s = L"Aborting; ";
    s.append(n <= 26 ? kTexts[n] : kUnknown);
    if (!sDetail.empty()) {
      s.append(L"  ");
      if (bBracketDetail) s.append(L"[").append(sDetail).append(L"]");
      else s.append(sDetail);
    }
  } catch (...) {
  }
  return s;
}

}  // namespace App_LogMsgs
