// A stand-in process for the process-query tests.
//   procprobe sleep <ms>   prints "ready", waits, then exits (the tests end
//                          it earlier)
//   procprobe parent       prints "<parent id>|<parent's executable>" as the
//                          start-up check finds them for its own process
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "app/App_Env.h"
#include "process/App_Processes.h"

int wmain(int argc, wchar_t** argv) {
  const std::wstring mode = argc > 1 ? argv[1] : L"sleep";
  if (mode == L"parent") {
    AppEnv().AppInst_ProcessID = ::GetCurrentProcessId();
    const uint32_t parent = App_Processes::GetParentPID(::GetCurrentProcessId());
    const std::wstring path = App_Processes::GetPathFromPID(parent, true);
    std::wprintf(L"%lu|%ls", static_cast<unsigned long>(parent), path.c_str());
    std::fflush(stdout);
    return 0;
  }
  // Its loader is done once it runs here: tell the test it can be asked.
  std::fputs("ready\n", stdout);
  std::fflush(stdout);
  ::Sleep(argc > 2 ? static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)) : 60000);
  return 0;
}
