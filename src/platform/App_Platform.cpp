#include "platform/App_Platform.h"

#include <delayimp.h>

App_PlatformFake& PlatformFake() {
  static App_PlatformFake* f = new App_PlatformFake();
  return *f;
}

namespace App_Platform {

namespace {

std::wstring FolderFrom(UINT(WINAPI* query)(LPWSTR, UINT)) {
  wchar_t buf[MAX_PATH + 1] = {};
  const UINT n = query(buf, MAX_PATH + 1);
  std::wstring s = (n > 0 && n <= MAX_PATH) ? std::wstring(buf, n) : std::wstring();
  while (!s.empty() && s.back() == L'\\') s.pop_back();
  return s;
}

}  // namespace

std::wstring SystemFolder() {
  return FolderFrom(::GetSystemDirectoryW);
}
std::wstring WindowsFolder() {
  return FolderFrom(::GetWindowsDirectoryW);
}

HMODULE LoadSystemLibrary(const wchar_t* sModule) {
  const std::wstring sFull = SystemFolder() + L"\\" + sModule;
  return ::LoadLibraryW(sFull.c_str());
}

FARPROC ProcAddress(const wchar_t* sModule, const char* sFunction) {
  HMODULE m = ::GetModuleHandleW(sModule);
  if (!m) m = LoadSystemLibrary(sModule);  // kept for the process
  return m ? ::GetProcAddress(m, sFunction) : nullptr;
}

uint32_t TickCount() {
  return static_cast<uint32_t>(::GetTickCount()) + PlatformFake().TickCountOffset;
}

void RemoveCurrentFolderFromDllSearch() {
  using Fn = BOOL(WINAPI*)(LPCWSTR);
  if (const Fn setDllDirectory = Proc<Fn>(L"kernel32.dll", "SetDllDirectoryW")) setDllDirectory(L"");
}

int GetSystemMetrics(int nIndex) {
  const auto& fake = PlatformFake().SystemMetrics;
  auto it = fake.find(nIndex);
  return it != fake.end() ? it->second : ::GetSystemMetrics(nIndex);
}

int ScreenDpi(int lIndex) {
  static int dpi[2] = {0, 0};
  int& d = dpi[lIndex == LOGPIXELSX ? 0 : 1];
  if (d == 0) {
    HDC dc = ::GetDC(nullptr);
    d = dc ? ::GetDeviceCaps(dc, lIndex) : 96;
    if (dc) ::ReleaseDC(nullptr, dc);
    if (d <= 0) d = 96;
  }
  return d;
}

}  // namespace App_Platform

// The window's DLLs are delay-loaded (CMakeLists.txt): the first call into
// one loads it. Left to itself that load searches the program's own folder
// first, where a DLL of the same name would be taken; the hook loads each one
// by its full path in the system folder instead. comctl32 is the exception:
// its version 6 comes from the side-by-side store that the manifest names.
// Only kernel32 is called here: the hook runs inside another DLL's first call.
FARPROC WINAPI App_DelayLoadHook(unsigned dliNotify, PDelayLoadInfo pdli) {
  if (dliNotify != dliNotePreLoadLibrary || !pdli || !pdli->szDll) return nullptr;
  if (::lstrcmpiA(pdli->szDll, "comctl32.dll") == 0) return nullptr;
  wchar_t name[MAX_PATH] = {};
  if (::MultiByteToWideChar(CP_ACP, 0, pdli->szDll, -1, name, MAX_PATH) <= 0) return nullptr;
  return reinterpret_cast<FARPROC>(App_Platform::LoadSystemLibrary(name));
}

extern "C" {
PfnDliHook __pfnDliNotifyHook2 = App_DelayLoadHook;
}

