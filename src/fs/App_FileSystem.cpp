#include "fs/App_FileSystem.h"

#include <windows.h>

#include "diag/App_Trace.h"
#include "fs/App_FilePath.h"
#include "util/App_Handle.h"
#include "util/App_Strings.h"
#include "util/App_Variables.h"

namespace App_FileSystem {

std::string WideToAnsi(std::wstring_view s) {
  if (s.empty()) return {};
  const int n = ::WideCharToMultiByte(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0,
                                      nullptr, nullptr);
  if (n <= 0) return {};
  std::string out(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, s.data(), static_cast<int>(s.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::wstring AnsiToWide(std::string_view s) {
  if (s.empty()) return {};
  const int n = ::MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  if (n <= 0) return {};
  std::wstring out(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), out.data(), n);
  return out;
}

namespace {
DWORD Attributes(std::wstring_view sPath) {
  std::wstring p(sPath);
  App_FilePath::PrepPathForUnicodeAPI(p);
  return ::GetFileAttributesW(p.c_str());
}
}  // namespace

bool DirExist(std::wstring_view sDir) {
  if (sDir.empty()) return false;
  const DWORD a = Attributes(sDir);
  return a != INVALID_FILE_ATTRIBUTES && (a & (FILE_ATTRIBUTE_DIRECTORY | 0x08)) != 0;
}

bool FileExistNL(std::wstring_view sFile) {
  if (sFile.empty()) return false;
  const DWORD a = Attributes(sFile);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool EnsureDirExists(std::wstring_view sDirIn, int32_t& lFailReason) {
  App_Trace t(L"App_FileSystem", L"EnsureDirExists");
  bool ok = false;
  t.Step([&] {
    std::wstring sDir(sDirIn);
    App_Strings::TrimNull(sDir, true);
    t.Vars(vkPassedByVal, {L"sDir", sDir});
    if (sDir.find(L':') == std::wstring::npos && sDir.find(L"\\\\") == std::wstring::npos) {
      t.Log(L"Passed bad string (no colon or \\\\ in string) for sDir: [" + sDir + L"]");
      return;
    }
    std::wstring d = sDir;
    App_Strings::StripTrailingBackslash(d);
    if (DirExist(d)) {
      t.Log(L"DirExist = True!", evVerbose);
      ok = true;
      return;
    }
    if (FileExistNL(d)) {
      std::wstring p = d;
      App_FilePath::PrepPathForUnicodeAPI(p);
      if (!::DeleteFileW(p.c_str())) {
        t.APIError(L"DeleteFileW", pVar(L"sFile", d));
        t.Log(L"Aborting; failure to remove existing file!");
        return;
      }
      t.Log(L"A file existed of same name, but was deleted successfully!");
    }
    // Create every missing level below the root: the drive ("C:") or the
    // share ("\\srv\share").
    size_t pos = d.find(L'\\');
    if (d.rfind(L"\\\\", 0) == 0) {
      const size_t shareStart = d.find(L'\\', 2);
      pos = shareStart == std::wstring::npos ? shareStart : d.find(L'\\', shareStart + 1);
    }
    while (pos != std::wstring::npos) {
      const size_t next = d.find(L'\\', pos + 1);
      const std::wstring level = d.substr(0, next);
      if (!DirExist(level)) {
        std::wstring p = level + L"\\";
        App_FilePath::PrepPathForUnicodeAPI(p);
        if (!::CreateDirectoryW(p.c_str(), nullptr)) {
          const DWORD e = ::GetLastError();
          lFailReason = static_cast<int32_t>(e);
          if (e != ERROR_ACCESS_DENIED && e != ERROR_ALREADY_EXISTS) {
            t.APIError(L"CreateDirectoryW", pVar(L"sDir", level));
            break;
          }
        }
      }
      pos = next;
    }
    ok = DirExist(d);
    t.Log(ok ? L"Completed; Success = True!" : L"Completed via CreateDirectoryW; DirExist = False!",
          ok ? evVerbose : evNormal);
  });
  t.Vars(vkFunctionReturn, {ok});
  return ok;
}

bool ReadFileBytes(std::wstring_view sFile, std::string& sBytes) {
  sBytes.clear();
  std::wstring p(sFile);
  App_FilePath::PrepPathForUnicodeAPI(p);
  App_Handle h(::CreateFileW(p.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h.Valid()) return false;
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(h.Get(), &size) || size.QuadPart > 0x7FFFFFFF) return false;
  try {
    sBytes.resize(static_cast<size_t>(size.QuadPart));
  } catch (...) {
    return false;
  }
  DWORD got = 0;
  size_t done = 0;
  while (done < sBytes.size()) {
    const DWORD want = static_cast<DWORD>(std::min<size_t>(sBytes.size() - done, 1u << 24));
    if (!::ReadFile(h.Get(), sBytes.data() + done, want, &got, nullptr) || got == 0) break;
    done += got;
  }
  sBytes.resize(done);
  return true;
}

}  // namespace App_FileSystem
