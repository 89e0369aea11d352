// A scratch folder tree in the temp folder for the directory-search tests:
// files with chosen modification times, folders, a folder link that points
// back up, and clean-up that never follows a link.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "diag/App_Debug.h"
#include "lumo_files.h"
#include "lumo_test.h"

class ScratchTree {
 public:
  ScratchTree() {
    wchar_t tmp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, tmp);
    static int counter = 0;
    root_ = std::wstring(tmp) + L"lumo_fsdir_" + std::to_wstring(::GetCurrentProcessId()) + L"_" +
            std::to_wstring(++counter);
    ::CreateDirectoryW(root_.c_str(), nullptr);
  }
  ~ScratchTree() {
    for (const std::wstring& link : links_) RemoveLink(link);
    LumoRemoveTree(root_);
  }
  ScratchTree(const ScratchTree&) = delete;
  ScratchTree& operator=(const ScratchTree&) = delete;

  const std::wstring& Root() const { return root_; }
  std::wstring Path(const std::wstring& rel) const {
    return rel.empty() ? root_ : root_ + L"\\" + rel;
  }

  void Dir(const std::wstring& rel) const { ::CreateDirectoryW(Path(rel).c_str(), nullptr); }

  // A file with some content; with a year, its last-write time is set to
  // that moment (UTC).
  void File(const std::wstring& rel, WORD year = 0, WORD month = 1, WORD day = 1, WORD hour = 0,
            WORD minute = 0, WORD second = 0) const {
    HANDLE h = ::CreateFileW(Path(rel).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << "cannot create " << LumoNarrow(rel);
    DWORD written = 0;
    ::WriteFile(h, "x", 1, &written, nullptr);
    if (year != 0) {
      SYSTEMTIME st{};
      st.wYear = year;
      st.wMonth = month;
      st.wDay = day;
      st.wHour = hour;
      st.wMinute = minute;
      st.wSecond = second;
      FILETIME ft{};
      ::SystemTimeToFileTime(&st, &ft);
      ::SetFileTime(h, nullptr, nullptr, &ft);
    }
    ::CloseHandle(h);
  }

  // A folder link rel that leads to target: a junction on Windows, a
  // symbolic link of the host under Wine (Wine cannot make junctions).
  // False when neither can be made here.
  bool Link(const std::wstring& rel, const std::wstring& target) {
    const std::wstring link = Path(rel);
    RunWait(L"", L"cmd.exe /c mklink /J \"" + link + L"\" \"" + target + L"\"");
    if (::GetFileAttributesW(link.c_str()) == INVALID_FILE_ATTRIBUTES) {
      const std::wstring ulink = UnixName(link), utarget = UnixName(target);
      if (ulink.empty() || utarget.empty()) return false;
      RunWait(L"Z:\\bin\\ln", L"ln -s \"" + utarget + L"\" \"" + ulink + L"\"");
      // Wine cannot wait for a host program: watch for its effect.
      for (int i = 0; i < 100 && ::GetFileAttributesW(link.c_str()) == INVALID_FILE_ATTRIBUTES;
           ++i) {
        ::Sleep(50);
      }
    }
    if (::GetFileAttributesW(link.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
    links_.push_back(link);
    return true;
  }

 private:
  // Runs a program (by its command line, or by its file when app is given:
  // a host program under Wine has no ".exe" to be found by) and waits.
  static void RunWait(const std::wstring& app, std::wstring cmd) {
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(app.empty() ? nullptr : app.c_str(), cmd.data(), nullptr, nullptr, FALSE,
                          CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi)) {
      return;
    }
    ::WaitForSingleObject(pi.hProcess, 20000);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
  }

  // The host's name of a path under Wine; empty elsewhere.
  static std::wstring UnixName(const std::wstring& path) {
    using Fn = char*(CDECL*)(LPCWSTR);
    auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!fn) return {};
    char* u = fn(path.c_str());
    if (!u) return {};
    const std::wstring s = LumoWiden(u);
    ::HeapFree(::GetProcessHeap(), 0, u);
    return s;
  }

  static void RemoveLink(const std::wstring& link) {
    ::RemoveDirectoryW(link.c_str());  // a junction goes without its target
    if (::GetFileAttributesW(link.c_str()) == INVALID_FILE_ATTRIBUTES) return;
    const std::wstring ulink = UnixName(link);
    if (ulink.empty()) return;
    RunWait(L"Z:\\bin\\rm", L"rm -f \"" + ulink + L"\"");
    for (int i = 0; i < 100 && ::GetFileAttributesW(link.c_str()) != INVALID_FILE_ATTRIBUTES; ++i) {
      ::Sleep(50);
    }
  }

  std::wstring root_;
  std::vector<std::wstring> links_;
};
