// Tracing and debug log: call records, events, entry texts, expected errors.
#include <windows.h>

#include <gtest/gtest.h>

#include <new>
#include <regex>

#include "diag/App_Debug.h"
#include "diag/App_Trace.h"
#include "lumo_test.h"
#include "util/App_Strings.h"
#include "util/App_Variables.h"

using namespace App_Debug;

namespace {

class Tracing : public ::testing::Test {
 protected:
  void SetUp() override { dbg.Reset(); }
  LumoDebugFixtureState dbg;
};

}  // namespace

TEST_F(Tracing, NestedCallsGetDenseIdsAndKeepTheirRecords) {
  int32_t outer = 0, inner = 0;
  {
    App_Trace a(L"Config_Class", L"LoadINI");
    outer = a.ID();
    {
      App_Trace b(L"App_Strings", L"SplitString", ptSub);
      inner = b.ID();
    }
  }
  EXPECT_EQ(inner, outer + 1);
  ASSERT_TRUE(ProcExists(outer));
  ASSERT_TRUE(ProcExists(inner));
  App_Proc* p = ProcObject(outer);
  EXPECT_EQ(p->ProcedureSource(), L"Config_Class.LoadINI");
  EXPECT_EQ(p->ProcedureType(), ptFunction);
  EXPECT_EQ(ProcObject(inner)->ProcedureType(), ptSub);
  EXPECT_EQ(p->EventCount(), 2);
  EXPECT_EQ(p->ProcedureEventObject(1).EventType, evEnterProcedure);
  EXPECT_EQ(p->ProcedureEventObject(2).EventType, evExitProcedure);
  EXPECT_EQ(p->Time_Entered(), L"0");  // flow events carry no time
  EXPECT_EQ(Counters().Entered, 2);
  EXPECT_EQ(Counters().Exited, 2);
  EXPECT_EQ(Counters().GlobalEvent, 4);
  // Global event numbers follow the order of enter and exit.
  EXPECT_EQ(ProcObject(inner)->ProcedureEventObject(1).Global_EventID, 2);
  EXPECT_EQ(ProcObject(inner)->ProcedureEventObject(2).Global_EventID, 3);
  EXPECT_EQ(p->ProcedureEventObject(2).Global_EventID, 4);
  EXPECT_FALSE(ProcExists(0));
  EXPECT_FALSE(ProcExists(inner + 1));
}

TEST_F(Tracing, MissingRecordsAreReportedAndChangeNothing) {
  dbg.Reset(true, true);
  ProcExit(99999);
  EXPECT_EQ(Counters().Exited, 0);
  EXPECT_EQ(Counters().GlobalEvent, 0);
  ASSERT_EQ(dbg.systemOutput.size(), 1u);
  EXPECT_NE(dbg.systemOutput[0].find(L"App_Debug.ProcExit.EventType=Normal.Msg=[Procedure ID [99999] does not exist!]"),
            std::wstring::npos);

  dbg.systemOutput.clear();
  ProcVar(-1, vkFunctionReturn, {true});
  ASSERT_EQ(dbg.systemOutput.size(), 1u);
  EXPECT_EQ(dbg.systemOutput[0],
            L"ProcVar:  ProcID [-1] does not exist!  Variables_FunctionReturn=[Boolean=True]");

  dbg.systemOutput.clear();
  ProcVar(-1, vkPassedByVal, {});  // nothing to record for "no call": silent
  ProcVar(4242, vkPassedByVal, {});
  ASSERT_EQ(dbg.systemOutput.size(), 1u);
  EXPECT_EQ(dbg.systemOutput[0], L"ProcVar:  ProcID [4242] does not exist!");

  // Line breaks of the variables are shown as markers.
  dbg.systemOutput.clear();
  ProcVar(77, vkCreated, {L"s", L"a\r\nb"});
  ASSERT_EQ(dbg.systemOutput.size(), 1u);
  EXPECT_EQ(dbg.systemOutput[0], L"ProcVar:  ProcID [77] does not exist!  Variables_Created=[s.String=a<CRLF>b]");

  // With the system output off nothing is sent at all.
  dbg.Reset(true, false);
  ProcVar(-1, vkFunctionReturn, {true});
  ProcExit(5);
  EXPECT_TRUE(dbg.systemOutput.empty());
}

TEST_F(Tracing, ProcVarKeepsFirstValueAndAppendsLocals) {
  App_Trace t(L"Config_Class", L"LoadFile");
  ProcVar(t.ID(), vkPassedByVal, {L"sFile", L"C:\\a.cfg"});
  ProcVar(t.ID(), vkPassedByVal, {L"sFile", L"C:\\b.cfg"});
  ProcVar(t.ID(), vkCreated, {L"lCount", 3});
  ProcVar(t.ID(), vkCreated, {L"bOK", true});
  ProcVar(t.ID(), vkFunctionReturn, {false});
  ProcVar(t.ID(), 64, {L"ignored", 1});  // a kind outside the table
  App_Proc* p = ProcObject(t.ID());
  EXPECT_EQ(p->Vars_Passed_ByVal(), L"sFile.String=C:\\a.cfg");
  EXPECT_EQ(p->Vars_Created(), L"lCount.LongInteger=3<sep>bOK.Boolean=True");
  EXPECT_EQ(p->Vars_Function_Result(), L"Boolean=False");
  EXPECT_EQ(p->Vars_Passed_ByRef(), L"");
  EXPECT_EQ(p->Vars_Returned_ByRef(), L"");
}

TEST_F(Tracing, ErrorEventsSetAndClearTheLastErrorFields) {
  App_Trace t(L"App_Registry", L"GetValue");
  App_Proc* p = ProcObject(t.ID());
  EXPECT_EQ(p->LastEvent_Error_DataPopulated(), L"False");

  const bool ran = t.Step([] { App_Err::Raise(13, L"", L"Some.Source"); });
  EXPECT_FALSE(ran);
  EXPECT_EQ(p->LastEvent_Error_DataPopulated(), L"True");
  EXPECT_EQ(p->LastEvent_Error_RT_Number(), 13);
  EXPECT_EQ(p->LastEvent_Error_RT_Desc(), L"Type mismatch");
  EXPECT_EQ(p->LastEvent_Error_RT_Source(), L"Some.Source");
  EXPECT_EQ(p->EventCount_ErrorHandler(), 1);
  EXPECT_EQ(App_Err::Pending().Number, 0);  // the log call took the error

  bool nextRan = false;
  t.Step([&] { nextRan = true; });
  EXPECT_TRUE(nextRan);

  t.Log(L"all fine again");
  EXPECT_EQ(p->LastEvent_Error_DataPopulated(), L"False");
  EXPECT_EQ(p->LastEvent_Error_RT_Number(), 0);
  EXPECT_EQ(p->LastEvent_Error_EventInfo(), L"");

  int32_t api = -1, rt = -1;
  EXPECT_TRUE(p->LastErrorEvent(api, rt));
  EXPECT_EQ(rt, 13);
  EXPECT_EQ(api, 0);
  EXPECT_EQ(p->EventCount_NonFlow(), 2);
  EXPECT_EQ(p->EventCount_By_EventType(evErrorHandler | evNormal), 2);
  EXPECT_EQ(p->EventCount_By_EventType(evEnterProcedure), 1);

  // Out of memory and other exceptions become run-time errors too.
  t.Step([] { throw std::bad_alloc(); });
  EXPECT_EQ(p->LastEvent_Error_RT_Number(), 7);
  t.Step([] { throw 42; });
  EXPECT_EQ(p->LastEvent_Error_RT_Number(), 51);
}

TEST_F(Tracing, ProcErrorAndProcAPIErrorReturnThePendingNumber) {
  App_Trace t(L"M", L"P");
  App_Err::Pending().Number = 9;
  App_Err::Pending().Description = L"Subscript out of range";
  EXPECT_EQ(ProcError(t.ID(), L"", L""), 9);
  EXPECT_EQ(ProcError(t.ID(), L"", L""), 0);

  ::SetLastError(0);
  EXPECT_EQ(ProcAPIError(t.ID(), L"nothing failed", L""), 0);
  EXPECT_EQ(ProcObject(t.ID())->EventCount_APIErrors(), 0);

  ::SetLastError(ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(ProcAPIError(t.ID(), L"CreateFileW", pVar(L"sFile", L"x")), 2);
  App_Proc* p = ProcObject(t.ID());
  EXPECT_EQ(p->EventCount_APIErrors(), 1);
  EXPECT_EQ(p->LastEvent_Error_API_Number(), 2);
  EXPECT_EQ(p->LastEvent_Error_API_Desc(), GetSystemMsg(2));
  // An APIError always found an error pending: it counts as outside the handler.
  EXPECT_TRUE(p->ProcedureEventObject(p->EventCount()).ErrorOutsideHandler);
}

TEST_F(Tracing, TypeNamesAndTimeTexts) {
  EXPECT_EQ(GetProcedureTypeAsString(1), L"Sub");
  EXPECT_EQ(GetProcedureTypeAsString(4), L"Property");
  EXPECT_EQ(GetProcedureTypeAsString(3), L"Unknown");
  EXPECT_EQ(GetProcedureTypeFromString(L"Function"), 2);
  EXPECT_EQ(GetProcedureTypeFromString(L"function"), 0);  // case matters
  EXPECT_EQ(GetProcedureTypeFromString(L" Sub"), 0);
  EXPECT_EQ(GetEventTypeAsString(32), L"APIError");
  EXPECT_EQ(GetEventTypeAsString(3), L"");

  EXPECT_EQ(PerfTimer_MakeTimePretty(3723456, true), L"01:02:03.456");
  EXPECT_EQ(PerfTimer_MakeTimePretty(3723456, false), L"01:02:03");
  EXPECT_EQ(PerfTimer_MakeTimePretty(0, true), L"00:00:00.000");
  EXPECT_EQ(PerfTimer_MakeTimePretty(999, true), L"00:00:00.999");
  EXPECT_EQ(PerfTimer_MakeTimePretty(360000000, false), L"100:00:00");

  // The timer is off: every reading is 0.
  App_Trace t(L"M", L"P");
  App_Proc* p = ProcObject(t.ID());
  EXPECT_EQ(PerfTimer_GetTime(), 0);
  EXPECT_EQ(p->Perf_GetElapsedTime(false, false), L"0");
  EXPECT_EQ(p->Perf_GetElapsedTime(true, true), L"00:00:00.000");
}

TEST_F(Tracing, PerformanceTimerMeasuresWhenSwitchedOn) {
  PerfTimer_InitValues(true);
  int32_t start = 0, end = 0;
  PerfTimer_HighRes_Start(start);
  ::Sleep(30);
  PerfTimer_HighRes_Stop(end);
  {
    App_Trace t(L"M", L"Timed");
    ::Sleep(20);
  }
  App_Proc* p = ProcObject(ProcCount());
  PerfTimer_InitValues(false);
  EXPECT_GT(start, 0);
  EXPECT_GE(end - start, 20);
  EXPECT_GE(std::stoi(p->Perf_GetElapsedTime(false, false)), 10);
}

// ---- entry texts -------------------------------------------------------------------

class EntryText : public Tracing {};

TEST_F(EntryText, ConstructDebugMsgLines) {
  const std::wstring ref = L"Config_Class.LoadINI.ProcID=42";
  EXPECT_EQ(ConstructDebugMsg(evNormal, ref, L"hello", L"", 3, 0, L"", 0, L"", L"", L"", L"", L""),
            ref + L".ProcEventID=3.EventType=Normal.Msg=[hello]");
  EXPECT_EQ(ConstructDebugMsg(evEnterProcedure, ref, L"ignored", L"x", 3, 5, L"", 0, L"", L"", L"", L"", L""),
            ref + L" [EnterProcedure]");
  EXPECT_EQ(ConstructDebugMsg(evExitProcedure, ref, L"", L"", 0, 0, L"", 0, L"", L"", L"", L"", L""),
            ref + L" [ExitProcedure]");
  // Unknown type, no event number, nothing to say.
  EXPECT_EQ(ConstructDebugMsg(64, L"-1", L"", L"", 0, 0, L"", 0, L"", L"", L"", L"", L""),
            L"-1Reserved.Msg=[No Msg Passed!]");

  // All lines in their order; variable texts mark line breaks, the message keeps them.
  const std::wstring all = ConstructDebugMsg(evErrorHandler, ref, L"line1\r\nline2", L"a.String=x\ny", 1, 234,
                                             L"More data is available.", 13, L"Type mismatch", L"Cfg",
                                             L"sFile.String=a", L"sOut.String=b", L"n.LongInteger=1");
  const std::wstring head = ref + L".ProcEventID=1.EventType=ErrorHandler";
  EXPECT_EQ(all, head + L".Msg=[line1\r\nline2]\r\n" +                                      //
                     head + L".Vars=[a.String=x<LF>y]\r\n" +                                 //
                     head + L".ArgsByVal=[sFile.String=a]\r\n" +                              //
                     head + L".ArgsByRef=[sOut.String=b]\r\n" +                               //
                     head + L".LocalVars=[n.LongInteger=1]\r\n" +                             //
                     head + L".Error=[APIErr=234 ,(Hex=EA) Desc=More data is available.]\r\n" +  //
                     head + L".Error=[RTErr=13 ,(Hex=D) Source=Cfg Desc=Type mismatch]");

  // Small numbers have no hexadecimal part; an empty system text is fetched.
  EXPECT_EQ(ConstructDebugMsg(evAPIError, L"-1", L"", L"", 0, 5, L"", 0, L"", L"", L"", L"", L""),
            L"-1.EventType=APIError.Error=[APIErr=5 Desc=" + GetSystemMsg(5) + L"]");
  EXPECT_EQ(ConstructDebugMsg(evNormal, L"-1", L"", L"", 0, 0, L"", 5, L"Invalid", L"", L"", L"", L""),
            L"-1.EventType=Normal.Error=[RTErr=5 Desc=Invalid]");
}

TEST_F(EntryText, NulCharactersAreMadeVisible) {
  std::wstring msg = L"a";
  msg.push_back(L'\0');
  msg += L"b";
  msg.append(3, L'\0');
  msg += L"c";
  EXPECT_EQ(ConstructDebugMsg(evNormal, L"-1", msg, L"", 0, 0, L"", 0, L"", L"", L"", L"", L""),
            L"-1.EventType=Normal.Msg=[a<NULL>b<M_NULL><NULL>c]");
}

TEST_F(EntryText, EntriesHaveATimedHeaderAndTheCallReference) {
  int32_t id = 0;
  {
    App_Trace t(L"Config_Class", L"LoadINI");
    id = t.ID();
    t.Log(L"Loaded", evNormal, pVar(L"lCount", 2));
  }
  dLog(-1, L"no call");
  const auto entries = PendingEntries();
  ASSERT_EQ(entries.size(), 2u);
  const std::wregex header(LR"(^\d\d:\d\d:\d\d:\d\d\d Normal Event\r\n)");
  EXPECT_TRUE(std::regex_search(entries[0], header)) << LumoNarrow(entries[0]);
  const std::wstring ref = L"Config_Class.LoadINI.ProcID=" + std::to_wstring(id);
  EXPECT_EQ(entries[0].substr(entries[0].find(L"\r\n") + 2),
            ref + L".ProcEventID=1.EventType=Normal.Msg=[Loaded]\r\n" + ref +
                L".ProcEventID=1.EventType=Normal.Vars=[lCount.LongInteger=2]");
  EXPECT_EQ(entries[1].substr(entries[1].find(L"\r\n") + 2), L"-1.EventType=Normal.Msg=[no call]");
  // The event keeps its time as hhnnssmmm.
  const App_ProcEvent e = ProcObject(id)->ProcedureEventObject(2);
  EXPECT_EQ(e.EventInfo, L"Loaded");
  EXPECT_EQ(e.Global_NonFlow_EventID, 1);
  EXPECT_EQ(e.Global_EventType_EventID, 1);
  EXPECT_LT(e.EventTime, 240000000);
}

TEST_F(EntryText, MissingCallIsMarkedErr0) {
  dbg.Reset(true, true);
  dLog(777, L"orphan");
  const auto entries = PendingEntries();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_NE(entries[0].find(L"Err-0.ProcID=777.EventType=Normal.Msg=[orphan]"), std::wstring::npos);
  bool reported = false;
  for (const auto& s : dbg.systemOutput)
    reported |= s.find(L"App_Debug.dLog.EventType=Normal.Msg=[Procedure does not exist!]") != std::wstring::npos &&
                s.find(L"ProcedureID=777") != std::wstring::npos;
  EXPECT_TRUE(reported);
}

TEST_F(EntryText, VerboseEntriesOnlyInVerboseModeErrorsAlways) {
  App_Trace t(L"M", L"P");
  t.Log(L"detail", evVerbose);
  EXPECT_EQ(ProcObject(t.ID())->EventCount_NonFlow(), 1);  // recorded in the call
  EXPECT_TRUE(PendingEntries().empty());                  // but not written
  EXPECT_TRUE(dbg.systemOutput.empty());

  t.Step([] { App_Err::Raise(5); });
  auto entries = PendingEntries();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_NE(entries[0].find(L" ErrorHandler Event\r\n"), std::wstring::npos);
  // The source "LumoBrowser" is the project itself and is not shown.
  EXPECT_NE(entries[0].find(L".Error=[RTErr=5 Desc=Invalid procedure call or argument]"), std::wstring::npos);

  dbg.Reset(true, true);
  App_Debug::DebugLog_SystemOutputPrefix = L"Lumo";
  App_Trace v(L"M", L"Q");
  v.Log(L"detail", evVerbose);
  entries = PendingEntries();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_NE(entries[0].find(L" Verbose Event\r\n"), std::wstring::npos);
  ASSERT_EQ(dbg.systemOutput.size(), 1u);
  EXPECT_EQ(dbg.systemOutput[0], L"[Lumo] M.Q.ProcID=" + std::to_wstring(v.ID()) +
                                     L".ProcEventID=1.EventType=Verbose.Msg=[detail]\r\n");
}

TEST_F(EntryText, PendingErrorsAndExpectedErrors) {
  dbg.Reset(true, false);
  App_Trace t(L"M", L"P");
  App_Proc* p = ProcObject(t.ID());

  // A run-time error pending at an ordinary log call: outside the handler.
  App_Err::Pending().Number = 13;
  App_Err::Pending().Description = L"Type mismatch";
  App_Err::Pending().Source = L"LumoBrowser";
  t.Log(L"after a failure");
  EXPECT_EQ(p->EventCount_ErrorsOutsideHandler(), 1);
  EXPECT_EQ(p->LastEvent_Error_DataPopulated(), L"True");
  EXPECT_EQ(Counters().ErrorsOutsideHandler, 1);

  // The same error listed as expected: a Verbose entry that names it.
  App_Err::Pending().Number = 13;
  App_Err::Pending().Description = L"Type mismatch";
  App_Err::Pending().Source = L"LumoBrowser";
  t.Log(L"probe", evNormal, L"", L"5,13");
  App_ProcEvent e = p->ProcedureEventObject(p->EventCount());
  EXPECT_EQ(e.EventType, evVerbose);
  EXPECT_EQ(e.EventInfo, L"probe  Expected VBError=13 Desc=Type mismatch");
  EXPECT_EQ(e.Error_RT_Number, 0);

  App_Err::Pending().Number = 9;
  App_Err::Pending().Description = L"Subscript out of range";
  App_Err::Pending().Source = L"Config_Class";
  t.Log(L"", evNormal, L"", 9);
  EXPECT_EQ(p->ProcedureEventObject(p->EventCount()).EventInfo,
            L"Expected VBError=9 Desc=Subscript out of range Source=Config_Class");

  // System error 234 expected: Verbose, with the system text.
  ::SetLastError(234);
  EXPECT_EQ(t.APIError(L"RegQueryValueExW", L"", {234}), 234);
  e = p->ProcedureEventObject(p->EventCount());
  EXPECT_EQ(e.EventType, evVerbose);
  EXPECT_EQ(e.EventInfo, L"RegQueryValueExW  Expected APIError=234 (" + GetSystemMsg(234) + L")");
  EXPECT_EQ(e.Error_API_Number, 0);
  const auto entries = PendingEntries();
  EXPECT_NE(entries.back().find(L" Verbose Event\r\n"), std::wstring::npos);
  EXPECT_NE(entries.back().find(L"Expected APIError=234 ("), std::wstring::npos);

  // Not among the expected ones: stored as the event's system error.
  ::SetLastError(5);
  t.APIError(L"RegOpenKeyExW", L"", {234});
  e = p->ProcedureEventObject(p->EventCount());
  EXPECT_EQ(e.EventType, evAPIError);
  EXPECT_EQ(e.Error_API_Number, 5);
  // An error-like entry shows the call's arguments.
  ProcVar(t.ID(), vkPassedByVal, {L"sKey", L"Software"});
  ::SetLastError(5);
  t.APIError(L"RegOpenKeyExW");
  EXPECT_NE(PendingEntries().back().find(L".ArgsByVal=[sKey.String=Software]"), std::wstring::npos);
}

TEST(SystemMessages, FetchedOnceThenCached) {
  LumoDebugFixtureState dbg;
  dbg.Reset();
  const int32_t before = GetSystemMsg_SystemCalls();
  const std::wstring a = GetSystemMsg(2);
  const std::wstring b = GetSystemMsg(2);
  EXPECT_EQ(a, b);
  EXPECT_FALSE(a.empty());
  EXPECT_EQ(a, App_Strings::Trim(a));
  EXPECT_EQ(GetSystemMsg_SystemCalls(), before + 1);
  GetSystemMsg(2, false, true);  // refresh asks again
  EXPECT_EQ(GetSystemMsg_SystemCalls(), before + 2);
  EXPECT_EQ(GetSystemMsg(2, false, false, true), L"[2=" + a + L"]");
  EXPECT_EQ(GetSystemMsg(0x2FFFFFF0), L"FormatMessageW failure (lRet=0) Could not retrieve message from system!");
}

TEST(ExpectedNumbers, ParsesListsAndSingleNumbers) {
  EXPECT_FALSE(App_ErrNumbers().Given());
  EXPECT_FALSE(App_ErrNumbers(L"").Given());
  App_ErrNumbers list(L" 5, 13 ,x, 234");
  EXPECT_TRUE(list.Given());
  EXPECT_TRUE(list.Contains(5));
  EXPECT_TRUE(list.Contains(234));
  EXPECT_FALSE(list.Contains(2));
  EXPECT_TRUE(App_ErrNumbers(-2147024891).Contains(0x80070005u));
}
