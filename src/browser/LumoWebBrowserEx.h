// Search engines and URL encoding (module LumoWebBrowserEx): turns search
// text into a search URL. A search URL is always built the same way:
//
//   GetSearchEngineURL(name) + EncodeStringToURL(WebSearchFileFilter(text))
//
// The engine is chosen by the setting "SearchEngine.Name" ("Google" when it
// is empty or unknown); the "Custom" engine takes its whole prefix from
// "SearchEngine.URL". The choice is written to the store as a setting of
// LumoBrowser.cfg and lasts for this run (the store is never saved).
//
// The engine table and the path filter are plain text logic (no system
// calls); the public routines around them are traced.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace LumoWebBrowserEx {

// The setting names.
inline constexpr std::wstring_view kSettingEngineName = L"SearchEngine.Name";
inline constexpr std::wstring_view kSettingEngineURL = L"SearchEngine.URL";
// The store file the engine choice belongs to.
inline constexpr std::wstring_view kEngineCfgFile = L"LumoBrowser.cfg";

// The engine names.
inline constexpr std::wstring_view kEngineCustom = L"Custom";
inline constexpr std::wstring_view kEngineDefault = L"Google";

// One built-in engine: its exact name and its URL prefix (the encoded
// query text is appended directly after the prefix).
struct SearchEngine {
  std::wstring_view Name;
  std::wstring_view Prefix;
};

// The built-in engines, in the order names and prefixes are looked up.
// Name to prefix and prefix to name both read this one table.
inline constexpr std::array<SearchEngine, 6> kBuiltInEngines{{
    {L"Bing", L"https://www.bing.com/search?q="},
    {L"DuckDuckGo", L"https://duckduckgo.com/?q="},
    {L"Google", L"http://www.google.com/search?q="},
    {L"Google (English)", L"http://www.google.com/search?hl=en&q="},
    {L"Google (Encrypted)", L"https://encrypted.google.com/search?aq=f&ie=UTF-8&q="},
    {L"Google (Encrypted/English)", L"https://encrypted.google.com/search?hl=en&aq=f&ie=UTF-8&q="},
}};

// The prefix of a built-in engine by its exact (case-sensitive) name; empty
// when the name is not a built-in one ("Custom" included).
std::wstring_view BuiltInPrefix(std::wstring_view sName);
// The name of the built-in engine whose prefix equals sPrefix exactly;
// "Custom" when none does.
std::wstring_view EngineNameForPrefix(std::wstring_view sPrefix);

// The path filter without tracing: drops a drive (a colon within the first
// 7 characters) and the user's folder below "\Users\" or "\Documents and
// Settings\"; a leading double quote is kept.
std::wstring FilterSearchText(std::wstring_view sText);

// ---- traced routines ----

// The URL prefix of the named engine. An empty sEngineName is replaced by
// the configured engine's name. An unknown (or empty) name becomes "Google"
// in sEngineName and in the store, which then holds no "SearchEngine.URL".
std::wstring GetSearchEngineURL(std::wstring& sEngineName);

// Chooses the engine whose prefix is sURL ("Custom" with sURL as its
// prefix when no built-in one matches; "Google" for an empty sURL).
void SetSearchEngineURL(std::wstring_view sURL);

// FilterSearchText, traced. Used on every search text.
std::wstring WebSearchFileFilter(std::wstring_view sText);

// The text's bytes in the ANSI code page, URL-encoded ("%XX" for every
// byte a query value may not hold). Empty text, or a failing encoder, gives
// empty text.
std::wstring EncodeStringToURL(std::wstring_view sText);

}  // namespace LumoWebBrowserEx
