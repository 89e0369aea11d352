// Search engines and URL encoding (module LumoWebBrowserEx).
#include "browser/LumoWebBrowserEx.h"

#include "config/Config_Class.h"
#include "diag/App_Trace.h"
#include "hosted/ChilkatCrypt2.h"
#include "util/App_Strings.h"

namespace LumoWebBrowserEx {

namespace {

constexpr std::wstring_view kModule = L"LumoWebBrowserEx";

// The profile folders whose next path element (the user's own folder) never
// reaches a search engine.
constexpr std::wstring_view kUsersFolder = L"\\Users\\";
constexpr std::wstring_view kOldProfilesFolder = L"\\Documents and Settings\\";

// How far into the text a drive's colon may stand.
constexpr size_t kDriveColonWindow = 7;

// When sText starts with sFolder (ignoring case), drops it and the path
// element after it, and puts a backslash in front of the rest. A name with
// nothing after it keeps the name: "\Users\bob" becomes "\bob".
void DropProfileFolder(std::wstring& sText, std::wstring_view sFolder) {
  if (sText.size() < sFolder.size()) return;
  if (!App_Strings::EqualText(std::wstring_view(sText).substr(0, sFolder.size()), sFolder, false))
    return;
  std::wstring rest = sText.substr(sFolder.size());
  const size_t slash = rest.find(L'\\');
  if (slash != std::wstring::npos) rest.erase(0, slash + 1);
  sText = L"\\" + rest;
}

}  // namespace

std::wstring_view BuiltInPrefix(std::wstring_view sName) {
  for (const SearchEngine& e : kBuiltInEngines)
    if (e.Name == sName) return e.Prefix;
  return {};
}

std::wstring_view EngineNameForPrefix(std::wstring_view sPrefix) {
  for (const SearchEngine& e : kBuiltInEngines)
    if (e.Prefix == sPrefix) return e.Name;
  return kEngineCustom;
}

std::wstring FilterSearchText(std::wstring_view sText) {
  std::wstring s(sText);
  // A quoted path: look behind the opening quote, put it back at the end.
  const bool bQuoted = !s.empty() && s.front() == L'"';
  if (bQuoted) s.erase(0, 1);

  // Drive (or any short label ending in a colon).
  const size_t colon = s.find(L':');
  if (colon != std::wstring::npos && colon < kDriveColonWindow) {
    const bool bKeepQuote = !s.empty() && s.front() == L'"';
    s.erase(0, colon + 1);
    if (bKeepQuote) s.insert(s.begin(), L'"');
  }

  DropProfileFolder(s, kUsersFolder);
  DropProfileFolder(s, kOldProfilesFolder);

  if (bQuoted) s.insert(s.begin(), L'"');
  return s;
}

std::wstring GetSearchEngineURL(std::wstring& sEngineName) {
  App_Trace t(kModule, L"GetSearchEngineURL");
  t.Vars(vkPassedByRef, {L"sEngineName", sEngineName});
  std::wstring sURL;
  t.Step([&] {
    if (sEngineName.empty()) sEngineName = Cfg().GetString(kSettingEngineName);
  });
  t.Step([&] {
    if (sEngineName == kEngineCustom) {
      sURL = Cfg().GetString(kSettingEngineURL);
      return;
    }
    const std::wstring_view prefix = BuiltInPrefix(sEngineName);
    if (!prefix.empty()) {
      sURL = prefix;
      return;
    }
    // Unknown or empty: fall back to the default engine and correct the store.
    sEngineName = kEngineDefault;
    sURL = BuiltInPrefix(kEngineDefault);
    SetSearchEngineURL(sURL);
  });
  t.Vars(vkReturnedByRef, {L"sEngineName", sEngineName});
  t.Vars(vkFunctionReturn, {sURL});
  return sURL;
}

void SetSearchEngineURL(std::wstring_view sURL) {
  App_Trace t(kModule, L"SetSearchEngineURL", ptSub);
  t.Vars(vkPassedByVal, {L"sURL", sURL});
  t.Step([&] {
    Config_Class& cfg = Cfg();
    const std::wstring_view name = sURL.empty() ? kEngineDefault : EngineNameForPrefix(sURL);
    cfg.SetString(kSettingEngineName, name, false, true, kEngineCfgFile, false);
    if (!sURL.empty() && name == kEngineCustom)
      cfg.SetString(kSettingEngineURL, sURL, false, true, kEngineCfgFile, false);
    else
      cfg.WipeSetting(kSettingEngineURL, -1, true);
  });
}

std::wstring WebSearchFileFilter(std::wstring_view sText) {
  App_Trace t(kModule, L"WebSearchFileFilter");
  t.Vars(vkPassedByVal, {L"sText", sText});
  std::wstring sResult;
  t.Step([&] { sResult = FilterSearchText(sText); });
  t.Vars(vkFunctionReturn, {sResult});
  return sResult;
}

std::wstring EncodeStringToURL(std::wstring_view sText) {
  App_Trace t(kModule, L"EncodeStringToURL");
  t.Vars(vkPassedByVal, {L"sText", sText});
  std::wstring sResult;
  if (!sText.empty()) {
    t.Step([&] {
      ChilkatCrypt2 crypt;
      sResult = crypt.EncodeString(sText, L"ansi", L"url");
      if (!crypt.LastMethodSuccess()) {
        t.Log(L"EncodeString failed: " + crypt.LastErrorText());
        sResult.clear();
      }
    });
  }
  t.Vars(vkFunctionReturn, {sResult});
  return sResult;
}

}  // namespace LumoWebBrowserEx
