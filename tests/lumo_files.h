// Shared pieces of the tests that work on files: removing a scratch tree,
// writing bytes without the code under test, and looking up messages in the
// pending debug log.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "diag/App_Debug.h"

// The extended-length form of a full path, for names longer than MAX_PATH.
inline std::wstring LumoLongPath(const std::wstring& p) {
  return p.rfind(L"\\\\?\\", 0) == 0 ? p : L"\\\\?\\" + p;
}

// Deletes a folder and everything below it, read-only files and long names
// too. A link (junction or symbolic link) is removed itself and never
// followed, so a loop or a link out of the tree does no harm.
inline void LumoRemoveTree(const std::wstring& dir) {
  WIN32_FIND_DATAW fd{};
  HANDLE h = ::FindFirstFileW(LumoLongPath(dir + L"\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = fd.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring full = LumoLongPath(dir + L"\\" + name);
      const bool isDir = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
      if (isDir && !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        LumoRemoveTree(dir + L"\\" + name);
      } else if (isDir) {
        ::RemoveDirectoryW(full.c_str());
      } else {
        ::SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(full.c_str());
      }
    } while (::FindNextFileW(h, &fd));
    ::FindClose(h);
  }
  ::RemoveDirectoryW(LumoLongPath(dir).c_str());
}

// Writes the bytes as they are (no conversion, no line-end change); false
// when the file cannot be created.
inline bool LumoWriteBytes(const std::wstring& path, std::string_view bytes) {
  HANDLE h = ::CreateFileW(LumoLongPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  if (!bytes.empty()) ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  ::CloseHandle(h);
  return true;
}

// The whole file as bytes ("" when it cannot be read).
inline std::string LumoReadBytes(const std::wstring& path) {
  std::string out;
  HANDLE h = ::CreateFileW(LumoLongPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return out;
  char buf[4096];
  DWORD got = 0;
  while (::ReadFile(h, buf, sizeof(buf), &got, nullptr) && got > 0) out.append(buf, got);
  ::CloseHandle(h);
  return out;
}

// How many debug-log entries carry this exact message.
inline int LumoLogCount(const std::wstring& sMsg) {
  const std::wstring all = App_Debug::DebugLogPending();
  const std::wstring needle = L"=[" + sMsg + L"]";
  int n = 0;
  for (size_t pos = all.find(needle); pos != std::wstring::npos; pos = all.find(needle, pos + 1)) ++n;
  return n;
}

// True when the pending debug log holds the text anywhere.
inline bool LumoLogHas(const std::wstring& sText) {
  return App_Debug::DebugLogPending().find(sText) != std::wstring::npos;
}

// Polls until the condition holds (true) or the time is up (false).
template <class F>
bool LumoWaitFor(F&& f, DWORD lTimeoutMS = 5000) {
  const DWORD start = ::GetTickCount();
  while (!f()) {
    if (::GetTickCount() - start > lTimeoutMS) return false;
    ::Sleep(20);
  }
  return true;
}
