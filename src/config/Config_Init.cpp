#include "config/Config_Init.h"

#include <string>
#include <vector>

#include "platform/App_Env.h"
#include "config/Config_Class.h"
#include "diag/App_Trace.h"
#include "util/App_Variables.h"

namespace Config_Init {

void InitConfig(bool bAutoSave, bool bReadDebugOptions, bool bLoadDefaultFileOnly) {
  App_Trace t(L"Config_Init", L"InitConfig", ptSub);
  t.Vars(vkPassedByVal, {L"bAutoSave", bAutoSave, L"bReadDebugOptions", bReadDebugOptions,
                         L"bLoadDefaultFileOnly", bLoadDefaultFileOnly});
  Config_Class& cfg = Cfg();

  // A new store: nothing left from an earlier start of the store.
  t.Step([&] {
    std::vector<std::wstring> keys;
    for (const Config_KVP& kvp : cfg.NewEnum()) keys.push_back(kvp.Key());
    for (const std::wstring& key : keys) cfg.Remove(key);
    cfg.DefaultConfigFile.clear();
    cfg.AutoSaveConfig = false;
    cfg.PreventManagedConfigOverwrite = false;
  });

  // Without a known configuration folder the name would be relative to
  // whatever the current directory is; nothing is loaded then.
  bool bFolderKnown = false;
  t.Step([&] {
    const App_Env& env = AppEnv();
    bFolderKnown = !env.AppPathBS_Config.empty() && !env.AppPath_Config.empty();
    if (!bFolderKnown) {
      t.Log(L"The configuration folder is not known; no configuration file is loaded.", evNormal);
      return;
    }
    cfg.DefaultConfigFile = env.AppPathBS_Config + env.AppTitle_Basic + L".cfg";
  });

  t.Step([&] {
    if (!bFolderKnown) return;
    if (bLoadDefaultFileOnly) {
      if (!cfg.LoadFile(cfg.DefaultConfigFile)) {
        t.Log(L"The default configuration file could not be loaded.", evNormal,
              pVar(L"DefaultConfigFile", cfg.DefaultConfigFile));
      }
    } else if (!cfg.LoadDir(AppEnv().AppPath_Config, false, false, false, -1)) {
      t.Log(L"Not every configuration file of the folder could be loaded.", evNormal,
            pVar(L"AppPath_Config", AppEnv().AppPath_Config));
    }
  });

  t.Step([&] { cfg.AutoSaveConfig = bAutoSave || AppEnv().AppInst_Mutex_Type == 1; });

  if (bReadDebugOptions) {
    t.Log(L"No debug options are read from the configuration by this program.", evVerbose);
  }
  t.Vars(vkCreated, {L"lSettings", cfg.Count(), L"AutoSaveConfig", cfg.AutoSaveConfig});
}

}  // namespace Config_Init
