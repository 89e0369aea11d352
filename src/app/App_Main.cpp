// The entry routine: each start-up step runs whatever the one before did;
// nothing escapes it.
#include <windows.h>

#include "app/App_Common.h"
#include "diag/App_Err.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  try {
    App_Common::InitApp(false, L".\\");
  } catch (...) {
    App_Err::Clear();
  }
  return 0;
}
