// Window routines every form of the program goes through: ShowForm (the one
// way a window is shown), the taskbar switch, the focus-rectangle switch and
// the address box's list routines.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string_view>

class App_Form;
class App_Control;
class App_ComboBox;

namespace Form_Helper {

// Shows TheForm (loading it first); may clear TheForm (after a modal show or
// a wait). False when no form may be shown (a service start) or a modal
// window is already displayed. The eighth argument is not used.
bool ShowForm(App_Form*& TheForm, bool bWaitUntilUnloaded = false, bool bModal = false,
              App_Form* OwnerForm = nullptr, std::wstring_view sAltStringForTagProperty = {},
              int32_t ShowCmd = SW_SHOWNORMAL, bool bShowInTaskbar = true, bool bReserved = true,
              bool bUseShowWindow = false);

// Gives the window a taskbar button (WS_EX_APPWINDOW) or takes it away; only
// a real change touches the window.
void FormVisibleInTaskbar(HWND hWnd, bool bShowInTaskbar);

void ToggleFocusRectangle(App_Form& form, bool bShow);
void ToggleFocusRectangle(App_Control& control, bool bShow);
bool ControlHasFocusRectProp(const App_Control& control);
int32_t MakeLong(int32_t lLow, int32_t lHigh);

// Sets the combo box's text, then adds it to the list (ComboAdd).
bool ComboSet(App_ComboBox& combo, std::wstring_view sText, int32_t lInsertAt = -1,
              bool bNoDuplicates = true);
// Adds the text (empty: the combo box's own text) to the list at lInsertAt
// (-1: the end). With bNoDuplicates an item equal to it (trimmed, ignoring
// case) is scrolled to the top instead and false returned.
bool ComboAdd(App_ComboBox& combo, std::wstring_view sText, int32_t lInsertAt = -1,
              bool bNoDuplicates = true);

}  // namespace Form_Helper
