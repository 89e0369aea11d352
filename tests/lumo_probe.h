// Starting a probe program from a test: its output and exit code.
#pragma once

#include <windows.h>

#include <string>

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

// Runs a command line, waits up to lTimeoutMS and collects its output.
inline LumoProbeResult LumoRunProbe(const std::wstring& sCommandLine, DWORD lTimeoutMS = 30000) {
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
  const BOOL started = ::CreateProcessW(nullptr, cl.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
  ::CloseHandle(writeEnd);
  if (started) {
    char buf[4096];
    DWORD got = 0;
    while (::ReadFile(readEnd, buf, sizeof(buf), &got, nullptr) && got > 0) r.Output.append(buf, got);
    ::WaitForSingleObject(pi.hProcess, lTimeoutMS);
    ::GetExitCodeProcess(pi.hProcess, &r.ExitCode);
    ::CloseHandle(pi.hProcess);
    ::CloseHandle(pi.hThread);
  }
  ::CloseHandle(readEnd);
  return r;
}
