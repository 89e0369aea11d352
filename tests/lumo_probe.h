// Windows-only test plumbing: starting a probe program (its output and exit
// code), and a message-only window for a test thread.
#pragma once

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <sstream>
#include <string>
#include <thread>

struct LumoProbeResult {
  DWORD ExitCode = 0xFFFFFFFF;
  std::string Output;  // what it wrote to its standard output
};

// The folder of the running test program (probes are built beside it).
inline std::wstring LumoTestDir() {
  wchar_t buf[MAX_PATH * 2] = {};
  ::GetModuleFileNameW(nullptr, buf, MAX_PATH * 2);
  std::wstring p(buf);
  return p.substr(0, p.find_last_of(L'\\') + 1);
}

// Runs a command line (in sCurrentDir when given), waits up to lTimeoutMS
// and collects its output. A probe still running then is killed: its exit
// code reads 0xFFFFFFFF.
inline LumoProbeResult LumoRunProbe(const std::wstring& sCommandLine, DWORD lTimeoutMS = 30000,
                                    const std::wstring& sCurrentDir = {}) {
  LumoProbeResult r;
  SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!::CreatePipe(&readEnd, &writeEnd, &sa, 0)) return r;
  ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = writeEnd;
  si.hStdError = writeEnd;
  si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION pi{};
  std::wstring cl = sCommandLine;
  const BOOL started = ::CreateProcessW(nullptr, cl.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        sCurrentDir.empty() ? nullptr : sCurrentDir.c_str(), &si, &pi);
  ::CloseHandle(writeEnd);
  if (started) {
    // Read while the probe runs and stop when it has ended: a process the
    // probe starts (Wine's desktop process, for one) may keep the pipe open.
    auto drain = [&] {
      char buf[4096];
      DWORD avail = 0, got = 0;
      while (::PeekNamedPipe(readEnd, nullptr, 0, nullptr, &avail, nullptr) && avail > 0 &&
             ::ReadFile(readEnd, buf, avail < sizeof(buf) ? avail : sizeof(buf), &got, nullptr) && got > 0)
        r.Output.append(buf, got);
    };
    const DWORD started_at = ::GetTickCount();
    while (::WaitForSingleObject(pi.hProcess, 10) == WAIT_TIMEOUT &&
           ::GetTickCount() - started_at < lTimeoutMS)
      drain();
    drain();
    if (::WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) {
      ::TerminateProcess(pi.hProcess, 0xFFFFFFFF);
      ::WaitForSingleObject(pi.hProcess, 5000);
    }
    ::GetExitCodeProcess(pi.hProcess, &r.ExitCode);
    ::CloseHandle(pi.hProcess);
    ::CloseHandle(pi.hThread);
  }
  ::CloseHandle(readEnd);
  return r;
}

// A probe's "name=value" lines as a map.
inline std::map<std::string, std::string> LumoProbeFacts(const std::string& sOutput) {
  std::map<std::string, std::string> out;
  std::istringstream in(sOutput);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t eq = line.find('=');
    if (eq != std::string::npos) out[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return out;
}

// A message-only window of this thread, its class (sClass) registered with
// the procedure on first use.
inline HWND LumoMessageWindow(const wchar_t* sClass, WNDPROC proc = ::DefWindowProcW) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = proc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = sClass;
  ::RegisterClassW(&wc);
  return ::CreateWindowW(sClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
}

// The longest time a window of this thread took to answer, asked from
// another thread every 20 ms while fn runs.
template <class F>
DWORD LumoLongestAnswerWhile(F&& fn) {
  HWND wnd = LumoMessageWindow(L"LumoRepairPing");
  std::atomic<bool> done{false}, finished{false};
  DWORD longest = 0;
  std::thread pinger([&] {
    while (!done) {
      const DWORD start = ::GetTickCount();
      DWORD_PTR answer = 0;
      ::SendMessageTimeoutW(wnd, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &answer);
      longest = std::max(longest, ::GetTickCount() - start);
      ::Sleep(20);
    }
    finished = true;
  });
  fn();
  done = true;
  // The pinger's last question may still wait for this thread.
  while (!finished) {
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
  }
  pinger.join();
  ::DestroyWindow(wnd);
  return longest;
}
