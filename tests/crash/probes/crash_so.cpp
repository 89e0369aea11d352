// Crashes on purpose with a stack overflow inside a traced call.
//   probe_crash_so.exe <temp folder>
#include <windows.h>

#include <string>

#include "app/App_Common.h"
#include "platform/App_Env.h"
#include "app/MExceptionHandler.h"
#include "diag/App_Trace.h"

namespace {

volatile int g_sink = 0;
volatile bool g_deeper = true;  // always true; the compiler cannot know

// Deep recursion with a frame the optimiser cannot remove.
int Recurse(int depth) {
  volatile char frame[4096];
  frame[0] = static_cast<char>(depth);
  frame[sizeof(frame) - 1] = frame[0];
  const int below = g_deeper ? Recurse(depth + 1) : 0;
  g_sink = g_sink + frame[sizeof(frame) - 1];
  return below + 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  App_Common::InitApp(false, L".\\");
  if (argc > 1) {
    std::wstring temp = argv[1];
    while (!temp.empty() && temp.back() == L'\\') temp.pop_back();
    AppEnv().AppPath_Temp = temp;
    AppEnv().AppPathBS_Temp = temp + L"\\";
  }
  MExceptionHandler::InstallExceptionHandler(-1);

  App_Trace t(L"Probe_Crash", L"RecurseForever");
  t.Log(L"About to run out of stack");
  int depth = 0;
  t.Step([&] { depth = Recurse(0); });
  return depth == 0 ? 1 : 2;  // never reached
}
