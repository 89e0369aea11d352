#include "platform/App_Prompts.h"

#include <windows.h>

#include <string>

#include "platform/App_Runtime.h"

namespace App_Prompts {

namespace {

App_MsgBoxFn& Sink() {
  static App_MsgBoxFn fn;
  return fn;
}

// Shows one box; 0 when none may be shown.
int32_t ShowBox(std::wstring_view sMessage, std::wstring_view sTitle, uint32_t uType) {
  try {
    if (App_Common::NeverLoadForms()) return 0;
    std::wstring title(sTitle);
    if (title.empty()) title = App_Common::AppTitle();
    if (Sink()) return Sink()(sMessage, title, uType);
    const std::wstring msg(sMessage);
    return ::MessageBoxW(nullptr, msg.c_str(), title.c_str(), uType);
  } catch (...) {
    return 0;
  }
}

}  // namespace

void SetMsgBoxSink(App_MsgBoxFn fn) {
  Sink() = std::move(fn);
}

void ShowMsg(std::wstring_view sMessage, std::wstring_view sTitle) {
  ShowBox(sMessage, sTitle, MB_OK);
}

bool AskYesNo(std::wstring_view sMessage, std::wstring_view sTitle) {
  return ShowBox(sMessage, sTitle, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

}  // namespace App_Prompts
