// The yardstick of the start-up benchmark: the least window of this kind,
// with nothing of the program in it. It has the program's manifest (common
// controls 6), a menu bar, the address box and the four buttons at the
// program's size, shows itself and paints; no settings, no trace, no
// background picture. Whatever it takes under Wine, the program cannot take
// less.
#include <windows.h>

namespace {

LRESULT CALLBACK WindowProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_DESTROY) {
    ::PostQuitMessage(0);
    return 0;
  }
  return ::DefWindowProcW(h, msg, wp, lp);
}

}  // namespace

int wmain() {
  const HINSTANCE inst = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{sizeof(wc)};
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = &WindowProc;
  wc.hInstance = inst;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = L"LumoBenchWindow";
  ::RegisterClassExW(&wc);
  HMENU bar = ::CreateMenu();
  HMENU repair = ::CreatePopupMenu();
  ::AppendMenuW(repair, MF_STRING, 1, L"Release / Renew IP");
  ::AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(repair), L"Networking");
  HWND h = ::CreateWindowExW(WS_EX_APPWINDOW, wc.lpszClassName, L"Lumo Web Browser",
                             WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT, 825, 623,
                             nullptr, bar, inst, nullptr);
  const DWORD child = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
  ::CreateWindowExW(0, L"BUTTON", L"<", child, 8, 8, 32, 26, h, nullptr, inst, nullptr);
  ::CreateWindowExW(0, L"BUTTON", L">", child, 40, 8, 32, 26, h, nullptr, inst, nullptr);
  ::CreateWindowExW(0, L"COMBOBOX", L"", child | CBS_DROPDOWN | WS_VSCROLL, 80, 8, 608, 200, h, nullptr, inst,
                    nullptr);
  ::CreateWindowExW(0, L"BUTTON", L"Go", child | BS_DEFPUSHBUTTON, 696, 8, 48, 26, h, nullptr, inst, nullptr);
  ::CreateWindowExW(0, L"BUTTON", L"Search", child, 744, 8, 64, 26, h, nullptr, inst, nullptr);
  ::ShowWindow(h, SW_SHOWNORMAL);
  ::UpdateWindow(h);
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return 0;
}
