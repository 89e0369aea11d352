// A configuration file's bytes as an editor may have saved them: LoadFile
// and LoadINI read them through the same decoding as the program (byte-order
// marks, NUL lines) and never keep a key with a NUL character.
#include "config/Config_Class.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Fuzz::FreshState();
  Fuzz::Input in(data, size);
  const uint8_t flags = in.Byte();
  const std::string bytes = in.RestAsBytes();
  Native_Host::PutFile(L"C:\\Kit\\Config\\Fuzz.ini", bytes);
  Config_Class c;
  c.LoadFile(L"C:\\Kit\\Config\\Fuzz.ini");
  c.LoadINI(L"C:\\Kit\\Config\\Fuzz.ini", (flags & 1) ? L"Pre" : L"", (flags & 2) != 0, (flags & 4) != 0,
            (flags & 8) != 0, (flags & 16) ? L"Other.ini" : L"", (flags & 32) != 0);
  for (const Config_KVP& kvp : c.NewEnum()) {
    FUZZ_CHECK(!kvp.Key().empty());
    FUZZ_CHECK(kvp.Key().find(L'\0') == std::wstring::npos);
    FUZZ_CHECK(c.ItemExists(kvp.Key()));
    c.GetString(kvp.Key());
  }
  return 0;
}
