#include "util/App_AnsiText.h"

#include <windows.h>

namespace App_Strings {

std::string WideToAnsi(std::wstring_view s) {
  if (s.empty() || s.size() > 0x7FFFFFFF) return {};
  const int len = static_cast<int>(s.size());
  const int n = ::WideCharToMultiByte(CP_ACP, 0, s.data(), len, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string out(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, s.data(), len, out.data(), n, nullptr, nullptr);
  return out;
}

std::wstring AnsiToWide(std::string_view s) {
  if (s.empty() || s.size() > 0x7FFFFFFF) return {};
  const int len = static_cast<int>(s.size());
  const int n = ::MultiByteToWideChar(CP_ACP, 0, s.data(), len, nullptr, 0);
  if (n <= 0) return {};
  std::wstring out(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, s.data(), len, out.data(), n);
  return out;
}

bool IsAnsiRepresentable(std::wstring_view s) {
  if (s.empty()) return true;
  if (s.size() > 0x7FFFFFFF) return false;
  BOOL usedDefault = FALSE;
  const int n = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, s.data(), static_cast<int>(s.size()),
                                      nullptr, 0, nullptr, &usedDefault);
  return n > 0 && !usedDefault;
}

}  // namespace App_Strings
