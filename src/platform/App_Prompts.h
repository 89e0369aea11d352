// The message boxes the program shows the user (module App_Prompts).
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

namespace App_Prompts {

// A modal box with the message, one OK button and no icon, titled with the
// application title when sTitle is empty. Shows nothing once NeverLoadForms
// is on. Never reports an error.
void ShowMsg(std::wstring_view sMessage, std::wstring_view sTitle = {});

// A modal Yes/No question, titled like ShowMsg. True for Yes; false for No,
// and when no box may be shown (NeverLoadForms).
bool AskYesNo(std::wstring_view sMessage, std::wstring_view sTitle = {});

// Seam: what showing a box does (MessageBoxW by default). Tests install a
// recorder so that no modal box blocks them; it receives the box's type
// (MB_OK, MB_YESNO, ...) and returns the button pressed (IDOK, IDYES,
// IDNO). An empty function restores the default.
using App_MsgBoxFn =
    std::function<int32_t(std::wstring_view sMessage, std::wstring_view sTitle, uint32_t uType)>;
void SetMsgBoxSink(App_MsgBoxFn fn);

}  // namespace App_Prompts
