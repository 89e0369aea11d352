// Search engines, the search-text path filter and URL encoding.
#include <gtest/gtest.h>

#include <string>

#include "browser/LumoWebBrowserEx.h"
#include "config/Config_Class.h"
#include "diag/App_Debug.h"
#include "lumo_test.h"

using namespace LumoWebBrowserEx;

namespace {

class SearchEngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dbg.Reset();
    Cfg().WipeSetting(L"SearchEngine.", -1, false);
  }
  void TearDown() override { Cfg().WipeSetting(L"SearchEngine.", -1, false); }
  LumoDebugFixtureState dbg;
};

}  // namespace

TEST(SearchEngineTable, PrefixesAreTheExactPublicSearchURLs) {
  EXPECT_EQ(BuiltInPrefix(L"Bing"), L"https://www.bing.com/search?q=");
  EXPECT_EQ(BuiltInPrefix(L"DuckDuckGo"), L"https://duckduckgo.com/?q=");
  EXPECT_EQ(BuiltInPrefix(L"Google"), L"http://www.google.com/search?q=");
  EXPECT_EQ(BuiltInPrefix(L"Google (English)"), L"http://www.google.com/search?hl=en&q=");
  EXPECT_EQ(BuiltInPrefix(L"Google (Encrypted)"),
            L"https://encrypted.google.com/search?aq=f&ie=UTF-8&q=");
  EXPECT_EQ(BuiltInPrefix(L"Google (Encrypted/English)"),
            L"https://encrypted.google.com/search?hl=en&aq=f&ie=UTF-8&q=");
  // Names are exact: case, spaces and "Custom" are not built-in names.
  EXPECT_EQ(BuiltInPrefix(L"google"), L"");
  EXPECT_EQ(BuiltInPrefix(L"Google "), L"");
  EXPECT_EQ(BuiltInPrefix(L"Custom"), L"");
  EXPECT_EQ(BuiltInPrefix(L""), L"");
}

TEST(SearchEngineTable, EveryPrefixLeadsBackToItsNameAndNothingElseDoes) {
  for (const SearchEngine& e : kBuiltInEngines) {
    EXPECT_EQ(EngineNameForPrefix(BuiltInPrefix(e.Name)), e.Name);
  }
  EXPECT_EQ(EngineNameForPrefix(L"HTTP://WWW.GOOGLE.COM/search?q="), L"Custom");
  EXPECT_EQ(EngineNameForPrefix(L"http://www.google.com/search?q"), L"Custom");
  EXPECT_EQ(EngineNameForPrefix(L"https://example.org/find?text="), L"Custom");
}

TEST_F(SearchEngineTest, EmptyOrUnknownEngineBecomesGoogleAndTheStoreIsCorrected) {
  // Nothing configured.
  std::wstring name;
  EXPECT_EQ(GetSearchEngineURL(name), L"http://www.google.com/search?q=");
  EXPECT_EQ(name, L"Google");
  EXPECT_EQ(Cfg().GetString(L"SearchEngine.Name"), L"Google");

  // "google" in lower case is not a known name; a stale URL goes too.
  Cfg().SetString(L"SearchEngine.Name", L"google");
  Cfg().SetString(L"SearchEngine.URL", L"http://stale.example/?q=");
  name.clear();
  EXPECT_EQ(GetSearchEngineURL(name), L"http://www.google.com/search?q=");
  EXPECT_EQ(name, L"Google");
  EXPECT_EQ(Cfg().GetString(L"SearchEngine.Name"), L"Google");
  EXPECT_FALSE(Cfg().ItemExists(L"SearchEngine.URL"));

  // An unknown name passed in is corrected the same way.
  name = L"Yahoo";
  EXPECT_EQ(GetSearchEngineURL(name), L"http://www.google.com/search?q=");
  EXPECT_EQ(name, L"Google");

  // The trace shows the corrected name and the result.
  App_Proc* p = LumoLastCall(L"LumoWebBrowserEx.GetSearchEngineURL");
  ASSERT_NE(p, nullptr);
  EXPECT_NE(p->Vars_Returned_ByRef().find(L"Google"), std::wstring::npos);
  EXPECT_NE(p->Vars_Function_Result().find(L"http://www.google.com/search?q="), std::wstring::npos);
}

TEST_F(SearchEngineTest, ConfiguredAndPassedNamesPickTheirPrefix) {
  Cfg().SetString(L"SearchEngine.Name", L"DuckDuckGo");
  std::wstring name;
  EXPECT_EQ(GetSearchEngineURL(name), L"https://duckduckgo.com/?q=");
  EXPECT_EQ(name, L"DuckDuckGo");

  // A name passed in wins over the configured one and leaves the store alone.
  name = L"Google (Encrypted/English)";
  EXPECT_EQ(GetSearchEngineURL(name),
            L"https://encrypted.google.com/search?hl=en&aq=f&ie=UTF-8&q=");
  EXPECT_EQ(Cfg().GetString(L"SearchEngine.Name"), L"DuckDuckGo");
}

TEST_F(SearchEngineTest, CustomTakesItsPrefixFromTheStoreEvenWhenEmpty) {
  Cfg().SetString(L"SearchEngine.Name", L"Custom");
  Cfg().SetString(L"SearchEngine.URL", L"https://search.example/?q=");
  std::wstring name;
  EXPECT_EQ(GetSearchEngineURL(name), L"https://search.example/?q=");
  EXPECT_EQ(name, L"Custom");

  // Without a URL the prefix is empty; the choice is not corrected.
  Cfg().WipeSetting(L"SearchEngine.URL", -1, true);
  name.clear();
  EXPECT_EQ(GetSearchEngineURL(name), L"");
  EXPECT_EQ(name, L"Custom");
  EXPECT_EQ(Cfg().GetString(L"SearchEngine.Name"), L"Custom");
}

TEST_F(SearchEngineTest, SetSearchEngineURLNamesTheEngineAndKeepsAURLOnlyForCustom) {
  // Every built-in prefix selects its engine and removes a custom URL.
  for (const SearchEngine& e : kBuiltInEngines) {
    Cfg().SetString(L"SearchEngine.URL", L"http://old.example/?q=");
    SetSearchEngineURL(e.Prefix);
    EXPECT_EQ(Cfg().GetString(L"SearchEngine.Name"), e.Name);
    EXPECT_FALSE(Cfg().ItemExists(L"SearchEngine.URL")) << std::wstring(e.Name);
  }

  // An unknown prefix (case counts) is a custom engine; both settings belong
  // to LumoBrowser.cfg.
  SetSearchEngineURL(L"HTTPS://WWW.BING.COM/search?q=");
  std::wstring nameFile, urlFile;
  EXPECT_EQ(Cfg().GetString(L"SearchEngine.Name", &nameFile), L"Custom");
  EXPECT_EQ(Cfg().GetString(L"SearchEngine.URL", &urlFile), L"HTTPS://WWW.BING.COM/search?q=");
  EXPECT_TRUE(nameFile.ends_with(L"LumoBrowser.cfg")) << nameFile;
  EXPECT_TRUE(urlFile.ends_with(L"LumoBrowser.cfg")) << urlFile;
  std::wstring name;
  EXPECT_EQ(GetSearchEngineURL(name), L"HTTPS://WWW.BING.COM/search?q=");

  // An empty prefix selects Google.
  SetSearchEngineURL(L"");
  EXPECT_EQ(Cfg().GetString(L"SearchEngine.Name"), L"Google");
  EXPECT_FALSE(Cfg().ItemExists(L"SearchEngine.URL"));
}

TEST(WebSearchFileFilter, DrivesAndProfileFoldersNeverReachTheSearch) {
  LumoDebugFixtureState dbg;
  dbg.Reset();
  struct Case {
    const wchar_t* in;
    const wchar_t* out;
  } cases[] = {
      // A quoted file on the user's desktop: drive and user's folder go, quotes stay.
      {L"\"C:\\Users\\Bob\\Desktop\\setup.exe\"", L"\"\\Desktop\\setup.exe\""},
      {L"C:\\Users\\Bob\\Desktop\\setup.exe", L"\\Desktop\\setup.exe"},
      // The old layout, compared ignoring case.
      {L"C:\\Documents and Settings\\Bob\\My Documents\\file.doc", L"\\My Documents\\file.doc"},
      {L"d:\\DOCUMENTS AND SETTINGS\\bob\\x.txt", L"\\x.txt"},
      {L"c:\\users\\bob\\a.txt", L"\\a.txt"},
      // The Users folder and a name alone: the name stays.
      {L"C:\\Users\\Bob", L"\\Bob"},
      {L"C:\\Users\\", L"\\"},
      // A short label and a colon within the first 7 characters.
      {L"Error: 0x80070005", L" 0x80070005"},
      {L"ABCDEF: x", L" x"},
      {L"ABCDEFG: x", L"ABCDEFG: x"},
      // Plain text and the empty text pass through.
      {L"disk cleanup", L"disk cleanup"},
      {L"", L""},
      {L"\"", L"\""},
      {L"http://example.com", L"//example.com"},
      // A second quote after the first is kept in front of the rest.
      {L"\"\"C:\\temp\\x", L"\"\"\\temp\\x"},
      // Other folders below the root keep their first element.
      {L"C:\\Windows\\System32\\svchost.exe", L"\\Windows\\System32\\svchost.exe"},
  };
  LumoEachCase(cases, [](const Case& c) {
    EXPECT_EQ(WebSearchFileFilter(c.in), c.out);
    EXPECT_EQ(FilterSearchText(c.in), c.out);
  });
  App_Proc* p = LumoLastCall(L"LumoWebBrowserEx.WebSearchFileFilter");
  ASSERT_NE(p, nullptr);
  EXPECT_NE(p->Vars_Function_Result().find(L"svchost.exe"), std::wstring::npos);
}

TEST(EncodeStringToURL, AnsiBytesArePercentEncoded) {
  LumoDebugFixtureState dbg;
  dbg.Reset();
  EXPECT_EQ(EncodeStringToURL(L""), L"");
  EXPECT_EQ(EncodeStringToURL(L"disk cleanup"), L"disk%20cleanup");
  EXPECT_EQ(EncodeStringToURL(L"a&b=c"), L"a%26b%3Dc");
  EXPECT_EQ(EncodeStringToURL(L"100%"), L"100%25");
  EXPECT_EQ(EncodeStringToURL(L"\"x\""), L"%22x%22");
  EXPECT_EQ(EncodeStringToURL(L"Az09-_.~"), L"Az09-_.~");
  // Code page 1252: one byte per character, not UTF-8.
  EXPECT_EQ(EncodeStringToURL(L"caf\u00e9"), L"caf%E9");
}

TEST_F(SearchEngineTest, SearchURLIsPrefixPlusEncodedFilteredText) {
  Cfg().SetString(L"SearchEngine.Name", L"Bing");
  std::wstring name;
  const std::wstring url =
      GetSearchEngineURL(name) +
      EncodeStringToURL(WebSearchFileFilter(L"\"C:\\Users\\Bob\\Desktop\\setup.exe\""));
  EXPECT_EQ(url, L"https://www.bing.com/search?q=%22%5CDesktop%5Csetup.exe%22");
}
