// Typed access to the configuration store: getters, setters, existence
// tests, pattern queries and removal.
#include <iterator>
#include <string>

#include "config/Config_Class.h"
#include "diag/App_Debug.h"
#include "util/App_Arrays.h"
#include "util/App_Strings.h"
#include "util/App_Variables.h"

namespace {

constexpr std::wstring_view kMetricsMark = L"Window_Metrics_";

std::wstring JoinList(const std::vector<std::wstring>& arr) {
  std::wstring out;
  for (size_t i = 0; i < arr.size(); ++i) {
    if (i) out.append(Config_Format::ListSeparator);
    out.append(arr[i]);
  }
  return out;
}

std::vector<std::wstring> SplitList(std::wstring_view sText) {
  std::vector<std::wstring> parts;
  const std::wstring_view sep = Config_Format::ListSeparator;
  size_t from = 0;
  for (;;) {
    const size_t p = sText.find(sep, from);
    if (p == std::wstring_view::npos) break;
    parts.emplace_back(sText.substr(from, p - from));
    from = p + sep.size();
  }
  parts.emplace_back(sText.substr(from));
  return parts;
}

// Part lPos (from 0) of a dotted key; false when the key has no "." or
// fewer parts.
bool KeyPart(std::wstring_view sKey, int32_t lPos, std::wstring_view& sPart) {
  if (lPos < 0 || sKey.find(L'.') == std::wstring_view::npos) return false;
  size_t from = 0;
  for (int32_t n = 0;; ++n) {
    const size_t p = sKey.find(L'.', from);
    if (n == lPos) {
      sPart = sKey.substr(from, p == std::wstring_view::npos ? std::wstring_view::npos : p - from);
      return true;
    }
    if (p == std::wstring_view::npos) return false;
    from = p + 1;
  }
}

bool ContainsText(std::wstring_view sText, std::wstring_view sFind) {
  // Every text contains the empty text.
  return sFind.empty() || App_Strings::InStr(sText, sFind, App_Strings::cmText) != 0;
}

}  // namespace

// ---- getters ----------------------------------------------------------------------------------

std::wstring Config_Class::GetString(std::wstring_view vKey, std::wstring* sFromCfgFile) const {
  try {
    const Config_KVP* kvp = Item(vKey);
    if (!kvp) return L"";
    if (sFromCfgFile) *sFromCfgFile = kvp->DefFile();
    return Config_Format::DecodeLineBreaks(kvp->ValueData());
  } catch (...) {
    ReportFailure(L"GetString");
    return L"";
  }
}

std::wstring Config_Class::GetStringRaw(std::wstring_view vKey, std::wstring* sFromCfgFile) const {
  try {
    const Config_KVP* kvp = Item(vKey);
    if (!kvp) return L"";
    if (sFromCfgFile) *sFromCfgFile = kvp->DefFile();
    return kvp->ValueData_Save_State();
  } catch (...) {
    ReportFailure(L"GetStringRaw");
    return L"";
  }
}

std::wstring Config_Class::Get_ValueData_As_Is(std::wstring_view vKey,
                                               std::wstring* sFromCfgFile) const {
  return GetStringRaw(vKey, sFromCfgFile);
}

bool Config_Class::GetBool(std::wstring_view vKey, std::wstring* sFromCfgFile,
                           bool bReturnTrueIfStringDataEmpty) const {
  try {
    const std::wstring sValue = App_Strings::Trim(GetString(vKey, sFromCfgFile));
    if (sValue.empty()) return bReturnTrueIfStringDataEmpty;
    return sValue == L"1";
  } catch (...) {
    ReportFailure(L"GetBool");
    return bReturnTrueIfStringDataEmpty;
  }
}

int32_t Config_Class::GetLong(std::wstring_view vKey, bool bReturnNegativeOneOnFailure,
                              std::wstring* sFromCfgFile) const {
  const int32_t lDefault = bReturnNegativeOneOnFailure ? -1 : 0;
  try {
    int32_t lValue = 0;
    if (Config_Format::ParseWholeNumber(GetString(vKey, sFromCfgFile), lValue)) return lValue;
  } catch (...) {
    ReportFailure(L"GetLong");
  }
  return lDefault;
}

std::wstring Config_Class::GetStringArray(std::wstring_view vKey, std::vector<std::wstring>& sArray,
                                          bool bEraseArrayIn, bool bRemoveEmptyElements,
                                          bool bTrimArray, bool bRemoveDups, bool bTextCompare,
                                          bool bSortArray, bool bTextSort,
                                          std::wstring* sFromCfgFile) const {
  bool bHadValue = false;
  try {
    std::wstring sCarried;
    if (IsCfgArrayDimmed(sArray)) {
      if (!bEraseArrayIn) sCarried = JoinList(sArray);
      sArray.clear();
    }
    const std::wstring sSetting = GetString(vKey, sFromCfgFile);
    bHadValue = !sSetting.empty();
    std::wstring sCombined;
    if (!sSetting.empty() && !sCarried.empty()) {
      sCombined.assign(sSetting).append(Config_Format::ListSeparator).append(sCarried);
    } else if (!sSetting.empty()) {
      sCombined = sSetting;
    } else if (!sCarried.empty()) {
      sCombined = std::move(sCarried);
    } else {
      return L"False";
    }

    if (sCombined.find(Config_Format::ListSeparator) == std::wstring::npos) {
      sArray.assign(1, sCombined);
    } else {
      sArray = SplitList(sCombined);
      if (bTrimArray) {
        App_Arrays::TrimStringArray(sArray, bRemoveEmptyElements);
      } else if (bRemoveEmptyElements) {
        App_Arrays::StringArrayRemoveEmptyElements(sArray);
      }
      if (bRemoveDups) {
        if (bTextCompare) {
          Array_TxtComp::QuickSortStringArray(sArray);
        } else {
          Array_BinComp::QuickSortStringArrayB(sArray);
        }
        App_Arrays::RemoveDuplicatesFromStringArray(sArray, bTextCompare);
      }
      if (bSortArray) {
        if (bTextSort) {
          Array_TxtComp::QuickSortStringArray(sArray);
        } else {
          Array_BinComp::QuickSortStringArrayB(sArray);
        }
      }
    }
  } catch (...) {
    ReportFailure(L"GetStringArray");
  }
  return bHadValue ? L"True" : L"False";
}

bool Config_Class::SettingExist(std::wstring_view vKey, std::wstring* sValue,
                                std::wstring* sFromCfgFile,
                                bool bReturnTrueIfStringDataEmpty) const {
  try {
    if (sValue) sValue->clear();
    const Config_KVP* kvp = Item(vKey);
    if (!kvp) return false;
    if (sFromCfgFile && sFromCfgFile->empty()) {
      *sFromCfgFile = kvp->DefFile();
    } else if (sFromCfgFile && !kvp->DefFile().empty()) {
      // Compared by file name: "Lumo.cfg" finds a setting of "C:\Kit\Config\Lumo.cfg".
      if (!ConfigStringMatch(App_Strings::StripPath(App_Strings::Trim(*sFromCfgFile)),
                             App_Strings::StripPath(App_Strings::Trim(kvp->DefFile())))) {
        return false;
      }
    }
    const std::wstring sPlain = kvp->ValueData();
    if (sValue) *sValue = sPlain;
    return bReturnTrueIfStringDataEmpty || !sPlain.empty();
  } catch (...) {
    ReportFailure(L"SettingExist");
    return false;
  }
}

bool Config_Class::CfgSettingExists(std::wstring_view vKey, std::wstring* sValue,
                                    std::wstring* sFromCfgFile,
                                    bool bReturnTrueIfStringDataEmpty) const {
  return SettingExist(vKey, sValue, sFromCfgFile, bReturnTrueIfStringDataEmpty);
}

// ---- setters ----------------------------------------------------------------------------------

bool Config_Class::SetBool(std::wstring_view sKey, bool bValue, bool bEncrypted,
                           bool bOverwriteIfExist, std::wstring_view sDefFile, bool bNoSave) {
  return SetString(sKey, bValue ? L"1" : L"0", bEncrypted, bOverwriteIfExist, sDefFile, bNoSave);
}

bool Config_Class::SetLong(std::wstring_view sKey, int32_t lValue, bool bEncrypted,
                           bool bOverwriteIfExist, std::wstring_view sDefFile, bool bNoSave) {
  return SetString(sKey, std::to_wstring(lValue), bEncrypted, bOverwriteIfExist, sDefFile, bNoSave);
}

bool Config_Class::SetLongOrDelete(std::wstring_view sKey, int32_t lValue, bool bEncrypted,
                                   bool bOverwriteIfExist, std::wstring_view sDefFile) {
  if (lValue == 0) {
    Remove(sKey);
    return false;
  }
  return SetLong(sKey, lValue, bEncrypted, bOverwriteIfExist, sDefFile, false);
}

std::wstring Config_Class::VariantToCfgString(const App_Variant& vValue) {
  try {
    switch (vValue.VarType()) {
      case vtInteger:
      case vtLong:
      case vtLongLong:
      case vtByte:
      case vtSingle:
      case vtDouble:
      case vtCurrency:
      case vtDate:
      case vtString:
        return App_Variables::VariantToString(vValue);
      case vtBoolean:
        return vValue.AsInteger() != 0 ? L"1" : L"0";
      case vtArray | vtString:
        return L"";  // a text array given without elements
      default:
        App_Debug::dLog(
            -1, L"Unsupported Cfg Value Type:  " + App_Variables::VarTypeName(vValue.VarType()),
            evNormal, pVar(L"Source", L"Config_Class.VariantToCfgString"));
        return L"";
    }
  } catch (...) {
    ReportFailure(L"VariantToCfgString");
    return L"";
  }
}

bool Config_Class::SetVar(std::wstring_view sKey, const App_Variant& vValue, bool bEncrypted,
                          bool bOverwriteIfExist, std::wstring_view sDefFile, bool bNoSave) {
  return SetString(sKey, VariantToCfgString(vValue), bEncrypted, bOverwriteIfExist, sDefFile,
                   bNoSave);
}

bool Config_Class::SetVar(std::wstring_view sKey, const std::vector<std::wstring>& vValue,
                          bool bEncrypted, bool bOverwriteIfExist, std::wstring_view sDefFile,
                          bool bNoSave) {
  return SetStringArray(sKey, vValue, bEncrypted, bOverwriteIfExist, sDefFile, bNoSave);
}

bool Config_Class::SetVarOrDelete(std::wstring_view sKey, const std::optional<App_Variant>& vValue,
                                  bool bEncrypted, bool bOverwriteIfExist,
                                  std::wstring_view sDefFile) {
  try {
    const std::wstring sText = vValue ? VariantToCfgString(*vValue) : std::wstring();
    if (sText.empty() || sText == L"0") {
      Remove(sKey);
      return false;
    }
    return SetString(sKey, sText, bEncrypted, bOverwriteIfExist, sDefFile, false);
  } catch (...) {
    ReportFailure(L"SetVarOrDelete");
    return false;
  }
}

bool Config_Class::SetStringArray(std::wstring_view sKey, const std::vector<std::wstring>& sArray,
                                  bool bEncrypted, bool bOverwriteIfExist,
                                  std::wstring_view sDefFile, bool bNoSave) {
  try {
    return SetString(sKey, JoinList(sArray), bEncrypted, bOverwriteIfExist, sDefFile, bNoSave);
  } catch (...) {
    ReportFailure(L"SetStringArray");
    return false;
  }
}

void Config_Class::Ensure_Encrypted(std::wstring_view sKey) {
  Config_KVP* kvp = Item(sKey);
  if (kvp && !kvp->Encrypted()) kvp->Encrypted(true);
}

// ---- queries and removal ----------------------------------------------------------------------

bool Config_Class::DefFileSelected(const Config_KVP& kvp,
                                   std::wstring_view sMustMatchThisDefFile) const {
  if (sMustMatchThisDefFile.empty()) return true;
  if (!kvp.DefFile().empty()) return ConfigStringMatch(kvp.DefFile(), sMustMatchThisDefFile);
  return ConfigStringMatch(sMustMatchThisDefFile, DefaultConfigFile);
}

template <class Pred>
void Config_Class::CollectMatching(Pred&& selected, std::wstring_view sMustMatchThisDefFile,
                                   bool bExcludeKeyFromValue, std::wstring& sOut,
                                   int32_t& lCount) const {
  for (const Config_KVP& kvp : items_) {
    if (!DefFileSelected(kvp, sMustMatchThisDefFile)) continue;
    const std::wstring sPlain = kvp.ValueData();
    if (!selected(kvp, sPlain)) continue;
    if (lCount++) sOut.append(Config_Format::CRLF);
    if (!bExcludeKeyFromValue) sOut.append(kvp.Key()).push_back(L'=');
    sOut.append(sPlain);
  }
}

std::wstring Config_Class::GetAllMatchingStrings(std::wstring_view sPartialKEY,
                                                 std::wstring_view sMustMatchThisDefFile,
                                                 bool bExcludeKeyFromValue) const {
  std::wstring sOut;
  try {
    int32_t lCount = 0;
    CollectMatching([&](const Config_KVP& kvp,
                        const std::wstring&) { return ContainsText(kvp.Key(), sPartialKEY); },
                    sMustMatchThisDefFile, bExcludeKeyFromValue, sOut, lCount);
  } catch (...) {
    ReportFailure(L"GetAllMatchingStrings");
  }
  return sOut;
}

std::wstring Config_Class::GetAllMatchingValues(std::wstring_view sPartialVALUE,
                                                std::wstring_view sMustMatchThisDefFile,
                                                bool bExcludeKeyFromValue) const {
  std::wstring sOut;
  try {
    int32_t lCount = 0;
    CollectMatching([&](const Config_KVP&,
                        const std::wstring& sPlain) { return ContainsText(sPlain, sPartialVALUE); },
                    sMustMatchThisDefFile, bExcludeKeyFromValue, sOut, lCount);
  } catch (...) {
    ReportFailure(L"GetAllMatchingValues");
  }
  return sOut;
}

int32_t Config_Class::GetMatchingStringCount(std::wstring_view sPartialKEY,
                                             std::wstring_view sMustMatchThisDefFile) const {
  int32_t lCount = 0;
  try {
    for (const Config_KVP& kvp : items_) {
      if (DefFileSelected(kvp, sMustMatchThisDefFile) && ContainsText(kvp.Key(), sPartialKEY)) {
        ++lCount;
      }
    }
  } catch (...) {
    ReportFailure(L"GetMatchingStringCount");
  }
  return lCount;
}

void Config_Class::WipeSetting(std::wstring_view sSearchString, int32_t lPos, bool bExactMatch,
                               std::wstring_view sDefFile) {
  try {
    if (sSearchString.empty()) return;
    for (auto it = items_.begin(); it != items_.end();) {
      auto next = std::next(it);
      const Config_KVP& kvp = *it;
      bool bExamine = sDefFile.empty() ||
                      (!kvp.DefFile().empty() && ConfigStringMatch(kvp.DefFile(), sDefFile));
      std::wstring_view sCompared = kvp.Key();
      if (bExamine && lPos != -1) bExamine = KeyPart(kvp.Key(), lPos, sCompared);
      if (bExamine) {
        if (bExactMatch) {
          if (ConfigStringMatch(sCompared, sSearchString)) {
            EraseItem(it);
            return;
          }
        } else if (ContainsText(sCompared, sSearchString)) {
          EraseItem(it);
        }
      }
      it = next;
    }
  } catch (...) {
    ReportFailure(L"WipeSetting");
  }
}

void Config_Class::WipeWindowMetrics(std::wstring_view sFormName) {
  try {
    std::wstring sSearch(sFormName);
    sSearch.append(L".").append(kMetricsMark);
    WipeSetting(sSearch, -1, false, L"");
  } catch (...) {
    ReportFailure(L"WipeWindowMetrics");
  }
}

std::wstring Config_Class::GetMetricSettingName(std::wstring_view sFormName, int32_t WindowMetric) {
  std::wstring_view sMetric;
  switch (WindowMetric) {
    case cwmAuto_LoadSave:
      sMetric = L"Auto_LoadSave";
      break;
    case cwmTop:
      sMetric = L"Top";
      break;
    case cwmInvisible:
      sMetric = L"Invisible";
      break;
    case cwmPosition:
      sMetric = L"Position";
      break;
    case cwmMinimized:
      sMetric = L"Minimized";
      break;
    default:
      break;
  }
  std::wstring sName(sFormName);
  sName.append(L".").append(kMetricsMark).append(sMetric);
  return sName;
}
