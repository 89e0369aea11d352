// What every floor of the program asks about the running process (module
// App_Common): whether forms may be shown, the message pump for long
// steps, whether the program is closing, and its title.
#pragma once

#include <cstdint>
#include <string>

namespace App_Common {

// Once set, no form and no message box is ever shown. The first
// assignment wins; later ones are ignored.
bool NeverLoadForms();
void SetNeverLoadForms(bool bValue);

// Handles the window messages waiting for this thread, so that windows
// repaint and respond while a long step runs. A WM_QUIT met in the queue is
// put back (the message loop still ends the program) and the pumping stops
// there: then the result is false.
bool DoEvents();
// True while a WM_QUIT waits in this thread's queue: the program is
// closing, and a long task should stop starting new steps.
bool QuitPending();

// MsgWaitObj's answer when the wait ended because the program is closing
// (a WM_QUIT, which stays in the queue).
inline constexpr int32_t kMsgWaitQuit = -2;

// Waits until one of lCount handles is signalled (its index), the time-out
// passes (258; lTimeOut -1 or any negative value: no limit) or the wait
// fails (-1), handling window messages meanwhile, so that the window
// repaints and answers while it waits. A WM_QUIT ends the wait at once with
// kMsgWaitQuit. The deadline is computed on the 32-bit tick count, so it
// holds across the count's wrap-around.
int32_t MsgWaitObj(int32_t lTimeOut, void* const* handles, uint32_t lCount);

// The application title shown in boxes and captions.
std::wstring AppTitle();

}  // namespace App_Common
