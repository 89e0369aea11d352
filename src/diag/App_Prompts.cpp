#include "diag/App_Prompts.h"

#include <windows.h>

#include <string>

#include "app/App_Common.h"

namespace App_Prompts {

namespace {
App_MsgBoxFn& Sink() {
  static App_MsgBoxFn fn;
  return fn;
}
}  // namespace

void SetMsgBoxSink(App_MsgBoxFn fn) { Sink() = std::move(fn); }

void ShowMsg(std::wstring_view sMessage, std::wstring_view sTitle) {
  try {
    if (App_Common::NeverLoadForms()) return;
    std::wstring title(sTitle);
    if (title.empty()) title = App_Common::AppTitle();
    if (Sink()) {
      Sink()(sMessage, title);
      return;
    }
    const std::wstring msg(sMessage);
    ::MessageBoxW(nullptr, msg.c_str(), title.c_str(), 0);
  } catch (...) {
  }
}

}  // namespace App_Prompts
