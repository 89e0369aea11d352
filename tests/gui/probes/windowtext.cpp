// Reads the running browser window of another process, for checks driven
// from outside with real keys: prints "address=<the address box's text>"
// and one "view=<line>" per call the recording web view recorded.
// Exits 1 when no browser window is shown.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

// The window's text as the window itself gives it (GetWindowTextW would
// give only the title stored for a window of another process).
std::wstring TextOf(HWND h) {
  const LRESULT n = ::SendMessageW(h, WM_GETTEXTLENGTH, 0, 0);
  std::wstring s(static_cast<size_t>(n) + 1, L'\0');
  s.resize(static_cast<size_t>(::SendMessageW(h, WM_GETTEXT, s.size(), reinterpret_cast<LPARAM>(s.data()))));
  return s;
}

}  // namespace

int wmain() {
  HWND form = nullptr;
  ::EnumWindows(
      [](HWND h, LPARAM lp) CALLBACK -> BOOL {
        wchar_t cls[64] = {};
        ::GetClassNameW(h, cls, 64);
        if (std::wstring(cls) != L"LumoForm" || !::IsWindowVisible(h)) return TRUE;
        *reinterpret_cast<HWND*>(lp) = h;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&form));
  if (!form) return 1;
  std::wprintf(L"address=%ls\n", TextOf(::FindWindowExW(form, nullptr, L"ComboBox", nullptr)).c_str());
  const std::wstring view = TextOf(::FindWindowExW(form, nullptr, L"LumoRecordingWebView", nullptr));
  for (size_t start = 0, end; (end = view.find(L"\r\n", start)) != std::wstring::npos; start = end + 2)
    std::wprintf(L"view=%ls\n", view.substr(start, end - start).c_str());
  return 0;
}
