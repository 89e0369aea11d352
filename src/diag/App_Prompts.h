// The one message box the program shows the user (module App_Prompts).
#pragma once

#include <functional>
#include <string_view>

namespace App_Prompts {

// A modal box with the message, one OK button and no icon, titled with the
// application title when sTitle is empty. Shows nothing once NeverLoadForms
// is on. Never reports an error.
void ShowMsg(std::wstring_view sMessage, std::wstring_view sTitle = {});

// Seam: what showing a box does (MessageBoxW by default). Tests install a
// recorder so that no modal box blocks them; an empty function restores
// the default.
using App_MsgBoxFn = std::function<void(std::wstring_view sMessage, std::wstring_view sTitle)>;
void SetMsgBoxSink(App_MsgBoxFn fn);

}  // namespace App_Prompts
