// A stand-in process for the process-query tests.
//   procprobe sleep <ms>   prints "ready", waits, then exits (the tests end
//                          it earlier)
//   procprobe exit         ends at once with exit code 0
//   procprobe parent       prints "<parent id>|<parent's executable>" as the
//                          start-up check finds them for its own process
//   procprobe bare <file>  starts Windows' tools by bare name, as the network
//                          repair does, from wherever it was copied to:
//                          through ShellX, RunX and ShellExW; cmd's current
//                          folder goes to <file>
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "platform/App_Env.h"
#include "process/App_Processes.h"
#include "process/App_RunX.h"

int wmain(int argc, wchar_t** argv) {
  const std::wstring mode = argc > 1 ? argv[1] : L"sleep";
  if (mode == L"exit") return 0;
  if (mode == L"parent") {
    AppEnv().AppInst_ProcessID = ::GetCurrentProcessId();
    const uint32_t parent = App_Processes::GetParentPID(::GetCurrentProcessId());
    const std::wstring path = App_Processes::GetPathFromPID(parent, true);
    std::wprintf(L"%lu|%ls", static_cast<unsigned long>(parent), path.c_str());
    std::fflush(stdout);
    return 0;
  }
  if (mode == L"bare" && argc > 2) {
    const std::wstring out = argv[2];
    uint32_t code = 0;
    App_RunX::ShellX(L"cmd.exe",
                     L"/c netsh.exe interface ip show config & ipconfig.exe /all & cd > \"" + out + L"\"",
                     true, 0, code);
    App_RunX::RunX(L"cmd.exe", L"/c ipconfig.exe /all", true, false, 20000, SW_HIDE);
    App_RunX::ShellExW(L"netsh.exe", L"help", SW_HIDE, false, true);
    ::Sleep(500);  // the shell start is not waited for
    return 0;
  }
  // Its loader is done once it runs here: tell the test it can be asked.
  std::fputs("ready\n", stdout);
  std::fflush(stdout);
  ::Sleep(argc > 2 ? static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)) : 60000);
  return 0;
}
