#include "app/App_Platform.h"

App_PlatformFake& PlatformFake() {
  static App_PlatformFake* f = new App_PlatformFake();
  return *f;
}

namespace App_Platform {

FARPROC ProcAddress(const wchar_t* sModule, const char* sFunction) {
  HMODULE m = ::GetModuleHandleW(sModule);
  if (!m) m = ::LoadLibraryW(sModule);  // stays loaded for the process: system DLLs only
  return m ? ::GetProcAddress(m, sFunction) : nullptr;
}

int GetSystemMetrics(int nIndex) {
  const auto& fake = PlatformFake().SystemMetrics;
  auto it = fake.find(nIndex);
  return it != fake.end() ? it->second : ::GetSystemMetrics(nIndex);
}

}  // namespace App_Platform
