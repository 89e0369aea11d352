// Shared pieces of the file-system tests: a scratch folder on Wine's real
// file system that is removed afterwards, file writing and reading without
// the code under test, and lookups in the debug log.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <string_view>

#include "platform/App_Env.h"
#include "diag/App_Debug.h"
#include "lumo_files.h"
#include "lumo_test.h"

namespace fs_test {

inline void RemoveTree(const std::wstring& dir) { LumoRemoveTree(dir); }
inline void WriteBytes(const std::wstring& path, std::string_view bytes) {
  ASSERT_TRUE(LumoWriteBytes(path, bytes)) << "cannot write the test file";
}

inline std::wstring Long(const std::wstring& p) {
  return L"\\\\?\\" + p;
}

inline std::string ReadBytes(const std::wstring& path) {
  HANDLE h = ::CreateFileW(Long(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return "<missing>";
  std::string out;
  char buf[4096];
  DWORD got = 0;
  while (::ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0) out.append(buf, got);
  ::CloseHandle(h);
  return out;
}

inline bool Exists(const std::wstring& path) {
  return ::GetFileAttributesW(Long(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline bool IsDir(const std::wstring& path) {
  const DWORD a = ::GetFileAttributesW(Long(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// Holds a file open with no sharing at all, as another program would.
struct ExclusiveLock {
  HANDLE h;
  explicit ExclusiveLock(const std::wstring& path)
      : h(::CreateFileW(Long(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                        0, nullptr)) {}
  ~ExclusiveLock() {
    if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
  }
};

// True when the pending debug log holds an entry of the given procedure
// ("App_FileSystem.FileExist") with the message; an empty procedure matches any.
inline bool Logged(std::wstring_view sMsg, std::wstring_view sProc = {}) {
  const std::wstring all = App_Debug::DebugLogPending();
  const std::wstring needle = L"Msg=[" + std::wstring(sMsg) + L"]";
  for (size_t pos = all.find(needle); pos != std::wstring::npos; pos = all.find(needle, pos + 1)) {
    const size_t lineStart = all.rfind(L"\r\n", pos);
    const std::wstring_view line(all.data() + (lineStart == std::wstring::npos ? 0 : lineStart),
                                 pos - (lineStart == std::wstring::npos ? 0 : lineStart));
    if (sProc.empty() || line.find(std::wstring(sProc) + L".ProcID=") != std::wstring_view::npos)
      return true;
  }
  return false;
}

// A fresh scratch folder per test, removed afterwards; the tracing state is
// reset with verbose entries on, so every message of the routines is kept.
class FsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dbg.Reset(true, false);
    wchar_t buf[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH + 1, buf);
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "_" + info->name();
    dir = std::wstring(buf) + L"lumo_fs_" + std::to_wstring(::GetCurrentProcessId()) + L"_" + LumoWiden(name);
    RemoveTree(dir);
    ASSERT_TRUE(::CreateDirectoryW(dir.c_str(), nullptr));
  }
  void TearDown() override {
    RemoveTree(dir);
    EXPECT_FALSE(Exists(dir)) << "scratch folder left behind";
  }
  std::wstring Path(std::wstring_view sName) const { return dir + L"\\" + std::wstring(sName); }

  LumoDebugFixtureState dbg;
  std::wstring dir;
};

}  // namespace fs_test
