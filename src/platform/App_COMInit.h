// COM, OLE and the common controls: for one thread while a scope lasts
// (App_COMInit), and for the running process (module App_Common). Start-up
// initialises none of them: the first caller that needs one does, and the
// framework's orderly stop (TerminateApp with its clean-up) undoes what the
// process made.
#pragma once

#include <windows.h>

#include <cstdint>

// COM for the current thread, apartment-threaded, for the owner's lifetime.
// A thread that already joined an apartment keeps it: S_FALSE (same
// apartment) is balanced by CoUninitialize as required; RPC_E_CHANGED_MODE
// (the thread is multithreaded) means COM is usable and nothing is undone.
class App_COMInit {
 public:
  App_COMInit();
  ~App_COMInit();
  App_COMInit(const App_COMInit&) = delete;
  App_COMInit& operator=(const App_COMInit&) = delete;

  bool Usable() const { return SUCCEEDED(hr_) || hr_ == RPC_E_CHANGED_MODE; }
  HRESULT Result() const { return hr_; }

 private:
  HRESULT hr_;
  bool uninit_ = false;
};

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
