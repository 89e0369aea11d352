// Reads the running browser window of another process, for checks driven
// from outside with real keys: prints "address=<the address box's text>"
// and one "view=<line>" per call the recording web view recorded.
// Exits 1 when no browser window is shown.
#include <windows.h>

#include <cstdio>
#include <string>

#include "gui/gui_driver.h"

int wmain() {
  HWND form = gui::VisibleForm();
  if (!form) return 1;
  std::wprintf(L"address=%ls\n", gui::TextOf(::FindWindowExW(form, nullptr, L"ComboBox", nullptr)).c_str());
  const std::wstring view = gui::TextOf(::FindWindowExW(form, nullptr, L"LumoRecordingWebView", nullptr));
  for (size_t start = 0, end; (end = view.find(L"\r\n", start)) != std::wstring::npos; start = end + 2)
    std::wprintf(L"view=%ls\n", view.substr(start, end - start).c_str());
  return 0;
}
