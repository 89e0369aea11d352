#include "process/App_Processes.h"

#include <windows.h>

#include <psapi.h>
#include <tlhelp32.h>

#include "platform/App_Env.h"
#include "platform/App_Platform.h"
#include "diag/App_Debug.h"
#include "diag/App_Trace.h"
#include "fs/App_FilePath.h"
#include "registry/App_Common_Privileges.h"
#include "util/App_Handle.h"
#include "util/App_Strings.h"
#include "util/App_Variables.h"

namespace {

constexpr wchar_t kModule[] = L"App_Processes";
constexpr int32_t kSeDebugPrivilege = 10;      // SetPrivilegeToken's index of "SeDebugPrivilege"
constexpr DWORD kAccessQueryAndRead = 0x410;   // PROCESS_QUERY_INFORMATION + PROCESS_VM_READ
constexpr DWORD kAccessQueryLimited = 0x1000;  // PROCESS_QUERY_LIMITED_INFORMATION (Vista+)
constexpr DWORD kAccessQueryLimitedAndRead = 0x1010;
constexpr DWORD kTokenAdjustAndQuery = 0x28;  // TOKEN_ADJUST_PRIVILEGES + TOKEN_QUERY
constexpr DWORD kPathChars = 519;

using QueryFullProcessImageNameWFn = BOOL(WINAPI*)(HANDLE, DWORD, LPWSTR, PDWORD);

// A kernel handle that is closed through CloseMyHandle when it goes out of
// scope (only when it holds one: an empty owner closes nothing and logs
// nothing).
struct MyHandleTraits {
  static bool Valid(HANDLE h) { return App_KernelHandleTraits::Valid(h); }
  static void Release(HANDLE h) { App_Common::CloseMyHandle(h); }
};
using MyHandle = App_Owner<HANDLE, MyHandleTraits>;

// The entry's executable name: the text up to its first NUL, trimmed.
std::wstring EntryName(const PROCESSENTRY32W& pe) {
  return App_Strings::Trim(std::wstring_view(pe.szExeFile, ::wcsnlen(pe.szExeFile, MAX_PATH)));
}

// A name cut before its last "." (a name without "." stays whole).
std::wstring WithoutExtension(std::wstring_view sName) {
  const size_t dot = sName.rfind(L'.');
  return std::wstring(dot == std::wstring_view::npos ? sName : sName.substr(0, dot));
}

// A full path whose file part (after the last "\") is cut before its last ".".
std::wstring PathWithoutExtension(std::wstring_view sPath) {
  const size_t bs = sPath.rfind(L'\\');
  const size_t start = bs == std::wstring_view::npos ? 0 : bs + 1;
  const size_t dot = sPath.rfind(L'.');
  if (dot == std::wstring_view::npos || dot < start) return std::wstring(sPath);
  return std::wstring(sPath.substr(0, dot));
}

// Walks a fresh snapshot of all processes from the first entry; fVisit
// returns true to stop. The snapshot is closed in every case. False when no
// snapshot could be taken.
template <class F>
bool WalkProcesses(F&& fVisit) {
  MyHandle snap(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snap.Valid()) return false;
  PROCESSENTRY32W pe{};
  pe.dwSize = sizeof(pe);
  for (BOOL more = ::Process32FirstW(snap.Get(), &pe); more;
       more = ::Process32NextW(snap.Get(), &pe)) {
    if (fVisit(pe)) break;
  }
  return true;
}

std::wstring Num(int64_t n) {
  return std::to_wstring(n);
}

// A process id as the trace writes it: a 32-bit (Long) value.
int32_t Long(uint32_t lPID) {
  return static_cast<int32_t>(lPID);
}

}  // namespace

namespace App_Processes {

bool IsProcessRunningByPID(uint32_t lPID) {
  App_Trace t(kModule, L"IsProcessRunningByPID");
  t.Vars(vkPassedByVal, {L"lPID", Long(lPID)});
  bool bRunning = false;
  t.Step([&] {
    const bool bWalked = WalkProcesses([&](const PROCESSENTRY32W& pe) {
      if (pe.th32ProcessID != lPID) return false;
      bRunning = true;
      return true;
    });
    if (!bWalked) t.APIError(L"CreateToolhelp32Snapshot", pVar(L"lPID", Long(lPID)));
  });
  t.Vars(vkFunctionReturn, {bRunning});
  return bRunning;
}

uint32_t GetParentPID(uint32_t lPID) {
  uint32_t lParent = 0;
  bool bPrivOn = false;
  try {
    if (lPID == AppEnv().AppInst_ProcessID) {
      bPrivOn =
          App_Common::SetPrivilegeToken(L"App_Processes.GetParentPID", kSeDebugPrivilege, true);
    }
  } catch (...) {
    App_Err::Clear();
  }
  try {
    WalkProcesses([&](const PROCESSENTRY32W& pe) {
      if (pe.th32ProcessID != lPID) return false;
      lParent = pe.th32ParentProcessID;
      return true;
    });
  } catch (...) {
    App_Err::Clear();
  }
  try {
    if (bPrivOn)
      App_Common::SetPrivilegeToken(L"App_Processes.GetParentPID", kSeDebugPrivilege, false);
  } catch (...) {
    App_Err::Clear();
  }
  return lParent;
}

uint32_t GetPID(std::wstring_view program) {
  uint32_t lPID = 0;
  try {
    if (App_Strings::Trim(program).empty()) return 0;
    const bool bPathMode = program.find(L'\\') != std::wstring_view::npos;
    const std::wstring_view sFilePart =
        bPathMode ? program.substr(program.rfind(L'\\') + 1) : program;
    const bool bNoExt = sFilePart.find(L'.') == std::wstring_view::npos;

    WalkProcesses([&](const PROCESSENTRY32W& pe) {
      try {
        std::wstring sName = EntryName(pe);
        if (bNoExt) sName = WithoutExtension(sName);
        if (!App_Strings::StringMatch(sName, sFilePart, false)) return false;
        if (!bPathMode) {
          lPID = pe.th32ProcessID;
          return true;
        }
        std::wstring sPath = GetPathFromPID(pe.th32ProcessID, true);
        if (sPath.empty()) return false;  // a path that cannot be read is passed over
        // A program given without extension is compared without the
        // executable's extension ("C:\my.tools\run" runs as run.exe).
        if (bNoExt) sPath = PathWithoutExtension(sPath);
        if (!App_Strings::StringMatch(sPath, program, false)) return false;
        lPID = pe.th32ProcessID;
        return true;
      } catch (...) {
        App_Err::Clear();
        return false;
      }
    });
  } catch (...) {
    App_Err::Clear();
  }
  return lPID;
}

std::wstring GetPathFromPID(uint32_t lPID, bool bCleanPath) {
  static constexpr wchar_t kOwner[] = L"App_Processes.GetPathFromPID";
  // Not traced: what it logs names it as its source, with its arguments.
  const std::wstring sArgs =
      pVar(L"Source", kOwner, L"lPID", Long(lPID), L"bCleanPath", bCleanPath);
  std::wstring sResult;
  try {
    App_Common::SetPrivilegeToken(kOwner, kSeDebugPrivilege, true);
  } catch (...) {
    App_Err::Clear();
  }
  try {
    const App_Env& env = AppEnv();
    QueryFullProcessImageNameWFn pQuery = nullptr;
    if (env.API_QueryFullProcessImageNameW) {
      pQuery = App_Platform::Proc<QueryFullProcessImageNameWFn>(L"kernel32.dll",
                                                                "QueryFullProcessImageNameW");
    }
    DWORD access = kAccessQueryAndRead;
    if (env.WinVista_OrNewer) access = pQuery ? kAccessQueryLimited : kAccessQueryLimitedAndRead;

    MyHandle h(::OpenProcess(access, FALSE, lPID));
    if (!h.Valid()) {
      App_Debug::ProcAPIError(-1, L"OpenProcess", sArgs);
      App_Common::SetPrivilegeToken(kOwner, kSeDebugPrivilege, false);
      sResult = fGetPathFromPID2(lPID, bCleanPath);
    } else {
      bool bDone = false;
      if (pQuery) {
        std::wstring buf(kPathChars, L' ');
        DWORD size = kPathChars;
        if (pQuery(h.Get(), 0, buf.data(), &size)) {
          h.Reset();
          buf.resize(std::min<DWORD>(size, kPathChars));
          App_Strings::TrimNull(buf, false);
          sResult = buf;
          if (bCleanPath) App_FilePath::FixPathFromAPI(sResult);
          bDone = true;
        }
      }
      if (!bDone) {
        std::wstring buf(kPathChars, L' ');
        const DWORD len = ::GetModuleFileNameExW(h.Get(), nullptr, buf.data(), kPathChars);
        h.Reset();
        if (len != 0) {
          // The wide answer is kept as it is: a trip through the ANSI code
          // page would turn characters it lacks into "?" and name a file
          // that does not exist.
          buf.resize(std::min<DWORD>(len, kPathChars));
          App_Strings::TrimNull(buf, true);
          sResult = buf;
          if (bCleanPath) App_FilePath::FixPathFromAPI(sResult);
        }
      }
    }
  } catch (...) {
    App_Err::Clear();
  }
  try {
    App_Common::SetPrivilegeToken(kOwner, kSeDebugPrivilege, false);
  } catch (...) {
    App_Err::Clear();
  }
  return sResult;
}

std::wstring fGetPathFromPID2(uint32_t lPID, bool bCleanPath) {
  App_Trace t(kModule, L"fGetPathFromPID2");
  t.Vars(vkPassedByVal, {L"lPID", Long(lPID), L"bCleanPath", bCleanPath});
  std::wstring sResult;
  HANDLE hTokenRaw = nullptr;
  t.Step([&] {
    if (!::OpenProcessToken(::GetCurrentProcess(), kTokenAdjustAndQuery, &hTokenRaw)) {
      hTokenRaw = nullptr;
      t.APIError(L"OpenProcessToken");
    }
  });
  MyHandle hToken(hTokenRaw);
  if (!hToken.Valid()) {
    t.Vars(vkFunctionReturn, {sResult});
    return sResult;
  }

  LUID luid{};
  bool bLookedUp = false;
  t.Step([&] {
    bLookedUp = ::LookupPrivilegeValueA(nullptr, "SeDebugPrivilege", &luid) != FALSE;
    if (!bLookedUp) t.APIError(L"LookupPrivilegeValueA", pVar(L"sPrivilege", L"SeDebugPrivilege"));
  });
  // The privilege is switched on for the query and then put back as it was:
  // switching it off outright would pull it from under a caller that had
  // switched it on through SetPrivilegeToken.
  TOKEN_PRIVILEGES tpPrevious{};
  bool bEnabled = false;
  if (bLookedUp) {
    t.Step([&] {
      TOKEN_PRIVILEGES tp{};
      tp.PrivilegeCount = 1;
      tp.Privileges[0].Luid = luid;
      tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
      DWORD prevSize = 0;
      bEnabled = ::AdjustTokenPrivileges(hToken.Get(), FALSE, &tp, sizeof(tpPrevious), &tpPrevious,
                                         &prevSize) != FALSE;
      if (!bEnabled) t.APIError(L"AdjustTokenPrivileges", pVar(L"bEnable", true));
    });
  }
  if (bEnabled) {
    t.Step([&] {
      MyHandle h(::OpenProcess(kAccessQueryAndRead, FALSE, lPID));
      if (!h.Valid()) {
        t.APIError(L"OpenProcess", pVar(L"lPID", Long(lPID)));
        return;
      }
      HMODULE hMod = nullptr;
      DWORD needed = 0;
      if (!::EnumProcessModules(h.Get(), &hMod, 0, &needed)) {
        t.APIError(L"EnumProcessModules", pVar(L"lPID", Long(lPID)));
        return;
      }
      std::wstring buf(kPathChars, L' ');
      const DWORD len = ::GetModuleFileNameExW(h.Get(), nullptr, buf.data(), kPathChars);
      h.Reset();
      if (len == 0) return;
      buf.resize(std::min<DWORD>(len, kPathChars));
      sResult = buf;
      if (bCleanPath) {
        App_FilePath::FixPathFromAPI(sResult);
      } else {
        App_Strings::TrimNull(sResult, true);
      }
    });
    t.Step([&] {
      // Back to the state before: an empty previous state means the
      // privilege was already on and nothing was changed.
      if (tpPrevious.PrivilegeCount == 0) return;
      if (!::AdjustTokenPrivileges(hToken.Get(), FALSE, &tpPrevious, 0, nullptr, nullptr)) {
        t.APIError(L"AdjustTokenPrivileges", pVar(L"bEnable", false));
      }
    });
  }
  hToken.Reset();
  t.Vars(vkFunctionReturn, {sResult});
  return sResult;
}

}  // namespace App_Processes

namespace App_Common {

void CloseMyHandle(HANDLE& handle) {
  static constexpr wchar_t kSource[] = L"App_Common.CloseMyHandle";
  try {
    const std::wstring sSource = pVar(L"Source", kSource);
    if (handle == nullptr) {
      App_Debug::dLog(-1, L"Aborting CloseHandle; Passed Empty Handle!", evNormal, sSource);
      return;
    }
    if (handle == INVALID_HANDLE_VALUE) {
      App_Debug::dLog(-1, L"Aborting CloseHandle; Passed Handle = INVALID_HANDLE_VALUE", evNormal,
                      sSource);
      return;
    }
    const std::wstring sHandle = Num(reinterpret_cast<intptr_t>(handle));
    const BOOL ret = ::CloseHandle(handle);
    if (ret == -1) {
      App_Debug::dLog(
          -1, L"Failure in CloseHandle; handle [" + sHandle + L"] returned INVALID_HANDLE_VALUE",
          evNormal, sSource);
    } else if (ret != 0) {
      App_Debug::dLog(-1, L"CloseHandle return indicates success!", evVerbose, sSource);
    } else {
      const int32_t n = App_Debug::ProcAPIError(-1, L"CloseHandle failure (return = 0)", sSource);
      App_Debug::dLog(
          -1,
          L"Failure in CloseHandle (trying NtClose next, no logging on return...) for handle [" +
              sHandle + L"] API error " + Num(n) + L"=" + App_Debug::GetSystemMsg(n),
          evNormal, sSource);
      using NtCloseFn = LONG(NTAPI*)(HANDLE);
      if (auto pNtClose = App_Platform::Proc<NtCloseFn>(L"ntdll.dll", "NtClose")) pNtClose(handle);
    }
  } catch (...) {
    App_Err::Clear();
  }
}

}  // namespace App_Common
