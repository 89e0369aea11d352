// COM, OLE and the common controls for the running process (module
// App_Common). Start-up initialises none of them: the first caller that
// needs one does, and the framework's orderly stop (TerminateApp with its
// clean-up) undoes what was made.
#pragma once

#include <cstdint>

namespace App_Common {

// How Init_OLE_COM initialises COM: apartment-threaded for the executable
// (then with OLE, which the web view, drag-and-drop and the clipboard need),
// multithreaded inside a library. InitApp sets it.
int32_t COMInitFlags();
void SetCOMInitFlags(int32_t lFlags);

// Initialises OLE (apartment-threaded) or COM (multithreaded) on the calling
// thread, once for the process: a later call is answered from the first.
// False when it could not be had (logged; a later call tries again), for
// one on a thread already in the other threading model.
bool Init_OLE_COM();
// Undoes what Init_OLE_COM made, if anything. Only the thread that made it
// can undo it; on another thread this is logged and nothing changes.
void Uninit_OLE_COM();

// True: loads "shell32.dll" once and keeps it, then initialises the common
// controls. False: frees the kept library, if any.
void InitVisualStyles(bool bInit);

}  // namespace App_Common
