// The launcher against real child processes under Wine: exit codes, time
// limits, waits that keep the window alive and keep a WM_QUIT, the batch and
// control-panel rewrites, bare names that must be Windows' own tools, long
// and non-ANSI paths, and the creation-flag settings.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <thread>

#include "app/App_Common.h"
#include "config/Config_Class.h"
#include "forms/App_InvForm.h"
#include "fs/App_FilePath.h"
#include "fs/App_ShellFileOps.h"
#include "lumo_files.h"
#include "lumo_probe.h"
#include "lumo_test.h"
#include "platform/App_Env.h"
#include "platform/App_Platform.h"
#include "process/App_Processes.h"
#include "process/App_RunX.h"

using App_RunX::RunX;
using App_RunX::RxResult;

namespace {

std::wstring Scratch(const wchar_t* sName) {
  wchar_t tmp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, tmp);
  std::wstring dir =
      std::wstring(tmp) + L"lumo_rx_" + sName + L"_" + std::to_wstring(::GetCurrentProcessId());
  LumoRemoveTree(dir);
  ::CreateDirectoryW(dir.c_str(), nullptr);
  return dir;
}

// Creates every folder of a full path, long ones included.
void MakeDirs(const std::wstring& sDir) {
  for (size_t pos = sDir.find(L'\\', 3);; pos = sDir.find(L'\\', pos + 1)) {
    ::CreateDirectoryW(LumoLongPath(sDir.substr(0, pos)).c_str(), nullptr);
    if (pos == std::wstring::npos) break;
  }
}

// The recording stand-in program copied to sDir\sName.
std::wstring PlaceSink(const std::wstring& sDir, const wchar_t* sName = L"sink.exe") {
  MakeDirs(sDir);
  const std::wstring exe = sDir + L"\\" + sName;
  EXPECT_TRUE(::CopyFileW((LumoTestDir() + L"probe_urlsink.exe").c_str(), LumoLongPath(exe).c_str(), FALSE));
  return exe;
}

void EndProcess(uint32_t lPID) {
  if (HANDLE h = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, lPID)) {
    ::TerminateProcess(h, 0);
    ::WaitForSingleObject(h, 5000);
    ::CloseHandle(h);
  }
}

struct RunXTest : ::testing::Test {
  void SetUp() override { dbg.Reset(); }
  // A shell start loads the invisible form when no form is open, and its
  // unload, as the last form's, ends the message loop: that WM_QUIT is not
  // the next test's.
  void TearDown() override {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
  }
  LumoDebugFixtureState dbg;
};

}  // namespace

TEST_F(RunXTest, WaitsForTheExitCodeOfRealChildren) {
  const std::wstring dir = Scratch(L"codes") + L"\\with space";
  const std::wstring exe = PlaceSink(dir);
  // 259 is an exit code like any other: the wait ends on the process, not on the code.
  for (const uint32_t code : {0u, 1u, 259u, 0xC0000005u}) {
    const std::wstring args = L"/exit=" + std::to_wstring(code);
    const DWORD start = ::GetTickCount();
    const RxResult r = RunX(exe, args, true, false, 20000, SW_HIDE);
    EXPECT_LT(::GetTickCount() - start, 10000u) << code;
    EXPECT_TRUE(r.Process_Create_Success) << code;
    EXPECT_EQ(r.Process_Exit_Code, code);
    EXPECT_FALSE(r.Error_Exit_Timeout_Reached) << code;
    EXPECT_FALSE(r.Error_Sent_To_ShellX) << code;
    EXPECT_NE(r.Process_ID, 0u);
    EXPECT_NE(r.Process_Thread_ID, 0u);
    EXPECT_EQ(r.Process_Creation_Flags, 0x6000000u);
  }
  // The file name is quoted because of its folder's blank only when it has one itself;
  // a path given in quotes is the same path, never split.
  const RxResult quoted = RunX(L"\"" + exe + L"\"", L"/exit=6", true, false, 0, SW_SHOWDEFAULT);
  EXPECT_EQ(quoted.Process_Exit_Code, 6u);
  EXPECT_EQ(quoted.ShowType_Passed, SW_SHOWDEFAULT);
  const std::string log = LumoReadBytes(dir + L"\\urlsink.log");
  EXPECT_NE(log.find("sink.exe /exit=259\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("sink.exe /exit=6\r\n"), std::string::npos) << log;
  // The child runs in its own folder.
  const std::string cwd = LumoReadBytes(dir + L"\\urlsink.cwd");
  EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(cwd.data()), cwd.size() / 2), dir);

  // A missing file: reported, no shell fallback, no wait.
  const RxResult missing = RunX(dir + L"\\missing.exe", L"", true, false, 0, SW_HIDE);
  EXPECT_TRUE(missing.Error_File_Not_Found);
  EXPECT_FALSE(missing.Error_Sent_To_ShellX);
  EXPECT_FALSE(missing.Process_Create_Success);
  LumoRemoveTree(Scratch(L"codes"));
}

TEST_F(RunXTest, TimeOutAndNoWaitLeaveTheChildRunning) {
  const std::wstring dir = Scratch(L"timeout");
  const std::wstring exe = PlaceSink(dir);
  const DWORD start = ::GetTickCount();
  const RxResult r = RunX(exe, L"/sleep=20000", true, false, 1000, SW_HIDE);
  const DWORD took = ::GetTickCount() - start;
  EXPECT_GE(took, 900u);
  EXPECT_LT(took, 5000u);
  EXPECT_TRUE(r.Error_Exit_Timeout_Reached);
  EXPECT_EQ(r.Error_Timeout_Msg, L"WAIT_TIMEOUT");
  EXPECT_EQ(r.Process_Exit_Code, 259u);
  EXPECT_TRUE(App_Processes::IsProcessRunningByPID(r.Process_ID));
  EXPECT_TRUE(LumoLogHas(L"(Process Timeout/STILL_ACTIVE) WaitForSingleObject=WAIT_TIMEOUT [ACTIVE PID=" +
                         std::to_wstring(r.Process_ID) + L"] for [" + exe + L"]"));
  EndProcess(r.Process_ID);

  const RxResult nowait = RunX(exe, L"/sleep=20000", false, false, 0, SW_HIDE);
  EXPECT_EQ(nowait.Process_Exit_Code, 259u);
  EXPECT_EQ(LumoLogCount(L"Aborting WaitForExit; Flag Not Specified"), 1);
  EXPECT_EQ(LumoLogCount(L"Aborting WaitForInit; Flag Not Specified"), 1);
  EndProcess(nowait.Process_ID);
  LumoRemoveTree(dir);
}

namespace {

int g_handled = 0;
LRESULT CALLBACK CountingProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_APP) ++g_handled;
  return ::DefWindowProcW(h, m, w, l);
}

}  // namespace

TEST_F(RunXTest, WaitsHandleMessagesAndKeepAQuit) {
  const std::wstring dir = Scratch(L"pump");
  const std::wstring exe = PlaceSink(dir);
  HWND wnd = LumoMessageWindow(L"LumoRunXPump", CountingProc);
  ASSERT_NE(wnd, nullptr);

  // A message posted while the child runs is handled before the wait ends.
  g_handled = 0;
  std::thread poster([wnd] {
    ::Sleep(300);
    ::PostMessageW(wnd, WM_APP, 0, 0);
  });
  const RxResult r = RunX(exe, L"/sleep=1500", true, false, 0, SW_HIDE);
  poster.join();
  EXPECT_EQ(g_handled, 1);
  EXPECT_EQ(r.Process_Exit_Code, 0u);

  // A quit during the wait ends it at once and stays queued; the child goes on.
  for (const bool bShellPlain : {false, true}) {
    ::PostQuitMessage(7);
    const DWORD start = ::GetTickCount();
    uint32_t lPID = 0, lExit = 99;
    if (bShellPlain) {
      EXPECT_FALSE(App_RunX::ShellPlain(exe, L"/sleep=20000", true, SW_HIDE, 0, lPID, lExit));
      EXPECT_EQ(lExit, 0u);
    } else {
      const RxResult q = RunX(exe, L"/sleep=20000", true, false, 0, SW_HIDE);
      EXPECT_EQ(q.Process_Exit_Code, 259u);
      EXPECT_FALSE(q.Error_Exit_Timeout_Reached);
      lPID = q.Process_ID;
    }
    EXPECT_LT(::GetTickCount() - start, 3000u);
    EXPECT_TRUE(App_Processes::IsProcessRunningByPID(lPID));
    EXPECT_TRUE(App_Common::QuitPending());
    MSG msg{};
    ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
    EndProcess(lPID);
  }

  // DoEvents keeps it too.
  ::PostQuitMessage(9);
  EXPECT_FALSE(App_Common::DoEvents());
  MSG msg{};
  ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 9u);
  EXPECT_TRUE(App_Common::DoEvents());
  EXPECT_FALSE(App_Common::QuitPending());
  ::DestroyWindow(wnd);
  LumoRemoveTree(dir);
}

TEST_F(RunXTest, DeadlineHoldsAcrossTheTickCountWrapAround) {
  HANDLE never = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  // Now is half a second before the 32-bit tick count wraps.
  PlatformFake().TickCountOffset = 0u - static_cast<uint32_t>(::GetTickCount()) - 500u;
  const DWORD start = ::GetTickCount();
  EXPECT_EQ(App_RunX::MsgWaitObj(1000, &never, 1), 258);
  const DWORD took = ::GetTickCount() - start;
  EXPECT_GE(took, 900u);
  EXPECT_LT(took, 3000u);
  ::SetEvent(never);
  EXPECT_EQ(App_RunX::MsgWaitObj(1000, &never, 1), 0);
  PlatformFake().TickCountOffset = 0;
  ::CloseHandle(never);
}

TEST_F(RunXTest, BatchFilesAndControlPanelItemsRunThroughWindowsOwnPrograms) {
  const std::wstring sys = App_Platform::SystemFolder();
  struct Case {
    bool bBatch;
    const wchar_t *path, *args, *app, *cmd;
  } cases[] = {
      {true, L"C:\\a b\\x.BAT", L"-y", L"\\cmd.exe", L" /c \"C:\\a b\\x.BAT\" -y"},
      {true, L"\"C:\\x.cmd\"", L"", L"\\cmd.exe", L" /c \"C:\\x.cmd\""},
      {false, L"C:\\Windows\\x.cpl", L"", L"\\control.exe", L" \"C:\\Windows\\x.cpl\""},
      {false, L"C:\\x.cpl", L",@1", L"\\control.exe", L" \"C:\\x.cpl\" ,@1"},
  };
  for (const Case& c : cases) {
    std::wstring app = c.path, cmd = c.args;
    if (c.bBatch)
      App_RunX::GetBatchFileValuesForRunX(app, cmd);
    else
      App_RunX::GetCPLValuesForRunX(app, cmd);
    std::wstring expected = sys + c.app;
    App_FilePath::PrepPathForUnicodeAPI(expected);
    EXPECT_EQ(app, expected) << c.path;
    EXPECT_EQ(cmd, c.cmd) << c.path;
  }

  // A real batch file in a folder with a blank: its argument and exit code.
  const std::wstring dir = Scratch(L"batch") + L"\\a b";
  MakeDirs(dir);
  ASSERT_TRUE(LumoWriteBytes(dir + L"\\Run.BAT", "@echo %1> \"%~dp0out.txt\"\r\n@exit 4\r\n"));
  const RxResult r = RunX(dir + L"\\Run.BAT", L"hello", true, false, 20000, SW_HIDE);
  EXPECT_TRUE(r.Process_Create_Success);
  EXPECT_EQ(r.Process_Exit_Code, 4u);
  EXPECT_EQ(LumoReadBytes(dir + L"\\out.txt"), "hello\r\n");
  LumoRemoveTree(Scratch(L"batch"));
}

TEST_F(RunXTest, BareNamesAreWindowsOwnToolsNeverTheKitsCopies) {
  // Copies named like Windows' tools beside the starting program and in its current folder.
  const std::wstring root = Scratch(L"bare");
  const std::wstring kit = root + L"\\kit", cwd = root + L"\\cwd";
  MakeDirs(kit);
  MakeDirs(cwd);
  ASSERT_TRUE(
      ::CopyFileW((LumoTestDir() + L"probe_procprobe.exe").c_str(), (kit + L"\\tool.exe").c_str(), FALSE));
  for (const wchar_t* name : {L"cmd.exe", L"netsh.exe", L"ipconfig.exe"}) {
    PlaceSink(kit, name);
    PlaceSink(cwd, name);
  }
  const std::wstring out = root + L"\\cmd-cwd.txt";
  const LumoProbeResult p = LumoRunProbe(L"\"" + kit + L"\\tool.exe\" bare \"" + out + L"\"", 60000, cwd);
  EXPECT_EQ(p.ExitCode, 0u) << p.Output;
  EXPECT_EQ(LumoReadBytes(kit + L"\\urlsink.log"), "");
  EXPECT_EQ(LumoReadBytes(cwd + L"\\urlsink.log"), "");
  // cmd.exe ran in the system folder, where its own search finds netsh and ipconfig first.
  std::string ran = LumoReadBytes(out);
  while (!ran.empty() && (ran.back() == '\r' || ran.back() == '\n' || ran.back() == ' ')) ran.pop_back();
  const std::wstring sys = App_Platform::SystemFolder();
  EXPECT_EQ(_stricmp(ran.c_str(), LumoNarrow(sys).c_str()), 0) << ran;
  EXPECT_EQ(App_RunX::FindSystemProgram(L"cmd"), sys + L"\\cmd.exe");
  EXPECT_EQ(App_RunX::FindSystemProgram(L"no-such-tool.exe"), L"");

  // A bare name that is none of Windows' tools is not started by any road,
  // though the current folder holds a program of that name.
  PlaceSink(cwd, L"lumo-kit-only.exe");
  wchar_t saved[MAX_PATH] = {};
  ::GetCurrentDirectoryW(MAX_PATH, saved);
  ::SetCurrentDirectoryW(cwd.c_str());
  uint32_t lPID = 0, lExit = 0;
  EXPECT_FALSE(App_RunX::ShellPlain(L"lumo-kit-only.exe", L"/x", true, SW_HIDE, 5000, lPID, lExit));
  EXPECT_FALSE(App_RunX::ShellExW(L"lumo-kit-only.exe", L"/x", SW_HIDE, false, true));
  const RxResult r = RunX(L"lumo-kit-only.exe", L"/x", true, false, 5000, SW_HIDE);
  EXPECT_FALSE(r.Process_Create_Success);
  EXPECT_TRUE(r.Error_File_Not_Found);
  ::SetCurrentDirectoryW(saved);
  ::Sleep(500);
  EXPECT_EQ(LumoReadBytes(cwd + L"\\urlsink.log"), "");
  EXPECT_EQ(LumoLogCount(L"Not found in the system folder, the Windows folder or PATH; not started"), 3);
  LumoRemoveTree(root);
}

TEST_F(RunXTest, TheShellRoadWaitsOnTheProcessItStartedNotOneOfTheSameName) {
  // Another cmd.exe runs already, for 20 s.
  const std::wstring dir = Scratch(L"samename");
  const std::wstring exe = PlaceSink(dir);
  uint32_t lOther = 0, lExit = 0;
  ASSERT_TRUE(App_RunX::ShellPlain(L"cmd.exe", L"/c \"" + exe + L"\" /sleep=20000", false, SW_HIDE, 0, lOther,
                                   lExit));
  ASSERT_TRUE(LumoWaitFor([&] { return !LumoReadBytes(dir + L"\\urlsink.log").empty(); }));
  // A bare name goes through the shell, which hands back the process it
  // started. A form is open, as the program's window is.
  InvForm().Show(false, nullptr);
  const DWORD start = ::GetTickCount();
  const RxResult r = RunX(L"cmd.exe", L"/c exit 5", true, false, 15000, SW_HIDE);
  InvForm().Unload();
  EXPECT_LT(::GetTickCount() - start, 10000u);
  EXPECT_TRUE(r.Error_Sent_To_ShellX);
  EXPECT_FALSE(r.Error_Exit_Timeout_Reached);
  EXPECT_EQ(r.Process_Exit_Code, 5u);
  EXPECT_NE(r.Process_ID, lOther);
  EndProcess(lOther);
  EndProcess(App_Processes::GetPID(exe));
  LumoRemoveTree(dir);
}

TEST_F(RunXTest, ShellPlainStartsWaitsAndGivesUp) {
  const std::wstring dir = Scratch(L"shell");
  const std::wstring sub = dir + L"\\with space";
  MakeDirs(sub);
  ASSERT_TRUE(
      ::CopyFileW((LumoTestDir() + L"probe_urlsink.exe").c_str(), (sub + L"\\sink.exe").c_str(), FALSE));
  const std::wstring exe = sub + L"\\sink.exe";
  uint32_t pid = 99, code = 99;

  // Refusals start nothing.
  EXPECT_FALSE(App_RunX::ShellPlain(L"", L"x", true, SW_HIDE, 0, pid, code));
  EXPECT_EQ(LumoLogCount(L"Passed empty string!"), 1);
  EXPECT_FALSE(App_RunX::ShellPlain(dir + L"\\missing.exe", L"", true, SW_HIDE, 0, pid, code));
  EXPECT_TRUE(LumoLogHas(L"sPathAndFilename.String=" + dir + L"\\missing.exe"));

  // Waiting gives the exit code; the quoted path and the arguments arrive.
  EXPECT_TRUE(App_RunX::ShellPlain(exe, L"/exit=7", true, SW_HIDE, 0, pid, code));
  EXPECT_NE(pid, 0u);
  EXPECT_EQ(code, 7u);
  EXPECT_NE(LumoReadBytes(sub + L"\\urlsink.log").find("sink.exe\" /exit=7"), std::string::npos);

  // Within the time limit.
  EXPECT_TRUE(App_RunX::ShellPlain(exe, L"/exit=3", true, SW_HIDE, 20000, pid, code));
  EXPECT_EQ(code, 3u);

  // Past the time limit: false, exit code 0, the program keeps running.
  EXPECT_FALSE(App_RunX::ShellPlain(exe, L"/sleep=20000", true, SW_HIDE, 300, pid, code));
  EXPECT_EQ(code, 0u);
  EXPECT_GE(LumoLogCount(L"ShellX (Failed) The process has timed out."), 1);
  HANDLE h = ::OpenProcess(SYNCHRONIZE, FALSE, pid);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(::WaitForSingleObject(h, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  ::CloseHandle(h);
  EndProcess(pid);

  // Without waiting: the id comes back at once.
  pid = 0;
  EXPECT_TRUE(App_RunX::ShellPlain(exe, L"/sleep=20000", false, SW_HIDE, 0, pid, code));
  EXPECT_NE(pid, 0u);
  EndProcess(pid);

  LumoRemoveTree(dir);
}

TEST_F(RunXTest, ShellExWOpensThroughTheShellOwnedByTheInvisibleForm) {
  const std::wstring dir = Scratch(L"shellex");
  const std::wstring exe = dir + L"\\sink.exe";
  ASSERT_TRUE(::CopyFileW((LumoTestDir() + L"probe_urlsink.exe").c_str(), exe.c_str(), FALSE));
  const std::wstring log = dir + L"\\urlsink.log";

  // The "open" verb, then the elevation verb (Wine runs it without a prompt):
  // both start the program with the arguments.
  EXPECT_TRUE(App_RunX::ShellExW(exe, L"/first", SW_HIDE, false, true));
  EXPECT_TRUE(App_RunX::ShellExW(exe, L"/second", SW_HIDE, true, false));
  EXPECT_TRUE(LumoWaitFor([&] {
    const std::string text = LumoReadBytes(log);
    return text.find("/first") != std::string::npos && text.find("/second") != std::string::npos;
  })) << LumoReadBytes(log);
  // The invisible owner was loaded for the call and is gone again.
  EXPECT_FALSE(InvForm().IsLoaded().value_or(false));

  // A file that is not there: the shell's refusal is logged and reported.
  EXPECT_FALSE(App_RunX::ShellExW(dir + L"\\missing.exe", L"", SW_HIDE, false, true));
  EXPECT_TRUE(LumoLogHas(L"(LAUNCH FAIL, NO RETRY)  File = [" + dir + L"\\missing.exe]"));
}

TEST_F(RunXTest, CreationFlagsByAccountAndSetting) {
  App_Env& e = AppEnv();
  const App_Env saved = e;
  struct Case {
    bool bAdmin, bSystem, bService, bDLL, bVista;
    int32_t eRunAsType;
    bool bSkipUnicodeEnv;
    const wchar_t* sSetting;  // set to "1" with EnableAltFlags; nullptr: EnableAltFlags missing
    uint32_t lExpected;
  } cases[] = {
      {true, false, false, false, true, 0, true, nullptr, 0x6000000},
      {true, false, false, false, true, 0, false, nullptr, 0x6000400},
      {true, false, false, false, true, 1, true, nullptr, 0x30},
      {true, false, false, false, true, 2, false, nullptr, 0x4000610},
      {true, false, false, false, true, 6, true, nullptr, 0x6000000},
      {true, false, false, false, true, 0, true, L"", 0},
      {true, false, false, false, true, 0, true, L"RunX.StandardEXE.Admin.ProcFlags.CreateNoWindow",
       0x8000000},
      {true, false, false, false, true, 0, true, L"RunX.StandardEXE.Admin.ProcFlags.CreateUnicodeEnv", 0},
      {true, false, false, false, true, 0, false, L"RunX.StandardEXE.Admin.ProcFlags.CreateUnicodeEnv",
       0x400},
      {true, false, false, false, false, 0, true, L"RunX.StandardEXE.Admin.ProcFlags.PriorityBelowNormal", 0},
      {true, false, false, false, true, 0, true, L"RunX.StandardEXE.Admin.ProcFlags.PriorityBelowNormal",
       0x4000},
      {false, false, true, false, true, 0, true, L"RunX.ServiceEXE.LimitedUser.ProcFlags.CreateNewConsole",
       0x10},
      {true, true, false, true, true, 1, true, L"RunX.DLL.LocalSystem.RunAsAdmin.ProcFlags.PriorityHigh",
       0x80},
      {false, false, false, false, true, 5, true,
       L"RunX.StandardEXE.LimitedUser.RunAsLimitedUser.ProcFlags.DebugProcess", 0x1},
  };
  for (const Case& c : cases) {
    e.AppInst_IsAdmin = c.bAdmin;
    e.AppInst_IsSystem = c.bSystem;
    e.AppInst_IsService = c.bService;
    e.AppInst_IsDLL = c.bDLL;
    e.WinVista_OrNewer = c.bVista;
    if (c.sSetting) Cfg().SetString(L"RunX.ProcFlags.EnableAltFlags", L"1");
    if (c.sSetting && *c.sSetting) Cfg().SetString(c.sSetting, L"1");
    App_RunX::ResetProcFlagsSettingPrefix();
    uint32_t flags = 0xFFFF;
    App_RunX::SetProcFlags(flags, c.eRunAsType, c.bSkipUnicodeEnv, false);
    EXPECT_EQ(flags, c.lExpected) << (c.sSetting ? c.sSetting : L"(defaults)") << " run-as " << c.eRunAsType;
    Cfg().WipeSetting(L"RunX.ProcFlags.EnableAltFlags", -1, true);
    if (c.sSetting && *c.sSetting) Cfg().WipeSetting(c.sSetting, -1, true);
  }
  // The account part is worked out once: a later change of account is not seen.
  e.AppInst_IsAdmin = false;
  EXPECT_EQ(App_RunX::ProcFlagsSettingPrefix(), L"RunX.StandardEXE.LimitedUser.");
  e.AppInst_IsAdmin = true;
  uint32_t flags = 0;
  App_RunX::SetProcFlags(flags, 0, true, false);
  EXPECT_EQ(App_RunX::ProcFlagsSettingPrefix(), L"RunX.StandardEXE.LimitedUser.");
  App_RunX::ResetProcFlagsSettingPrefix();
  e = saved;
}

TEST_F(RunXTest, ShellOperationsCopyAndDeleteSilently) {
  const std::wstring dir = Scratch(L"shellop");
  MakeDirs(dir + L"\\tree\\sub");
  ASSERT_TRUE(LumoWriteBytes(dir + L"\\tree\\sub\\a.txt", "x"));
  EXPECT_TRUE(
      App_Common::ShellOperation(App_Common::soCopy, 0x414, dir + L"\\tree\\sub\\a.txt", dir + L"\\b.txt"));
  EXPECT_EQ(LumoReadBytes(dir + L"\\b.txt"), "x");
  EXPECT_TRUE(App_Common::ShellDelete(dir + L"\\tree", true, false, true));
  EXPECT_EQ(::GetFileAttributesW((dir + L"\\tree").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_FALSE(App_Common::ShellOperation(App_Common::soDelete, 0x414, L"", L""));
  LumoRemoveTree(dir);
}

// Last of the launcher tests: Wine's start of a program by a path longer
// than 259 characters can leave this process unable to start others.
TEST_F(RunXTest, LongAndNonAnsiPathsTakeTheWideForm) {
  dbg.Reset(true);
  const std::wstring root = Scratch(L"wide");
  // A folder outside the ANSI code page: started in the wide form.
  const std::wstring dir = root + L"\\\u03a9\u20ac\u00fc";
  const std::wstring exe = PlaceSink(dir);
  const RxResult r = RunX(exe, L"/exit=3", true, false, 20000, SW_HIDE);
  EXPECT_TRUE(r.File_ContainsUnicodeCharacters);
  EXPECT_FALSE(r.File_ExceedsMaxPath);
  EXPECT_EQ(r.Process_Creation_Flags, 0x6000400u);
  EXPECT_EQ(r.File_Passed_To_API, L"\\\\?\\" + exe + L"<NULL>");
  EXPECT_TRUE(r.Process_Create_Success);
  EXPECT_EQ(r.Process_Exit_Code, 3u);
  EXPECT_NE(LumoReadBytes(dir + L"\\urlsink.log").find("sink.exe /exit=3"), std::string::npos);

  // Longer than 259 characters: no Windows starts a program by such a path
  // (Wine's process creation even corrupts its heap trying), so only its
  // short (8.3) form is handed over: the one Windows gives for this file.
  // Wine's start by that form is unreliable (it resolves it back to the long
  // path), so the outcome is only checked to be reported as what it was.
  std::wstring deep = root;
  while (deep.size() < 280) deep += L"\\" + std::wstring(40, L'd');
  const std::wstring longExe = PlaceSink(deep);
  wchar_t shortPath[MAX_PATH] = {};
  const DWORD n = ::GetShortPathNameW(LumoLongPath(longExe).c_str(), shortPath, MAX_PATH);
  ASSERT_GT(n, 0u);
  ASSERT_LT(n, static_cast<DWORD>(MAX_PATH));
  std::wstring shortExe = shortPath;
  if (shortExe.rfind(L"\\\\?\\", 0) == 0) shortExe.erase(0, 4);
  const RxResult l = RunX(longExe, L"/exit=3", true, false, 20000, SW_HIDE);
  EXPECT_TRUE(l.File_ExceedsMaxPath);
  EXPECT_EQ(l.Process_Creation_Flags, 0x6000400u);
  EXPECT_EQ(LumoLogCount(L"RunX (path too long for CreateProcessW, starting it by its short form)"), 1);
  EXPECT_TRUE(LumoLogHas(L"sShort.String=" + shortExe + L"<sep>")) << shortExe;
  EXPECT_FALSE(l.Error_File_Not_Found);
  EXPECT_EQ(l.Process_Exit_Code, l.Process_Create_Success ? 3u : 0u);
  EXPECT_EQ(l.Error_Sent_To_ShellX, !l.Process_Create_Success);
  LumoRemoveTree(root);
}
