// The store itself (SetString, lookups, removal) and the loaders. The
// system side (reading a file, the configuration folder, the folder search)
// is in Config_Files.cpp; this part has no system header and also builds
// natively, where it runs under the sanitizers and is fuzzed.
#include "config/Config_Class.h"

#include <algorithm>
#include <string>
#include <utility>

#include "diag/App_Debug.h"
#include "diag/App_Trace.h"
#include "util/App_Strings.h"
#include "util/App_Variables.h"

#ifdef LoadString
#undef LoadString
#endif

namespace {

constexpr std::wstring_view kModule = L"Config_Class";

}  // namespace

Config_Class& Cfg() {
  static Config_Class instance;
  return instance;
}

void Config_Class::ShutdownClass() {
  // The open flag makes the shut-down run once. AutoSaveConfig stays off in
  // this program and the store is never written back: nothing to save.
  if (!open_) return;
  open_ = false;
}

// ---- private helpers ----------------------------------------------------------------------

void Config_Class::ReportFailure(std::wstring_view sProcName) noexcept {
  try {
    App_Err::CaptureCurrentException();
    std::wstring sSource(kModule);
    sSource.append(L".").append(sProcName);
    App_Debug::dPrint(sSource, L"", evErrorHandler);
  } catch (...) {
    App_Err::Clear();
  }
}

bool Config_Class::ConfigStringMatch(std::wstring_view a, std::wstring_view b) {
  return App_Strings::EqualText(App_Strings::Trim(a), App_Strings::Trim(b), false);
}

bool Config_Class::InCfgStringArray(std::wstring_view sText, const std::vector<std::wstring>& arr,
                                    int32_t& lIndex) {
  if (!IsCfgArrayDimmed(arr)) return false;
  for (size_t i = 0; i < arr.size(); ++i) {
    if (ConfigStringMatch(sText, arr[i])) {
      lIndex = static_cast<int32_t>(i);
      return true;
    }
  }
  return false;
}

// ---- the hash index ---------------------------------------------------------------------------

size_t Config_Class::SlotHash(std::wstring_view sKey) {
  const size_t h = Config_Format::FoldedHash(sKey);
  return h < 2 ? h + 2 : h;  // 0 and 1 mark empty and removed slots
}

size_t Config_Class::FindSlot(std::wstring_view sKey, size_t lHash) const {
  if (slots_.empty()) return kNoSlot;
  const size_t mask = slots_.size() - 1;
  // The table is never more than half full, so the probe meets an empty slot.
  for (size_t i = lHash & mask;; i = (i + 1) & mask) {
    const Slot& slot = slots_[i];
    if (slot.hash == 0) return kNoSlot;
    if (slot.hash == lHash && Config_Format::FoldedEqual(slot.it->Key(), sKey)) return i;
  }
}

void Config_Class::Rehash(size_t lLive) {
  size_t lCapacity = 16;
  while (lCapacity < lLive * 2) lCapacity *= 2;
  std::vector<Slot> old(lCapacity);
  old.swap(slots_);
  filled_ = 0;
  const size_t mask = slots_.size() - 1;
  for (const Slot& slot : old) {
    if (slot.hash < 2) continue;
    size_t i = slot.hash & mask;
    while (slots_[i].hash != 0) i = (i + 1) & mask;
    slots_[i] = slot;
    ++filled_;
  }
}

void Config_Class::Reserve(size_t lSettings) {
  const size_t lRemoved = filled_ - std::min(filled_, items_.size());
  if ((lSettings + lRemoved) * 2 > slots_.size()) Rehash(std::max(lSettings, items_.size()));
}

void Config_Class::InsertSlot(size_t lHash, ItemList::iterator it) {
  if ((filled_ + 1) * 2 > slots_.size()) Rehash(items_.size() + 1);
  const size_t mask = slots_.size() - 1;
  size_t i = lHash & mask;
  while (slots_[i].hash >= 2) i = (i + 1) & mask;  // the key is known to be absent
  if (slots_[i].hash == 0) ++filled_;
  slots_[i].hash = lHash;
  slots_[i].it = it;
}

void Config_Class::EraseItem(ItemList::iterator it) {
  const size_t lSlot = FindSlot(it->Key(), SlotHash(it->Key()));
  if (lSlot != kNoSlot) slots_[lSlot].hash = 1;
  items_.erase(it);
}

// ---- storing a setting --------------------------------------------------------------------

bool Config_Class::SetString(std::wstring_view sKey, std::wstring_view sValue, bool bEncrypted,
                             bool bOverwriteIfExist, std::wstring_view sDefFile, bool bNoSave) {
  try {
    return SetStringCore(sKey, nullptr, sValue, nullptr, bEncrypted, bOverwriteIfExist,
                         ResolveDefFile(sDefFile), bNoSave);
  } catch (...) {
    ReportFailure(L"SetString");
    return false;
  }
}

bool Config_Class::SetLine(std::wstring& sLine, size_t lKeyLen, std::wstring_view sKeyPrefix,
                           bool bEncrypted, bool bOverwriteIfExist, const SharedText& sFile,
                           bool bNoSave) {
  try {
    std::wstring sKey;
    sKey.reserve(sKeyPrefix.size() + lKeyLen);
    sKey.append(sKeyPrefix).append(sLine, 0, lKeyLen);
    // The value stays in the line's own buffer and moves into the setting.
    sLine.erase(0, lKeyLen + 1);
    return SetStringCore(sKey, &sKey, sLine, &sLine, bEncrypted, bOverwriteIfExist, sFile, bNoSave);
  } catch (...) {
    ReportFailure(L"SetString");
    return false;
  }
}

bool Config_Class::SetStringCore(std::wstring_view sKey, std::wstring* pKeyBuffer,
                                 std::wstring_view sValue, std::wstring* pValueBuffer,
                                 bool bEncrypted, bool bOverwriteIfExist, const SharedText& sFile,
                                 bool bNoSave) {
  try {
    // An empty key can never be found again, so such a setting is not kept.
    if (sKey.empty()) return false;
    // Values rarely hold a line break: only those are copied to encode it.
    std::wstring sEncoded;
    std::wstring_view sStored = sValue;
    if (sValue.find(L'\r') != std::wstring_view::npos) {
      sEncoded = Config_Format::EncodeLineBreaks(sValue);
      sStored = sEncoded;
      pValueBuffer = &sEncoded;
    }

    const size_t lHash = SlotHash(sKey);
    const size_t lSlot = FindSlot(sKey, lHash);
    if (lSlot != kNoSlot) {
      if (!bOverwriteIfExist) return false;
      if (sStored.empty()) {
        App_Debug::dPrint(L"Config_Class.SetString",
                          L"SetString on key:  [" + std::wstring(sKey) +
                              L"]  triggered with no value to overwrite existing value; "
                              L"deleting value entirely...",
                          evNormal);
        EraseItem(slots_[lSlot].it);
        return true;
      }
      Config_KVP& kvp = *slots_[lSlot].it;
      // Clearing the flag first would only convert the old value, which
      // the new one replaces at once: the flag follows the new value.
      kvp.Key(sKey);  // the first spelling stays
      if (pValueBuffer) {
        kvp.AdoptValue(std::move(*pValueBuffer));
      } else {
        kvp.ValueData(sStored);
      }
      kvp.NoSave(bNoSave);
      if (sFile) kvp.DefFile(sFile);
      if (bEncrypted) kvp.Encrypted(true);
      return true;
    }

    if (sStored.empty()) return false;
    items_.emplace_back();
    auto it = std::prev(items_.end());
    try {
      if (pKeyBuffer) {
        it->AdoptKey(std::move(*pKeyBuffer));
      } else {
        it->Key(sKey);
      }
      if (pValueBuffer) {
        it->AdoptValue(std::move(*pValueBuffer));
      } else {
        it->ValueData(sStored);
      }
      it->NoSave(bNoSave);
      if (sFile) it->DefFile(sFile);
      if (bEncrypted) it->Encrypted(true);
      InsertSlot(lHash, it);
    } catch (...) {
      items_.erase(it);
      throw;
    }
    return true;
  } catch (...) {
    ReportFailure(L"SetString");
    return false;
  }
}

// ---- lookups ----------------------------------------------------------------------------------

const Config_KVP* Config_Class::Item(std::wstring_view vIndexKey) const {
  if (vIndexKey.empty()) return nullptr;
  const size_t lSlot = FindSlot(vIndexKey, SlotHash(vIndexKey));
  return lSlot == kNoSlot ? nullptr : &*slots_[lSlot].it;
}

Config_KVP* Config_Class::Item(std::wstring_view vIndexKey) {
  return const_cast<Config_KVP*>(std::as_const(*this).Item(vIndexKey));
}

void Config_Class::Remove(std::wstring_view vntIndexKey) {
  if (vntIndexKey.empty()) return;
  const size_t lSlot = FindSlot(vntIndexKey, SlotHash(vntIndexKey));
  if (lSlot != kNoSlot) EraseItem(slots_[lSlot].it);
}

// ---- loaders ----------------------------------------------------------------------------------

bool Config_Class::LoadFile(std::wstring_view sFile) {
  return LoadFile({sFile});
}

bool Config_Class::LoadFile(const std::vector<std::wstring>& sFiles) {
  bool bAllRead = true;
  std::vector<std::wstring> lines;
  for (const std::wstring& sFile : sFiles) {
    try {
      if (sFile.empty()) continue;
      if (!ReadLines(sFile, lines)) {
        bAllRead = false;
        continue;
      }
      Reserve(items_.size() + lines.size());
      const SharedText sTarget = ResolveDefFile(sFile);
      std::wstring_view sKey, sValue;
      for (std::wstring& sLine : lines) {
        if (Config_Format::ClassifyLine(sLine, sKey, sValue) != Config_Format::lkSetting) continue;
        SetLine(sLine, sKey.size(), {}, false, true, sTarget, false);
      }
    } catch (...) {
      ReportFailure(L"LoadFile");
    }
  }
  return bAllRead;
}

bool Config_Class::LoadFile(std::initializer_list<std::wstring_view> sFiles) {
  try {
    std::vector<std::wstring> files(sFiles.begin(), sFiles.end());
    return LoadFile(files);
  } catch (...) {
    return false;
  }
}

void Config_Class::LoadString(std::wstring_view sConfigFileAsString, bool bEncrypted,
                              bool bOverwriteSettings, std::wstring_view sDefFile,
                              std::wstring_view sSettingPrefix, bool bNoSave) {
  try {
    if (sConfigFileAsString.empty()) return;
    std::wstring sPrefix;
    if (!sSettingPrefix.empty()) sPrefix.assign(sSettingPrefix).push_back(L'.');
    std::wstring_view sKey, sValue;
    for (std::wstring_view sLine : Config_Format::SplitLines(sConfigFileAsString)) {
      if (Config_Format::ClassifyLine(sLine, sKey, sValue) != Config_Format::lkSetting) continue;
      SetString(Config_Format::PrefixedKey(sPrefix, sKey), sValue, bEncrypted, bOverwriteSettings,
                sDefFile, bNoSave);
    }
  } catch (...) {
    ReportFailure(L"LoadString");
  }
}

bool Config_Class::LoadINI(std::wstring_view sFile, std::wstring_view sSettingPrefix,
                           bool bSaveToDefaultCFGFile, bool bPrefixKeyWithFilename, bool bNoSave,
                           std::wstring_view sNewINIFile, bool bPrefixKeyWithHeading) {
  App_Trace t(kModule, L"LoadINI");
  t.Vars(vkPassedByVal,
         {L"sFile", sFile, L"sSettingPrefix", sSettingPrefix, L"bSaveToDefaultCFGFile",
          bSaveToDefaultCFGFile, L"bPrefixKeyWithFilename", bPrefixKeyWithFilename, L"bNoSave",
          bNoSave, L"sNewINIFile", sNewINIFile, L"bPrefixKeyWithHeading", bPrefixKeyWithHeading});
  bool result = false;
  std::wstring sTarget, sFilePrefix, sPrefix, sHeading;
  std::vector<std::wstring> lines;
  bool bRead = false;

  t.Step([&] {
    if (bSaveToDefaultCFGFile) return;
    if (sNewINIFile.empty()) {
      sTarget.assign(sFile);
    } else if (sNewINIFile.find(L'\\') == std::wstring_view::npos) {
      sTarget = ConfigFolderBS() + std::wstring(sNewINIFile);
    } else {
      sTarget.assign(sNewINIFile);
    }
  });
  t.Step([&] {
    if (bPrefixKeyWithFilename) sFilePrefix = Config_Format::FilePrefix(sFile);
  });
  t.Step([&] {
    sPrefix.assign(sSettingPrefix);
    if (!sPrefix.empty() && sPrefix.back() != L'.') sPrefix.push_back(L'.');
  });
  t.Step([&] {
    if (sFile.empty()) return;
    bRead = ReadLines(sFile, lines);
    if (bRead) {
      t.Log(L"UBound(Array) = " + std::to_wstring(static_cast<int64_t>(lines.size()) - 1),
            evVerbose);
    }
  });
  if (!bRead) {
    t.Vars(vkFunctionReturn, {result});
    return result;
  }

  std::wstring_view sKey, sValue;
  std::wstring sKeyPrefix;
  for (const std::wstring& sLine : lines) {
    t.Step([&] {
      const Config_Format::Config_LineKind kind =
          Config_Format::ClassifyIniLine(sLine, sKey, sValue, sHeading);
      if (kind != Config_Format::lkSetting) return;
      sKeyPrefix = sPrefix;
      if (bPrefixKeyWithFilename) sKeyPrefix.append(sFilePrefix);
      if (bPrefixKeyWithHeading) sKeyPrefix.append(sHeading);
      SetString(Config_Format::PrefixedKey(sKeyPrefix, sKey), sValue, false, true, sTarget,
                bNoSave);
    });
  }
  result = true;
  t.Vars(vkFunctionReturn, {result});
  return result;
}

bool Config_Class::LoadOneFile(std::wstring_view sFile, bool bSaveToDefaultCFGFile,
                               bool bPrefixKeyWithFilename, bool bNoSave) {
  std::vector<std::wstring> lines;
  if (!ReadLines(sFile, lines)) return false;
  const std::wstring sFilePrefix =
      bPrefixKeyWithFilename ? Config_Format::FilePrefix(sFile) : std::wstring();
  const SharedText sTarget = bSaveToDefaultCFGFile ? nullptr : ResolveDefFile(sFile);
  Reserve(items_.size() + lines.size());
  std::wstring_view sKey, sValue;
  for (std::wstring& sLine : lines) {
    if (Config_Format::ClassifyLine(sLine, sKey, sValue) != Config_Format::lkSetting) continue;
    SetLine(sLine, sKey.size(), sFilePrefix, false, true, sTarget, bNoSave);
  }
  return true;
}

bool Config_Class::LoadFiles(const std::vector<std::wstring>& sFiles, bool bSaveToDefaultCFGFile,
                             bool bPrefixKeyWithFilename, bool bNoSave) {
  bool bAllRead = true;
  for (const std::wstring& sFile : sFiles) {
    try {
      if (sFile.empty()) continue;
      if (!LoadOneFile(sFile, bSaveToDefaultCFGFile, bPrefixKeyWithFilename, bNoSave)) {
        bAllRead = false;
      }
    } catch (...) {
      ReportFailure(L"LoadFiles");
    }
  }
  return bAllRead;
}
