#include "app/App_Common_Version.h"

#include <windows.h>

#include <cstdlib>
#include <initializer_list>

#include "app/App_Common.h"
#include "diag/App_Trace.h"
#include "fs/App_FilePath.h"
#include "fs/App_FileSystem.h"
#include "platform/App_Env.h"
#include "platform/App_Platform.h"
#include "platform/App_Prompts.h"
#include "registry/App_Registry.h"
#include "sysinfo/App_QueryWMI.h"
#include "util/App_AnsiText.h"
#include "util/App_Strings.h"
#include "util/App_Variables.h"

namespace App_Common {

namespace {

using Flag = bool App_Env::*;

// The ladders: each release sets every flag up to and including its own.
constexpr Flag kWorkstationLadder[] = {
    &App_Env::Win2000_OrNewer, &App_Env::WinXP_OrNewer, &App_Env::WinVista_OrNewer, &App_Env::Win7_OrNewer,
    &App_Env::Win8_OrNewer,    &App_Env::Win81_OrNewer, &App_Env::Win81u1_OrNewer,  &App_Env::Win10_OrNewer,
};
constexpr Flag kServerLadder[] = {
    &App_Env::WinServer2000_OrNewer,   &App_Env::WinServer2003_OrNewer,     &App_Env::WinServer2003r2_OrNewer,
    &App_Env::WinServer2008_OrNewer,   &App_Env::WinServer2008r2_OrNewer,   &App_Env::WinServer2012_OrNewer,
    &App_Env::WinServer2012r2_OrNewer, &App_Env::WinServer2012r2u1_OrNewer, &App_Env::WinServer2016_OrNewer,
};
enum Ws { wsNone = -1, ws2000, wsXP, wsVista, ws7, ws8, ws81, ws81u1, ws10 };
enum Srv {
  srvNone = -1,
  srv2000,
  srv2003,
  srv2003r2,
  srv2008,
  srv2008r2,
  srv2012,
  srv2012r2,
  srv2012r2u1,
  srv2016
};

// A condition that must hold (Yes), must not hold (No), or is not looked at.
enum Need : int8_t { Any, Yes, No };

struct ReleaseRow {
  int Major, Minor;  // Minor -1: any minor version
  Need HomeServer, Server, ServerR2, Update1;
  Flag Exact[2];
  const wchar_t* Name;
  Srv ServerTop;
  Ws WorkstationTop;
};

// First matching row wins.
const ReleaseRow kReleases[] = {
    {5, 0, Any, No, Any, Any, {&App_Env::Win2000}, L"Windows 2000", srvNone, ws2000},
    {5, 0, Any, Yes, Any, Any, {&App_Env::WinServer2000}, L"Windows Server 2000", srv2000, ws2000},
    {5, 1, Any, Any, Any, Any, {&App_Env::WinXP}, L"Windows XP", srvNone, wsXP},
    {5,
     2,
     Yes,
     Any,
     Any,
     Any,
     {&App_Env::WinHomeServer, &App_Env::WinHomeServer_Any},
     L"Windows Home Server",
     srv2003r2,
     wsXP},
    {5, 2, Any, No, Any, Any, {&App_Env::WinXP64, &App_Env::Win64bit}, L"Windows XP", srvNone, wsXP},
    {5, 2, Any, Yes, No, Any, {&App_Env::WinServer2003}, L"Windows Server 2003", srv2003, wsXP},
    {5, 2, Any, Yes, Yes, Any, {&App_Env::WinServer2003r2}, L"Windows Server 2003 R2", srv2003r2, wsXP},
    {6, 0, Any, No, Any, Any, {&App_Env::WinVista}, L"Windows Vista", srvNone, wsVista},
    {6, 0, Any, Yes, Any, Any, {&App_Env::WinServer2008}, L"Windows Server 2008", srv2008, wsVista},
    {6,
     1,
     Yes,
     Any,
     Any,
     Any,
     {&App_Env::WinHomeServer2011, &App_Env::WinHomeServer_Any},
     L"Windows Home Server 2011",
     srv2008r2,
     ws7},
    {6, 1, Any, No, Any, Any, {&App_Env::Win7}, L"Windows 7", srvNone, ws7},
    {6, 1, Any, Yes, Any, Any, {&App_Env::WinServer2008r2}, L"Windows Server 2008 R2", srv2008r2, ws7},
    {6, 2, Any, No, Any, Any, {&App_Env::Win8}, L"Windows 8", srvNone, ws8},
    {6, 2, Any, Yes, Any, Any, {&App_Env::WinServer2012}, L"Windows Server 2012", srv2012, ws8},
    {6, 3, Any, No, Any, Yes, {&App_Env::Win81u1}, L"Windows 8.1 Update 1", srvNone, ws81u1},
    {6, 3, Any, No, Any, No, {&App_Env::Win81}, L"Windows 8.1", srvNone, ws81},
    {6,
     3,
     Any,
     Yes,
     Any,
     Yes,
     {&App_Env::WinServer2012r2u1},
     L"Windows Server 2012 R2 Update 1",
     srv2012r2u1,
     ws81u1},
    {6, 3, Any, Yes, Any, No, {&App_Env::WinServer2012r2}, L"Windows Server 2012 R2", srv2012r2, ws81},
    {10, -1, Any, No, Any, Any, {&App_Env::Win10}, L"Windows 10", srvNone, ws10},
    {10, -1, Any, Yes, Any, Any, {&App_Env::WinServer2016}, L"Windows Server 2016", srv2016, ws10},
};

bool Holds(Need n, bool value) {
  return n == Any || (n == Yes) == value;
}

struct ProductRow {
  uint32_t Number;
  const wchar_t* Name;
};

// GetProductInfo's product types.
const ProductRow kProducts[] = {
    {0, L"Undefined"},
    {1, L"Ultimate"},
    {2, L"Home Basic"},
    {3, L"Home Premium"},
    {4, L"Enterprise"},
    {5, L"Home Basic N"},
    {6, L"Business"},
    {7, L"Server Standard"},
    {8, L"Server Datacenter (full installation)"},
    {9, L"Windows Small Business Server"},
    {10, L"Server Enterprise (full installation)"},
    {11, L"Starter"},
    {12, L"Server Datacenter (core installation)"},
    {13, L"Server Standard (core installation)"},
    {14, L"Server Enterprise (core installation)"},
    {15, L"Server Enterprise for Itanium-based Systems"},
    {16, L"Business N"},
    {17, L"Web Server (full installation)"},
    {18, L"HPC Edition"},
    {19, L"Windows Storage Server 2008 R2 Essentials"},
    {20, L"Storage Server Express"},
    {21, L"Storage Server Standard"},
    {22, L"Storage Server Workgroup"},
    {23, L"Storage Server Enterprise"},
    {24, L"Windows Server 2008 for Windows Essential Server Solutions"},
    {25, L"Small Business Server Premium"},
    {26, L"Home Premium N"},
    {27, L"Enterprise N"},
    {28, L"Ultimate N"},
    {29, L"Web Server (core installation)"},
    {30, L"Windows Essential Business Server Management Server"},
    {31, L"Windows Essential Business Server Security Server"},
    {32, L"Windows Essential Business Server Messaging Server"},
    {33, L"Server Foundation"},
    {34, L"Windows Home Server 2011"},
    {35, L"Windows Server 2008 without Hyper-V for Windows Essential Server Solutions"},
    {36, L"Server Standard without Hyper-V"},
    {37, L"Server Datacenter without Hyper-V (full installation)"},
    {38, L"Server Enterprise without Hyper-V (full installation)"},
    {39, L"Server Datacenter without Hyper-V (core installation)"},
    {40, L"Server Standard without Hyper-V (core installation)"},
    {41, L"Server Enterprise without Hyper-V (core installation)"},
    {42, L"Microsoft Hyper-V Server"},
    {43, L"Storage Server Express (core installation)"},
    {44, L"Storage Server Standard (core installation)"},
    {45, L"Storage Server Workgroup (core installation)"},
    {46, L"Storage Server Enterprise (core installation)"},
    {47, L"Starter N"},
    {48, L"Pro"},
    {49, L"Pro N"},
    {50, L"Windows Small Business Server 2011 Essentials"},
    {51, L"Server For SB Solutions"},
    {52, L"Server Solutions Premium"},
    {53, L"Server Solutions Premium (core installation)"},
    {54, L"Server For SB Solutions EM"},
    {55, L"Server For SB Solutions EM"},
    {56, L"Windows MultiPoint Server"},
    {59, L"Windows Essential Server Solution Management"},
    {60, L"Windows Essential Server Solution Additional"},
    {61, L"Windows Essential Server Solution Management SVC"},
    {62, L"Windows Essential Server Solution Additional SVC"},
    {63, L"Small Business Server Premium (core installation)"},
    {64, L"Server Hyper Core V"},
    {66, L"Starter E (Unsupported)"},
    {67, L"Home Basic E"},
    {68, L"Home Premium E (Unsupported)"},
    {69, L"Pro E (Unsupported)"},
    {70, L"Enterprise E"},
    {71, L"Ultimate E (Unsupported)"},
    {72, L"Enterprise Evaluation"},
    {76, L"Windows MultiPoint Server Standard (full installation)"},
    {77, L"Windows MultiPoint Server Premium (full installation)"},
    {79, L"Server Standard (evaluation installation)"},
    {80, L"Server Datacenter (evaluation installation)"},
    {84, L"Enterprise N Evaluation"},
    {95, L"Storage Server Workgroup (evaluation installation)"},
    {96, L"Storage Server Standard (evaluation installation)"},
    {98, L"Home N"},
    {99, L"Home (China)"},
    {100, L"Home (Single Language)"},
    {101, L"Home"},
    {103, L"Professional with Media Center"},
    {104, L"Mobile"},
    {121, L"Education"},
    {122, L"Education N"},
    {123, L"IoT Core"},
    {125, L"Enterprise 2015 LTSB"},
    {126, L"Enterprise 2015 LTSB N"},
    {129, L"Enterprise 2015 LTSB Evaluation"},
    {130, L"Enterprise 2015 LTSB N Evaluation"},
    {131, L"IoT Core Commercial"},
    {133, L"Mobile Enterprise"},
};

}  // namespace

bool ProductInfoName(uint32_t lProductSKU, std::wstring& sName) {
  for (const ProductRow& r : kProducts) {
    if (r.Number == lProductSKU) {
      sName = r.Name;
      return true;
    }
  }
  return false;
}

bool IsUpdate1BuildLab(std::wstring_view sBuildLabEx) {
  if (sBuildLabEx.size() < 2) return false;
  const size_t first = sBuildLabEx.find(L'.');
  if (first == std::wstring_view::npos) return false;
  const size_t second = sBuildLabEx.find(L'.', first + 1);
  const std::wstring part(sBuildLabEx.substr(
      first + 1, second == std::wstring_view::npos ? std::wstring_view::npos : second - first - 1));
  wchar_t* end = nullptr;
  const long long n = std::wcstoll(part.c_str(), &end, 10);
  return end != part.c_str() && n > 17030;
}

namespace {

// Reads a text or number value of the local machine or the current user, in
// the 64-bit view on 64-bit Windows; quietly, as the version facts are asked
// of keys that older releases lack.
bool ReadRegValue(HKEY hRoot, const wchar_t* sKey, const wchar_t* sValue, std::wstring& sText,
                  uint32_t* pNumber) {
  App_RegKey k;
  if (::RegOpenKeyExW(hRoot, sKey, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, k.Put()) != ERROR_SUCCESS)
    return false;
  if (!pNumber) return App_Registry::QueryString(k, sValue, sText);
  DWORD n = 0;
  if (!App_Registry::QueryDword(k, sValue, n)) return false;
  *pNumber = n;
  return true;
}

// The product name and number from WMI, for a number GetProductInfo gave
// that the table lacks; empty when no question was made. Bounded like every
// WMI question.
std::wstring AskWMIForProductSKU(int32_t& lFoundSKU) {
  return App_QueryWMI::WMI_GetWinSKU(lFoundSKU);
}

constexpr const wchar_t* kCurrentVersionKey = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

}  // namespace

std::wstring ReadINI(std::wstring_view sFile, std::wstring_view sSection, std::wstring_view sKey) {
  std::wstring file(sFile);
  if (file.size() >= MAX_PATH || App_Strings::HasUnicodeCharacters(file)) {
    App_FilePath::PrepPathForUnicodeAPI(file);
    App_Strings::TrimNull(file, false);
  }
  const std::wstring section(sSection), key(sKey);
  std::wstring buf(4096, L'\0');
  const DWORD n = ::GetPrivateProfileStringW(section.c_str(), key.c_str(), L"", buf.data(),
                                             static_cast<DWORD>(buf.size()), file.c_str());
  buf.resize(n);
  return buf;
}

App_OSFacts GatherOSFacts(std::wstring_view sDirBS_Windows) {
  App_Trace t(L"App_Common", L"GatherOSFacts");
  App_OSFacts f;
  t.Step([&] {
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOEXW*);
    OSVERSIONINFOEXW vi{};
    vi.dwOSVersionInfoSize = sizeof(vi);
    const auto rtl = App_Platform::Proc<RtlGetVersionFn>(L"ntdll.dll", "RtlGetVersion");
    if (rtl && rtl(&vi) == 0) {
      f.MajorVersion = vi.dwMajorVersion;
      f.MinorVersion = vi.dwMinorVersion;
      f.BuildNumber = vi.dwBuildNumber;
      f.PlatformId = vi.dwPlatformId;
      f.CSDVersion.assign(vi.szCSDVersion, wcsnlen(vi.szCSDVersion, std::size(vi.szCSDVersion)));
      f.ServicePackMajor = vi.wServicePackMajor;
      f.ServicePackMinor = vi.wServicePackMinor;
      f.SuiteMask = vi.wSuiteMask;
      f.ProductType = vi.wProductType;
      f.Reserved = vi.wReserved;
      return;
    }
    t.Log(L"RtlGetVersion Failure!");
    OSVERSIONINFOEXA va{};
    va.dwOSVersionInfoSize = sizeof(va);
    if (!::GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&va))) {
      t.APIError(L"GetVersionExA");
      return;
    }
    f.MajorVersion = va.dwMajorVersion;
    f.MinorVersion = va.dwMinorVersion;
    f.BuildNumber = va.dwBuildNumber;
    f.PlatformId = va.dwPlatformId;
    f.CSDVersion = App_Strings::AnsiToWide(std::string(va.szCSDVersion, strnlen(va.szCSDVersion, 128)));
    f.ServicePackMajor = va.wServicePackMajor;
    f.ServicePackMinor = va.wServicePackMinor;
    f.SuiteMask = va.wSuiteMask;
    f.ProductType = va.wProductType;
    f.Reserved = va.wReserved;
  });
  t.Step([&] {
    ReadRegValue(HKEY_LOCAL_MACHINE, kCurrentVersionKey, L"BuildLabEx", f.BuildLabEx, nullptr);
    ReadRegValue(HKEY_LOCAL_MACHINE, kCurrentVersionKey, L"DisplayVersion", f.DisplayVersion, nullptr);
    ReadRegValue(HKEY_LOCAL_MACHINE, kCurrentVersionKey, L"ReleaseId", f.ReleaseId, nullptr);
    std::wstring unused;
    f.UBRRead = ReadRegValue(HKEY_LOCAL_MACHINE, kCurrentVersionKey, L"UBR", unused, &f.UBR);
    ReadRegValue(HKEY_CURRENT_USER, L"Control Panel\\International", L"LocaleName", f.LocaleName, nullptr);
    ReadRegValue(HKEY_CURRENT_USER, L"Control Panel\\International", L"Locale", f.Locale, nullptr);
  });
  t.Step([&] {
    if (f.MajorVersion < 6) return;
    if (const auto& fake = PlatformFake().ProductInfo) {
      f.ProductInfoRead = *fake != 0xFFFFFFFFu;
      f.ProductInfo = *fake;
      if (!f.ProductInfoRead) ::SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    } else {
      using GetProductInfoFn = BOOL(WINAPI*)(DWORD, DWORD, DWORD, DWORD, DWORD*);
      const auto gpi = App_Platform::Proc<GetProductInfoFn>(L"kernel32.dll", "GetProductInfo");
      DWORD type = 0;
      f.ProductInfoRead =
          gpi && gpi(f.MajorVersion, f.MinorVersion, f.ServicePackMajor, f.ServicePackMinor, &type);
      f.ProductInfo = type;
      if (!gpi) ::SetLastError(ERROR_PROC_NOT_FOUND);
    }
    if (!f.ProductInfoRead)
      t.APIError(L"GetProductInfo", pVar(L"lMajor", f.MajorVersion, L"lMinor", f.MinorVersion));
  });
  const auto askOnFirstRead = [](App_Lazy<int>& metric, int nIndex) {
    metric.SetFiller([nIndex] { return App_Platform::GetSystemMetrics(nIndex); });
  };
  askOnFirstRead(f.ServerR2, SM_SERVERR2);
  askOnFirstRead(f.TabletPC, SM_TABLETPC);
  askOnFirstRead(f.MediaCenter, SM_MEDIACENTER);
  askOnFirstRead(f.Starter, SM_STARTER);
  askOnFirstRead(f.Debug, SM_DEBUG);
  askOnFirstRead(f.DBCSEnabled, SM_DBCSENABLED);
  askOnFirstRead(f.CleanBoot, SM_CLEANBOOT);
  t.Step([&] {
    if (f.MajorVersion >= 6) return;  // the edition files matter before Vista only
    const std::wstring prodSpec = std::wstring(sDirBS_Windows) + L"prodspec.ini";
    f.ProdSpecExists = App_FileSystem::FileExistNL(prodSpec);
    if (f.ProdSpecExists) f.ProdSpecProduct = ReadINI(prodSpec, L"Product Specification", L"Product");
    f.EHomeTrayExists = App_FileSystem::FileExistNL(std::wstring(sDirBS_Windows) + L"ehome\\ehtray.exe");
  });
  return f;
}

namespace {

// The build kind and its suffix on the edition text, the texts and the boot
// mode: the part of the detection that needs the metrics.
void ApplyOSMetrics(App_Env& e, const App_OSFacts& f, const std::wstring& sRelease, std::wstring sEdition) {
  App_Trace t(L"App_Common", L"ApplyOSMetrics", ptSub);
  e.WinBuild_Debug = false;
  e.WinBuild_DBCS = false;
  t.Step([&] {
    if (f.Debug != 0) {
      e.WinBuild_Debug = true;
      if (f.DBCSEnabled != 0) {
        sEdition += L" (DBCS Debug Build)";
        e.WinBuild_DBCS = true;
      } else {
        sEdition += L" (Debug Build)";
      }
    } else if (f.DBCSEnabled != 0) {
      sEdition += L" (DBCS)";
      e.WinBuild_DBCS = true;
    }
    sEdition = App_Strings::LTrim(sEdition);
  });
  e.WinVer_String_ProductSKU = sEdition;
  e.WinVer_StringWithSKU = sRelease + L" [" + sEdition + L"]";
  const int boot = f.CleanBoot;
  e.WinMode_Normal = boot == 0;
  e.WinMode_Safe = boot == 1;
  e.WinMode_SafeNet = boot == 2;
  t.Vars(vkCreated, {L"WinVer_StringWithSKU", e.WinVer_StringWithSKU.Get()});
}

}  // namespace

bool SetupEnvOSVersionDetails(App_Env& e, const App_OSFacts& f) {
  App_Trace t(L"App_Common", L"SetupEnvOSVersionDetails", ptSub);
  bool supported = true;
  t.Step([&] {
    e.WinVer_MajorVersion = f.MajorVersion;
    e.WinVer_MinorVersion = f.MinorVersion;
    e.WinVer_BuildNumber = f.BuildNumber & 0xFFFF;
    e.WinVer_PlatformId = f.PlatformId;
    e.WinVer_CSDVersion = f.CSDVersion.substr(0, f.CSDVersion.find(L'\0'));
    e.WinVer_ServicePackMajor = f.ServicePackMajor;
    e.WinVer_ServicePackMinor = f.ServicePackMinor;
    e.WinVer_SuiteMask = f.SuiteMask;
    e.WinVer_ProductType = f.ProductType;
    e.WinVer_Reserved = f.Reserved;
  });
  if (f.PlatformId != VER_PLATFORM_WIN32_NT) {
    e.WinVer_String = L"Windows 9x";
    t.Vars(vkFunctionReturn, {false});
    return false;
  }
  t.Step([&] {
    e.WinType_Workstation = f.ProductType == VER_NT_WORKSTATION;
    e.WinType_Server = f.ProductType == VER_NT_DOMAIN_CONTROLLER || f.ProductType == VER_NT_SERVER;
    e.WinType_DomainController = f.ProductType == VER_NT_DOMAIN_CONTROLLER;
  });
  if (f.MajorVersion == 4) {
    e.WinVer_String = L"Windows NT 4.x";
    t.Vars(vkFunctionReturn, {false});
    return false;
  }

  // The release, its exact flags and its ladders.
  std::wstring release;
  t.Step([&] {
    const bool server = f.ProductType != VER_NT_WORKSTATION;
    const bool homeServer = (f.SuiteMask & 0x8000) != 0;  // VER_SUITE_WH_SERVER
    const bool update1 = f.MajorVersion == 6 && f.MinorVersion == 3 && IsUpdate1BuildLab(f.BuildLabEx);
    for (const ReleaseRow& r : kReleases) {
      if (r.Major != static_cast<int>(f.MajorVersion)) continue;
      if (r.Minor != -1 && r.Minor != static_cast<int>(f.MinorVersion)) continue;
      if (!Holds(r.HomeServer, homeServer) || !Holds(r.Server, server) || !Holds(r.Update1, update1))
        continue;
      // The metric is asked only for a row that looks at it.
      if (r.ServerR2 != Any && !Holds(r.ServerR2, f.ServerR2 != 0)) continue;
      for (Flag flag : r.Exact)
        if (flag) e.*flag = true;
      for (int i = 0; i <= r.ServerTop; ++i) e.*kServerLadder[i] = true;
      for (int i = 0; i <= r.WorkstationTop; ++i) e.*kWorkstationLadder[i] = true;
      release = r.Name;
      break;
    }
  });

  // Windows 10 details.
  t.Step([&] {
    if (f.MajorVersion != 10) return;
    e.Win10xVer = f.DisplayVersion;
    e.Win10xVerNum = f.ReleaseId;
    if (f.UBRRead && f.UBR > 0)
      e.Win10xBuild = std::to_wstring(e.WinVer_BuildNumber) + L"." + std::to_wstring(f.UBR);
    if (e.Win10xBuild.empty()) e.Win10xBuild = std::to_wstring(e.WinVer_BuildNumber);
  });

  // The edition text.
  std::wstring edition;
  t.Step([&] {
    if (f.MajorVersion >= 6) {
      if (!f.ProductInfoRead) return;  // the failed call is in the log already
      const uint32_t sku = f.ProductInfo;
      if (ProductInfoName(sku, edition)) {
        if (sku == 11 || sku == 47 || sku == 66) e.WinEdition_Starter = true;
        if (sku == 103) e.WinEdition_MediaCenter = true;
        return;
      }
      t.Log(L"Undefined GetProductInfo return value!", evNormal,
            pVar(L"lProductSKU", static_cast<int32_t>(sku)));
      int32_t wmiSKU = -1;
      const std::wstring wmiText = AskWMIForProductSKU(wmiSKU);
      const std::wstring undefined = L"Undefined (SKU Bit " + std::to_wstring(sku) + L")";
      if (wmiText.empty()) {
        edition = undefined;
      } else if (App_Strings::InStr(wmiText, L"SKU Bit", App_Strings::cmText) != 0) {
        edition = undefined;
        if (wmiSKU != -1 && static_cast<uint32_t>(wmiSKU) != sku)
          edition = L"Undefined (API SKU Bit " + std::to_wstring(sku) + L" / WMI SKU bit " +
                    std::to_wstring(wmiSKU) + L")";
      } else {
        edition = wmiText;
      }
      return;
    }
    if (e.WinType_Server) {
      if (f.ServerR2 != 0) edition = L"Windows Server 2003 R2";
    } else if (f.TabletPC != 0) {
      edition = L"Tablet PC Edition";
      e.WinEdition_TabletPC = true;
    } else if (f.MediaCenter != 0) {
      e.WinEdition_MediaCenter = true;
    } else if (f.Starter != 0) {
      edition = L"Starter Edition";
      e.WinEdition_Starter = true;
    } else if (f.ProdSpecExists) {
      const std::wstring& p = f.ProdSpecProduct;
      if (App_Strings::InStr(p, L"home", App_Strings::cmText)) edition = L"Home Edition";
      if (App_Strings::InStr(p, L"media", App_Strings::cmText)) edition = L"Media Center Edition";
      if (App_Strings::InStr(p, L"professional", App_Strings::cmText))
        edition = f.EHomeTrayExists ? L"Media Center Edition" : L"Professional";
    } else {
      edition = L"Undefined Edition";
      t.Log(L"Undefined Edition; prodspec.ini not found!");
    }
  });

  // The build kind, the boot mode and the texts that carry the build
  // suffix, from the metrics, on their first read.
  App_LazyTogether([&e, f, release, edition] { ApplyOSMetrics(e, f, release, edition); }, e.WinBuild_Debug,
                   e.WinBuild_DBCS, e.WinVer_String_ProductSKU, e.WinVer_StringWithSKU, e.WinMode_Normal,
                   e.WinMode_Safe, e.WinMode_SafeNet);
  t.Step([&] { e.WinVer_String = release; });

  t.Step([&] {
    e.Language_LocalName = f.LocaleName;
    e.Language_IsEnglish = !f.LocaleName.empty()
                               ? App_Strings::StringStartsWith(f.LocaleName, L"en-", false, false)
                               : App_Strings::StringMatch(f.Locale, L"00000409", false);
  });
  t.Vars(vkCreated, {L"WinVer_String", e.WinVer_String});
  t.Vars(vkFunctionReturn, {supported});
  return supported;
}

void SetupEnvOSVersionDetails() {
  App_Env& e = AppEnv();
  const App_OSFacts facts = GatherOSFacts(e.DirBS_Windows);
  if (!SetupEnvOSVersionDetails(e, facts)) {
    App_Prompts::ShowMsg(L"Win9x/NT 4.x not supported, app will now terminate!");
    TerminateApp(0, true);
  }
}

}  // namespace App_Common
