// A stand-in browser for the launch tests: appends its whole command line
// (UTF-8, one line) to "urlsink.log" beside its own executable, writes its
// arguments as CommandLineToArgvW splits them to "urlsink.args" there (UTF-8,
// one per line, the program itself left out), and its current folder to
// "urlsink.cwd".
//   /exit=N    ends with exit code N (decimal, or hex with 0x)
//   /sleep=N   waits N ms before it ends
#include <windows.h>
// after <windows.h>, which it needs
#include <shellapi.h>

#include <cwchar>
#include <string>

int wmain(int argc, wchar_t** argv) {
  wchar_t self[MAX_PATH * 2] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH * 2);
  std::wstring log(self);
  log = log.substr(0, log.find_last_of(L'\\') + 1) + L"urlsink.log";

  const std::wstring line = std::wstring(::GetCommandLineW()) + L"\r\n";
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), nullptr, 0,
                                      nullptr, nullptr);
  std::string bytes(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), bytes.data(), n, nullptr,
                        nullptr);
  HANDLE h = ::CreateFileW(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(h);
  }

  int nArgs = 0;
  std::wstring argLines;
  if (LPWSTR* split = ::CommandLineToArgvW(::GetCommandLineW(), &nArgs)) {
    for (int i = 1; i < nArgs; ++i) argLines += std::wstring(split[i]) + L"\n";
    ::LocalFree(split);
  }
  const std::wstring argsFile = log.substr(0, log.size() - 3) + L"args.tmp";
  const int m = ::WideCharToMultiByte(CP_UTF8, 0, argLines.c_str(), static_cast<int>(argLines.size()),
                                      nullptr, 0, nullptr, nullptr);
  std::string argBytes(static_cast<size_t>(m), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, argLines.c_str(), static_cast<int>(argLines.size()), argBytes.data(), m,
                        nullptr, nullptr);
  HANDLE a = ::CreateFileW(argsFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
  if (a != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    ::WriteFile(a, argBytes.data(), static_cast<DWORD>(argBytes.size()), &written, nullptr);
    ::CloseHandle(a);
    // Renamed when complete, so a reader never sees half of it.
    ::MoveFileExW(argsFile.c_str(), (log.substr(0, log.size() - 3) + L"args").c_str(),
                  MOVEFILE_REPLACE_EXISTING);
  }

  wchar_t cwd[MAX_PATH * 2] = {};
  const DWORD cwdLen = ::GetCurrentDirectoryW(MAX_PATH * 2, cwd);
  const std::wstring cwdFile = log.substr(0, log.size() - 3) + L"cwd";
  HANDLE c = ::CreateFileW(cwdFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (c != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    ::WriteFile(c, cwd, cwdLen * sizeof(wchar_t), &written, nullptr);
    ::CloseHandle(c);
  }

  unsigned long exitCode = 0;
  for (int i = 1; i < argc; ++i) {
    const std::wstring a = argv[i];
    if (a.rfind(L"/exit=", 0) == 0) exitCode = std::wcstoul(a.c_str() + 6, nullptr, 0);
    if (a.rfind(L"/sleep=", 0) == 0) ::Sleep(static_cast<DWORD>(std::wcstoul(a.c_str() + 7, nullptr, 10)));
  }
  ::ExitProcess(static_cast<UINT>(exitCode));
}
