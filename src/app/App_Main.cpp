// The entry routine: each start-up step runs whatever the one before did;
// an error in one is cleared without a message (the entry routine keeps no
// call record of its own) and the next step runs.
#include <windows.h>

#include <string>

#include "app/App_Common.h"
#include "platform/App_Env.h"
#include "browser/Browser.h"
#include "browser/BrowserUI.h"
#include "config/Config_Class.h"
#include "config/Config_Init.h"
#include "diag/App_Err.h"

namespace {

template <class Step>
void RunStep(Step step) {
  try {
    step();
  } catch (...) {
    App_Err::Clear();
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  RunStep([] { App_Common::InitApp(false, L".\\"); });
  // The program's own settings ("LumoBrowser.cfg"), then the kit's shared
  // file on top of them.
  RunStep([] { Config_Init::InitConfig(false, false, true); });
  // Without a known configuration folder the bare name would be read from
  // whatever the current folder is: the shared file is then not loaded.
  RunStep([] {
    const std::wstring& sFolder = AppEnv().AppPathBS_Config;
    if (!sFolder.empty()) Cfg().LoadFile({std::wstring_view(sFolder + L"Lumo.cfg")});
  });
  // Shows the window, or hands the URL or search to the preferred browser.
  RunStep([] { Browser::AppMainSub(); });
  // The program runs as long as one of its windows is open.
  RunStep([] { BrowserUI::RunMessageLoop(); });
  return 0;
}
