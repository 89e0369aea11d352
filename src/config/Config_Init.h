// Start-up of the configuration store (module Config_Init).
#pragma once

namespace Config_Init {

// Brings the program's one store (Cfg()) into being, empty, and loads it:
// DefaultConfigFile becomes the configuration folder & the program's basic
// title & ".cfg" ("LumoBrowser.cfg"), and with bLoadDefaultFileOnly that
// file alone is loaded; otherwise every ".cfg" file below the configuration
// folder, the whole tree. AutoSaveConfig is set when bAutoSave is true or
// the instance's mutex type is 1. The program has no debug options of its
// own to read, so bReadDebugOptions reads nothing.
//
// Each step runs even when the one before failed; a missing or unreadable
// file leaves the store empty of its settings (and is logged). Start-up
// calls InitConfig(false, false, true).
void InitConfig(bool bAutoSave = false, bool bReadDebugOptions = false,
                bool bLoadDefaultFileOnly = true);

}  // namespace Config_Init
