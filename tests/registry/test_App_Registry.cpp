// Registry access against Wine's real registry: a private key below
// HKCU\Software (and HKLM\SOFTWARE for the views), removed after each test.
#include <aclapi.h>
#include <gtest/gtest.h>
#include <sddl.h>
#include <windows.h>

#include <string>
#include <vector>

#include "diag/App_Debug.h"
#include "lumo_keys.h"
#include "lumo_test.h"
#include "platform/App_Env.h"
#include "registry/App_Registry.h"

using namespace App_Registry;

namespace {

// The raw value as Windows holds it, in one view.
bool RawValue(HKEY root, const std::wstring& key, const std::wstring& name, DWORD& type,
              std::vector<uint8_t>& data, REGSAM view = 0) {
  LumoKey k;
  if (k.Open(root, key, KEY_QUERY_VALUE | view)) return false;
  DWORD cb = 0;
  LONG r = RegQueryValueExW(k.Get(), name.c_str(), nullptr, &type, nullptr, &cb);
  data.assign(cb, 0);
  if (!r) r = RegQueryValueExW(k.Get(), name.c_str(), nullptr, &type, data.data(), &cb);
  return r == 0;
}

// Whether the key can be opened (with query access unless another is given).
bool RawExists(HKEY root, const std::wstring& key, REGSAM access = KEY_QUERY_VALUE) {
  return LumoKey().Open(root, key, access) == 0;
}

// Test clean-up: a whole tree in one view (RegDeleteKeyExW is not in the
// XP-level headers).
void RawDeleteTree(HKEY root, const std::wstring& key, REGSAM view) {
  using DeleteEx = LONG(WINAPI*)(HKEY, LPCWSTR, REGSAM, DWORD);
  static const auto del = reinterpret_cast<DeleteEx>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"advapi32.dll"), "RegDeleteKeyExW")));
  LumoKey k;
  if (k.Open(root, key, KEY_ENUMERATE_SUB_KEYS | view)) return;
  std::vector<std::wstring> names;
  wchar_t buf[256];
  for (DWORD i = 0; RegEnumKeyW(k.Get(), i, buf, 256) == 0; ++i) names.emplace_back(buf);
  k.Reset();
  for (const std::wstring& n : names) RawDeleteTree(root, key + L"\\" + n, view);
  del(root, key.c_str(), view, 0);
}

void RawCreate(HKEY root, const std::wstring& key, REGSAM view = 0) {
  LumoKey k;
  ASSERT_EQ(k.Create(root, key, KEY_ALL_ACCESS | view), 0);
}

void RawSetSz(HKEY root, const std::wstring& key, const std::wstring& name, const std::wstring& data,
              DWORD type = REG_SZ) {
  LumoKey k;
  ASSERT_EQ(k.Create(root, key, KEY_ALL_ACCESS), 0);
  k.SetText(name.c_str(), data, type);
}

// Replaces a key's access list (the owner may always do that).
void SetDacl(const std::wstring& key, const wchar_t* sddl) {
  LumoKey k;
  ASSERT_EQ(k.Open(HKEY_CURRENT_USER, key, WRITE_DAC), 0);
  PSECURITY_DESCRIPTOR sd = nullptr;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &sd, nullptr));
  BOOL present = FALSE, defaulted = FALSE;
  PACL dacl = nullptr;
  GetSecurityDescriptorDacl(sd, &present, &dacl, &defaulted);
  EXPECT_EQ(SetSecurityInfo(k.Get(), SE_REGISTRY_KEY,
                            DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr, nullptr,
                            dacl, nullptr),
            0u);
  LocalFree(sd);
}

constexpr wchar_t kDenyEveryone[] = L"D:P(D;;0xF;;;WD)(A;;KA;;;WD)";  // no query/set/create/list
constexpr wchar_t kAllowEveryone[] = L"D:P(A;;KA;;;WD)";

class Registry : public ::testing::Test {
 protected:
  void SetUp() override {
    dbg.Reset();
    savedWin64 = AppEnv().Win64bit;
    AppEnv().Win64bit = false;
    base = L"Software\\LumoTest_" + std::to_wstring(GetCurrentProcessId());
    lmBase = L"SOFTWARE\\LumoTest_" + std::to_wstring(GetCurrentProcessId());
  }
  void TearDown() override {
    AppEnv().Win64bit = savedWin64;
    if (RawExists(HKEY_CURRENT_USER, base + L"\\Denied", READ_CONTROL))
      SetDacl(base + L"\\Denied", kAllowEveryone);
    RawDeleteTree(HKEY_CURRENT_USER, base, 0);
    RawDeleteTree(HKEY_LOCAL_MACHINE, lmBase, KEY_WOW64_64KEY);
    RawDeleteTree(HKEY_LOCAL_MACHINE, lmBase, KEY_WOW64_32KEY);
    EXPECT_FALSE(RawExists(HKEY_CURRENT_USER, base, READ_CONTROL));
  }

  LumoDebugFixtureState dbg;
  bool savedWin64 = false;
  std::wstring base, lmBase;
};

}  // namespace

// ---- names and texts ---------------------------------------------------------------

TEST(RegistryNames, RootNamesReturnTextsAndOfflineKeys) {
  const wchar_t* longNames[] = {L"hkey_classes_root", L"hkey_current_user",     L"hkey_local_machine",
                                L"hkey_users",        L"hkey_performance_data", L"hkey_current_config",
                                L"hkey_dyn_data"};
  const wchar_t* shortNames[] = {L"hkcr", L"hkcu", L"hklm", L"hku", L"hkpd", L"hkcc", L"hkdd"};
  for (uint32_t i = 0; i < 7; ++i) {
    EXPECT_EQ(GetHKEYName(static_cast<App_HKEY>(0x80000000u + i), false), longNames[i]);
    EXPECT_EQ(GetHKEYName(static_cast<App_HKEY>(0x80000000u + i), true), shortNames[i]);
  }
  EXPECT_EQ(GetHKEYName(hkeyCurrentUserLocalSettings, true), L"");
  EXPECT_EQ(GetHKEYName(static_cast<App_HKEY>(2), false), L"");
  // The handle is the sign-extended value Windows defines.
  EXPECT_EQ(RootHandle(hkeyLocalMachine), HKEY_LOCAL_MACHINE);
  EXPECT_EQ(RootHandle(hkeyUsers), HKEY_USERS);

  EXPECT_EQ(GetRegAPIReturnMsg(0), L"API Success!");
  EXPECT_EQ(GetRegAPIReturnMsg(2), L"The system cannot find the file specified. (key)");
  EXPECT_EQ(GetRegAPIReturnMsg(4), L"The system cannot open the file. (ERROR_TOO_MANY_OPEN_FILES)");
  EXPECT_EQ(GetRegAPIReturnMsg(14), L"Not enough storage is available to complete this operation.");
  EXPECT_EQ(GetRegAPIReturnMsg(259), L"No more data is available.");
  EXPECT_EQ(GetRegAPIReturnMsg(1013), L"The configuration registry key could not be written.");
  EXPECT_EQ(GetRegAPIReturnMsg(1018), L"Unknown Return Value.");
  EXPECT_EQ(GetRegAPIReturnMsg(-1), L"Unknown Return Value.");

  EXPECT_TRUE(IsRegKeyOffline(L"guest_Software\\WOW6432Node\\Foo"));
  EXPECT_TRUE(IsRegKeyOffline(L"GUEST_System"));
  EXPECT_TRUE(IsRegKeyOffline(L"  guest_x"));
  EXPECT_FALSE(IsRegKeyOffline(L"guest"));
  EXPECT_FALSE(IsRegKeyOffline(L"guestSoftware\\x"));
  EXPECT_FALSE(IsRegKeyOffline(L"Software\\guest_x"));
  EXPECT_FALSE(IsRegKeyOffline(L""));
}

// ---- choosing the view ---------------------------------------------------------------

TEST_F(Registry, ViewIsChosenOnlyForRedirectedKeysOn64BitWindows) {
  struct Case {
    App_HKEY root;
    std::wstring key, wantKey;
    uint32_t wantSam;
    bool wantResult, wantRemoved;
  } cases[] = {
      {hkeyLocalMachine, L"SOFTWARE\\Foo", L"SOFTWARE\\Foo", 0x101, true, false},
      {hkeyLocalMachine, L"software\\wow6432node\\Foo", L"software\\Foo", 0x201, false, true},
      {hkeyLocalMachine, L"SOFTWARE\\Wow6432Node\\A\\WOW6432NODE\\B", L"SOFTWARE\\A\\B", 0x201, false, true},
      {hkeyLocalMachine, L"guest_Software\\WOW6432Node\\Foo", L"guest_Software\\WOW6432Node\\Foo", 0x1, false,
       false},
      {hkeyLocalMachine, L"guest_Software\\Foo", L"guest_Software\\Foo", 0x101, true, false},
      {hkeyLocalMachine, L"SYSTEM\\CurrentControlSet\\Services", L"SYSTEM\\CurrentControlSet\\Services", 0x1,
       false, false},
      {hkeyLocalMachine, L"SOFTWARE", L"SOFTWARE", 0x1, false, false},
      {hkeyClassesRoot, L"SOFTWARE\\Classes\\CLSID", L"SOFTWARE\\Classes\\CLSID", 0x1, false, false},
      {hkeyCurrentUser, L"Software\\Classes\\CLSID", L"Software\\Classes\\CLSID", 0x101, true, false},
      {hkeyCurrentUser, L"Software\\Foo", L"Software\\Foo", 0x1, false, false},
      {hkeyUsers, L"S-1-5-21-0-0-0-1000\\Software\\Classes\\x", L"S-1-5-21-0-0-0-1000\\Software\\Classes\\x",
       0x101, true, false},
      {hkeyCurrentUserLocalSettings, L"Software\\Classes\\x", L"Software\\Classes\\x", 0x101, true, false},
  };
  for (bool win64 : {true, false}) {
    AppEnv().Win64bit = win64;
    for (const Case& c : cases) {
      std::wstring key = c.key;
      uint32_t sam = KEY_QUERY_VALUE;
      bool removed = true;
      const bool r = AddRegFlagWOW64(c.root, key, sam, removed);
      SCOPED_TRACE(LumoNarrow(c.key) + (win64 ? " 64" : " 32"));
      EXPECT_EQ(key, win64 ? c.wantKey : c.key);
      EXPECT_EQ(sam, win64 ? c.wantSam : 0x1u);
      EXPECT_EQ(r, win64 && c.wantResult);
      EXPECT_EQ(removed, win64 && c.wantRemoved);
    }
  }
  std::optional<LumoEvent> e =
      LumoFindEvent(L"App_Registry.AddRegFlagWOW64", evVerbose,
                    L"Removed 'WOW6432Node\\' from non-offline/guest registry key string...");
  ASSERT_TRUE(e);
  EXPECT_EQ(e->vars,
            L"RootHKEY.String=hklm<sep>sRegKey.String=software\\Foo<sep>bIsGuestSession.Boolean=False");

  // An empty key: logged, nothing touched.
  AppEnv().Win64bit = true;
  std::wstring empty;
  uint32_t sam = 0x2;
  bool removed = true;
  EXPECT_FALSE(AddRegFlagWOW64(hkeyLocalMachine, empty, sam, removed));
  EXPECT_EQ(sam, 0x2u);
  EXPECT_TRUE(removed);
  EXPECT_EQ(LumoEventCount(L"App_Registry.AddRegFlagWOW64", evNormal, L"Aborting; Passed empty string!"), 1);
}

TEST_F(Registry, ViewsReachTheRightBranchAndDeletingOneLeavesTheOther) {
  AppEnv().Win64bit = true;
  const std::wstring node = L"SOFTWARE\\WOW6432Node\\" + lmBase.substr(9);
  ASSERT_TRUE(RegWriteValue(hkeyLocalMachine, lmBase + L"\\View\\Sub", L"v", 1, L"sixty-four"));
  ASSERT_TRUE(RegWriteValue(hkeyLocalMachine, node + L"\\View\\Sub", L"v", 1, L"thirty-two"));

  DWORD type = 0;
  std::vector<uint8_t> data;
  ASSERT_TRUE(RawValue(HKEY_LOCAL_MACHINE, lmBase + L"\\View\\Sub", L"v", type, data, KEY_WOW64_64KEY));
  EXPECT_EQ(std::wstring(reinterpret_cast<wchar_t*>(data.data())), L"sixty-four");
  ASSERT_TRUE(RawValue(HKEY_LOCAL_MACHINE, lmBase + L"\\View\\Sub", L"v", type, data, KEY_WOW64_32KEY));
  EXPECT_EQ(std::wstring(reinterpret_cast<wchar_t*>(data.data())), L"thirty-two");

  App_Variant v;
  EXPECT_TRUE(RegReadValue(hkeyLocalMachine, node + L"\\View\\Sub\\", L"v", 1, L"", v));
  EXPECT_EQ(v.AsString(), L"thirty-two");
  EXPECT_TRUE(RegReadValue(hkeyLocalMachine, lmBase + L"\\View\\Sub", L"v", 1, L"", v));
  EXPECT_EQ(v.AsString(), L"sixty-four");
  std::wstring list;
  EXPECT_EQ(RegEnumKey(hkeyLocalMachine, node, list), 1);
  EXPECT_EQ(list, L"View");

  // Deleting the 32-bit tree must not touch the 64-bit one, subkeys included.
  bool notFound = true;
  int32_t api = -1;
  EXPECT_TRUE(KillRegKey(hkeyLocalMachine, node, notFound, api));
  EXPECT_FALSE(notFound);
  EXPECT_FALSE(RawExists(HKEY_LOCAL_MACHINE, lmBase, KEY_QUERY_VALUE | KEY_WOW64_32KEY));
  EXPECT_TRUE(RawExists(HKEY_LOCAL_MACHINE, lmBase + L"\\View\\Sub", KEY_QUERY_VALUE | KEY_WOW64_64KEY));
  EXPECT_TRUE(KillRegKey(hkeyLocalMachine, lmBase, notFound, api));
  EXPECT_FALSE(RawExists(HKEY_LOCAL_MACHINE, lmBase, KEY_QUERY_VALUE | KEY_WOW64_64KEY));
}

// ---- round trips -------------------------------------------------------------------

TEST_F(Registry, EveryValueTypeRoundTrips) {
  const std::wstring k = base + L"\\Types";
  App_Variant v;
  DWORD type = 0;
  std::vector<uint8_t> data;

  // Text: stored with its terminating NUL, read back trimmed.
  ASSERT_TRUE(RegWriteValue(hkeyCurrentUser, k + L"\\", L"sz", 1, L"  abc  "));
  ASSERT_TRUE(RawValue(HKEY_CURRENT_USER, k, L"sz", type, data));
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(data.size(), 8u * sizeof(wchar_t));
  EXPECT_TRUE(RegReadValue(hkeyCurrentUser, k, L"sz", 1, L"", v));
  EXPECT_EQ(v.AsString(), L"abc");
  // A value stored without any NUL still reads cleanly.
  {
    LumoKey h;
    h.Open(HKEY_CURRENT_USER, k, KEY_SET_VALUE);
    RegSetValueExW(h.Get(), L"bare", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"xyz"), 6);
  }
  EXPECT_TRUE(RegReadValue(hkeyCurrentUser, k, L"bare", 1, L"", v));
  EXPECT_EQ(v.AsString(), L"xyz");

  ASSERT_TRUE(RegWriteValue(hkeyCurrentUser, k, L"exp", 2, L"%SystemRoot%\\x"));
  ASSERT_TRUE(RawValue(HKEY_CURRENT_USER, k, L"exp", type, data));
  EXPECT_EQ(type, static_cast<DWORD>(REG_EXPAND_SZ));
  EXPECT_TRUE(RegReadValue(hkeyCurrentUser, k, L"exp", 2, L"", v));
  EXPECT_EQ(v.AsString(), L"%SystemRoot%\\x");  // not expanded

  // Numbers: 32-bit values as they are, texts converted, bad texts refused.
  struct {
    App_Variant in;
    int32_t out;
  } nums[] = {{App_Variant(L"0"), 0},      {App_Variant(int32_t(-5)), -5}, {App_Variant(L"4294967295"), -1},
              {App_Variant(L"&HFF"), 255}, {App_Variant(true), 1},         {App_Variant(2.5), 2}};
  for (const auto& n : nums) {
    ASSERT_TRUE(RegWriteValue(hkeyCurrentUser, k, L"dw", 4, n.in));
    ASSERT_TRUE(RawValue(HKEY_CURRENT_USER, k, L"dw", type, data));
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(data.size(), 4u);
    EXPECT_TRUE(RegReadValue(hkeyCurrentUser, k, L"dw", 4, 0, v));
    EXPECT_EQ(v.VarType(), vtLong);
    EXPECT_EQ(v.AsInteger(), n.out);
  }
  EXPECT_FALSE(RegWriteValue(hkeyCurrentUser, k, L"bad", 4, L"abc"));
  EXPECT_FALSE(RegWriteValue(hkeyCurrentUser, k, L"bad", 4, L"4294967296"));
  EXPECT_FALSE(RawValue(HKEY_CURRENT_USER, k, L"bad", type, data));
  int typeMismatch = 0;
  for (const LumoEvent& e : LumoEvents()) typeMismatch += e.type == evErrorHandler && e.rt == 13;
  EXPECT_EQ(typeMismatch, 1);

  // Lists grow by one entry per write; a read gives the first string.
  for (const wchar_t* s : {L"a", L"b", L"c"}) ASSERT_TRUE(RegWriteValue(hkeyCurrentUser, k, L"multi", 7, s));
  ASSERT_TRUE(RawValue(HKEY_CURRENT_USER, k, L"multi", type, data));
  EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));
  EXPECT_EQ(std::wstring(reinterpret_cast<wchar_t*>(data.data()), data.size() / 2),
            std::wstring(L"a\0b\0c\0\0", 7));
  EXPECT_TRUE(RegReadValue(hkeyCurrentUser, k, L"multi", 7, L"", v));
  EXPECT_EQ(v.AsString(), L"a");
  ASSERT_TRUE(RegWriteValue(hkeyCurrentUser, k, L"multi2", 7, std::wstring(L"x\0\0y", 4)));
  ASSERT_TRUE(RawValue(HKEY_CURRENT_USER, k, L"multi2", type, data));
  EXPECT_EQ(std::wstring(reinterpret_cast<wchar_t*>(data.data()), data.size() / 2),
            std::wstring(L"x\0y\0\0", 5));

  // Raw bytes: not through the variant writer, but through their own pair.
  EXPECT_FALSE(RegWriteValue(hkeyCurrentUser, k, L"bin", 3, L"x"));
  EXPECT_EQ(
      LumoEventCount(L"App_Registry.RegWriteValue", evNormal, L"REG_BINARY not supported in this function."),
      1);
  EXPECT_FALSE(RawValue(HKEY_CURRENT_USER, k, L"bin", type, data));
  const std::vector<uint8_t> bytes = {0, 1, 0xFF, 0, 7};
  ASSERT_TRUE(RegWriteBinary(hkeyCurrentUser, k, L"bin", bytes));
  std::vector<uint8_t> back;
  EXPECT_TRUE(RegReadBinary(hkeyCurrentUser, k, L"bin", back));
  EXPECT_EQ(back, bytes);
  ASSERT_TRUE(RegWriteBinary(hkeyCurrentUser, k, L"empty", {}));
  EXPECT_TRUE(RegReadBinary(hkeyCurrentUser, k, L"empty", back));
  EXPECT_TRUE(back.empty());
  EXPECT_TRUE(RegReadValue(hkeyCurrentUser, k, L"bin", 3, L"", v));
  EXPECT_EQ(v.VarType(), vtArray | vtByte);

  // Types this module does not handle.
  EXPECT_FALSE(RegWriteValue(hkeyCurrentUser, k, L"q", 11, 5));
  EXPECT_FALSE(RegReadValue(hkeyCurrentUser, k, L"dw", 11, L"dflt", v));
  EXPECT_EQ(v.AsString(), L"dflt");
}

TEST_F(Registry, HugeValuesAndNonAnsiNamesRoundTrip) {
  const std::wstring k = base + L"\\Schl\u00fcssel-\u4e2d\u6587";
  std::wstring big(1000000, L'x');
  big[500000] = L'\u4e2d';
  ASSERT_TRUE(RegWriteValue(hkeyCurrentUser, k, L"Wert-\u00e4-\u4e2d", 1, big));
  App_Variant v;
  ASSERT_TRUE(RegReadValue(hkeyCurrentUser, k, L"Wert-\u00e4-\u4e2d", 1, L"", v));
  EXPECT_EQ(v.AsString().size(), big.size());
  EXPECT_TRUE(v.AsString() == big);
  std::vector<uint8_t> bytes(1 << 20);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7);
  ASSERT_TRUE(RegWriteBinary(hkeyCurrentUser, k, L"\u00e9t\u00e9", bytes));
  std::vector<uint8_t> back;
  ASSERT_TRUE(RegReadBinary(hkeyCurrentUser, k, L"\u00e9t\u00e9", back));
  EXPECT_TRUE(back == bytes);

  bool notFound = true;
  int32_t code = -1;
  EXPECT_TRUE(KillRegValue(hkeyCurrentUser, k, L"Wert-\u00e4-\u4e2d", notFound, code));
  EXPECT_FALSE(notFound);
  EXPECT_EQ(LumoEventCount(L"App_Registry.KillRegValue", evVerbose, L"Delete registry value success!"), 1);
  EXPECT_TRUE(KillRegKey(hkeyCurrentUser, k, notFound, code));
  EXPECT_FALSE(RawExists(HKEY_CURRENT_USER, k));
}

// ---- missing keys and values -------------------------------------------------------

TEST_F(Registry, MissingKeysAndValuesGiveDefaultsOrSuccessForDeletions) {
  const std::wstring missing = base + L"\\Nope";
  RawCreate(HKEY_CURRENT_USER, base);
  App_Variant v(L"keep");
  EXPECT_FALSE(RegReadValue(hkeyCurrentUser, missing, L"x", 1, v, v));  // one variable for both
  EXPECT_EQ(v.AsString(), L"keep");
  std::optional<LumoEvent> e = LumoFindEvent(L"App_Registry.RegReadValue", evAPIError, L"RegOpenKeyExW");
  ASSERT_TRUE(e);
  EXPECT_EQ(e->api, 2);

  EXPECT_FALSE(RegReadValue(hkeyCurrentUser, base, L"x", 1, L"d", v));
  EXPECT_FALSE(RegReadValue(hkeyCurrentUser, base, L"x", 7, L"d", v));
  EXPECT_FALSE(RegReadValue(hkeyCurrentUser, base, L"x", 4, 9, v));
  EXPECT_EQ(v.AsInteger(), 9);
  EXPECT_EQ(LumoEventCount(L"App_Registry.RegReadValue", evAPIError, L"RegQueryValueExW REG_SZ (Length)"), 1);
  EXPECT_EQ(
      LumoEventCount(L"App_Registry.RegReadValue", evAPIError, L"RegQueryValueExW REG_MULTI_SZ (Length)"), 1);
  EXPECT_EQ(LumoEventCount(L"App_Registry.RegReadValue", evAPIError, L"RegQueryValueExW REG_DWORD"), 1);
  // A text is too long for a number: the stored type is not converted.
  RawSetSz(HKEY_CURRENT_USER, base, L"text", L"abcdef");
  EXPECT_FALSE(RegReadValue(hkeyCurrentUser, base, L"text", 4, 0, v));
  std::vector<int32_t> dwordErrors;
  for (const LumoEvent& e : LumoEvents())
    if (e.info == L"RegQueryValueExW REG_DWORD") dwordErrors.push_back(e.api);
  EXPECT_EQ(dwordErrors, (std::vector<int32_t>{2, 234}));

  EXPECT_FALSE(RegKeyExist(hkeyCurrentUser, missing));
  e = LumoFindEvent(L"App_Registry.RegKeyExist", evVerbose, L"Registry key does not exist!");
  ASSERT_TRUE(e);
  EXPECT_EQ(e->vars, L"sRegKey.String=" + missing +
                         L"<sep>lReturn.LongInteger=2<sep>sAPIRet.String=The system cannot find "
                         L"the file specified. (key)");
  EXPECT_TRUE(RegKeyExist(hkeyCurrentUser, base));
  EXPECT_TRUE(RegKeyExist(hkeyCurrentUser, base, true));

  bool notFound = false;
  int32_t code = -1;
  EXPECT_TRUE(KillRegValue(hkeyCurrentUser, base, L"x", notFound, code));
  EXPECT_TRUE(notFound);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(LumoEventCount(L"App_Registry.KillRegValue", evVerbose, L"Registry value not found!"), 1);
  notFound = false;
  EXPECT_TRUE(KillRegValue(hkeyCurrentUser, missing, L"x", notFound, code));
  EXPECT_TRUE(notFound);
  EXPECT_EQ(KillRegValueCode(hkeyCurrentUser, missing, L"ProxyServer"), 0);

  notFound = false;
  EXPECT_TRUE(KillRegKey(hkeyCurrentUser, missing, notFound, code));
  EXPECT_TRUE(notFound);
  EXPECT_EQ(LumoEventCount(L"App_Registry.KillRegKey", evVerbose, L"Key Not Found!"), 1);
  notFound = false;
  EXPECT_TRUE(KillRegKey(hkeyCurrentUser, missing + L"\\Deeper", notFound, code));
  EXPECT_TRUE(notFound);
  EXPECT_EQ(LumoEventCount(L"App_Registry.KillRegKey", evNormal,
                           L"RegOpenKeyExW lRet=2  The system cannot find the file specified. (key)"),
            1);

  std::wstring list = L"keep";
  EXPECT_EQ(RegEnumKey(hkeyCurrentUser, missing, list), 0);
  EXPECT_EQ(list, L"keep");
}

TEST_F(Registry, QuietReadersTakeOnlyTheirTypeAndLogNothing) {
  LumoKey k;
  ASSERT_EQ(k.Create(HKEY_CURRENT_USER, base, KEY_ALL_ACCESS), ERROR_SUCCESS);
  // Stored without an ending NUL, as a careless writer may.
  ::RegSetValueExW(k.Get(), L"sz", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"text"), 4 * sizeof(wchar_t));
  k.SetText(L"expand", L"%TEMP%", REG_EXPAND_SZ);
  k.SetDword(L"dword", 7);
  const struct {
    const wchar_t* name;
    bool isText, isNumber;
    const wchar_t* text;
  } cases[] = {{L"sz", true, false, L"text"},
               {L"expand", true, false, L"%TEMP%"},
               {L"dword", false, true, L""},
               {L"missing", false, false, L""}};
  LumoEachCase(cases, [&](const auto& c) {
    std::wstring text;
    DWORD n = 0;
    EXPECT_EQ(App_Registry::QueryString(k, c.name, text), c.isText);
    EXPECT_EQ(text, c.text);
    EXPECT_EQ(App_Registry::QueryDword(k, c.name, n), c.isNumber);
    EXPECT_EQ(n, c.isNumber ? 7u : 0u);
  });
  // Told apart for a caller who asks: missing, of another type, too long.
  std::wstring text;
  DWORD n = 0;
  LONG r = 0;
  App_Registry::QueryString(k, L"missing", text, &r);
  EXPECT_EQ(r, ERROR_FILE_NOT_FOUND);
  App_Registry::QueryString(k, L"dword", text, &r);
  EXPECT_EQ(r, ERROR_INVALID_DATA);
  EXPECT_FALSE(App_Registry::QueryString(k, L"expand", text, &r, 8));
  EXPECT_EQ(r, ERROR_INVALID_DATA);
  App_Registry::QueryDword(k, L"sz", n, &r);
  EXPECT_EQ(r, ERROR_INVALID_DATA);
  EXPECT_TRUE(PendingEntries().empty());
}

TEST_F(Registry, PathsOfMaximumLengthAreRefusedWithoutHarm) {
  const std::wstring huge = base + L"\\" + std::wstring(32767 - base.size() - 1, L'k');
  ASSERT_EQ(huge.size(), 32767u);
  RawCreate(HKEY_CURRENT_USER, base);
  App_Variant v;
  EXPECT_FALSE(RegKeyExist(hkeyCurrentUser, huge));
  EXPECT_EQ(
      LumoEventCount(L"App_Registry.RegKeyExist", evVerbose, L"WARNING:  Registry key may or may not exist!"),
      1);
  EXPECT_FALSE(RegReadValue(hkeyCurrentUser, huge, L"v", 1, L"d", v));
  EXPECT_FALSE(RegWriteValue(hkeyCurrentUser, huge, L"v", 1, L"d"));
  // A name longer than any key can have is refused twice; since no such
  // key can be opened either, it counts as gone.
  bool notFound = true;
  int32_t code = 0;
  EXPECT_TRUE(KillRegKey(hkeyCurrentUser, huge, notFound, code));
  EXPECT_FALSE(notFound);
  EXPECT_EQ(code, 87);
  EXPECT_EQ(
      LumoEventCount(L"App_Registry.KillRegKey", evNormal,
                     L"Key no longer exists (despite NOT receiving ERROR_FILE_NOT_FOUND) returning TRUE..."),
      1);
  EXPECT_TRUE(RawExists(HKEY_CURRENT_USER, base));
  std::wstring list;
  EXPECT_EQ(RegEnumKey(hkeyCurrentUser, huge, list), 0);
}

// ---- listing and deleting trees ----------------------------------------------------

TEST_F(Registry, SubkeysAreListedInOrderAndAppendedToTheList) {
  for (const wchar_t* n : {L"b", L"A", L"c", L"\u00e9t\u00e9", L"\u4e2d", L"B2"})
    RawCreate(HKEY_CURRENT_USER, base + L"\\List\\" + n);
  RawCreate(HKEY_CURRENT_USER, base + L"\\List\\b\\grandchild");
  RawCreate(HKEY_CURRENT_USER, base + L"\\Empty");

  std::wstring list;
  EXPECT_EQ(RegEnumKey(hkeyCurrentUser, base + L"\\List\\", list), 6);
  EXPECT_EQ(list, std::wstring(L"A\0b\0B2\0c\0\u00e9t\u00e9\0\u4e2d", 14));
  list = L"x";
  EXPECT_EQ(RegEnumKey(hkeyCurrentUser, base, list), 2);
  EXPECT_EQ(list, std::wstring(L"x\0Empty\0List", 12));
  list = std::wstring(L"x\0", 2);
  EXPECT_EQ(RegEnumKey(hkeyCurrentUser, base, list), 2);
  EXPECT_EQ(list, std::wstring(L"x\0Empty\0List", 12));
  list = std::wstring(L"keep\0", 5);
  EXPECT_EQ(RegEnumKey(hkeyCurrentUser, base + L"\\Empty", list), 0);
  EXPECT_EQ(list, std::wstring(L"keep\0", 5));
}

TEST_F(Registry, KeyTreesAreDeletedDepthFirstAndRootsNever) {
  for (const wchar_t* n : {L"\\a\\b\\c", L"\\d"}) RawCreate(HKEY_CURRENT_USER, base + L"\\Tree" + n);
  RawSetSz(HKEY_CURRENT_USER, base + L"\\Tree\\a\\b", L"v", L"1");
  bool notFound = true;
  int32_t api = -1;
  EXPECT_TRUE(KillRegKey(hkeyCurrentUser, L"\\" + base + L"\\Tree\\", notFound, api));
  EXPECT_FALSE(notFound);
  EXPECT_EQ(api, 0);
  EXPECT_FALSE(RawExists(HKEY_CURRENT_USER, base + L"\\Tree"));
  EXPECT_TRUE(RawExists(HKEY_CURRENT_USER, base));
  EXPECT_EQ(LumoEventCount(L"App_Registry.KillRegKey", evVerbose, L"Delete Key Success!"), 1);
  // Each subkey is taken over before it goes (a, a\b, a\b\c, d); the key
  // itself only after a refusal.
  EXPECT_EQ(LumoCalls(L"App_Permissions.TakeControlReg"), 4);
  EXPECT_EQ(LumoCalls(L"App_Registry.GetRegKeyPermissions"), 5);

  RawCreate(HKEY_CURRENT_USER, base + L"\\Keep\\child");
  RegDeleteSubKeys(hkeyCurrentUser, base + L"\\Keep");
  EXPECT_TRUE(RawExists(HKEY_CURRENT_USER, base + L"\\Keep"));
  EXPECT_FALSE(RawExists(HKEY_CURRENT_USER, base + L"\\Keep\\child"));

  // An empty path would name the root: refused, nothing below it touched.
  EXPECT_FALSE(KillRegKey(hkeyCurrentUser, L"\\\\", notFound, api));
  RegDeleteSubKeys(hkeyCurrentUser, L"");
  RegDeleteSubKeys(hkeyCurrentUser, L"\\");
  EXPECT_EQ(LumoEventCount(L"App_Registry.KillRegKey", evNormal, L"Aborting; Passed empty string!"), 1);
  EXPECT_EQ(LumoEventCount(L"App_Registry.RegDeleteSubKeys", evNormal, L"Aborting; Passed empty string!"), 2);
  EXPECT_TRUE(RawExists(HKEY_CURRENT_USER, base + L"\\Keep"));
}

// ---- refusals ----------------------------------------------------------------------

TEST_F(Registry, DeniedKeyExistsButRefusesReadsWritesAndDeletion) {
  const std::wstring denied = base + L"\\Denied";
  RawCreate(HKEY_CURRENT_USER, denied + L"\\child");
  RawSetSz(HKEY_CURRENT_USER, denied, L"v", L"secret");
  SetDacl(denied, kDenyEveryone);

  EXPECT_TRUE(RegKeyExist(hkeyCurrentUser, denied));
  EXPECT_EQ(LumoEventCount(L"App_Registry.RegKeyExist", evVerbose, L"Access Denied; Returning True!"), 1);
  App_Variant v;
  EXPECT_FALSE(RegReadValue(hkeyCurrentUser, denied, L"v", 1, L"d", v));
  EXPECT_EQ(v.AsString(), L"d");
  EXPECT_EQ(LumoFindEvent(L"App_Registry.RegReadValue", evAPIError, L"RegOpenKeyExW")->api, 5);
  EXPECT_FALSE(RegWriteValue(hkeyCurrentUser, denied, L"v", 1, L"new"));
  EXPECT_EQ(LumoFindEvent(L"App_Registry.RegWriteValue", evAPIError, L"RegCreateKeyExW")->api, 5);
  std::wstring list;
  EXPECT_EQ(RegEnumKey(hkeyCurrentUser, denied, list), 0);

  // A refused open is not taken over.
  bool notFound = true;
  int32_t code = 0;
  EXPECT_FALSE(KillRegValue(hkeyCurrentUser, denied, L"v", notFound, code));
  EXPECT_FALSE(notFound);
  EXPECT_EQ(code, 5);
  EXPECT_EQ(LumoCalls(L"App_Permissions.TakeControlReg"), 0);

  // A refused deletion: one take-over, one retry, reported as failure.
  EXPECT_FALSE(KillRegKey(hkeyCurrentUser, denied, notFound, code));
  EXPECT_FALSE(notFound);
  EXPECT_EQ(code, 5);
  // The take-over gives the user full control, but the explicit deny entry
  // for everyone stays first in the list: the key is still refused.
  EXPECT_EQ(LumoCalls(L"App_Permissions.TakeControlReg"), 1);
  EXPECT_EQ(LumoCalls(L"App_Registry.GetRegKeyPermissions"), 2);
  EXPECT_EQ(LumoEventCount(L"App_Registry.KillRegKey", evAPIError, L"RegDeleteKeyExW/RegDeleteKeyW"), 2);
  EXPECT_EQ(LumoEventCount(L"App_Registry.KillRegKey", evNormal,
                           L"(First run fail, trying again...) RegDeleteKeyExW/RegDeleteKeyW lRet=5  Access "
                           L"is denied."),
            1);
  EXPECT_EQ(LumoEventCount(L"App_Registry.KillRegKey", evNormal,
                           L"RegDeleteKeyExW/RegDeleteKeyW lRet=5  Access is denied."),
            1);
  EXPECT_TRUE(RawExists(HKEY_CURRENT_USER, denied, READ_CONTROL));  // still there
}

TEST_F(Registry, RefusedValueDeletionIsRetriedOnceAfterTakeOver) {
  // The performance root opens with an empty path but refuses value deletion.
  bool notFound = true;
  int32_t code = 0;
  EXPECT_FALSE(KillRegValue(hkeyPerformanceData, L"\\", L"x", notFound, code));
  EXPECT_FALSE(notFound);
  EXPECT_EQ(code, 6);
  EXPECT_EQ(LumoEventCount(L"App_Registry.KillRegValue", evAPIError, L"RegDeleteValueW"), 2);
  EXPECT_EQ(LumoEventCount(L"App_Registry.KillRegValue", evNormal,
                           L"RegDeleteValueW lRet=6  The handle is invalid."),
            2);
  EXPECT_EQ(LumoEventCount(L"App_Registry.KillRegValue", evNormal,
                           L"Attempting to obtain ownership/permissions over the registry key..."),
            1);
  EXPECT_EQ(LumoCalls(L"App_Permissions.TakeControlReg"), 1);
  EXPECT_EQ(LumoCalls(L"App_Registry.GetRegKeyPermissions"), 1);
  EXPECT_EQ(KillRegValueCode(hkeyPerformanceData, L"", L"x"), 6);
}

TEST_F(Registry, KeyPermissionsTryAllFiveAccounts) {
  EXPECT_FALSE(GetRegKeyPermissions(hkeyCurrentUser, base));
  std::vector<std::wstring> accounts;
  for (int32_t id = 1; id <= App_Debug::ProcCount(); ++id) {
    App_Proc* p = App_Debug::ProcObject(id);
    if (p->ProcedureSource() == L"App_Permissions.RegSetKeyPermission") {
      const std::wstring& vars = p->Vars_Passed_ByVal();
      const size_t at = vars.find(L"sAccountName.String=");
      accounts.push_back(vars.substr(at + 20, vars.find(L"<sep>", at) - at - 20));
    }
  }
  EXPECT_EQ(accounts,
            (std::vector<std::wstring>{L"", L"System", L"Administrators", L"Power Users", L"users"}));
  EXPECT_EQ(App_Debug::ProcObject(1)->Vars_Function_Result(), L"Boolean=False");
}
