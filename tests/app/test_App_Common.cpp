// Start-up switches: the service start, NeverLoadForms, the argument string,
// the generated labels and InitApp's first log lines; COM and the orderly
// stop.
#include <gtest/gtest.h>
#include <objbase.h>

#include <thread>
#include <utility>

#include "app/App_Common.h"
#include "diag/App_Debug.h"
#include "lumo_probe.h"
#include "platform/App_COMInit.h"

using namespace App_Common;

TEST(StartUp, ServiceArgumentsNeedADollarAndOneMoreCharacter) {
  EXPECT_TRUE(IsServiceArgs(L"$x"));
  EXPECT_TRUE(IsServiceArgs(L"  $svc  "));
  EXPECT_FALSE(IsServiceArgs(L"$"));
  EXPECT_FALSE(IsServiceArgs(L" $ "));
  EXPECT_FALSE(IsServiceArgs(L"x$"));
  EXPECT_FALSE(IsServiceArgs(L""));
}

TEST(StartUp, ArgumentsAreTheCommandLineWithoutTheProgram) {
  EXPECT_EQ(ArgsFromCommandLine(L"\"C:\\Kit\\Lumo Browser.exe\" /s=disk cleanup"), L"/s=disk cleanup");
  EXPECT_EQ(ArgsFromCommandLine(L"C:\\Kit\\LumoBrowser.exe   \"a b\" c"), L"\"a b\" c");
  EXPECT_EQ(ArgsFromCommandLine(L"LumoBrowser.exe"), L"");
  EXPECT_EQ(ArgsFromCommandLine(L"\"unterminated quote"), L"");
  EXPECT_EQ(ArgsFromCommandLine(L""), L"");
}

TEST(StartUp, InitAppLogsTheNewInstanceAndKeepsFormsAllowed) {
  InitApp(false, L".\\");
  // This test program was started without "$" arguments.
  EXPECT_FALSE(HasServiceArgs());
  EXPECT_FALSE(NeverLoadForms());
  const std::wstring log = App_Debug::DebugLogPending();
  EXPECT_NE(log.find(L" --== New Instance [LumoBrowser] ==--\r\n\r\n"), std::wstring::npos);
  EXPECT_NE(log.find(L"Instance Details:  ["), std::wstring::npos);
  EXPECT_NE(log.find(L"test_app.exe] started with parameters ["), std::wstring::npos);
  EXPECT_NE(log.find(L"]\r\n--------\r\n\r\n"), std::wstring::npos);
  // An ordinary build: the debug switches stay off.
  EXPECT_FALSE(App_Debug::DebugLog_Verbose);
  EXPECT_FALSE(App_Debug::DebugLog_SystemOutput);

  // The labels are in place: entries read as the program writes them.
  EXPECT_EQ(App_Debug::ConstructDebugMsg(evNormal, L"-1", L"m", L"", 0, 0, L"", 0, L"", L"", L"", L"", L""),
            L"-1.EventType=Normal.Msg=[m]");
  for (int i = 0; i < 12; ++i) EXPECT_FALSE(GeneratedVar(i).empty()) << i;
}

TEST(StartUp, NeverLoadFormsKeepsItsFirstValue) {
  SetNeverLoadForms(false);  // InitApp above already set it: ignored either way
  SetNeverLoadForms(true);
  EXPECT_FALSE(NeverLoadForms());
}

// OLE is made once for the process and undone once, by the thread that
// made it; on a thread already in the other threading model it cannot be
// had, and then there is nothing to undo.
TEST(StartUp, OLEIsMadeOnceAndUndoneOnce) {
  std::thread([] {
    EXPECT_TRUE(Init_OLE_COM());
    EXPECT_TRUE(Init_OLE_COM());
    Uninit_OLE_COM();
    EXPECT_EQ(::CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK) << "OLE was left initialised";
    EXPECT_FALSE(Init_OLE_COM());
    Uninit_OLE_COM();
    EXPECT_EQ(::CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE) << "a failed start was undone";
    ::CoUninitialize();
    ::CoUninitialize();
  }).join();
}

// The orderly stop with its clean-up releases what start-up and the later
// callers made, then ends with the code asked for; without one, with 0
// (never the STILL_ACTIVE a running process reports).
TEST(StartUp, TerminateAppCleansUpAndEndsWithItsCode) {
  for (const auto& [arg, code] : {std::pair{L"7", 7u}, std::pair{L"0", 0u}}) {
    const LumoProbeResult r = LumoRunProbe(L"\"" + LumoTestDir() + L"probe_startup.exe\" --terminate " + arg);
    EXPECT_EQ(r.ExitCode, code) << r.Output;
    EXPECT_NE(r.Output.find("Terminating: ole=1 shell32=1"), std::string::npos) << r.Output;
  }
}
