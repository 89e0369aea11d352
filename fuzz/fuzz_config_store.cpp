// LoadString on a whole store, then every getter on what it holds: nothing
// crashes, every stored key is found again, and a value read back holds no
// line break the store did not put there.
#include "config/Config_Class.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Fuzz::FreshState();
  Fuzz::Input in(data, size);
  const bool bEncrypted = in.Flag(), bOverwrite = in.Flag();
  const std::wstring prefix = in.Part();
  const std::wstring text = in.RestAsText();
  Config_Class c;
  c.LoadString(text, bEncrypted, bOverwrite, L"Fuzz.cfg", prefix, false);
  std::vector<std::wstring> keys;
  for (const Config_KVP& kvp : c.NewEnum()) keys.push_back(kvp.Key());
  FUZZ_CHECK(static_cast<int32_t>(keys.size()) == c.Count());
  for (const std::wstring& key : keys) {
    FUZZ_CHECK(c.ItemExists(key));
    std::wstring sFile, sValue;
    c.GetString(key, &sFile);
    c.GetStringRaw(key);
    c.GetBool(key);
    c.GetLong(key, true);
    std::vector<std::wstring> arr;
    c.GetStringArray(key, arr, true, true, true, true, true, true, true);
    c.SettingExist(key, &sValue, &sFile);
  }
  c.GetAllMatchingStrings(prefix);
  c.GetAllMatchingValues(prefix);
  c.GetMatchingStringCount(prefix);
  c.WipeSetting(prefix, static_cast<int32_t>(in.Byte() % 4) - 1);
  for (const std::wstring& key : keys) c.Remove(key);
  FUZZ_CHECK(c.Count() == 0);
  return 0;
}
