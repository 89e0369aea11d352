// The configuration store: the line format, SetString, the hash index and
// the loaders, against real files in a scratch folder, with bad input.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "platform/App_Env.h"
#include "config/Config_Class.h"
#include "config/ckCrypt_Config.h"
#include "lumo_files.h"
#include "lumo_test.h"

namespace {

// A scratch folder below the temp folder, removed with everything in it.
class ScratchDir {
 public:
  ScratchDir() {
    wchar_t buf[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH, buf);
    static int counter = 0;
    root_ = std::wstring(buf) + L"lumo_cfg1_" + std::to_wstring(::GetCurrentProcessId()) + L"_" +
            std::to_wstring(++counter);
    ::CreateDirectoryW(root_.c_str(), nullptr);
  }
  ~ScratchDir() { LumoRemoveTree(root_); }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::wstring& Root() const { return root_; }
  std::wstring Path(const std::wstring& rel) const { return root_ + L"\\" + rel; }
  void Dir(const std::wstring& rel) const { ::CreateDirectoryW(Path(rel).c_str(), nullptr); }
  // Writes the bytes as they are (no conversion, no line-end change).
  std::wstring File(const std::wstring& rel, const std::string& bytes) const {
    const std::wstring p = Path(rel);
    LumoWriteBytes(p, bytes);
    return p;
  }

 private:
  std::wstring root_;
};

// The configuration folder of the environment, set for one test.
class ConfigFolder {
 public:
  explicit ConfigFolder(const std::wstring& dir)
      : old_(AppEnv().AppPath_Config), oldBS_(AppEnv().AppPathBS_Config) {
    AppEnv().AppPath_Config = dir;
    AppEnv().AppPathBS_Config = dir + L"\\";
  }
  ~ConfigFolder() {
    AppEnv().AppPath_Config = old_;
    AppEnv().AppPathBS_Config = oldBS_;
  }

 private:
  std::wstring old_, oldBS_;
};

std::vector<std::wstring> Keys(const Config_Class& c) {
  std::vector<std::wstring> keys;
  for (const Config_KVP& kvp : c.NewEnum()) keys.push_back(kvp.Key());
  return keys;
}

using Strings = std::vector<std::wstring>;

int CountContaining(const std::vector<std::wstring>& lines, std::wstring_view text) {
  int n = 0;
  for (const std::wstring& l : lines) n += l.find(text) != std::wstring::npos;
  return n;
}

constexpr std::wstring_view kDeleteMsg =
    L"triggered with no value to overwrite existing value; "
    L"deleting value entirely...";

}  // namespace

// ---- one setting --------------------------------------------------------------------------

TEST(ConfigKVP, KeyAndNoSaveAreOneWay) {
  Config_KVP kvp;
  kvp.Key(L"");
  kvp.Key(L"Browser.HomePage");
  kvp.Key(L"Other");
  EXPECT_EQ(kvp.Key(), L"Browser.HomePage");
  EXPECT_FALSE(kvp.NoSave());
  kvp.NoSave(false);
  EXPECT_FALSE(kvp.NoSave());
  kvp.NoSave(true);
  kvp.NoSave(false);
  EXPECT_TRUE(kvp.NoSave());
}

TEST(ConfigKVP, ValueDataFollowsTheMarkers) {
  Config_KVP kvp;
  kvp.ValueData(L"plain<NL>text");
  EXPECT_FALSE(kvp.Encrypted());
  EXPECT_EQ(kvp.ValueData(), L"plain<NL>text");  // "<NL>" is the getters' business
  EXPECT_EQ(kvp.ValueData_Save_State(), L"plain<NL>text");

  kvp.ValueData(L"<ev~>00");
  EXPECT_TRUE(kvp.Encrypted());
  EXPECT_EQ(kvp.ValueData_Save_State(), L"<ev~>00");
  EXPECT_EQ(kvp.ValueData(), L"");  // not valid cipher text: reads empty

  kvp.ValueData(L"");  // empties the value, the flag stays
  EXPECT_TRUE(kvp.Encrypted());
  EXPECT_EQ(kvp.ValueData_Save_State(), L"");

  // A bare marker is a plain value.
  kvp.ValueData(L"<ev~>");
  EXPECT_FALSE(kvp.Encrypted());
  EXPECT_EQ(kvp.ValueData(), L"<ev~>");
  kvp.ValueData(L"~{");
  EXPECT_FALSE(kvp.Encrypted());
  kvp.ValueData(L"~{x");
  EXPECT_TRUE(kvp.Encrypted());
}

TEST(ConfigKVP, EncryptedRoundTrip) {
  Config_KVP kvp;
  kvp.ValueData(L"secret value");
  kvp.Encrypted(true);
  ASSERT_TRUE(kvp.Encrypted());
  const std::wstring stored = kvp.ValueData_Save_State();
  EXPECT_TRUE(stored.starts_with(L"<ev~>")) << stored;
  EXPECT_GT(stored.size(), 5u);
  EXPECT_EQ(kvp.ValueData(), L"secret value");
  kvp.Encrypted(true);  // already encrypted: unchanged
  EXPECT_EQ(kvp.ValueData_Save_State(), stored);

  kvp.Encrypted(false);
  EXPECT_FALSE(kvp.Encrypted());
  EXPECT_EQ(kvp.ValueData_Save_State(), L"secret value");

  // An encrypted value that cannot be decrypted keeps its stored form.
  Config_KVP bad;
  bad.ValueData(L"<ev~>ZZ");
  bad.Encrypted(false);
  EXPECT_EQ(bad.ValueData_Save_State(), L"<ev~>ZZ");
  EXPECT_TRUE(bad.Encrypted());
}

// ---- the line format ------------------------------------------------------------------------

TEST(ConfigFormat, LinesAreClassifiedInOrderAndNeverTrimmed) {
  using namespace Config_Format;
  std::wstring_view k, v;
  EXPECT_EQ(ClassifyLine(L"a=b=c", k, v), lkSetting);
  EXPECT_EQ(k, L"a");
  EXPECT_EQ(v, L"b=c");
  EXPECT_EQ(ClassifyLine(L"Note = two words", k, v), lkSetting);
  EXPECT_EQ(k, L"Note ");
  EXPECT_EQ(v, L" two words");
  EXPECT_EQ(ClassifyLine(L"  ;x=1", k, v), lkComment);
  EXPECT_EQ(ClassifyLine(L";x=1", k, v), lkComment);
  EXPECT_EQ(ClassifyLine(L"\t;x=1", k, v), lkSetting);  // only spaces are blanks
  EXPECT_EQ(k, L"\t;x");
  EXPECT_EQ(ClassifyLine(L"; no equals", k, v), lkIgnored);
  EXPECT_EQ(ClassifyLine(L"[Browser]", k, v), lkIgnored);
  EXPECT_EQ(ClassifyLine(L"", k, v), lkIgnored);
  EXPECT_EQ(ClassifyLine(L"   ", k, v), lkIgnored);
  EXPECT_EQ(ClassifyLine(L"=value", k, v), lkSetting);
  EXPECT_EQ(k, L"");
  EXPECT_EQ(v, L"value");
  EXPECT_EQ(ClassifyLine(L"key=", k, v), lkSetting);
  EXPECT_EQ(v, L"");
  const std::wstring withNul(L"a\0b=c\0d", 7);
  EXPECT_EQ(ClassifyLine(withNul, k, v), lkSetting);
  EXPECT_EQ(k, std::wstring_view(L"a\0b", 3));
  EXPECT_EQ(v, std::wstring_view(L"c\0d", 3));

  std::wstring heading = L"old.";
  EXPECT_EQ(ClassifyIniLine(L"[Sec]", k, v, heading), lkHeading);
  EXPECT_EQ(heading, L"Sec.");
  EXPECT_EQ(ClassifyIniLine(L"[a=b]", k, v, heading), lkHeading);  // headings come first
  EXPECT_EQ(heading, L"a=b.");
  EXPECT_EQ(ClassifyIniLine(L"  [Sec]", k, v, heading), lkHeading);  // taken as it stands
  EXPECT_EQ(heading, L" [Sec.");
  EXPECT_EQ(ClassifyIniLine(L"[", k, v, heading), lkHeading);
  EXPECT_EQ(heading, L".");
  EXPECT_EQ(ClassifyIniLine(L"x=1", k, v, heading), lkSetting);
  EXPECT_EQ(heading, L".");  // a setting leaves the heading alone
}

TEST(ConfigFormat, SplittingEncodingAndPrefixes) {
  using namespace Config_Format;
  EXPECT_TRUE(SplitLines(L"").empty());
  EXPECT_EQ(SplitLines(L"a=1"), (std::vector<std::wstring_view>{L"a=1"}));
  EXPECT_EQ(SplitLines(L"a\r\nb\r\n"), (std::vector<std::wstring_view>{L"a", L"b", L""}));
  EXPECT_EQ(SplitLines(L"a\nb\rc"), (std::vector<std::wstring_view>{L"a\nb\rc"}));
  EXPECT_EQ(SplitLines(L"\r\n"), (std::vector<std::wstring_view>{L"", L""}));

  EXPECT_EQ(EncodeLineBreaks(L"one\r\ntwo\r\n"), L"one<NL>two<NL>");
  EXPECT_EQ(EncodeLineBreaks(L"lone\rcr\nlf"), L"lone\rcr\nlf");
  EXPECT_EQ(DecodeLineBreaks(L"one<NL>two<nl>"), L"one\r\ntwo<nl>");  // the mark is exact

  EXPECT_EQ(PrefixedKey(L"", L"a"), L"a");
  EXPECT_EQ(PrefixedKey(L"Pre.", L"a"), L"Pre.a");
  EXPECT_EQ(PrefixedKey(L"Pre.", L"pre.a"), L"pre.a");
  EXPECT_EQ(PrefixedKey(L"Pre.", L"Pre"), L"Pre.Pre");
  EXPECT_EQ(FilePrefix(L"C:\\Kit\\My File.v2.ini"), L"My_File.v2.");
  EXPECT_EQ(FilePrefix(L"plain"), L"plain.");

  EXPECT_TRUE(FoldedEqual(L"Browser.HomePage", L"BROWSER.HOMEPAGE"));
  EXPECT_EQ(FoldedHash(L"Browser.HomePage"), FoldedHash(L"bRoWsEr.hOmEpAgE"));
  EXPECT_TRUE(FoldedEqual(L"\u00C4rger", L"\u00E4RGER"));
  EXPECT_EQ(FoldedHash(L"\u00C4rger"), FoldedHash(L"\u00E4RGER"));
  EXPECT_FALSE(FoldedEqual(L"Note", L"Note "));
}

// ---- storing ----------------------------------------------------------------------------------

TEST(ConfigStore, SetStringAddsOverwritesAndDeletes) {
  LumoDebugFixtureState dbg;
  dbg.Reset(true, true);
  Config_Class c;
  EXPECT_FALSE(c.SetString(L"", L"x"));  // an empty key is never kept
  EXPECT_FALSE(c.SetString(L"a", L""));  // nor an empty value
  EXPECT_EQ(c.Count(), 0);

  EXPECT_TRUE(c.SetString(L"Browser.HomePage", L"page1", false, true, L"C:\\K\\a.cfg"));
  EXPECT_TRUE(c.SetString(L"Second", L"2"));
  EXPECT_FALSE(c.SetString(L"BROWSER.HOMEPAGE", L"other", false, false));  // no overwrite
  EXPECT_EQ(c.GetString(L"browser.homepage"), L"page1");

  EXPECT_TRUE(c.SetString(L"BROWSER.HOMEPAGE", L"page2", false, true, L"", true));
  const Config_KVP* kvp = c.Item(L"Browser.HomePage");
  ASSERT_NE(kvp, nullptr);
  EXPECT_EQ(kvp->Key(), L"Browser.HomePage");  // the first spelling stays
  EXPECT_EQ(kvp->DefFile(), L"C:\\K\\a.cfg");  // an empty file keeps the old one
  EXPECT_TRUE(kvp->NoSave());
  EXPECT_TRUE(c.SetString(L"Browser.HomePage", L"page3", false, true, L"C:\\K\\b.cfg", false));
  EXPECT_TRUE(kvp->NoSave());  // switched on for good
  EXPECT_EQ(kvp->DefFile(), L"C:\\K\\b.cfg");
  EXPECT_EQ(Keys(c), (Strings{L"Browser.HomePage", L"Second"}));  // keeps its place

  EXPECT_TRUE(c.SetString(L"Multi", L"one\r\ntwo"));
  EXPECT_EQ(c.Item(L"Multi")->ValueData_Save_State(), L"one<NL>two");

  dbg.systemOutput.clear();
  EXPECT_TRUE(c.SetString(L"browser.HOMEPAGE", L""));  // overwrite with nothing deletes
  EXPECT_FALSE(c.ItemExists(L"Browser.HomePage"));
  EXPECT_EQ(CountContaining(dbg.systemOutput,
                            L"SetString on key:  [browser.HOMEPAGE]  triggered with no value to "
                            L"overwrite existing value; deleting value entirely..."),
            1);
  EXPECT_FALSE(c.SetString(L"Second", L"", false, false));  // no overwrite: no delete either
  EXPECT_TRUE(c.ItemExists(L"Second"));

  // A deleted key comes back at the end.
  EXPECT_TRUE(c.SetString(L"Browser.homepage", L"again"));
  EXPECT_EQ(Keys(c), (Strings{L"Second", L"Multi", L"Browser.homepage"}));
}

TEST(ConfigStore, RelativeFilesAreTakenBelowTheConfigFolder) {
  ConfigFolder folder(L"C:\\Kit\\Config");
  Config_Class c;
  c.SetString(L"a", L"1", false, true, L"Lumo.cfg");
  c.SetString(L"b", L"1", false, true, L"\\Sub\\x.cfg");
  c.SetString(L"c", L"1", false, true, L"D:\\Other\\y.cfg");
  c.SetString(L"d", L"1", false, true, L"\\\\srv\\share\\z.cfg");
  EXPECT_EQ(c.Item(L"a")->DefFile(), L"C:\\Kit\\Config\\Lumo.cfg");
  EXPECT_EQ(c.Item(L"b")->DefFile(), L"C:\\Kit\\Config\\Sub\\x.cfg");
  EXPECT_EQ(c.Item(L"c")->DefFile(), L"D:\\Other\\y.cfg");
  EXPECT_EQ(c.Item(L"d")->DefFile(), L"\\\\srv\\share\\z.cfg");
}

TEST(ConfigStore, EncryptedSettingsAndOverwrites) {
  Config_Class c;
  EXPECT_TRUE(c.SetString(L"Pass", L"hunter2", true));
  const Config_KVP* kvp = c.Item(L"Pass");
  ASSERT_NE(kvp, nullptr);
  EXPECT_TRUE(kvp->Encrypted());
  EXPECT_TRUE(kvp->ValueData_Save_State().starts_with(L"<ev~>"));
  EXPECT_EQ(c.GetString(L"Pass"), L"hunter2");

  const std::wstring cipher = kvp->ValueData_Save_State();
  EXPECT_TRUE(c.SetString(L"Pass", L"plain now"));  // overwritten without bEncrypted: plain
  EXPECT_FALSE(kvp->Encrypted());
  EXPECT_EQ(kvp->ValueData_Save_State(), L"plain now");
  EXPECT_TRUE(c.SetString(L"Pass", cipher));  // a value with a marker stays encrypted
  EXPECT_TRUE(kvp->Encrypted());
  EXPECT_EQ(kvp->ValueData_Save_State(), cipher);
  EXPECT_EQ(c.GetString(L"Pass"), L"hunter2");
}

TEST(ConfigStore, CollectionInterface) {
  Config_Class c;
  c.SetString(L"\u00C4rger.Key", L"1");
  c.SetString(L"b", L"2");
  c.SetString(L"c", L"3");
  EXPECT_EQ(c.Count(), 3);
  EXPECT_TRUE(c.ItemExists(L"\u00E4RGER.KEY"));
  EXPECT_FALSE(c.ItemExists(L""));
  EXPECT_FALSE(c.ItemExists(L"b "));  // lookups ignore case, not spaces
  EXPECT_EQ(c.Item(L"missing"), nullptr);
  c.Remove(L"missing");
  c.Remove(L"");
  c.Remove(L"B");
  EXPECT_EQ(c.Count(), 2);
  EXPECT_EQ(Keys(c), (Strings{L"\u00C4rger.Key", L"c"}));
  EXPECT_EQ(&Cfg(), &Cfg());
}

// ---- loaders ----------------------------------------------------------------------------------

TEST(ConfigLoad, WorkedExampleOfTheFileFormat) {
  LumoDebugFixtureState dbg;
  dbg.Reset(true, true);
  ScratchDir d;
  const std::wstring f = d.File(L"F.cfg",
                                "; Browser settings\r\n"
                                "[Browser]\r\n"
                                "Browser.HomePage=page1\r\n"
                                "Query=a=b&c=d\r\n"
                                "Note = two words\r\n"
                                "Notes=line one<NL>line two\r\n"
                                "browser.homepage=page2\r\n");
  Config_Class c;
  ASSERT_TRUE(c.LoadFile(f));
  EXPECT_EQ(Keys(c), (Strings{L"Browser.HomePage", L"Query", L"Note ", L"Notes"}));
  const Config_KVP* home = c.Item(L"Browser.HomePage");
  ASSERT_NE(home, nullptr);
  EXPECT_EQ(home->ValueData(), L"page2");
  EXPECT_EQ(home->Key(), L"Browser.HomePage");
  EXPECT_EQ(home->DefFile(), f);
  EXPECT_EQ(c.GetString(L"Query"), L"a=b&c=d");
  EXPECT_EQ(c.GetString(L"Note "), L" two words");
  EXPECT_FALSE(c.ItemExists(L"Note"));
  EXPECT_EQ(c.GetString(L"Notes"), L"line one\r\nline two");
  EXPECT_EQ(c.GetStringRaw(L"Notes"), L"line one<NL>line two");

  // The last line of the example deletes the setting, with a message.
  dbg.systemOutput.clear();
  d.File(L"G.cfg", "Browser.HomePage=\r\n");
  EXPECT_TRUE(c.LoadFile(d.Path(L"G.cfg")));
  EXPECT_FALSE(c.ItemExists(L"Browser.HomePage"));
  EXPECT_EQ(CountContaining(dbg.systemOutput, L"SetString on key:  [Browser.HomePage]  "), 1);
  EXPECT_EQ(CountContaining(dbg.systemOutput, kDeleteMsg), 1);
  // An empty value for a key that does not exist stores nothing.
  d.File(L"H.cfg", "Fresh=\r\nOther=1\r\n");
  EXPECT_TRUE(c.LoadFile(d.Path(L"H.cfg")));
  EXPECT_FALSE(c.ItemExists(L"Fresh"));
  EXPECT_EQ(c.Count(), 4);
}

TEST(ConfigLoad, LoadFileOrderAndFailures) {
  ScratchDir d;
  const std::wstring own = d.File(L"LumoBrowser.cfg", "Browser.HomePage=own\r\nOnlyOwn=1\r\n");
  const std::wstring kit = d.File(L"Lumo.cfg", "BROWSER.HOMEPAGE=kit\r\n");
  Config_Class c;
  EXPECT_TRUE(c.LoadFile({own, L"", kit}));  // an empty path is skipped
  std::wstring from;
  EXPECT_EQ(c.GetString(L"Browser.HomePage", &from), L"kit");
  EXPECT_EQ(from, kit);
  EXPECT_EQ(c.Item(L"browser.homepage")->Key(), L"Browser.HomePage");
  EXPECT_EQ(c.Item(L"OnlyOwn")->DefFile(), own);

  Config_Class m;
  const std::wstring empty = d.File(L"empty.cfg", "");
  const std::wstring blank = d.File(L"blank.cfg", "  \r\n \r\n");
  EXPECT_FALSE(m.LoadFile({d.Path(L"missing.cfg"), own}));  // the good one still loads
  EXPECT_EQ(m.GetString(L"OnlyOwn"), L"1");
  EXPECT_FALSE(m.LoadFile(empty));
  EXPECT_FALSE(m.LoadFile(blank));
  EXPECT_TRUE(m.LoadFile(std::vector<std::wstring>{}));
  EXPECT_TRUE(m.LoadFile(L""));
  EXPECT_EQ(m.Count(), 2);
}

TEST(ConfigLoad, LoadStringSplitsAtCRLFAndPrefixes) {
  Config_Class c;
  c.LoadString(L"");
  EXPECT_EQ(c.Count(), 0);
  c.LoadString(L"a=1\r\n; c=2\r\nPre.b=3\r\npre.c=4\r\n[x]\r\n", false, true, L"C:\\K\\s.cfg",
               L"Pre", true);
  EXPECT_EQ(Keys(c), (Strings{L"Pre.a", L"Pre.b", L"pre.c"}));
  EXPECT_EQ(c.Item(L"Pre.a")->DefFile(), L"C:\\K\\s.cfg");
  EXPECT_TRUE(c.Item(L"Pre.a")->NoSave());

  c.LoadString(L"Pre.a=new\r\nfresh=1", false, false);  // no overwrite: only new keys
  EXPECT_EQ(c.GetString(L"Pre.a"), L"1");
  EXPECT_EQ(c.GetString(L"fresh"), L"1");

  Config_Class lf;
  lf.LoadString(L"a=1\nb=2");  // without CR LF the text is one line
  EXPECT_EQ(Keys(lf), (Strings{L"a"}));
  EXPECT_EQ(lf.GetString(L"a"), L"1\nb=2");

  Config_Class enc;
  enc.LoadString(L"k=v", true);
  EXPECT_TRUE(enc.Item(L"k")->Encrypted());
  EXPECT_EQ(enc.GetString(L"k"), L"v");
}

TEST(ConfigLoad, LoadINIHeadingsPrefixesAndTargets) {
  LumoDebugFixtureState dbg;
  dbg.Reset(true, false);
  ScratchDir d;
  ConfigFolder folder(d.Root());
  const std::wstring ini = d.File(L"My File.ini",
                                  "a=0\r\n"
                                  "[Sec]\r\n"
                                  "a=1\r\n"
                                  "  ;b=2\r\n"
                                  "no equals\r\n"
                                  "[Two]\r\n"
                                  "Pre.My_File.Two.c=3\r\n");
  Config_Class c;
  EXPECT_TRUE(c.LoadINI(ini, L"Pre", false, true, false, L"", true));
  EXPECT_EQ(Keys(c), (Strings{L"Pre.My_File.a", L"Pre.My_File.Sec.a", L"Pre.My_File.Two.c"}));
  EXPECT_EQ(c.Item(L"Pre.My_File.Sec.a")->DefFile(), ini);
  bool logged = false;
  for (const std::wstring& e : PendingEntries()) {
    if (e.find(L"UBound(Array) = 7") != std::wstring::npos) logged = true;
  }
  EXPECT_TRUE(logged);

  Config_Class plain;  // no heading prefix: the later "a" overwrites the first
  EXPECT_TRUE(plain.LoadINI(ini, L"", false, false, false, L"", false));
  EXPECT_EQ(Keys(plain), (Strings{L"a", L"Pre.My_File.Two.c"}));
  EXPECT_EQ(plain.GetString(L"a"), L"1");

  Config_Class heading;
  EXPECT_TRUE(heading.LoadINI(ini, L"", false, false, false, L"", true));
  EXPECT_TRUE(heading.ItemExists(L"Sec.a"));
  EXPECT_TRUE(heading.ItemExists(L"a"));

  Config_Class targets;
  EXPECT_TRUE(targets.LoadINI(ini, L"", true));
  EXPECT_EQ(targets.Item(L"a")->DefFile(), L"");
  EXPECT_TRUE(targets.LoadINI(ini, L"x.", false, false, true, L"New.cfg"));
  EXPECT_EQ(targets.Item(L"x.a")->DefFile(), d.Root() + L"\\New.cfg");
  EXPECT_TRUE(targets.Item(L"x.a")->NoSave());
  EXPECT_TRUE(targets.LoadINI(ini, L"y", false, false, false, L"D:\\Keep\\It.cfg"));
  EXPECT_EQ(targets.Item(L"y.a")->DefFile(), L"D:\\Keep\\It.cfg");

  EXPECT_FALSE(targets.LoadINI(L""));
  EXPECT_FALSE(targets.LoadINI(d.Path(L"missing.ini")));
}

TEST(ConfigLoad, LoadDirAndLoadFiles) {
  ScratchDir d;
  d.File(L"a.cfg", "A=1\r\nShared=a\r\n");
  d.File(L"notes.txt", "Txt=1\r\n");
  d.Dir(L"sub");
  d.File(L"sub\\b c.cfg", "B=2\r\n");

  Config_Class top;
  EXPECT_TRUE(top.LoadDir(d.Root(), false, false, false, 0));
  EXPECT_TRUE(top.ItemExists(L"A"));
  EXPECT_FALSE(top.ItemExists(L"B"));
  EXPECT_FALSE(top.ItemExists(L"Txt"));
  EXPECT_EQ(top.Item(L"A")->DefFile(), d.Path(L"a.cfg"));

  Config_Class all;
  EXPECT_TRUE(all.LoadDir(d.Root(), true, true, true, -1));
  EXPECT_TRUE(all.ItemExists(L"a.A"));
  EXPECT_TRUE(all.ItemExists(L"b_c.B"));
  EXPECT_EQ(all.Item(L"b_c.B")->DefFile(), L"");
  EXPECT_TRUE(all.Item(L"b_c.B")->NoSave());

  Config_Class none;
  d.Dir(L"empty");
  EXPECT_TRUE(none.LoadDir(d.Path(L"empty")));
  EXPECT_FALSE(none.LoadDir(d.Path(L"missing")));
  EXPECT_FALSE(none.LoadDir(d.Path(L"a.cfg")));  // a file is not a folder
  EXPECT_FALSE(none.LoadDir(L""));
  EXPECT_FALSE(none.LoadDir(L"C:\\" + std::wstring(32767, L'x')));
  EXPECT_EQ(none.Count(), 0);

  Config_Class files;
  EXPECT_TRUE(files.LoadFiles({}));
  EXPECT_FALSE(files.LoadFiles(
      {d.Path(L"sub\\b c.cfg"), L"", d.Path(L"gone.cfg"), d.Path(L"a.cfg")}, false, true));
  EXPECT_EQ(Keys(files), (Strings{L"b_c.B", L"a.A", L"a.Shared"}));
}

TEST(ConfigLoad, LoadDirWithALockedFileLoadsTheRest) {
  ScratchDir d;
  d.File(L"good.cfg", "Good=1\r\n");
  const std::wstring locked = d.File(L"locked.cfg", "Locked=1\r\n");
  HANDLE h = ::CreateFileW(locked.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  Config_Class c;
  EXPECT_FALSE(c.LoadDir(d.Root()));
  ::CloseHandle(h);
  EXPECT_TRUE(c.ItemExists(L"Good"));
  EXPECT_FALSE(c.ItemExists(L"Locked"));
}

// ---- bad input --------------------------------------------------------------------------------

TEST(ConfigBadInput, BinaryFiles) {
  ScratchDir d;
  Config_Class c;
  c.SetString(L"Before", L"1");
  // A NUL byte costs its own line only.
  const std::wstring nul = d.File(L"nulbyte.cfg", std::string("a=1\r\nb=\0\0x\r\nc=3\r\n", 17));
  EXPECT_TRUE(c.LoadFile(nul));
  EXPECT_EQ(Keys(c), (Strings{L"Before", L"a", L"c"}));
  EXPECT_FALSE(c.LoadFile(d.File(L"allnul.cfg", std::string("\0\0\0", 3))));

  std::string garbage;
  for (int i = 1; i < 256; ++i) garbage.push_back(static_cast<char>(i));  // every byte but NUL
  garbage += "\r\nGood=yes\r\n";
  for (int i = 0; i < 4000; ++i) garbage.push_back(static_cast<char>(1 + (i * 7919) % 255));
  const std::wstring junk = d.File(L"junk.cfg", garbage);
  EXPECT_TRUE(c.LoadFile(junk));
  EXPECT_EQ(c.GetString(L"Good"), L"yes");
  EXPECT_TRUE(c.ItemExists(L"Before"));
}

TEST(ConfigBadInput, LineEndsAndMarks) {
  ScratchDir d;
  Config_Class lf;
  EXPECT_TRUE(lf.LoadFile(d.File(L"lf.cfg", "a=1\nb=2\n\nc=3\n")));
  EXPECT_EQ(Keys(lf), (Strings{L"a", L"b", L"c"}));
  EXPECT_EQ(lf.GetString(L"c"), L"3");

  // CR alone is no line end: the file is one line, split at its first "=".
  Config_Class cr;
  EXPECT_TRUE(cr.LoadFile(d.File(L"cr.cfg", "a=1\rb=2\rc=3")));
  EXPECT_EQ(Keys(cr), (Strings{L"a"}));
  EXPECT_EQ(cr.GetString(L"a"), L"1\rb=2\rc=3");

  // A byte-order mark names the encoding and is no part of the first key;
  // without one the bytes are ANSI text.
  struct Saved {
    const wchar_t* name;
    std::string bytes;
  };
  const Saved saved[] = {
      {L"utf8.cfg", "\xEF\xBB\xBFKey=Caf\xC3\xA9\r\nNext=2\r\n"},
      {L"utf16le.cfg", std::string("\xFF\xFEK\0e\0y\0=\0C\0a\0f\0\xE9\0\r\0\n\0N\0e\0x\0t\0=\0002\0", 34)},
      {L"utf16be.cfg", std::string("\xFE\xFF\0K\0e\0y\0=\0C\0a\0f\0\xE9\0\r\0\n\0N\0e\0x\0t\0=\0002", 34)},
      {L"ansi.cfg", "Key=Caf\xE9\r\nNext=2\r\n"},
  };
  for (const Saved& f : saved) {
    Config_Class bom;
    EXPECT_TRUE(bom.LoadFile(d.File(f.name, f.bytes))) << f.name;
    EXPECT_EQ(Keys(bom), (Strings{L"Key", L"Next"})) << f.name;
    EXPECT_EQ(bom.GetString(L"Key"), L"Caf\u00E9") << f.name;
  }

  // "=value" lines are not kept: no key could ever find them.
  Config_Class noKey;
  EXPECT_TRUE(noKey.LoadFile(d.File(L"nokey.cfg", "=value\r\n=other\r\nk=v\r\n")));
  EXPECT_EQ(Keys(noKey), (Strings{L"k"}));
  noKey.LoadString(L"=x");
  EXPECT_EQ(noKey.Count(), 1);
}

TEST(ConfigBadInput, TenMegabyteLine) {
  ScratchDir d;
  std::string big = "Big=";
  big.append(10 * 1024 * 1024, 'v');
  big += "=tail";
  Config_Class c;
  EXPECT_TRUE(c.LoadFile(d.File(L"big.cfg", big)));
  const Config_KVP* kvp = c.Item(L"big");
  ASSERT_NE(kvp, nullptr);
  EXPECT_EQ(kvp->ValueData_Save_State().size(), 10u * 1024 * 1024 + 5);
  EXPECT_TRUE(kvp->ValueData_Save_State().ends_with(L"v=tail"));

  std::wstring text(L"K=");
  text.append(10 * 1024 * 1024, L'x');
  text.append(L"\r\nL=1");
  c.LoadString(text);
  EXPECT_EQ(c.GetStringRaw(L"K").size(), 10u * 1024 * 1024);
  EXPECT_EQ(c.GetString(L"L"), L"1");
}

TEST(ConfigBadInput, HundredThousandSettings) {
  ScratchDir d;
  std::string text;
  for (int i = 0; i < 100000; ++i) {
    text += "Section" + std::to_string(i % 100) + ".Key" + std::to_string(i) + "=value" +
            std::to_string(i) + "\r\n";
  }
  text += "section7.KEY7=last\r\n";  // the same setting as line 8
  Config_Class c;
  ASSERT_TRUE(c.LoadFile(d.File(L"many.cfg", text)));
  EXPECT_EQ(c.Count(), 100000);
  EXPECT_EQ(c.GetString(L"SECTION99.KEY99999"), L"value99999");
  EXPECT_EQ(c.GetString(L"Section7.Key7"), L"last");
  EXPECT_EQ(c.GetString(L"Section0.Key100000"), L"");
  int i = 0;
  bool ordered = true;
  for (const Config_KVP& kvp : c.NewEnum()) {
    ordered = ordered &&
              kvp.Key() == L"Section" + std::to_wstring(i % 100) + L".Key" + std::to_wstring(i);
    ++i;
  }
  EXPECT_TRUE(ordered);
  // Removing every other setting keeps the rest findable.
  for (int k = 0; k < 100000; k += 2) {
    c.Remove(L"section" + std::to_wstring(k % 100) + L".key" + std::to_wstring(k));
  }
  EXPECT_EQ(c.Count(), 50000);
  EXPECT_EQ(c.GetString(L"Section1.Key1"), L"value1");
  EXPECT_FALSE(c.ItemExists(L"Section0.Key0"));
}
