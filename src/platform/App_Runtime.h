// What every floor of the program asks about the running process (module
// App_Common): whether forms may be shown, the message pump for long
// steps, whether the program is closing, and its title.
#pragma once

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

// The application title shown in boxes and captions.
std::wstring AppTitle();

}  // namespace App_Common
