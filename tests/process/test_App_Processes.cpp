// Process queries against real processes under Wine: a probe program is
// started, found by id, name and path, asked for its parent and its
// executable, and ended; handles are closed through CloseMyHandle.
#include <windows.h>

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/App_Env.h"
#include "platform/App_FSRedir.h"
#include "diag/App_Debug.h"
#include "lumo_files.h"
#include "lumo_probe.h"
#include "lumo_test.h"
#include "process/App_Processes.h"
#include "registry/App_Common_Privileges.h"
#include "util/App_Strings.h"

using namespace App_Processes;

namespace {

std::wstring ProbePath() {
  return LumoTestDir() + L"probe_procprobe.exe";
}

// A started probe, its standard output captured; ended and released when
// the object goes. A sleeping probe is asked nothing before it has said
// "ready": a process whose loader has not run yet has no module list.
struct Probe {
  PROCESS_INFORMATION pi{};
  HANDLE out = nullptr;  // read end of its standard output

  Probe(const std::wstring& exe, const std::wstring& args) {
    std::wstring cmd = L"\"" + exe + L"\" " + args;
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    HANDLE write = nullptr;
    SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
    ::CreatePipe(&out, &write, &sa, 0);
    ::SetHandleInformation(out, HANDLE_FLAG_INHERIT, 0);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = write;
    si.hStdError = write;
    if (!::CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si,
                          &pi)) {
      ADD_FAILURE() << "cannot start " << LumoNarrow(exe) << " error " << ::GetLastError();
    }
    ::CloseHandle(write);
    if (pi.hProcess && args.rfind(L"sleep", 0) == 0) {
      std::string seen;
      char c = 0;
      DWORD got = 0;
      while (seen.find("ready") == std::string::npos && ::ReadFile(out, &c, 1, &got, nullptr) &&
             got == 1) {
        seen.push_back(c);
      }
      EXPECT_NE(seen.find("ready"), std::string::npos) << seen;
    }
  }
  ~Probe() { End(); }
  DWORD Pid() const { return pi.dwProcessId; }
  void End() {
    if (pi.hProcess) {
      ::TerminateProcess(pi.hProcess, 0);
      ::WaitForSingleObject(pi.hProcess, 10000);
      ::CloseHandle(pi.hProcess);
      ::CloseHandle(pi.hThread);
      pi.hProcess = pi.hThread = nullptr;
    }
    if (out) ::CloseHandle(out);
    out = nullptr;
  }
  std::wstring ReadAll() {
    std::string bytes;
    char buf[512];
    DWORD got = 0;
    while (::ReadFile(out, buf, sizeof(buf), &got, nullptr) && got > 0) bytes.append(buf, got);
    ::WaitForSingleObject(pi.hProcess, 10000);
    return LumoWiden(bytes);
  }
};

// Whether SeDebugPrivilege is switched on in this process's token.
bool DebugPrivilegeOn() {
  HANDLE tok = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &tok)) return false;
  LUID luid{};
  ::LookupPrivilegeValueW(nullptr, L"SeDebugPrivilege", &luid);
  DWORD size = 0;
  ::GetTokenInformation(tok, TokenPrivileges, nullptr, 0, &size);
  std::vector<BYTE> buf(size);
  bool on = false;
  if (::GetTokenInformation(tok, TokenPrivileges, buf.data(), size, &size)) {
    const auto* tp = reinterpret_cast<const TOKEN_PRIVILEGES*>(buf.data());
    for (DWORD i = 0; i < tp->PrivilegeCount; ++i) {
      const LUID& l = tp->Privileges[i].Luid;
      if (l.LowPart == luid.LowPart && l.HighPart == luid.HighPart) {
        on = (tp->Privileges[i].Attributes & SE_PRIVILEGE_ENABLED) != 0;
      }
    }
  }
  ::CloseHandle(tok);
  return on;
}

class Processes : public ::testing::Test {
 protected:
  void SetUp() override {
    dbg.Reset();
    saved = AppEnv();
    if (WineWow64()) Road(1);
  }
  // Wine's 32-bit processes on 64-bit Wine cannot read another process's
  // module list (GetModuleFileNameExW is refused) and still read the image
  // name of an ended one; Windows does neither. A 32-bit process on 64-bit
  // Windows, Vista or later, has QueryFullProcessImageNameW.
  static bool WineWow64() { return App_Common::IsWow64(); }
  void TearDown() override {
    App_Env& e = AppEnv();
    e.WinVista_OrNewer = saved.WinVista_OrNewer;
    e.API_QueryFullProcessImageNameW = saved.API_QueryFullProcessImageNameW;
    e.AppInst_ProcessID = saved.AppInst_ProcessID;
  }
  // The three ways of opening a process and reading its path.
  void Road(int i) {
    App_Env& e = AppEnv();
    e.WinVista_OrNewer = i > 0;                 // 0: XP, 0x410 and the module name
    e.API_QueryFullProcessImageNameW = i == 1;  // 1: Vista+, 0x1000 and the image name
  }                                             // 2: Vista+ without it, 0x1010

  LumoDebugFixtureState dbg;
  struct Saved {
    bool WinVista_OrNewer, API_QueryFullProcessImageNameW;
    uint32_t AppInst_ProcessID;
    Saved& operator=(const App_Env& e) {
      WinVista_OrNewer = e.WinVista_OrNewer;
      API_QueryFullProcessImageNameW = e.API_QueryFullProcessImageNameW;
      AppInst_ProcessID = e.AppInst_ProcessID;
      return *this;
    }
  } saved{};
};

// For the tests that read another process's module list.
#define SKIP_ON_WINE_WOW64() \
  if (WineWow64()) GTEST_SKIP() << "Wine's 32-bit processes cannot read another process's modules"

}  // namespace

TEST_F(Processes, ARunningProbeIsFoundByIdNameAndPath) {
  Probe p(ProbePath(), L"sleep 60000");
  const DWORD pid = p.Pid();
  ASSERT_NE(pid, 0u);
  EXPECT_TRUE(IsProcessRunningByPID(pid));
  EXPECT_EQ(GetParentPID(pid), ::GetCurrentProcessId());
  EXPECT_TRUE(App_Strings::StringMatch(GetPathFromPID(pid, true), ProbePath()))
      << LumoNarrow(GetPathFromPID(pid, true));

  // By name: without an extension the extension is ignored; case and
  // surrounding blanks do not count; another extension does.
  EXPECT_EQ(GetPID(L"probe_procprobe"), pid);
  EXPECT_EQ(GetPID(L" PROBE_PROCPROBE.EXE "), pid);
  EXPECT_EQ(GetPID(L"probe_procprobe.com"), 0u);
  EXPECT_EQ(GetPID(L"probe_procprob"), 0u);
  EXPECT_EQ(GetPID(L""), 0u);
  // By path: the whole path must match, ignoring case; a path without the
  // extension finds the .exe.
  EXPECT_EQ(GetPID(ProbePath()), pid);
  EXPECT_EQ(GetPID(App_Strings::UCase(ProbePath())), pid);
  EXPECT_EQ(GetPID(LumoTestDir() + L"probe_procprobe"), pid);
  EXPECT_EQ(GetPID(L"C:\\my.tools\\probe_procprobe"), 0u);
  EXPECT_EQ(GetPID(L"C:\\elsewhere\\probe_procprobe.exe"), 0u);
}

TEST_F(Processes, EveryPathRoadGivesTheSamePath) {
  Probe p(ProbePath(), L"sleep 60000");
  for (int road = 0; road < 3; ++road) {
    if (road != 1 && WineWow64()) continue;
    Road(road);
    EXPECT_TRUE(App_Strings::StringMatch(GetPathFromPID(p.Pid(), true), ProbePath())) << road;
    EXPECT_TRUE(App_Strings::StringMatch(GetPathFromPID(p.Pid(), false), ProbePath())) << road;
  }
  EXPECT_EQ(LumoLogCount(L"OpenProcess"), 0);
  if (WineWow64()) return;
  EXPECT_TRUE(App_Strings::StringMatch(fGetPathFromPID2(p.Pid(), true), ProbePath()));
  EXPECT_TRUE(App_Strings::StringMatch(fGetPathFromPID2(p.Pid(), false), ProbePath()));
}

TEST_F(Processes, APathOutsideTheAnsiCodePageComesBackWhole) {
  SKIP_ON_WINE_WOW64();
  wchar_t tmp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, tmp);
  const std::wstring dir = std::wstring(tmp) + L"lumo_\u041f\u0440\u043e\u0431\u0430_" +
                           std::to_wstring(::GetCurrentProcessId());
  const std::wstring exe = dir + L"\\probe_procprobe.exe";
  ::CreateDirectoryW(dir.c_str(), nullptr);
  ASSERT_TRUE(::CopyFileW(ProbePath().c_str(), exe.c_str(), FALSE));
  {
    Probe p(exe, L"sleep 60000");
    for (int road = 0; road < 3; ++road) {
      Road(road);
      EXPECT_TRUE(App_Strings::StringMatch(GetPathFromPID(p.Pid(), true), exe)) << road;
    }
    EXPECT_TRUE(App_Strings::StringMatch(fGetPathFromPID2(p.Pid(), true), exe));
    EXPECT_EQ(GetPID(exe), p.Pid());
    EXPECT_EQ(GetPID(ProbePath()), 0u);  // same name, another folder
  }
  ::DeleteFileW(exe.c_str());
  ::RemoveDirectoryW(dir.c_str());
}

TEST_F(Processes, AnEndedProcessIsGone) {
  SKIP_ON_WINE_WOW64();
  DWORD pid = 0;
  {
    Probe p(ProbePath(), L"sleep 60000");
    pid = p.Pid();
    ASSERT_TRUE(IsProcessRunningByPID(pid));
  }  // ended, every handle to it closed
  EXPECT_FALSE(IsProcessRunningByPID(pid));
  EXPECT_EQ(GetParentPID(pid), 0u);
  EXPECT_EQ(GetPID(L"probe_procprobe.exe"), 0u);
  // Wine still opens an ended process by its id; its path cannot be read.
  EXPECT_EQ(GetPathFromPID(pid, true), L"");
}

TEST_F(Processes, AnUnknownIdCannotBeOpenedOnEitherRoad) {
  const uint32_t unknown = 4000000;  // no process has this id
  EXPECT_FALSE(IsProcessRunningByPID(unknown));
  EXPECT_EQ(GetPathFromPID(unknown, true), L"");
  // The failed open is logged under the routine's name, then the fallback's.
  EXPECT_EQ(LumoLogCount(L"OpenProcess"), 2) << LumoNarrow(App_Debug::DebugLogPending());
  EXPECT_TRUE(LumoLogHas(L"Source.String=App_Processes.GetPathFromPID<sep>lPID.LongInteger=4000000"))
      << LumoNarrow(App_Debug::DebugLogPending());
  EXPECT_TRUE(LumoLogHas(L"App_Processes.fGetPathFromPID2.ProcID="));
  // The privilege of the query is not left switched on under its name.
  EXPECT_EQ(App_Common::PrivilegeOwner(L"SeDebugPrivilege"), nullptr);
}

TEST_F(Processes, IdZeroIsWhatTheSystemListSays) {
  // Windows lists the idle process as PID 0; Wine lists no such entry.
  bool listed = false;
  HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32W pe{};
  pe.dwSize = sizeof(pe);
  for (BOOL m = ::Process32FirstW(snap, &pe); m; m = ::Process32NextW(snap, &pe))
    listed |= pe.th32ProcessID == 0;
  ::CloseHandle(snap);
  EXPECT_EQ(IsProcessRunningByPID(0), listed);
  EXPECT_EQ(GetParentPID(0), 0u);
  EXPECT_EQ(GetPathFromPID(0, true), L"");
}

TEST_F(Processes, TheFirstOfTwoSameNamedProcessesWins) {
  SKIP_ON_WINE_WOW64();
  Probe a(ProbePath(), L"sleep 60000");
  Probe b(ProbePath(), L"sleep 60000");
  DWORD first = 0;
  HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32W pe{};
  pe.dwSize = sizeof(pe);
  for (BOOL m = ::Process32FirstW(snap, &pe); m && !first; m = ::Process32NextW(snap, &pe)) {
    if (pe.th32ProcessID == a.Pid() || pe.th32ProcessID == b.Pid()) first = pe.th32ProcessID;
  }
  ::CloseHandle(snap);
  ASSERT_NE(first, 0u);
  EXPECT_EQ(GetPID(L"probe_procprobe"), first);
  EXPECT_EQ(GetPID(ProbePath()), first);
}

TEST_F(Processes, TheStartUpParentCheckFindsTheStarter) {
  SKIP_ON_WINE_WOW64();
  // The probe asks for its own parent, as start-up does.
  Probe p(ProbePath(), L"parent");
  const std::wstring out = p.ReadAll();
  const size_t bar = out.find(L'|');
  ASSERT_NE(bar, std::wstring::npos) << LumoNarrow(out);
  EXPECT_EQ(out.substr(0, bar), std::to_wstring(::GetCurrentProcessId()));
  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  EXPECT_TRUE(App_Strings::StringMatch(out.substr(bar + 1), self)) << LumoNarrow(out);

  // This test program itself: a program started from Linux has parent 0
  // under Wine. Either way the privilege is released again.
  AppEnv().AppInst_ProcessID = ::GetCurrentProcessId();
  const uint32_t parent = GetParentPID(::GetCurrentProcessId());
  EXPECT_TRUE(parent == 0 || IsProcessRunningByPID(parent));
  EXPECT_EQ(App_Common::PrivilegeOwner(L"SeDebugPrivilege"), nullptr);
}

TEST_F(Processes, ThePrivilegeIsLeftAsItWasFound) {
  SKIP_ON_WINE_WOW64();
  Probe p(ProbePath(), L"sleep 60000");
  const bool before = DebugPrivilegeOn();
  EXPECT_FALSE(fGetPathFromPID2(p.Pid(), true).empty());
  EXPECT_EQ(DebugPrivilegeOn(), before);

  // Another caller holds it on: neither query may switch it off.
  ASSERT_TRUE(App_Common::SetPrivilegeToken(L"Test.Holder", 10, true));
  EXPECT_FALSE(fGetPathFromPID2(p.Pid(), true).empty());
  EXPECT_TRUE(DebugPrivilegeOn());
  EXPECT_FALSE(GetPathFromPID(p.Pid(), true).empty());
  EXPECT_TRUE(DebugPrivilegeOn());
  const std::wstring* owner = App_Common::PrivilegeOwner(L"SeDebugPrivilege");
  ASSERT_NE(owner, nullptr);
  EXPECT_NE(owner->find(L"Test.Holder"), std::wstring::npos) << LumoNarrow(*owner);
  EXPECT_TRUE(App_Common::SetPrivilegeToken(L"Test.Holder", 10, false));
  EXPECT_EQ(App_Common::PrivilegeOwner(L"SeDebugPrivilege"), nullptr);
}

TEST_F(Processes, CloseMyHandleRefusesEmptyHandlesKeepsTheVariableAndLogsFailures) {
  dbg.Reset(true);  // verbose: the success line is written too
  HANDLE none = nullptr;
  App_Common::CloseMyHandle(none);
  EXPECT_EQ(LumoLogCount(L"Aborting CloseHandle; Passed Empty Handle!"), 1);
  HANDLE invalid = INVALID_HANDLE_VALUE;
  App_Common::CloseMyHandle(invalid);
  EXPECT_EQ(LumoLogCount(L"Aborting CloseHandle; Passed Handle = INVALID_HANDLE_VALUE"), 1);
  EXPECT_EQ(invalid, INVALID_HANDLE_VALUE);

  HANDLE ev = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  const HANDLE copy = ev;
  App_Common::CloseMyHandle(ev);
  EXPECT_EQ(ev, copy);  // the caller's variable is not cleared
  DWORD flags = 0;
  EXPECT_FALSE(::GetHandleInformation(copy, &flags));  // but the handle is closed
  EXPECT_EQ(LumoLogCount(L"CloseHandle return indicates success!"), 1);
  EXPECT_TRUE(LumoLogHas(L"Source.String=App_Common.CloseMyHandle"));

  // A failed close: the handle in decimal, then NtClose.
  HANDLE bogus = reinterpret_cast<HANDLE>(static_cast<intptr_t>(0x7FFFFFF0));
  App_Common::CloseMyHandle(bogus);
  EXPECT_EQ(LumoLogCount(L"CloseHandle failure (return = 0)"), 1);
  EXPECT_EQ(LumoLogCount(L"Failure in CloseHandle (trying NtClose next, no logging on return...) for handle "
                         L"[2147483632] API error 6=" +
                         App_Debug::GetSystemMsg(6)),
            1)
      << LumoNarrow(App_Debug::DebugLogPending());
}
