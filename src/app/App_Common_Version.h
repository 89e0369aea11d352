// Windows release detection (module App_Common): which Windows the program
// runs on, recorded in App_Env.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "util/App_Lazy.h"

class App_Env;

namespace App_Common {

// What the detection reads from the system; gathered once, then turned into
// App_Env's version properties. Tests build it by hand to cover releases
// Wine cannot be.
struct App_OSFacts {
  // The extended version record.
  uint32_t MajorVersion = 0, MinorVersion = 0, BuildNumber = 0, PlatformId = 0;
  std::wstring CSDVersion;
  uint32_t ServicePackMajor = 0, ServicePackMinor = 0, SuiteMask = 0, ProductType = 0, Reserved = 0;
  // Registry values (empty / 0 when absent).
  std::wstring BuildLabEx, DisplayVersion, ReleaseId, LocaleName, Locale;
  uint32_t UBR = 0;
  bool UBRRead = false;
  // GetProductInfo (6.0 and later).
  bool ProductInfoRead = false;
  uint32_t ProductInfo = 0;
  // System metrics. The running system's are asked for on their first read,
  // so that the window system (and with it the display) is reached only
  // when an answer depends on one; a value set by hand is that value.
  App_Lazy<int> ServerR2, TabletPC, MediaCenter, Starter, Debug, DBCSEnabled, CleanBoot;
  // Files of the Windows folder.
  bool ProdSpecExists = false;
  std::wstring ProdSpecProduct;
  bool EHomeTrayExists = false;
};

// Reads the facts from the running system.
App_OSFacts GatherOSFacts(std::wstring_view sDirBS_Windows);

// The detection from given facts: fills the version properties of env
// (steps 3 to 12 of the detection); the build kind, boot mode and edition
// texts on their first read. Returns false for Windows 9x and NT 4.x, which
// the program does not support.
bool SetupEnvOSVersionDetails(App_Env& env, const App_OSFacts& facts);

// GetProductInfo's product type number as a name; false when the number is
// not one the program knows.
bool ProductInfoName(uint32_t lProductSKU, std::wstring& sName);

// 8.1 Update 1: the second dot-separated part of BuildLabEx above 17030.
bool IsUpdate1BuildLab(std::wstring_view sBuildLabEx);

// The whole detection, as start-up runs it: gather the facts, apply them
// (above), and on an unsupported Windows tell the user and stop.
void SetupEnvOSVersionDetails();

// GetPrivateProfileStringW of a file, section and key ("" when absent).
std::wstring ReadINI(std::wstring_view sFile, std::wstring_view sSection, std::wstring_view sKey);

}  // namespace App_Common
