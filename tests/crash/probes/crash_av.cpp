// Crashes on purpose: a traced call reads through a null pointer with the
// crash filter installed, as the program would after start-up.
//   probe_crash_av.exe <temp folder> [marker]
// The temp folder becomes AppPath_Temp; the marker is added to the line the
// probe logs just before the fault, so a test can tell its report apart.
#include <windows.h>

#include <string>

#include "app/App_Common.h"
#include "platform/App_Env.h"
#include "app/MExceptionHandler.h"
#include "diag/App_Trace.h"

namespace {
volatile int* volatile g_nowhere = nullptr;
}

int wmain(int argc, wchar_t** argv) {
  App_Common::InitApp(false, L".\\");
  if (argc > 1) {
    std::wstring temp = argv[1];
    while (!temp.empty() && temp.back() == L'\\') temp.pop_back();
    AppEnv().AppPath_Temp = temp;
    AppEnv().AppPathBS_Temp = temp + L"\\";
  }
  MExceptionHandler::InstallExceptionHandler(-1);

  App_Trace outer(L"Probe_Crash", L"Outer");
  { App_Trace closed(L"Probe_Crash", L"AlreadyClosed"); }
  App_Trace t(L"Probe_Crash", L"ReadNothing");
  std::wstring line = L"About to read through a null pointer";
  if (argc > 2) line += std::wstring(L" ") + argv[2];
  t.Log(line);
  int value = 0;
  // The step guard catches the program's errors, not processor exceptions:
  // this one goes to the crash filter.
  t.Step([&] { value = *g_nowhere; });
  return value == 0 ? 1 : 2;  // never reached
}
