// Typed access to the configuration store: getters, setters, existence
// tests, the matching queries and removal.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/Config_Class.h"
#include "lumo_test.h"

namespace {

using Strings = std::vector<std::wstring>;

Strings Keys(const Config_Class& c) {
  Strings keys;
  for (const Config_KVP& kvp : c.NewEnum()) keys.push_back(kvp.Key());
  return keys;
}

}  // namespace

TEST(ConfigAccess, GetStringAndRaw) {
  Config_Class c;
  c.SetString(L"Text", L"line one\r\nline two", false, true, L"C:\\K\\a.cfg");
  std::wstring from = L"untouched";
  EXPECT_EQ(c.GetString(L"TEXT", &from), L"line one\r\nline two");
  EXPECT_EQ(from, L"C:\\K\\a.cfg");
  from = L"untouched";
  EXPECT_EQ(c.GetStringRaw(L"text", &from), L"line one<NL>line two");
  EXPECT_EQ(from, L"C:\\K\\a.cfg");
  EXPECT_EQ(c.Get_ValueData_As_Is(L"Text"), L"line one<NL>line two");

  from = L"untouched";
  EXPECT_EQ(c.GetString(L"Missing", &from), L"");
  EXPECT_EQ(from, L"untouched");
  EXPECT_EQ(c.GetStringRaw(L"Missing", &from), L"");
  EXPECT_EQ(from, L"untouched");
  EXPECT_EQ(c.GetString(L""), L"");

  c.SetString(L"Secret", L"a\r\nb", true);
  EXPECT_EQ(c.GetString(L"Secret"), L"a\r\nb");
  EXPECT_TRUE(c.GetStringRaw(L"Secret").starts_with(L"<ev~>"));
}

TEST(ConfigAccess, GetBoolIsTrueOnlyForOne) {
  Config_Class c;
  const std::pair<const wchar_t*, bool> cases[] = {
      {L"1", true},    {L" 1 ", true}, {L"0", false}, {L"True", false}, {L"-1", false},
      {L"yes", false}, {L"01", false}, {L"2", false}, {L"1.0", false},  {L"\t1", false},
  };
  for (const auto& [text, expected] : cases) {
    c.SetString(L"b", text);
    EXPECT_EQ(c.GetBool(L"b"), expected) << text;
    EXPECT_EQ(c.GetBool(L"b", nullptr, true), expected) << text;
  }
  EXPECT_FALSE(c.GetBool(L"missing"));
  EXPECT_TRUE(c.GetBool(L"missing", nullptr, true));
  c.SetString(L"spaces", L"   ");
  EXPECT_FALSE(c.GetBool(L"spaces"));
  EXPECT_TRUE(c.GetBool(L"spaces", nullptr, true));
  std::wstring from;
  c.SetString(L"f", L"1", false, true, L"C:\\K\\f.cfg");
  EXPECT_TRUE(c.GetBool(L"F", &from));
  EXPECT_EQ(from, L"C:\\K\\f.cfg");
}

TEST(ConfigAccess, GetLongRoundsHalfToEvenAndChecksRange) {
  Config_Class c;
  const std::pair<const wchar_t*, int32_t> numbers[] = {
      {L"42", 42},
      {L" -7 ", -7},
      {L"+3", 3},
      {L"0", 0},
      {L"-0", 0},
      {L"2.5", 2},
      {L"3.5", 4},
      {L"-2.5", -2},
      {L"-3.5", -4},
      {L"2.51", 3},
      {L"2.4999", 2},
      {L"0.5", 0},
      {L"1.5", 2},
      {L".5", 0},
      {L".51", 1},
      {L"5.", 5},
      {L"007", 7},
      {L"2147483647", 2147483647},
      {L"-2147483648", INT32_MIN},
      {L"2147483646.5", 2147483646},
      {L"-2147483648.5", INT32_MIN},
      {L"2147483647.49", 2147483647},
  };
  for (const auto& [text, expected] : numbers) {
    c.SetString(L"n", text);
    EXPECT_EQ(c.GetLong(L"n"), expected) << text;
    EXPECT_EQ(c.GetLong(L"n", true), expected) << text;
  }
  const wchar_t* const failures[] = {
      L"12abc",        L"99999999999", L"2147483648", L"-2147483649",
      L"2147483647.5", L"1e3",         L"1,000",      L"--1",
      L"- 1",          L".",           L"+",          L"\t5",
      L"5 5",          L"0x10",        L"1.2.3",      L"99999999999999999999999999999999",
  };
  for (const wchar_t* text : failures) {
    c.SetString(L"n", text);
    EXPECT_EQ(c.GetLong(L"n"), 0) << text;
    EXPECT_EQ(c.GetLong(L"n", true), -1) << text;
  }
  EXPECT_EQ(c.GetLong(L"missing"), 0);
  EXPECT_EQ(c.GetLong(L"missing", true), -1);
}

TEST(ConfigAccess, GetStringArray) {
  Config_Class c;
  c.SetString(L"List", L"a<sep> b<sep>a");
  Strings arr;
  EXPECT_EQ(c.GetStringArray(L"list", arr, true, false, true, true), L"True");
  EXPECT_EQ(arr, (Strings{L"a", L"b"}));

  arr = {L"old"};
  EXPECT_EQ(c.GetStringArray(L"List", arr), L"True");  // erased by default, nothing else done
  EXPECT_EQ(arr, (Strings{L"a", L" b", L"a"}));

  arr = {L"x", L"y"};  // carried in: the setting's elements come first
  EXPECT_EQ(c.GetStringArray(L"List", arr, false), L"True");
  EXPECT_EQ(arr, (Strings{L"a", L" b", L"a", L"x", L"y"}));

  arr = {L"only"};
  EXPECT_EQ(c.GetStringArray(L"missing", arr, false), L"False");
  EXPECT_EQ(arr, (Strings{L"only"}));
  arr.clear();
  EXPECT_EQ(c.GetStringArray(L"missing", arr, false), L"False");
  EXPECT_TRUE(arr.empty());
  arr = {L"gone"};
  EXPECT_EQ(c.GetStringArray(L"missing", arr, true), L"False");
  EXPECT_TRUE(arr.empty());

  c.SetString(L"Empties", L"b<sep><sep>  <sep>B<sep>a");
  EXPECT_EQ(c.GetStringArray(L"Empties", arr, true, true), L"True");
  EXPECT_EQ(arr, (Strings{L"b", L"B", L"a"}));  // blank elements count as empty
  EXPECT_EQ(c.GetStringArray(L"Empties", arr, true, false, true), L"True");
  EXPECT_EQ(arr, (Strings{L"b", L"", L"", L"B", L"a"}));
  EXPECT_EQ(c.GetStringArray(L"Empties", arr, true, true, false, true, true), L"True");
  ASSERT_EQ(arr.size(), 2u);  // "b" and "B" are one ignoring case
  EXPECT_EQ(arr[0], L"a");
  EXPECT_TRUE(arr[1] == L"b" || arr[1] == L"B");
  EXPECT_EQ(c.GetStringArray(L"Empties", arr, true, true, false, true, false), L"True");
  EXPECT_EQ(arr, (Strings{L"B", L"a", L"b"}));  // by character code
  EXPECT_EQ(c.GetStringArray(L"Empties", arr, true, true, false, false, true, true, false),
            L"True");
  EXPECT_EQ(arr, (Strings{L"B", L"a", L"b"}));
  EXPECT_EQ(c.GetStringArray(L"Empties", arr, true, true, false, false, true, true, true), L"True");
  EXPECT_EQ(arr[0], L"a");

  // One value without "<sep>" is taken as it is, untrimmed.
  c.SetString(L"One", L"  single  ");
  EXPECT_EQ(c.GetStringArray(L"One", arr, true, true, true, true, true, true, true), L"True");
  EXPECT_EQ(arr, (Strings{L"  single  "}));
  // Carried elements alone: "False", but the array holds them.
  arr = {L"q", L"p"};
  EXPECT_EQ(c.GetStringArray(L"missing", arr, false, false, false, false, true, true), L"False");
  EXPECT_EQ(arr, (Strings{L"p", L"q"}));
}

TEST(ConfigAccess, SettingExistComparesFileNames) {
  Config_Class c;
  c.SetString(L"Kit", L"v", false, true, L"C:\\Kit\\Config\\Lumo.cfg");
  c.SetString(L"NoFile", L"w");
  std::wstring value = L"stale", from = L" lumo.CFG ";
  EXPECT_TRUE(c.SettingExist(L"kit", &value, &from));
  EXPECT_EQ(value, L"v");
  EXPECT_EQ(from, L" lumo.CFG ");
  from = L"D:\\Elsewhere\\Lumo.cfg";  // the folder does not count
  EXPECT_TRUE(c.SettingExist(L"Kit", &value, &from));
  from = L"LumoBrowser.cfg";
  value = L"stale";
  EXPECT_FALSE(c.SettingExist(L"Kit", &value, &from));
  EXPECT_EQ(value, L"");
  from.clear();
  EXPECT_TRUE(c.CfgSettingExists(L"Kit", &value, &from));
  EXPECT_EQ(from, L"C:\\Kit\\Config\\Lumo.cfg");
  from = L"Any.cfg";  // a setting without a file always counts
  EXPECT_TRUE(c.SettingExist(L"NoFile", &value, &from));
  EXPECT_EQ(from, L"Any.cfg");
  from = L"kept";
  EXPECT_FALSE(c.SettingExist(L"Missing", &value, &from));
  EXPECT_EQ(from, L"kept");
  EXPECT_TRUE(c.SettingExist(L"Kit"));

  // "<NL>" is left as it is; an undecryptable value reads empty.
  c.SetString(L"Lines", L"a\r\nb");
  EXPECT_TRUE(c.SettingExist(L"Lines", &value));
  EXPECT_EQ(value, L"a<NL>b");
  c.SetString(L"Broken", L"<ev~>nothex");
  EXPECT_FALSE(c.SettingExist(L"Broken", &value));
  EXPECT_TRUE(c.SettingExist(L"Broken", &value, nullptr, true));
  EXPECT_EQ(value, L"");
}

TEST(ConfigAccess, TypedSetters) {
  LumoDebugFixtureState dbg;
  dbg.Reset();
  Config_Class c;
  EXPECT_TRUE(c.SetBool(L"On", true));
  EXPECT_TRUE(c.SetBool(L"Off", false));
  EXPECT_EQ(c.GetStringRaw(L"On"), L"1");
  EXPECT_EQ(c.GetStringRaw(L"Off"), L"0");
  EXPECT_FALSE(c.SetBool(L"On", false, false, false));
  EXPECT_TRUE(c.SetLong(L"Neg", -2147483647 - 1, false, true, L"C:\\K\\n.cfg", true));
  EXPECT_EQ(c.GetStringRaw(L"Neg"), L"-2147483648");
  EXPECT_TRUE(c.Item(L"Neg")->NoSave());

  EXPECT_TRUE(c.SetLongOrDelete(L"Neg", 5));
  EXPECT_EQ(c.GetLong(L"Neg"), 5);
  EXPECT_FALSE(c.SetLongOrDelete(L"Neg", 0));
  EXPECT_FALSE(c.ItemExists(L"Neg"));
  EXPECT_FALSE(c.SetLongOrDelete(L"Never", 0));

  EXPECT_TRUE(c.SetVar(L"Flag", App_Variant(true)));
  EXPECT_EQ(c.GetStringRaw(L"Flag"), L"1");
  EXPECT_TRUE(c.SetVar(L"Dbl", App_Variant(2.5)));
  EXPECT_EQ(c.GetStringRaw(L"Dbl"), L"2.5");
  EXPECT_TRUE(c.SetVar(L"Big", App_Variant(int64_t{9000000000})));
  EXPECT_EQ(c.GetStringRaw(L"Big"), L"9000000000");
  EXPECT_TRUE(c.SetVar(L"Money", App_Variant::Currency(12345)));
  EXPECT_EQ(c.GetStringRaw(L"Money"), L"1.2345");
  EXPECT_TRUE(c.SetVar(L"Txt", App_Variant(L"words")));
  EXPECT_TRUE(c.SetVar(L"Arr", Strings{L"x", L"y"}));
  EXPECT_EQ(c.GetStringRaw(L"Arr"), L"x<sep>y");
  EXPECT_FALSE(c.SetVar(L"EmptyArr", Strings{}));

  EXPECT_FALSE(c.SetVar(L"Obj", App_Variant::Object(L"Form")));
  EXPECT_FALSE(c.SetVar(L"Nothing", App_Variant()));
  EXPECT_FALSE(c.ItemExists(L"Obj"));
  int unsupported = 0;
  for (const std::wstring& e : PendingEntries()) {
    if (e.find(L"Unsupported Cfg Value Type:  Object") != std::wstring::npos) ++unsupported;
    if (e.find(L"Unsupported Cfg Value Type:  Empty") != std::wstring::npos) ++unsupported;
  }
  EXPECT_EQ(unsupported, 2);

  EXPECT_TRUE(c.SetVarOrDelete(L"Txt", App_Variant(7)));
  EXPECT_EQ(c.GetLong(L"Txt"), 7);
  EXPECT_FALSE(c.SetVarOrDelete(L"Txt", App_Variant(L"0")));
  EXPECT_FALSE(c.ItemExists(L"Txt"));
  c.SetString(L"Txt", L"back");
  EXPECT_FALSE(c.SetVarOrDelete(L"Txt", std::nullopt));
  EXPECT_FALSE(c.ItemExists(L"Txt"));
  c.SetString(L"Txt", L"back");
  EXPECT_FALSE(c.SetVarOrDelete(L"Txt", App_Variant(false)));  // "0"
  EXPECT_FALSE(c.ItemExists(L"Txt"));

  EXPECT_TRUE(c.SetStringArray(L"List", Strings{L"a", L"", L"b"}));
  EXPECT_EQ(c.GetStringRaw(L"List"), L"a<sep><sep>b");
  EXPECT_TRUE(c.SetStringArray(L"List", Strings{}));  // empty overwrites: deleted
  EXPECT_FALSE(c.ItemExists(L"List"));

  c.SetString(L"Plain", L"text");
  c.Ensure_Encrypted(L"PLAIN");
  EXPECT_TRUE(c.Item(L"Plain")->Encrypted());
  EXPECT_TRUE(c.GetStringRaw(L"Plain").starts_with(L"<ev~>"));
  EXPECT_EQ(c.GetString(L"Plain"), L"text");
  const std::wstring stored = c.GetStringRaw(L"Plain");
  c.Ensure_Encrypted(L"Plain");
  EXPECT_EQ(c.GetStringRaw(L"Plain"), stored);
  c.Ensure_Encrypted(L"Missing");
  EXPECT_FALSE(c.ItemExists(L"Missing"));
}

TEST(ConfigAccess, MatchingQueries) {
  Config_Class c;
  c.DefaultConfigFile = L"C:\\K\\LumoBrowser.cfg";
  c.SetString(L"Browser.HomePage", L"http://home", false, true, L"C:\\K\\Lumo.cfg");
  c.SetString(L"SearchEngine.Name", L"Bing");
  c.SetString(L"Browser.UseInternal", L"1", false, true, L"C:\\K\\LumoBrowser.cfg");
  c.SetString(L"Other", L"line<NL>two", false, true, L"C:\\K\\Lumo.cfg");

  EXPECT_EQ(c.GetAllMatchingStrings(L"BROWSER."),
            L"Browser.HomePage=http://home\r\nBrowser.UseInternal=1");
  EXPECT_EQ(c.GetAllMatchingStrings(L"browser", L"", true), L"http://home\r\n1");
  EXPECT_EQ(c.GetMatchingStringCount(L"browser"), 2);
  EXPECT_EQ(c.GetAllMatchingStrings(L"nothing"), L"");
  EXPECT_EQ(c.GetMatchingStringCount(L"nothing"), 0);
  EXPECT_EQ(c.GetMatchingStringCount(L""), 4);  // every key contains the empty text

  // The default file selects the settings without a file too.
  EXPECT_EQ(c.GetAllMatchingStrings(L"e", L" c:\\k\\lumobrowser.cfg "),
            L"SearchEngine.Name=Bing\r\nBrowser.UseInternal=1");
  EXPECT_EQ(c.GetMatchingStringCount(L"e", L"C:\\K\\Lumo.cfg"), 2);
  EXPECT_EQ(c.GetAllMatchingStrings(L"", L"C:\\K\\Lumo.cfg"),
            L"Browser.HomePage=http://home\r\nOther=line<NL>two");

  EXPECT_EQ(c.GetAllMatchingValues(L"BING"), L"SearchEngine.Name=Bing");
  EXPECT_EQ(c.GetAllMatchingValues(L"<nl>", L"", true), L"line<NL>two");
  EXPECT_EQ(c.GetAllMatchingValues(L"bing", L"C:\\K\\Lumo.cfg"), L"");

  c.SetString(L"Secret", L"hidden word", true);  // values are searched in plain form
  EXPECT_EQ(c.GetAllMatchingValues(L"HIDDEN"), L"Secret=hidden word");
}

TEST(ConfigAccess, WipeSettingAndWindowMetrics) {
  Config_Class c;
  auto fill = [&c] {
    c.SetString(L"BrowserUI.Window_Metrics_Top", L"1", false, true, L"C:\\K\\a.cfg");
    c.SetString(L"browserui.window_metrics_position", L"1,2");
    c.SetString(L"Window_Metrics_Top", L"1");
    c.SetString(L"OtherForm.Window_Metrics_Top", L"1");
    c.SetString(L"BrowserUI.Caption", L"x", false, true, L"C:\\K\\b.cfg");
  };
  fill();
  c.WipeSetting(L"Window_Metrics_", 1);
  EXPECT_EQ(Keys(c), (Strings{L"Window_Metrics_Top", L"BrowserUI.Caption"}));

  c.WipeSetting(L"");  // nothing happens
  EXPECT_EQ(c.Count(), 2);
  fill();
  c.WipeWindowMetrics(L"BrowserUI");
  EXPECT_EQ(Keys(c), (Strings{L"Window_Metrics_Top", L"BrowserUI.Caption",
                              L"OtherForm.Window_Metrics_Top"}));

  fill();  // exact match: the first equal key in store order, trimmed and ignoring case
  c.WipeSetting(L" window_metrics_top ", 1, true);
  EXPECT_FALSE(c.ItemExists(L"OtherForm.Window_Metrics_Top"));
  EXPECT_TRUE(c.ItemExists(L"BrowserUI.Window_Metrics_Top"));
  c.WipeSetting(L"Window_Metrics", -1, true);  // not equal to any whole key
  EXPECT_TRUE(c.ItemExists(L"Window_Metrics_Top"));

  fill();  // a file filter skips the other files and the settings without one
  c.WipeSetting(L"BrowserUI", 0, false, L" c:\\k\\A.cfg ");
  EXPECT_FALSE(c.ItemExists(L"BrowserUI.Window_Metrics_Top"));
  EXPECT_TRUE(c.ItemExists(L"browserui.window_metrics_position"));
  EXPECT_TRUE(c.ItemExists(L"BrowserUI.Caption"));

  c.SetString(L"a.b.c", L"1");
  c.WipeSetting(L"c", 3);  // fewer parts: skipped
  EXPECT_TRUE(c.ItemExists(L"a.b.c"));
  c.WipeSetting(L"C", 2);
  EXPECT_FALSE(c.ItemExists(L"a.b.c"));
}

TEST(ConfigAccess, MetricSettingNames) {
  EXPECT_EQ(Config_Class::GetMetricSettingName(L"BrowserUI", 0),
            L"BrowserUI.Window_Metrics_Auto_LoadSave");
  EXPECT_EQ(Config_Class::GetMetricSettingName(L"BrowserUI", cwmTop),
            L"BrowserUI.Window_Metrics_Top");
  EXPECT_EQ(Config_Class::GetMetricSettingName(L"F", 2), L"F.Window_Metrics_Invisible");
  EXPECT_EQ(Config_Class::GetMetricSettingName(L"F", 3), L"F.Window_Metrics_");
  EXPECT_EQ(Config_Class::GetMetricSettingName(L"F", 4), L"F.Window_Metrics_Position");
  EXPECT_EQ(Config_Class::GetMetricSettingName(L"F", 5), L"F.Window_Metrics_Minimized");
  EXPECT_EQ(Config_Class::GetMetricSettingName(L"F", 6), L"F.Window_Metrics_");
  EXPECT_EQ(Config_Class::GetMetricSettingName(L"F", -1), L"F.Window_Metrics_");
}
