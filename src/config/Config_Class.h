// Config_Class: the configuration store. An ordered set of settings
// (Config_KVP), one per key, where keys are compared ignoring case. Every
// setting enters through SetString; the loaders read configuration text
// (files, a folder, INI files, text in memory) line by line into it, and
// the typed access reads and changes single settings.
//
// The settings stay in insertion order (a list); beside it a hash index on
// the case-folded key finds a setting in constant time. The program holds
// one global store, Cfg().
//
// No operation raises an error to its caller: a missing key gives the empty
// or default result, a failing step is skipped.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <list>
#include <memory>
#include <memory_resource>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/Config_KVP.h"
#include "util/App_Variant.h"

// <windows.h> maps LoadString to LoadStringW; the store's loader keeps its
// own name in every file that sees this header.
#ifdef LoadString
#undef LoadString
#endif

class Config_Class {
 public:
  Config_Class() = default;
  ~Config_Class() { ShutdownClass(); }
  Config_Class(const Config_Class&) = delete;
  Config_Class& operator=(const Config_Class&) = delete;

  // ---- public state ----
  bool PreventManagedConfigOverwrite = false;  // save guard; never set by this program
  bool AutoSaveConfig = false;                 // save on shut-down; stays off here
  std::wstring DefaultConfigFile;              // full path of the default configuration file

  // ---- storing one setting ----
  // A relative sDefFile is taken below the configuration folder. CR LF in
  // the value is stored as "<NL>". An existing key (ignoring case) is
  // overwritten only with bOverwriteIfExist; overwriting with an empty value
  // deletes the setting. A new setting needs a non-empty key and value.
  bool SetString(std::wstring_view sKey, std::wstring_view sValue, bool bEncrypted = false,
                 bool bOverwriteIfExist = true, std::wstring_view sDefFile = {},
                 bool bNoSave = false);

  // ---- loaders ----
  // Each file in turn (empty paths skipped); the last line naming a key
  // wins. False when a non-empty path could not be read.
  bool LoadFile(std::wstring_view sFile);
  bool LoadFile(std::initializer_list<std::wstring_view> sFiles);
  bool LoadFile(const std::vector<std::wstring>& sFiles);
  // Configuration text in memory, split at CR LF.
  void LoadString(std::wstring_view sConfigFileAsString, bool bEncrypted = false,
                  bool bOverwriteSettings = true, std::wstring_view sDefFile = {},
                  std::wstring_view sSettingPrefix = {}, bool bNoSave = false);
  // A sectioned INI file; keys optionally prefixed with the file name and
  // the heading.
  bool LoadINI(std::wstring_view sFile, std::wstring_view sSettingPrefix = {},
               bool bSaveToDefaultCFGFile = false, bool bPrefixKeyWithFilename = false,
               bool bNoSave = false, std::wstring_view sNewINIFile = {},
               bool bPrefixKeyWithHeading = false);
  // Every "*.cfg" file of a folder, RecursionLevel as for the directory
  // search (0 the folder only, negative the whole tree).
  bool LoadDir(std::wstring_view sDir, bool bSaveToDefaultCFGFile = false,
               bool bPrefixKeyWithFilename = false, bool bNoSave = false,
               int32_t RecursionLevel = 0);
  bool LoadFiles(const std::vector<std::wstring>& sFiles, bool bSaveToDefaultCFGFile = false,
                 bool bPrefixKeyWithFilename = false, bool bNoSave = false);

  // ---- getters ----
  // The plain value with "<NL>" as CR LF; "" for a missing key (then
  // sFromCfgFile is left alone).
  std::wstring GetString(std::wstring_view vKey, std::wstring* sFromCfgFile = nullptr) const;
  // The stored value as written to a file.
  std::wstring GetStringRaw(std::wstring_view vKey, std::wstring* sFromCfgFile = nullptr) const;
  std::wstring Get_ValueData_As_Is(std::wstring_view vKey,
                                   std::wstring* sFromCfgFile = nullptr) const;
  // True exactly for "1" (surrounding spaces ignored); empty or missing
  // gives bReturnTrueIfStringDataEmpty.
  bool GetBool(std::wstring_view vKey, std::wstring* sFromCfgFile = nullptr,
               bool bReturnTrueIfStringDataEmpty = false) const;
  // A decimal number (sign, digits, optional fraction rounded half to
  // even) that fits 32 bits; otherwise 0, or -1 with
  // bReturnNegativeOneOnFailure.
  int32_t GetLong(std::wstring_view vKey, bool bReturnNegativeOneOnFailure = false,
                  std::wstring* sFromCfgFile = nullptr) const;
  // The "<sep>" list of a setting, merged with the elements sArray brings
  // (unless bEraseArrayIn), then trimmed, cleaned, de-duplicated and sorted
  // as asked. "True" when the setting held a value, else "False".
  std::wstring GetStringArray(std::wstring_view vKey, std::vector<std::wstring>& sArray,
                              bool bEraseArrayIn = true, bool bRemoveEmptyElements = false,
                              bool bTrimArray = false, bool bRemoveDups = false,
                              bool bTextCompare = true, bool bSortArray = false,
                              bool bTextSort = true, std::wstring* sFromCfgFile = nullptr) const;
  // Whether the setting exists (in the named file, compared by file name,
  // when sFromCfgFile is not empty) and, unless bReturnTrueIfStringDataEmpty,
  // holds a plain value. sValue receives the plain value ("<NL>" kept).
  bool SettingExist(std::wstring_view vKey, std::wstring* sValue = nullptr,
                    std::wstring* sFromCfgFile = nullptr,
                    bool bReturnTrueIfStringDataEmpty = false) const;
  bool CfgSettingExists(std::wstring_view vKey, std::wstring* sValue = nullptr,
                        std::wstring* sFromCfgFile = nullptr,
                        bool bReturnTrueIfStringDataEmpty = false) const;

  // ---- setters (all end in SetString) ----
  bool SetBool(std::wstring_view sKey, bool bValue, bool bEncrypted = false,
               bool bOverwriteIfExist = true, std::wstring_view sDefFile = {},
               bool bNoSave = false);
  bool SetLong(std::wstring_view sKey, int32_t lValue, bool bEncrypted = false,
               bool bOverwriteIfExist = true, std::wstring_view sDefFile = {},
               bool bNoSave = false);
  // 0 removes the setting (result false).
  bool SetLongOrDelete(std::wstring_view sKey, int32_t lValue, bool bEncrypted = false,
                       bool bOverwriteIfExist = true, std::wstring_view sDefFile = {});
  bool SetVar(std::wstring_view sKey, const App_Variant& vValue, bool bEncrypted = false,
              bool bOverwriteIfExist = true, std::wstring_view sDefFile = {}, bool bNoSave = false);
  bool SetVar(std::wstring_view sKey, const std::vector<std::wstring>& vValue,
              bool bEncrypted = false, bool bOverwriteIfExist = true,
              std::wstring_view sDefFile = {}, bool bNoSave = false);
  // No value, or one whose text is "" or "0", removes the setting (result
  // false).
  bool SetVarOrDelete(std::wstring_view sKey, const std::optional<App_Variant>& vValue,
                      bool bEncrypted = false, bool bOverwriteIfExist = true,
                      std::wstring_view sDefFile = {});
  bool SetStringArray(std::wstring_view sKey, const std::vector<std::wstring>& sArray,
                      bool bEncrypted = false, bool bOverwriteIfExist = true,
                      std::wstring_view sDefFile = {}, bool bNoSave = false);
  // Stores an existing plain setting in encrypted form.
  void Ensure_Encrypted(std::wstring_view sKey);

  // ---- queries and removal ----
  // "key=value" (or the value alone) of every setting whose key contains
  // sPartialKEY, ignoring case, in store order, joined by CR LF.
  std::wstring GetAllMatchingStrings(std::wstring_view sPartialKEY,
                                     std::wstring_view sMustMatchThisDefFile = {},
                                     bool bExcludeKeyFromValue = false) const;
  // The same, choosing settings whose plain value contains sPartialVALUE.
  std::wstring GetAllMatchingValues(std::wstring_view sPartialVALUE,
                                    std::wstring_view sMustMatchThisDefFile = {},
                                    bool bExcludeKeyFromValue = false) const;
  int32_t GetMatchingStringCount(std::wstring_view sPartialKEY,
                                 std::wstring_view sMustMatchThisDefFile = {}) const;
  // Removes settings whose key (lPos -1) or dotted key part lPos contains
  // sSearchString, or with bExactMatch the first that equals it.
  void WipeSetting(std::wstring_view sSearchString, int32_t lPos = -1, bool bExactMatch = false,
                   std::wstring_view sDefFile = {});
  void WipeWindowMetrics(std::wstring_view sFormName);
  // sFormName & ".Window_Metrics_" & the metric's name (see Config_WindowMetric).
  static std::wstring GetMetricSettingName(std::wstring_view sFormName, int32_t WindowMetric);

  // ---- collection interface ----
  const Config_KVP* Item(std::wstring_view vIndexKey) const;
  Config_KVP* Item(std::wstring_view vIndexKey);
  bool ItemExists(std::wstring_view vntIndexKey) const { return Item(vntIndexKey) != nullptr; }
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  // A missing key is ignored.
  void Remove(std::wstring_view vntIndexKey);
  // The settings in store order.
  const std::pmr::list<Config_KVP>& NewEnum() const { return items_; }

  void App_ClassSync_CleanUp() { ShutdownClass(); }

 private:
  // The settings' list nodes come from a pool: a load adds many at once.
  using ItemList = std::pmr::list<Config_KVP>;
  // A file path that many settings share.
  using SharedText = std::shared_ptr<const std::wstring>;

  // The hash index: open addressing (linear probing, at most half full)
  // over the folded-key hash of every stored setting, each slot pointing to
  // the setting's place in the list. A stored key never changes, so the
  // index never has to follow one.
  struct Slot {
    size_t hash = 0;  // 0 empty, 1 removed, otherwise the key's hash
    ItemList::iterator it;
  };
  static constexpr size_t kNoSlot = static_cast<size_t>(-1);
  static size_t SlotHash(std::wstring_view sKey);
  size_t FindSlot(std::wstring_view sKey, size_t lHash) const;
  void InsertSlot(size_t lHash, ItemList::iterator it);
  void Rehash(size_t lLive);
  // Room for this many settings without growing the index on the way.
  void Reserve(size_t lSettings);

  // SetString, with the key and the value in buffers it may take over
  // (either may be nullptr).
  bool SetStringCore(std::wstring_view sKey, std::wstring* pKeyBuffer, std::wstring_view sValue,
                     std::wstring* pValueBuffer, bool bEncrypted, bool bOverwriteIfExist,
                     const SharedText& sFile, bool bNoSave);
  // SetString of a setting line split after lKeyLen characters (the "="),
  // the key prefixed; the line becomes the value and moves into the store.
  bool SetLine(std::wstring& sLine, size_t lKeyLen, std::wstring_view sKeyPrefix, bool bEncrypted,
               bool bOverwriteIfExist, const SharedText& sFile, bool bNoSave);

  static bool ConfigStringMatch(std::wstring_view a, std::wstring_view b);
  static bool IsCfgArrayDimmed(const std::vector<std::wstring>& arr) { return !arr.empty(); }
  static bool InCfgStringArray(std::wstring_view sText, const std::vector<std::wstring>& arr,
                               int32_t& lIndex);
  static std::wstring VariantToCfgString(const App_Variant& vValue);
  // Inside a catch: the failure goes to the system debug output.
  static void ReportFailure(std::wstring_view sProcName) noexcept;

  // The configuration folder with a trailing backslash.
  static std::wstring ConfigFolderBS();
  // sDefFile made absolute against the configuration folder; nullptr for
  // an empty one.
  SharedText ResolveDefFile(std::wstring_view sDefFile);
  // The lines of a file in the encoding its byte-order mark names (see
  // Config_Text), lines with a NUL character skipped; false when the file
  // cannot be read or holds no text.
  static bool ReadLines(std::wstring_view sFile, std::vector<std::wstring>& lines);
  // Stores the setting lines of one file (LoadDir, LoadFiles).
  bool LoadOneFile(std::wstring_view sFile, bool bSaveToDefaultCFGFile, bool bPrefixKeyWithFilename,
                   bool bNoSave);
  // Removes a setting from the index and the list.
  void EraseItem(ItemList::iterator it);
  // Whether a setting counts for the matching queries.
  bool DefFileSelected(const Config_KVP& kvp, std::wstring_view sMustMatchThisDefFile) const;
  template <class Pred>
  void CollectMatching(Pred&& selected, std::wstring_view sMustMatchThisDefFile,
                       bool bExcludeKeyFromValue, std::wstring& sOut, int32_t& lCount) const;
  void ShutdownClass();

  bool open_ = true;
  std::pmr::unsynchronized_pool_resource pool_;
  ItemList items_{&pool_};
  std::vector<Slot> slots_;
  size_t filled_ = 0;  // slots not empty (settings and removed ones)
  // The last absolute sDefFile seen, shared by the settings that name it:
  // loaders pass one path for every line, and the path test is traced.
  SharedText lastFullDefFile_;
};

// The window metrics whose settings GetMetricSettingName names.
enum Config_WindowMetric : int32_t {
  cwmAuto_LoadSave = 0,
  cwmTop = 1,
  cwmInvisible = 2,
  cwmNone = 3,  // the bare "Window_Metrics_" name
  cwmPosition = 4,
  cwmMinimized = 5,
};

// The program's one configuration store.
Config_Class& Cfg();
