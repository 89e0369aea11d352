// Start-up switches: the service start, NeverLoadForms, the argument string,
// the generated labels and InitApp's first log lines.
#include <gtest/gtest.h>

#include "app/App_Common.h"
#include "diag/App_Debug.h"

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
