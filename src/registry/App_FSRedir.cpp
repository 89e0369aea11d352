#include "registry/App_FSRedir.h"

#include "registry/App_Common_Privileges.h"

App_FSRedirGuard::App_FSRedirGuard() {
  if (App_Common::FSRedirIsDisabled()) return;  // someone outside owns the switch
  App_Common::DisableFSRedir();
  disabled_ = App_Common::FSRedirIsDisabled();
}

App_FSRedirGuard::~App_FSRedirGuard() {
  if (disabled_) App_Common::RevertFSRedir();
}
