#include "fs/App_FilePath.h"

#include "util/App_Strings.h"

namespace App_FilePath {

namespace {
// Replaces up to four occurrences of sFrom by sTo (exact case).
void ReplacePrefixForm(std::wstring& s, std::wstring_view sFrom, std::wstring_view sTo) {
  size_t pos = 0;
  for (int i = 0; i < 4; ++i) {
    pos = s.find(sFrom, pos);
    if (pos == std::wstring::npos) break;
    s.replace(pos, sFrom.size(), sTo);
    pos += sTo.size();
  }
}
}  // namespace

void PrepPathForUnicodeAPI(std::wstring& sPath, bool bAddTrailingBackslash) {
  App_Strings::TrimNull(sPath, true);
  if (sPath.size() >= 2 && sPath.front() == L'"' && sPath.back() == L'"') sPath = sPath.substr(1, sPath.size() - 2);
  if (!sPath.empty() && sPath.find(L'\\') != std::wstring::npos) {
    if (bAddTrailingBackslash && sPath.back() != L'\\') sPath.push_back(L'\\');
    const std::wstring_view p(sPath);
    const std::wstring_view p8 = p.substr(0, 8), p4 = p.substr(0, 4);
    if (p8 == L"\\\\?\\UNC\\") {
    } else if (App_Strings::EqualText(p8, L"\\\\?\\UNC\\", false)) {
      sPath.replace(0, 8, L"\\\\?\\UNC\\");
    } else if (p4 == L"\\\\?\\") {
    } else if (p.substr(0, 2) == L"\\\\") {
      const size_t first = sPath.find_first_not_of(L'\\');
      sPath = L"\\\\?\\UNC\\" + (first == std::wstring::npos ? std::wstring() : sPath.substr(first));
    } else if (p4 == L"\\??\\") {
      ReplacePrefixForm(sPath, L"\\??\\", L"\\\\?\\");
    } else if (p4 == L"\\\\.\\") {
      ReplacePrefixForm(sPath, L"\\\\.\\", L"\\\\?\\");
    } else {
      sPath.insert(0, L"\\\\?\\");
    }
  }
  sPath.push_back(L'\0');
}

}  // namespace App_FilePath
