#include "platform/App_Platform.h"

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

FARPROC ProcAddress(const wchar_t* sModule, const char* sFunction) {
  HMODULE m = ::GetModuleHandleW(sModule);
  if (!m) {
    // Loaded by full path and kept for the process: system DLLs only.
    const std::wstring sFull = SystemFolder() + L"\\" + sModule;
    m = ::LoadLibraryW(sFull.c_str());
  }
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

}  // namespace App_Platform
